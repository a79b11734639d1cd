#pragma once
// Manual-reset event on the monotonic clock. Its layout is shared with the
// host engine, which registers its waiting threads in m_waitingThreads and
// marks m_isInTimerList while one of its timers targets the event.
#include <pthread.h>

#include <cstddef>
#include <ctime>

#include "orda_types.h"

class ORDAPosixWaitingThread;

// Ring of registered waiters; storage grows by doubling and is kept.
struct ORDAWaitingThreadRing {
    int capacity = 0;  // a power of two, or 0 before the first registration
    int count = 0;
    int first = 0;
    ORDAPosixWaitingThread** storage = nullptr;
    bool ownsStorage = false;
};

class ORDAEvent {
public:
    explicit ORDAEvent(bool initialState = false, const char* name = nullptr);
    ORDAEvent(const ORDAEvent&) = delete;
    ORDAEvent& operator=(const ORDAEvent&) = delete;
    ~ORDAEvent();

    void Set();
    void Reset();
    bool State();
    // 0 once set, or ORDA::TimeOut after timeout µs (-1: no limit). Never
    // clears the event.
    int Wait(ORDADelay timeout);

    // Index of the first set event, or ORDA::TimeOut after timeout µs of
    // real time; both go through the host's event service.
    static int Wait(int n, ORDAEvent** events, ORDADelay timeout);
    static int MsgWait(int n, ORDAEvent** events, ORDADelay timeout);
    static bool MsgInQueue() { return false; }

    // Clears the event and has the host set it `delay` µs from now.
    bool SetTrigger(ORDADelay delay);
    void ResetTrigger();

    // --- used by the host's event service ---------------------------------
    // Registers the waiter; true when the event is already set (the waiter
    // is registered either way).
    bool AddWaitingThread(ORDAPosixWaitingThread* waiter);
    void RemoveWaitingThread(ORDAPosixWaitingThread* waiter);
    int NbWaitingThreads();
    void SetInTimerList(bool inList);
    bool IsInTimerList();

    // now + timeout µs, the nanoseconds carried into seconds.
    static timespec Deadline(const timespec& now, ORDADelay timeout);
    // Binds the condition variable to the monotonic clock; false (and a
    // condition on the default clock) when the system refuses.
    static bool InitMonotonicCondition(pthread_cond_t* condvar);
    // Absolute deadline timeout µs from now on the clock condition variables
    // are bound to.
    static timespec DeadlineFromNow(ORDADelay timeout);

    pthread_mutex_t m_mutex;
    pthread_cond_t m_condvar;
    bool m_state;
    ORDAWaitingThreadRing m_waitingThreads;
    bool m_isInTimerList = false;
};

static_assert(sizeof(ORDAWaitingThreadRing) == 32);
static_assert(offsetof(ORDAWaitingThreadRing, capacity) == 0);
static_assert(offsetof(ORDAWaitingThreadRing, count) == 4);
static_assert(offsetof(ORDAWaitingThreadRing, first) == 8);
static_assert(offsetof(ORDAWaitingThreadRing, storage) == 16);
static_assert(offsetof(ORDAWaitingThreadRing, ownsStorage) == 24);
static_assert(offsetof(ORDAEvent, m_mutex) == 0);
static_assert(offsetof(ORDAEvent, m_condvar) == sizeof(pthread_mutex_t));
static_assert(offsetof(ORDAEvent, m_state) == sizeof(pthread_mutex_t) + sizeof(pthread_cond_t));
static_assert(offsetof(ORDAEvent, m_waitingThreads) == 96);
static_assert(offsetof(ORDAEvent, m_isInTimerList) == 128);
static_assert(sizeof(ORDAEvent) == 136);
