// A replay stream: records accepted into a bounded buffer and released onto
// the bus at start time + (record timestamp - first timestamp), all in
// hardware ticks of the replay channel. Not locked: the simulator calls it
// under its own mutex.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <vector>

#include "vtbusapi_types.h"

namespace vtsim {

inline constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

struct ReplayRecord {
  std::vector<uint8_t> bytes;  // the whole record, header first
  uint64_t timestamp = 0;
  bool endOfStream = false;
  int64_t acceptedNs = 0;
};

enum class DeliveryResult { Sent, SendFailed, ErrorData };

// The replay states shared by CAN and Ethernet (same values).
enum class ReplayState : uint32_t {
  Unknown = VTCAN_REPLAY_STATE_UNKNOWN,
  Scheduled = VTCAN_REPLAY_STATE_SCHEDULED,
  Started = VTCAN_REPLAY_STATE_STARTED,
  Stop = VTCAN_REPLAY_STATE_STOP,
  End = VTCAN_REPLAY_STATE_END,
  Flush = VTCAN_REPLAY_STATE_FLUSH,
};

struct ReplayCounters {
  ReplayState state = ReplayState::Unknown;
  uint64_t lastTimestamp = 0;
  uint64_t sentFrames = 0;
  uint64_t errorData = 0;
  uint64_t sendFailed = 0;
  uint64_t dropped = 0;
};

class ReplayStream {
 public:
  // minRecordSize: smallest well-formed record of the bus kind.
  ReplayStream(uint64_t ticksPerSecond, std::size_t capacityBytes, std::size_t minRecordSize);

  // Takes the longest prefix of whole records that fits the free space.
  // Returns 0 or the invalid-record code when the first record is malformed.
  int32_t Stream(const uint8_t* data, uint32_t offered, uint32_t* accepted, int64_t nowNs);
  // option: VTCAN_REPLAY_OPTION_* (same values for Ethernet).
  int32_t SetStart(uint64_t startTicks, uint64_t firstTimestamp, uint32_t option, int64_t nowNs);
  void SetStop(uint64_t stopTicks) { m_stopTicks = stopTicks; }
  void Flush();

  using Deliver = std::function<DeliveryResult(const ReplayRecord&, uint64_t stampTicks)>;
  // Releases every record due at nowNs; returns when to call again (ns).
  int64_t RunDue(int64_t nowNs, const Deliver& deliver);

  const ReplayCounters& Counters() const { return m_counters; }
  std::size_t PendingBytes() const { return m_pendingBytes; }
  std::size_t Capacity() const { return m_capacity; }

 private:
  void DropPending();
  int64_t ToNs(uint64_t ticks) const;

  uint64_t m_resolution;
  std::size_t m_capacity;
  std::size_t m_minRecordSize;
  std::deque<ReplayRecord> m_pending;
  std::size_t m_pendingBytes = 0;
  bool m_startSet = false;
  uint64_t m_startTicks = 0;
  uint64_t m_firstTimestamp = 0;
  uint64_t m_stopTicks = 0;  // 0 = none
  ReplayCounters m_counters;
};

}  // namespace vtsim
