#pragma once
// Process-wide bindings of the bus access libraries and of libPretrax: one
// shared-object handle, one table of entry points and one use counter each.
// No lock: only the component lifecycle paths and channel enumeration touch
// them.
#include <cstdint>
#include <string>

#include "../../../pretrax/src/pretrax.h"
#include "vtbusapi/vtbusapi.h"

#define VT_BUS_DECLARE_POINTER(name, params) PFN_##name name = nullptr;
struct VtCanApiTable {
    VTCAN_ENTRY_POINTS(VT_BUS_DECLARE_POINTER)
};
struct VtEthApiTable {
    VTETH_ENTRY_POINTS(VT_BUS_DECLARE_POINTER)
};
#undef VT_BUS_DECLARE_POINTER

#define VT_PTX_ENTRY_POINTS(X) \
    X(PTX_CreateHandle)        \
    X(PTX_DestroyHandle)       \
    X(PTX_InsertFrames)        \
    X(PTX_GetFrames)           \
    X(PTX_FlushBuffers)        \
    X(PTX_GetStatistics)

#define VT_PTX_DECLARE_POINTER(name) decltype(&::name) name = nullptr;
struct VtPtxApiTable {
    VT_PTX_ENTRY_POINTS(VT_PTX_DECLARE_POINTER)
};
#undef VT_PTX_DECLARE_POINTER

extern VtCanApiTable vtCanApi;
extern VtEthApiTable vtEthApi;
extern VtPtxApiTable vtPtxApi;

// Live wrappers holding each binding (at most 255 of a kind).
extern std::uint8_t vtCanUseCount;
extern std::uint8_t vtEthUseCount;
extern std::uint8_t vtPtxUseCount;

inline constexpr const char* VtBusApiInstallDirectory = "/opt/veltrac/common/busapi/2024-A/Deliverables/bin";
// Names a directory that replaces the install directory (tests, the demo).
inline constexpr const char* VtBusApiDirectoryVariable = "ORDAVIX_VTBUSAPI_DIR";

std::string CanLibraryPath();
std::string EthLibraryPath();
// Beside the package's own shared object, not the engine's executable.
std::string PtxLibraryPath();

// 0: the table is fully bound; 1: not bound (no file at the path, or a
// null entry point). A file that cannot be loaded, or that lacks an entry
// point, raises the loader's error.
std::uint8_t LoadCanLibrary();
std::uint8_t LoadEthLibrary();
std::uint8_t LoadPtxLibrary();
// CAN and Ethernet keep the shared object loaded and only clear the table;
// the pre-processing library is unloaded.
void UnloadCanLibrary();
void UnloadEthLibrary();
void UnloadPtxLibrary();
void InitCanFunctionPointers();
void InitEthFunctionPointers();
void InitPtxFunctionPointers();

bool IsCanLibraryLoaded();
bool IsEthLibraryLoaded();
bool IsPtxLibraryLoaded();
bool IsCanTableBound();
bool IsEthTableBound();
bool IsPtxTableBound();

// Use counting of the wrappers: the last release unloads, then decrements.
void AcquireCanBinding();
void ReleaseCanBinding();
void AcquireEthBinding();
void ReleaseEthBinding();
void AcquirePtxBinding();
void ReleasePtxBinding();
