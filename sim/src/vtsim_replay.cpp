#include "vtsim_replay.h"

#include <algorithm>
#include <cstring>

#include "vtsim_clock.h"

namespace vtsim {
namespace {

uint32_t ReadU32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint64_t ReadU64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

ReplayStream::ReplayStream(uint64_t ticksPerSecond, std::size_t capacityBytes, std::size_t minRecordSize)
    : m_resolution(ticksPerSecond), m_capacity(capacityBytes), m_minRecordSize(minRecordSize) {}

int64_t ReplayStream::ToNs(uint64_t ticks) const { return TicksToNs(ticks, m_resolution); }

int32_t ReplayStream::Stream(const uint8_t* data, uint32_t offered, uint32_t* accepted, int64_t nowNs) {
  *accepted = 0;
  const bool discarding = m_counters.state == ReplayState::Stop || m_counters.state == ReplayState::End;
  uint32_t pos = 0;
  while (offered - pos >= sizeof(VTSCanReplayHeader)) {
    const uint8_t* record = data + pos;
    const uint64_t size = static_cast<uint64_t>(ReadU32(record + offsetof(VTSCanReplayHeader, reserved2))) + 8;
    if (size < m_minRecordSize || size > m_capacity) {
      if (pos == 0) return VTCAN_ERR_INVALID_REPLAY_RECORD;
      break;
    }
    if (size > offered - pos) break;  // an incomplete record is left to the caller
    if (!discarding && m_pendingBytes + size > m_capacity) break;
    if (discarding) {
      ++m_counters.dropped;  // the replay is over: the device takes and discards
    } else {
      ReplayRecord r;
      r.bytes.assign(record, record + size);
      r.timestamp = ReadU64(record + offsetof(VTSCanReplayHeader, ui64Timestamp));
      r.endOfStream =
          ReadU32(record + offsetof(VTSCanReplayHeader, reserved3)) == VTBUSAPI_REPLAY_RECORD_KIND_END_OF_STREAM;
      r.acceptedNs = nowNs;
      m_pendingBytes += size;
      m_pending.push_back(std::move(r));
    }
    pos += static_cast<uint32_t>(size);
  }
  *accepted = pos;
  return 0;
}

int32_t ReplayStream::SetStart(uint64_t startTicks, uint64_t firstTimestamp, uint32_t option, int64_t nowNs) {
  switch (option) {
    case VTCAN_REPLAY_OPTION_APPLY_OFFSET_ONLY:
      m_firstTimestamp = firstTimestamp;
      return 0;
    case VTCAN_REPLAY_OPTION_NONE:
      if (m_counters.state == ReplayState::Started) return VTCAN_ERR_REPLAY_ALREADY_STARTED;
      break;
    case VTCAN_REPLAY_OPTION_FORCE_APPLY:
      break;
    default:
      return VTCAN_ERR_INVALID_PARAMETER;
  }
  m_startSet = true;
  m_startTicks = startTicks;
  m_firstTimestamp = firstTimestamp;
  m_counters.state = nowNs >= ToNs(startTicks) ? ReplayState::Started : ReplayState::Scheduled;
  return 0;
}

void ReplayStream::DropPending() {
  m_counters.dropped += m_pending.size();
  m_pending.clear();
  m_pendingBytes = 0;
}

void ReplayStream::Flush() {
  DropPending();
  if (m_counters.state == ReplayState::Scheduled || m_counters.state == ReplayState::Started) {
    m_counters.state = ReplayState::Flush;
    m_startSet = false;
  }
}

int64_t ReplayStream::RunDue(int64_t nowNs, const Deliver& deliver) {
  ReplayCounters& c = m_counters;
  if (c.state != ReplayState::Scheduled && c.state != ReplayState::Started) return kNever;

  int64_t next = kNever;
  if (m_stopTicks != 0) {
    const int64_t stopNs = ToNs(m_stopTicks);
    if (nowNs >= stopNs) {
      DropPending();
      c.state = ReplayState::Stop;
      return kNever;
    }
    next = stopNs;
  }
  if (c.state == ReplayState::Scheduled) {
    const int64_t startNs = ToNs(m_startTicks);
    if (nowNs < startNs) return std::min(next, startNs);
    c.state = ReplayState::Started;
  }

  while (!m_pending.empty()) {
    ReplayRecord& r = m_pending.front();
    if (r.endOfStream) {
      m_pendingBytes -= r.bytes.size();
      m_pending.pop_front();
      DropPending();  // nothing after the end of the stream is replayed
      c.state = ReplayState::End;
      return kNever;
    }
    DeliveryResult result = DeliveryResult::ErrorData;
    if (r.timestamp < m_firstTimestamp) {
      ++c.dropped;  // before the replay window
    } else {
      const uint64_t dueTicks = m_startTicks + (r.timestamp - m_firstTimestamp);
      if (m_stopTicks != 0 && dueTicks >= m_stopTicks) break;  // dropped when the stop time comes
      const int64_t dueNs = ToNs(dueTicks);
      if (dueNs > nowNs) return std::min(next, dueNs);
      // The device sends at the due time, or as soon as it has the record.
      const uint64_t stamp = std::max(dueTicks, NsToTicks(r.acceptedNs, m_resolution));
      result = deliver(r, stamp);
      switch (result) {
        case DeliveryResult::Sent:
          ++c.sentFrames;
          c.lastTimestamp = stamp;
          break;
        case DeliveryResult::SendFailed:
          ++c.sendFailed;
          break;
        case DeliveryResult::ErrorData:
          ++c.errorData;
          break;
      }
    }
    m_pendingBytes -= r.bytes.size();
    m_pending.pop_front();
  }
  return next;
}

}  // namespace vtsim
