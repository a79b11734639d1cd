#pragma once
// Host time: the engine's state bits, waits until a point of host time
// without a component, the elapsed-time timer and small helpers.
#include <cstddef>

#include "orda_types.h"

class ORDAEvent;

namespace ORDA {
// Time states of the engine.
inline constexpr int Running = 1;
inline constexpr int Paused = 2;
inline constexpr int ShuttingDown = 4;
inline constexpr int Resetting = 8;

// The engine's state bits.
int GetState();
// Whether the engine shuts down: the give-up test of code without a
// component at hand.
bool IsDying();

// Waits until host time reaches t. False when a cancel event ends the wait
// (`which`: its index, else -1); `timeStateChanged` tells whether the host's
// time state changed meanwhile. Throws ORDA::ModuleDied when the host wait
// fails.
bool WaitForTimestamp(ORDATimestamp t, int nbCancelEvents, ORDAEvent** cancels, int* which,
                      bool* timeStateChanged);
bool WaitForTimestamp(ORDATimestamp t, ORDAEvent* cancel, bool* timeStateChanged);

// Copies, then sets `done` if given.
void Memcpy(void* dst, const void* src, std::size_t length, ORDAEvent* done);
// Sleeps the calling thread for `delay` µs of real time.
void Wait4AWhile(ORDADelay delay);
}

namespace ORDAPrivate {
// A real-time delay of this or less counts as reached.
inline constexpr ORDADelay MinimumWaitTime = 1;
// Real µs to wait for `hostDelay` µs of host time at `speed` thousandths.
inline ORDADelay RealDelay(ORDADelay hostDelay, int speed) { return hostDelay * 1000 / speed; }
// The host's accurate system time, or the monotonic clock before binding.
ORDATimestamp AccurateTime();
}

// Elapsed accurate system time across Start/Stop spans.
class ORDATimer {
public:
    void Start();
    void Stop();
    void Reset();
    // µs.
    ORDATimestamp Time() const;

    ORDATimestamp total = 0;
    ORDATimestamp start = 0;
    bool running = false;
};
static_assert(sizeof(ORDATimer) == 24);
static_assert(offsetof(ORDATimer, total) == 0);
static_assert(offsetof(ORDATimer, start) == 8);
static_assert(offsetof(ORDATimer, running) == 16);
