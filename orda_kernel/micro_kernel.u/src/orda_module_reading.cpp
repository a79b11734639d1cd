// The reader's side of an input, as a module sees it.
#include "orda_component.h"
#include "orda_io_monitor.h"
#include "orda_module.h"
#include "orda_multi_reading.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

namespace ORDAPrivate {
ORDAInput* InputOfProperty(ORDAProperty* property);
}

namespace {
ORDAInputImplementation* Impl(ORDAInput& input) { return static_cast<ORDAInputImplementation*>(&input); }

bool IsFifoType(int readerType) { return readerType >= ORDA::FifoReader && readerType <= ORDA::LastOrNextReader; }

// Ends the read operation on every way out, exceptions included.
struct ReadScope {
    ORDAInputImplementation* input;
    bool ended = false;
    void End()
    {
        if (!ended) input->ExitStartReading();
        ended = true;
    }
    ~ReadScope() { End(); }
};

enum class Connection { Connected, NotConnected, DetachPending };

// What the reader may touch now; with a pending detach the host is
// acknowledged and the call returns once it has finished.
Connection Look(ORDAInputImplementation* in, ORDAIOMonitorImplementation*& fifo, int& reader)
{
    ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
    if (in->detachRequested) {
        ORDAPrivate::ReleaseHeldAndAcknowledgeLocked(in);
        return Connection::DetachPending;
    }
    fifo = in->fifo;
    reader = in->readerIndex;
    return fifo ? Connection::Connected : Connection::NotConnected;
}

// StartReading and MsgStartReading (messages: a host message ends the wait).
void ReadInput(ORDAModule* module, ORDAInput& input, bool messages, ORDAIOElt*& result)
{
    ORDAInputImplementation* in = Impl(input);
    if (module->IsDying()) throw static_cast<int>(ORDA::ModuleDied);
    if (in->heldCount != 0) module->StopReading(input);
    in->EnterStartReading();
    ReadScope scope{in};
    try {
        ORDAIOMonitorImplementation* fifo = nullptr;
        int reader = -1;
        ORDAFifoSlot* slot = nullptr;
        if (!module->IsThreaded()) {
            if (Look(in, fifo, reader) != Connection::Connected) return;
            if (!fifo->StartReadingX(reader, nullptr, nullptr, &slot)) return;
        } else {
            slot = ORDAPrivate::TakeNextSlot(module, in, messages);
            if (!slot) return;
        }
        {
            ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
            in->heldSlots[0] = slot;
            in->heldCount = 1;
        }
        scope.End();
        result = &slot->element;
    } catch (int e) {
        if (e != ORDA::ErrorException) throw;
        scope.End();
        ORDAStreamedString message;
        message << "Failed to start reading on " << in->fullName;
        module->Error(message.Beginning(), 0);
    }
}

}

namespace ORDAPrivate {

void ReleaseHeldAndAcknowledgeLocked(ORDAInputImplementation* in)
{
    if (in->heldCount != 0 && in->fifo)
        for (int k = 0; k < in->heldCount; ++k) in->fifo->StopReading(in->readerIndex, in->heldSlots[k]);
    in->heldCount = 0;
    in->AcknowledgeDetachLocked();
}

ORDAFifoSlot* TakeNextSlot(ORDAModule* module, ORDAInputImplementation* in, bool messages)
{
    ORDAIOMonitorImplementation* fifo = nullptr;
    int reader = -1;
    ORDAFifoSlot* slot = nullptr;
    int rate = in->definition.subsampling;
    if (rate < 1) rate = 1;
    // A count carried from a multi-input read with a higher rate would never
    // match the lowered one again.
    if (in->subsamplingCount >= rate) in->subsamplingCount = 0;
    int i = in->subsamplingCount;
    while (i < rate) {
        const Connection c = Look(in, fifo, reader);
        if (c == Connection::DetachPending) continue;
        if (c == Connection::NotConnected) {
            ORDAEvent* events[2] = {&in->connectionEvent, &module->DyingEvent()};
            ORDAEvent::Wait(2, events, -1);
            if (module->IsDying()) throw static_cast<int>(ORDA::ModuleDied);
            in->connectionEvent.Reset();
            continue;
        }
        // The FIFO hands back its writer's dying event; the reader waits on its own.
        ORDAEvent* writerDying = nullptr;
        ORDAEvent* events[3] = {nullptr, &module->DyingEvent(), &in->interruptEvent};
        bool interrupted = false;
        if (!fifo->StartReadingX(reader, &events[0], &writerDying, &slot)) {
            slot = nullptr;
            while (!slot) {
                const int r = messages ? ORDAEvent::MsgWait(3, events, -1) : ORDAEvent::Wait(3, events, -1);
                if (r == 0) {
                    slot = fifo->AchieveStartReadingX(reader, 0, &events[0], &writerDying);
                } else if (r == 1) {
                    fifo->AbortStartReadingX(reader);
                    throw static_cast<int>(ORDA::ModuleDied);
                } else if (r == ORDA::GotAMessage) {
                    fifo->AbortStartReadingX(reader);
                    return nullptr;
                } else {
                    fifo->AbortStartReadingX(reader);
                    in->interruptEvent.Reset();
                    interrupted = true;
                    break;
                }
            }
        }
        if (interrupted) {
            ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
            if (in->detachRequested) ReleaseHeldAndAcknowledgeLocked(in);
            continue;
        }
        if (i != rate - 1) fifo->StopReading(reader, slot);
        ++i;
    }
    in->subsamplingCount = 0;
    return slot;
}

}

ORDAIOElt* ORDAModule::StartReading(ORDAInput& input)
{
    ORDAIOElt* element = nullptr;
    ReadInput(this, input, false, element);
    return element;
}

ORDAIOElt* ORDAModule::MsgStartReading(ORDAInput& input)
{
    if (!m_threaded) {
        if (IsDying()) throw static_cast<int>(ORDA::ModuleDied);
        return nullptr;
    }
    ORDAIOElt* element = nullptr;
    ReadInput(this, input, true, element);
    return element;
}

void ORDAModule::StopReading(ORDAInput& input)
{
    ORDAInputImplementation* in = Impl(input);
    if (in->heldCount != 0) {
        ORDAIOMonitorImplementation* fifo = in->fifo;
        const int reader = in->readerIndex;
        for (int k = 0; k < in->heldCount; ++k)
            if (fifo) fifo->StopReading(reader, in->heldSlots[k]);
    }
    ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
    in->heldCount = 0;
    if (!in->insideStartReading && in->detachRequested) in->AcknowledgeDetachLocked();
}

bool ORDAModule::DataAvailableInFIFO(ORDAInput& input) { return input.DataAvailableInFIFO(); }

std::int32_t* ORDAModule::ReaderHandle(int i) { return &Impl(*Input(i))->readerIndex; }

void ORDAModule::SetInputReaderTypeProperty(ORDAProperty* property)
{
    auto* in = static_cast<ORDAInputImplementation*>(ORDAPrivate::InputOfProperty(property));
    ORDAModule* owner = property->Owner();
    if (!in || !owner) return;
    const int current = in->definition.readerType;
    const int wanted = static_cast<int>(property->IntegerValue());
    if (IsFifoType(current)) {
        if (IsFifoType(wanted)) {
            in->definition.readerType = wanted;
            ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
            if (in->fifo) in->fifo->SetReaderType(in->readerIndex, wanted);
        } else {
            owner->DirectSet(property, static_cast<long>(current));
            ORDAStreamedString message;
            message << "Bad parameter: The input " << in->fullName
                    << " cannot be switched to SamplingReader or Wait4NextReader.";
            owner->ReportError(message.Beginning(), 0);
        }
    } else if (wanted != current) {
        owner->DirectSet(property, static_cast<long>(current));
        ORDAStreamedString message;
        message << "Bad parameter: The input " << in->fullName
                << " is a SamplingReader or Wait4NextReader and cannot be switched to FifoReader, "
                   "NeverSkippingReader or LastOrNextReader";
        owner->ReportError(message.Beginning(), 0);
    }
    if (ORDAModule* engine = ORDAPrivate::kernel->FindElement("Engine.time"))
        if (engine->HasAction("refreshInputProperties"))
            engine->Action("refreshInputProperties")->DoIt(in->fullName.Beginning());
}

void ORDAModule::SetInputSubsamplingProperty(ORDAProperty* property)
{
    auto* in = static_cast<ORDAInputImplementation*>(ORDAPrivate::InputOfProperty(property));
    if (!in) return;
    const int rate = static_cast<int>(property->IntegerValue());
    in->definition.subsampling = rate;
    if (!IsFifoType(in->definition.readerType)) return;
    ORDAMutexGuard<ORDAMutex> guard(in->inputLock);
    if (in->fifo) in->fifo->SetSubsamplingRate(in->readerIndex, rate);
}
