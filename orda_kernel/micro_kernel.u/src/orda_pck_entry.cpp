#include "orda_pck_entry.h"

#include <memory>

#include "orda_dynamic_loader.h"
#include "orda_module_management.h"
#include "orda_mutex.h"
#include "orda_private.h"
#include "orda_version.h"

ORDAMutex ORDAPckInit_Mutex;

int ORDAPrivate::PckInit(ORDAKernelInterface* kernel, int version)
{
    if (version != ORDA::PackageInterfaceVersion) return 0;
    ORDAMutexGuard<ORDAMutex> guard(ORDAPckInit_Mutex);
    if (!ORDAPrivate::kernel) {
        ORDAModuleManagement::Initialize(nullptr);
        ORDAPrivate::kernel = kernel;
    }
    return ORDA::KernelBuild >> 16;
}

int ORDAPrivate::GetModulesDefStruct(const char* groupName, void** definitions, int capacity)
{
    if (!definitions) return ORDAModuleManagement::NumberOfReferencedModules(groupName, true);
    if (capacity <= 0) return 0;
    std::unique_ptr<ORDAModuleDefinition*[]> found(new ORDAModuleDefinition*[capacity]);
    const int n = ORDAModuleManagement::EnumerateAvailableModules(found.get(), capacity, groupName, true);
    for (int i = 0; i < n; ++i) definitions[i] = found[i]->userData;
    return n;
}

bool ORDA::ForwardPckInitToLibrary(ORDADynamicLoader& loader, int* result)
{
    if (result) *result = 0x7FFFFFFF;
    if (!loader.IsLoaded()) {
        ORDAPrivate::Report("ORDA::ForwardPckInitToLibrary: Dynamic library is not loaded", ORDA::Error, 0, false);
        return false;
    }
    auto init = reinterpret_cast<ORDAPckInitFunction>(loader.Symbol("ORDAPckInit"));
    if (!init) {
        ORDAPrivate::Report("ORDA::ForwardPckInitToLibrary: Failed to load 'ORDAPckInit' from the dynamic library",
                            ORDA::Error, 0, false);
        return false;
    }
    const int r = init(ORDAPrivate::kernel, ORDA::PackageInterfaceVersion);
    if (result) *result = r;
    if (r != 0) return true;
    ORDAPrivate::Report("ORDA::ForwardPckInitToLibrary: ORDAPckInit call failed", ORDA::Error, 0, false);
    return false;
}
