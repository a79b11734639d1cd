#include "event_service.h"

#include <chrono>

#include "engine_clock.h"
#include "orda_event.h"
#include "orda_waiting_thread.h"

namespace ordavix_host {

EventService::EventService() : m_thread([this] { TimerLoop(); }) {}

EventService::~EventService() { Shutdown(); }

void EventService::Shutdown()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping && !m_thread.joinable()) return;
        m_stopping = true;
        for (auto& [when, event] : m_timers) event->SetInTimerList(false);
        m_timers.clear();
        m_armed.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

std::size_t EventService::PendingTimers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_timers.size();
}

void EventService::Unlink(ORDAEvent* event)
{
    auto it = m_armed.find(event);
    if (it == m_armed.end()) return;
    m_timers.erase(it->second);
    m_armed.erase(it);
    event->SetInTimerList(false);
}

void EventService::SetTimer(ORDAEvent* event, ORDATimestamp when)
{
    if (!event) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    Unlink(event);
    if (m_stopping) {
        event->Set();
        return;
    }
    const bool earliest = m_timers.empty() || when < m_timers.begin()->first;
    m_armed[event] = m_timers.emplace(when, event);
    event->SetInTimerList(true);
    lock.unlock();
    if (earliest) m_changed.notify_all();
}

void EventService::CancelTimer(ORDAEvent* event)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Unlink(event);
}

void EventService::TimerLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        if (m_timers.empty()) {
            m_changed.wait(lock);
            continue;
        }
        const ORDATimestamp due = m_timers.begin()->first;
        if (AccurateSystemMicroseconds() < due) {
            // steady_clock is CLOCK_MONOTONIC, the clock of accurate system time.
            m_changed.wait_until(lock, std::chrono::steady_clock::time_point(std::chrono::microseconds(due)));
            continue;
        }
        // Set under the lock: once CancelTimer returns, the event is not
        // touched any more and may be destroyed.
        ORDAEvent* event = m_timers.begin()->second;
        m_armed.erase(event);
        m_timers.erase(m_timers.begin());
        event->SetInTimerList(false);
        event->Set();
    }
}

int EventService::WaitForEvents(int n, ORDAEvent** events, ORDADelay timeout)
{
    if (n <= 0 || !events) {
        if (timeout > 0) {
            ORDAEvent never(false, nullptr);
            never.Wait(timeout);
        }
        return ORDA::TimeOut;
    }
    // One waiter per thread, reused by every wait of that thread.
    thread_local ORDAPosixWaitingThread waiter;
    const timespec deadline = ORDAEvent::DeadlineFromNow(timeout);
    const timespec* limit = timeout < 0 ? nullptr : &deadline;

    // Register once per distinct event: Set locks each registered waiter,
    // and a waiter registered twice would be locked twice.
    auto firstOccurrence = [&](int i) {
        for (int j = 0; j < i; ++j)
            if (events[j] == events[i]) return false;
        return events[i] != nullptr;
    };
    for (int i = 0; i < n; ++i)
        if (firstOccurrence(i)) events[i]->AddWaitingThread(&waiter);

    int found = ORDA::TimeOut;
    for (;;) {
        waiter.Lock();
        const unsigned long seen = waiter.WakeUps();
        waiter.Unlock();
        for (int i = 0; i < n; ++i) {
            if (events[i] && events[i]->State()) {
                found = i;
                break;
            }
        }
        if (found != ORDA::TimeOut) break;
        waiter.Lock();
        const bool woken = waiter.WaitBeyond(seen, limit);
        waiter.Unlock();
        if (!woken) {
            for (int i = 0; i < n; ++i) {
                if (events[i] && events[i]->State()) {
                    found = i;
                    break;
                }
            }
            break;
        }
    }

    for (int i = 0; i < n; ++i)
        if (firstOccurrence(i)) events[i]->RemoveWaitingThread(&waiter);
    return found;
}

}
