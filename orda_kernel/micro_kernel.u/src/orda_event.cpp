#include "orda_event.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "orda_private.h"
#include "orda_waiting_thread.h"

namespace {
// Set once the system refused the monotonic clock; every condition made
// afterwards, and their deadlines, use the default clock.
std::atomic<bool> g_defaultClockOnly{false};

ORDAEventService* Service()
{
    ORDAEventService* service = ORDAPrivate::kernel ? ORDAPrivate::kernel->EventService() : nullptr;
    if (!service) ORDAPrivate::KernelError("The engine offers no event service.", 0);
    return service;
}
}

bool ORDAEvent::InitMonotonicCondition(pthread_cond_t* condvar)
{
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    const int rc = g_defaultClockOnly.load() ? EINVAL : pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    if (rc != 0) {
        g_defaultClockOnly.store(true);
        pthread_condattr_destroy(&attr);
        pthread_cond_init(condvar, nullptr);
        return false;
    }
    pthread_cond_init(condvar, &attr);
    pthread_condattr_destroy(&attr);
    return true;
}

timespec ORDAEvent::Deadline(const timespec& now, ORDADelay timeout)
{
    timespec deadline;
    deadline.tv_sec = now.tv_sec + static_cast<time_t>(timeout / 1000000);
    deadline.tv_nsec = now.tv_nsec + static_cast<long>(timeout % 1000000) * 1000;
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    return deadline;
}

timespec ORDAEvent::DeadlineFromNow(ORDADelay timeout)
{
    timespec now;
    clock_gettime(g_defaultClockOnly.load() ? CLOCK_REALTIME : CLOCK_MONOTONIC, &now);
    return Deadline(now, timeout < 0 ? 0 : timeout);
}

ORDAEvent::ORDAEvent(bool initialState, const char*) : m_state(initialState)
{
    pthread_mutex_init(&m_mutex, nullptr);
    if (!InitMonotonicCondition(&m_condvar) && ORDAPrivate::kernel)
        ORDAPrivate::Report(
            "Could not initialize event with monotonic clock. Please contact the Ordavix technical support team.",
            ORDA::Error, 0, true);
}

ORDAEvent::~ORDAEvent()
{
    if (IsInTimerList() && ORDAPrivate::kernel && ORDAPrivate::kernel->EventService())
        ORDAPrivate::kernel->EventService()->CancelTimer(this);
    if (m_waitingThreads.ownsStorage) delete[] m_waitingThreads.storage;
    pthread_cond_destroy(&m_condvar);
    pthread_mutex_destroy(&m_mutex);
}

void ORDAEvent::Set()
{
    pthread_mutex_lock(&m_mutex);
    if (!m_state) {
        ORDAWaitingThreadRing& ring = m_waitingThreads;
        const int mask = ring.capacity - 1;
        // Every registered waiter is held while the state changes, so none
        // can test the state and miss the wake-up.
        for (int i = 0; i < ring.count; ++i) ring.storage[(ring.first + i) & mask]->Lock();
        m_state = true;
        pthread_cond_broadcast(&m_condvar);
        for (int i = 0; i < ring.count; ++i) {
            ORDAPosixWaitingThread* waiter = ring.storage[(ring.first + i) & mask];
            waiter->Wake();
            waiter->Unlock();
        }
    }
    pthread_mutex_unlock(&m_mutex);
}

void ORDAEvent::Reset()
{
    pthread_mutex_lock(&m_mutex);
    m_state = false;
    pthread_mutex_unlock(&m_mutex);
}

bool ORDAEvent::State()
{
    pthread_mutex_lock(&m_mutex);
    const bool state = m_state;
    pthread_mutex_unlock(&m_mutex);
    return state;
}

int ORDAEvent::Wait(ORDADelay timeout)
{
    pthread_mutex_lock(&m_mutex);
    if (timeout < 0) {
        while (!m_state) pthread_cond_wait(&m_condvar, &m_mutex);
        pthread_mutex_unlock(&m_mutex);
        return 0;
    }
    const timespec deadline = DeadlineFromNow(timeout);
    while (!m_state) {
        if (pthread_cond_timedwait(&m_condvar, &m_mutex, &deadline) == ETIMEDOUT && !m_state) {
            pthread_mutex_unlock(&m_mutex);
            return ORDA::TimeOut;
        }
    }
    pthread_mutex_unlock(&m_mutex);
    return 0;
}

int ORDAEvent::Wait(int n, ORDAEvent** events, ORDADelay timeout) { return Service()->WaitForEvents(n, events, timeout); }

int ORDAEvent::MsgWait(int n, ORDAEvent** events, ORDADelay timeout)
{
    return Service()->WaitForEvents(n, events, timeout);
}

bool ORDAEvent::SetTrigger(ORDADelay delay)
{
    Reset();
    Service()->SetTimer(this, ORDAPrivate::kernel->GetSystemAccurateTiming() + delay);
    return true;
}

void ORDAEvent::ResetTrigger() { Service()->CancelTimer(this); }

bool ORDAEvent::AddWaitingThread(ORDAPosixWaitingThread* waiter)
{
    pthread_mutex_lock(&m_mutex);
    ORDAWaitingThreadRing& ring = m_waitingThreads;
    if (ring.count == ring.capacity) {
        const int capacity = ring.capacity ? ring.capacity * 2 : 4;
        auto** storage = new ORDAPosixWaitingThread*[capacity];
        for (int i = 0; i < ring.count; ++i) storage[i] = ring.storage[(ring.first + i) & (ring.capacity - 1)];
        if (ring.ownsStorage) delete[] ring.storage;
        ring.storage = storage;
        ring.capacity = capacity;
        ring.first = 0;
        ring.ownsStorage = true;
    }
    ring.storage[(ring.first + ring.count) & (ring.capacity - 1)] = waiter;
    ++ring.count;
    const bool state = m_state;
    pthread_mutex_unlock(&m_mutex);
    return state;
}

void ORDAEvent::RemoveWaitingThread(ORDAPosixWaitingThread* waiter)
{
    pthread_mutex_lock(&m_mutex);
    ORDAWaitingThreadRing& ring = m_waitingThreads;
    const int mask = ring.capacity - 1;
    for (int i = 0; i < ring.count; ++i) {
        if (ring.storage[(ring.first + i) & mask] != waiter) continue;
        if (i == 0) {
            ring.first = (ring.first + 1) & mask;
        } else {
            for (int j = i; j + 1 < ring.count; ++j)
                ring.storage[(ring.first + j) & mask] = ring.storage[(ring.first + j + 1) & mask];
        }
        --ring.count;
        break;
    }
    pthread_mutex_unlock(&m_mutex);
}

int ORDAEvent::NbWaitingThreads()
{
    pthread_mutex_lock(&m_mutex);
    const int count = m_waitingThreads.count;
    pthread_mutex_unlock(&m_mutex);
    return count;
}

void ORDAEvent::SetInTimerList(bool inList)
{
    pthread_mutex_lock(&m_mutex);
    m_isInTimerList = inList;
    pthread_mutex_unlock(&m_mutex);
}

bool ORDAEvent::IsInTimerList()
{
    pthread_mutex_lock(&m_mutex);
    const bool inList = m_isInTimerList;
    pthread_mutex_unlock(&m_mutex);
    return inList;
}
