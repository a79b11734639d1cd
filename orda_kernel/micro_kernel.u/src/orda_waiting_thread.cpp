#include "orda_waiting_thread.h"

#include <cerrno>

#include "orda_event.h"
#include "orda_private.h"

ORDAPosixWaitingThread::ORDAPosixWaitingThread()
{
    pthread_mutex_init(&m_mutex, nullptr);
    if (!ORDAEvent::InitMonotonicCondition(&m_condvar))
        ORDAPrivate::Report(
            "Could not initialize waiting thread with monotonic clock. Please contact the Ordavix technical support team.",
            ORDA::Error, 0, true);
}

ORDAPosixWaitingThread::~ORDAPosixWaitingThread()
{
    pthread_cond_destroy(&m_condvar);
    pthread_mutex_destroy(&m_mutex);
}

bool ORDAPosixWaitingThread::WaitBeyond(unsigned long seen, const timespec* deadline)
{
    while (m_wakeUps == seen) {
        if (!deadline) {
            pthread_cond_wait(&m_condvar, &m_mutex);
        } else if (pthread_cond_timedwait(&m_condvar, &m_mutex, deadline) == ETIMEDOUT) {
            return m_wakeUps != seen;
        }
    }
    return true;
}
