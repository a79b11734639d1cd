#pragma once
// Condition variable built from events, so that a wait on it can also watch
// other events. The operations are stored as member-function pointers: a
// condition the engine made runs the engine's operations when called here.
#include <cstddef>

#include "orda_event.h"
#include "orda_list.h"
#include "orda_mutex.h"
#include "orda_types.h"

class ORDACondition {
public:
    struct ORDAEventInPool {
        ORDAEvent event;
        bool free = true;
    };
    typedef void (ORDACondition::*WaitOperation)();
    typedef void* (ORDACondition::*WaitXOperation)(ORDAEvent** out);
    typedef void (ORDACondition::*AchieveWaitXOperation)(void* token);
    typedef void (ORDACondition::*SignalOperation)();
    typedef void (ORDACondition::*AbortOperation)();

    // timeout in µs for Wait; ORDA::Infinite: no limit.
    ORDACondition(ORDAMutex* mutex, ORDAEvent* abortEvent, ORDADelay timeout);
    ORDACondition(const ORDACondition&) = delete;
    ORDACondition& operator=(const ORDACondition&) = delete;
    ~ORDACondition();

    // The caller holds the mutex. Returns with it held once signalled;
    // throws ORDA::ModuleDied (abort), ORDA::TimeOut or
    // ORDA::FatalKernelError without it.
    void Wait() { (this->*m_wait)(); }
    // The caller holds the mutex; registers a waiter, releases the mutex
    // and hands out the event that Signal will set. The token goes to
    // AchieveWaitX, which takes the mutex again.
    void* WaitX(ORDAEvent** out) { return (this->*m_waitX)(out); }
    void AchieveWaitX(void* token) { (this->*m_achieveWaitX)(token); }
    void Signal() { (this->*m_signal)(); }
    void Abort() { (this->*m_abort)(); }

    ORDAMutex* Mutex() const { return m_mutex; }
    // Items of the pool, busy and free.
    int PoolSize() const { return m_pool.Length(); }
    int NbWaiters() const;

protected:
    ORDACondition(ORDAMutex* mutex, ORDAEvent* abortEvent, ORDADelay timeout, WaitOperation wait,
                  WaitXOperation waitX, AchieveWaitXOperation achieveWaitX, SignalOperation signal,
                  AbortOperation abort);

    void DoWait();
    void* DoWaitX(ORDAEvent** out);
    void DoAchieveWaitX(void* token);
    void DoSignal();
    void DoAbort();

private:
    using Pool = ORDAList<ORDAEventInPool*>;
    Pool::Item* TakeItem();
    void FreeItem(Pool::Item* item);

public:
    ORDAMutex* m_mutex;
    ORDAEvent* m_abortEvent;
    Pool m_pool;
    ORDADelay m_timeout;
    WaitOperation m_wait;
    WaitXOperation m_waitX;
    AchieveWaitXOperation m_achieveWaitX;
    SignalOperation m_signal;
    AbortOperation m_abort;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(ORDACondition, m_mutex) == 0);
static_assert(offsetof(ORDACondition, m_abortEvent) == 8);
static_assert(offsetof(ORDACondition, m_pool) == 16);
static_assert(offsetof(ORDACondition, m_timeout) == 48);
static_assert(offsetof(ORDACondition, m_wait) == 56);
static_assert(offsetof(ORDACondition, m_abort) == 120);
static_assert(sizeof(ORDACondition) == 136);
#pragma GCC diagnostic pop
