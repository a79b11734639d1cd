// The writer's side of an output FIFO, as a module sees it.
#include <cstring>

#include "orda_component.h"
#include "orda_io_monitor.h"
#include "orda_module.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

namespace {
ORDAOutputImplementation* Impl(ORDAOutput& output) { return static_cast<ORDAOutputImplementation*>(&output); }

// The element part of a special property's full name: "module.element.suffix".
template <typename Element>
Element* ElementOfProperty(ORDAProperty* property, ORDAList<Element*>& elements)
{
    const ORDAStackedString<40>& name = property->Name();
    int dot = -1;
    for (int i = name.Length() - 1; i >= 0; --i)
        if (name.Beginning()[i] == '.') {
            dot = i;
            break;
        }
    if (dot < 0) return nullptr;
    for (auto* it = elements.First(); it; it = it->Next()) {
        const ORDAStackedString<40>& full = it->value->Name();
        if (full.Length() == dot && std::memcmp(full.Beginning(), name.Beginning(), static_cast<size_t>(dot)) == 0)
            return it->value;
    }
    return nullptr;
}

// Least-squares line through the 30 raw timestamps, at the newest one.
ORDATimestamp FittedTimestamp(const ORDATimestamp* history, int newest)
{
    double meanY = 0;
    for (int x = 0; x < 30; ++x) meanY += static_cast<double>(history[(newest + 1 + x) % 30]);
    meanY /= 30.0;
    double sxy = 0;
    double sxx = 0;
    for (int x = 0; x < 30; ++x) {
        const double dx = x - 14.5;
        sxy += dx * (static_cast<double>(history[(newest + 1 + x) % 30]) - meanY);
        sxx += dx * dx;
    }
    return static_cast<ORDATimestamp>(meanY + sxy / sxx * (29 - 14.5));
}
}

namespace ORDAPrivate {
ORDAInput* InputOfProperty(ORDAProperty* property)
{
    ORDAModule* owner = property->Owner();
    return owner ? ElementOfProperty(property, owner->m_inputs) : nullptr;
}
ORDAOutput* OutputOfProperty(ORDAProperty* property)
{
    ORDAModule* owner = property->Owner();
    return owner ? ElementOfProperty(property, owner->m_outputs) : nullptr;
}
}

ORDAIOElt* ORDAModule::StartWriting(ORDAOutput& output)
{
    if (IsDying()) throw static_cast<int>(ORDA::ModuleDied);
    ORDAOutputImplementation* out = Impl(output);
    ORDAFifoSlot* slot = nullptr;
    try {
        slot = out->monitor->StartWriting(nullptr);
    } catch (int e) {
        if (e == ORDA::ModuleDied) throw;
    } catch (...) {
    }
    if (!slot) {
        ORDAStreamedString message;
        message << "Failed to start writing on " << out->fullName;
        Error(message.Beginning(), 0);
    }
    ORDAIOEltImplementation& e = slot->element;
    e.timestamp = 0;
    e.owner = out;
    e.slot = slot;
    e.timeOfIssue = 0;
    return &e;
}

ORDAIOElt* ORDAModule::StartWriting(ORDAOutput& output, ORDATimestamp timestamp)
{
    ORDAIOElt* e = StartWriting(output);
    static_cast<ORDAIOEltImplementation*>(e)->timestamp = timestamp;
    return e;
}

void ORDAModule::StopWriting(ORDAIOElt* element, bool discard)
{
    auto* e = static_cast<ORDAIOEltImplementation*>(element);
    auto* out = static_cast<ORDAOutputImplementation*>(e->owner);
    if (e->vectorSize > e->bufferSize) {
        ORDAStreamedString message;
        message << "Buffer overflow detected: VectorSize(" << e->vectorSize << ") > BufferSize(" << e->bufferSize
                << ")";
        Error(message.Beginning(), 0);
    }
    if (e->timeOfIssue == 0) e->timeOfIssue = ORDAPrivate::kernel->CurrentTime(false, false);
    if (e->timestamp == 0) e->timestamp = e->timeOfIssue;

    ORDATimestamp* history = out->history;
    const int index = out->historyIndex;
    history[index] = e->timestamp;
    if (out->periodic) {
        bool full = true;
        for (int i = 0; i < 30 && full; ++i) full = history[i] != 0;
        if (full) e->timestamp = FittedTimestamp(history, index);
        if (e->timestamp < history[30]) e->timestamp = e->timeOfIssue;
    }
    history[30] = e->timestamp;
    out->historyIndex = (index + 1) % 30;

    ORDAFifoSlot* slot = e->slot;
    if (discard) {
        out->monitor->Discard(slot);
        return;
    }
    out->monitor->Publish(slot);

    ORDAMutexGuard<ORDAMutex> guard(out->outputMutex);
    for (auto* it = out->connectedInputs.First(); it; it = it->Next()) {
        auto* input = static_cast<ORDAInputImplementation*>(it->value);
        ORDAComponent* reader = input->owner;
        if (!reader || reader->IsThreaded()) continue;
        const unsigned before = reader->State();
        reader->SequentialCore(input);
        if (reader->State() != before) reader->SignalState();
    }
}

void ORDAModule::Wait4Handshake(ORDAOutput& output)
{
    ORDAEvent* events[2] = {&Impl(output)->monitor->spaceEvent, &m_dyingEvent};
    ORDAEvent::Wait(2, events, -1);
    if (IsDying()) throw static_cast<int>(ORDA::ModuleDied);
}

bool ORDAModule::IsFIFOEmpty(ORDAOutput& output) { return Impl(output)->monitor->IsEmpty(); }

bool ORDAModule::IsFIFOFull(ORDAOutput& output) { return Impl(output)->monitor->IsFull(); }

void ORDAModule::SetOutputFifoSizeProperty(ORDAProperty* property)
{
    ORDAModule* owner = property->Owner();
    if (!owner) return;
    if (owner->State() & ORDA::LivingState) {
        owner->ReportError("Cannot change the output fifo sizes while module is running.", 0);
        return;
    }
    auto* out = static_cast<ORDAOutputImplementation*>(ORDAPrivate::OutputOfProperty(property));
    if (!out) return;
    const int size = static_cast<int>(property->IntegerValue());
    out->definition.fifoSize = size;
    out->ResetFifoSize(size);
}

void ORDAModule::SetOutputSubsamplingProperty(ORDAProperty* property)
{
    auto* out = static_cast<ORDAOutputImplementation*>(ORDAPrivate::OutputOfProperty(property));
    if (!out) return;
    const int rate = static_cast<int>(property->IntegerValue());
    out->definition.subsampling = rate;
    ORDAMutexGuard<ORDAMutex> guard(out->monitor->lock);
    out->monitor->subsamplingReload = rate;
}

void ORDAModule::SetOutputPeriodicProperty(ORDAProperty* property)
{
    auto* out = static_cast<ORDAOutputImplementation*>(ORDAPrivate::OutputOfProperty(property));
    if (out) out->periodic = property->BoolValue();
}
