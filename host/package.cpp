#include "package.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "orda_definitions.h"
#include "orda_version.h"

namespace ordavix_host {

Package::Package(const std::string& path, ORDAKernelInterface* kernel) : m_path(path)
{
    if (!std::filesystem::exists(path))
        throw PackageError("package not found: " + path + " (build it first, or pass its path with --package)");
    // A package's model definitions live until the process ends, as its
    // static state says; unloading the code would leave them unreachable.
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!m_handle) throw PackageError(std::string("cannot load package ") + path + ": " + dlerror());
    m_pckInit = reinterpret_cast<int (*)(ORDAKernelInterface*, int)>(dlsym(m_handle, "ORDAPckInit"));
    m_getModules = reinterpret_cast<int (*)(const char*, void**, int)>(dlsym(m_handle, "ORDAGetModulesDefStruct"));
    if (!m_pckInit || !m_getModules) {
        dlclose(m_handle);
        throw PackageError(path + " is not a package: it lacks ORDAPckInit or ORDAGetModulesDefStruct");
    }
    m_initResult = m_pckInit(kernel, ORDA::PackageInterfaceVersion);
    if (m_initResult == 0) {
        dlclose(m_handle);
        throw PackageError(path + " refused the engine's interface version " +
                           std::to_string(ORDA::PackageInterfaceVersion));
    }
}

Package::~Package()
{
    if (m_handle) dlclose(m_handle);
}

int Package::PckInit(ORDAKernelInterface* kernel, int version) const { return m_pckInit(kernel, version); }

int Package::GetModulesDefStruct(const char* groupName, void** definitions, int capacity) const
{
    return m_getModules(groupName, definitions, capacity);
}

std::vector<ORDAComponentDefinition*> Package::ComponentModels() const
{
    const int n = m_getModules("ORDAComponent", nullptr, 0);
    if (n <= 0) return {};
    std::vector<void*> table(static_cast<std::size_t>(n));
    const int written = m_getModules("ORDAComponent", table.data(), n);
    std::vector<ORDAComponentDefinition*> models;
    for (int i = 0; i < written; ++i) models.push_back(static_cast<ORDAComponentDefinition*>(table[i]));
    return models;
}

ORDAComponentDefinition* Package::FindModel(const std::string& name) const
{
    for (ORDAComponentDefinition* d : ComponentModels())
        if (d->name && name == d->name) return d;
    return nullptr;
}

std::string DefaultPackagePath()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "ordavix_bus_veltrac.pck";
    return (exe.parent_path().parent_path() / "ordavix_bus_veltrac.pck").string();
}

}
