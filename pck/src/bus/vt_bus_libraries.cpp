#include "bus/vt_bus_libraries.h"

#include <cstdlib>
#include <exception>

#include <boost/dll/shared_library.hpp>
#include <boost/filesystem/operations.hpp>

#include "orda_dynamic_loader.h"

VtCanApiTable vtCanApi;
VtEthApiTable vtEthApi;
VtPtxApiTable vtPtxApi;

std::uint8_t vtCanUseCount = 0;
std::uint8_t vtEthUseCount = 0;
std::uint8_t vtPtxUseCount = 0;

namespace {
boost::dll::shared_library canLibrary;
boost::dll::shared_library ethLibrary;
boost::dll::shared_library ptxLibrary;

std::string BusApiPath(const char* fileName)
{
    const char* dir = std::getenv(VtBusApiDirectoryVariable);
    std::string path = dir && *dir ? dir : VtBusApiInstallDirectory;
    return path + "/" + fileName;
}

bool FileExists(const std::string& path)
{
    boost::system::error_code ec;
    return boost::filesystem::is_regular_file(path, ec);
}

template <class T>
void Bind(boost::dll::shared_library& library, const char* name, T& pointer)
{
    // get<> raises when the symbol is missing.
    pointer = &library.get<std::remove_pointer_t<T>>(name);
}

// Steps shared by the three loaders. A library that cannot be bound is
// dropped from the handle so that a later attempt reads the file again.
template <class BindAll, class Unload>
std::uint8_t Load(boost::dll::shared_library& library, const std::string& path, BindAll bindAll, Unload unload)
{
    if (!FileExists(path)) return 1;
    if (!library.is_loaded()) library.load(boost::dll::fs::path(path), boost::dll::load_mode::default_mode);
    if (!library.is_loaded()) return 1;
    bool complete = false;
    try {
        complete = bindAll();
    } catch (...) {
        unload();
        library.unload();
        throw;
    }
    if (complete) return 0;
    unload();
    return 1;
}
}

std::string CanLibraryPath() { return BusApiPath("libVTBusApiCan.so"); }
std::string EthLibraryPath() { return BusApiPath("libVTBusApiEthernet.so"); }
std::string PtxLibraryPath()
{
    // The loader may report the directory relative to the working directory.
    boost::system::error_code ec;
    const auto dir = boost::filesystem::absolute(ORDADynamicLoader::ThisLibraryDirectory(), ec);
    return (ec ? ORDADynamicLoader::ThisLibraryDirectory() : dir.lexically_normal().string()) + "/" +
           "bin/libPretrax.so";
}

#define VT_BUS_BIND(name, params)           \
    Bind(library, #name, table.name);       \
    complete = complete && table.name != nullptr;
#define VT_BUS_CLEAR(name, params) table.name = nullptr;
#define VT_BUS_IS_BOUND(name, params) bound = bound && table.name != nullptr;
#define VT_PTX_BIND(name) VT_BUS_BIND(name, _)
#define VT_PTX_CLEAR(name) VT_BUS_CLEAR(name, _)
#define VT_PTX_IS_BOUND(name) VT_BUS_IS_BOUND(name, _)

void InitCanFunctionPointers()
{
    auto& table = vtCanApi;
    VTCAN_ENTRY_POINTS(VT_BUS_CLEAR)
}

void InitEthFunctionPointers()
{
    auto& table = vtEthApi;
    VTETH_ENTRY_POINTS(VT_BUS_CLEAR)
}

void InitPtxFunctionPointers()
{
    auto& table = vtPtxApi;
    VT_PTX_ENTRY_POINTS(VT_PTX_CLEAR)
}

std::uint8_t LoadCanLibrary()
{
    return Load(
        canLibrary, CanLibraryPath(),
        [] {
            auto& library = canLibrary;
            auto& table = vtCanApi;
            bool complete = true;
            VTCAN_ENTRY_POINTS(VT_BUS_BIND)
            return complete;
        },
        UnloadCanLibrary);
}

std::uint8_t LoadEthLibrary()
{
    return Load(
        ethLibrary, EthLibraryPath(),
        [] {
            auto& library = ethLibrary;
            auto& table = vtEthApi;
            bool complete = true;
            VTETH_ENTRY_POINTS(VT_BUS_BIND)
            return complete;
        },
        UnloadEthLibrary);
}

std::uint8_t LoadPtxLibrary()
{
    return Load(
        ptxLibrary, PtxLibraryPath(),
        [] {
            auto& library = ptxLibrary;
            auto& table = vtPtxApi;
            bool complete = true;
            VT_PTX_ENTRY_POINTS(VT_PTX_BIND)
            return complete;
        },
        UnloadPtxLibrary);
}

void UnloadCanLibrary()
{
    if (canLibrary.is_loaded()) InitCanFunctionPointers();
}

void UnloadEthLibrary()
{
    if (ethLibrary.is_loaded()) InitEthFunctionPointers();
}

void UnloadPtxLibrary()
{
    if (!ptxLibrary.is_loaded()) return;
    ptxLibrary.unload();
    InitPtxFunctionPointers();
}

bool IsCanLibraryLoaded() { return canLibrary.is_loaded(); }
bool IsEthLibraryLoaded() { return ethLibrary.is_loaded(); }
bool IsPtxLibraryLoaded() { return ptxLibrary.is_loaded(); }

bool IsCanTableBound()
{
    const auto& table = vtCanApi;
    bool bound = true;
    VTCAN_ENTRY_POINTS(VT_BUS_IS_BOUND)
    return bound;
}

bool IsEthTableBound()
{
    const auto& table = vtEthApi;
    bool bound = true;
    VTETH_ENTRY_POINTS(VT_BUS_IS_BOUND)
    return bound;
}

bool IsPtxTableBound()
{
    const auto& table = vtPtxApi;
    bool bound = true;
    VT_PTX_ENTRY_POINTS(VT_PTX_IS_BOUND)
    return bound;
}

namespace {
void Release(std::uint8_t& counter, void (*unload)())
{
    if (counter == 0) return;
    if (counter == 1) unload();
    --counter;
}
}

void AcquireCanBinding() { ++vtCanUseCount; }
void ReleaseCanBinding() { Release(vtCanUseCount, UnloadCanLibrary); }
void AcquireEthBinding() { ++vtEthUseCount; }
void ReleaseEthBinding() { Release(vtEthUseCount, UnloadEthLibrary); }
void AcquirePtxBinding() { ++vtPtxUseCount; }
void ReleasePtxBinding() { Release(vtPtxUseCount, UnloadPtxLibrary); }
