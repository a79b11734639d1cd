// Conversion between bit rates and controller bit-timing parameters.
// Bit time = (1 + TSEG1 + TSEG2) time quanta of BRP clock periods each.
#pragma once

#include <cstdint>
#include <string>

#include "vtbusapi_types.h"

namespace vtsim {

struct BitTimingLimits {
  uint32_t maxBrp = 512;
  uint32_t maxTseg1 = 256;
  uint32_t maxTseg2 = 128;
  uint32_t minQuanta = 8;
  uint32_t maxQuanta = 385;
};

// Largest relative deviation between the asked and the reachable bit rate.
inline constexpr double kMaxBaudrateDeviation = 0.005;

// 0 or VTCAN_ERR_BAUDRATE_NOT_POSSIBLE; *why explains a refusal.
int32_t ConvertBaudrate(uint32_t clockHz, uint32_t baudrate, VTSCanBitTimingParameters* timing,
                        std::string* why);
// 0 or VTCAN_ERR_INVALID_BIT_TIMING.
int32_t ValidateBitTiming(uint32_t clockHz, const VTSCanBitTimingParameters& timing, std::string* why);
// 0 or VTCAN_ERR_INVALID_BIT_TIMING; the rate is rounded to bit/s.
int32_t ConvertBitTiming(uint32_t clockHz, const VTSCanBitTimingParameters& timing, uint32_t* baudrate,
                         std::string* why);

}  // namespace vtsim
