#pragma once
// The engine's multi-event wait and its timers: one thread sets events at
// absolute accurate system times (CLOCK_MONOTONIC µs).
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "orda_kernel_interface.h"

namespace ordavix_host {

class EventService : public ORDAEventService {
public:
    EventService();
    EventService(const EventService&) = delete;
    EventService& operator=(const EventService&) = delete;
    ~EventService() override;

    // Re-arming an armed event moves its timer.
    void SetTimer(ORDAEvent* event, ORDATimestamp when) override;
    void CancelTimer(ORDAEvent* event) override;
    int WaitForEvents(int n, ORDAEvent** events, ORDADelay timeout) override;

    // Stops the timer thread; pending timers are dropped. Timers armed
    // afterwards fire at once, so that no late wait hangs.
    void Shutdown();
    std::size_t PendingTimers() const;

private:
    void TimerLoop();
    void Unlink(ORDAEvent* event);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::multimap<ORDATimestamp, ORDAEvent*> m_timers;
    std::unordered_map<ORDAEvent*, std::multimap<ORDATimestamp, ORDAEvent*>::iterator> m_armed;
    bool m_stopping = false;
    std::thread m_thread;
};

}
