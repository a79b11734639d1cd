// The waits of a module. Every one also watches the dying event and leaves
// by throwing ORDA::ModuleDied, with no trigger armed and no time-state
// registration left behind.
#include <sched.h>

#include <memory>
#include <optional>

#include "orda_condition.h"
#include "orda_module.h"
#include "orda_private.h"
#include "orda_streamed_string.h"
#include "orda_time.h"

namespace {
[[noreturn]] void Died() { throw static_cast<int>(ORDA::ModuleDied); }

// Holds the time-state lock for one pass of a host-time wait.
class TimeStatePass {
public:
    TimeStatePass() : m_kernel(ORDAPrivate::kernel), m_condition(m_kernel->TimeStateCondition())
    {
        m_kernel->EnterTimeStateLock();
        speed = m_kernel->TimeSpeed();
        timeState = m_kernel->TimeState();
        paused = m_kernel->IsPaused();
        now = m_kernel->CurrentTime(false, false);
    }
    TimeStatePass(const TimeStatePass&) = delete;
    TimeStatePass& operator=(const TimeStatePass&) = delete;
    ~TimeStatePass()
    {
        if (m_token) m_condition->AchieveWaitX(m_token);
        m_kernel->LeaveTimeStateLock();
    }

    // Registers on the time-state condition (which releases the lock) and
    // returns the event its next signal sets.
    ORDAEvent* Register()
    {
        ORDAEvent* event = nullptr;
        m_token = m_condition->WaitX(&event);
        return event;
    }
    // Takes the lock back and drops the registration.
    void Achieve()
    {
        if (!m_token) return;
        m_condition->AchieveWaitX(m_token);
        m_token = nullptr;
    }

    int speed;
    int timeState;
    bool paused;
    ORDATimestamp now;

private:
    ORDAKernelInterface* m_kernel;
    ORDACondition* m_condition;
    void* m_token = nullptr;
};

// Disarms the trigger on every way out.
class ArmedTrigger {
public:
    explicit ArmedTrigger(ORDAEvent& trigger, ORDADelay delay) : m_trigger(trigger) { m_trigger.SetTrigger(delay); }
    ArmedTrigger(const ArmedTrigger&) = delete;
    ArmedTrigger& operator=(const ArmedTrigger&) = delete;
    ~ArmedTrigger() { m_trigger.ResetTrigger(); }

private:
    ORDAEvent& m_trigger;
};

// What ended one wait of Wait or Rest; any other value is the host's
// failing result.
enum PassResult { ByTimeState = 0, ByTrigger = 2, ByCancel = 3 };

// One wait of a pass on the time-state event, the dying event (throws
// ORDA::ModuleDied), the trigger armed for `delay` when there is one, and
// the caller's cancel event.
int WaitInPass(TimeStatePass& pass, ORDAEvent& dying, ORDAEvent* trigger, ORDADelay delay, ORDAEvent* cancel)
{
    ORDAEvent* events[4] = {pass.Register(), &dying};
    int n = 2;
    if (trigger) events[n++] = trigger;
    const int cancelIndex = n;
    if (cancel) events[n++] = cancel;
    std::optional<ArmedTrigger> armed;
    if (trigger) armed.emplace(*trigger, delay);
    const int result = ORDAEvent::Wait(n, events, ORDA::Infinite);
    armed.reset();
    pass.Achieve();
    if (result == 1) Died();
    if (result == 0) return ByTimeState;
    if (trigger && result == 2) return ByTrigger;
    if (cancel && result == cancelIndex) return ByCancel;
    return result;
}

// Host-time wait of Wait4Event and Wait4Events. events[0..n) are watched;
// slot n is filled with the time-state event. Index in [0, n), or
// ORDA::TimeOut once the deadline is reached.
int TimedHostWait(int n, ORDAEvent** events, ORDADelay timeout)
{
    ORDAKernelInterface* kernel = ORDAPrivate::kernel;
    ORDATimestamp previous = kernel->CurrentTime(true, true);
    ORDATimestamp deadline = previous + timeout;
    for (;;) {
        TimeStatePass pass;
        const ORDATimestamp hostNow = kernel->CurrentTime(true, true);
        // Time went backwards: count the timeout again from here.
        if (hostNow < previous) deadline = hostNow + timeout;
        previous = hostNow;
        ORDADelay limit = -1;
        if (pass.speed > 0 && !pass.paused) {
            limit = ORDAPrivate::RealDelay(deadline - pass.now, pass.speed);
            // Reached: a last look, so that an event already set is not
            // reported as a timeout (a zero timeout polls).
            if (limit <= ORDAPrivate::MinimumWaitTime) return ORDAEvent::Wait(n, events, 0);
        }
        events[n] = pass.Register();
        const int result = ORDAEvent::Wait(n + 1, events, limit);
        pass.Achieve();
        if (result == n) continue;
        if (result == ORDA::TimeOut) {
            if (kernel->CurrentTime(true, true) >= deadline - ORDAPrivate::MinimumWaitTime) return ORDA::TimeOut;
            continue;
        }
        return result;
    }
}
}

bool ORDAModule::Wait4Event(ORDAEvent& event, ORDADelay timeout)
{
    if (IsDying()) Died();
    ORDAEvent* events[3] = {&m_dyingEvent, &event, nullptr};
    const int n = &event == &m_dyingEvent ? 1 : 2;
    if (timeout == ORDA::Infinite) {
        const int result = ORDAEvent::Wait(n, events, ORDA::Infinite);
        if (result == 0 || IsDying()) Died();
        return true;
    }
    const int result = TimedHostWait(n, events, timeout);
    if (result == 0) Died();
    if (result == 1) return true;
    return false;
}

// No event: only the dying event and the timeout end the wait.
bool ORDAModule::Wait4Event(ORDAEvent* event, ORDADelay timeout)
{
    return Wait4Event(event ? *event : m_dyingEvent, timeout);
}

int ORDAModule::Wait4Events(int n, ORDAEvent** events, ORDADelay timeout, bool withDyingEvent)
{
    if (n > 254) ORDAPrivate::KernelError("Wait4Events can't wait for more than 254 events simultaneously.", 0);
    if (n < 0) ORDAPrivate::KernelError("Wait4Events can't wait for a negative number of events.", 0);
    if (IsDying()) Died();
    // The events, the dying event, the time-state event.
    ORDAEvent* all[256];
    for (int i = 0; i < n; ++i) all[i] = events[i];
    int count = n;
    if (withDyingEvent) all[count++] = &m_dyingEvent;
    if (timeout == ORDA::Infinite) {
        const int result = ORDAEvent::Wait(count, all, ORDA::Infinite);
        if ((withDyingEvent && result == n) || IsDying()) Died();
        return result;
    }
    const int result = TimedHostWait(count, all, timeout);
    if (withDyingEvent && result == n) Died();
    return result;
}

int ORDAModule::MsgWait4Event(ORDAEvent* event, ORDADelay timeout)
{
    if (IsDying()) Died();
    ORDAEvent* events[2] = {event, &m_dyingEvent};
    const int result = ORDAEvent::MsgWait(2, events, timeout);
    if (result == 1 || IsDying()) Died();
    return result;
}

int ORDAModule::MsgWait4Events(int n, ORDAEvent** events, ORDADelay timeout, bool withDyingEvent)
{
    if (n >= 256) ORDAPrivate::KernelError("MsgWait4Events can't wait for more than 255 events simultaneously.", 0);
    if (n < 0) ORDAPrivate::KernelError("MsgWait4Events can't wait for a negative number of events.", 0);
    if (IsDying()) Died();
    ORDAEvent* all[256];
    for (int i = 0; i < n; ++i) all[i] = events[i];
    int count = n;
    if (withDyingEvent) all[count++] = &m_dyingEvent;
    const int result = ORDAEvent::MsgWait(count, all, timeout);
    if ((withDyingEvent && result == n) || IsDying()) Died();
    return result;
}

bool ORDAModule::Wait(ORDATimestamp until, ORDAEvent* cancel)
{
    if (IsDying()) Died();
    ORDAKernelInterface* kernel = ORDAPrivate::kernel;
    ORDAEvent trigger(false, nullptr);
    auto failed = [this](int line, int result) {
        ORDAStreamedString text;
        text << "ORDAEvent::Wait [line:" << line << "] Failed [result: " << result << "]";
        Report(text.Beginning(), ORDA::Error, 0);
        return true;
    };
    for (;;) {
        TimeStatePass pass;
        if (pass.speed > 0 && pass.timeState != ORDA::Paused) {
            const ORDADelay d = ORDAPrivate::RealDelay(until - pass.now, pass.speed);
            if (d <= ORDAPrivate::MinimumWaitTime) return true;
            const int result = WaitInPass(pass, m_dyingEvent, &trigger, d, cancel);
            switch (result) {
            case ByTimeState: continue;
            case ByTrigger:
                if (until - kernel->CurrentTime(false, false) <= ORDAPrivate::MinimumWaitTime) return true;
                continue;
            case ByCancel: return false;
            default: return failed(2063, result);
            }
        }
        const int result = WaitInPass(pass, m_dyingEvent, nullptr, 0, cancel);
        switch (result) {
        case ByTimeState: continue;
        case ByCancel: return false;
        default: return failed(2020, result);
        }
    }
}

bool ORDAModule::Rest(ORDADelay duration, ORDAEvent* cancel)
{
    if (IsDying()) Died();
    ORDAKernelInterface* kernel = ORDAPrivate::kernel;
    ORDAEvent trigger(false, nullptr);
    ORDADelay remaining = duration;
    ORDATimestamp target = 0;
    ORDATimestamp targetSetAt = 0;
    int direction = 0;  // sign of the speed the target was set for
    bool retarget = true;
    for (;;) {
        TimeStatePass pass;
        const int sign = pass.speed > 0 ? 1 : (pass.speed < 0 ? -1 : 0);
        if (sign != 0 && direction != 0 && sign != direction) retarget = true;
        if (retarget) {
            direction = sign != 0 ? sign : (direction != 0 ? direction : 1);
            target = direction < 0 ? pass.now - remaining : pass.now + remaining;
            targetSetAt = pass.now;
            retarget = false;
        }
        if (pass.speed != 0 && pass.timeState != ORDA::Paused) {
            const ORDADelay d = ORDAPrivate::RealDelay(target - pass.now, pass.speed);
            if (d <= ORDAPrivate::MinimumWaitTime) {
                sched_yield();
                return true;
            }
            switch (WaitInPass(pass, m_dyingEvent, &trigger, d, cancel)) {
            case ByTimeState: {
                // Keep what is left of the rest; a jump back does not add to it.
                const ORDATimestamp now = kernel->CurrentTime(false, false);
                ORDADelay elapsed = direction < 0 ? targetSetAt - now : now - targetSetAt;
                if (elapsed < 0) elapsed = 0;
                remaining = elapsed >= remaining ? 0 : remaining - elapsed;
                retarget = true;
                continue;
            }
            case ByTrigger: {
                const ORDATimestamp now = kernel->CurrentTime(false, false);
                const ORDADelay left = direction < 0 ? now - target : target - now;
                if (left <= ORDAPrivate::MinimumWaitTime) return true;
                continue;
            }
            case ByCancel: return false;
            default: return true;
            }
        }
        switch (WaitInPass(pass, m_dyingEvent, nullptr, 0, cancel)) {
        case ByTimeState: retarget = true; continue;
        case ByCancel: return false;
        default: return true;
        }
    }
}

bool ORDAModule::WaitForTimestamp(ORDATimestamp t, ORDAEvent* cancel, bool* timeStateChanged)
{
    if (IsDying()) Died();
    ORDAEvent* cancels[2] = {&m_dyingEvent, cancel};
    int which = -1;
    if (ORDA::WaitForTimestamp(t, cancel ? 2 : 1, cancels, &which, timeStateChanged)) return true;
    if (which == 0) Died();
    if (which == 1) return false;
    ORDAStreamedString text;
    text << "ORDAModule::WaitForTimestamp [line:" << 2096 << "] Failed";
    Error(text.Beginning(), 0);
    // An override of Error might return.
    throw static_cast<int>(ORDA::ErrorException);
}

bool ORDAModule::WaitForTimestamp(ORDATimestamp t, int n, ORDAEvent** cancels, int* which, bool* timeStateChanged)
{
    if (which) *which = -1;
    if (IsDying()) Died();
    // Reported and thrown there.
    if (n < 0) return ORDA::WaitForTimestamp(t, n, cancels, which, timeStateChanged);
    ORDAEvent* inlineEvents[30];
    std::unique_ptr<ORDAEvent*[]> heapEvents;
    ORDAEvent** all = inlineEvents;
    const int count = n + 1;
    if (count > 30) {
        heapEvents.reset(new ORDAEvent*[count]);
        all = heapEvents.get();
    }
    all[0] = &m_dyingEvent;
    for (int i = 1; i < count; ++i) all[i] = cancels[i - 1];
    int index = -1;
    if (ORDA::WaitForTimestamp(t, count, all, &index, timeStateChanged)) return true;
    if (index == 0) Died();
    if (index >= 1 && index < count) {
        if (which) *which = index - 1;
        return false;
    }
    ORDAStreamedString text;
    text << "ORDAModule::WaitForTimestamp [line:" << 2153 << "] Failed";
    Error(text.Beginning(), 0);
    // An override of Error might return.
    throw static_cast<int>(ORDA::ErrorException);
}
