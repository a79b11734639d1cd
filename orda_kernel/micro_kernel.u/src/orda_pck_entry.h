#pragma once
// The package's two exports, and the hand-over of the engine binding to
// another library.
#include "orda_kernel_interface.h"

class ORDADynamicLoader;

#define ORDA_EXPORT __attribute__((visibility("default")))

namespace ORDAPrivate {
// What the two exports do. They live in the runtime, the exports in each
// package's own code: symbols of the runtime archive stay out of a
// package's dynamic symbol table.
int PckInit(ORDAKernelInterface* kernel, int version);
int GetModulesDefStruct(const char* groupName, void** definitions, int capacity);
}

// Put once in a package's own sources.
#define ORDA_DEFINE_PACKAGE_EXPORTS                                                                   \
    extern "C" ORDA_EXPORT int ORDAPckInit(ORDAKernelInterface* kernel, int version)                 \
    {                                                                                                 \
        return ORDAPrivate::PckInit(kernel, version);                                                 \
    }                                                                                                 \
    extern "C" ORDA_EXPORT int ORDAGetModulesDefStruct(const char* groupName, void** definitions,    \
                                                       int capacity)                                  \
    {                                                                                                 \
        return ORDAPrivate::GetModulesDefStruct(groupName, definitions, capacity);                    \
    }

typedef int (*ORDAPckInitFunction)(ORDAKernelInterface* kernel, int version);
typedef int (*ORDAGetModulesDefStructFunction)(const char* groupName, void** definitions, int capacity);

namespace ORDA {
bool ForwardPckInitToLibrary(ORDADynamicLoader& loader, int* result = nullptr);
}
