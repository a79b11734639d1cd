// Entry points of the CAN / CAN FD bus access library libVTBusApiCan.so,
// in the order the package looks them up. Every entry point returns a
// VTTCanError (0 = success). For each entry point X the header declares the
// function itself (defined by the library) and the pointer type PFN_X.
#pragma once

#include "vtbusapi_event.h"
#include "vtbusapi_types.h"

#ifdef VTBUSAPI_BUILD_LIBRARY
#define VTBUSAPI_EXPORT __attribute__((visibility("default")))
#else
#define VTBUSAPI_EXPORT
#endif

#define VTCAN_ENTRY_POINTS(X)                                                                      \
  X(VTCAN_GetAvailableChannelsCount,                                                               \
    (uint32_t * count, uint32_t attributeCount, const VTSCanChannelsSearchAttribute* attributes))  \
  X(VTCAN_GetAvailableChannels, (uint32_t * count, VTSCanChannelInfo* channels,                    \
                                 uint32_t attributeCount,                                          \
                                 const VTSCanChannelsSearchAttribute* attributes))                 \
  X(VTCAN_RegisterChannel, (const char* vendorName, const char* interfaceName,                     \
                            const char* serialNumber, const char* channelIdentifier,               \
                            VTTCanHandle* handle))                                                 \
  X(VTCAN_UnregisterChannel, (VTTCanHandle handle))                                                \
  X(VTCAN_IsChannelAccessible, (VTTCanHandle handle, bool* accessible))                            \
  X(VTCAN_InitChannel, (VTTCanHandle handle, VTECanIdentifierType identifierType,                  \
                        uint32_t receiveQueueSize, bool canFd, bool* access))                      \
  X(VTCAN_SetBaudrate, (VTTCanHandle handle, uint32_t clockFrequency,                              \
                        const VTSCanBitTimingParameters* nominal,                                  \
                        const VTSCanBitTimingParameters* data))                                    \
  X(VTCAN_GetBaudrate, (VTTCanHandle handle, uint32_t * clockFrequency,                            \
                        VTSCanBitTimingParameters * nominal, bool* canFd,                          \
                        VTSCanBitTimingParameters* data))                                          \
  X(VTCAN_SetAcceptance, (VTTCanHandle handle, uint32_t standardCode, uint32_t standardMask,       \
                          uint32_t extendedCode, uint32_t extendedMask))                           \
  X(VTCAN_SetEventNotification, (VTTCanHandle handle, VTTEventHandle event, uint32_t count))       \
  X(VTCAN_ActivateChannel, (VTTCanHandle handle))                                                  \
  X(VTCAN_DeactivateChannel, (VTTCanHandle handle))                                                \
  X(VTCAN_GetHardwareTimeResolution, (VTTCanHandle handle, uint64_t * ticksPerSecond))             \
  X(VTCAN_GetHardwareTime, (VTTCanHandle handle, uint64_t * ticks))                                \
  X(VTCAN_ReadReceiveQueue, (VTTCanHandle handle, uint32_t * count, VTSCanMessage * messages))     \
  X(VTCAN_FlushReceiveQueue, (VTTCanHandle handle))                                                \
  X(VTCAN_TransmitMessages, (VTTCanHandle handle, uint32_t count, const VTSCanMessage* messages))  \
  X(VTCAN_FlushTransmitQueue, (VTTCanHandle handle))                                               \
  X(VTCAN_RegisterReplayChannel, (const char* vendorName, const char* interfaceName,               \
                                  const char* serialNumber, const char* channelIdentifier,         \
                                  VTTCanHandle* handle, bool highSpeed, uint64_t reserved))        \
  X(VTCAN_SetReplayStartTime, (VTTCanHandle handle, uint64_t startTime, uint64_t firstTimestamp,   \
                               VTECanReplayStartOptions option, uint64_t reserved))                \
  X(VTCAN_SetReplayStopTime, (VTTCanHandle handle, uint64_t stopTime))                             \
  X(VTCAN_ReplayStreamData, (VTTCanHandle handle, uint32_t * byteCount, const uint8_t* data))      \
  X(VTCAN_ReplayInitHeader, (VTSCanReplayData * destination, bool endOfStream, uint16_t dlc,       \
                             uint32_t* recordSize))                                                \
  X(VTCAN_GetReplayStateInfo, (VTTCanHandle handle, VTSCanReplayStatusInfo * info))                \
  X(VTCAN_GetLastVendorSpecificError, (VTTCanHandle handle, int32_t * code, char* text))           \
  X(VTCAN_ConvertBaudrateToBitTimingParameters,                                                    \
    (uint32_t clockFrequency, uint32_t baudrate, VTSCanBitTimingParameters * timing))              \
  X(VTCAN_ConvertBitTimingParametersToBaudrate,                                                    \
    (uint32_t clockFrequency, const VTSCanBitTimingParameters* timing, uint32_t* baudrate))        \
  X(VTCAN_GetErrorText, (VTTCanError status, char* text))

#define VTCAN_DECLARE_POINTER_TYPE(name, params) typedef VTTCanError(*PFN_##name) params;
VTCAN_ENTRY_POINTS(VTCAN_DECLARE_POINTER_TYPE)
#undef VTCAN_DECLARE_POINTER_TYPE

extern "C" {
#define VTCAN_DECLARE_FUNCTION(name, params) VTBUSAPI_EXPORT VTTCanError name params;
VTCAN_ENTRY_POINTS(VTCAN_DECLARE_FUNCTION)
#undef VTCAN_DECLARE_FUNCTION
}

#define VTCAN_ENTRY_POINT_NAME(name, params) #name,
inline constexpr const char* VTCAN_ENTRY_POINT_NAMES[] = {VTCAN_ENTRY_POINTS(VTCAN_ENTRY_POINT_NAME)};
#undef VTCAN_ENTRY_POINT_NAME
inline constexpr std::size_t VTCAN_ENTRY_POINT_COUNT =
    sizeof(VTCAN_ENTRY_POINT_NAMES) / sizeof(VTCAN_ENTRY_POINT_NAMES[0]);
static_assert(VTCAN_ENTRY_POINT_COUNT == 28);
