#include "orda_io_monitor.h"

#include "orda_condition2.h"
#include "orda_input.h"
#include "orda_private.h"
#include "orda_streamed_string.h"
#include "orda_types.h"

namespace {
constexpr const char* kContactSupport = "). Please contact the technical support team.";

inline std::uint32_t Bit(int reader) { return 1u << (static_cast<unsigned>(reader) & 31u); }
inline std::uint32_t Mask(std::int32_t v) { return static_cast<std::uint32_t>(v); }
}

template <typename T>
ORDAFastIO<T>::ORDAFastIO(ORDAEvent* dying, int fifoSize, int subsampling)
    : readers(nullptr),
      spaceEvent(false, nullptr),
      progressEvent(false, nullptr),
      abortEvent(false, nullptr),
      dyingEvent(dying),
      subsamplingReload(subsampling),
      subsamplingCounter(subsampling)
{
    readers = new ORDACondition2(&lock, dying, -1);
    ResetFifoSize(fifoSize);
}

template <typename T>
ORDAFastIO<T>::~ORDAFastIO()
{
    Slot* s = head;
    while (s) {
        Slot* n = s->next;
        delete s;
        s = n;
    }
    delete readers;
}

template <typename T>
void ORDAFastIO<T>::Unlink(Slot* s)
{
    if (s->previous) s->previous->next = s->next;
    else head = s->next;
    if (s->next) s->next->previous = s->previous;
    else tail = s->previous;
    s->previous = s->next = nullptr;
}

template <typename T>
void ORDAFastIO<T>::PushFront(Slot* s)
{
    s->previous = nullptr;
    s->next = head;
    if (head) head->previous = s;
    else tail = s;
    head = s;
}

template <typename T>
void ORDAFastIO<T>::ResetFifoSize(int n)
{
    ORDAMutexGuard<ORDAMutex> guard(lock);
    Slot* s = head;
    while (s) {
        Slot* next = s->next;
        delete s;
        s = next;
    }
    head = tail = nullptr;
    count = 0;
    for (int i = 0; i < n; ++i) {
        Slot* slot = new Slot();
        slot->previous = tail;
        if (tail) tail->next = slot;
        else head = slot;
        tail = slot;
        ++count;
    }
}

template <typename T>
void ORDAFastIO<T>::Fatal(const char* text)
{
    lock.Release();
    ORDAPrivate::Report(text, ORDA::Error, 0, false);
    throw static_cast<int>(ORDA::ErrorException);
}

template <typename T>
void ORDAFastIO<T>::Fatal(const char* text, std::uint32_t m)
{
    ORDAStreamedString message;
    message << text << static_cast<long>(m) << kContactSupport;
    Fatal(message.Beginning());
}

// --- writer ------------------------------------------------------------------

template <typename T>
typename ORDAFastIO<T>::Slot* ORDAFastIO<T>::StartWriting(ORDAMutex* toRelease)
{
    lock.Lock();
    if (toRelease) toRelease->Release();
    for (;;) {
        Slot* taken = nullptr;
        Slot* blocker = nullptr;
        for (Slot* s = tail; s && !taken && !blocker; s = s->previous) {
            if (s->state == ORDA::SlotEmpty) {
                taken = s;
            } else if (s->state == ORDA::SlotPublished) {
                const std::uint32_t read = Mask(s->readMask);
                if (read == fifoReaders) {
                    taken = s;
                } else if ((read & neverSkippingReaders) == neverSkippingReaders) {
                    // A FIFO reader will miss this sample.
                    if (overflowCallback) overflowCallback(overflowArgument);
                    taken = s;
                } else {
                    blocker = s;
                }
            }
        }
        if (blocker) {
            progressEvent.Reset();
            abortEvent.Reset();
            lock.Release();
            ORDAEvent* events[3] = {&progressEvent, dyingEvent, &abortEvent};
            const int result = ORDAEvent::Wait(3, events, writeTimeout);
            lock.Lock();
            if (result == 0) continue;
            if (result == 1) {
                lock.Release();
                throw static_cast<int>(ORDA::ModuleDied);
            }
            if (result == 2) {
                lock.Release();
                return nullptr;
            }
            if (result == ORDA::TimeOut) {
                lock.Release();
                throw static_cast<int>(ORDA::TimeOut);
            }
            if (blocker->state != ORDA::SlotPublished) continue;
            taken = blocker;
        }
        if (!taken) {
            if (overflowCallback) overflowCallback(overflowArgument);
            Fatal("Output buffer fatal error : StartWriting has no space where to write. Check that each call to "
                  "StartWriting has its corresponding call to StopWriting.");
        }
        taken->state = ORDA::SlotWriting;
        taken->readingMask = 0;
        taken->readMask = 0;
        lock.Release();
        return taken;
    }
}

template <typename T>
void ORDAFastIO<T>::Discard(Slot* slot)
{
    ORDAMutexGuard<ORDAMutex> guard(lock);
    slot->state = ORDA::SlotEmpty;
}

template <typename T>
bool ORDAFastIO<T>::Publish(Slot* slot)
{
    ORDAMutexGuard<ORDAMutex> guard(lock);
    // A rate below 1 publishes every sample rather than counting down for ever.
    if (--subsamplingCounter > 0) {
        slot->state = ORDA::SlotEmpty;
        return false;
    }
    if (count > 1 && head != slot) {
        Unlink(slot);
        PushFront(slot);
    }
    slot->state = ORDA::SlotPublished;
    slot->readingMask = 0;
    slot->readMask = 0;
    readers->Signal();
    subsamplingCounter = subsamplingReload;
    return true;
}

// --- readers -----------------------------------------------------------------

template <typename T>
void ORDAFastIO<T>::MarkConsumed(std::uint32_t m, Slot* slot)
{
    slot->readMask = static_cast<std::int32_t>(Mask(slot->readMask) | m);
    if (neverSkippingReaders && (Mask(slot->readMask) & neverSkippingReaders) == neverSkippingReaders)
        progressEvent.Set();
}

template <typename T>
void ORDAFastIO<T>::Take(int reader, Slot* slot)
{
    const std::uint32_t m = Bit(reader);
    slot->readingMask = static_cast<std::int32_t>(Mask(slot->readingMask) | m);
    if (fifoReaders & m) slot->readMask = static_cast<std::int32_t>(Mask(slot->readMask) | m);
    slot->state = ORDA::SlotReading;
}

template <typename T>
typename ORDAFastIO<T>::Slot* ORDAFastIO<T>::Select(int reader, bool woken)
{
    const std::uint32_t m = Bit(reader);
    Slot* newest = nullptr;
    for (Slot* s = head; s; s = s->next)
        if (HoldsData(s)) {
            newest = s;
            break;
        }
    if (fifoReaders & m) {
        if (!newest) return nullptr;
        Slot* seen = nullptr;
        for (Slot* s = newest; s; s = s->next)
            if (HoldsData(s) && (Mask(s->readMask) & m)) {
                seen = s;
                break;
            }
        const bool lastOrNext = (lastOrNextReaders & m) != 0;
        if (seen == newest) return nullptr;
        if (lastOrNext) {
            for (Slot* s = newest->next; s && s != seen; s = s->next)
                if (HoldsData(s) && !(Mask(s->readMask) & m)) MarkConsumed(m, s);
            return newest;
        }
        if (seen) {
            for (Slot* s = seen->previous; s; s = s->previous)
                if (HoldsData(s)) return s;
            return nullptr;
        }
        Slot* oldest = nullptr;
        for (Slot* s = newest; s; s = s->next)
            if (HoldsData(s)) oldest = s;
        return oldest;
    }
    if (readerBytes[reader] == ORDA::SamplingReader || woken) return newest;
    return nullptr;
}

template <typename T>
bool ORDAFastIO<T>::StartReadingX(int reader, ORDAEvent** readerEvent, ORDAEvent** dying, Slot** slot)
{
    lock.Lock();
    if (Slot* s = Select(reader, false)) {
        Take(reader, s);
        *slot = s;
        lock.Release();
        return true;
    }
    readers->WaitX(reader, readerEvent, dying);
    return false;
}

template <typename T>
typename ORDAFastIO<T>::Slot* ORDAFastIO<T>::AchieveStartReadingX(int reader, int waitResult, ORDAEvent** readerEvent,
                                                                  ORDAEvent** dying)
{
    readers->AchieveWaitX(reader, waitResult);
    const std::uint32_t m = Bit(reader);
    if (Slot* s = Select(reader, true)) {
        Take(reader, s);
        lock.Release();
        return s;
    }
    bool anyData = false;
    for (Slot* s = head; s && !anyData; s = s->next) anyData = HoldsData(s);
    if (!anyData && readerEvent && dying) {
        // The writer took the sample back before this reader came (one slot).
        readers->WaitX(reader, readerEvent, dying);
        return nullptr;
    }
    if (fifoReaders & m)
        Fatal("ORDAFastIO fatal error : Trouble with a FIFO reader. Couldn't find its data (X", m);
    if (readerBytes[reader] == ORDA::SamplingReader)
        Fatal("ORDAFastIO fatal error : Trouble with a sampling reader. Couldn't find its data (X", m);
    Fatal("ORDAFastIO fatal error : ORDAFastIO monitor has no space where to read (X", m);
}

template <typename T>
void ORDAFastIO<T>::AbortStartReadingX(int reader)
{
    readers->AbortWaitX(reader);
    lock.Release();
}

template <typename T>
void ORDAFastIO<T>::StopReading(int reader, Slot* slot)
{
    const std::uint32_t m = Bit(reader);
    ORDAMutexGuard<ORDAMutex> guard(lock);
    if (!slot || !(Mask(slot->readingMask) & m)) {
        guard.unlock_mtx();
        ORDAStreamedString message;
        message << "ORDAFastIO fatal error : Stop reading without starting (X" << static_cast<long>(m) << ")";
        ORDAPrivate::Report(message.Beginning(), ORDA::Error, 0, false);
        throw static_cast<int>(ORDA::ErrorException);
    }
    slot->readingMask = static_cast<std::int32_t>(Mask(slot->readingMask) & ~m);
    const std::uint32_t read = Mask(slot->readMask);
    if ((fifoReaders & m) && read == fifoReaders) spaceEvent.Set();
    if (slot->readingMask == 0) {
        slot->state = ORDA::SlotPublished;
        // Wake a writer held back by never-skipping readers as soon as they
        // all let go of this sample.
        if (neverSkippingReaders && (read & neverSkippingReaders) == neverSkippingReaders) progressEvent.Set();
    }
}

template <typename T>
void ORDAFastIO<T>::StopReading(int reader)
{
    const std::uint32_t m = Bit(reader);
    Slot* held = nullptr;
    {
        ORDAMutexGuard<ORDAMutex> guard(lock);
        for (Slot* s = head; s && !held; s = s->next)
            if (s->state == ORDA::SlotReading && (Mask(s->readingMask) & m)) held = s;
    }
    StopReading(reader, held);
}

template <typename T>
bool ORDAFastIO<T>::DataAvailableInFIFO(int reader)
{
    const std::uint32_t m = Bit(reader);
    ORDAMutexGuard<ORDAMutex> guard(lock);
    Slot* newest = nullptr;
    for (Slot* s = head; s; s = s->next) {
        if (!HoldsData(s)) continue;
        if (!newest) newest = s;
        if (!(fifoReaders & m)) return true;
        if (Mask(s->readMask) & m) return s != newest;
    }
    return newest != nullptr;
}

template <typename T>
int ORDAFastIO<T>::NbDataAvailableInFIFO(int reader)
{
    const std::uint32_t m = Bit(reader);
    ORDAMutexGuard<ORDAMutex> guard(lock);
    int n = 0;
    for (Slot* s = head; s; s = s->next)
        if (HoldsData(s) && (!(fifoReaders & m) || !(Mask(s->readMask) & m))) ++n;
    return n;
}

template <typename T>
void ORDAFastIO<T>::SetReaderType(int reader, int type)
{
    const std::uint32_t m = Bit(reader);
    lock.Lock();
    if (!(registeredReaders & m))
        Fatal("ORDAFastIO fatal error : trying to set the reader type for a reader that has never been registered "
              "before.");
    if (!(fifoReaders & m)) Fatal("ORDAFastIO fatal error : SetReaderType works only with FIFO readers.");
    neverSkippingReaders &= ~m;
    lastOrNextReaders &= ~m;
    if (type == ORDA::NeverSkippingReader) neverSkippingReaders |= m;
    else if (type == ORDA::LastOrNextReader) lastOrNextReaders |= m;
    lock.Release();
}

template <typename T>
void ORDAFastIO<T>::SetSubsamplingRate(int reader, int rate)
{
    const std::uint32_t m = Bit(reader);
    lock.Lock();
    if (!(registeredReaders & m))
        Fatal("ORDAFastIO fatal error : trying to set the subsampling rate for a reader that has never been "
              "registered before.");
    if (!(fifoReaders & m)) Fatal("ORDAFastIO fatal error : SetSubsamplingRate works only with FIFO readers.");
    if (rate < 1 || rate > 256)
        Fatal("ORDAFastIO fatal error: Output subsampling rate must be an integer in the range between 1 and 256 "
              "included.");
    readerBytes[reader] = static_cast<std::uint8_t>(rate - 1);
    lock.Release();
}

// --- queries -----------------------------------------------------------------

template <typename T>
bool ORDAFastIO<T>::IsEmpty()
{
    ORDAMutexGuard<ORDAMutex> guard(lock);
    for (Slot* s = head; s; s = s->next) {
        if (s->state == ORDA::SlotReading) return false;
        if (s->state == ORDA::SlotPublished && Mask(s->readMask) != fifoReaders) return false;
    }
    return true;
}

template <typename T>
bool ORDAFastIO<T>::IsFull()
{
    ORDAMutexGuard<ORDAMutex> guard(lock);
    for (Slot* s = tail; s; s = s->previous) {
        if (s->state == ORDA::SlotEmpty) return false;
        if (s->state == ORDA::SlotPublished) return Mask(s->readMask) != fifoReaders;
    }
    return true;
}

template <typename T>
int ORDAFastIO<T>::NbFreeSlots()
{
    ORDAMutexGuard<ORDAMutex> guard(lock);
    int n = 0;
    for (Slot* s = head; s; s = s->next)
        if (s->state == ORDA::SlotEmpty || (s->state == ORDA::SlotPublished && Mask(s->readMask) == fifoReaders)) ++n;
    return n;
}

template <typename T>
void ORDAFastIO<T>::EmptySlots()
{
    ORDAMutexGuard<ORDAMutex> guard(lock);
    for (Slot* s = head; s; s = s->next) {
        s->state = ORDA::SlotEmpty;
        s->readingMask = 0;
        s->readMask = 0;
    }
    spaceEvent.Reset();
}

template class ORDAFastIO<ORDAIOEltImplementation>;

ORDAIOMonitorImplementation::ORDAIOMonitorImplementation(ORDAOutput* output, ORDAEvent* dying, int fifoSize,
                                                         int subsampling)
    : ORDAFastIO<ORDAIOEltImplementation>(dying, fifoSize, subsampling)
{
    overflowArgument = output;
}
