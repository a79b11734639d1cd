#include "vtsim_scheduler.h"

#include <chrono>

#include "vtsim_clock.h"
#include "vtsim_replay.h"

namespace vtsim {

ReplayScheduler::ReplayScheduler(std::mutex& mutex, std::function<int64_t(int64_t)> runDue)
    : m_mutex(mutex), m_runDue(std::move(runDue)) {}

ReplayScheduler::~ReplayScheduler() { Stop(); }

void ReplayScheduler::EnsureRunning() {
  if (m_thread.joinable() || m_stop) return;
  m_thread = std::thread([this] { Run(); });
}

void ReplayScheduler::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void ReplayScheduler::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stop) {
    const int64_t next = m_runDue(MonotonicNs());
    if (m_stop) break;
    if (next == kNever) {
      m_wake.wait(lock);
    } else {
      // steady_clock is CLOCK_MONOTONIC, the clock of the due times.
      const std::chrono::steady_clock::time_point due{std::chrono::nanoseconds(next)};
      m_wake.wait_until(lock, due);
    }
  }
}

}  // namespace vtsim
