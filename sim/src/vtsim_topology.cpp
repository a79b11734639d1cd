#include "vtsim_topology.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "vtbusapi_types.h"

namespace vtsim {
namespace {

using nlohmann::json;

CanChannelConfig Can(const std::string& iface, const std::string& serial, const std::string& id,
                     const std::string& bus, uint32_t capabilities) {
  CanChannelConfig c;
  c.interfaceName = iface;
  c.serialNumber = serial;
  c.channelIdentifier = id;
  c.bus = bus;
  c.capabilities = capabilities;
  return c;
}

EthInterfaceConfig Eth(const std::string& iface, const std::string& serial, const std::string& id,
                       const std::string& segment, uint8_t macTail, uint32_t capabilities) {
  EthInterfaceConfig e;
  e.interfaceName = iface;
  e.serialNumber = serial;
  e.interfaceIdentifier = id;
  e.segment = segment;
  e.mac = {0x02, 0x56, 0x54, 0x00, 0x00, macTail};
  e.capabilities = capabilities;
  return e;
}

template <typename T>
T Get(const json& object, const char* key, const T& fallback) {
  auto it = object.find(key);
  return it == object.end() ? fallback : it->get<T>();
}

std::string Required(const json& object, const char* key, const char* what) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_string() || it->get<std::string>().empty())
    throw std::runtime_error(std::string(what) + " needs a non-empty \"" + key + "\"");
  return it->get<std::string>();
}

void CheckText(const std::string& text, const char* key) {
  if (text.size() >= 256) throw std::runtime_error(std::string("\"") + key + "\" longer than 255 characters");
}

std::array<uint8_t, 6> ParseMac(const std::string& text) {
  std::array<unsigned, 6> b{};
  char tail = 0;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &tail) != 6)
    throw std::runtime_error("invalid MAC address \"" + text + "\"");
  std::array<uint8_t, 6> mac{};
  for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(b[i]);
  return mac;
}

uint64_t Resolution(const json& object, const char* key, uint64_t fallback) {
  const auto value = Get<uint64_t>(object, key, fallback);
  if (value == 0) throw std::runtime_error(std::string("\"") + key + "\" must be positive");
  return value;
}

}  // namespace

Topology DefaultTopology() {
  Topology t;
  const uint32_t hs = VTCAN_CHANNEL_CAPABILITY_HIGH_SPEED_REPLAY;
  t.canChannels = {
      Can("VT6104A", "104001", "CAN1", "can-bus-1", 0),
      Can("VT6104A", "104001", "CAN2", "can-bus-1", 0),
      Can("VT6104A", "104001", "CAN3", "can-bus-2", hs),
      Can("VT6104A", "104001", "CAN4", "can-bus-2", 0),
      Can("Virtual", "", "VirtualCAN1", "can-bus-1", 0),
  };
  t.ethInterfaces = {
      Eth("VT6306", "306001", "ETH1", "eth-segment-1", 0x01, 0),
      Eth("VT6306", "306001", "ETH2", "eth-segment-1", 0x02, 0),
      Eth("VT6306", "306001", "ETH3", "eth-segment-2", 0x03, VTETH_INTERFACE_CAPABILITY_HIGH_SPEED),
      Eth("VT6306", "306001", "ETH4", "eth-segment-2", 0x04, 0),
  };
  return t;
}

bool ParseTopology(const std::string& jsonText, Topology* topology, std::string* error) {
  try {
    const json root = json::parse(jsonText);
    if (!root.is_object()) throw std::runtime_error("the top level must be an object");
    Topology t;
    std::set<std::string> ids;
    if (auto can = root.find("can"); can != root.end()) {
      for (const json& c : can->at("channels")) {
        CanChannelConfig cfg;
        cfg.host = Get<std::string>(c, "host", cfg.host);
        cfg.vendor = Get<std::string>(c, "vendor", cfg.vendor);
        cfg.interfaceName = Required(c, "interface", "a CAN channel");
        cfg.serialNumber = Get<std::string>(c, "serial", "");
        cfg.channelIdentifier = Required(c, "id", "a CAN channel");
        cfg.bus = Required(c, "bus", "a CAN channel");
        cfg.capabilities = Get<uint32_t>(c, "capabilities", 0);
        if (Get<bool>(c, "highSpeedReplay", false)) cfg.capabilities |= VTCAN_CHANNEL_CAPABILITY_HIGH_SPEED_REPLAY;
        cfg.timeResolution = Resolution(c, "timeResolution", cfg.timeResolution);
        cfg.maxReceiveQueueSize = Get<uint32_t>(c, "maxReceiveQueueSize", cfg.maxReceiveQueueSize);
        cfg.replayBufferSize = Get<uint32_t>(c, "replayBufferSize", cfg.replayBufferSize);
        cfg.highSpeedReplayBufferSize = Get<uint32_t>(c, "highSpeedReplayBufferSize", cfg.highSpeedReplayBufferSize);
        for (const auto* text : {&cfg.host, &cfg.vendor, &cfg.interfaceName, &cfg.serialNumber, &cfg.channelIdentifier})
          CheckText(*text, "text");
        if (!ids.insert("can:" + cfg.channelIdentifier).second)
          throw std::runtime_error("duplicate CAN channel id \"" + cfg.channelIdentifier + "\"");
        t.canChannels.push_back(cfg);
      }
    }
    if (auto eth = root.find("ethernet"); eth != root.end()) {
      uint8_t macTail = 0;
      for (const json& e : eth->at("interfaces")) {
        EthInterfaceConfig cfg;
        cfg.host = Get<std::string>(e, "host", cfg.host);
        cfg.accessProvider = Get<std::string>(e, "provider", cfg.accessProvider);
        cfg.interfaceName = Required(e, "interface", "an Ethernet interface");
        cfg.serialNumber = Get<std::string>(e, "serial", "");
        cfg.interfaceIdentifier = Required(e, "id", "an Ethernet interface");
        cfg.segment = Required(e, "segment", "an Ethernet interface");
        cfg.mac = {0x02, 0x56, 0x54, 0x00, 0x01, ++macTail};
        if (e.contains("mac")) cfg.mac = ParseMac(e.at("mac").get<std::string>());
        cfg.capabilities = Get<uint32_t>(e, "capabilities", 0);
        if (Get<bool>(e, "highSpeed", false)) cfg.capabilities |= VTETH_INTERFACE_CAPABILITY_HIGH_SPEED;
        cfg.timeResolution = Resolution(e, "timeResolution", cfg.timeResolution);
        cfg.controllerTimeResolution = Resolution(e, "controllerTimeResolution", cfg.controllerTimeResolution);
        cfg.bufferSize = Get<uint32_t>(e, "bufferSize", cfg.bufferSize);
        cfg.receiveQueueFrames = Get<uint32_t>(e, "receiveQueueFrames", cfg.receiveQueueFrames);
        cfg.replayBufferSize = Get<uint32_t>(e, "replayBufferSize", cfg.replayBufferSize);
        cfg.highSpeedReplayBufferSize = Get<uint32_t>(e, "highSpeedReplayBufferSize", cfg.highSpeedReplayBufferSize);
        if (cfg.receiveQueueFrames == 0) throw std::runtime_error("\"receiveQueueFrames\" must be positive");
        for (const auto* text : {&cfg.host, &cfg.accessProvider, &cfg.interfaceName, &cfg.serialNumber,
                                 &cfg.interfaceIdentifier})
          CheckText(*text, "text");
        if (!ids.insert("eth:" + cfg.interfaceIdentifier).second)
          throw std::runtime_error("duplicate Ethernet interface id \"" + cfg.interfaceIdentifier + "\"");
        t.ethInterfaces.push_back(cfg);
      }
    }
    *topology = std::move(t);
    return true;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

bool LoadTopology(Topology* topology, std::string* error) {
  const char* path = std::getenv(kConfigVariable);
  if (path == nullptr || *path == '\0') {
    *topology = DefaultTopology();
    return true;
  }
  std::ifstream in(path);
  if (!in) {
    if (error) *error = std::string("cannot read ") + kConfigVariable + " file \"" + path + "\"";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (!ParseTopology(text.str(), topology, error)) {
    if (error) *error = std::string(path) + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace vtsim
