// Bus libraries that are absent or lack an entry point; libPretrax absent
// (this executable has no bin/ beside it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "bus/vt_bus_libraries.h"
#include "bus/vt_can_api_wrapper.h"

namespace {

class MissingLibraries : public ::testing::Test {
protected:
    void SetUp() override { m_dir = std::getenv(VtBusApiDirectoryVariable); }
    void TearDown() override { setenv(VtBusApiDirectoryVariable, m_dir.c_str(), 1); }
    void Use(const std::string& dir) { setenv(VtBusApiDirectoryVariable, dir.c_str(), 1); }
    std::string m_dir;
};

TEST_F(MissingLibraries, AbsentCanLibraryIsNotInstalled)
{
    Use(m_dir + "/no-such-directory");
    EXPECT_EQ(LoadCanLibrary(), 1);
    EXPECT_EQ(LoadEthLibrary(), 1);
    EXPECT_FALSE(IsCanTableBound());

    std::vector<VTSCanChannelInfo> list;
    const VtBusError listed = VtCanApiWrapper::RetrieveAvailableChannelsVector("127.0.0.1", false, &list);
    EXPECT_EQ(listed.errorCode, 666);
    EXPECT_EQ(listed.functionName, "LoadCanLibrary");
    EXPECT_STREQ(listed.message, "Veltrac Bus API is not installed!");

    VtCanApiWrapper w(VtCanApiWrapperSettings("127.0.0.1", "CAN1", false, 0, 500000, false, false));
    const VtBusError e = w.Initialize(nullptr);
    EXPECT_EQ(e.errorCode, 666);
    EXPECT_EQ(e.functionName, "LoadCanLibrary");
    EXPECT_EQ(e.severity, VtBusErrorSeverity::Error);
    EXPECT_FALSE(w.GetIsInitialized());
    EXPECT_EQ(w.GetErrorMessage(e), "LoadCanLibrary: Veltrac Bus API is not installed!");
    // Nothing is bound, so nothing may be called.
    std::uint64_t t = 0;
    EXPECT_EQ(w.GetHardwareTime(&t).errorCode, 666);
    EXPECT_FALSE(IsCanTableBound());
    EXPECT_FALSE(IsCanLibraryLoaded());
}

TEST_F(MissingLibraries, LibraryLackingAnEntryPointIsRefusedAsAWhole)
{
    Use(m_dir + "/missing");
    EXPECT_THROW(LoadCanLibrary(), std::exception);
    EXPECT_FALSE(IsCanTableBound());
    EXPECT_EQ(vtCanApi.VTCAN_GetAvailableChannelsCount, nullptr);
    EXPECT_THROW(LoadEthLibrary(), std::exception);
    EXPECT_FALSE(IsEthTableBound());
    // The error reaches whoever initialises.
    VtCanApiWrapper w(VtCanApiWrapperSettings("127.0.0.1", "CAN1", false, 0, 500000, false, false));
    EXPECT_THROW(w.Initialize(nullptr), std::exception);

    // The complete library binds afterwards.
    Use(m_dir);
    EXPECT_EQ(LoadCanLibrary(), 0);
    EXPECT_TRUE(IsCanTableBound());
    UnloadCanLibrary();
}

TEST_F(MissingLibraries, AbsentPretraxIsNotInstalled)
{
    EXPECT_EQ(LoadPtxLibrary(), 1);
    EXPECT_FALSE(IsPtxTableBound());
    ReleasePtxBinding();  // never taken: releases nothing
    EXPECT_EQ(vtPtxUseCount, 0);
}

}
