// The simulated equipment: CAN channels on virtual buses and Ethernet
// interfaces on virtual segments, each reachable through a bus access host.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vtsim {

inline constexpr const char* kConfigVariable = "VTBUSAPI_SIM_CONFIG";

struct CanChannelConfig {
  std::string host = "127.0.0.1";
  std::string vendor = "Veltrac";
  std::string interfaceName;
  std::string serialNumber;
  std::string channelIdentifier;
  std::string bus;
  uint32_t capabilities = 0;
  uint64_t timeResolution = 1000000000;  // ticks per second
  uint32_t maxReceiveQueueSize = 1u << 20;
  uint32_t replayBufferSize = 256 * 1024;
  uint32_t highSpeedReplayBufferSize = 1024 * 1024;
};

struct EthInterfaceConfig {
  std::string host = "127.0.0.1";
  std::string accessProvider = "Veltrac";
  std::string interfaceName;
  std::string serialNumber;
  std::string interfaceIdentifier;
  std::string segment;
  std::array<uint8_t, 6> mac{};
  uint32_t capabilities = 0;
  uint64_t timeResolution = 1000000000;
  uint64_t controllerTimeResolution = 100000000;
  uint32_t bufferSize = 256 * 1024;  // read buffer the caller should provide
  uint32_t receiveQueueFrames = 16384;
  uint32_t replayBufferSize = 2 * 1024 * 1024;
  uint32_t highSpeedReplayBufferSize = 8 * 1024 * 1024;
};

struct Topology {
  std::vector<CanChannelConfig> canChannels;
  std::vector<EthInterfaceConfig> ethInterfaces;
};

Topology DefaultTopology();
// Parses the JSON text of a topology; false with *error on a fault.
bool ParseTopology(const std::string& jsonText, Topology* topology, std::string* error);
// The file named in VTBUSAPI_SIM_CONFIG, or the default topology when unset.
bool LoadTopology(Topology* topology, std::string* error);

}  // namespace vtsim
