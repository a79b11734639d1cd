#pragma once
// The engine's clock: host time in µs from the diagram's start, its speed in
// thousandths (negative: backwards), pause and jumps. Every change signals
// the time-state condition and reaches the time-state listeners on the
// engine's notifier thread.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "orda_condition.h"
#include "orda_event.h"
#include "orda_mutex.h"
#include "orda_types.h"

class ORDATimeStateListener;
class ORDABaseClock;

namespace ordavix_host {

// Accurate system time: CLOCK_MONOTONIC in µs.
ORDATimestamp AccurateSystemMicroseconds();

class EngineClock {
public:
    EngineClock();
    EngineClock(const EngineClock&) = delete;
    EngineClock& operator=(const EngineClock&) = delete;
    ~EngineClock();

    // --- what the kernel interface hands out -------------------------------
    ORDATimestamp CurrentTime() const;
    int TimeSpeed() const;
    // ORDA::Running or ORDA::Paused.
    int TimeState() const;
    bool IsPaused() const;
    // Time state plus ORDA::ShuttingDown while the engine shuts down.
    int GetState() const;
    ORDACondition* Condition() { return &m_condition; }
    void EnterTimeStateLock() { m_timeStateLock.Lock(); }
    void LeaveTimeStateLock() { m_timeStateLock.Release(); }
    void RegisterListener(ORDATimeStateListener* listener);
    // Once it returns, no callback of the listener runs on another thread.
    void UnregisterListener(ORDATimeStateListener* listener);
    void RegisterClock(ORDABaseClock* clock, int* identifier);
    void UnregisterClock(ORDABaseClock* clock, int* identifier);
    int ClockTimeSpeed(int identifier) const;
    void SetClockTimeSpeed(int identifier, int speed);

    // --- engine side ------------------------------------------------------
    void SetSpeed(int speed);
    void Pause();
    void Resume();
    void Jump(ORDATimestamp newTime);
    void SetShuttingDown(bool shuttingDown);
    // Blocks until every change so far has reached the listeners.
    void FlushNotifications();

private:
    enum class Change { Jumped, SpeedChanged, Paused };
    struct Notification {
        Change change;
        ORDATimestamp value;
    };

    ORDATimestamp NowLocked(ORDATimestamp mono) const;
    // Applies a change under both locks, signals the condition, queues the
    // notification.
    template <typename F>
    void ChangeTimeState(Change change, F apply);
    void NotifierLoop();

    ORDAMutex m_timeStateLock;
    ORDAEvent m_abortEvent;
    ORDACondition m_condition;

    mutable std::mutex m_dataMutex;
    ORDATimestamp m_baseHostTime = 0;
    ORDATimestamp m_baseMonotonic;
    int m_speed = 1000;
    bool m_paused = false;
    bool m_shuttingDown = false;

    mutable std::mutex m_clocksMutex;
    std::map<int, ORDABaseClock*> m_clocks;
    int m_nextClockId = 1;

    std::mutex m_listenerMutex;
    std::condition_variable m_listenerChanged;
    std::vector<ORDATimeStateListener*> m_listeners;
    ORDATimeStateListener* m_calling = nullptr;
    std::deque<Notification> m_queue;
    unsigned long m_queued = 0;
    unsigned long m_delivered = 0;
    bool m_stopping = false;
    std::thread m_notifier;
};

}
