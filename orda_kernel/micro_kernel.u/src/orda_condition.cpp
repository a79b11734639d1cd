#include "orda_condition.h"

ORDACondition::ORDACondition(ORDAMutex* mutex, ORDAEvent* abortEvent, ORDADelay timeout)
    : ORDACondition(mutex, abortEvent, timeout, &ORDACondition::DoWait, &ORDACondition::DoWaitX,
                    &ORDACondition::DoAchieveWaitX, &ORDACondition::DoSignal, &ORDACondition::DoAbort)
{
}

ORDACondition::ORDACondition(ORDAMutex* mutex, ORDAEvent* abortEvent, ORDADelay timeout, WaitOperation wait,
                             WaitXOperation waitX, AchieveWaitXOperation achieveWaitX, SignalOperation signal,
                             AbortOperation abort)
    : m_mutex(mutex), m_abortEvent(abortEvent), m_timeout(timeout), m_wait(wait), m_waitX(waitX),
      m_achieveWaitX(achieveWaitX), m_signal(signal), m_abort(abort)
{
}

ORDACondition::~ORDACondition()
{
    for (Pool::Item* it = m_pool.First(); it; it = it->Next()) delete it->value;
}

int ORDACondition::NbWaiters() const
{
    int n = 0;
    for (Pool::Item* it = m_pool.First(); it && !it->value->free; it = it->Next()) ++n;
    return n;
}

ORDACondition::Pool::Item* ORDACondition::TakeItem()
{
    Pool::Item* item = m_pool.Last();
    if (item && item->value->free) {
        m_pool.UnlinkItem(item);
        m_pool.InsertItemBefore(item, m_pool.First());
        item->value->event.Reset();
    } else {
        item = m_pool.Prepend(new ORDAEventInPool);
    }
    item->value->free = false;
    return item;
}

void ORDACondition::FreeItem(Pool::Item* item)
{
    item->value->free = true;
    m_pool.UnlinkItem(item);
    m_pool.AppendItem(item);
}

void* ORDACondition::DoWaitX(ORDAEvent** out)
{
    Pool::Item* item = TakeItem();
    m_mutex->Release();
    if (out) *out = &item->value->event;
    return item;
}

void ORDACondition::DoAchieveWaitX(void* token)
{
    m_mutex->Lock();
    FreeItem(static_cast<Pool::Item*>(token));
}

void ORDACondition::DoWait()
{
    Pool::Item* item = TakeItem();
    m_mutex->Release();
    ORDAEvent* events[2] = {&item->value->event, m_abortEvent};
    const int result = ORDAEvent::Wait(m_abortEvent ? 2 : 1, events, m_timeout);
    m_mutex->Lock();
    // The item goes back to the pool on every outcome: a busy item left
    // behind would be signalled for ever and never reused.
    FreeItem(item);
    if (result == 0) return;
    m_mutex->Release();
    if (result == 1) throw static_cast<int>(ORDA::ModuleDied);
    if (result == ORDA::TimeOut) throw static_cast<int>(ORDA::TimeOut);
    throw static_cast<int>(-4);
}

void ORDACondition::DoSignal()
{
    for (Pool::Item* it = m_pool.First(); it && !it->value->free; it = it->Next()) it->value->event.Set();
}

void ORDACondition::DoAbort()
{
    if (m_abortEvent) m_abortEvent->Set();
}
