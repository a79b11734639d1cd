#include "vtsim_bit_timing.h"

#include <algorithm>
#include <cmath>

namespace vtsim {
namespace {

const BitTimingLimits kLimits;

}  // namespace

int32_t ConvertBaudrate(uint32_t clockHz, uint32_t baudrate, VTSCanBitTimingParameters* timing,
                        std::string* why) {
  auto refuse = [&](const std::string& text) {
    if (why) *why = text;
    return static_cast<int32_t>(VTCAN_ERR_BAUDRATE_NOT_POSSIBLE);
  };
  if (clockHz == 0) return refuse("controller clock of 0 Hz");
  if (baudrate == 0) return refuse("bit rate of 0 bit/s");

  // Best candidate: smallest deviation, then smallest prescaler (finest quanta).
  uint32_t bestBrp = 0;
  uint32_t bestQuanta = 0;
  double bestDeviation = 1.0;
  for (uint32_t brp = 1; brp <= kLimits.maxBrp; ++brp) {
    const double quantaExact = static_cast<double>(clockHz) / (static_cast<double>(baudrate) * brp);
    if (quantaExact < kLimits.minQuanta - 0.5) break;
    const auto quanta = static_cast<uint32_t>(std::lround(quantaExact));
    if (quanta < kLimits.minQuanta || quanta > kLimits.maxQuanta) continue;
    const double reached = static_cast<double>(clockHz) / (static_cast<double>(brp) * quanta);
    const double deviation = std::fabs(reached - baudrate) / baudrate;
    if (deviation < bestDeviation - 1e-12) {
      bestDeviation = deviation;
      bestBrp = brp;
      bestQuanta = quanta;
      if (deviation == 0.0) break;
    }
  }
  if (bestBrp == 0 || bestDeviation > kMaxBaudrateDeviation) {
    return refuse(std::to_string(baudrate) + " bit/s cannot be reached with a " + std::to_string(clockHz) +
                  " Hz controller clock");
  }

  // Sample point at 87.5 % (80 % above 800 kbit/s), as usual for CAN.
  const double samplePoint = baudrate > 800000 ? 0.80 : 0.875;
  auto tseg2 = static_cast<uint32_t>(std::lround(bestQuanta * (1.0 - samplePoint)));
  tseg2 = std::clamp<uint32_t>(tseg2, 1, kLimits.maxTseg2);
  uint32_t tseg1 = bestQuanta - 1 - tseg2;
  if (tseg1 > kLimits.maxTseg1) {
    tseg1 = kLimits.maxTseg1;
    tseg2 = bestQuanta - 1 - tseg1;
    if (tseg2 > kLimits.maxTseg2) return refuse("no valid segment split for " + std::to_string(baudrate) + " bit/s");
  }
  if (timing) {
    timing->ulBRP = bestBrp;
    timing->ulTSEG1 = tseg1;
    timing->ulTSEG2 = tseg2;
    timing->ulSJW = std::min<uint32_t>(tseg2, 16);
    timing->ulSAM = 0;
  }
  return 0;
}

int32_t ValidateBitTiming(uint32_t clockHz, const VTSCanBitTimingParameters& t, std::string* why) {
  auto refuse = [&](const std::string& text) {
    if (why) *why = text;
    return static_cast<int32_t>(VTCAN_ERR_INVALID_BIT_TIMING);
  };
  if (clockHz == 0) return refuse("controller clock of 0 Hz");
  if (t.ulBRP < 1 || t.ulBRP > kLimits.maxBrp) return refuse("BRP " + std::to_string(t.ulBRP) + " out of range");
  if (t.ulTSEG1 < 1 || t.ulTSEG1 > kLimits.maxTseg1)
    return refuse("TSEG1 " + std::to_string(t.ulTSEG1) + " out of range");
  if (t.ulTSEG2 < 1 || t.ulTSEG2 > kLimits.maxTseg2)
    return refuse("TSEG2 " + std::to_string(t.ulTSEG2) + " out of range");
  if (t.ulSJW < 1 || t.ulSJW > t.ulTSEG2) return refuse("SJW " + std::to_string(t.ulSJW) + " out of range");
  if (t.ulSAM > 1) return refuse("SAM " + std::to_string(t.ulSAM) + " out of range");
  const uint32_t quanta = 1 + t.ulTSEG1 + t.ulTSEG2;
  if (quanta < kLimits.minQuanta || quanta > kLimits.maxQuanta)
    return refuse(std::to_string(quanta) + " time quanta per bit out of range");
  return 0;
}

int32_t ConvertBitTiming(uint32_t clockHz, const VTSCanBitTimingParameters& t, uint32_t* baudrate,
                         std::string* why) {
  const int32_t status = ValidateBitTiming(clockHz, t, why);
  if (status != 0) return status;
  const uint64_t divisor = static_cast<uint64_t>(t.ulBRP) * (1 + t.ulTSEG1 + t.ulTSEG2);
  if (baudrate) *baudrate = static_cast<uint32_t>((clockHz + divisor / 2) / divisor);
  return 0;
}

}  // namespace vtsim
