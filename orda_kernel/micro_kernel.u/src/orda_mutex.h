#pragma once
#include <pthread.h>

// Plain, non-recursive POSIX mutex.
class ORDAMutex {
public:
    ORDAMutex() { pthread_mutex_init(&m_mutex, nullptr); }
    ORDAMutex(const ORDAMutex&) = delete;
    ORDAMutex& operator=(const ORDAMutex&) = delete;
    virtual ~ORDAMutex() { pthread_mutex_destroy(&m_mutex); }

    void Lock() { pthread_mutex_lock(&m_mutex); }
    void Release() { pthread_mutex_unlock(&m_mutex); }
    pthread_mutex_t* Native() { return &m_mutex; }

private:
    pthread_mutex_t m_mutex;
};

// Holds a mutex for its scope, exceptional exits included.
template <typename M = ORDAMutex>
class ORDAMutexGuard {
public:
    explicit ORDAMutexGuard(M& m) : m_mutex(m) { m_mutex.Lock(); }
    ORDAMutexGuard(const ORDAMutexGuard&) = delete;
    ORDAMutexGuard& operator=(const ORDAMutexGuard&) = delete;
    ~ORDAMutexGuard() { m_mutex.Release(); }

private:
    M& m_mutex;
};
