// The replay transmit buffer and replay timing on a simulated replay channel.
#include <cstring>

#include "bus/vt_can_api_wrapper.h"
#include "bus_test_support.h"

namespace {

class CanReplay : public BusTest {
protected:
    static VtCanApiWrapperSettings ReplaySettings(const char* channel)
    {
        return VtCanApiWrapperSettings("127.0.0.1", channel, true, 500000, 2000000, false, true);
    }
    static ORDACANFrame Classic(std::uint32_t id, ORDATimestamp ts)
    {
        ORDACANFrame f{};
        f.SetStandardId(id);
        f.SetDataLength(8);
        for (int i = 0; i < 8; ++i) f.data[i] = static_cast<std::uint8_t>(id + i);
        f.ts = ts;
        return f;
    }
    static ORDACANFDFrame Fd(std::uint32_t id)
    {
        ORDACANFDFrame f{};
        f.SetExtendedId(id);
        f.SetDataLength(64);
        return f;
    }
};

TEST_F(CanReplay, RecordsAreLaidOutForTheLibrary)
{
    VtCanApiWrapper w(ReplaySettings("CAN3"));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    ORDACANUniFrame uni;
    uni.Reset();
    uni.SetExtendedId(0x1234);
    uni.SetFD(true);
    uni.SetFlag<ORDACANUniFrame::Flag_BRS>(true);
    uni.SetDataLength(12);
    uni.data[11] = 0x42;
    uni.ts = 250;
    ASSERT_EQ(w.CopyFrame2(uni).errorCode, 0);
    ASSERT_EQ(w.GetTxBufferSize(), 72u);  // 56-byte head, 12 bytes padded to 16
    // Read back the record in place through a second header call's view.
    VTSCanReplayData* next = w.InsertMessageHeader(false, 0);
    ASSERT_NE(next, nullptr);
    const auto* first = reinterpret_cast<const VTSCanReplayData*>(reinterpret_cast<const std::uint8_t*>(next) - 72);
    EXPECT_EQ(first->tMsgHeader.ulCanId, 0x1234u);
    EXPECT_EQ(first->tMsgHeader.tMsgFormat, VTCAN_IDENTIFIER_TYPE_XTD);
    EXPECT_EQ(first->tMsgHeader.ulFlags, 3u);
    EXPECT_EQ(first->tMsgHeader.usDLC, 9);
    EXPECT_EQ(first->tMsgHeader.tMessageType, VTCAN_MESSAGE_TYPE_DATA);
    EXPECT_EQ(first->tHeader.ui64Timestamp, 250u * VtCanApiWrapper::GetTimeConvCoefficient());
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(first)[56 + 11], 0x42);
}

// With fewer than 64 bytes free the buffer streams before it writes a head;
// a record larger than the free room streams before it is placed.
TEST_F(CanReplay, SixtyFourByteRule)
{
    VtCanApiWrapper w(ReplaySettings("CAN3"));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    for (int i = 0; i < 546; ++i) ASSERT_EQ(w.CopyFrame2(Fd(0x100)).errorCode, 0);
    ASSERT_EQ(w.GetTxBufferSize(), 546u * 120);  // 16 bytes free
    EXPECT_EQ(sim().Stats("CAN3").replayPendingBytes, 0u);
    ASSERT_EQ(w.CopyFrame2(Classic(0x1, 0)).errorCode, 0);
    EXPECT_EQ(sim().Stats("CAN3").replayPendingBytes, 546u * 120);
    EXPECT_EQ(w.GetTxBufferSize(), 64u);

    ASSERT_EQ(w.TransmitMessagesPushing(false).errorCode, 0);
    for (int i = 0; i < 1023; ++i) ASSERT_EQ(w.CopyFrame2(Classic(0x2, 0)).errorCode, 0);
    ASSERT_EQ(w.GetTxBufferSize(), 65536u - 64);  // room for a head, not for an FD record
    const auto pending = sim().Stats("CAN3").replayPendingBytes;
    ASSERT_EQ(w.CopyFrame2(Fd(0x3)).errorCode, 0);
    EXPECT_EQ(sim().Stats("CAN3").replayPendingBytes, pending + 65536 - 64);
    EXPECT_EQ(w.GetTxBufferSize(), 120u);
    EXPECT_TRUE(w.IsTransmitFramesAllowed());
}

TEST_F(CanReplay, PartialAcceptanceKeepsTheTail)
{
    UseTopology(R"({"can": {"channels": [
        {"id": "R1", "interface": "VT6104A", "serial": "1", "bus": "b", "replayBufferSize": 256},
        {"id": "R2", "interface": "VT6104A", "serial": "1", "bus": "b"}]}})");
    VtCanApiWrapper w(ReplaySettings("R1"));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(w.CopyFrame2(Classic(0x10 + i, i * 10)).errorCode, 0);
    ASSERT_EQ(w.TransmitMessagesPushing(false).errorCode, 0);
    EXPECT_FALSE(w.IsTransmitFramesAllowed());
    EXPECT_EQ(w.GetTxBufferSize(), 128u);
    EXPECT_EQ(sim().Stats("R1").replayPendingBytes, 256u);

    std::uint64_t now = 0;
    ASSERT_EQ(w.GetHardwareTime(&now).errorCode, 0);
    ASSERT_EQ(w.SetReplayStartTime(now, 0).errorCode, 0);
    // The device drains as the replay runs; the tail, now at the front, follows.
    ASSERT_TRUE(WaitFor([&] {
        EXPECT_EQ(w.TransmitMessagesPushing(false).errorCode, 0);
        return w.IsTransmitFramesAllowed();
    }));
    EXPECT_EQ(w.GetTxBufferSize(), 0u);
    ASSERT_TRUE(WaitFor([&] { return sim().Stats("R1").txFrames == 6; }));
}

TEST_F(CanReplay, BufferGivesUpWhenTheOwnerIsDying)
{
    UseTopology(R"({"can": {"channels": [
        {"id": "R1", "interface": "VT6104A", "serial": "1", "bus": "b", "replayBufferSize": 64}]}})");
    VtCanApiWrapper w(ReplaySettings("R1"));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    int asked = 0;
    w.SetOwnerDyingCallback([&] { return ++asked >= 3; });
    // The replay never starts: the device keeps one record and takes no more.
    VtBusError e;
    int inserted = 0;
    while ((e = w.CopyFrame2(Classic(0x1, 0))).errorCode == 0) ASSERT_LT(++inserted, 2000);
    EXPECT_EQ(inserted, 1025);  // the device took one record
    EXPECT_EQ(e.errorCode, VtBusError::OwnerDying);
    EXPECT_EQ(e.functionName, "InsertMessageHeader");
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(sim().Stats("R1").replayPendingBytes, 64u);
}

TEST_F(CanReplay, FailingStreamCallEndsTheInsert)
{
    VtCanApiWrapper w(ReplaySettings("CAN3"));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(w.CopyFrame2(Classic(0x1, 0)).errorCode, 0);
    ASSERT_EQ(sim().VTSIM_CanForceFailure("VTCAN_ReplayStreamData", VTCAN_ERR_INVALID_REPLAY_RECORD, 1), 0);
    const VtBusError e = w.CopyFrame2(Classic(0x1, 0));
    EXPECT_EQ(e.errorCode, VTCAN_ERR_INVALID_REPLAY_RECORD);
    EXPECT_EQ(e.functionName, "VTCAN_ReplayStreamData");
    EXPECT_EQ(w.GetTxBufferSize(), 65536u);  // nothing lost
    EXPECT_EQ(w.CopyFrame2(Classic(0x1, 0)).errorCode, 0);
}

// Frames streamed with start time S and first timestamp F appear on the other
// channel of the bus at S + (t - F) in hardware time, in order; the
// end-of-stream record ends the replay.
TEST_F(CanReplay, FramesAppearAtTheirReplayTimes)
{
    VtCanApiWrapper replay(ReplaySettings("CAN3"));
    VtCanApiWrapperSettings rxSettings("127.0.0.1", "CAN4", true, 500000, 2000000, false, false);
    VtCanApiWrapper rx(rxSettings);
    ASSERT_EQ(replay.Initialize(nullptr).errorCode, 0);
    ASSERT_EQ(rx.Initialize(nullptr).errorCode, 0);

    const ORDATimestamp first = 1000000;
    const ORDATimestamp offsets[] = {0, 3000, 3500, 20000, 45000};
    for (std::size_t i = 0; i < std::size(offsets); ++i)
        ASSERT_EQ(replay.CopyFrame2(Classic(static_cast<std::uint32_t>(0x100 + i), first + offsets[i])).errorCode, 0);
    ASSERT_EQ(replay.TransmitMessagesPushing(false).errorCode, 0);
    std::uint64_t now = 0;
    ASSERT_EQ(replay.GetHardwareTime(&now).errorCode, 0);
    const std::uint64_t start = now + 100000;
    ASSERT_EQ(replay.SetReplayStartTime(start, first).errorCode, 0);
    ASSERT_EQ(replay.TransmitMessagesPushing(true).errorCode, 0);

    std::vector<ORDACANFrame> received;
    ASSERT_TRUE(WaitFor([&] {
        const std::uint32_t n = rx.ReadReceiveQueue();
        for (std::uint32_t i = 0; i < n; ++i) {
            ORDACANFrame f{};
            VtCanApiWrapper::CopyFrameMon(f, rx.GetCanChannelMsgBuffer()[i], 0);
            received.push_back(f);
        }
        return received.size() >= std::size(offsets);
    }));
    ASSERT_EQ(received.size(), std::size(offsets));
    for (std::size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].GetId(), 0x100 + i);
        EXPECT_EQ(received[i].data[1], static_cast<std::uint8_t>(0x100 + i + 1));
        EXPECT_NEAR(static_cast<double>(received[i].ts), static_cast<double>(start + offsets[i]), 1000.0) << i;
    }
    VtBusReplayStateInfo info;
    ASSERT_TRUE(WaitFor([&] {
        EXPECT_EQ(replay.GetReplayStateInfo(&info).errorCode, 0);
        return info.tReplayState == VTCAN_REPLAY_STATE_END;
    }));
    EXPECT_EQ(info.ui64SentFrames, std::size(offsets));
    EXPECT_EQ(info.ui64Dropped, 0u);
}

TEST_F(CanReplay, StopTimeAndLogStartTime)
{
    VtCanApiWrapper replay(ReplaySettings("CAN3"));
    ASSERT_EQ(replay.Initialize(nullptr).errorCode, 0);
    const VtBusError offset = replay.SetLogStartTime(1234);
    EXPECT_EQ(offset.errorCode, 0);
    EXPECT_EQ(replay.GetLogStartTime(), 1234);
    ASSERT_EQ(sim().VTSIM_CanForceFailure("VTCAN_SetReplayStartTime", -1, 1), 0);
    EXPECT_EQ(replay.SetLogStartTime(5).severity, VtBusErrorSeverity::Warning);
    ASSERT_EQ(sim().VTSIM_CanForceFailure("VTCAN_SetReplayStartTime", 3, 1), 0);
    EXPECT_EQ(replay.SetLogStartTime(5).severity, VtBusErrorSeverity::Error);

    std::uint64_t now = 0;
    ASSERT_EQ(replay.GetHardwareTime(&now).errorCode, 0);
    ASSERT_EQ(replay.CopyFrame2(Classic(0x1, 0)).errorCode, 0);
    ASSERT_EQ(replay.CopyFrame2(Classic(0x2, 1000000)).errorCode, 0);
    ASSERT_EQ(replay.TransmitMessagesPushing(false).errorCode, 0);
    ASSERT_EQ(replay.SetReplayStartTime(now, 0).errorCode, 0);
    ASSERT_EQ(replay.SetReplayStopTime(now + 500000).errorCode, 0);
    VtBusReplayStateInfo info;
    ASSERT_TRUE(WaitFor([&] {
        EXPECT_EQ(replay.GetReplayStateInfo(&info).errorCode, 0);
        return info.tReplayState == VTCAN_REPLAY_STATE_STOP;
    }));
    EXPECT_EQ(info.ui64SentFrames, 1u);
    EXPECT_EQ(info.ui64Dropped, 1u);
    replay.SetReplayEofTime(77);
    EXPECT_EQ(replay.GetReplayEofTime(), 77u);
}

}
