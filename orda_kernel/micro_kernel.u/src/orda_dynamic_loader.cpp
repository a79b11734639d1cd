#include "orda_dynamic_loader.h"

#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/dll/shared_library.hpp>

struct ORDADynamicLoader::Impl {
    boost::dll::shared_library library;
};

ORDADynamicLoader::ORDADynamicLoader() : m_impl(std::make_unique<Impl>()) {}

ORDADynamicLoader::~ORDADynamicLoader() = default;

bool ORDADynamicLoader::Load(const char* path)
{
    m_lastError.clear();
    Unload();
    if (!path) {
        m_lastError = "no library path";
        return false;
    }
    boost::system::error_code ec;
    m_impl->library.load(boost::dll::fs::path(path), ec, boost::dll::load_mode::rtld_now | boost::dll::load_mode::rtld_local);
    if (ec) {
        m_lastError = std::string("cannot load ") + path + ": " + ec.message();
        return false;
    }
    return true;
}

void ORDADynamicLoader::Unload() { m_impl->library.unload(); }

bool ORDADynamicLoader::IsLoaded() const { return m_impl->library.is_loaded(); }

void* ORDADynamicLoader::Symbol(const char* name) const
{
    if (!IsLoaded() || !name || !m_impl->library.has(name)) return nullptr;
    // get<T> yields a reference to the symbol itself; its address is what callers want.
    return static_cast<void*>(&m_impl->library.get<char>(name));
}

std::string ORDADynamicLoader::ThisLibraryDirectory()
{
    boost::system::error_code ec;
    boost::dll::fs::path self = boost::dll::this_line_location(ec);
    if (ec) return std::string();
    return self.parent_path().string();
}
