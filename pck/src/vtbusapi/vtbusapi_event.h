// Receive-notification event shared between the package and the CAN library.
// The package creates it; the library, when messages arrive, locks m_mutex,
// sets m_signalled, broadcasts m_cond and unlocks. A waiter that tests and
// clears m_signalled under m_mutex therefore never misses a notification,
// whether it arrives before or during the wait.
#pragma once

#include <pthread.h>
#include <time.h>

#include <cstddef>
#include <cstdint>

struct EventHandle {
  bool m_signalled;
  pthread_mutex_t m_mutex;
  pthread_cond_t m_cond;  // default attributes: waits use CLOCK_REALTIME deadlines
};

typedef EventHandle* VTTEventHandle;

static_assert(sizeof(EventHandle) == 96);
static_assert(offsetof(EventHandle, m_mutex) == 8);
static_assert(offsetof(EventHandle, m_cond) == 48);

inline void VTEventHandleInit(EventHandle* event) {
  event->m_signalled = false;
  pthread_mutex_init(&event->m_mutex, nullptr);
  pthread_cond_init(&event->m_cond, nullptr);
}

inline void VTEventHandleDestroy(EventHandle* event) {
  pthread_cond_destroy(&event->m_cond);
  pthread_mutex_destroy(&event->m_mutex);
}

inline void VTEventHandleSignal(EventHandle* event) {
  pthread_mutex_lock(&event->m_mutex);
  event->m_signalled = true;
  pthread_cond_broadcast(&event->m_cond);
  pthread_mutex_unlock(&event->m_mutex);
}

// Absolute CLOCK_REALTIME deadline timeoutUs from now.
inline timespec VTEventHandleDeadline(uint32_t timeoutUs) {
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += static_cast<time_t>(timeoutUs / 1000000u);
  deadline.tv_nsec += static_cast<long>(timeoutUs % 1000000u) * 1000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return deadline;
}

// Waits until the event is signalled or timeoutUs elapse; clears the flag.
// Returns true when the event was signalled (also when it already was).
inline bool VTEventHandleWaitAndClear(EventHandle* event, uint32_t timeoutUs) {
  const timespec deadline = VTEventHandleDeadline(timeoutUs);
  pthread_mutex_lock(&event->m_mutex);
  while (!event->m_signalled) {
    if (pthread_cond_timedwait(&event->m_cond, &event->m_mutex, &deadline) != 0) break;
  }
  const bool signalled = event->m_signalled;
  event->m_signalled = false;
  pthread_mutex_unlock(&event->m_mutex);
  return signalled;
}
