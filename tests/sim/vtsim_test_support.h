// Helpers of the simulator tests: the simulator is driven through its
// exported entry points and test controls, as the package would.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "vtbusapi.h"
#include "vtsim_controls.h"

namespace vtsim_test {

inline constexpr const char* kHost = "127.0.0.1";

// Polls cond until it holds or a generous limit passes.
inline bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

inline VTSCanChannelsSearchAttribute CanIp(const char* ip) {
  VTSCanChannelsSearchAttribute a{};
  a.tSearchAttributeType = VTCAN_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS;
  std::strncpy(a.szSearchAttribute, ip, sizeof a.szSearchAttribute - 1);
  return a;
}

inline VTSEthInterfacesSearchAttribute EthIp(const char* ip) {
  VTSEthInterfacesSearchAttribute a{};
  a.tSearchAttributeType = VTETH_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS;
  std::strncpy(a.szSearchAttribute, ip, sizeof a.szSearchAttribute - 1);
  return a;
}

inline std::vector<VTSCanChannelInfo> CanChannels(const char* ip = kHost) {
  const auto attr = CanIp(ip);
  uint32_t count = 0;
  EXPECT_EQ(VTCAN_GetAvailableChannelsCount(&count, 1, &attr), 0);
  std::vector<VTSCanChannelInfo> list(count);
  EXPECT_EQ(VTCAN_GetAvailableChannels(&count, list.data(), 1, &attr), 0);
  list.resize(count);
  return list;
}

inline std::vector<VTSEthInterfaceInfo> EthInterfaces(const char* ip = kHost) {
  const auto attr = EthIp(ip);
  uint32_t count = 0;
  EXPECT_EQ(VTETH_GetAvailableInterfacesCount(&count, 1, &attr), 0);
  std::vector<VTSEthInterfaceInfo> list(count);
  EXPECT_EQ(VTETH_GetAvailableInterfaces(&count, list.data(), 1, &attr), 0);
  list.resize(count);
  return list;
}

inline VTSCanMessage CanMsg(uint32_t id, uint16_t dlc, bool xtd = false, uint32_t flags = 0) {
  VTSCanMessage m{};
  m.tMessageType = VTCAN_MESSAGE_TYPE_DATA;
  m.ulCanIdentifier = id;
  m.tCanIdentifierType = xtd ? VTCAN_IDENTIFIER_TYPE_XTD : VTCAN_IDENTIFIER_TYPE_STD;
  m.ulFlags = flags;
  m.usDLC = dlc;
  for (int i = 0; i < 64; ++i) m.ucData[i] = static_cast<uint8_t>(id + i);
  return m;
}

class CanSimTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(VTSIM_CanReset(), 0); }
  void TearDown() override { VTSIM_CanReset(); }

  static VTSCanChannelInfo Info(const std::string& id) {
    for (const auto& c : CanChannels())
      if (id == c.szChannelIdentifier) return c;
    ADD_FAILURE() << "no channel " << id;
    return {};
  }

  static VTTCanHandle Register(const std::string& id, bool replay = false, bool highSpeed = false) {
    const VTSCanChannelInfo c = Info(id);
    VTTCanHandle h = VTCAN_INVALID_HANDLE;
    const VTTCanError s =
        replay ? VTCAN_RegisterReplayChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber,
                                             c.szChannelIdentifier, &h, highSpeed, 0)
               : VTCAN_RegisterChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber,
                                       c.szChannelIdentifier, &h);
    EXPECT_EQ(s, 0) << id;
    return h;
  }

  // Registered, initialised and active.
  static VTTCanHandle Open(const std::string& id, bool fd = false, uint32_t queue = 32768, bool replay = false,
                           bool highSpeed = false) {
    const VTTCanHandle h = Register(id, replay, highSpeed);
    bool access = false;
    EXPECT_EQ(VTCAN_InitChannel(h, VTCAN_IDENTIFIER_TYPE_STD_XTD, queue, fd, &access), 0);
    EXPECT_EQ(VTCAN_ActivateChannel(h), 0);
    return h;
  }

  static std::vector<VTSCanMessage> Read(VTTCanHandle h, uint32_t capacity = 4096) {
    std::vector<VTSCanMessage> out(capacity);
    uint32_t count = capacity;
    EXPECT_EQ(VTCAN_ReadReceiveQueue(h, &count, out.data()), 0);
    out.resize(count);
    return out;
  }

  static uint64_t Now(VTTCanHandle h) {
    uint64_t t = 0;
    EXPECT_EQ(VTCAN_GetHardwareTime(h, &t), 0);
    return t;
  }

  static VTSIMChannelStats Stats(const char* id) {
    VTSIMChannelStats s{};
    EXPECT_EQ(VTSIM_CanGetChannelStats(id, &s), 0);
    return s;
  }
};

class EthSimTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(VTSIM_EthReset(), 0); }
  void TearDown() override { VTSIM_EthReset(); }

  static VTSEthInterfaceInfo Info(const std::string& id) {
    for (const auto& e : EthInterfaces())
      if (id == e.szInterfaceIdentifier) return e;
    ADD_FAILURE() << "no interface " << id;
    return {};
  }

  static VTTEthHandle Open(const std::string& id, bool replay = false, bool highSpeed = false) {
    const VTSEthInterfaceInfo e = Info(id);
    VTTEthHandle h = VTETH_INVALID_HANDLE;
    const VTTEthError s =
        replay ? VTETH_RegisterReplayInterface(e.szAccessProviderName, e.szInterfaceName, e.szInterfaceSerialNumber,
                                               e.szInterfaceIdentifier, &h, highSpeed, 0)
               : VTETH_RegisterInterface(e.szAccessProviderName, e.szInterfaceName, e.szInterfaceSerialNumber,
                                         e.szInterfaceIdentifier, &h);
    EXPECT_EQ(s, 0) << id;
    EXPECT_EQ(VTETH_InitInterface(h), 0);
    EXPECT_EQ(VTETH_ActivateInterface(h), 0);
    return h;
  }

  struct Frame {
    VTSEthRawFrameHeader header;
    std::vector<uint8_t> data;
  };

  static std::vector<uint8_t> Pack(const std::vector<Frame>& frames) {
    std::vector<uint8_t> buffer;
    for (const auto& f : frames) {
      VTSEthRawFrameHeader h = f.header;
      h.ulRawDataLength = static_cast<uint32_t>(f.data.size());
      const auto* p = reinterpret_cast<const uint8_t*>(&h);
      buffer.insert(buffer.end(), p, p + sizeof h);
      buffer.insert(buffer.end(), f.data.begin(), f.data.end());
    }
    return buffer;
  }

  static std::vector<Frame> Unpack(const uint8_t* buffer, uint32_t count) {
    std::vector<Frame> frames;
    std::size_t offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
      Frame f;
      std::memcpy(&f.header, buffer + offset, sizeof f.header);
      const uint8_t* data = buffer + offset + sizeof f.header;
      f.data.assign(data, data + f.header.ulRawDataLength);
      offset += sizeof f.header + f.header.ulRawDataLength;
      frames.push_back(std::move(f));
    }
    return frames;
  }

  static std::vector<Frame> Read(VTTEthHandle h) {
    uint32_t size = 0;
    EXPECT_EQ(VTETH_GetInterfaceBufferSize(h, &size), 0);
    std::vector<uint8_t> buffer(size);
    uint32_t count = 0;
    EXPECT_EQ(VTETH_ReadFrames(h, size, buffer.data(), &count), 0);
    return Unpack(buffer.data(), count);
  }

  // An Ethernet frame of length bytes (EtherType given), FCS room included when withFcs.
  static Frame EthFrame(uint32_t length, uint16_t etherType, bool withFcs, uint8_t seed = 1) {
    Frame f{};
    f.header.tFrameType = withFcs ? VTETH_FRAME_TYPE_ETHERNET_FRAME : VTETH_FRAME_TYPE_ETHERNET_FRAME_WITHOUT_FCS;
    f.data.resize(length);
    for (uint32_t i = 0; i < length; ++i) f.data[i] = static_cast<uint8_t>(seed + i);
    f.data[12] = static_cast<uint8_t>(etherType >> 8);
    f.data[13] = static_cast<uint8_t>(etherType);
    return f;
  }

  static uint64_t Now(VTTEthHandle h) {
    uint64_t t = 0;
    uint64_t c = 0;
    EXPECT_EQ(VTETH_GetTime(h, &t, &c), 0);
    return t;
  }
};

}  // namespace vtsim_test
