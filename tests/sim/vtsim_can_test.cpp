#include <set>

#include "vtsim_test_support.h"

using namespace vtsim_test;

namespace {

using CanSim = CanSimTest;

TEST_F(CanSim, DefaultTopologyListsChannelsOfTheHost) {
  const auto channels = CanChannels();
  ASSERT_EQ(channels.size(), 5u);
  std::set<std::string> ids;
  int virtualCount = 0;
  int highSpeedCount = 0;
  for (const auto& c : channels) {
    ids.insert(c.szChannelIdentifier);
    EXPECT_STREQ(c.szVendorName, "Veltrac");
    if (std::string(c.szInterfaceName) == "Virtual") ++virtualCount;
    if (c.ulChannelCapabilities & VTCAN_CHANNEL_CAPABILITY_HIGH_SPEED_REPLAY) {
      ++highSpeedCount;
      EXPECT_STREQ(c.szChannelIdentifier, "CAN3");
    }
  }
  EXPECT_EQ(ids, (std::set<std::string>{"CAN1", "CAN2", "CAN3", "CAN4", "VirtualCAN1"}));
  EXPECT_EQ(virtualCount, 1);
  EXPECT_EQ(highSpeedCount, 1);
}

TEST_F(CanSim, EnumerationFiltersByAddressAndChecksItsArguments) {
  EXPECT_TRUE(CanChannels("10.1.2.3").empty());

  uint32_t count = 99;
  const auto bad = CanIp("not-an-address");
  EXPECT_EQ(VTCAN_GetAvailableChannelsCount(&count, 1, &bad), VTCAN_ERR_INVALID_PARAMETER);
  VTSCanChannelsSearchAttribute wrongType = CanIp(kHost);
  wrongType.tSearchAttributeType = static_cast<VTECanChannelsSearchAttributeType>(7);
  EXPECT_EQ(VTCAN_GetAvailableChannelsCount(&count, 1, &wrongType), VTCAN_ERR_INVALID_PARAMETER);

  const auto attr = CanIp(kHost);
  VTSCanChannelInfo two[2];
  count = 2;
  EXPECT_EQ(VTCAN_GetAvailableChannels(&count, two, 1, &attr), VTCAN_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 2u);
  EXPECT_STREQ(two[0].szChannelIdentifier, "CAN1");
}

TEST_F(CanSim, ChannelIsRegisteredOnlyOnce) {
  const VTSCanChannelInfo c = Info("CAN1");
  VTTCanHandle first = VTCAN_INVALID_HANDLE;
  ASSERT_EQ(VTCAN_RegisterChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber,
                                  c.szChannelIdentifier, &first),
            0);
  EXPECT_NE(first, VTCAN_INVALID_HANDLE);

  VTTCanHandle second = VTCAN_INVALID_HANDLE;
  EXPECT_EQ(VTCAN_RegisterChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber,
                                  c.szChannelIdentifier, &second),
            VTCAN_ERR_CHANNEL_ALREADY_REGISTERED);
  EXPECT_EQ(VTCAN_RegisterReplayChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber,
                                        c.szChannelIdentifier, &second, false, 0),
            VTCAN_ERR_CHANNEL_ALREADY_REGISTERED);

  bool accessible = false;
  EXPECT_EQ(VTCAN_IsChannelAccessible(first, &accessible), 0);
  EXPECT_TRUE(accessible);
  ASSERT_EQ(VTCAN_UnregisterChannel(first), 0);
  EXPECT_EQ(VTCAN_IsChannelAccessible(first, &accessible), VTCAN_ERR_INVALID_HANDLE);
  EXPECT_FALSE(accessible);
  EXPECT_EQ(VTCAN_RegisterChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber,
                                  c.szChannelIdentifier, &second),
            0);
  EXPECT_NE(second, first);
}

TEST_F(CanSim, RegistrationRefusesUnknownChannelsAndMissingCapability) {
  const VTSCanChannelInfo c = Info("CAN1");
  VTTCanHandle h = VTCAN_INVALID_HANDLE;
  EXPECT_EQ(VTCAN_RegisterChannel("Other", c.szInterfaceName, c.szInterfaceSerialNumber, "CAN1", &h),
            VTCAN_ERR_CHANNEL_NOT_FOUND);
  EXPECT_EQ(VTCAN_RegisterChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber, "CAN9", &h),
            VTCAN_ERR_CHANNEL_NOT_FOUND);
  EXPECT_EQ(VTCAN_RegisterReplayChannel(c.szVendorName, c.szInterfaceName, c.szInterfaceSerialNumber, "CAN1", &h,
                                        true, 0),
            VTCAN_ERR_NOT_SUPPORTED);
  const VTSCanChannelInfo hs = Info("CAN3");
  EXPECT_EQ(VTCAN_RegisterReplayChannel(hs.szVendorName, hs.szInterfaceName, hs.szInterfaceSerialNumber, "CAN3", &h,
                                        true, 0),
            0);
}

TEST_F(CanSim, TransmittedFramesReachTheOtherActiveChannelsOfTheBusWithTimestamps) {
  const VTTCanHandle tx = Open("CAN1");
  const VTTCanHandle sameBus = Open("CAN2");
  const VTTCanHandle virtualSameBus = Open("VirtualCAN1");
  const VTTCanHandle otherBus = Open("CAN3");
  const VTTCanHandle inactive = Register("CAN4");
  bool access = false;
  ASSERT_EQ(VTCAN_InitChannel(inactive, VTCAN_IDENTIFIER_TYPE_STD_XTD, 16, false, &access), 0);

  const VTSCanMessage sent[3] = {CanMsg(0x123, 8), CanMsg(0x1ABCDEF, 4, true), CanMsg(0x7FF, 0)};
  const uint64_t before = Now(sameBus);
  ASSERT_EQ(VTCAN_TransmitMessages(tx, 3, sent), 0);
  const uint64_t after = Now(sameBus);

  for (VTTCanHandle rx : {sameBus, virtualSameBus}) {
    const auto got = Read(rx);
    ASSERT_EQ(got.size(), 3u);
    uint64_t previous = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].ulCanIdentifier, sent[i].ulCanIdentifier);
      EXPECT_EQ(got[i].tCanIdentifierType, sent[i].tCanIdentifierType);
      EXPECT_EQ(got[i].usDLC, sent[i].usDLC);
      EXPECT_EQ(0, std::memcmp(got[i].ucData, sent[i].ucData, 8));
      EXPECT_GE(got[i].ui64Timestamp, before);
      EXPECT_LE(got[i].ui64Timestamp, after + 3);
      EXPECT_GT(got[i].ui64Timestamp, previous);
      previous = got[i].ui64Timestamp;
    }
  }
  EXPECT_TRUE(Read(otherBus).empty());
  EXPECT_TRUE(Read(inactive).empty());
  EXPECT_TRUE(Read(tx).empty()) << "a controller does not receive its own frames";

  VTSCanMessage log[8];
  uint32_t count = 8;
  ASSERT_EQ(VTSIM_CanReadTransmitted("CAN1", &count, log), 0);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(log[1].ulCanIdentifier, 0x1ABCDEFu);
  EXPECT_GE(log[0].ui64Timestamp, before);
}

TEST_F(CanSim, TransmitChecksChannelStateAndMessages) {
  const VTTCanHandle h = Register("CAN1");
  const VTSCanMessage m = CanMsg(0x100, 8);
  EXPECT_EQ(VTCAN_TransmitMessages(h, 1, &m), VTCAN_ERR_CHANNEL_NOT_INITIALIZED);
  bool access = false;
  ASSERT_EQ(VTCAN_InitChannel(h, VTCAN_IDENTIFIER_TYPE_STD_XTD, 64, false, &access), 0);
  EXPECT_EQ(VTCAN_TransmitMessages(h, 1, &m), VTCAN_ERR_CHANNEL_NOT_ACTIVATED);
  ASSERT_EQ(VTCAN_ActivateChannel(h), 0);
  EXPECT_EQ(VTCAN_InitChannel(h, VTCAN_IDENTIFIER_TYPE_STD_XTD, 64, false, &access), VTCAN_ERR_CHANNEL_ACTIVE);
  EXPECT_EQ(VTCAN_TransmitMessages(h, 0, nullptr), 0);

  const VTSCanMessage invalid[] = {CanMsg(0x800, 8), CanMsg(0x20000000, 8, true),
                                   CanMsg(0x100, 15, false, VTCAN_MSG_FLAG_FD), CanMsg(0x100, 16)};
  for (const auto& bad : invalid) EXPECT_EQ(VTCAN_TransmitMessages(h, 1, &bad), VTCAN_ERR_INVALID_MESSAGE);
  EXPECT_EQ(Stats("CAN1").txFrames, 0u);
}

TEST_F(CanSim, FdFramesCarryTheirFlagsAndReachOnlyFdControllers) {
  const VTTCanHandle tx = Open("CAN1", true);
  const VTTCanHandle fdRx = Open("CAN2", true);
  const VTTCanHandle classicRx = Open("VirtualCAN1", false);
  const VTSCanMessage m = CanMsg(0x321, 15, false, VTCAN_MSG_FLAG_FD | VTCAN_MSG_FLAG_BRS);
  ASSERT_EQ(VTCAN_TransmitMessages(tx, 1, &m), 0);
  const auto got = Read(fdRx);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].ulFlags, VTCAN_MSG_FLAG_RX_FD | VTCAN_MSG_FLAG_RX_BRS);
  EXPECT_EQ(got[0].usDLC, 15);
  EXPECT_EQ(0, std::memcmp(got[0].ucData, m.ucData, 64));
  EXPECT_TRUE(Read(classicRx).empty());
  EXPECT_EQ(Stats("VirtualCAN1").rxFiltered, 1u);
}

TEST_F(CanSim, FullReceiveQueueCountsOverflowAndReportsVendorError128) {
  const VTTCanHandle tx = Open("CAN1");
  const VTTCanHandle rx = Open("CAN2", false, 4);
  std::vector<VTSCanMessage> burst;
  for (uint32_t i = 0; i < 10; ++i) burst.push_back(CanMsg(i, 1));
  ASSERT_EQ(VTCAN_TransmitMessages(tx, 10, burst.data()), 0);
  EXPECT_EQ(Stats("CAN2").rxOverflow, 6u);
  EXPECT_EQ(Stats("CAN2").rxQueued, 4u);

  VTSCanMessage out[16];
  uint32_t count = 16;
  EXPECT_EQ(VTCAN_ReadReceiveQueue(rx, &count, out), VTBUSAPI_STATUS_SPECIFIC_ERROR);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(out[0].ulCanIdentifier, 0u);
  EXPECT_EQ(out[3].ulCanIdentifier, 3u);
  int32_t code = 0;
  char text[VTBUSAPI_TEXT_BUFFER_SIZE];
  ASSERT_EQ(VTCAN_GetLastVendorSpecificError(rx, &code, text), 0);
  EXPECT_EQ(code, VTCAN_VENDOR_ERROR_RX_QUEUE_OVERFLOW);
  EXPECT_STREQ(text, "Receive queue overflow: 6 messages lost");

  count = 16;
  EXPECT_EQ(VTCAN_ReadReceiveQueue(rx, &count, out), 0) << "an overflow is reported once";
  EXPECT_EQ(count, 0u);
}

struct FilterCase {
  const char* name;
  VTECanIdentifierType mode;
  uint32_t stdCode, stdMask, extCode, extMask;
  uint32_t id;
  bool extended;
  bool accepted;
};

class CanSimFilter : public CanSimTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(CanSimFilter, ControllerAppliesCodeAndMask) {
  const FilterCase& c = GetParam();
  const VTTCanHandle tx = Open("CAN1");
  const VTTCanHandle rx = Register("CAN2");
  bool access = false;
  ASSERT_EQ(VTCAN_InitChannel(rx, c.mode, 64, false, &access), 0);
  ASSERT_EQ(VTCAN_SetAcceptance(rx, c.stdCode, c.stdMask, c.extCode, c.extMask), 0);
  ASSERT_EQ(VTCAN_ActivateChannel(rx), 0);
  const VTSCanMessage m = CanMsg(c.id, 2, c.extended);
  ASSERT_EQ(VTCAN_TransmitMessages(tx, 1, &m), 0);
  EXPECT_EQ(Read(rx).size(), c.accepted ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CanSimFilter,
    ::testing::Values(
        FilterCase{"AllOpen", VTCAN_IDENTIFIER_TYPE_STD_XTD, 0, 0, 0, 0, 0x555, false, true},
        FilterCase{"StdMatch", VTCAN_IDENTIFIER_TYPE_STD_XTD, 0x120, 0x7F0, 0, 0, 0x12F, false, true},
        FilterCase{"StdMiss", VTCAN_IDENTIFIER_TYPE_STD_XTD, 0x120, 0x7F0, 0, 0, 0x130, false, false},
        FilterCase{"ExtUsesItsOwnFilter", VTCAN_IDENTIFIER_TYPE_STD_XTD, 0x120, 0x7FF, 0x1000000, 0x1F000000,
                   0x1000ABC, true, true},
        FilterCase{"ExtMiss", VTCAN_IDENTIFIER_TYPE_STD_XTD, 0, 0, 0x1000000, 0x1F000000, 0x2000ABC, true, false},
        FilterCase{"StdOnlyModeDropsExt", VTCAN_IDENTIFIER_TYPE_STD, 0, 0, 0, 0, 0x100, true, false},
        FilterCase{"XtdOnlyModeDropsStd", VTCAN_IDENTIFIER_TYPE_XTD, 0, 0, 0, 0, 0x100, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct BitTimingCase {
  uint32_t clock;
  uint32_t baudrate;
  uint32_t brp, tseg1, tseg2;
};

class CanSimBitTiming : public CanSimTest, public ::testing::WithParamInterface<BitTimingCase> {};

TEST_P(CanSimBitTiming, ConvertsBothWays) {
  const BitTimingCase& c = GetParam();
  VTSCanBitTimingParameters t{};
  ASSERT_EQ(VTCAN_ConvertBaudrateToBitTimingParameters(c.clock, c.baudrate, &t), 0);
  EXPECT_EQ(t.ulBRP, c.brp);
  EXPECT_EQ(t.ulTSEG1, c.tseg1);
  EXPECT_EQ(t.ulTSEG2, c.tseg2);
  EXPECT_GE(t.ulSJW, 1u);
  EXPECT_LE(t.ulSJW, t.ulTSEG2);
  uint32_t back = 0;
  ASSERT_EQ(VTCAN_ConvertBitTimingParametersToBaudrate(c.clock, &t, &back), 0);
  EXPECT_EQ(back, c.baudrate);
}

INSTANTIATE_TEST_SUITE_P(Rates, CanSimBitTiming,
                         ::testing::Values(BitTimingCase{8000000, 500000, 1, 13, 2},
                                           BitTimingCase{8000000, 1000000, 1, 5, 2},
                                           BitTimingCase{8000000, 125000, 1, 55, 8},
                                           BitTimingCase{80000000, 500000, 1, 139, 20},
                                           BitTimingCase{80000000, 2000000, 1, 31, 8},
                                           BitTimingCase{80000000, 5000000, 1, 12, 3}),
                         [](const auto& info) {
                           return std::to_string(info.param.clock) + "Hz_" + std::to_string(info.param.baudrate);
                         });

TEST_F(CanSim, ImpossibleBitRatesAndTimingsAreRefusedWithText) {
  VTSCanBitTimingParameters t{};
  EXPECT_EQ(VTCAN_ConvertBaudrateToBitTimingParameters(8000000, 2000000, &t), VTCAN_ERR_BAUDRATE_NOT_POSSIBLE);
  EXPECT_EQ(VTCAN_ConvertBaudrateToBitTimingParameters(8000000, 0, &t), VTCAN_ERR_BAUDRATE_NOT_POSSIBLE);
  EXPECT_EQ(VTCAN_ConvertBaudrateToBitTimingParameters(0, 500000, &t), VTCAN_ERR_BAUDRATE_NOT_POSSIBLE);
  EXPECT_EQ(VTCAN_ConvertBaudrateToBitTimingParameters(8000000, 7, &t), VTCAN_ERR_BAUDRATE_NOT_POSSIBLE);
  EXPECT_EQ(VTCAN_ConvertBaudrateToBitTimingParameters(8000000, 900000, &t), VTCAN_ERR_BAUDRATE_NOT_POSSIBLE);

  uint32_t rate = 0;
  const VTSCanBitTimingParameters zeroBrp{1, 0, 0, 13, 2};
  const VTSCanBitTimingParameters sjwAboveTseg2{3, 1, 0, 13, 2};
  const VTSCanBitTimingParameters tooFewQuanta{1, 1, 0, 3, 2};
  for (const auto& bad : {zeroBrp, sjwAboveTseg2, tooFewQuanta})
    EXPECT_EQ(VTCAN_ConvertBitTimingParametersToBaudrate(8000000, &bad, &rate), VTCAN_ERR_INVALID_BIT_TIMING);

  char text[VTBUSAPI_TEXT_BUFFER_SIZE] = {};
  ASSERT_EQ(VTCAN_GetErrorText(VTCAN_ERR_BAUDRATE_NOT_POSSIBLE, text), 0);
  EXPECT_STREQ(text, "Bit rate cannot be reached with the given controller clock");
  ASSERT_EQ(VTCAN_GetErrorText(12345, text), 0);
  EXPECT_STREQ(text, "Unknown error code 12345");
}

TEST_F(CanSim, ChannelKeepsTheBitTimingItIsGiven) {
  const VTTCanHandle h = Open("CAN1");
  uint32_t clock = 0;
  VTSCanBitTimingParameters nominal{};
  VTSCanBitTimingParameters data{};
  bool fd = true;
  ASSERT_EQ(VTCAN_GetBaudrate(h, &clock, &nominal, &fd, &data), 0);
  EXPECT_EQ(clock, 8000000u);
  EXPECT_FALSE(fd);
  uint32_t rate = 0;
  ASSERT_EQ(VTCAN_ConvertBitTimingParametersToBaudrate(clock, &nominal, &rate), 0);
  EXPECT_EQ(rate, 500000u);

  VTSCanBitTimingParameters t250{};
  ASSERT_EQ(VTCAN_ConvertBaudrateToBitTimingParameters(8000000, 250000, &t250), 0);
  const VTSCanBitTimingParameters none{};
  ASSERT_EQ(VTCAN_SetBaudrate(h, 8000000, &t250, &none), 0);
  ASSERT_EQ(VTCAN_GetBaudrate(h, &clock, &nominal, &fd, &data), 0);
  ASSERT_EQ(VTCAN_ConvertBitTimingParametersToBaudrate(clock, &nominal, &rate), 0);
  EXPECT_EQ(rate, 250000u);
  const VTSCanBitTimingParameters bad{1, 0, 0, 13, 2};
  EXPECT_EQ(VTCAN_SetBaudrate(h, 8000000, &bad, &none), VTCAN_ERR_INVALID_BIT_TIMING);

  const VTTCanHandle fdChannel = Open("CAN2", true);
  ASSERT_EQ(VTCAN_GetBaudrate(fdChannel, &clock, &nominal, &fd, &data), 0);
  EXPECT_EQ(clock, 80000000u);
  EXPECT_TRUE(fd);
  ASSERT_EQ(VTCAN_ConvertBitTimingParametersToBaudrate(clock, &data, &rate), 0);
  EXPECT_EQ(rate, 2000000u);
  EXPECT_EQ(VTCAN_SetBaudrate(fdChannel, 80000000, &nominal, &none), VTCAN_ERR_INVALID_BIT_TIMING)
      << "an FD channel needs a data-phase timing";

  const VTTCanHandle virt = Open("VirtualCAN1");
  EXPECT_EQ(VTCAN_GetBaudrate(virt, &clock, &nominal, &fd, &data), VTCAN_ERR_NOT_SUPPORTED);
  EXPECT_EQ(VTCAN_SetBaudrate(virt, 8000000, &t250, &none), VTCAN_ERR_NOT_SUPPORTED);
}

TEST_F(CanSim, HardwareClockFollowsTheMonotonicClockAtTheChannelResolution) {
  const VTTCanHandle h = Register("CAN1");
  uint64_t resolution = 0;
  ASSERT_EQ(VTCAN_GetHardwareTimeResolution(h, &resolution), 0);
  EXPECT_EQ(resolution, 1000000000u);
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t mono = static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
  const uint64_t hw = Now(h);
  EXPECT_GE(hw, mono);
  EXPECT_LT(hw - mono, 1000000000u);
}

TEST_F(CanSim, ForcedFailuresHitTheNamedEntryPoint) {
  const VTTCanHandle h = Register("CAN1");
  bool access = false;
  ASSERT_EQ(VTCAN_InitChannel(h, VTCAN_IDENTIFIER_TYPE_STD_XTD, 64, false, &access), 0);

  ASSERT_EQ(VTSIM_CanForceFailure("VTCAN_ActivateChannel", VTCAN_ERR_GENERAL, 1), 0);
  EXPECT_EQ(VTCAN_ActivateChannel(h), VTCAN_ERR_GENERAL);
  EXPECT_EQ(VTCAN_ActivateChannel(h), 0) << "forced once";
  EXPECT_EQ(Stats("CAN1").active, 1u);

  ASSERT_EQ(VTSIM_CanForceFailure("VTCAN_GetHardwareTime", 42, 0), 0);
  uint64_t t = 0;
  EXPECT_EQ(VTCAN_GetHardwareTime(h, &t), 42);
  EXPECT_EQ(VTCAN_GetHardwareTime(h, &t), 42);
  ASSERT_EQ(VTSIM_CanClearForcedFailures(), 0);
  EXPECT_EQ(VTCAN_GetHardwareTime(h, &t), 0);

  ASSERT_EQ(VTSIM_CanForceFailure("VTCAN_GetAvailableChannelsCount", 3, 1), 0);
  uint32_t count = 0;
  const auto attr = CanIp(kHost);
  EXPECT_EQ(VTCAN_GetAvailableChannelsCount(&count, 1, &attr), 3);

  EXPECT_EQ(VTSIM_CanForceFailure("VTCAN_NoSuchCall", 1, 1), VTCAN_ERR_INVALID_PARAMETER);
}

TEST_F(CanSim, VendorError128ComesWithAForcedSpecificStatus) {
  const VTTCanHandle h = Open("CAN1");
  ASSERT_EQ(VTSIM_CanSetVendorError("CAN1", 128, "Receive queue overrun"), 0);
  ASSERT_EQ(VTSIM_CanForceFailure("VTCAN_ReadReceiveQueue", VTBUSAPI_STATUS_SPECIFIC_ERROR, 1), 0);
  VTSCanMessage out[4];
  uint32_t count = 4;
  EXPECT_EQ(VTCAN_ReadReceiveQueue(h, &count, out), VTBUSAPI_STATUS_SPECIFIC_ERROR);
  EXPECT_EQ(count, 0u) << "a failed read reads nothing";
  int32_t code = 0;
  char text[VTBUSAPI_TEXT_BUFFER_SIZE];
  ASSERT_EQ(VTCAN_GetLastVendorSpecificError(h, &code, text), 0);
  EXPECT_EQ(code, 128);
  EXPECT_STREQ(text, "Receive queue overrun");
}

TEST_F(CanSim, InjectedFramesPassTheFilterAndAreStamped) {
  const VTTCanHandle rx = Register("CAN2");
  bool access = false;
  ASSERT_EQ(VTCAN_InitChannel(rx, VTCAN_IDENTIFIER_TYPE_STD_XTD, 64, false, &access), 0);
  const VTSCanMessage in[2] = {CanMsg(0x10, 8), CanMsg(0x20, 8)};
  EXPECT_EQ(VTSIM_CanInjectReceived("CAN2", 2, in), VTCAN_ERR_CHANNEL_NOT_ACTIVATED);
  ASSERT_EQ(VTCAN_SetAcceptance(rx, 0x10, 0x7FF, 0, 0), 0);
  ASSERT_EQ(VTCAN_ActivateChannel(rx), 0);
  const uint64_t before = Now(rx);
  ASSERT_EQ(VTSIM_CanInjectReceived("CAN2", 2, in), 0);
  const auto got = Read(rx);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].ulCanIdentifier, 0x10u);
  EXPECT_GE(got[0].ui64Timestamp, before);
  EXPECT_EQ(VTSIM_CanInjectReceived("NoSuchChannel", 2, in), VTCAN_ERR_CHANNEL_NOT_FOUND);
}

TEST_F(CanSim, ReplayInitHeaderWritesTheRecordHead) {
  struct Case {
    bool endOfStream;
    uint16_t dlc;
    uint32_t size;
  };
  for (const Case c : {Case{false, 0, 64}, Case{false, 8, 64}, Case{false, 9, 72}, Case{false, 15, 120},
                       Case{true, 0, 64}}) {
    alignas(8) uint8_t buffer[128];
    std::memset(buffer, 0xAA, sizeof buffer);
    uint32_t size = 0;
    ASSERT_EQ(VTCAN_ReplayInitHeader(reinterpret_cast<VTSCanReplayData*>(buffer), c.endOfStream, c.dlc, &size), 0);
    EXPECT_EQ(size, c.size);
    VTSCanReplayData r;
    std::memcpy(&r, buffer, sizeof r);
    EXPECT_EQ(r.tHeader.reserved2, c.size - 8);
    EXPECT_EQ(r.tHeader.reserved3, c.endOfStream ? 0xF000u : VTBUSAPI_REPLAY_RECORD_KIND_FRAME);
    EXPECT_EQ(r.tMsgHeader.usDLC, c.dlc);
    EXPECT_EQ(buffer[64], 0xAA) << "nothing is written past the 64-byte head";
  }
  uint32_t size = 0;
  VTSCanReplayData r;
  EXPECT_EQ(VTCAN_ReplayInitHeader(&r, false, 16, &size), VTCAN_ERR_INVALID_PARAMETER);
}

TEST_F(CanSim, ReplayCallsNeedAReplayChannel) {
  const VTTCanHandle h = Open("CAN1");
  VTSCanReplayStatusInfo info{};
  EXPECT_EQ(VTCAN_GetReplayStateInfo(h, &info), VTCAN_ERR_NOT_A_REPLAY_CHANNEL);
  uint32_t bytes = 0;
  EXPECT_EQ(VTCAN_ReplayStreamData(h, &bytes, nullptr), VTCAN_ERR_NOT_A_REPLAY_CHANNEL);
  EXPECT_EQ(VTCAN_SetReplayStartTime(h, 0, 0, VTCAN_REPLAY_OPTION_NONE, 0), VTCAN_ERR_NOT_A_REPLAY_CHANNEL);
  EXPECT_EQ(VTCAN_SetReplayStopTime(h, 1), VTCAN_ERR_NOT_A_REPLAY_CHANNEL);
}

TEST_F(CanSim, ResetForgetsRegistrationsAndQueues) {
  const VTTCanHandle tx = Open("CAN1");
  Open("CAN2");
  const VTSCanMessage m = CanMsg(1, 1);
  ASSERT_EQ(VTCAN_TransmitMessages(tx, 1, &m), 0);
  ASSERT_EQ(VTSIM_CanReset(), 0);
  EXPECT_EQ(Stats("CAN1").registered, 0u);
  EXPECT_EQ(Stats("CAN2").rxQueued, 0u);
  uint64_t t = 0;
  EXPECT_EQ(VTCAN_GetHardwareTime(tx, &t), VTCAN_ERR_INVALID_HANDLE);
}

}  // namespace
