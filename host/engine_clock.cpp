#include "engine_clock.h"

#include <algorithm>
#include <ctime>

#include "orda_base_clock.h"
#include "orda_time.h"
#include "orda_time_state_listener.h"

namespace ordavix_host {

ORDATimestamp AccurateSystemMicroseconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ORDATimestamp>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

EngineClock::EngineClock()
    : m_abortEvent(false, nullptr), m_condition(&m_timeStateLock, &m_abortEvent, -1),
      m_baseMonotonic(AccurateSystemMicroseconds()), m_notifier([this] { NotifierLoop(); })
{
}

EngineClock::~EngineClock()
{
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        m_stopping = true;
    }
    m_listenerChanged.notify_all();
    m_notifier.join();
}

ORDATimestamp EngineClock::NowLocked(ORDATimestamp mono) const
{
    if (m_paused) return m_baseHostTime;
    return m_baseHostTime + (mono - m_baseMonotonic) * m_speed / 1000;
}

ORDATimestamp EngineClock::CurrentTime() const
{
    std::lock_guard<std::mutex> lock(m_dataMutex);
    return NowLocked(AccurateSystemMicroseconds());
}

int EngineClock::TimeSpeed() const
{
    std::lock_guard<std::mutex> lock(m_dataMutex);
    return m_speed;
}

int EngineClock::TimeState() const
{
    std::lock_guard<std::mutex> lock(m_dataMutex);
    return m_paused ? ORDA::Paused : ORDA::Running;
}

bool EngineClock::IsPaused() const
{
    std::lock_guard<std::mutex> lock(m_dataMutex);
    return m_paused;
}

int EngineClock::GetState() const
{
    std::lock_guard<std::mutex> lock(m_dataMutex);
    return (m_paused ? ORDA::Paused : ORDA::Running) | (m_shuttingDown ? ORDA::ShuttingDown : 0);
}

template <typename F>
void EngineClock::ChangeTimeState(Change change, F apply)
{
    ORDATimestamp value;
    {
        ORDAMutexGuard<ORDAMutex> timeState(m_timeStateLock);
        {
            std::lock_guard<std::mutex> lock(m_dataMutex);
            const ORDATimestamp mono = AccurateSystemMicroseconds();
            // Rebase so that the change starts from the time reached so far.
            m_baseHostTime = NowLocked(mono);
            m_baseMonotonic = mono;
            value = apply();
        }
        m_condition.Signal();
    }
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        m_queue.push_back(Notification{change, value});
        ++m_queued;
    }
    m_listenerChanged.notify_all();
}

void EngineClock::SetSpeed(int speed)
{
    ChangeTimeState(Change::SpeedChanged, [&] {
        m_speed = speed;
        return static_cast<ORDATimestamp>(speed);
    });
}

void EngineClock::Pause()
{
    ChangeTimeState(Change::Paused, [&] {
        m_paused = true;
        return ORDATimestamp{1};
    });
}

void EngineClock::Resume()
{
    ChangeTimeState(Change::Paused, [&] {
        m_paused = false;
        return ORDATimestamp{0};
    });
}

void EngineClock::Jump(ORDATimestamp newTime)
{
    ChangeTimeState(Change::Jumped, [&] {
        m_baseHostTime = newTime;
        return newTime;
    });
}

void EngineClock::SetShuttingDown(bool shuttingDown)
{
    std::lock_guard<std::mutex> lock(m_dataMutex);
    m_shuttingDown = shuttingDown;
}

void EngineClock::RegisterListener(ORDATimeStateListener* listener)
{
    if (!listener) return;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void EngineClock::UnregisterListener(ORDATimeStateListener* listener)
{
    std::unique_lock<std::mutex> lock(m_listenerMutex);
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
    // A listener leaving from inside its own callback must not wait for it.
    if (std::this_thread::get_id() == m_notifier.get_id()) return;
    m_listenerChanged.wait(lock, [&] { return m_calling != listener; });
}

void EngineClock::FlushNotifications()
{
    std::unique_lock<std::mutex> lock(m_listenerMutex);
    const unsigned long target = m_queued;
    m_listenerChanged.wait(lock, [&] { return m_delivered >= target || m_stopping; });
}

void EngineClock::NotifierLoop()
{
    std::unique_lock<std::mutex> lock(m_listenerMutex);
    for (;;) {
        m_listenerChanged.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) return;
        const Notification note = m_queue.front();
        m_queue.pop_front();
        const std::vector<ORDATimeStateListener*> snapshot = m_listeners;
        for (ORDATimeStateListener* listener : snapshot) {
            // Skip those that left since the snapshot.
            if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) continue;
            m_calling = listener;
            lock.unlock();
            switch (note.change) {
            case Change::Jumped: listener->CallbackTimeJumped(note.value); break;
            case Change::SpeedChanged: listener->CallbackTimeSpeedChanged(static_cast<int>(note.value)); break;
            case Change::Paused: listener->CallbackTimePaused(note.value != 0); break;
            }
            lock.lock();
            m_calling = nullptr;
            m_listenerChanged.notify_all();
        }
        ++m_delivered;
        m_listenerChanged.notify_all();
    }
}

void EngineClock::RegisterClock(ORDABaseClock* clock, int* identifier)
{
    std::lock_guard<std::mutex> lock(m_clocksMutex);
    const int id = m_nextClockId++;
    m_clocks[id] = clock;
    if (identifier) *identifier = id;
}

void EngineClock::UnregisterClock(ORDABaseClock* clock, int* identifier)
{
    std::lock_guard<std::mutex> lock(m_clocksMutex);
    for (auto it = m_clocks.begin(); it != m_clocks.end(); ++it) {
        if (it->second == clock) {
            m_clocks.erase(it);
            break;
        }
    }
    if (identifier) *identifier = -1;
}

int EngineClock::ClockTimeSpeed(int identifier) const
{
    {
        std::lock_guard<std::mutex> lock(m_clocksMutex);
        if (!m_clocks.count(identifier)) return 0;
    }
    return TimeSpeed();
}

void EngineClock::SetClockTimeSpeed(int identifier, int speed)
{
    {
        std::lock_guard<std::mutex> lock(m_clocksMutex);
        if (!m_clocks.count(identifier)) return;
    }
    SetSpeed(speed);
}

}
