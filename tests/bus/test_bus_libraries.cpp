// The process-wide bindings: repeated loads, use counting, libPretrax beside
// the loading code.
#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/filesystem/operations.hpp>

#include "bus/vt_can_api_wrapper.h"
#include "bus_test_support.h"

namespace {

class BusLibraries : public BusTest {};

TEST_F(BusLibraries, LoadingTwiceBindsTheSameTable)
{
    ASSERT_EQ(LoadCanLibrary(), 0);
    const auto first = vtCanApi.VTCAN_ReadReceiveQueue;
    ASSERT_EQ(LoadCanLibrary(), 0);
    EXPECT_EQ(vtCanApi.VTCAN_ReadReceiveQueue, first);
    EXPECT_TRUE(IsCanTableBound());
    ASSERT_EQ(LoadEthLibrary(), 0);
    ASSERT_EQ(LoadEthLibrary(), 0);
    EXPECT_TRUE(IsEthTableBound());
    UnloadEthLibrary();
    EXPECT_FALSE(IsEthTableBound());
    EXPECT_TRUE(IsEthLibraryLoaded());
}

TEST_F(BusLibraries, TheBusLibrariesComeFromTheConfiguredDirectory)
{
    const std::string dir = std::getenv(VtBusApiDirectoryVariable);
    EXPECT_EQ(CanLibraryPath(), dir + "/libVTBusApiCan.so");
    EXPECT_EQ(EthLibraryPath(), dir + "/libVTBusApiEthernet.so");
    unsetenv(VtBusApiDirectoryVariable);
    EXPECT_EQ(CanLibraryPath(), "/opt/veltrac/common/busapi/2024-A/Deliverables/bin/libVTBusApiCan.so");
    setenv(VtBusApiDirectoryVariable, dir.c_str(), 1);
}

TEST_F(BusLibraries, TheLastCanWrapperClearsTheTableAndTheNextBindsIt)
{
    const std::uint8_t before = vtCanUseCount;
    ASSERT_EQ(before, 0);
    {
        VtCanApiWrapper a(VtCanApiWrapperSettings("127.0.0.1", "CAN1", false, 0, 500000, false, false));
        {
            VtCanApiWrapper b(VtCanApiWrapperSettings("127.0.0.1", "CAN2", false, 0, 500000, false, false));
            EXPECT_EQ(vtCanUseCount, 2);
        }
        EXPECT_EQ(vtCanUseCount, 1);
        EXPECT_TRUE(IsCanTableBound());
    }
    EXPECT_EQ(vtCanUseCount, 0);
    EXPECT_FALSE(IsCanTableBound());
    EXPECT_TRUE(IsCanLibraryLoaded());

    // Without a bound table the channel list stays empty: registration fails.
    VtCanApiWrapper late(VtCanApiWrapperSettings("127.0.0.1", "CAN1", false, 0, 500000, false, false));
    EXPECT_EQ(late.GetCanChannelCount(), 0u);
    EXPECT_EQ(late.Initialize(nullptr).errorCode, 10);
    EXPECT_TRUE(IsCanTableBound());
    VtCanApiWrapper again(VtCanApiWrapperSettings("127.0.0.1", "CAN1", false, 0, 500000, false, false));
    EXPECT_EQ(again.Initialize(nullptr).errorCode, 0);
}

TEST_F(BusLibraries, PretraxIsFoundBesideTheLoadingCode)
{
    boost::system::error_code ec;
    const auto self = boost::dll::program_location(ec);
    ASSERT_FALSE(ec);
    EXPECT_EQ(boost::filesystem::canonical(PtxLibraryPath()),
              boost::filesystem::canonical(self.parent_path() / "bin" / "libPretrax.so"));
    ASSERT_EQ(LoadPtxLibrary(), 0);
    EXPECT_TRUE(IsPtxTableBound());
    PTXHandle handle = nullptr;
    ASSERT_EQ(vtPtxApi.PTX_CreateHandle(&handle, 1, 16, PRETRAX_GENERIC), PRETRAX_NO_ERROR);
    EXPECT_EQ(vtPtxApi.PTX_DestroyHandle(&handle), PRETRAX_NO_ERROR);

    AcquirePtxBinding();
    AcquirePtxBinding();
    ReleasePtxBinding();
    EXPECT_TRUE(IsPtxLibraryLoaded());
    ReleasePtxBinding();
    EXPECT_FALSE(IsPtxLibraryLoaded());
    EXPECT_FALSE(IsPtxTableBound());
    EXPECT_EQ(vtPtxUseCount, 0);
}

}
