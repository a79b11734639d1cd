#pragma once
// The FIFO behind every output: a fixed list of slots, each embedding one
// I/O element, with the reader masks and events of the hand-off between
// one writer and its readers. The host engine registers readers by writing
// these fields directly, so their order and widths are fixed.
#include <cstddef>
#include <cstdint>

#include "orda_condition2.h"
#include "orda_event.h"
#include "orda_io_elt.h"
#include "orda_mutex.h"

class ORDAOutput;

namespace ORDA {
enum SlotState : std::int32_t {
    SlotPublished = 0,
    SlotWriting = 1,
    SlotReading = 2,
    SlotEmpty = 3,
};
}

// One slot: list links, state, masks, then the element.
template <typename T>
struct ORDAFastIOElt {
    ORDAFastIOElt* previous = nullptr;
    ORDAFastIOElt* next = nullptr;
    std::int32_t state = ORDA::SlotEmpty;
    std::int32_t readingMask = 0;
    std::int32_t readMask = 0;
    T element;
};

// The slot of an output FIFO; elements point back at it.
struct ORDAFifoSlot {
    ORDAFifoSlot* previous = nullptr;
    ORDAFifoSlot* next = nullptr;
    std::int32_t state = ORDA::SlotEmpty;
    std::int32_t readingMask = 0;
    std::int32_t readMask = 0;
    ORDAIOEltImplementation element;
};

template <typename T>
struct ORDAFastIOTraits {
    typedef ORDAFastIOElt<T> Slot;
};
template <>
struct ORDAFastIOTraits<ORDAIOEltImplementation> {
    typedef ORDAFifoSlot Slot;
};

typedef ORDAFifoSlot* ORDAFastIOHandle;
typedef void (*ORDAOverflowCallback)(void* argument);

// The FIFO proper. Every field after `lock` is guarded by it.
template <typename T>
class ORDAFastIO {
public:
    typedef typename ORDAFastIOTraits<T>::Slot Slot;

    ORDAFastIO(ORDAEvent* dyingEvent, int fifoSize, int subsampling);
    ORDAFastIO(const ORDAFastIO&) = delete;
    ORDAFastIO& operator=(const ORDAFastIO&) = delete;
    ~ORDAFastIO();

    // --- writer -------------------------------------------------------------
    // A free slot in writing state; `toRelease` is released once the FIFO
    // lock is held. Null when the abort event stopped a blocked writer.
    Slot* StartWriting(ORDAMutex* toRelease);
    // Back to empty, not published.
    void Discard(Slot* slot);
    // Publishes unless output subsampling drops the sample; true if published.
    bool Publish(Slot* slot);
    void ResetFifoSize(int count);

    // --- readers ------------------------------------------------------------
    // True with *slot taken; false after registering the wait, with the
    // FIFO lock released and the events to wait on handed back.
    bool StartReadingX(int reader, ORDAEvent** readerEvent, ORDAEvent** dyingEvent, Slot** slot);
    // Ends the wait StartReadingX began and takes the sample it was woken for.
    // Null when the writer took that sample back before the reader came (a
    // one-slot FIFO): the reader is registered to wait again and the lock is
    // released, as after a false StartReadingX.
    Slot* AchieveStartReadingX(int reader, int waitResult, ORDAEvent** readerEvent = nullptr,
                               ORDAEvent** dyingEvent = nullptr);
    // Drops a wait (interrupted read); returns with the lock released.
    void AbortStartReadingX(int reader);
    void StopReading(int reader);
    void StopReading(int reader, Slot* slot);
    bool DataAvailableInFIFO(int reader);
    int NbDataAvailableInFIFO(int reader);
    void SetReaderType(int reader, int type);
    void SetSubsamplingRate(int reader, int rate);

    // --- queries ------------------------------------------------------------
    bool IsEmpty();
    bool IsFull();
    int NbFreeSlots();
    // Every slot empty, spaceEvent reset.
    void EmptySlots();
    Slot* Newest() const { return head; }
    Slot* Oldest() const { return tail; }
    int Count() const { return count; }

    ORDAMutex lock;
    ORDACondition2* readers;
    ORDAEvent spaceEvent;
    ORDAEvent progressEvent;
    ORDAEvent abortEvent;
    ORDAEvent* dyingEvent;
    Slot* head = nullptr;
    Slot* tail = nullptr;
    std::int32_t count = 0;
    std::int32_t unused = 0;
    std::int32_t subsamplingReload;
    std::int32_t subsamplingCounter;
    std::uint32_t registeredReaders = 0;
    std::uint32_t fifoReaders = 0;
    std::uint32_t neverSkippingReaders = 0;
    std::uint32_t lastOrNextReaders = 0;
    std::int32_t writeTimeout = -1;
    std::uint8_t readerBytes[32] = {};
    ORDAOverflowCallback overflowCallback = nullptr;
    void* overflowArgument = nullptr;

private:
    static bool HoldsData(const Slot* s) { return s->state == ORDA::SlotPublished || s->state == ORDA::SlotReading; }
    // Selection shared by StartReadingX and AchieveStartReadingX; null when
    // the reader has nothing to take. `woken`: selection after a wake-up.
    Slot* Select(int reader, bool woken);
    void Take(int reader, Slot* slot);
    void MarkConsumed(std::uint32_t m, Slot* slot);
    [[noreturn]] void Fatal(const char* text);
    [[noreturn]] void Fatal(const char* text, std::uint32_t m);
    void Unlink(Slot* s);
    void PushFront(Slot* s);
};

// The public face of the FIFO.
class ORDAIOMonitor {
public:
    virtual ORDAIOElt& operator[](ORDAFastIOHandle handle) = 0;
    // The newest slot.
    virtual ORDAFastIOHandle InitBegin() = 0;
    // One slot towards the oldest; null past it.
    virtual void InitNext(ORDAFastIOHandle& handle) = 0;
    virtual ~ORDAIOMonitor() = default;
};

class ORDAIOMonitorImplementation : public ORDAFastIO<ORDAIOEltImplementation>, public ORDAIOMonitor {
public:
    ORDAIOMonitorImplementation(ORDAOutput* output, ORDAEvent* dyingEvent, int fifoSize, int subsampling);

    ORDAIOElt& operator[](ORDAFastIOHandle handle) override { return handle->element; }
    ORDAFastIOHandle InitBegin() override { return head; }
    void InitNext(ORDAFastIOHandle& handle) override { handle = handle ? handle->next : nullptr; }
};

extern template class ORDAFastIO<ORDAIOEltImplementation>;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(ORDAFifoSlot, next) == 8);
static_assert(offsetof(ORDAFifoSlot, state) == 16);
static_assert(offsetof(ORDAFifoSlot, readingMask) == 20);
static_assert(offsetof(ORDAFifoSlot, readMask) == 24);
static_assert(offsetof(ORDAFifoSlot, element) == 32);
typedef ORDAFastIO<ORDAIOEltImplementation> ORDAFastIOLayout;
static_assert(offsetof(ORDAFastIOLayout, lock) == 0);
static_assert(offsetof(ORDAFastIOLayout, readers) == sizeof(ORDAMutex));
static_assert(offsetof(ORDAFastIOLayout, spaceEvent) == sizeof(ORDAMutex) + 8);
static_assert(offsetof(ORDAFastIOLayout, progressEvent) == offsetof(ORDAFastIOLayout, spaceEvent) + sizeof(ORDAEvent));
static_assert(offsetof(ORDAFastIOLayout, abortEvent) == offsetof(ORDAFastIOLayout, progressEvent) + sizeof(ORDAEvent));
static_assert(offsetof(ORDAFastIOLayout, dyingEvent) == offsetof(ORDAFastIOLayout, abortEvent) + sizeof(ORDAEvent));
static_assert(offsetof(ORDAFastIOLayout, head) == offsetof(ORDAFastIOLayout, dyingEvent) + 8);
static_assert(offsetof(ORDAFastIOLayout, tail) == offsetof(ORDAFastIOLayout, head) + 8);
static_assert(offsetof(ORDAFastIOLayout, count) == offsetof(ORDAFastIOLayout, tail) + 8);
static_assert(offsetof(ORDAFastIOLayout, unused) == offsetof(ORDAFastIOLayout, count) + 4);
static_assert(offsetof(ORDAFastIOLayout, subsamplingReload) == offsetof(ORDAFastIOLayout, unused) + 4);
static_assert(offsetof(ORDAFastIOLayout, subsamplingCounter) == offsetof(ORDAFastIOLayout, subsamplingReload) + 4);
static_assert(offsetof(ORDAFastIOLayout, registeredReaders) == offsetof(ORDAFastIOLayout, subsamplingCounter) + 4);
static_assert(offsetof(ORDAFastIOLayout, fifoReaders) == offsetof(ORDAFastIOLayout, registeredReaders) + 4);
static_assert(offsetof(ORDAFastIOLayout, neverSkippingReaders) == offsetof(ORDAFastIOLayout, fifoReaders) + 4);
static_assert(offsetof(ORDAFastIOLayout, lastOrNextReaders) == offsetof(ORDAFastIOLayout, neverSkippingReaders) + 4);
static_assert(offsetof(ORDAFastIOLayout, writeTimeout) == offsetof(ORDAFastIOLayout, lastOrNextReaders) + 4);
static_assert(offsetof(ORDAFastIOLayout, readerBytes) == offsetof(ORDAFastIOLayout, writeTimeout) + 4);
static_assert(offsetof(ORDAFastIOLayout, overflowCallback) == offsetof(ORDAFastIOLayout, readerBytes) + 32 + 4);
static_assert(offsetof(ORDAFastIOLayout, overflowArgument) == offsetof(ORDAFastIOLayout, overflowCallback) + 8);
static_assert(offsetof(ORDACondition2, events) == 16);
#pragma GCC diagnostic pop
