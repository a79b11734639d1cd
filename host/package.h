#pragma once
// A package loaded into the engine: dlopen, binding, component models.
#include <stdexcept>
#include <string>
#include <vector>

#include "orda_kernel_interface.h"

struct ORDAComponentDefinition;

namespace ordavix_host {

class PackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Package {
public:
    // Loads the shared object and binds it to the kernel; throws
    // PackageError with a message that says what to fix.
    Package(const std::string& path, ORDAKernelInterface* kernel);
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
    ~Package();

    const std::string& Path() const { return m_path; }
    // Version answer of ORDAPckInit (4 for this runtime).
    int InitResult() const { return m_initResult; }

    // Raw exports, for callers that test the binding itself.
    int PckInit(ORDAKernelInterface* kernel, int version) const;
    int GetModulesDefStruct(const char* groupName, void** definitions, int capacity) const;

    // Component models of the group "ORDAComponent", in registration order.
    std::vector<ORDAComponentDefinition*> ComponentModels() const;
    // Null when the package has no model of that name.
    ORDAComponentDefinition* FindModel(const std::string& name) const;

private:
    std::string m_path;
    void* m_handle = nullptr;
    int (*m_pckInit)(ORDAKernelInterface*, int) = nullptr;
    int (*m_getModules)(const char*, void**, int) = nullptr;
    int m_initResult = 0;
};

// The package beside the engine's build tree: <dir of exe>/../ordavix_bus_veltrac.pck.
std::string DefaultPackagePath();

}
