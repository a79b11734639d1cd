#pragma once
#include <pthread.h>

// Plain, non-recursive POSIX mutex.
class ORDAMutex {
public:
    ORDAMutex() { pthread_mutex_init(&m_mutex, nullptr); }
    ORDAMutex(const ORDAMutex&) = delete;
    ORDAMutex& operator=(const ORDAMutex&) = delete;
    virtual ~ORDAMutex() { pthread_mutex_destroy(&m_mutex); }

    virtual void Lock() { pthread_mutex_lock(&m_mutex); }
    virtual void Release() { pthread_mutex_unlock(&m_mutex); }
    pthread_mutex_t* Native() { return &m_mutex; }

private:
    pthread_mutex_t m_mutex;
};

// Re-entrant for its owner thread. The base mutex is the lock an owner
// holds; hlMutex guards the bookkeeping.
class ORDAMutex2 : public ORDAMutex {
public:
    ORDAMutex2() = default;

    void Lock() override
    {
        hlMutex.Lock();
        if (nbRef != 0 && pthread_equal(owner, pthread_self())) {
            ++nbRef;
        } else {
            requested = true;
            hlMutex.Release();
            ORDAMutex::Lock();
            hlMutex.Lock();
            requested = false;
            owner = pthread_self();
            nbRef = 1;
        }
        hlMutex.Release();
    }

    void Release() override
    {
        hlMutex.Lock();
        if (--nbRef == 0) ORDAMutex::Release();
        hlMutex.Release();
    }

    // Whether the calling thread holds it.
    bool IsOwnedByCaller()
    {
        hlMutex.Lock();
        const bool mine = nbRef != 0 && pthread_equal(owner, pthread_self());
        hlMutex.Release();
        return mine;
    }

    ORDAMutex hlMutex;
    pthread_t owner{};
    int nbRef = 0;
    bool requested = false;
};

// Holds a mutex for its scope, exceptional exits included.
template <typename M = ORDAMutex>
class ORDAMutexGuard {
public:
    explicit ORDAMutexGuard(M& m) : m_mutex(m) { m_mutex.Lock(); }
    ORDAMutexGuard(const ORDAMutexGuard&) = delete;
    ORDAMutexGuard& operator=(const ORDAMutexGuard&) = delete;
    ~ORDAMutexGuard()
    {
        if (m_locked) m_mutex.Release();
    }

    bool unlock_mtx()
    {
        if (!m_locked) return false;
        m_mutex.Release();
        m_locked = false;
        return true;
    }

    bool relock_mtx()
    {
        if (m_locked) return false;
        m_mutex.Lock();
        m_locked = true;
        return true;
    }

private:
    M& m_mutex;
    bool m_locked = true;
};
