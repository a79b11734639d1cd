// The thread that releases replay records at their due times. It runs the
// simulator's callback under the simulator's mutex and sleeps on the
// monotonic clock until the time the callback asks for, or until woken.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace vtsim {

class ReplayScheduler {
 public:
  // runDue(nowNs) is called with the mutex held; it returns the next due time.
  ReplayScheduler(std::mutex& mutex, std::function<int64_t(int64_t)> runDue);
  ~ReplayScheduler();
  ReplayScheduler(const ReplayScheduler&) = delete;
  ReplayScheduler& operator=(const ReplayScheduler&) = delete;

  // Both with the mutex held.
  void EnsureRunning();
  void Wake() { m_wake.notify_all(); }

  // Without the mutex held.
  void Stop();

 private:
  void Run();

  std::mutex& m_mutex;
  std::function<int64_t(int64_t)> m_runDue;
  std::condition_variable m_wake;
  std::thread m_thread;
  bool m_stop = false;
};

}  // namespace vtsim
