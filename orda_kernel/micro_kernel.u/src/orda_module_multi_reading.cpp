// Reading several inputs at once, a sliding window over one input, and
// sets of samples whose timestamps agree.
#include <algorithm>

#include "orda_component.h"
#include "orda_io_monitor.h"
#include "orda_module.h"
#include "orda_multi_reading.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

namespace {
using In = ORDAInputImplementation;

In* Impl(ORDAInput* input) { return static_cast<In*>(input); }

constexpr int MaxInputs = 32;
constexpr int MaxEvents = 32;

// One input of a multi-input read.
struct Entry {
    In* in = nullptr;
    ORDAIOMonitorImplementation* fifo = nullptr;
    int reader = -1;
    bool inside = false;      // this call set insideStartReading
    bool registered = false;  // a FIFO wait is registered, the FIFO lock released
    ORDAEvent* readerEvent = nullptr;
};

// Every way out of a multi-input read leaves no input marked as waiting and
// no read open.
struct MultiRead {
    MultiRead(int n, ORDAInput** inputs) : n(n)
    {
        for (int j = 0; j < n; ++j) entries[j].in = Impl(inputs[j]);
    }
    ~MultiRead() { CancelAll(); }

    void Cancel(int j)
    {
        Entry& e = entries[j];
        if (e.registered) e.fifo->AbortStartReadingX(e.reader);
        e.registered = false;
        if (e.inside) e.in->ExitStartReading();
        e.inside = false;
    }
    void CancelAll()
    {
        for (int j = 0; j < n; ++j) Cancel(j);
    }
    void CancelOthers(int keep)
    {
        for (int j = 0; j < n; ++j)
            if (j != keep) Cancel(j);
    }

    int n;
    Entry entries[MaxInputs];
};

enum class Kind { Dying, Connection, Reader, Interrupt, Caller };

// Gives back what the input holds from an earlier read; the FIFO lock is
// not held by the caller.
void GiveBackHeld(In* in)
{
    ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
    if (in->fifo)
        for (int k = 0; k < in->heldCount; ++k) in->fifo->StopReading(in->readerIndex, in->heldSlots[k]);
    in->heldCount = 0;
}

ORDAIOElt* ThreadedMultiRead(ORDAModule* module, int n, ORDAInput** inputs, int* which, int nEvents,
                             ORDAEvent** events, bool messages, bool& refused)
{
    MultiRead read(n, inputs);
    for (;;) {
        if (module->IsDying()) throw static_cast<int>(ORDA::ModuleDied);
        ORDAEvent* all[1 + 2 * MaxInputs + MaxEvents];
        Kind kinds[1 + 2 * MaxInputs + MaxEvents];
        int owners[1 + 2 * MaxInputs + MaxEvents];
        int count = 0;
        auto add = [&](ORDAEvent* event, Kind kind, int owner) {
            all[count] = event;
            kinds[count] = kind;
            owners[count] = owner;
            ++count;
        };
        add(&module->DyingEvent(), Kind::Dying, -1);

        int ready = -1;
        ORDAFifoSlot* slot = nullptr;
        for (int j = 0; j < n && ready < 0; ++j) {
            Entry& e = read.entries[j];
            In* in = e.in;
            bool connected;
            bool detach;
            {
                ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
                connected = in->fifo != nullptr;
                detach = in->detachRequested != 0;
                if (connected && !detach) {
                    in->insideStartReading = 1;
                    e.inside = true;
                    e.fifo = in->fifo;
                    e.reader = in->readerIndex;
                }
            }
            if (!connected) {
                add(&in->connectionEvent, Kind::Connection, j);
                continue;
            }
            if (detach) {
                if (in->heldCount != 0) {
                    module->StopReading(*in);
                    read.CancelAll();
                    *which = j;
                    return nullptr;
                }
                add(&in->connectionEvent, Kind::Connection, j);
                continue;
            }
            if (in->definition.readerType == ORDA::SamplingReader) {
                read.CancelAll();
                refused = true;
                ORDAStreamedString message;
                message << "StartReading on multiple inputs is not possible with SamplingReader inputs. "
                        << in->fullName << " is a SamplingReader input.";
                module->Error(message.Beginning(), 0);
            }
            ORDAEvent* dying = nullptr;
            if (e.fifo->StartReadingX(e.reader, &e.readerEvent, &dying, &slot)) {
                read.CancelOthers(j);
                ready = j;
                break;
            }
            e.registered = true;
            add(e.readerEvent, Kind::Reader, j);
            add(&in->interruptEvent, Kind::Interrupt, j);
        }

        if (ready < 0) {
            for (int k = 0; k < nEvents; ++k)
                if (events[k] != &module->DyingEvent()) add(events[k], Kind::Caller, k);
            const int result = messages ? ORDAEvent::MsgWait(count, all, ORDA::Infinite)
                                        : ORDAEvent::Wait(count, all, ORDA::Infinite);
            if (messages && result == ORDA::GotAMessage) {
                read.CancelAll();
                *which = -2;
                return nullptr;
            }
            if (result < 0 || result >= count) {
                read.CancelAll();
                throw static_cast<int>(ORDA::FatalKernelError);
            }
            const int j = owners[result];
            switch (kinds[result]) {
            case Kind::Dying: read.CancelAll(); throw static_cast<int>(ORDA::ModuleDied);
            case Kind::Caller: read.CancelAll(); *which = n + j; return nullptr;
            case Kind::Connection:
                read.entries[j].in->connectionEvent.Reset();
                read.CancelAll();
                continue;
            case Kind::Interrupt: {
                In* in = read.entries[j].in;
                in->interruptEvent.Reset();
                read.CancelAll();
                ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
                if (in->detachRequested) {
                    if (in->heldCount != 0) {
                        guard.unlock_mtx();
                        module->StopReading(*in);
                        *which = j;
                        return nullptr;
                    }
                    in->AcknowledgeDetachLocked();
                }
                continue;
            }
            case Kind::Reader: {
                Entry& e = read.entries[j];
                ORDAEvent* dying = nullptr;
                slot = e.fifo->AchieveStartReadingX(e.reader, 0, &e.readerEvent, &dying);
                if (!slot) {
                    // The sample went before this reader came: wait afresh.
                    read.CancelAll();
                    continue;
                }
                e.registered = false;
                read.CancelOthers(j);
                ready = j;
                break;
            }
            }
        }

        Entry& e = read.entries[ready];
        In* in = e.in;
        const int rate = std::max(1, in->definition.subsampling);
        // At or above the rate, not only at it: a lowered rate must not stop
        // the input for good.
        if (++in->subsamplingCount >= rate) {
            in->subsamplingCount = 0;
            *which = ready;
            GiveBackHeld(in);
            {
                ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
                in->heldSlots[0] = slot;
                in->heldCount = 1;
            }
            read.Cancel(ready);
            return &slot->element;
        }
        e.fifo->StopReading(e.reader, slot);
        read.Cancel(ready);
    }
}

ORDAIOElt* SequentialMultiRead(ORDAModule* module, int n, ORDAInput** inputs, int* which)
{
    if (n < 1) {
        *which = -1;
        return nullptr;
    }
    for (int j = 0; j < n; ++j) {
        In* in = Impl(inputs[j]);
        if (in->detachRequested && in->heldCount != 0) {
            module->StopReading(*in);
            *which = j;
            return nullptr;
        }
    }
    *which = -1;
    for (int j = 0; j < n && *which < 0; ++j)
        if (inputs[j] == module->m_currentInput) *which = j;
    if (*which < 0) return nullptr;
    In* in = Impl(inputs[*which]);
    if (!in->IsConnected()) return nullptr;
    module->StopReading(*in);
    in->EnterStartReading();
    ORDAFifoSlot* slot = nullptr;
    bool found = false;
    {
        ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
        if (in->fifo) found = in->fifo->StartReadingX(in->readerIndex, nullptr, nullptr, &slot);
        if (found) {
            in->heldSlots[0] = slot;
            in->heldCount = 1;
        }
    }
    in->ExitStartReading();
    return found ? &slot->element : nullptr;
}

ORDAIOElt* ReadMany(ORDAModule* module, int n, ORDAInput** inputs, int* which, int nEvents, ORDAEvent** events,
                    bool messages)
{
    if (module->IsDying()) throw static_cast<int>(ORDA::ModuleDied);
    if (messages) {
        if (nEvents > MaxEvents || n > MaxInputs)
            ORDAPrivate::KernelError("MsgStartReading can't wait on more than 32 events simultaneously.", 0);
    } else {
        if (nEvents > MaxEvents)
            ORDAPrivate::KernelError("StartReading can't wait on more than 32 events simultaneously.", 0);
        if (n > MaxInputs)
            ORDAPrivate::KernelError("StartReading can't wait for more than 32 inputs simultaneously.", 0);
    }
    if (n < 0) n = 0;
    if (nEvents < 0) nEvents = 0;
    bool refused = false;
    try {
        return ThreadedMultiRead(module, n, inputs, which, nEvents, events, messages, refused);
    } catch (int e) {
        if (e != ORDA::ErrorException || refused) throw;
        module->Error("Failed to start reading on multiple inputs", 0);
    }
    return nullptr;
}
}

ORDAIOElt* ORDAModule::StartReading(int n, ORDAInput** inputs, int* which, int nEvents, ORDAEvent** events)
{
    if (!m_threaded) {
        if (IsDying()) throw static_cast<int>(ORDA::ModuleDied);
        return SequentialMultiRead(this, n, inputs, which);
    }
    return ReadMany(this, n, inputs, which, nEvents, events, false);
}

ORDAIOElt* ORDAModule::MsgStartReading(int n, ORDAInput** inputs, int* which, int nEvents, ORDAEvent** events)
{
    if (!m_threaded) return nullptr;
    return ReadMany(this, n, inputs, which, nEvents, events, true);
}

// ---------------------------------------------------------------------------
bool ORDAModule::NLastStartReading(ORDAInput& input, int n, ORDAIOElt** elements)
{
    In* in = Impl(&input);
    if (IsDying()) throw static_cast<int>(ORDA::ModuleDied);
    if (n < 1) return false;
    if (in->definition.readerType == ORDA::SamplingReader) {
        // It is served the newest slot again and again: the window would
        // hold one slot twice and give it back while still reading it.
        ORDAStreamedString message;
        message << "NLastStartReading is not possible with SamplingReader inputs. " << in->fullName
                << " is a SamplingReader input.";
        Error(message.Beginning(), 0);
    }
    {
        // Acknowledging returns once the detach is over.
        ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
        if (in->detachRequested && in->heldCount != 0) ORDAPrivate::ReleaseHeldAndAcknowledgeLocked(in);
    }
    in->EnterStartReading();
    struct End {
        In* in;
        ~End() { in->ExitStartReading(); }
    } end{in};
    bool refused = false;
    try {
        for (;;) {
            ORDAFifoSlot* slot = nullptr;
            if (!m_threaded) {
                ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
                if (in->detachRequested) {
                    ORDAPrivate::ReleaseHeldAndAcknowledgeLocked(in);
                    return false;
                }
                if (!in->fifo) return false;
                if (in->definition.subsampling > 1) {
                    guard.unlock_mtx();
                    refused = true;
                    Error("NLastStartReading is not supported for sequential components with an input subsampling.",
                          0);
                }
                if (!in->fifo->StartReadingX(in->readerIndex, nullptr, nullptr, &slot)) return false;
            } else {
                slot = ORDAPrivate::TakeNextSlot(this, in, false);
            }
            ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
            in->ReserveHeld(n);
            int k = in->heldCount;
            if (k > n) {
                const int extra = k - n;
                for (int i = 0; i < extra; ++i) in->fifo->StopReading(in->readerIndex, in->heldSlots[i]);
                std::copy(in->heldSlots + extra, in->heldSlots + k, in->heldSlots);
                k = n;
                in->heldCount = k;
            }
            if (k == n) {
                in->fifo->StopReading(in->readerIndex, in->heldSlots[0]);
                std::copy(in->heldSlots + 1, in->heldSlots + n, in->heldSlots);
                in->heldSlots[n - 1] = slot;
            } else {
                in->heldSlots[k] = slot;
                in->heldCount = k + 1;
                if (k + 1 < n) {
                    if (!m_threaded) return false;
                    continue;
                }
            }
            for (int i = 0; i < n; ++i) elements[i] = &in->heldSlots[i]->element;
            return true;
        }
    } catch (int e) {
        if (e != ORDA::ErrorException || refused) throw;
        ORDAStreamedString message;
        message << "Failed to start reading " << static_cast<long>(n) << " last samples on " << in->fullName;
        Error(message.Beginning(), 0);
    }
    return false;
}

// ---------------------------------------------------------------------------
ORDATimestamp ORDAModule::SynchroStartReading2(int n, ORDAInput** inputs, ORDAIOElt** elements,
                                               ORDADelay synchroTolerance, ORDAEvent* abortEvent)
{
    if (n < 1) Error("The number of inputs cannot be negative.", 0);
    if (n > 256) Error("Can't SynchroStartRead on more than 256 inputs simultaneously. Sorry.", 0);
    if (synchroTolerance < 0) Error("synchroTolerance cannot be negative", 0);
    const ORDADelay tolerance = synchroTolerance;
    bool pending[256];
    for (int i = 0; i < n; ++i) {
        pending[i] = true;
        elements[i] = nullptr;
    }
    bool windowOpen = false;
    ORDATimestamp low = 0;   // R: the smallest timestamp of the set
    ORDATimestamp high = 0;  // L: the largest
    auto nothingPending = [&] {
        for (int i = 0; i < n; ++i)
            if (pending[i]) return false;
        return true;
    };
    for (;;) {
        ORDAInput* list[256];
        int index[256];
        int m = 0;
        for (int i = 0; i < n; ++i)
            if (pending[i]) {
                list[m] = inputs[i];
                index[m++] = i;
            }
        int which = -1;
        ORDAEvent* events[1] = {abortEvent};
        ORDAIOElt* element = StartReading(m, list, &which, abortEvent ? 1 : 0, events);
        if (!element && !m_threaded) {
            // A sequential read never waits: asking again would spin for ever.
            for (int i = 0; i < n; ++i) elements[i] = nullptr;
            return -1;
        }
        if (!element) {
            if (abortEvent && which == m) return -1;
            continue;
        }
        const int j = index[which];
        const ORDATimestamp t = element->Timestamp();
        const bool forward = ORDAPrivate::kernel->TimeSpeed() >= 0;
        elements[j] = element;
        if (!windowOpen) {
            windowOpen = true;
            low = high = t;
            pending[j] = false;
            if (n == 1) return t;
            continue;
        }
        bool accepted = false;
        bool dropped = false;
        if (tolerance == 0) {
            if (t == low) accepted = true;
            else if (forward ? t < low : t > low) dropped = true;
        } else {
            const ORDATimestamp lo = std::min(t, low);
            const ORDATimestamp hi = std::max(t, high);
            if (hi - lo <= tolerance) {
                accepted = true;
                low = lo;
                high = hi;
            } else if (forward ? t < low : t > high) {
                dropped = true;
            }
        }
        if (dropped) {
            elements[j] = nullptr;
            continue;
        }
        if (!accepted) {
            // A new window from t: earlier samples within reach of it stay.
            low = high = t;
            for (int k = 0; k < n; ++k) {
                if (k == j) continue;
                bool keep = false;
                if (tolerance > 0 && elements[k]) {
                    const ORDATimestamp tk = elements[k]->Timestamp();
                    keep = forward ? t - tk <= tolerance : tk - t <= tolerance;
                    if (keep) {
                        if (forward) low = std::min(low, tk);
                        else high = std::max(high, tk);
                    }
                }
                if (!keep) elements[k] = nullptr;
                pending[k] = !keep;
            }
        }
        pending[j] = false;
        if (nothingPending()) return low;
    }
}

ORDATimestamp ORDAModule::SynchroStartReading(int n, ORDAInput** inputs, ORDAIOElt** elements,
                                              ORDADelay synchroTolerance, ORDAEvent* abortEvent)
{
    const ORDATimestamp t = SynchroStartReading2(n, inputs, elements, synchroTolerance, abortEvent);
    if (t == -1)
        for (int i = 0; i < n; ++i) elements[i] = nullptr;
    return t;
}
