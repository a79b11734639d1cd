// Topologies read from the file named in VTBUSAPI_SIM_CONFIG.
#include <stdlib.h>

#include <fstream>

#include "vtsim_test_support.h"

using namespace vtsim_test;

namespace {

class SimTopology : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("VTBUSAPI_SIM_CONFIG");
    VTSIM_CanReset();
    VTSIM_EthReset();
  }

  static std::string Write(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
  }

  static void Use(const std::string& path) { setenv("VTBUSAPI_SIM_CONFIG", path.c_str(), 1); }
};

TEST_F(SimTopology, ExampleFileDescribesBothBusKinds) {
  Use(VTSIM_EXAMPLE_TOPOLOGY);
  ASSERT_EQ(VTSIM_CanReset(), 0);
  ASSERT_EQ(VTSIM_EthReset(), 0);

  const auto local = CanChannels();
  ASSERT_EQ(local.size(), 4u);
  EXPECT_STREQ(local[0].szChannelIdentifier, "BENCH-CAN1");
  EXPECT_STREQ(local[0].szVendorName, "Veltrac");
  EXPECT_EQ(local[1].ulChannelCapabilities, VTCAN_CHANNEL_CAPABILITY_HIGH_SPEED_REPLAY);
  EXPECT_STREQ(local[3].szInterfaceName, "Virtual");
  EXPECT_STREQ(local[3].szInterfaceSerialNumber, "");
  const auto lab = CanChannels("192.168.10.20");
  ASSERT_EQ(lab.size(), 1u);
  EXPECT_STREQ(lab[0].szInterfaceSerialNumber, "77");

  const auto eth = EthInterfaces();
  ASSERT_EQ(eth.size(), 3u);
  EXPECT_EQ(eth[0].ucInterfaceMacAddress[3], 0x10);
  EXPECT_EQ(eth[1].ulInterfaceCapabilities, VTETH_INTERFACE_CAPABILITY_HIGH_SPEED);
  EXPECT_STREQ(eth[2].szAccessProviderName, "OtherVendor");
}

class SimTopologyCan : public SimTopology {};

TEST_F(SimTopologyCan, ChannelResolutionAndBusesComeFromTheFile) {
  Use(VTSIM_EXAMPLE_TOPOLOGY);
  ASSERT_EQ(VTSIM_CanReset(), 0);
  auto open = [](const VTSCanChannelInfo& c) {
    VTTCanHandle h = VTCAN_INVALID_HANDLE;
    EXPECT_EQ(VTCAN_RegisterChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber,
                                    c.szChannelIdentifier, &h),
              0);
    bool access = false;
    EXPECT_EQ(VTCAN_InitChannel(h, VTCAN_IDENTIFIER_TYPE_STD_XTD, 16, false, &access), 0);
    EXPECT_EQ(VTCAN_ActivateChannel(h), 0);
    return h;
  };
  const auto list = CanChannels();
  const VTTCanHandle powertrain1 = open(list[0]);
  const VTTCanHandle powertrain2 = open(list[1]);
  const VTTCanHandle body = open(list[2]);
  uint64_t resolution = 0;
  ASSERT_EQ(VTCAN_GetHardwareTimeResolution(body, &resolution), 0);
  EXPECT_EQ(resolution, 8000000u);

  const VTSCanMessage m = CanMsg(0x55, 1);
  ASSERT_EQ(VTCAN_TransmitMessages(powertrain1, 1, &m), 0);
  VTSCanMessage out[4];
  uint32_t count = 4;
  ASSERT_EQ(VTCAN_ReadReceiveQueue(powertrain2, &count, out), 0);
  EXPECT_EQ(count, 1u);
  count = 4;
  ASSERT_EQ(VTCAN_ReadReceiveQueue(body, &count, out), 0);
  EXPECT_EQ(count, 0u);
}

TEST_F(SimTopology, SmallEthernetQueueCountsOverflow) {
  Use(Write("vtsim_small_queue.json", R"({"ethernet": {"interfaces": [
      {"id": "A", "interface": "VT6306", "segment": "s"},
      {"id": "B", "interface": "VT6306", "segment": "s", "receiveQueueFrames": 2}]}})"));
  ASSERT_EQ(VTSIM_EthReset(), 0);
  ASSERT_EQ(VTSIM_CanReset(), 0);
  EXPECT_TRUE(CanChannels().empty()) << "no CAN section, no CAN channels";
  auto open = [](const char* id) {
    VTTEthHandle h = VTETH_INVALID_HANDLE;
    EXPECT_EQ(VTETH_RegisterInterface("Veltrac", "VT6306", "", id, &h), 0);
    EXPECT_EQ(VTETH_InitInterface(h), 0);
    EXPECT_EQ(VTETH_ActivateInterface(h), 0);
    return h;
  };
  const VTTEthHandle a = open("A");
  const VTTEthHandle b = open("B");
  std::vector<uint8_t> frames;
  for (int i = 0; i < 5; ++i) {
    VTSEthRawFrameHeader h{};
    h.tFrameType = VTETH_FRAME_TYPE_ETHERNET_FRAME_WITHOUT_FCS;
    h.ulRawDataLength = 60;
    const auto* p = reinterpret_cast<const uint8_t*>(&h);
    frames.insert(frames.end(), p, p + sizeof h);
    frames.insert(frames.end(), 60, static_cast<uint8_t>(i));
  }
  ASSERT_EQ(VTETH_TransmitFrames(a, 5, frames.data(), nullptr), 0);
  VTSIMChannelStats stats{};
  ASSERT_EQ(VTSIM_EthGetInterfaceStats("B", &stats), 0);
  EXPECT_EQ(stats.rxQueued, 2u);
  EXPECT_EQ(stats.rxOverflow, 3u);
  int32_t code = 0;
  char text[VTBUSAPI_TEXT_BUFFER_SIZE];
  ASSERT_EQ(VTETH_GetLastAccessProviderSpecificError(b, &code, text), 0);
  EXPECT_EQ(code, VTETH_PROVIDER_ERROR_RX_QUEUE_OVERFLOW);
  EXPECT_STREQ(text, "Receive queue overflow: 3 frames lost");
}

TEST_F(SimTopology, BrokenFilesAreReportedAndLeaveNoEquipment) {
  struct Case {
    const char* name;
    const char* text;
    const char* expected;
  };
  for (const Case c : {Case{"syntax", "{\"can\": [", "parse error"},
                       Case{"no_id", R"({"can": {"channels": [{"interface": "X", "bus": "b"}]}})",
                            "a CAN channel needs a non-empty \"id\""},
                       Case{"twice", R"({"can": {"channels": [{"id": "A", "interface": "X", "bus": "b"},
                                                  {"id": "A", "interface": "X", "bus": "b"}]}})",
                            "duplicate CAN channel id \"A\""},
                       Case{"mac", R"({"ethernet": {"interfaces": [{"id": "E", "interface": "X", "segment": "s",
                                                  "mac": "02:00"}]}})",
                            "invalid MAC address"}}) {
    Use(Write(std::string("vtsim_") + c.name + ".json", c.text));
    EXPECT_EQ(VTSIM_CanReset(), VTCAN_ERR_CONFIGURATION) << c.name;
    char text[VTBUSAPI_TEXT_BUFFER_SIZE] = {};
    ASSERT_EQ(VTSIM_CanGetConfigError(text), 0);
    EXPECT_NE(std::string(text).find(c.expected), std::string::npos) << c.name << ": " << text;
    const auto attr = CanIp(kHost);
    uint32_t count = 0;
    EXPECT_EQ(VTCAN_GetAvailableChannelsCount(&count, 1, &attr), VTCAN_ERR_CONFIGURATION);
  }
  Use(::testing::TempDir() + "vtsim_no_such_file.json");
  EXPECT_EQ(VTSIM_EthReset(), VTETH_ERR_CONFIGURATION);
}

}  // namespace
