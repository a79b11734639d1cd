#include "orda_condition2.h"

#include "orda_event.h"
#include "orda_module.h"
#include "orda_mutex.h"

ORDACondition2::ORDACondition2(ORDAMutex* lock, ORDAEvent* dying, int t) : fifoLock(lock), dyingEvent(dying), timeout(t)
{
}

ORDACondition2::~ORDACondition2()
{
    for (ORDAEvent* e : events) delete e;
}

int ORDACondition2::Subscribe()
{
    if (count >= MaxReaders) return -1;
    const int index = count;
    Subscribe(index);
    return index;
}

void ORDACondition2::Subscribe(int index)
{
    if (index < 0 || index >= MaxReaders) return;
    if (events[index]) events[index]->Reset();
    else events[index] = new ORDAEvent(false, nullptr);
    if (index >= count) count = index + 1;
    waiting[index] = 0;
}

void ORDACondition2::WaitX(int index, ORDAEvent** readerEvent, ORDAEvent** dying)
{
    events[index]->Reset();
    *readerEvent = events[index];
    *dying = dyingEvent;
    waiting[index] = 1;
    fifoLock->Release();
}

void ORDACondition2::AchieveWaitX(int index, int waitResult)
{
    fifoLock->Lock();
    if (waitResult == 0) {
        waiting[index] = 0;
        return;
    }
    fifoLock->Release();
    if (waitResult == 1) throw static_cast<int>(ORDA::ModuleDied);
    throw static_cast<int>(ORDA::FatalKernelError);
}

void ORDACondition2::AbortWaitX(int index)
{
    fifoLock->Lock();
    waiting[index] = 0;
}

void ORDACondition2::Wait(int index)
{
    ORDAEvent* wake[2];
    WaitX(index, &wake[0], &wake[1]);
    const int result = ORDAEvent::Wait(2, wake, timeout);
    fifoLock->Lock();
    if (result == 0) {
        waiting[index] = 0;
        return;
    }
    fifoLock->Release();
    if (result == 1) throw static_cast<int>(ORDA::ModuleDied);
    if (result == ORDA::TimeOut) throw static_cast<int>(ORDA::TimeOut);
    throw static_cast<int>(ORDA::FatalKernelError);
}

void ORDACondition2::Signal()
{
    for (int i = 0; i < count; ++i)
        if (waiting[i] && events[i]) events[i]->Set();
}

void ORDACondition2::CutConnection()
{
    if (dyingEvent) dyingEvent->Set();
}
