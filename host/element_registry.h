#pragma once
// The engine's table of every registered element, by full name.
#include <map>
#include <mutex>
#include <string>

class ORDAModule;
class ORDAInput;
class ORDAOutput;
class ORDAProperty;
class ORDAAction;

namespace ordavix_host {

class ElementRegistry {
public:
    enum class Kind { Input, Output, Property, Action };

    // False when the full name is taken.
    bool Add(const std::string& fullName, Kind kind, void* element, ORDAModule* owner);
    void Forget(const std::string& fullName);
    ORDAModule* OwnerOf(const std::string& fullName) const;
    ORDAProperty* PropertyNamed(const std::string& fullName) const;
    ORDAInput* InputNamed(const std::string& fullName) const;
    ORDAOutput* OutputNamed(const std::string& fullName) const;
    ORDAAction* ActionNamed(const std::string& fullName) const;
    bool Has(const std::string& fullName) const;
    std::size_t Size() const;

private:
    struct Entry {
        Kind kind;
        void* element;
        ORDAModule* owner;
    };
    void* Find(const std::string& fullName, Kind kind) const;

    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_entries;
};

}
