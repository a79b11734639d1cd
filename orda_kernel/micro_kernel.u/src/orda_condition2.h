#pragma once
// The wait condition of one FIFO's readers: one event and one waiting mark
// per reader index. The host subscribes readers when it attaches inputs,
// so the field order is fixed.
#include <cstdint>

class ORDAEvent;
class ORDAMutex;

class ORDACondition2 {
public:
    static constexpr int MaxReaders = 32;

    ORDACondition2(ORDAMutex* fifoLock, ORDAEvent* dyingEvent, int timeout);
    ORDACondition2(const ORDACondition2&) = delete;
    ORDACondition2& operator=(const ORDACondition2&) = delete;
    ~ORDACondition2();

    // Appends a reader slot; its index, or -1 when every index is taken.
    int Subscribe();
    // Makes the slot at `index` usable again (or creates it), cleared.
    void Subscribe(int index);

    // Caller holds the FIFO lock, which is released on return.
    void WaitX(int index, ORDAEvent** readerEvent, ORDAEvent** dyingEvent);
    // Re-takes the FIFO lock; throws for a wait that did not end on the
    // reader's event (1: dying, other: fatal).
    void AchieveWaitX(int index, int waitResult);
    // Re-takes the FIFO lock and forgets the wait.
    void AbortWaitX(int index);
    // WaitX, the wait itself and AchieveWaitX in one.
    void Wait(int index);
    // Caller holds the FIFO lock.
    void Signal();
    // Wakes every waiter as if the component died.
    void CutConnection();

    ORDAEvent* ReaderEvent(int index) const { return index >= 0 && index < count ? events[index] : nullptr; }
    bool IsWaiting(int index) const { return index >= 0 && index < count && waiting[index] != 0; }

    ORDAMutex* fifoLock;
    ORDAEvent* dyingEvent;
    ORDAEvent* events[MaxReaders] = {};
    std::uint8_t waiting[MaxReaders] = {};
    std::int32_t count = 0;
    std::int32_t timeout;
};
