// Entry points of the Ethernet bus access library libVTBusApiEthernet.so,
// in the order the package looks them up. Every entry point returns a
// VTTEthError (0 = success). For each entry point X the header declares the
// function itself (defined by the library) and the pointer type PFN_X.
#pragma once

#include "vtbusapi_types.h"

#ifdef VTBUSAPI_BUILD_LIBRARY
#define VTBUSAPI_EXPORT __attribute__((visibility("default")))
#else
#define VTBUSAPI_EXPORT
#endif

#define VTETH_ENTRY_POINTS(X)                                                                      \
  X(VTETH_GetAvailableInterfacesCount, (uint32_t * count, uint32_t attributeCount,                 \
                                        const VTSEthInterfacesSearchAttribute* attributes))        \
  X(VTETH_GetAvailableInterfaces, (uint32_t * count, VTSEthInterfaceInfo* interfaces,              \
                                   uint32_t attributeCount,                                        \
                                   const VTSEthInterfacesSearchAttribute* attributes))             \
  X(VTETH_RegisterInterface, (const char* accessProviderName, const char* interfaceName,           \
                              const char* serialNumber, const char* interfaceIdentifier,           \
                              VTTEthHandle* handle))                                               \
  X(VTETH_UnregisterInterface, (VTTEthHandle handle))                                              \
  X(VTETH_GetInterfaceBufferSize, (VTTEthHandle handle, uint32_t * size))                          \
  X(VTETH_IsInterfaceAccessible, (VTTEthHandle handle, bool* accessible))                          \
  X(VTETH_InitInterface, (VTTEthHandle handle))                                                    \
  X(VTETH_ActivateInterface, (VTTEthHandle handle))                                                \
  X(VTETH_DeactivateInterface, (VTTEthHandle handle))                                              \
  X(VTETH_GetTimeResolution, (VTTEthHandle handle, uint64_t * ticksPerSecond,                      \
                              uint64_t * controllerTicksPerSecond))                                \
  X(VTETH_GetTime, (VTTEthHandle handle, uint64_t * ticks, uint64_t * controllerTicks))            \
  X(VTETH_ReadFrames, (VTTEthHandle handle, uint32_t bufferSize, uint8_t * buffer,                 \
                       uint32_t * frameCount))                                                     \
  X(VTETH_FlushReceiveQueue, (VTTEthHandle handle))                                                \
  X(VTETH_TransmitFrames, (VTTEthHandle handle, uint32_t frameCount, const uint8_t* buffer,        \
                           uint32_t* sentCount))                                                   \
  X(VTETH_FlushTransmitQueue, (VTTEthHandle handle))                                               \
  X(VTETH_GetErrorText, (VTTEthError status, char* text))                                          \
  X(VTETH_GetLastAccessProviderSpecificError, (VTTEthHandle handle, int32_t * code, char* text))   \
  X(VTETH_SetFilter, (VTTEthHandle handle, const char* filter))                                    \
  X(VTETH_SetReplayStartTime, (VTTEthHandle handle, uint64_t startTime, uint64_t firstTimestamp,   \
                               VTEEthReplayStartOptions option, uint64_t reserved))                \
  X(VTETH_SetReplayStopTime, (VTTEthHandle handle, uint64_t stopTime))                             \
  X(VTETH_ReplayStreamData, (VTTEthHandle handle, uint32_t * byteCount, const uint8_t* data))      \
  X(VTETH_ReplayInitHeader, (VTSEthReplayData * destination, bool endOfStream,                     \
                             uint16_t frameLength, uint32_t* recordSize))                          \
  X(VTETH_GetReplayStateInfo, (VTTEthHandle handle, VTSEthReplayStatusInfo * info))                \
  X(VTETH_RegisterReplayInterface, (const char* accessProviderName, const char* interfaceName,     \
                                    const char* serialNumber, const char* interfaceIdentifier,     \
                                    VTTEthHandle* handle, bool highSpeed, uint64_t reserved))

#define VTETH_DECLARE_POINTER_TYPE(name, params) typedef VTTEthError(*PFN_##name) params;
VTETH_ENTRY_POINTS(VTETH_DECLARE_POINTER_TYPE)
#undef VTETH_DECLARE_POINTER_TYPE

extern "C" {
#define VTETH_DECLARE_FUNCTION(name, params) VTBUSAPI_EXPORT VTTEthError name params;
VTETH_ENTRY_POINTS(VTETH_DECLARE_FUNCTION)
#undef VTETH_DECLARE_FUNCTION
}

#define VTETH_ENTRY_POINT_NAME(name, params) #name,
inline constexpr const char* VTETH_ENTRY_POINT_NAMES[] = {VTETH_ENTRY_POINTS(VTETH_ENTRY_POINT_NAME)};
#undef VTETH_ENTRY_POINT_NAME
inline constexpr std::size_t VTETH_ENTRY_POINT_COUNT =
    sizeof(VTETH_ENTRY_POINT_NAMES) / sizeof(VTETH_ENTRY_POINT_NAMES[0]);
static_assert(VTETH_ENTRY_POINT_COUNT == 24);
