// Receive notification and timed replay: both involve the simulator's own
// threads or threads of the caller.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "vtsim_test_support.h"

using namespace vtsim_test;

namespace {

constexpr uint64_t kMs = 1000000;  // ticks at the default resolution of 1 GHz

using CanNotify = CanSimTest;

TEST_F(CanNotify, WaiterThatTestsAndClearsTheFlagNeverMissesANotification) {
  const VTTCanHandle tx = Open("CAN1");
  const VTTCanHandle rx = Open("CAN2");
  EventHandle event;
  VTEventHandleInit(&event);
  ASSERT_EQ(VTCAN_SetEventNotification(rx, &event, 1), 0);

  constexpr int kRounds = 500;
  std::atomic<int> received{0};
  std::atomic<int> timeouts{0};
  std::thread waiter([&] {
    while (received.load() < kRounds) {
      if (!VTEventHandleWaitAndClear(&event, 10000000)) {
        ++timeouts;
        return;
      }
      VTSCanMessage out[8];
      uint32_t count = 8;
      if (VTCAN_ReadReceiveQueue(rx, &count, out) != 0) return;
      received += static_cast<int>(count);
    }
  });
  // One frame at a time, each sent only once the previous one is read: the
  // notification then races with the waiter's read-then-wait.
  for (int i = 0; i < kRounds && timeouts.load() == 0; ++i) {
    const VTSCanMessage m = CanMsg(static_cast<uint32_t>(i & 0x7FF), 1);
    ASSERT_EQ(VTCAN_TransmitMessages(tx, 1, &m), 0);
    ASSERT_TRUE(WaitFor([&] { return received.load() > i || timeouts.load() > 0; }));
  }
  waiter.join();
  EXPECT_EQ(timeouts.load(), 0);
  EXPECT_EQ(received.load(), kRounds);
  ASSERT_EQ(VTCAN_SetEventNotification(rx, nullptr, 1), 0);
  VTEventHandleDestroy(&event);
}

TEST_F(CanNotify, MessagesWaitingBeforeRegistrationAreAnnounced) {
  const VTTCanHandle tx = Open("CAN1");
  const VTTCanHandle rx = Open("CAN2");
  const VTSCanMessage m = CanMsg(0x42, 1);
  ASSERT_EQ(VTCAN_TransmitMessages(tx, 1, &m), 0);
  EventHandle event;
  VTEventHandleInit(&event);
  ASSERT_EQ(VTCAN_SetEventNotification(rx, &event, 1), 0);
  EXPECT_TRUE(VTEventHandleWaitAndClear(&event, 1000));
  EXPECT_FALSE(VTEventHandleWaitAndClear(&event, 1000)) << "the flag is cleared by the waiter";
  ASSERT_EQ(VTCAN_SetEventNotification(rx, nullptr, 1), 0);
  VTEventHandleDestroy(&event);
}

class CanReplay : public CanSimTest {
 protected:
  // Appends one replay record for a frame at timestamp ts (ticks).
  static void AddRecord(std::vector<uint8_t>* stream, uint64_t ts, uint32_t id, uint16_t dlc, uint32_t flags = 0) {
    alignas(8) uint8_t record[128] = {};
    uint32_t size = 0;
    ASSERT_EQ(VTCAN_ReplayInitHeader(reinterpret_cast<VTSCanReplayData*>(record), false, dlc, &size), 0);
    VTSCanReplayData head;
    std::memcpy(&head, record, sizeof head);
    head.tHeader.ui64Timestamp = ts;
    head.tMsgHeader.tMessageType = VTCAN_MESSAGE_TYPE_DATA;
    head.tMsgHeader.ulCanId = id;
    head.tMsgHeader.tMsgFormat = VTCAN_IDENTIFIER_TYPE_STD;
    head.tMsgHeader.ulFlags = flags;
    std::memcpy(record, &head, sizeof head);
    for (uint32_t i = 0; i < size - 56; ++i) record[56 + i] = static_cast<uint8_t>(id + i);
    stream->insert(stream->end(), record, record + size);
  }

  static void AddEnd(std::vector<uint8_t>* stream) {
    alignas(8) uint8_t record[64];
    uint32_t size = 0;
    ASSERT_EQ(VTCAN_ReplayInitHeader(reinterpret_cast<VTSCanReplayData*>(record), true, 0, &size), 0);
    stream->insert(stream->end(), record, record + size);
  }

  static VTSCanReplayStatusInfo Status(VTTCanHandle h) {
    VTSCanReplayStatusInfo info{};
    EXPECT_EQ(VTCAN_GetReplayStateInfo(h, &info), 0);
    return info;
  }

  static uint32_t StreamAll(VTTCanHandle h, const std::vector<uint8_t>& data) {
    uint32_t bytes = static_cast<uint32_t>(data.size());
    EXPECT_EQ(VTCAN_ReplayStreamData(h, &bytes, data.data()), 0);
    return bytes;
  }
};

TEST_F(CanReplay, FramesAppearAtStartPlusTheirOffsetInOrderThenTheStreamEnds) {
  const VTTCanHandle replay = Open("CAN3", false, 64, true, true);
  const VTTCanHandle rx = Open("CAN4");
  const VTTCanHandle otherBus = Open("CAN1");
  EXPECT_EQ(Status(replay).tReplayState, VTCAN_REPLAY_STATE_UNKNOWN);

  const uint64_t first = 5000 * kMs;  // timestamps of the recording
  const uint64_t offsets[] = {0, 10 * kMs, 20 * kMs, 20 * kMs, 45 * kMs};
  std::vector<uint8_t> stream;
  for (std::size_t i = 0; i < std::size(offsets); ++i)
    AddRecord(&stream, first + offsets[i], static_cast<uint32_t>(0x100 + i), static_cast<uint16_t>(i + 1));
  AddEnd(&stream);
  ASSERT_EQ(StreamAll(replay, stream), stream.size());

  const uint64_t start = Now(replay) + 200 * kMs;
  ASSERT_EQ(VTCAN_SetReplayStartTime(replay, start, first, VTCAN_REPLAY_OPTION_NONE, 0), 0);
  EXPECT_EQ(Status(replay).tReplayState, VTCAN_REPLAY_STATE_SCHEDULED);
  ASSERT_TRUE(WaitFor([&] { return Status(replay).tReplayState == VTCAN_REPLAY_STATE_END; }));
  const uint64_t readAt = Now(rx);

  const auto got = Read(rx);
  ASSERT_EQ(got.size(), std::size(offsets));
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].ulCanIdentifier, 0x100 + i);
    EXPECT_EQ(got[i].usDLC, i + 1);
    EXPECT_EQ(got[i].ucData[0], static_cast<uint8_t>(0x100 + i));
    const int64_t error = static_cast<int64_t>(got[i].ui64Timestamp) - static_cast<int64_t>(start + offsets[i]);
    EXPECT_GE(error, 0) << i;
    EXPECT_LT(error, static_cast<int64_t>(kMs)) << i;
    if (i > 0) {
      EXPECT_GT(got[i].ui64Timestamp, got[i - 1].ui64Timestamp);
    }
    EXPECT_LE(got[i].ui64Timestamp, readAt) << "never delivered ahead of its time";
  }
  EXPECT_TRUE(Read(otherBus).empty());
  const VTSCanReplayStatusInfo info = Status(replay);
  EXPECT_EQ(info.ui64SentFrames, std::size(offsets));
  EXPECT_EQ(info.ui64Dropped, 0u);
  EXPECT_EQ(info.ui64Timestamp, got.back().ui64Timestamp);
  EXPECT_EQ(info.ulValidInfoFlags, VTBUSAPI_REPLAY_INFO_ALL);
}

TEST_F(CanReplay, StartOptionsAndStopTime) {
  const VTTCanHandle replay = Open("CAN3", false, 64, true);
  const VTTCanHandle rx = Open("CAN4");
  const uint64_t first = 1000 * kMs;
  std::vector<uint8_t> stream;
  AddRecord(&stream, first, 0x1, 1);
  AddRecord(&stream, first + 30 * kMs, 0x2, 1);
  AddRecord(&stream, first + 5000 * kMs, 0x3, 1);  // after the stop time
  AddRecord(&stream, first - kMs, 0x4, 1);          // before the replay window: dropped, in order
  ASSERT_EQ(StreamAll(replay, stream), stream.size());

  // The offset alone schedules nothing.
  ASSERT_EQ(VTCAN_SetReplayStartTime(replay, 0, first, VTCAN_REPLAY_OPTION_APPLY_OFFSET_ONLY, 0), 0);
  EXPECT_EQ(Status(replay).tReplayState, VTCAN_REPLAY_STATE_UNKNOWN);

  const uint64_t start = Now(replay) + 50 * kMs;
  ASSERT_EQ(VTCAN_SetReplayStartTime(replay, start, first, VTCAN_REPLAY_OPTION_NONE, 0), 0);
  ASSERT_EQ(VTCAN_SetReplayStopTime(replay, start + 300 * kMs), 0);
  ASSERT_TRUE(WaitFor([&] { return Status(replay).tReplayState == VTCAN_REPLAY_STATE_STARTED; }));
  EXPECT_EQ(VTCAN_SetReplayStartTime(replay, start, first, VTCAN_REPLAY_OPTION_NONE, 0),
            VTCAN_ERR_REPLAY_ALREADY_STARTED);
  EXPECT_EQ(VTCAN_SetReplayStartTime(replay, start, first, VTCAN_REPLAY_OPTION_FORCE_APPLY, 0), 0);

  ASSERT_TRUE(WaitFor([&] { return Status(replay).tReplayState == VTCAN_REPLAY_STATE_STOP; }));
  const auto got = Read(rx);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].ulCanIdentifier, 0x1u);
  EXPECT_EQ(got[1].ulCanIdentifier, 0x2u);
  const VTSCanReplayStatusInfo info = Status(replay);
  EXPECT_EQ(info.ui64SentFrames, 2u);
  EXPECT_EQ(info.ui64Dropped, 2u);
  EXPECT_GE(Now(replay), start + 300 * kMs);

  // A stopped replay takes data and discards it.
  EXPECT_EQ(StreamAll(replay, stream), stream.size());
  EXPECT_EQ(Status(replay).ui64Dropped, 6u);
}

TEST_F(CanReplay, FullBufferAcceptsAPrefixOfWholeRecords) {
  const VTTCanHandle replay = Open("CAN1", false, 64, true);
  std::vector<uint8_t> stream;
  for (int i = 0; i < 5000; ++i) AddRecord(&stream, 7 * kMs, static_cast<uint32_t>(i & 0x7FF), 8);
  const uint32_t capacity = 256 * 1024;

  uint32_t accepted = StreamAll(replay, stream);
  EXPECT_EQ(accepted, capacity) << "4096 records of 64 bytes fill the buffer";
  EXPECT_EQ(accepted % 64, 0u);
  std::vector<uint8_t> rest(stream.begin() + accepted, stream.end());
  EXPECT_EQ(StreamAll(replay, rest), 0u);

  // An incomplete record at the end is left to the caller.
  ASSERT_EQ(VTSIM_CanReset(), 0);
  const VTTCanHandle again = Open("CAN1", false, 64, true);
  std::vector<uint8_t> cut(stream.begin(), stream.begin() + 100);
  EXPECT_EQ(StreamAll(again, cut), 64u);

  // Once the replay drains the buffer, the rest goes in.
  Open("CAN2", false, 65536);
  rest.assign(stream.begin(), stream.end());
  uint32_t total = StreamAll(again, rest);
  ASSERT_EQ(VTCAN_SetReplayStartTime(again, 0, 7 * kMs, VTCAN_REPLAY_OPTION_NONE, 0), 0);
  ASSERT_TRUE(WaitFor([&] {
    std::vector<uint8_t> tail(rest.begin() + total, rest.end());
    if (!tail.empty()) total += StreamAll(again, tail);
    return total == rest.size() && Status(again).ui64SentFrames == 5001;
  }));
  EXPECT_EQ(Stats("CAN2").rxQueued, 5001u);
}

TEST_F(CanReplay, MalformedRecordsAreRefusedOrCountedAsErrorData) {
  const VTTCanHandle replay = Open("CAN3", false, 64, true);
  Open("CAN4");
  std::vector<uint8_t> garbage(64, 0);  // length field 0: not a record
  uint32_t bytes = static_cast<uint32_t>(garbage.size());
  EXPECT_EQ(VTCAN_ReplayStreamData(replay, &bytes, garbage.data()), VTCAN_ERR_INVALID_REPLAY_RECORD);
  EXPECT_EQ(bytes, 0u);

  std::vector<uint8_t> stream;
  AddRecord(&stream, 0, 0x800, 1);                      // identifier beyond 11 bits
  AddRecord(&stream, 0, 0x10, 9, VTCAN_MSG_FLAG_FD);    // FD frame on a classic channel
  AddRecord(&stream, 0, 0x11, 2);
  AddEnd(&stream);
  ASSERT_EQ(StreamAll(replay, stream), stream.size());
  ASSERT_EQ(VTCAN_SetReplayStartTime(replay, 0, 0, VTCAN_REPLAY_OPTION_NONE, 0), 0);
  ASSERT_TRUE(WaitFor([&] { return Status(replay).tReplayState == VTCAN_REPLAY_STATE_END; }));
  EXPECT_EQ(Status(replay).ui64ErrorData, 2u);
  EXPECT_EQ(Status(replay).ui64SentFrames, 1u);
}

TEST_F(CanReplay, FlushDropsPendingRecords) {
  const VTTCanHandle replay = Open("CAN3", false, 64, true);
  std::vector<uint8_t> stream;
  AddRecord(&stream, 0, 0x1, 1);
  ASSERT_EQ(StreamAll(replay, stream), stream.size());
  ASSERT_EQ(VTCAN_SetReplayStartTime(replay, Now(replay) + 10000 * kMs, 0, VTCAN_REPLAY_OPTION_NONE, 0), 0);
  ASSERT_EQ(VTCAN_FlushTransmitQueue(replay), 0);
  const VTSCanReplayStatusInfo info = Status(replay);
  EXPECT_EQ(info.tReplayState, VTCAN_REPLAY_STATE_FLUSH);
  EXPECT_EQ(info.ui64Dropped, 1u);
  EXPECT_EQ(Stats("CAN3").replayPendingBytes, 0u);
}

class EthReplay : public EthSimTest {
 protected:
  static void AddRecord(std::vector<uint8_t>* stream, uint64_t ts, const Frame& frame) {
    std::vector<uint8_t> record(56 + frame.data.size());
    uint32_t size = 0;
    ASSERT_EQ(VTETH_ReplayInitHeader(reinterpret_cast<VTSEthReplayData*>(record.data()), false,
                                     static_cast<uint16_t>(frame.data.size()), &size),
              0);
    VTSEthReplayData head;
    std::memcpy(&head, record.data(), sizeof head);
    head.tHeader.ui64Timestamp = ts;
    std::memcpy(record.data(), &head, 48);
    std::memcpy(record.data() + 48, frame.data.data(), frame.data.size());
    stream->insert(stream->end(), record.begin(), record.begin() + size);
  }

  static VTSEthReplayStatusInfo Status(VTTEthHandle h) {
    VTSEthReplayStatusInfo info{};
    EXPECT_EQ(VTETH_GetReplayStateInfo(h, &info), 0);
    return info;
  }
};

TEST_F(EthReplay, FramesAppearAtStartPlusTheirOffsetThenTheStreamEnds) {
  const VTTEthHandle replay = Open("ETH3", true, true);
  const VTTEthHandle rx = Open("ETH4");
  const VTTEthHandle otherSegment = Open("ETH1");
  const uint64_t first = 777 * kMs;
  const uint64_t offsets[] = {0, 15 * kMs, 40 * kMs};
  const Frame frames[] = {EthFrame(60, 0x0800, false, 1), EthFrame(61, 0x86DD, false, 2),
                          EthFrame(1514, 0x0800, false, 3)};
  std::vector<uint8_t> stream;
  for (std::size_t i = 0; i < std::size(frames); ++i) AddRecord(&stream, first + offsets[i], frames[i]);
  uint8_t end[56];
  uint32_t endSize = 0;
  ASSERT_EQ(VTETH_ReplayInitHeader(reinterpret_cast<VTSEthReplayData*>(end), true, 0, &endSize), 0);
  stream.insert(stream.end(), end, end + endSize);

  uint32_t bytes = static_cast<uint32_t>(stream.size());
  ASSERT_EQ(VTETH_ReplayStreamData(replay, &bytes, stream.data()), 0);
  ASSERT_EQ(bytes, stream.size());
  const uint64_t start = Now(replay) + 100 * kMs;
  ASSERT_EQ(VTETH_SetReplayStartTime(replay, start, first, VTETH_REPLAY_OPTION_NONE, 0), 0);
  ASSERT_TRUE(WaitFor([&] { return Status(replay).tReplayState == VTETH_REPLAY_STATE_END; }));

  const auto got = Read(rx);
  ASSERT_EQ(got.size(), std::size(frames));
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].header.tFrameType, VTETH_FRAME_TYPE_ETHERNET_FRAME_WITHOUT_FCS);
    EXPECT_EQ(got[i].data, frames[i].data) << i;
    const int64_t error =
        static_cast<int64_t>(got[i].header.ui64Timestamp) - static_cast<int64_t>(start + offsets[i]);
    EXPECT_GE(error, 0) << i;
    EXPECT_LT(error, static_cast<int64_t>(kMs)) << i;
  }
  EXPECT_TRUE(Read(otherSegment).empty());
  EXPECT_EQ(Status(replay).ui64SentFrames, 3u);
}

}  // namespace
