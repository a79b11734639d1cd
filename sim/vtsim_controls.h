// Test controls of the simulated Veltrac Bus API. Tests reach into the
// simulated equipment with them; the package never calls them. Channels
// and interfaces are named by their identifier (szChannelIdentifier /
// szInterfaceIdentifier). Every control returns 0 or a library status code.
#pragma once

#include <cstdint>

#include "vtbusapi_types.h"

#ifdef VTBUSAPI_BUILD_LIBRARY
#define VTSIM_EXPORT __attribute__((visibility("default")))
#else
#define VTSIM_EXPORT
#endif

struct VTSIMChannelStats {
  int32_t handle;          // -1 when not registered
  uint32_t registered;     // 1 when registered
  uint32_t replay;         // 1 when registered as a replay channel / interface
  uint32_t initialized;
  uint32_t active;
  uint32_t reserved;
  uint64_t rxQueued;       // messages (frames) waiting in the receive queue
  uint64_t rxCapacity;     // receive queue bound
  uint64_t rxOverflow;     // messages (frames) lost to a full receive queue
  uint64_t rxFiltered;     // messages (frames) rejected by acceptance filter or mode
  uint64_t txFrames;       // messages (frames) put on the bus, replay included
  uint64_t replayPendingBytes;
};

extern "C" {

// CAN ------------------------------------------------------------------
// Back to power-on: everything unregistered, queues empty, failures and
// errors cleared, topology read again (VTBUSAPI_SIM_CONFIG or the default).
VTSIM_EXPORT int32_t VTSIM_CanReset(void);
// Why the last topology load failed (empty text when it did not).
VTSIM_EXPORT int32_t VTSIM_CanGetConfigError(char* text);
// Delivers messages to the channel as if another node had sent them; the
// channel's mode and acceptance filter apply. A timestamp of 0 is replaced
// by the channel's hardware time.
VTSIM_EXPORT int32_t VTSIM_CanInjectReceived(const char* channelId, uint32_t count, const VTSCanMessage* messages);
// Takes up to *count messages that the channel put on the bus (oldest first,
// timestamps in the channel's ticks); *count becomes the number taken.
VTSIM_EXPORT int32_t VTSIM_CanReadTransmitted(const char* channelId, uint32_t* count, VTSCanMessage* messages);
// The named entry point fails with status, times times (0: until cleared).
VTSIM_EXPORT int32_t VTSIM_CanForceFailure(const char* entryPoint, int32_t status, uint32_t times);
VTSIM_EXPORT int32_t VTSIM_CanClearForcedFailures(void);
// Sets the channel's last vendor-specific error (as VTCAN_GetLastVendorSpecificError reports it).
VTSIM_EXPORT int32_t VTSIM_CanSetVendorError(const char* channelId, int32_t code, const char* text);
VTSIM_EXPORT int32_t VTSIM_CanGetChannelStats(const char* channelId, VTSIMChannelStats* stats);

// Ethernet -------------------------------------------------------------
VTSIM_EXPORT int32_t VTSIM_EthReset(void);
VTSIM_EXPORT int32_t VTSIM_EthGetConfigError(char* text);
// frames: raw frames back to back (VTSEthRawFrameHeader + bytes each).
VTSIM_EXPORT int32_t VTSIM_EthInjectReceived(const char* interfaceId, uint32_t frameCount, const uint8_t* frames);
// Fills buffer with raw frames the interface put on the segment, as many as fit.
VTSIM_EXPORT int32_t VTSIM_EthReadTransmitted(const char* interfaceId, uint32_t bufferSize, uint8_t* buffer,
                                              uint32_t* frameCount);
VTSIM_EXPORT int32_t VTSIM_EthForceFailure(const char* entryPoint, int32_t status, uint32_t times);
VTSIM_EXPORT int32_t VTSIM_EthClearForcedFailures(void);
VTSIM_EXPORT int32_t VTSIM_EthSetAccessProviderError(const char* interfaceId, int32_t code, const char* text);
VTSIM_EXPORT int32_t VTSIM_EthGetInterfaceStats(const char* interfaceId, VTSIMChannelStats* stats);

}  // extern "C"
