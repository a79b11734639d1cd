// Conversions between the library's messages and the CAN sample records,
// the DLC tables, hardware time and the receive log.
#include <unistd.h>

#include <cstring>
#include <sstream>

#include "bus/vt_can_api_wrapper.h"
#include "bus_test_support.h"

namespace {

class CanConversions : public BusTest {};

TEST_F(CanConversions, DlcTables)
{
    const std::pair<std::uint16_t, int> table[] = {{0, 0},   {1, 1},   {8, 8},   {9, 12},  {10, 16},
                                                   {11, 20}, {12, 24}, {13, 32}, {14, 48}, {15, 64}};
    for (const auto& [dlc, length] : table) {
        EXPECT_EQ(VtCanApiWrapper::FrameDlcToDataLength(dlc), length);
        EXPECT_EQ(VtCanApiWrapper::DataLengthToFrameDlc(static_cast<std::int8_t>(length)), dlc);
    }
    EXPECT_TRUE(CapturedReports().empty());

    EXPECT_EQ(VtCanApiWrapper::FrameDlcToDataLength(16), -1);
    EXPECT_TRUE(ReportedError("Invalid DLC Value [dlc:16]"));
    for (int length : {10, 9, 11, 63, -1}) {
        EXPECT_EQ(VtCanApiWrapper::DataLengthToFrameDlc(static_cast<std::int8_t>(length)), 0xFFFF);
        EXPECT_TRUE(ReportedError("Invalid Data Length [length:" + std::to_string(length) + "]")) << length;
    }
}

TEST_F(CanConversions, ReceivedExtendedFrameKeepsBit29)
{
    VTSCanMessage m = Message(0x1ABCDEF, {1, 2, 3}, VTCAN_IDENTIFIER_TYPE_XTD);
    ORDACANFrame f;
    std::memset(&f, 0xEE, sizeof f);
    VtCanApiWrapper::CopyFrameMon(f, m, 100);
    EXPECT_EQ(f.arbitrationId, 0x1ABCDEFu | 0x20000000u);
    EXPECT_TRUE(f.HasExtendedId());
    EXPECT_FALSE(f.isRemote);
    EXPECT_EQ(f.dataLength, 3);
    EXPECT_EQ(f.data[2], 3);
}

TEST_F(CanConversions, ReceivedBitRateSwitchMarksTheUniversalFrame)
{
    VTSCanMessage m = Message(0x123, {}, VTCAN_IDENTIFIER_TYPE_STD, 15);
    m.ulFlags = 0x200 | 0x100;
    for (int i = 0; i < 64; ++i) m.ucData[i] = static_cast<std::uint8_t>(i);
    ORDACANUniFrame f;
    std::memset(&f, 0, sizeof f);
    VtCanApiWrapper::CopyFrameMon(f, m, 0);
    EXPECT_TRUE(f.HasFlag<ORDACANUniFrame::Flag_BRS>() && f.GetFlag<ORDACANUniFrame::Flag_BRS>());
    EXPECT_TRUE(f.HasFlag<ORDACANUniFrame::Flag_RX>() && f.GetFlag<ORDACANUniFrame::Flag_RX>());
    EXPECT_EQ(f.GetId(), 0x123u);
    EXPECT_FALSE(f.HasExtendedId());
    EXPECT_EQ(f.GetDataLength(), 64u);
    EXPECT_EQ(f.data[63], 63);

    m.ulFlags = 0;
    VtCanApiWrapper::CopyFrameMon(f, m, 0);
    EXPECT_TRUE(f.HasFlag<ORDACANUniFrame::Flag_BRS>());
    EXPECT_FALSE(f.GetFlag<ORDACANUniFrame::Flag_BRS>());
}

// A DLC beyond the table is reported, and the frame gets no bytes at all;
// an FD length on a classic record is cut to the record's eight bytes.
TEST_F(CanConversions, ReceivedLengthNeverExceedsTheRecord)
{
    VTSCanMessage bad = Message(0x1, {}, VTCAN_IDENTIFIER_TYPE_STD, 99);
    ORDACANFDFrame fd;
    std::memset(&fd, 0x5A, sizeof fd);
    VtCanApiWrapper::CopyFrameMon(fd, bad, 0);
    EXPECT_EQ(fd.dataLength, 0);
    EXPECT_TRUE(ReportedError("Invalid DLC Value [dlc:99]"));

    VTSCanMessage longer = Message(0x2, {}, VTCAN_IDENTIFIER_TYPE_STD, 15);
    ORDACANFrame classic;
    std::memset(&classic, 0x5A, sizeof classic);
    VtCanApiWrapper::CopyFrameMon(classic, longer, 0);
    EXPECT_EQ(classic.dataLength, 8);
}

TEST_F(CanConversions, TransmitConversion)
{
    ORDACANFDFrame fd{};
    fd.SetExtendedId(0x1FFFFFFF);
    fd.SetDataLength(48);
    fd.data[47] = 0x99;
    VTSCanMessage m;
    VtCanApiWrapper::CopyFrame(m, fd);
    EXPECT_EQ(m.tMessageType, VTCAN_MESSAGE_TYPE_DATA);
    EXPECT_EQ(m.ulCanIdentifier, 0x1FFFFFFFu);
    EXPECT_EQ(m.tCanIdentifierType, VTCAN_IDENTIFIER_TYPE_XTD);
    EXPECT_EQ(m.ulFlags, 3u);
    EXPECT_EQ(m.usDLC, 14);
    EXPECT_EQ(m.ucData[47], 0x99);
    EXPECT_EQ(m.ui64Timestamp, 0u);

    ORDACANUniFrame uni;
    uni.Reset();
    uni.SetStandardId(0x321);
    uni.SetFD(true);
    uni.SetFlag<ORDACANUniFrame::Flag_BRS>(false);
    uni.SetDataLength(2);
    VtCanApiWrapper::CopyFrame(m, uni);
    EXPECT_EQ(m.ulFlags, 1u);
    EXPECT_EQ(m.tCanIdentifierType, VTCAN_IDENTIFIER_TYPE_STD);
    EXPECT_EQ(m.ulCanIdentifier, 0x321u);
    uni.SetFlag<ORDACANUniFrame::Flag_BRS>(true);
    uni.SetExtendedId(0x10000);
    VtCanApiWrapper::CopyFrame(m, uni);
    EXPECT_EQ(m.ulFlags, 3u);
    EXPECT_EQ(m.tCanIdentifierType, VTCAN_IDENTIFIER_TYPE_XTD);

    ORDACANFrame classic{};
    classic.SetStandardId(0x7);
    classic.SetDataLength(100);  // out of range: reported, and no more than 8 bytes copied
    VtCanApiWrapper::CopyFrame(m, classic);
    EXPECT_EQ(m.ulFlags, 0u);
    EXPECT_EQ(m.usDLC, 0xFFFF);
    EXPECT_TRUE(ReportedError("Invalid Data Length [length:100]"));
}

TEST_F(CanConversions, LogLineFormat)
{
    const std::string dir = ::testing::TempDir();
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    {
        VtCanApiWrapper w(VtCanApiWrapperSettings("127.0.0.1", "CAN1", false, 0, 500000, true, false));
        ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
        VTSCanMessage m[2] = {Message(0x12, {0xAB, 0xCD}), Message(0x456, {1, 2, 3, 4, 5, 6, 7, 8})};
        m[0].ucData[5] = 0x77;  // beyond the DLC, logged all the same
        m[0].ui64Timestamp = 5000000;  // 1 GHz ticks: 5000 us
        m[1].ui64Timestamp = 6000999;
        ASSERT_EQ(sim().VTSIM_CanInjectReceived("CAN1", 2, m), 0);
        ASSERT_EQ(w.ReadReceiveQueue(), 2u);
    }
    std::ifstream log(dir + "CAN1.asc");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_EQ(text.str(),
              "5000 1  018 Rx d 8 2 AB CD 00 00 00 77 00 00\n"
              "6000 1  1110 Rx d 8 8 01 02 03 04 05 06 07 08\n");
    ASSERT_EQ(chdir(previous), 0);
}

// Below one tick per microsecond the integer coefficient would be 0; the
// conversion stays exact, and matches the coefficient where there is one.
TEST_F(CanConversions, AnyTimeResolutionConverts)
{
    UseTopology(R"({"can": {"channels": [
        {"id": "SLOW", "interface": "VT6104A", "serial": "1", "bus": "b", "timeResolution": 32768},
        {"id": "MHZ8", "interface": "VT6104A", "serial": "1", "bus": "b", "timeResolution": 8000000}]}})");
    {
        VtCanApiWrapper w(VtCanApiWrapperSettings("127.0.0.1", "SLOW", false, 0, 500000, false, false));
        ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
        EXPECT_EQ(VtCanApiWrapper::GetTimeConvCoefficient(), 0u);
        EXPECT_EQ(VtCanApiWrapper::TicksToMicroseconds(32768), 1000000u);
        EXPECT_EQ(VtCanApiWrapper::TicksToMicroseconds(16384), 500000u);
        EXPECT_EQ(VtCanApiWrapper::MicrosecondsToTicks(2000000), 65536u);
        std::uint64_t us = 0;
        EXPECT_EQ(w.GetHardwareTime(&us).errorCode, 0);
        EXPECT_GT(us, 0u);
    }
    ASSERT_EQ(LoadCanLibrary(), 0);
    VtCanApiWrapper w(VtCanApiWrapperSettings("127.0.0.1", "MHZ8", false, 0, 500000, false, false));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    EXPECT_EQ(VtCanApiWrapper::GetTimeConvCoefficient(), 8u);
    for (std::uint64_t ticks : {0ull, 7ull, 8ull, 123456789ull, 0xFFFFFFFFFFFFFFFFull})
        EXPECT_EQ(VtCanApiWrapper::TicksToMicroseconds(ticks), ticks / 8);
    EXPECT_EQ(VtCanApiWrapper::MicrosecondsToTicks(1000), 8000u);
}

}
