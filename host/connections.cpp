#include "connections.h"

#include "ordavix_host.h"
#include "orda_input.h"
#include "orda_io_monitor.h"
#include "orda_output.h"
#include "orda_type_filter.h"

namespace ordavix_host {
namespace {

bool IsFifoType(int readerType) { return readerType >= ORDA::FifoReader && readerType <= ORDA::LastOrNextReader; }

// The handshake: the reader stops touching the FIFO and lets go of its
// slots before the connection changes. Returns with detachRequested set.
void RequestDetach(ORDAInputImplementation* in)
{
    in->inputLock.Lock();
    in->detachAckEvent.Reset();
    in->detachRequested = 1;
    const bool busy = in->heldCount != 0 || in->insideStartReading;
    if (busy) in->interruptEvent.Set();
    in->inputLock.Release();
    if (!busy) return;
    for (;;) {
        if (in->detachAckEvent.Wait(10000) == 0) break;
        // A reader that ended its read without seeing the request is idle too.
        ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
        if (in->heldCount == 0 && !in->insideStartReading) break;
    }
    in->detachAckEvent.Reset();
}

void FinishDetach(ORDAInputImplementation* in)
{
    ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
    in->detachRequested = 0;
}

// Caller holds the output mutex, the input lock and the FIFO lock.
void Unregister(ORDAOutputImplementation* out, ORDAInputImplementation* in)
{
    ORDAIOMonitorImplementation* fifo = out->monitor;
    const int r = in->readerIndex;
    if (r >= 0 && r < 32) {
        const std::uint32_t m = 1u << r;
        fifo->registeredReaders &= ~m;
        fifo->fifoReaders &= ~m;
        fifo->neverSkippingReaders &= ~m;
        fifo->lastOrNextReaders &= ~m;
        fifo->readerBytes[r] = 0;
        for (ORDAFifoSlot* s = fifo->Newest(); s; s = s->next) {
            s->readMask = static_cast<std::int32_t>(static_cast<std::uint32_t>(s->readMask) & ~m);
            s->readingMask = static_cast<std::int32_t>(static_cast<std::uint32_t>(s->readingMask) & ~m);
            if (s->state == ORDA::SlotReading && s->readingMask == 0) s->state = ORDA::SlotPublished;
        }
        if (r < fifo->readers->count) fifo->readers->waiting[r] = 0;
        // A writer held back by this reader may go on.
        fifo->progressEvent.Set();
    }
    out->connectedInputs.RemoveValue(in);
    in->fifo = nullptr;
    in->connectedOutput = nullptr;
    in->readerIndex = -1;
    in->connectionEvent.Reset();
}

}

bool AttachInput(ORDAOutput* output, ORDAInput* input)
{
    auto* out = static_cast<ORDAOutputImplementation*>(output);
    auto* in = static_cast<ORDAInputImplementation*>(input);
    if (!out || !in) return false;
    if (in->definition.typeFilter && !in->definition.typeFilter->Match(out->Type())) return false;
    DetachInput(input);

    // An unconnected reader touches no FIFO: no handshake is needed.
    ORDAMutexGuard<ORDAMutex> outputGuard(out->outputMutex);
    bool attached = false;
    {
        ORDAMutexGuard<ORDAMutex> inputGuard(in->inputLock);
        ORDAIOMonitorImplementation* fifo = out->monitor;
        ORDAMutexGuard<ORDAMutex> fifoGuard(fifo->lock);
        int r = 0;
        while (r < 32 && (fifo->registeredReaders & (1u << r))) ++r;
        if (r < 32) {
            const std::uint32_t m = 1u << r;
            const int type = in->definition.readerType;
            fifo->registeredReaders |= m;
            if (IsFifoType(type)) {
                fifo->fifoReaders |= m;
                if (type == ORDA::NeverSkippingReader) fifo->neverSkippingReaders |= m;
                if (type == ORDA::LastOrNextReader) fifo->lastOrNextReaders |= m;
                int rate = in->definition.subsampling;
                rate = rate < 1 ? 1 : rate > 256 ? 256 : rate;
                fifo->readerBytes[r] = static_cast<std::uint8_t>(rate - 1);
            } else {
                fifo->readerBytes[r] = static_cast<std::uint8_t>(type);
            }
            // Samples published before the reader came are consumed by it in
            // no slot: a stale bit of an earlier reader of this index is gone.
            for (ORDAFifoSlot* s = fifo->Newest(); s; s = s->next) {
                s->readMask = static_cast<std::int32_t>(static_cast<std::uint32_t>(s->readMask) & ~m);
                s->readingMask = static_cast<std::int32_t>(static_cast<std::uint32_t>(s->readingMask) & ~m);
            }
            fifo->readers->Subscribe(r);
            out->connectedInputs.Append(in);
            in->fifo = fifo;
            in->connectedOutput = out;
            in->readerIndex = r;
            attached = true;
        }
    }
    if (attached) in->connectionEvent.Set();
    return attached;
}

void DetachInput(ORDAInput* input)
{
    auto* in = static_cast<ORDAInputImplementation*>(input);
    if (!in) return;
    ORDAOutputImplementation* out = nullptr;
    {
        ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
        out = static_cast<ORDAOutputImplementation*>(in->connectedOutput);
    }
    if (!out) return;
    ORDAMutexGuard<ORDAMutex> outputGuard(out->outputMutex);
    RequestDetach(in);
    {
        ORDAMutexGuard<ORDAMutex> inputGuard(in->inputLock);
        if (in->connectedOutput == out) {
            ORDAMutexGuard<ORDAMutex> fifoGuard(out->monitor->lock);
            Unregister(out, in);
        }
    }
    FinishDetach(in);
}

bool Engine::Attach(ORDAOutput* output, ORDAInput* input) { return AttachInput(output, input); }

void Engine::DetachInput(ORDAInput* input) { ordavix_host::DetachInput(input); }

void Engine::Detach(ORDAOutput* output, ORDAInput* input)
{
    if (!input) return;
    if (output && input->ConnectedOutput() != output) return;
    ordavix_host::DetachInput(input);
}

void Engine::SignalFifoOverflow(ORDAOutput* output)
{
    if (output) static_cast<ORDAOutputImplementation*>(output)->CountFifoOverflow();
    m_fifoOverflows.fetch_add(1, std::memory_order_relaxed);
}

long long Engine::FifoOverflows() const { return m_fifoOverflows.load(std::memory_order_relaxed); }

}
