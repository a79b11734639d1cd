#include "vtsim_clock.h"

#include <time.h>

#include <limits>

namespace vtsim {

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

uint64_t NsToTicks(int64_t ns, uint64_t ticksPerSecond) {
  if (ns <= 0) return 0;
  const unsigned __int128 ticks =
      static_cast<unsigned __int128>(ns) * ticksPerSecond / static_cast<unsigned __int128>(kNsPerSecond);
  return static_cast<uint64_t>(ticks);
}

int64_t TicksToNs(uint64_t ticks, uint64_t ticksPerSecond) {
  if (ticksPerSecond == 0) return 0;
  const unsigned __int128 ns = static_cast<unsigned __int128>(ticks) * kNsPerSecond / ticksPerSecond;
  const auto limit = static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max());
  return ns > limit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(ns);
}

}  // namespace vtsim
