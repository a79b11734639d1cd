// Records, enumerations and handles exchanged with the Veltrac Bus API.
// The layouts are a binary interface shared with the vendor libraries:
// little-endian, natural alignment, sizes pinned below.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int32_t VTTCanError;
typedef int32_t VTTEthError;
typedef int32_t VTTCanHandle;
typedef int32_t VTTEthHandle;

// Text out-parameters of the libraries are buffers of this size.
inline constexpr std::size_t VTBUSAPI_TEXT_BUFFER_SIZE = 2048;
inline constexpr VTTCanHandle VTCAN_INVALID_HANDLE = -1;
inline constexpr VTTEthHandle VTETH_INVALID_HANDLE = -1;

// Status -1: the detail is in the handle's last vendor-specific (CAN) or
// access-provider-specific (Ethernet) error.
inline constexpr int32_t VTBUSAPI_STATUS_SPECIFIC_ERROR = -1;

// Library status codes (the texts come from the error-text calls).
enum VTECanErrorCode : int32_t {
  VTCAN_ERR_OK = 0,
  VTCAN_ERR_GENERAL = 1,
  VTCAN_ERR_INVALID_HANDLE = 2,
  VTCAN_ERR_INVALID_PARAMETER = 3,
  VTCAN_ERR_CHANNEL_NOT_FOUND = 4,
  VTCAN_ERR_CHANNEL_ALREADY_REGISTERED = 5,
  VTCAN_ERR_CHANNEL_NOT_INITIALIZED = 6,
  VTCAN_ERR_CHANNEL_NOT_ACTIVATED = 7,
  VTCAN_ERR_BAUDRATE_NOT_POSSIBLE = 8,
  VTCAN_ERR_INVALID_BIT_TIMING = 9,
  VTCAN_ERR_BUFFER_TOO_SMALL = 10,
  VTCAN_ERR_NOT_A_REPLAY_CHANNEL = 11,
  VTCAN_ERR_NOT_SUPPORTED = 12,
  VTCAN_ERR_REPLAY_ALREADY_STARTED = 13,
  VTCAN_ERR_INVALID_REPLAY_RECORD = 14,
  VTCAN_ERR_CONFIGURATION = 15,
  VTCAN_ERR_INVALID_MESSAGE = 16,
  VTCAN_ERR_CHANNEL_ACTIVE = 17,
};

enum VTEEthErrorCode : int32_t {
  VTETH_ERR_OK = 0,
  VTETH_ERR_GENERAL = 1,
  VTETH_ERR_INVALID_HANDLE = 2,
  VTETH_ERR_INVALID_PARAMETER = 3,
  VTETH_ERR_INTERFACE_NOT_FOUND = 4,
  VTETH_ERR_INTERFACE_ALREADY_REGISTERED = 5,
  VTETH_ERR_INTERFACE_NOT_INITIALIZED = 6,
  VTETH_ERR_INTERFACE_NOT_ACTIVATED = 7,
  VTETH_ERR_BUFFER_TOO_SMALL = 10,
  VTETH_ERR_NOT_A_REPLAY_INTERFACE = 11,
  VTETH_ERR_NOT_SUPPORTED = 12,
  VTETH_ERR_REPLAY_ALREADY_STARTED = 13,
  VTETH_ERR_INVALID_REPLAY_RECORD = 14,
  VTETH_ERR_CONFIGURATION = 15,
  VTETH_ERR_INVALID_FRAME = 16,
  VTETH_ERR_INTERFACE_ACTIVE = 17,
};

// Vendor-specific code of a receive queue overflow; the answer is a flush.
inline constexpr int32_t VTCAN_VENDOR_ERROR_RX_QUEUE_OVERFLOW = 128;
inline constexpr int32_t VTETH_PROVIDER_ERROR_RX_QUEUE_OVERFLOW = 128;

// ---------------------------------------------------------------- CAN

enum VTECanChannelsSearchAttributeType : uint32_t {
  VTCAN_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS = 1,
};

enum VTECanBusStatus : uint32_t {
  VTCAN_BUS_STATUS_UNKNOWN = 0,
  VTCAN_BUS_STATUS_ACTIVE = 1,
  VTCAN_BUS_STATUS_PASSIVE = 2,
  VTCAN_BUS_STATUS_WARNING = 3,
  VTCAN_BUS_STATUS_BUS_OFF = 4,
};

enum VTECanMessageType : uint32_t {
  VTCAN_MESSAGE_TYPE_DATA = 1,
  VTCAN_MESSAGE_TYPE_REMOTE = 2,
  VTCAN_MESSAGE_TYPE_ERROR = 3,
  VTCAN_MESSAGE_TYPE_BUS_INFO = 4,
  VTCAN_MESSAGE_TYPE_BUS_STATISTICS = 5,
};

enum VTECanIdentifierType : uint32_t {
  VTCAN_IDENTIFIER_TYPE_STD = 1,
  VTCAN_IDENTIFIER_TYPE_XTD = 2,
  VTCAN_IDENTIFIER_TYPE_STD_XTD = 3,
};

enum VTECanReplayState : uint32_t {
  VTCAN_REPLAY_STATE_UNKNOWN = 0,
  VTCAN_REPLAY_STATE_SCHEDULED = 1,
  VTCAN_REPLAY_STATE_STARTED = 2,
  VTCAN_REPLAY_STATE_STOP = 3,
  VTCAN_REPLAY_STATE_END = 4,
  VTCAN_REPLAY_STATE_FLUSH = 5,
  VTCAN_REPLAY_STATE_INVALID = 255,
};

enum VTECanReplayStartOptions : uint32_t {
  VTCAN_REPLAY_OPTION_NONE = 0,
  VTCAN_REPLAY_OPTION_FORCE_APPLY = 1,
  VTCAN_REPLAY_OPTION_APPLY_OFFSET_ONLY = 2,
};

inline constexpr uint32_t VTCAN_CHANNEL_CAPABILITY_HIGH_SPEED_REPLAY = 0x100;

// ulFlags of transmitted messages and replay records.
inline constexpr uint32_t VTCAN_MSG_FLAG_FD = 0x1;
inline constexpr uint32_t VTCAN_MSG_FLAG_BRS = 0x2;
// ulFlags of received messages.
inline constexpr uint32_t VTCAN_MSG_FLAG_RX_FD = 0x100;
inline constexpr uint32_t VTCAN_MSG_FLAG_RX_BRS = 0x200;

struct VTSCanChannelInfo {
  char szVendorName[256];
  char szInterfaceName[256];
  char szInterfaceSerialNumber[256];
  char szChannelIdentifier[256];
  uint32_t ulChannelCapabilities;
};

struct VTSCanChannelsSearchAttribute {
  VTECanChannelsSearchAttributeType tSearchAttributeType;
  char szSearchAttribute[256];
};

struct VTSCanBitTimingParameters {
  uint32_t ulSJW;
  uint32_t ulBRP;
  uint32_t ulSAM;
  uint32_t ulTSEG1;
  uint32_t ulTSEG2;
};

struct VTSCanBusInfo {
  VTECanBusStatus tBusStatus;
  uint16_t usRxErrorCounter;
  uint16_t usTxErrorCounter;
  uint8_t ucBusLoad;
};

struct VTSCanMessage {
  VTECanMessageType tMessageType;
  uint64_t ui64Timestamp;
  uint32_t ulCanIdentifier;
  VTECanIdentifierType tCanIdentifierType;
  uint32_t ulFlags;
  uint16_t usDLC;
  uint8_t ucData[64];
  VTSCanBusInfo tBusInfo;
};

// Common head of CAN and Ethernet replay records. reserved2 holds the
// record length minus 8, reserved3 the record kind (0xF000 = end of stream).
struct VTSCanReplayHeader {
  uint32_t reserved1;
  uint32_t reserved2;
  uint32_t reserved3;
  uint32_t ulSize;
  uint64_t ui64Timestamp;
  uint64_t reserved4;
};

struct VTSCanReplayMsgHeader {
  VTECanMessageType tMessageType;
  uint32_t ulCustomVal;
  uint32_t ulCanId;
  VTECanIdentifierType tMsgFormat;
  uint32_t ulFlags;
  uint16_t usDLC;
  uint16_t reserved;
};

struct VTSCanReplayData {
  VTSCanReplayHeader tHeader;
  VTSCanReplayMsgHeader tMsgHeader;
  uint64_t ui64StartOfMsgData;  // first 8 data bytes; the data continues past the record
};

struct VTSCanReplayStatusInfo {
  uint32_t ulValidInfoFlags;
  VTECanReplayState tReplayState;
  uint64_t ui64Timestamp;
  uint64_t ui64SentFrames;
  uint64_t ui64ErrorData;
  uint64_t ui64SendFailed;
  uint64_t ui64Dropped;
  uint32_t Reserved[6];
};

inline constexpr uint32_t VTBUSAPI_REPLAY_RECORD_KIND_FRAME = 0x0001;
inline constexpr uint32_t VTBUSAPI_REPLAY_RECORD_KIND_END_OF_STREAM = 0xF000;

// ulValidInfoFlags bits of the replay status records.
inline constexpr uint32_t VTBUSAPI_REPLAY_INFO_STATE = 0x01;
inline constexpr uint32_t VTBUSAPI_REPLAY_INFO_TIMESTAMP = 0x02;
inline constexpr uint32_t VTBUSAPI_REPLAY_INFO_SENT_FRAMES = 0x04;
inline constexpr uint32_t VTBUSAPI_REPLAY_INFO_ERROR_DATA = 0x08;
inline constexpr uint32_t VTBUSAPI_REPLAY_INFO_SEND_FAILED = 0x10;
inline constexpr uint32_t VTBUSAPI_REPLAY_INFO_DROPPED = 0x20;
inline constexpr uint32_t VTBUSAPI_REPLAY_INFO_ALL = 0x3F;

// ----------------------------------------------------------- Ethernet

enum VTEEthInterfacesSearchAttributeType : uint32_t {
  VTETH_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS = 1,
};

enum VTEEthFrameType : uint32_t {
  VTETH_FRAME_TYPE_ETHERNET_FRAME = 1,  // ends with the 4-byte frame check sequence
  VTETH_FRAME_TYPE_LOOPBACK_FRAME = 2,
  VTETH_FRAME_TYPE_ETHERNET_FRAME_WITHOUT_FCS = 3,
};

enum VTEEthReplayState : uint32_t {
  VTETH_REPLAY_STATE_UNKNOWN = 0,
  VTETH_REPLAY_STATE_SCHEDULED = 1,
  VTETH_REPLAY_STATE_STARTED = 2,
  VTETH_REPLAY_STATE_STOP = 3,
  VTETH_REPLAY_STATE_END = 4,
  VTETH_REPLAY_STATE_FLUSH = 5,
  VTETH_REPLAY_STATE_INVALID = 255,
};

enum VTEEthReplayStartOptions : uint32_t {
  VTETH_REPLAY_OPTION_NONE = 0,
  VTETH_REPLAY_OPTION_FORCE_APPLY = 1,
  VTETH_REPLAY_OPTION_APPLY_OFFSET_ONLY = 2,
};

inline constexpr uint32_t VTETH_INTERFACE_CAPABILITY_HIGH_SPEED = 0x100;

struct VTSEthInterfaceInfo {
  char szAccessProviderName[256];
  char szInterfaceName[256];
  char szInterfaceSerialNumber[256];
  char szInterfaceIdentifier[256];
  uint8_t ucInterfaceMacAddress[6];
  uint32_t ulInterfaceCapabilities;
};

struct VTSEthInterfacesSearchAttribute {
  VTEEthInterfacesSearchAttributeType tSearchAttributeType;
  char szSearchAttribute[256];
};

// In frame buffers the frame bytes follow the header directly and the next
// frame starts right after them.
struct VTSEthRawFrameHeader {
  VTEEthFrameType tFrameType;
  uint32_t ulFlags;
  uint64_t ui64Timestamp;
  uint64_t ui64ControllerTimestamp;
  uint32_t ulRawDataLength;
  uint32_t reserved;
};

struct VTSEthRawFrame {
  VTSEthRawFrameHeader tHeader;
  uint8_t aucRawData[1];  // ulRawDataLength bytes
};

typedef VTSCanReplayHeader VTSEthReplayHeader;

struct VTSEthReplayFrameHeader {
  VTEEthFrameType tFrameType;
  uint32_t ulRawDataLength;
  uint32_t ulFlags;
  uint32_t reserved;
};

struct VTSEthReplayData {
  VTSEthReplayHeader tHeader;
  VTSEthReplayFrameHeader tMsgHeader;
  uint64_t ui64StartOfFrameData;  // first 8 frame bytes; the frame continues past the record
};

struct VTSEthReplayStatusInfo {
  uint32_t ulValidInfoFlags;
  VTEEthReplayState tReplayState;
  uint64_t ui64Timestamp;
  uint64_t ui64SentFrames;
  uint64_t ui64ErrorData;
  uint64_t ui64SendFailed;
  uint64_t ui64Dropped;
  uint32_t Reserved[6];
};

// Byte offset of the frame in an Ethernet replay record.
inline constexpr std::size_t VTETH_REPLAY_FRAME_OFFSET = 48;

// ------------------------------------------------------------ layouts

static_assert(sizeof(VTSCanChannelInfo) == 1028);
static_assert(offsetof(VTSCanChannelInfo, szInterfaceName) == 256);
static_assert(offsetof(VTSCanChannelInfo, szInterfaceSerialNumber) == 512);
static_assert(offsetof(VTSCanChannelInfo, szChannelIdentifier) == 768);
static_assert(offsetof(VTSCanChannelInfo, ulChannelCapabilities) == 1024);
static_assert(sizeof(VTSCanChannelsSearchAttribute) == 260);
static_assert(offsetof(VTSCanChannelsSearchAttribute, szSearchAttribute) == 4);
static_assert(sizeof(VTSCanBitTimingParameters) == 20);
static_assert(offsetof(VTSCanBitTimingParameters, ulBRP) == 4);
static_assert(offsetof(VTSCanBitTimingParameters, ulSAM) == 8);
static_assert(offsetof(VTSCanBitTimingParameters, ulTSEG1) == 12);
static_assert(offsetof(VTSCanBitTimingParameters, ulTSEG2) == 16);
static_assert(sizeof(VTSCanBusInfo) == 12);
static_assert(offsetof(VTSCanBusInfo, usRxErrorCounter) == 4);
static_assert(offsetof(VTSCanBusInfo, usTxErrorCounter) == 6);
static_assert(offsetof(VTSCanBusInfo, ucBusLoad) == 8);
static_assert(sizeof(VTSCanMessage) == 112);
static_assert(offsetof(VTSCanMessage, ui64Timestamp) == 8);
static_assert(offsetof(VTSCanMessage, ulCanIdentifier) == 16);
static_assert(offsetof(VTSCanMessage, tCanIdentifierType) == 20);
static_assert(offsetof(VTSCanMessage, ulFlags) == 24);
static_assert(offsetof(VTSCanMessage, usDLC) == 28);
static_assert(offsetof(VTSCanMessage, ucData) == 30);
static_assert(offsetof(VTSCanMessage, tBusInfo) == 96);
static_assert(sizeof(VTSCanReplayHeader) == 32);
static_assert(offsetof(VTSCanReplayHeader, reserved2) == 4);
static_assert(offsetof(VTSCanReplayHeader, reserved3) == 8);
static_assert(offsetof(VTSCanReplayHeader, ulSize) == 12);
static_assert(offsetof(VTSCanReplayHeader, ui64Timestamp) == 16);
static_assert(offsetof(VTSCanReplayHeader, reserved4) == 24);
static_assert(sizeof(VTSCanReplayMsgHeader) == 24);
static_assert(offsetof(VTSCanReplayMsgHeader, ulCustomVal) == 4);
static_assert(offsetof(VTSCanReplayMsgHeader, ulCanId) == 8);
static_assert(offsetof(VTSCanReplayMsgHeader, tMsgFormat) == 12);
static_assert(offsetof(VTSCanReplayMsgHeader, ulFlags) == 16);
static_assert(offsetof(VTSCanReplayMsgHeader, usDLC) == 20);
static_assert(offsetof(VTSCanReplayMsgHeader, reserved) == 22);
static_assert(sizeof(VTSCanReplayData) == 64);
static_assert(offsetof(VTSCanReplayData, tMsgHeader) == 32);
static_assert(offsetof(VTSCanReplayData, ui64StartOfMsgData) == 56);
static_assert(sizeof(VTSCanReplayStatusInfo) == 72);
static_assert(offsetof(VTSCanReplayStatusInfo, tReplayState) == 4);
static_assert(offsetof(VTSCanReplayStatusInfo, ui64Timestamp) == 8);
static_assert(offsetof(VTSCanReplayStatusInfo, ui64SentFrames) == 16);
static_assert(offsetof(VTSCanReplayStatusInfo, ui64ErrorData) == 24);
static_assert(offsetof(VTSCanReplayStatusInfo, ui64SendFailed) == 32);
static_assert(offsetof(VTSCanReplayStatusInfo, ui64Dropped) == 40);
static_assert(offsetof(VTSCanReplayStatusInfo, Reserved) == 48);

static_assert(sizeof(VTSEthInterfaceInfo) == 1036);
static_assert(offsetof(VTSEthInterfaceInfo, szInterfaceName) == 256);
static_assert(offsetof(VTSEthInterfaceInfo, szInterfaceSerialNumber) == 512);
static_assert(offsetof(VTSEthInterfaceInfo, szInterfaceIdentifier) == 768);
static_assert(offsetof(VTSEthInterfaceInfo, ucInterfaceMacAddress) == 1024);
static_assert(offsetof(VTSEthInterfaceInfo, ulInterfaceCapabilities) == 1032);
static_assert(sizeof(VTSEthInterfacesSearchAttribute) == 260);
static_assert(sizeof(VTSEthRawFrameHeader) == 32);
static_assert(offsetof(VTSEthRawFrameHeader, ulFlags) == 4);
static_assert(offsetof(VTSEthRawFrameHeader, ui64Timestamp) == 8);
static_assert(offsetof(VTSEthRawFrameHeader, ui64ControllerTimestamp) == 16);
static_assert(offsetof(VTSEthRawFrameHeader, ulRawDataLength) == 24);
static_assert(offsetof(VTSEthRawFrameHeader, reserved) == 28);
static_assert(offsetof(VTSEthRawFrame, aucRawData) == 32);
static_assert(sizeof(VTSEthReplayFrameHeader) == 16);
static_assert(offsetof(VTSEthReplayFrameHeader, ulRawDataLength) == 4);
static_assert(offsetof(VTSEthReplayFrameHeader, ulFlags) == 8);
static_assert(sizeof(VTSEthReplayData) == 56);
static_assert(offsetof(VTSEthReplayData, tMsgHeader) == 32);
static_assert(offsetof(VTSEthReplayData, tMsgHeader.ulRawDataLength) == 36);
static_assert(offsetof(VTSEthReplayData, tMsgHeader.ulFlags) == 40);
static_assert(offsetof(VTSEthReplayData, ui64StartOfFrameData) == VTETH_REPLAY_FRAME_OFFSET);
static_assert(sizeof(VTSEthReplayStatusInfo) == 72);
static_assert(offsetof(VTSEthReplayStatusInfo, ui64Dropped) == 40);
