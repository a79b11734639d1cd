// The simulator's hardware clock: CLOCK_MONOTONIC, scaled to a resolution.
#pragma once

#include <cstdint>

namespace vtsim {

inline constexpr int64_t kNsPerSecond = 1000000000;

int64_t MonotonicNs();
uint64_t NsToTicks(int64_t ns, uint64_t ticksPerSecond);
int64_t TicksToNs(uint64_t ticks, uint64_t ticksPerSecond);

}  // namespace vtsim
