#pragma once
// Loads a shared library by path and looks its symbols up by name.
#include <memory>
#include <string>

class ORDADynamicLoader {
public:
    ORDADynamicLoader();
    ORDADynamicLoader(const ORDADynamicLoader&) = delete;
    ORDADynamicLoader& operator=(const ORDADynamicLoader&) = delete;
    virtual ~ORDADynamicLoader();

    // False with LastError() set when the library cannot be loaded.
    bool Load(const char* path);
    void Unload();
    bool IsLoaded() const;
    // Null when the library is not loaded or lacks the symbol.
    void* Symbol(const char* name) const;
    const std::string& LastError() const { return m_lastError; }

    // Directory of the shared object that contains this code.
    static std::string ThisLibraryDirectory();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_lastError;
};
