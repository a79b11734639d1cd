// The simulated CAN / CAN FD bus access library.

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vtbusapi_can.h"
#include "vtsim_bit_timing.h"
#include "vtsim_clock.h"
#include "vtsim_controls.h"
#include "vtsim_faults.h"
#include "vtsim_replay.h"
#include "vtsim_ring_buffer.h"
#include "vtsim_scheduler.h"
#include "vtsim_text.h"
#include "vtsim_topology.h"

namespace vtsim {
namespace {

constexpr std::size_t kTxLogLimit = 65536;
constexpr uint32_t kClassicClockHz = 8000000;
constexpr uint32_t kFdClockHz = 80000000;

uint32_t DlcToLength(uint16_t dlc, bool fd) {
  static constexpr uint8_t kFdLengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
  if (dlc > 15) return 0;
  if (!fd) return std::min<uint32_t>(dlc, 8);
  return kFdLengths[dlc];
}

struct CanChannel {
  explicit CanChannel(const CanChannelConfig& config) : cfg(config) {}

  CanChannelConfig cfg;
  VTTCanHandle handle = VTCAN_INVALID_HANDLE;
  bool replay = false;
  bool highSpeed = false;
  bool initialized = false;
  bool active = false;
  bool canFd = false;
  VTECanIdentifierType idType = VTCAN_IDENTIFIER_TYPE_STD_XTD;
  uint32_t clock = 0;
  VTSCanBitTimingParameters nominal{};
  VTSCanBitTimingParameters data{};
  uint32_t stdCode = 0, stdMask = 0, extCode = 0, extMask = 0;
  EventHandle* event = nullptr;
  uint32_t eventCount = 1;
  bool notifyPending = false;
  RingBuffer<VTSCanMessage> rx;
  uint64_t lastRxTicks = 0;
  uint64_t rxOverflow = 0;
  uint64_t lostSinceReport = 0;
  uint64_t rxFiltered = 0;
  uint64_t txFrames = 0;
  std::deque<VTSCanMessage> txLog;
  int32_t vendorCode = 0;
  std::string vendorText;
  std::unique_ptr<ReplayStream> stream;

  bool Registered() const { return handle != VTCAN_INVALID_HANDLE; }
  bool IsVirtual() const { return cfg.interfaceName == "Virtual"; }
  void Unregister() { *this = CanChannel(cfg); }

  // As the controller's acceptance filter and mode decide.
  bool Accepts(const VTSCanMessage& m) const {
    if (m.tMessageType != VTCAN_MESSAGE_TYPE_DATA && m.tMessageType != VTCAN_MESSAGE_TYPE_REMOTE) return true;
    // A classic controller cannot take FD frames.
    if ((m.ulFlags & (VTCAN_MSG_FLAG_FD | VTCAN_MSG_FLAG_RX_FD)) && !canFd) return false;
    if (m.tCanIdentifierType == VTCAN_IDENTIFIER_TYPE_XTD) {
      if (idType == VTCAN_IDENTIFIER_TYPE_STD) return false;
      return ((m.ulCanIdentifier ^ extCode) & extMask) == 0;
    }
    if (idType == VTCAN_IDENTIFIER_TYPE_XTD) return false;
    return ((m.ulCanIdentifier ^ stdCode) & stdMask) == 0;
  }

  // Puts a message into the receive queue; stamps it when stampNs >= 0.
  void Receive(VTSCanMessage m, int64_t stampNs) {
    if (!Accepts(m)) {
      ++rxFiltered;
      return;
    }
    if (stampNs >= 0) {
      // Timestamps of one channel never go backwards.
      m.ui64Timestamp = std::max(NsToTicks(stampNs, cfg.timeResolution), lastRxTicks + 1);
      lastRxTicks = m.ui64Timestamp;
    }
    if (!rx.Push(m)) {
      ++rxOverflow;
      ++lostSinceReport;
      return;
    }
    notifyPending = true;
  }

  void Notify() {
    if (notifyPending && event != nullptr && rx.Size() >= eventCount) VTEventHandleSignal(event);
    notifyPending = false;
  }
};

bool ValidMessage(const VTSCanMessage& m, bool channelFd) {
  if (m.tMessageType != VTCAN_MESSAGE_TYPE_DATA && m.tMessageType != VTCAN_MESSAGE_TYPE_REMOTE) return false;
  if (m.tCanIdentifierType == VTCAN_IDENTIFIER_TYPE_STD) {
    if (m.ulCanIdentifier > 0x7FF) return false;
  } else if (m.tCanIdentifierType == VTCAN_IDENTIFIER_TYPE_XTD) {
    if (m.ulCanIdentifier > 0x1FFFFFFF) return false;
  } else {
    return false;
  }
  if (m.usDLC > 15) return false;
  if (m.ulFlags & VTCAN_MSG_FLAG_FD) {
    if (!channelFd || m.tMessageType == VTCAN_MESSAGE_TYPE_REMOTE) return false;
  }
  return true;
}

class CanSimulator {
 public:
  static CanSimulator& Instance() {
    static CanSimulator simulator;
    return simulator;
  }

  CanSimulator() { Load(); }
  ~CanSimulator() { scheduler.Stop(); }

  void Load() {
    Topology topology;
    configError.clear();
    configOk = LoadTopology(&topology, &configError);
    channels.clear();
    if (configOk)
      for (const auto& c : topology.canChannels) channels.emplace_back(c);
  }

  CanChannel* ByHandle(VTTCanHandle h) {
    if (h == VTCAN_INVALID_HANDLE) return nullptr;
    for (auto& c : channels)
      if (c.handle == h) return &c;
    return nullptr;
  }

  CanChannel* ById(const char* id) {
    if (id == nullptr) return nullptr;
    for (auto& c : channels)
      if (c.cfg.channelIdentifier == id) return &c;
    return nullptr;
  }

  int32_t Match(uint32_t nAttr, const VTSCanChannelsSearchAttribute* attrs, std::vector<CanChannel*>* out) {
    if (!configOk) return VTCAN_ERR_CONFIGURATION;
    if (nAttr > 0 && attrs == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
    std::vector<std::string> hosts;
    if (!ReadSearchHosts(nAttr, attrs, VTCAN_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS, &hosts))
      return VTCAN_ERR_INVALID_PARAMETER;
    for (auto& c : channels) {
      if (MatchesHosts(hosts, c.cfg.host)) out->push_back(&c);
    }
    return 0;
  }

  // A message put on the sender's bus at stampNs.
  void Send(CanChannel& sender, const VTSCanMessage& m, int64_t stampNs) {
    VTSCanMessage onBus = m;
    onBus.ulFlags = 0;
    if (m.ulFlags & VTCAN_MSG_FLAG_FD) {
      onBus.ulFlags |= VTCAN_MSG_FLAG_RX_FD;
      if (m.ulFlags & VTCAN_MSG_FLAG_BRS) onBus.ulFlags |= VTCAN_MSG_FLAG_RX_BRS;
    }
    for (auto& r : channels) {
      if (&r == &sender || !r.active || r.cfg.bus != sender.cfg.bus) continue;
      r.Receive(onBus, stampNs);
    }
    ++sender.txFrames;
    VTSCanMessage logged = m;
    logged.ui64Timestamp = NsToTicks(stampNs, sender.cfg.timeResolution);
    if (sender.txLog.size() >= kTxLogLimit) sender.txLog.pop_front();
    sender.txLog.push_back(logged);
  }

  void NotifyAll() {
    for (auto& c : channels) c.Notify();
  }

  DeliveryResult DeliverRecord(CanChannel& ch, const ReplayRecord& r, uint64_t stampTicks) {
    VTSCanReplayData head{};
    std::memcpy(&head, r.bytes.data(), std::min(r.bytes.size(), sizeof head));
    const VTSCanReplayMsgHeader& mh = head.tMsgHeader;
    VTSCanMessage m{};
    m.tMessageType = mh.tMessageType;
    m.ulCanIdentifier = mh.ulCanId;
    m.tCanIdentifierType = mh.tMsgFormat;
    m.ulFlags = mh.ulFlags & (VTCAN_MSG_FLAG_FD | VTCAN_MSG_FLAG_BRS);
    m.usDLC = mh.usDLC;
    if (!ValidMessage(m, ch.canFd)) return DeliveryResult::ErrorData;
    const uint32_t length = m.tMessageType == VTCAN_MESSAGE_TYPE_REMOTE
                                ? 0
                                : DlcToLength(m.usDLC, (m.ulFlags & VTCAN_MSG_FLAG_FD) != 0);
    const std::size_t dataOffset = offsetof(VTSCanReplayData, ui64StartOfMsgData);
    if (r.bytes.size() < dataOffset + length) return DeliveryResult::ErrorData;
    std::memcpy(m.ucData, r.bytes.data() + dataOffset, length);
    if (!ch.active) return DeliveryResult::SendFailed;
    Send(ch, m, TicksToNs(stampTicks, ch.cfg.timeResolution));
    return DeliveryResult::Sent;
  }

  int64_t RunDue(int64_t nowNs) {
    int64_t next = kNever;
    for (auto& ch : channels) {
      if (!ch.stream) continue;
      next = std::min(next, ch.stream->RunDue(nowNs, [&](const ReplayRecord& r, uint64_t stamp) {
        return DeliverRecord(ch, r, stamp);
      }));
    }
    NotifyAll();
    return next;
  }

  std::mutex m;
  FaultInjector faults{VTCAN_ENTRY_POINT_NAMES};
  std::vector<CanChannel> channels;
  bool configOk = false;
  std::string configError;
  VTTCanHandle nextHandle = 1;
  ReplayScheduler scheduler{m, [this](int64_t now) { return RunDue(now); }};
};

int32_t Register(CanSimulator& sim, const char* vendor, const char* iface, const char* serial, const char* id,
                 VTTCanHandle* handle, bool replay, bool highSpeed) {
  if (!vendor || !iface || !serial || !id || !handle) return VTCAN_ERR_INVALID_PARAMETER;
  CanChannel* ch = sim.ById(id);
  if (!ch || ch->cfg.vendor != vendor || ch->cfg.interfaceName != iface || ch->cfg.serialNumber != serial)
    return VTCAN_ERR_CHANNEL_NOT_FOUND;
  if (ch->Registered()) return VTCAN_ERR_CHANNEL_ALREADY_REGISTERED;
  if (replay && highSpeed && !(ch->cfg.capabilities & VTCAN_CHANNEL_CAPABILITY_HIGH_SPEED_REPLAY))
    return VTCAN_ERR_NOT_SUPPORTED;
  ch->handle = sim.nextHandle++;
  ch->replay = replay;
  ch->highSpeed = replay && highSpeed;
  if (replay) {
    ch->stream = std::make_unique<ReplayStream>(
        ch->cfg.timeResolution, highSpeed ? ch->cfg.highSpeedReplayBufferSize : ch->cfg.replayBufferSize,
        sizeof(VTSCanReplayData));
    sim.scheduler.EnsureRunning();
  }
  *handle = ch->handle;
  return 0;
}

void FillStats(const CanChannel& c, VTSIMChannelStats* s) {
  *s = VTSIMChannelStats{};
  s->handle = c.handle;
  s->registered = c.Registered();
  s->replay = c.replay;
  s->initialized = c.initialized;
  s->active = c.active;
  s->rxQueued = c.rx.Size();
  s->rxCapacity = c.rx.Capacity();
  s->rxOverflow = c.rxOverflow;
  s->rxFiltered = c.rxFiltered;
  s->txFrames = c.txFrames;
  s->replayPendingBytes = c.stream ? c.stream->PendingBytes() : 0;
}

}  // namespace
}  // namespace vtsim

using vtsim::CanChannel;
using vtsim::CanSimulator;

#define VTSIM_CAN_ENTER()                                     \
  CanSimulator& sim = CanSimulator::Instance();               \
  std::lock_guard<std::mutex> lock(sim.m);                    \
  if (auto forced = sim.faults.Take(__func__)) return *forced

#define VTSIM_CAN_CHANNEL(h)                 \
  CanChannel* ch = sim.ByHandle(h);          \
  if (ch == nullptr) return VTCAN_ERR_INVALID_HANDLE

extern "C" {

VTTCanError VTCAN_GetAvailableChannelsCount(uint32_t* count, uint32_t attributeCount,
                                            const VTSCanChannelsSearchAttribute* attributes) {
  VTSIM_CAN_ENTER();
  if (count == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  std::vector<CanChannel*> found;
  if (int32_t s = sim.Match(attributeCount, attributes, &found)) return s;
  *count = static_cast<uint32_t>(found.size());
  return 0;
}

VTTCanError VTCAN_GetAvailableChannels(uint32_t* count, VTSCanChannelInfo* channels, uint32_t attributeCount,
                                       const VTSCanChannelsSearchAttribute* attributes) {
  VTSIM_CAN_ENTER();
  if (count == nullptr || (*count > 0 && channels == nullptr)) return VTCAN_ERR_INVALID_PARAMETER;
  std::vector<CanChannel*> found;
  if (int32_t s = sim.Match(attributeCount, attributes, &found)) return s;
  const uint32_t n = std::min<uint32_t>(*count, static_cast<uint32_t>(found.size()));
  for (uint32_t i = 0; i < n; ++i) {
    VTSCanChannelInfo& info = channels[i];
    info = VTSCanChannelInfo{};
    const auto& cfg = found[i]->cfg;
    vtsim::CopyField(info.szVendorName, cfg.vendor);
    vtsim::CopyField(info.szInterfaceName, cfg.interfaceName);
    vtsim::CopyField(info.szInterfaceSerialNumber, cfg.serialNumber);
    vtsim::CopyField(info.szChannelIdentifier, cfg.channelIdentifier);
    info.ulChannelCapabilities = cfg.capabilities;
  }
  *count = n;
  return n < found.size() ? VTCAN_ERR_BUFFER_TOO_SMALL : 0;
}

VTTCanError VTCAN_RegisterChannel(const char* vendorName, const char* interfaceName, const char* serialNumber,
                                  const char* channelIdentifier, VTTCanHandle* handle) {
  VTSIM_CAN_ENTER();
  return vtsim::Register(sim, vendorName, interfaceName, serialNumber, channelIdentifier, handle, false, false);
}

VTTCanError VTCAN_UnregisterChannel(VTTCanHandle handle) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  ch->Unregister();
  return 0;
}

VTTCanError VTCAN_IsChannelAccessible(VTTCanHandle handle, bool* accessible) {
  VTSIM_CAN_ENTER();
  if (accessible == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  *accessible = sim.ByHandle(handle) != nullptr;
  return *accessible ? 0 : VTCAN_ERR_INVALID_HANDLE;
}

VTTCanError VTCAN_InitChannel(VTTCanHandle handle, VTECanIdentifierType identifierType, uint32_t receiveQueueSize,
                              bool canFd, bool* access) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (ch->active) return VTCAN_ERR_CHANNEL_ACTIVE;
  if (identifierType < VTCAN_IDENTIFIER_TYPE_STD || identifierType > VTCAN_IDENTIFIER_TYPE_STD_XTD)
    return VTCAN_ERR_INVALID_PARAMETER;
  if (receiveQueueSize == 0 || receiveQueueSize > ch->cfg.maxReceiveQueueSize) return VTCAN_ERR_INVALID_PARAMETER;
  ch->idType = identifierType;
  ch->canFd = canFd;
  ch->rx.Reset(receiveQueueSize);
  ch->lostSinceReport = 0;
  if (ch->IsVirtual()) {
    ch->clock = 0;
    ch->nominal = ch->data = VTSCanBitTimingParameters{};
  } else if (canFd) {
    ch->clock = vtsim::kFdClockHz;
    vtsim::ConvertBaudrate(ch->clock, 500000, &ch->nominal, nullptr);
    vtsim::ConvertBaudrate(ch->clock, 2000000, &ch->data, nullptr);
  } else {
    ch->clock = vtsim::kClassicClockHz;
    vtsim::ConvertBaudrate(ch->clock, 500000, &ch->nominal, nullptr);
    ch->data = VTSCanBitTimingParameters{};
  }
  ch->initialized = true;
  if (access) *access = true;
  return 0;
}

VTTCanError VTCAN_SetBaudrate(VTTCanHandle handle, uint32_t clockFrequency, const VTSCanBitTimingParameters* nominal,
                              const VTSCanBitTimingParameters* data) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->initialized) return VTCAN_ERR_CHANNEL_NOT_INITIALIZED;
  if (ch->IsVirtual()) return VTCAN_ERR_NOT_SUPPORTED;
  if (nominal == nullptr || (ch->canFd && data == nullptr)) return VTCAN_ERR_INVALID_PARAMETER;
  if (int32_t s = vtsim::ValidateBitTiming(clockFrequency, *nominal, nullptr)) return s;
  if (ch->canFd)
    if (int32_t s = vtsim::ValidateBitTiming(clockFrequency, *data, nullptr)) return s;
  ch->clock = clockFrequency;
  ch->nominal = *nominal;
  ch->data = ch->canFd ? *data : VTSCanBitTimingParameters{};
  return 0;
}

VTTCanError VTCAN_GetBaudrate(VTTCanHandle handle, uint32_t* clockFrequency, VTSCanBitTimingParameters* nominal,
                              bool* canFd, VTSCanBitTimingParameters* data) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->initialized) return VTCAN_ERR_CHANNEL_NOT_INITIALIZED;
  if (ch->IsVirtual()) return VTCAN_ERR_NOT_SUPPORTED;
  if (clockFrequency) *clockFrequency = ch->clock;
  if (nominal) *nominal = ch->nominal;
  if (canFd) *canFd = ch->canFd;
  if (data) *data = ch->data;
  return 0;
}

VTTCanError VTCAN_SetAcceptance(VTTCanHandle handle, uint32_t standardCode, uint32_t standardMask,
                                uint32_t extendedCode, uint32_t extendedMask) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if ((standardCode | standardMask) > 0x7FF || (extendedCode | extendedMask) > 0x1FFFFFFF)
    return VTCAN_ERR_INVALID_PARAMETER;
  ch->stdCode = standardCode;
  ch->stdMask = standardMask;
  ch->extCode = extendedCode;
  ch->extMask = extendedMask;
  return 0;
}

VTTCanError VTCAN_SetEventNotification(VTTCanHandle handle, VTTEventHandle event, uint32_t count) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  ch->event = event;
  ch->eventCount = std::max<uint32_t>(count, 1);
  // Messages already waiting are announced at once.
  ch->notifyPending = true;
  ch->Notify();
  return 0;
}

VTTCanError VTCAN_ActivateChannel(VTTCanHandle handle) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->initialized) return VTCAN_ERR_CHANNEL_NOT_INITIALIZED;
  ch->active = true;
  return 0;
}

VTTCanError VTCAN_DeactivateChannel(VTTCanHandle handle) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  ch->active = false;
  return 0;
}

VTTCanError VTCAN_GetHardwareTimeResolution(VTTCanHandle handle, uint64_t* ticksPerSecond) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (ticksPerSecond == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  *ticksPerSecond = ch->cfg.timeResolution;
  return 0;
}

VTTCanError VTCAN_GetHardwareTime(VTTCanHandle handle, uint64_t* ticks) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (ticks == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  *ticks = vtsim::NsToTicks(vtsim::MonotonicNs(), ch->cfg.timeResolution);
  return 0;
}

VTTCanError VTCAN_ReadReceiveQueue(VTTCanHandle handle, uint32_t* count, VTSCanMessage* messages) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (count == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  const uint32_t capacity = *count;
  *count = 0;
  if (auto forced = sim.faults.Take(__func__)) return *forced;
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->initialized) return VTCAN_ERR_CHANNEL_NOT_INITIALIZED;
  if (capacity > 0 && messages == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  uint32_t n = 0;
  while (n < capacity && !ch->rx.Empty()) {
    messages[n++] = ch->rx.Front();
    ch->rx.Pop();
  }
  *count = n;
  if (ch->lostSinceReport > 0) {
    ch->vendorCode = VTCAN_VENDOR_ERROR_RX_QUEUE_OVERFLOW;
    ch->vendorText = "Receive queue overflow: " + std::to_string(ch->lostSinceReport) + " messages lost";
    ch->lostSinceReport = 0;
    return VTBUSAPI_STATUS_SPECIFIC_ERROR;
  }
  return 0;
}

VTTCanError VTCAN_FlushReceiveQueue(VTTCanHandle handle) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  ch->rx.Clear();
  ch->lostSinceReport = 0;
  return 0;
}

VTTCanError VTCAN_TransmitMessages(VTTCanHandle handle, uint32_t count, const VTSCanMessage* messages) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->initialized) return VTCAN_ERR_CHANNEL_NOT_INITIALIZED;
  if (!ch->active) return VTCAN_ERR_CHANNEL_NOT_ACTIVATED;
  if (count == 0) return 0;
  if (messages == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  for (uint32_t i = 0; i < count; ++i)
    if (!vtsim::ValidMessage(messages[i], ch->canFd)) return VTCAN_ERR_INVALID_MESSAGE;
  const int64_t now = vtsim::MonotonicNs();
  for (uint32_t i = 0; i < count; ++i) sim.Send(*ch, messages[i], now);
  sim.NotifyAll();
  return 0;
}

VTTCanError VTCAN_FlushTransmitQueue(VTTCanHandle handle) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (ch->stream) {
    ch->stream->Flush();
    sim.scheduler.Wake();
  }
  return 0;
}

VTTCanError VTCAN_RegisterReplayChannel(const char* vendorName, const char* interfaceName, const char* serialNumber,
                                        const char* channelIdentifier, VTTCanHandle* handle, bool highSpeed,
                                        uint64_t /*reserved*/) {
  VTSIM_CAN_ENTER();
  return vtsim::Register(sim, vendorName, interfaceName, serialNumber, channelIdentifier, handle, true, highSpeed);
}

VTTCanError VTCAN_SetReplayStartTime(VTTCanHandle handle, uint64_t startTime, uint64_t firstTimestamp,
                                     VTECanReplayStartOptions option, uint64_t /*reserved*/) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->stream) return VTCAN_ERR_NOT_A_REPLAY_CHANNEL;
  const int32_t s = ch->stream->SetStart(startTime, firstTimestamp, option, vtsim::MonotonicNs());
  sim.scheduler.Wake();
  return s;
}

VTTCanError VTCAN_SetReplayStopTime(VTTCanHandle handle, uint64_t stopTime) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->stream) return VTCAN_ERR_NOT_A_REPLAY_CHANNEL;
  ch->stream->SetStop(stopTime);
  sim.scheduler.Wake();
  return 0;
}

VTTCanError VTCAN_ReplayStreamData(VTTCanHandle handle, uint32_t* byteCount, const uint8_t* data) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (byteCount == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  const uint32_t offered = *byteCount;
  *byteCount = 0;
  if (auto forced = sim.faults.Take(__func__)) return *forced;
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->stream) return VTCAN_ERR_NOT_A_REPLAY_CHANNEL;
  if (offered > 0 && data == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  const int32_t s = ch->stream->Stream(data, offered, byteCount, vtsim::MonotonicNs());
  sim.scheduler.Wake();
  return s;
}

VTTCanError VTCAN_ReplayInitHeader(VTSCanReplayData* destination, bool endOfStream, uint16_t dlc,
                                   uint32_t* recordSize) {
  VTSIM_CAN_ENTER();
  if (destination == nullptr || recordSize == nullptr || dlc > 15) return VTCAN_ERR_INVALID_PARAMETER;
  const uint32_t length = vtsim::DlcToLength(dlc, true);
  const uint32_t dataBytes = std::max<uint32_t>(8, (length + 7) & ~7u);
  const uint32_t size = static_cast<uint32_t>(offsetof(VTSCanReplayData, ui64StartOfMsgData)) + dataBytes;
  // Only the head is written: the caller may not have room for the data yet.
  *destination = VTSCanReplayData{};
  destination->tHeader.reserved2 = size - 8;
  destination->tHeader.reserved3 =
      endOfStream ? VTBUSAPI_REPLAY_RECORD_KIND_END_OF_STREAM : VTBUSAPI_REPLAY_RECORD_KIND_FRAME;
  destination->tHeader.ulSize = length;
  destination->tMsgHeader.tMessageType = VTCAN_MESSAGE_TYPE_DATA;
  destination->tMsgHeader.tMsgFormat = VTCAN_IDENTIFIER_TYPE_STD;
  destination->tMsgHeader.usDLC = dlc;
  *recordSize = size;
  return 0;
}

VTTCanError VTCAN_GetReplayStateInfo(VTTCanHandle handle, VTSCanReplayStatusInfo* info) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (!ch->stream) return VTCAN_ERR_NOT_A_REPLAY_CHANNEL;
  if (info == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  const vtsim::ReplayCounters& c = ch->stream->Counters();
  *info = VTSCanReplayStatusInfo{};
  info->ulValidInfoFlags = VTBUSAPI_REPLAY_INFO_ALL;
  info->tReplayState = static_cast<VTECanReplayState>(c.state);
  info->ui64Timestamp = c.lastTimestamp;
  info->ui64SentFrames = c.sentFrames;
  info->ui64ErrorData = c.errorData;
  info->ui64SendFailed = c.sendFailed;
  info->ui64Dropped = c.dropped;
  return 0;
}

VTTCanError VTCAN_GetLastVendorSpecificError(VTTCanHandle handle, int32_t* code, char* text) {
  VTSIM_CAN_ENTER();
  VTSIM_CAN_CHANNEL(handle);
  if (code == nullptr || text == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  *code = ch->vendorCode;
  vtsim::WriteText(text, ch->vendorText);
  return 0;
}

VTTCanError VTCAN_ConvertBaudrateToBitTimingParameters(uint32_t clockFrequency, uint32_t baudrate,
                                                       VTSCanBitTimingParameters* timing) {
  VTSIM_CAN_ENTER();
  if (timing == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  return vtsim::ConvertBaudrate(clockFrequency, baudrate, timing, nullptr);
}

VTTCanError VTCAN_ConvertBitTimingParametersToBaudrate(uint32_t clockFrequency, const VTSCanBitTimingParameters* timing,
                                                       uint32_t* baudrate) {
  VTSIM_CAN_ENTER();
  if (timing == nullptr || baudrate == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  return vtsim::ConvertBitTiming(clockFrequency, *timing, baudrate, nullptr);
}

VTTCanError VTCAN_GetErrorText(VTTCanError status, char* text) {
  VTSIM_CAN_ENTER();
  if (text == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  vtsim::WriteText(text, vtsim::StatusText(status, false));
  return 0;
}

// ------------------------------------------------------------ controls

int32_t VTSIM_CanReset(void) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  sim.faults.Clear();
  sim.Load();
  sim.scheduler.Wake();
  return sim.configOk ? 0 : VTCAN_ERR_CONFIGURATION;
}

int32_t VTSIM_CanGetConfigError(char* text) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (text == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  vtsim::WriteText(text, sim.configError);
  return 0;
}

int32_t VTSIM_CanInjectReceived(const char* channelId, uint32_t count, const VTSCanMessage* messages) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  CanChannel* ch = sim.ById(channelId);
  if (ch == nullptr) return VTCAN_ERR_CHANNEL_NOT_FOUND;
  if (!ch->active) return VTCAN_ERR_CHANNEL_NOT_ACTIVATED;
  if (count > 0 && messages == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  const int64_t now = vtsim::MonotonicNs();
  for (uint32_t i = 0; i < count; ++i) ch->Receive(messages[i], messages[i].ui64Timestamp == 0 ? now : -1);
  ch->Notify();
  return 0;
}

int32_t VTSIM_CanReadTransmitted(const char* channelId, uint32_t* count, VTSCanMessage* messages) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  CanChannel* ch = sim.ById(channelId);
  if (ch == nullptr) return VTCAN_ERR_CHANNEL_NOT_FOUND;
  if (count == nullptr || (*count > 0 && messages == nullptr)) return VTCAN_ERR_INVALID_PARAMETER;
  uint32_t n = 0;
  while (n < *count && !ch->txLog.empty()) {
    messages[n++] = ch->txLog.front();
    ch->txLog.pop_front();
  }
  *count = n;
  return 0;
}

int32_t VTSIM_CanForceFailure(const char* entryPoint, int32_t status, uint32_t times) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (entryPoint == nullptr || !sim.faults.Force(entryPoint, status, times)) return VTCAN_ERR_INVALID_PARAMETER;
  return 0;
}

int32_t VTSIM_CanClearForcedFailures(void) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  sim.faults.Clear();
  return 0;
}

int32_t VTSIM_CanSetVendorError(const char* channelId, int32_t code, const char* text) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  CanChannel* ch = sim.ById(channelId);
  if (ch == nullptr) return VTCAN_ERR_CHANNEL_NOT_FOUND;
  ch->vendorCode = code;
  ch->vendorText = text ? text : "";
  return 0;
}

int32_t VTSIM_CanGetChannelStats(const char* channelId, VTSIMChannelStats* stats) {
  CanSimulator& sim = CanSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  CanChannel* ch = sim.ById(channelId);
  if (ch == nullptr) return VTCAN_ERR_CHANNEL_NOT_FOUND;
  if (stats == nullptr) return VTCAN_ERR_INVALID_PARAMETER;
  vtsim::FillStats(*ch, stats);
  return 0;
}

}  // extern "C"
