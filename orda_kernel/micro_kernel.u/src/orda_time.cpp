#include "orda_time.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "orda_condition.h"
#include "orda_event.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

namespace ORDAPrivate {
ORDATimestamp AccurateTime()
{
    if (kernel) return kernel->GetSystemAccurateTiming();
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ORDATimestamp>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}
}

namespace ORDA {

int GetState() { return ORDAPrivate::kernel ? ORDAPrivate::kernel->GetState() : 0; }
bool IsDying() { return (GetState() & ShuttingDown) != 0; }

namespace {
[[noreturn]] void UnknownProblem(int line, int result)
{
    ORDAStreamedString text;
    text << "ORDA::WaitForTimestamp [line:" << line << "] Failed due to an unknown problem [result:" << result
         << "]";
    ReportError(text.Beginning(), 0);
    throw static_cast<int>(ModuleDied);
}
}

bool WaitForTimestamp(ORDATimestamp t, int nbCancelEvents, ORDAEvent** cancels, int* which, bool* timeStateChanged)
{
    const int n = nbCancelEvents;
    if (n < 0) {
        ORDAStreamedString text;
        text << "ORDA::WaitForTimestamp [line:" << 751 << "] [nbCancelEvents:" << n << "] < 0";
        ReportError(text.Beginning(), 0);
        throw static_cast<int>(ModuleDied);
    }
    if (which) *which = -1;
    if (timeStateChanged) *timeStateChanged = false;

    ORDAKernelInterface* kernel = ORDAPrivate::kernel;
    ORDACondition* condition = kernel->TimeStateCondition();
    ORDAEvent trigger(false, nullptr);
    // {time-state event, trigger, cancels...}; the paused branch drops the trigger.
    ORDAEvent* inlineEvents[32];
    std::unique_ptr<ORDAEvent*[]> heapEvents;
    ORDAEvent** events = inlineEvents;
    if (n + 2 > 32) {
        heapEvents.reset(new ORDAEvent*[n + 2]);
        events = heapEvents.get();
    }

    for (;;) {
        kernel->EnterTimeStateLock();
        const int speed = kernel->TimeSpeed();
        const int state = kernel->TimeState();
        const ORDATimestamp now = kernel->CurrentTime(false, false);
        if (speed != 0 && state != Paused) {
            const ORDADelay d = ORDAPrivate::RealDelay(t - now, speed);
            if (d <= ORDAPrivate::MinimumWaitTime) {
                kernel->LeaveTimeStateLock();
                return true;
            }
            void* token = condition->WaitX(&events[0]);
            events[1] = &trigger;
            for (int i = 0; i < n; ++i) events[2 + i] = cancels[i];
            trigger.SetTrigger(d);
            const int result = ORDAEvent::Wait(n + 2, events, -1);
            trigger.ResetTrigger();
            condition->AchieveWaitX(token);
            kernel->LeaveTimeStateLock();
            if (result == 0) {
                if (timeStateChanged) *timeStateChanged = true;
            } else if (result == 1) {
                // The next pass finds the target reached or waits the rest.
            } else if (result >= 2 && result < n + 2) {
                if (which) *which = result - 2;
                return false;
            } else {
                UnknownProblem(result < 0 ? 874 : 910, result);
            }
        } else {
            void* token = condition->WaitX(&events[0]);
            for (int i = 0; i < n; ++i) events[1 + i] = cancels[i];
            const int result = ORDAEvent::Wait(n + 1, events, -1);
            condition->AchieveWaitX(token);
            kernel->LeaveTimeStateLock();
            if (result == 0) {
                if (timeStateChanged) *timeStateChanged = true;
            } else if (result >= 1 && result < n + 1) {
                if (which) *which = result - 1;
                return false;
            } else {
                UnknownProblem(result < 0 ? 806 : 824, result);
            }
        }
    }
}

bool WaitForTimestamp(ORDATimestamp t, ORDAEvent* cancel, bool* timeStateChanged)
{
    ORDAEvent* cancels[1] = {cancel};
    return WaitForTimestamp(t, cancel ? 1 : 0, cancels, nullptr, timeStateChanged);
}

void Memcpy(void* dst, const void* src, std::size_t length, ORDAEvent* done)
{
    if (length) std::memcpy(dst, src, length);
    if (done) done->Set();
}

void Wait4AWhile(ORDADelay delay)
{
    if (delay <= 0) return;
    timespec rest{static_cast<time_t>(delay / 1000000), static_cast<long>(delay % 1000000) * 1000};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

}

void ORDATimer::Start()
{
    start = ORDAPrivate::AccurateTime();
    running = true;
}

void ORDATimer::Stop()
{
    if (!running) return;
    total += ORDAPrivate::AccurateTime() - start;
    running = false;
}

void ORDATimer::Reset()
{
    total = 0;
    running = false;
}

ORDATimestamp ORDATimer::Time() const { return running ? total + ORDAPrivate::AccurateTime() - start : total; }
