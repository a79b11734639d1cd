#pragma once
// What a multi-event wait blocks on: registered in the waiting list of every
// event it watches, woken by their Set.
#include <pthread.h>

#include "orda_types.h"

class ORDAPosixWaitingThread {
public:
    ORDAPosixWaitingThread();
    ORDAPosixWaitingThread(const ORDAPosixWaitingThread&) = delete;
    ORDAPosixWaitingThread& operator=(const ORDAPosixWaitingThread&) = delete;
    ~ORDAPosixWaitingThread();

    void Lock() { pthread_mutex_lock(&m_mutex); }
    void Unlock() { pthread_mutex_unlock(&m_mutex); }
    // Caller holds the mutex.
    void Wake()
    {
        ++m_wakeUps;
        pthread_cond_broadcast(&m_condvar);
    }
    // Number of wake-ups so far; read with the mutex held.
    unsigned long WakeUps() const { return m_wakeUps; }
    // With the mutex held: blocks until a wake-up beyond `seen` or until the
    // absolute deadline on the clock the condition variable is bound to
    // (null: no limit). False on timeout.
    bool WaitBeyond(unsigned long seen, const timespec* deadline);

    pthread_mutex_t m_mutex;
    pthread_cond_t m_condvar;
    unsigned long m_wakeUps = 0;
};
