#include <set>

#include "vtsim_test_support.h"

using namespace vtsim_test;

namespace {

using EthSim = EthSimTest;

// Bitwise CRC-32 of IEEE 802.3, independent of the simulator's table.
uint32_t ReferenceCrc(const uint8_t* data, std::size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

TEST_F(EthSim, DefaultTopologyListsInterfacesOnTwoSegments) {
  const auto list = EthInterfaces();
  ASSERT_EQ(list.size(), 4u);
  std::set<std::string> ids;
  std::set<std::vector<uint8_t>> macs;
  for (const auto& e : list) {
    ids.insert(e.szInterfaceIdentifier);
    macs.insert(std::vector<uint8_t>(e.ucInterfaceMacAddress, e.ucInterfaceMacAddress + 6));
    EXPECT_STREQ(e.szAccessProviderName, "Veltrac");
    EXPECT_EQ((e.ulInterfaceCapabilities & VTETH_INTERFACE_CAPABILITY_HIGH_SPEED) != 0,
              std::string(e.szInterfaceIdentifier) == "ETH3");
  }
  EXPECT_EQ(ids, (std::set<std::string>{"ETH1", "ETH2", "ETH3", "ETH4"}));
  EXPECT_EQ(macs.size(), 4u);
  EXPECT_TRUE(EthInterfaces("192.168.0.1").empty());
}

TEST_F(EthSim, InterfaceIsRegisteredOnlyOnce) {
  const VTSEthInterfaceInfo e = Info("ETH1");
  VTTEthHandle h = VTETH_INVALID_HANDLE;
  ASSERT_EQ(VTETH_RegisterInterface(e.szAccessProviderName, e.szInterfaceName, e.szInterfaceSerialNumber,
                                    e.szInterfaceIdentifier, &h),
            0);
  VTTEthHandle again = VTETH_INVALID_HANDLE;
  EXPECT_EQ(VTETH_RegisterReplayInterface(e.szAccessProviderName, e.szInterfaceName, e.szInterfaceSerialNumber,
                                          e.szInterfaceIdentifier, &again, false, 0),
            VTETH_ERR_INTERFACE_ALREADY_REGISTERED);
  ASSERT_EQ(VTETH_UnregisterInterface(h), 0);
  EXPECT_EQ(VTETH_RegisterReplayInterface(e.szAccessProviderName, e.szInterfaceName, e.szInterfaceSerialNumber,
                                          e.szInterfaceIdentifier, &again, false, 0),
            0);
}

TEST_F(EthSim, FramesReachTheSegmentWithTimestampsAndAFrameCheckSequence) {
  const VTTEthHandle tx = Open("ETH1");
  const VTTEthHandle rx = Open("ETH2");
  const VTTEthHandle otherSegment = Open("ETH3");
  const auto buffer = Pack({EthFrame(64, 0x0800, true, 7), EthFrame(100, 0x86DD, false, 9)});
  const uint64_t before = Now(rx);
  uint32_t sent = 0;
  ASSERT_EQ(VTETH_TransmitFrames(tx, 2, buffer.data(), &sent), 0);
  EXPECT_EQ(sent, 2u);
  const uint64_t after = Now(rx);

  const auto got = Read(rx);
  ASSERT_EQ(got.size(), 2u);
  const Frame original = EthFrame(64, 0x0800, true, 7);
  EXPECT_EQ(got[0].header.tFrameType, VTETH_FRAME_TYPE_ETHERNET_FRAME);
  ASSERT_EQ(got[0].data.size(), 64u);
  EXPECT_TRUE(std::equal(original.data.begin(), original.data.begin() + 60, got[0].data.begin()));
  const uint32_t fcs = ReferenceCrc(got[0].data.data(), 60);
  EXPECT_EQ(got[0].data[60] | got[0].data[61] << 8 | got[0].data[62] << 16 | uint32_t(got[0].data[63]) << 24, fcs);
  EXPECT_EQ(got[1].header.tFrameType, VTETH_FRAME_TYPE_ETHERNET_FRAME_WITHOUT_FCS);
  EXPECT_EQ(got[1].data, EthFrame(100, 0x86DD, false, 9).data);
  for (const auto& f : got) {
    EXPECT_GE(f.header.ui64Timestamp, before);
    EXPECT_LE(f.header.ui64Timestamp, after + 2);
    EXPECT_NE(f.header.ui64ControllerTimestamp, 0u);
  }
  EXPECT_GT(got[1].header.ui64Timestamp, got[0].header.ui64Timestamp);
  EXPECT_TRUE(Read(otherSegment).empty());
  EXPECT_TRUE(Read(tx).empty());

  std::vector<uint8_t> log(4096);
  uint32_t count = 0;
  ASSERT_EQ(VTSIM_EthReadTransmitted("ETH1", static_cast<uint32_t>(log.size()), log.data(), &count), 0);
  ASSERT_EQ(count, 2u);
  const auto logged = Unpack(log.data(), count);
  EXPECT_EQ(logged[0].data, got[0].data);
}

TEST_F(EthSim, ReadFramesPacksWholeFramesBackToBack) {
  const VTTEthHandle tx = Open("ETH1");
  const VTTEthHandle rx = Open("ETH2");
  const auto buffer = Pack({EthFrame(60, 0x0800, false), EthFrame(70, 0x0800, false), EthFrame(80, 0x0800, false)});
  ASSERT_EQ(VTETH_TransmitFrames(tx, 3, buffer.data(), nullptr), 0);

  std::vector<uint8_t> small(32 + 60 + 32 + 70 + 10);
  uint32_t count = 0;
  ASSERT_EQ(VTETH_ReadFrames(rx, static_cast<uint32_t>(small.size()), small.data(), &count), 0);
  ASSERT_EQ(count, 2u);
  VTSEthRawFrameHeader second;
  std::memcpy(&second, small.data() + 32 + 60, sizeof second);
  EXPECT_EQ(second.ulRawDataLength, 70u) << "the second header follows the first frame's bytes";

  std::vector<uint8_t> tiny(50);
  EXPECT_EQ(VTETH_ReadFrames(rx, static_cast<uint32_t>(tiny.size()), tiny.data(), &count),
            VTETH_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(Read(rx).size(), 1u);
}

TEST_F(EthSim, TransmitRefusesMalformedFramesAndReportsWhatWasSent) {
  const VTTEthHandle tx = Open("ETH1");
  Open("ETH2");
  Frame shortFcs = EthFrame(16, 0x0800, true);  // shorter than header + FCS
  const auto buffer = Pack({EthFrame(60, 0x0800, false), shortFcs});
  uint32_t sent = 99;
  EXPECT_EQ(VTETH_TransmitFrames(tx, 2, buffer.data(), &sent), VTETH_ERR_INVALID_FRAME);
  EXPECT_EQ(sent, 1u);
  VTSIMChannelStats stats{};
  ASSERT_EQ(VTSIM_EthGetInterfaceStats("ETH2", &stats), 0);
  EXPECT_EQ(stats.rxQueued, 1u);
}

TEST_F(EthSim, LoopbackFramesReturnToTheSender) {
  const VTTEthHandle tx = Open("ETH1");
  const VTTEthHandle rx = Open("ETH2");
  Frame f = EthFrame(60, 0x0800, false);
  f.header.tFrameType = VTETH_FRAME_TYPE_LOOPBACK_FRAME;
  const auto buffer = Pack({f});
  ASSERT_EQ(VTETH_TransmitFrames(tx, 1, buffer.data(), nullptr), 0);
  EXPECT_TRUE(Read(rx).empty());
  const auto back = Read(tx);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].header.tFrameType, VTETH_FRAME_TYPE_LOOPBACK_FRAME);
}

TEST_F(EthSim, FilterKeepsTheListedEtherTypes) {
  const VTTEthHandle tx = Open("ETH1");
  const VTTEthHandle rx = Open("ETH2");
  EXPECT_EQ(VTETH_SetFilter(rx, "0x0800, zz"), VTETH_ERR_INVALID_PARAMETER);
  ASSERT_EQ(VTETH_SetFilter(rx, "0x86DD,0800"), 0);
  Frame vlan = EthFrame(64, 0x8100, false);
  vlan.data[16] = 0x08;
  vlan.data[17] = 0x00;
  const auto buffer = Pack({EthFrame(60, 0x0806, false), EthFrame(60, 0x86DD, false), vlan});
  ASSERT_EQ(VTETH_TransmitFrames(tx, 3, buffer.data(), nullptr), 0);
  const auto got = Read(rx);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].data[13], 0xDD);
  EXPECT_EQ(got[1].data.size(), 64u);
  ASSERT_EQ(VTETH_SetFilter(rx, ""), 0);
  ASSERT_EQ(VTETH_TransmitFrames(tx, 3, buffer.data(), nullptr), 0);
  EXPECT_EQ(Read(rx).size(), 3u);
}

TEST_F(EthSim, ReplayInitHeaderWritesWhatThePreProcessingLibraryReads) {
  struct Case {
    bool endOfStream;
    uint16_t length;
    uint32_t size;
  };
  for (const Case c : {Case{true, 0, 56}, Case{false, 60, 112}, Case{false, 64, 112}, Case{false, 1514, 1568}}) {
    std::vector<uint8_t> record(56 + c.length, 0xAA);
    uint32_t size = 0;
    ASSERT_EQ(VTETH_ReplayInitHeader(reinterpret_cast<VTSEthReplayData*>(record.data()), c.endOfStream, c.length,
                                     &size),
              0);
    EXPECT_EQ(size, c.size);
    uint32_t written = 0;
    uint32_t kind = 0;
    uint32_t length = 0;
    std::memcpy(&written, record.data() + 4, 4);
    std::memcpy(&kind, record.data() + 8, 4);
    std::memcpy(&length, record.data() + 36, 4);
    EXPECT_EQ(written, c.size - 8);
    EXPECT_EQ(kind == 0xF000u, c.endOfStream);
    EXPECT_EQ(length, c.length);
    if (c.endOfStream) {
      EXPECT_TRUE(std::all_of(record.begin() + 48, record.begin() + 56, [](uint8_t b) { return b == 0; }));
    }
  }
}

TEST_F(EthSim, ForcedFailuresAndAccessProviderErrors) {
  const VTTEthHandle h = Open("ETH1");
  ASSERT_EQ(VTSIM_EthForceFailure("VTETH_ReadFrames", VTBUSAPI_STATUS_SPECIFIC_ERROR, 1), 0);
  ASSERT_EQ(VTSIM_EthSetAccessProviderError("ETH1", 128, "Link down"), 0);
  std::vector<uint8_t> buffer(1024);
  uint32_t count = 7;
  EXPECT_EQ(VTETH_ReadFrames(h, 1024, buffer.data(), &count), VTBUSAPI_STATUS_SPECIFIC_ERROR);
  EXPECT_EQ(count, 0u);
  int32_t code = 0;
  char text[VTBUSAPI_TEXT_BUFFER_SIZE];
  ASSERT_EQ(VTETH_GetLastAccessProviderSpecificError(h, &code, text), 0);
  EXPECT_EQ(code, 128);
  EXPECT_STREQ(text, "Link down");
  EXPECT_EQ(VTETH_ReadFrames(h, 1024, buffer.data(), &count), 0);
  EXPECT_EQ(VTSIM_EthForceFailure("VTCAN_ReadReceiveQueue", 1, 1), VTETH_ERR_INVALID_PARAMETER);
}

TEST_F(EthSim, ReplayBufferAcceptsAPrefixWhenFull) {
  const VTTEthHandle replay = Open("ETH1", true);
  std::vector<uint8_t> stream;
  const uint32_t recordSize = 48 + 1520;
  while (stream.size() < 3u * 1024 * 1024) {
    std::vector<uint8_t> record(56 + 1514);
    uint32_t size = 0;
    ASSERT_EQ(VTETH_ReplayInitHeader(reinterpret_cast<VTSEthReplayData*>(record.data()), false, 1514, &size), 0);
    ASSERT_EQ(size, recordSize);
    stream.insert(stream.end(), record.begin(), record.begin() + size);
  }
  uint32_t bytes = static_cast<uint32_t>(stream.size());
  ASSERT_EQ(VTETH_ReplayStreamData(replay, &bytes, stream.data()), 0);
  EXPECT_EQ(bytes, (2u * 1024 * 1024 / recordSize) * recordSize);
}

}  // namespace
