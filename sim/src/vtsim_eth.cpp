// The simulated Ethernet bus access library.

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "vtbusapi_eth.h"
#include "vtsim_clock.h"
#include "vtsim_controls.h"
#include "vtsim_crc32.h"
#include "vtsim_faults.h"
#include "vtsim_replay.h"
#include "vtsim_scheduler.h"
#include "vtsim_text.h"
#include "vtsim_topology.h"

namespace vtsim {
namespace {

constexpr std::size_t kTxLogLimit = 16384;
constexpr uint32_t kMaxFrameLength = 16384;
constexpr uint32_t kEthHeaderLength = 14;
constexpr uint32_t kFcsLength = 4;
constexpr std::size_t kRawHeader = sizeof(VTSEthRawFrameHeader);

using RawFrame = std::vector<uint8_t>;  // VTSEthRawFrameHeader followed by the frame bytes

uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

VTSEthRawFrameHeader HeaderOf(const uint8_t* frame) {
  VTSEthRawFrameHeader h;
  std::memcpy(&h, frame, sizeof h);
  return h;
}

// Length limits of a frame of the given type, FCS included where it has one.
bool ValidFrame(VTEEthFrameType type, uint32_t length) {
  if (length > kMaxFrameLength) return false;
  switch (type) {
    case VTETH_FRAME_TYPE_ETHERNET_FRAME:
      return length >= kEthHeaderLength + kFcsLength;
    case VTETH_FRAME_TYPE_LOOPBACK_FRAME:
    case VTETH_FRAME_TYPE_ETHERNET_FRAME_WITHOUT_FCS:
      return length >= kEthHeaderLength;
  }
  return false;
}

struct EthInterface {
  explicit EthInterface(const EthInterfaceConfig& config) : cfg(config) {}

  EthInterfaceConfig cfg;
  VTTEthHandle handle = VTETH_INVALID_HANDLE;
  bool replay = false;
  bool highSpeed = false;
  bool initialized = false;
  bool active = false;
  std::vector<uint16_t> etherTypes;  // empty: every frame
  std::deque<RawFrame> rx;
  uint64_t lastRxTicks = 0;
  uint64_t rxOverflow = 0;
  uint64_t rxFiltered = 0;
  uint64_t txFrames = 0;
  std::deque<RawFrame> txLog;
  int32_t providerCode = 0;
  std::string providerText;
  std::unique_ptr<ReplayStream> stream;

  bool Registered() const { return handle != VTETH_INVALID_HANDLE; }
  void Unregister() { *this = EthInterface(cfg); }

  bool Accepts(const uint8_t* data, uint32_t length) const {
    if (etherTypes.empty()) return true;
    if (length < kEthHeaderLength) return false;
    const uint16_t outer = ReadBe16(data + 12);
    const uint16_t inner = (outer == 0x8100 && length >= 18) ? ReadBe16(data + 16) : outer;
    return std::any_of(etherTypes.begin(), etherTypes.end(), [&](uint16_t t) { return t == outer || t == inner; });
  }

  // stampNs < 0 keeps the timestamps the frame carries.
  void Receive(const uint8_t* frame, int64_t stampNs) {
    VTSEthRawFrameHeader h = HeaderOf(frame);
    const uint8_t* data = frame + kRawHeader;
    if (!Accepts(data, h.ulRawDataLength)) {
      ++rxFiltered;
      return;
    }
    if (rx.size() >= cfg.receiveQueueFrames) {
      ++rxOverflow;
      providerCode = VTETH_PROVIDER_ERROR_RX_QUEUE_OVERFLOW;
      providerText = "Receive queue overflow: " + std::to_string(rxOverflow) + " frames lost";
      return;
    }
    if (stampNs >= 0) {
      h.ui64Timestamp = std::max(NsToTicks(stampNs, cfg.timeResolution), lastRxTicks + 1);
      lastRxTicks = h.ui64Timestamp;
      h.ui64ControllerTimestamp = NsToTicks(stampNs, cfg.controllerTimeResolution);
    }
    h.ulFlags = 0;
    RawFrame copy(kRawHeader + h.ulRawDataLength);
    std::memcpy(copy.data(), &h, kRawHeader);
    std::memcpy(copy.data() + kRawHeader, data, h.ulRawDataLength);
    rx.push_back(std::move(copy));
  }
};

int32_t ParseFilter(const char* text, std::vector<uint16_t>* types) {
  types->clear();
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    item.erase(std::remove_if(item.begin(), item.end(), [](char c) { return c == ' ' || c == '\t'; }), item.end());
    if (item.empty()) continue;
    char* end = nullptr;
    const unsigned long value = std::strtoul(item.c_str(), &end, 16);
    if (end == item.c_str() || *end != '\0' || value > 0xFFFF) {
      types->clear();
      return VTETH_ERR_INVALID_PARAMETER;
    }
    types->push_back(static_cast<uint16_t>(value));
  }
  return 0;
}

class EthSimulator {
 public:
  static EthSimulator& Instance() {
    static EthSimulator simulator;
    return simulator;
  }

  EthSimulator() { Load(); }
  ~EthSimulator() { scheduler.Stop(); }

  void Load() {
    Topology topology;
    configError.clear();
    configOk = LoadTopology(&topology, &configError);
    interfaces.clear();
    if (configOk)
      for (const auto& e : topology.ethInterfaces) interfaces.emplace_back(e);
  }

  EthInterface* ByHandle(VTTEthHandle h) {
    if (h == VTETH_INVALID_HANDLE) return nullptr;
    for (auto& i : interfaces)
      if (i.handle == h) return &i;
    return nullptr;
  }

  EthInterface* ById(const char* id) {
    if (id == nullptr) return nullptr;
    for (auto& i : interfaces)
      if (i.cfg.interfaceIdentifier == id) return &i;
    return nullptr;
  }

  int32_t Match(uint32_t nAttr, const VTSEthInterfacesSearchAttribute* attrs, std::vector<EthInterface*>* out) {
    if (!configOk) return VTETH_ERR_CONFIGURATION;
    if (nAttr > 0 && attrs == nullptr) return VTETH_ERR_INVALID_PARAMETER;
    std::vector<std::string> hosts;
    if (!ReadSearchHosts(nAttr, attrs, VTETH_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS, &hosts))
      return VTETH_ERR_INVALID_PARAMETER;
    for (auto& i : interfaces)
      if (MatchesHosts(hosts, i.cfg.host)) out->push_back(&i);
    return 0;
  }

  // A frame (raw header + bytes) put on the sender's segment at stampNs.
  void Send(EthInterface& sender, const uint8_t* frame, int64_t stampNs) {
    VTSEthRawFrameHeader h = HeaderOf(frame);
    RawFrame onWire(kRawHeader + h.ulRawDataLength);
    std::memcpy(onWire.data() + kRawHeader, frame + kRawHeader, h.ulRawDataLength);
    if (h.tFrameType == VTETH_FRAME_TYPE_ETHERNET_FRAME) {
      // The controller appends the frame check sequence (sent LSB first).
      uint8_t* data = onWire.data() + kRawHeader;
      const uint32_t fcs = Crc32(data, h.ulRawDataLength - kFcsLength);
      for (uint32_t i = 0; i < kFcsLength; ++i)
        data[h.ulRawDataLength - kFcsLength + i] = static_cast<uint8_t>(fcs >> (8 * i));
    }
    h.ulFlags = 0;
    h.ui64Timestamp = NsToTicks(stampNs, sender.cfg.timeResolution);
    h.ui64ControllerTimestamp = NsToTicks(stampNs, sender.cfg.controllerTimeResolution);
    std::memcpy(onWire.data(), &h, kRawHeader);
    if (h.tFrameType == VTETH_FRAME_TYPE_LOOPBACK_FRAME) {
      sender.Receive(onWire.data(), stampNs);  // looped back inside the interface
    } else {
      for (auto& r : interfaces)
        if (&r != &sender && r.active && r.cfg.segment == sender.cfg.segment) r.Receive(onWire.data(), stampNs);
    }
    ++sender.txFrames;
    if (sender.txLog.size() >= kTxLogLimit) sender.txLog.pop_front();
    sender.txLog.push_back(std::move(onWire));
  }

  DeliveryResult DeliverRecord(EthInterface& e, const ReplayRecord& r, uint64_t stampTicks) {
    VTSEthReplayData head{};
    std::memcpy(&head, r.bytes.data(), std::min(r.bytes.size(), sizeof head));
    const uint32_t length = head.tMsgHeader.ulRawDataLength;
    const VTEEthFrameType type = head.tMsgHeader.tFrameType;
    if (type == VTETH_FRAME_TYPE_LOOPBACK_FRAME || !ValidFrame(type, length) ||
        r.bytes.size() < VTETH_REPLAY_FRAME_OFFSET + length)
      return DeliveryResult::ErrorData;
    if (!e.active) return DeliveryResult::SendFailed;
    RawFrame frame(kRawHeader + length);
    VTSEthRawFrameHeader h{};
    h.tFrameType = type;
    h.ulRawDataLength = length;
    std::memcpy(frame.data(), &h, kRawHeader);
    std::memcpy(frame.data() + kRawHeader, r.bytes.data() + VTETH_REPLAY_FRAME_OFFSET, length);
    Send(e, frame.data(), TicksToNs(stampTicks, e.cfg.timeResolution));
    return DeliveryResult::Sent;
  }

  int64_t RunDue(int64_t nowNs) {
    int64_t next = kNever;
    for (auto& e : interfaces) {
      if (!e.stream) continue;
      next = std::min(next, e.stream->RunDue(nowNs, [&](const ReplayRecord& r, uint64_t stamp) {
        return DeliverRecord(e, r, stamp);
      }));
    }
    return next;
  }

  std::mutex m;
  FaultInjector faults{VTETH_ENTRY_POINT_NAMES};
  std::vector<EthInterface> interfaces;
  bool configOk = false;
  std::string configError;
  VTTEthHandle nextHandle = 1;
  ReplayScheduler scheduler{m, [this](int64_t now) { return RunDue(now); }};
};

int32_t Register(EthSimulator& sim, const char* provider, const char* iface, const char* serial, const char* id,
                 VTTEthHandle* handle, bool replay, bool highSpeed) {
  if (!provider || !iface || !serial || !id || !handle) return VTETH_ERR_INVALID_PARAMETER;
  EthInterface* e = sim.ById(id);
  if (!e || e->cfg.accessProvider != provider || e->cfg.interfaceName != iface || e->cfg.serialNumber != serial)
    return VTETH_ERR_INTERFACE_NOT_FOUND;
  if (e->Registered()) return VTETH_ERR_INTERFACE_ALREADY_REGISTERED;
  if (replay && highSpeed && !(e->cfg.capabilities & VTETH_INTERFACE_CAPABILITY_HIGH_SPEED))
    return VTETH_ERR_NOT_SUPPORTED;
  e->handle = sim.nextHandle++;
  e->replay = replay;
  e->highSpeed = replay && highSpeed;
  if (replay) {
    e->stream = std::make_unique<ReplayStream>(
        e->cfg.timeResolution, highSpeed ? e->cfg.highSpeedReplayBufferSize : e->cfg.replayBufferSize,
        VTETH_REPLAY_FRAME_OFFSET);
    sim.scheduler.EnsureRunning();
  }
  *handle = e->handle;
  return 0;
}

}  // namespace
}  // namespace vtsim

using vtsim::EthInterface;
using vtsim::EthSimulator;

#define VTSIM_ETH_ENTER()                                     \
  EthSimulator& sim = EthSimulator::Instance();               \
  std::lock_guard<std::mutex> lock(sim.m);                    \
  if (auto forced = sim.faults.Take(__func__)) return *forced

#define VTSIM_ETH_INTERFACE(h)                  \
  EthInterface* e = sim.ByHandle(h);            \
  if (e == nullptr) return VTETH_ERR_INVALID_HANDLE

extern "C" {

VTTEthError VTETH_GetAvailableInterfacesCount(uint32_t* count, uint32_t attributeCount,
                                              const VTSEthInterfacesSearchAttribute* attributes) {
  VTSIM_ETH_ENTER();
  if (count == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  std::vector<EthInterface*> found;
  if (int32_t s = sim.Match(attributeCount, attributes, &found)) return s;
  *count = static_cast<uint32_t>(found.size());
  return 0;
}

VTTEthError VTETH_GetAvailableInterfaces(uint32_t* count, VTSEthInterfaceInfo* interfaces, uint32_t attributeCount,
                                         const VTSEthInterfacesSearchAttribute* attributes) {
  VTSIM_ETH_ENTER();
  if (count == nullptr || (*count > 0 && interfaces == nullptr)) return VTETH_ERR_INVALID_PARAMETER;
  std::vector<EthInterface*> found;
  if (int32_t s = sim.Match(attributeCount, attributes, &found)) return s;
  const uint32_t n = std::min<uint32_t>(*count, static_cast<uint32_t>(found.size()));
  for (uint32_t i = 0; i < n; ++i) {
    VTSEthInterfaceInfo& info = interfaces[i];
    info = VTSEthInterfaceInfo{};
    const auto& cfg = found[i]->cfg;
    vtsim::CopyField(info.szAccessProviderName, cfg.accessProvider);
    vtsim::CopyField(info.szInterfaceName, cfg.interfaceName);
    vtsim::CopyField(info.szInterfaceSerialNumber, cfg.serialNumber);
    vtsim::CopyField(info.szInterfaceIdentifier, cfg.interfaceIdentifier);
    std::memcpy(info.ucInterfaceMacAddress, cfg.mac.data(), 6);
    info.ulInterfaceCapabilities = cfg.capabilities;
  }
  *count = n;
  return n < found.size() ? VTETH_ERR_BUFFER_TOO_SMALL : 0;
}

VTTEthError VTETH_RegisterInterface(const char* accessProviderName, const char* interfaceName,
                                    const char* serialNumber, const char* interfaceIdentifier, VTTEthHandle* handle) {
  VTSIM_ETH_ENTER();
  return vtsim::Register(sim, accessProviderName, interfaceName, serialNumber, interfaceIdentifier, handle, false,
                         false);
}

VTTEthError VTETH_UnregisterInterface(VTTEthHandle handle) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  e->Unregister();
  return 0;
}

VTTEthError VTETH_GetInterfaceBufferSize(VTTEthHandle handle, uint32_t* size) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (size == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  *size = e->cfg.bufferSize;
  return 0;
}

VTTEthError VTETH_IsInterfaceAccessible(VTTEthHandle handle, bool* accessible) {
  VTSIM_ETH_ENTER();
  if (accessible == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  *accessible = sim.ByHandle(handle) != nullptr;
  return *accessible ? 0 : VTETH_ERR_INVALID_HANDLE;
}

VTTEthError VTETH_InitInterface(VTTEthHandle handle) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (e->active) return VTETH_ERR_INTERFACE_ACTIVE;
  e->rx.clear();
  e->initialized = true;
  return 0;
}

VTTEthError VTETH_ActivateInterface(VTTEthHandle handle) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (!e->initialized) return VTETH_ERR_INTERFACE_NOT_INITIALIZED;
  e->active = true;
  return 0;
}

VTTEthError VTETH_DeactivateInterface(VTTEthHandle handle) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  e->active = false;
  return 0;
}

VTTEthError VTETH_GetTimeResolution(VTTEthHandle handle, uint64_t* ticksPerSecond, uint64_t* controllerTicksPerSecond) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (ticksPerSecond == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  *ticksPerSecond = e->cfg.timeResolution;
  if (controllerTicksPerSecond) *controllerTicksPerSecond = e->cfg.controllerTimeResolution;
  return 0;
}

VTTEthError VTETH_GetTime(VTTEthHandle handle, uint64_t* ticks, uint64_t* controllerTicks) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (ticks == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  const int64_t now = vtsim::MonotonicNs();
  *ticks = vtsim::NsToTicks(now, e->cfg.timeResolution);
  if (controllerTicks) *controllerTicks = vtsim::NsToTicks(now, e->cfg.controllerTimeResolution);
  return 0;
}

VTTEthError VTETH_ReadFrames(VTTEthHandle handle, uint32_t bufferSize, uint8_t* buffer, uint32_t* frameCount) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (frameCount == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  *frameCount = 0;
  if (auto forced = sim.faults.Take(__func__)) return *forced;
  VTSIM_ETH_INTERFACE(handle);
  if (!e->initialized) return VTETH_ERR_INTERFACE_NOT_INITIALIZED;
  if (bufferSize > 0 && buffer == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  uint32_t used = 0;
  uint32_t n = 0;
  while (!e->rx.empty() && e->rx.front().size() <= bufferSize - used) {
    std::memcpy(buffer + used, e->rx.front().data(), e->rx.front().size());
    used += static_cast<uint32_t>(e->rx.front().size());
    e->rx.pop_front();
    ++n;
  }
  *frameCount = n;
  return (n == 0 && !e->rx.empty()) ? VTETH_ERR_BUFFER_TOO_SMALL : 0;
}

VTTEthError VTETH_FlushReceiveQueue(VTTEthHandle handle) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  e->rx.clear();
  return 0;
}

VTTEthError VTETH_TransmitFrames(VTTEthHandle handle, uint32_t frameCount, const uint8_t* buffer, uint32_t* sentCount) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (sentCount) *sentCount = 0;
  if (auto forced = sim.faults.Take(__func__)) return *forced;
  VTSIM_ETH_INTERFACE(handle);
  if (!e->initialized) return VTETH_ERR_INTERFACE_NOT_INITIALIZED;
  if (!e->active) return VTETH_ERR_INTERFACE_NOT_ACTIVATED;
  if (frameCount > 0 && buffer == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  const int64_t now = vtsim::MonotonicNs();
  std::size_t offset = 0;
  for (uint32_t i = 0; i < frameCount; ++i) {
    const VTSEthRawFrameHeader h = vtsim::HeaderOf(buffer + offset);
    if (!vtsim::ValidFrame(h.tFrameType, h.ulRawDataLength)) return VTETH_ERR_INVALID_FRAME;
    sim.Send(*e, buffer + offset, now);
    offset += vtsim::kRawHeader + h.ulRawDataLength;
    if (sentCount) *sentCount = i + 1;
  }
  return 0;
}

VTTEthError VTETH_FlushTransmitQueue(VTTEthHandle handle) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (e->stream) {
    e->stream->Flush();
    sim.scheduler.Wake();
  }
  return 0;
}

VTTEthError VTETH_GetErrorText(VTTEthError status, char* text) {
  VTSIM_ETH_ENTER();
  if (text == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  vtsim::WriteText(text, vtsim::StatusText(status, true));
  return 0;
}

VTTEthError VTETH_GetLastAccessProviderSpecificError(VTTEthHandle handle, int32_t* code, char* text) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (code == nullptr || text == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  *code = e->providerCode;
  vtsim::WriteText(text, e->providerText);
  return 0;
}

VTTEthError VTETH_SetFilter(VTTEthHandle handle, const char* filter) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (filter == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  return vtsim::ParseFilter(filter, &e->etherTypes);
}

VTTEthError VTETH_SetReplayStartTime(VTTEthHandle handle, uint64_t startTime, uint64_t firstTimestamp,
                                     VTEEthReplayStartOptions option, uint64_t /*reserved*/) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (!e->stream) return VTETH_ERR_NOT_A_REPLAY_INTERFACE;
  const int32_t s = e->stream->SetStart(startTime, firstTimestamp, option, vtsim::MonotonicNs());
  sim.scheduler.Wake();
  return s;
}

VTTEthError VTETH_SetReplayStopTime(VTTEthHandle handle, uint64_t stopTime) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (!e->stream) return VTETH_ERR_NOT_A_REPLAY_INTERFACE;
  e->stream->SetStop(stopTime);
  sim.scheduler.Wake();
  return 0;
}

VTTEthError VTETH_ReplayStreamData(VTTEthHandle handle, uint32_t* byteCount, const uint8_t* data) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (byteCount == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  const uint32_t offered = *byteCount;
  *byteCount = 0;
  if (auto forced = sim.faults.Take(__func__)) return *forced;
  VTSIM_ETH_INTERFACE(handle);
  if (!e->stream) return VTETH_ERR_NOT_A_REPLAY_INTERFACE;
  if (offered > 0 && data == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  const int32_t s = e->stream->Stream(data, offered, byteCount, vtsim::MonotonicNs());
  sim.scheduler.Wake();
  return s;
}

VTTEthError VTETH_ReplayInitHeader(VTSEthReplayData* destination, bool endOfStream, uint16_t frameLength,
                                   uint32_t* recordSize) {
  VTSIM_ETH_ENTER();
  if (destination == nullptr || recordSize == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  const uint32_t dataBytes = std::max<uint32_t>(8, (static_cast<uint32_t>(frameLength) + 7) & ~7u);
  const uint32_t size = static_cast<uint32_t>(VTETH_REPLAY_FRAME_OFFSET) + dataBytes;
  // The head and the first 8 frame bytes (zero): the whole end-of-stream record.
  *destination = VTSEthReplayData{};
  destination->tHeader.reserved2 = size - 8;
  destination->tHeader.reserved3 =
      endOfStream ? VTBUSAPI_REPLAY_RECORD_KIND_END_OF_STREAM : VTBUSAPI_REPLAY_RECORD_KIND_FRAME;
  destination->tHeader.ulSize = frameLength;
  destination->tMsgHeader.tFrameType = VTETH_FRAME_TYPE_ETHERNET_FRAME_WITHOUT_FCS;
  destination->tMsgHeader.ulRawDataLength = frameLength;
  *recordSize = size;
  return 0;
}

VTTEthError VTETH_GetReplayStateInfo(VTTEthHandle handle, VTSEthReplayStatusInfo* info) {
  VTSIM_ETH_ENTER();
  VTSIM_ETH_INTERFACE(handle);
  if (!e->stream) return VTETH_ERR_NOT_A_REPLAY_INTERFACE;
  if (info == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  const vtsim::ReplayCounters& c = e->stream->Counters();
  *info = VTSEthReplayStatusInfo{};
  info->ulValidInfoFlags = VTBUSAPI_REPLAY_INFO_ALL;
  info->tReplayState = static_cast<VTEEthReplayState>(c.state);
  info->ui64Timestamp = c.lastTimestamp;
  info->ui64SentFrames = c.sentFrames;
  info->ui64ErrorData = c.errorData;
  info->ui64SendFailed = c.sendFailed;
  info->ui64Dropped = c.dropped;
  return 0;
}

VTTEthError VTETH_RegisterReplayInterface(const char* accessProviderName, const char* interfaceName,
                                          const char* serialNumber, const char* interfaceIdentifier,
                                          VTTEthHandle* handle, bool highSpeed, uint64_t /*reserved*/) {
  VTSIM_ETH_ENTER();
  return vtsim::Register(sim, accessProviderName, interfaceName, serialNumber, interfaceIdentifier, handle, true,
                         highSpeed);
}

// ------------------------------------------------------------ controls

int32_t VTSIM_EthReset(void) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  sim.faults.Clear();
  sim.Load();
  sim.scheduler.Wake();
  return sim.configOk ? 0 : VTETH_ERR_CONFIGURATION;
}

int32_t VTSIM_EthGetConfigError(char* text) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (text == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  vtsim::WriteText(text, sim.configError);
  return 0;
}

int32_t VTSIM_EthInjectReceived(const char* interfaceId, uint32_t frameCount, const uint8_t* frames) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  EthInterface* e = sim.ById(interfaceId);
  if (e == nullptr) return VTETH_ERR_INTERFACE_NOT_FOUND;
  if (!e->active) return VTETH_ERR_INTERFACE_NOT_ACTIVATED;
  if (frameCount > 0 && frames == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  const int64_t now = vtsim::MonotonicNs();
  std::size_t offset = 0;
  for (uint32_t i = 0; i < frameCount; ++i) {
    const VTSEthRawFrameHeader h = vtsim::HeaderOf(frames + offset);
    if (!vtsim::ValidFrame(h.tFrameType, h.ulRawDataLength)) return VTETH_ERR_INVALID_FRAME;
    e->Receive(frames + offset, h.ui64Timestamp == 0 ? now : -1);
    offset += vtsim::kRawHeader + h.ulRawDataLength;
  }
  return 0;
}

int32_t VTSIM_EthReadTransmitted(const char* interfaceId, uint32_t bufferSize, uint8_t* buffer, uint32_t* frameCount) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  EthInterface* e = sim.ById(interfaceId);
  if (e == nullptr) return VTETH_ERR_INTERFACE_NOT_FOUND;
  if (frameCount == nullptr || (bufferSize > 0 && buffer == nullptr)) return VTETH_ERR_INVALID_PARAMETER;
  uint32_t used = 0;
  uint32_t n = 0;
  while (!e->txLog.empty() && e->txLog.front().size() <= bufferSize - used) {
    std::memcpy(buffer + used, e->txLog.front().data(), e->txLog.front().size());
    used += static_cast<uint32_t>(e->txLog.front().size());
    e->txLog.pop_front();
    ++n;
  }
  *frameCount = n;
  return (n == 0 && !e->txLog.empty()) ? VTETH_ERR_BUFFER_TOO_SMALL : 0;
}

int32_t VTSIM_EthForceFailure(const char* entryPoint, int32_t status, uint32_t times) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  if (entryPoint == nullptr || !sim.faults.Force(entryPoint, status, times)) return VTETH_ERR_INVALID_PARAMETER;
  return 0;
}

int32_t VTSIM_EthClearForcedFailures(void) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  sim.faults.Clear();
  return 0;
}

int32_t VTSIM_EthSetAccessProviderError(const char* interfaceId, int32_t code, const char* text) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  EthInterface* e = sim.ById(interfaceId);
  if (e == nullptr) return VTETH_ERR_INTERFACE_NOT_FOUND;
  e->providerCode = code;
  e->providerText = text ? text : "";
  return 0;
}

int32_t VTSIM_EthGetInterfaceStats(const char* interfaceId, VTSIMChannelStats* stats) {
  EthSimulator& sim = EthSimulator::Instance();
  std::lock_guard<std::mutex> lock(sim.m);
  EthInterface* e = sim.ById(interfaceId);
  if (e == nullptr) return VTETH_ERR_INTERFACE_NOT_FOUND;
  if (stats == nullptr) return VTETH_ERR_INVALID_PARAMETER;
  *stats = VTSIMChannelStats{};
  stats->handle = e->handle;
  stats->registered = e->Registered();
  stats->replay = e->replay;
  stats->initialized = e->initialized;
  stats->active = e->active;
  stats->rxQueued = e->rx.size();
  stats->rxCapacity = e->cfg.receiveQueueFrames;
  stats->rxOverflow = e->rxOverflow;
  stats->rxFiltered = e->rxFiltered;
  stats->txFrames = e->txFrames;
  stats->replayPendingBytes = e->stream ? e->stream->PendingBytes() : 0;
  return 0;
}

}  // extern "C"
