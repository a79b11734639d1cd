#include "orda_component.h"

#include <pthread.h>

#include <cstring>
#include <exception>

#include "orda_engine_properties.h"
#include "orda_private.h"
#include "orda_builtin_properties.h"
#include "orda_streamed_string.h"
#include "orda_time.h"

namespace {

void OnThreadedSet(ORDAProperty* property)
{
    property->Owner()->m_threaded = property->BoolValue();
}

void OnPrioritySet(ORDAProperty* property)
{
    ORDAModule* m = property->Owner();
    const long priority = property->IntegerValue();
    if (priority < 0 || priority > 255) {
        m->DirectSet(property, 128L);
        m->Error("Invalid priority value. Component's priority should be set between 0 and 255.", 1);
    }
    for (auto* t = m->m_threads.First(); t; t = t->Next()) t->value->SetPriority(static_cast<int>(priority));
}

void OnAutoStartSet(ORDAProperty* property)
{
    ORDAModule* m = property->Owner();
    // Under the property mutex: no state mutex, one atomic operation.
    if (property->BoolValue()) m->m_state |= ORDA::StartAutomaticallyState;
    else m->m_state &= ~ORDA::StartAutomaticallyState;
    m->SignalState();
}

void* MainThreadEntry(void* argument)
{
    ORDAPrivate::kernel->ComponentMainThread(static_cast<ORDAComponent*>(argument));
    return nullptr;
}

template <typename T>
typename ORDAList<T*>::Item* ItemAt(ORDAList<T*>& list, long index)
{
    long i = 0;
    for (auto* it = list.First(); it; it = it->Next(), ++i)
        if (i == index) return it;
    return nullptr;
}

}

// ---------------------------------------------------------------------------
ORDAComponent::ORDAComponent(const char* name, ORDAComponentDefinition& definition)
    : ORDAModule(name, true, true), m_definition(&definition), m_birthEvent(false, nullptr)
{
    m_component = this;
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        m_state = ORDA::DeadState;
        m_deathDone = true;
        m_registeredNames.Prepend(ORDAStackedString<40>(name));
    }
    const auto& defs = ORDAPrivate::SpecialProperties();
    m_threadedProperty = NewProperty(defs.threaded);
    DirectSet(m_threadedProperty, definition.threaded);
    m_threaded = definition.threaded;
    m_threadedProperty->SetSetCallback(OnThreadedSet);
    m_priorityProperty = NewProperty(defs.priority);
    DirectSet(m_priorityProperty, static_cast<long>(definition.priority));
    m_priorityProperty->SetSetCallback(OnPrioritySet);
    m_autoStartProperty = NewProperty(defs.autoStart);
    m_autoStartProperty->SetSetCallback(OnAutoStartSet);
    m_versionProperty = NewProperty(defs.componentModelVersion);
    DirectSet(m_versionProperty, definition.version);
    m_primaryThreadIdProperty = NewProperty(defs.primaryThreadID);

    MarkSpecialPropertyBoundary();

    // The counts are loop bounds from here on.
    ORDA::ResolveCounts(definition);
    for (std::uint32_t i = 0; i < definition.nbProperties; ++i) ORDAModule::NewProperty(definition.properties[i]);
    for (std::uint32_t i = 0; i < definition.nbInputs; ++i) NewInput(definition.inputs[i]);
    for (std::uint32_t i = 0; i < definition.nbOutputs; ++i) NewOutput(definition.outputs[i]);
    for (std::uint32_t i = 0; i < definition.nbActions; ++i) ORDAModule::NewAction(definition.actions[i]);
}

ORDAComponent::~ORDAComponent()
{
    std::uint32_t& budget = m_definition->maxNumberOfInstances;
    if (budget == 0xFFFFFFFFu) budget = 1;
    else if (budget != 0) ++budget;
    if (!(State() & ORDA::DeadState)) {
        ORDAStreamedString message;
        message << "The destructor of component " << Name() << " was called though " << Name() << " is still alive.";
        ORDAPrivate::Report(message.Beginning(), ORDA::Error, 1, true);
    }
}

const char* ORDAComponent::Kind() { return "component"; }

void ORDAComponent::Rename(const char* oldName, const char* newName) { ORDAModule::Rename(oldName, newName); }

void ORDAComponent::Dynamic() { DynamicConfirm(); }
void ORDAComponent::Birth() {}
void ORDAComponent::Banzai() {}
void ORDAComponent::Death() {}

void ORDAComponent::FreeBuffers()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    for (auto* o = m_outputs.First(); o; o = o->Next()) static_cast<ORDAOutputImplementation*>(o->value)->FreeBuffers();
}

ORDAPoint ORDAComponent::GetLocation() { return m_location; }
void ORDAComponent::SetLocation(const ORDAPoint& location) { m_location = location; }

// Every property write of a component reconfigures it.
void ORDAComponent::Set(ORDAProperty* p, bool v)
{
    ORDAModule::Set(p, v);
    CallDynamic();
}

void ORDAComponent::Set(ORDAProperty* p, long v)
{
    ORDAModule::Set(p, v);
    CallDynamic();
}

void ORDAComponent::Set(ORDAProperty* p, double v)
{
    ORDAModule::Set(p, v);
    CallDynamic();
}

void ORDAComponent::Set(ORDAProperty* p, const ORDAStackedString<40>& v)
{
    ORDAModule::Set(p, v);
    CallDynamic();
}

void ORDAComponent::Set(ORDAProperty* p, const ORDAEnumStruct& v)
{
    ORDAModule::Set(p, v);
    CallDynamic();
}

void ORDAModule::ReconfigureAfterSet()
{
    if (m_component) m_component->CallDynamic();
}

// ---------------------------------------------------------------------------
void ORDAComponent::CallDynamic()
{
    ORDAPrivate::kernel->LockDiagram("Calling Dynamic");
    m_coreMutex.Lock();
    bool run = false;
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        if (!(m_state & ORDA::LivingState) && !m_inReconfiguration) {
            run = true;
            m_inReconfiguration = true;
            m_inputCursor = ItemAt(m_inputs, m_definition->nbInputs);
            m_outputCursor = ItemAt(m_outputs, m_definition->nbOutputs);
            m_propertyCursor = ItemAt(m_properties, static_cast<long>(m_nbSpecialProperties) + m_definition->nbProperties);
            m_actionCursor = ItemAt(m_actions, m_definition->nbActions);
            m_state &= ~ORDA::ErrorState;
        }
    }
    if (run) {
        try {
            Dynamic();
        } catch (...) {
            ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
            m_state |= ORDA::ErrorState;
        }
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        // What the new configuration did not declare again goes.
        while (m_inputCursor) RemoveInputLocked(m_inputCursor->value);
        while (m_outputCursor) RemoveOutputLocked(m_outputCursor->value);
        while (m_propertyCursor) RemovePropertyLocked(m_propertyCursor->value);
        while (m_actionCursor) RemoveActionLocked(m_actionCursor->value);
        m_inReconfiguration = false;
    }
    m_coreMutex.Release();
    SignalState();
    ORDAPrivate::kernel->UnlockDiagram();
}


// ---------------------------------------------------------------------------
void ORDAPrivate::ReportFatalException(const char* prefix)
{
    ORDAStreamedString fatal;
    try {
        throw;
    } catch (int) {
        fatal << prefix << " : Fatal error : Unhandled integer exception thrown. Trying to catch up but the component "
                           "might crash later.";
    } catch (const char* s) {
        fatal << prefix << " : Fatal error : Unhandled string thrown: " << (s ? s : "")
              << " Trying to catch up but the component might crash later.";
    } catch (const std::exception& e) {
        fatal << prefix << " : Fatal error : Unhandled std::exception thrown: " << e.what()
              << " Trying to catch up but the component might crash later.";
    } catch (...) {
        fatal << prefix << " : Fatal error : Unhandled exception thrown. Trying to catch up but the component might "
                           "crash later.";
    }
    ORDAPrivate::MessageBox(fatal.Beginning(), 2, 0, true);
    ORDA::ReportError(fatal.Beginning(), 0);
}

template <typename Body>
void ORDAComponent::SequentialBarrier(bool start, Body body)
{
    ORDAStreamedString prefix;
    prefix << Kind() << " " << Name();
    // Failures at start only add DyingState; during processing ErrorState too.
    const unsigned failed = start ? ORDA::DyingState : (ORDA::ErrorState | ORDA::DyingState);
    try {
        body();
        return;
    } catch (int e) {
        if (e == ORDA::ErrorException) {
            ORDAStreamedString message;
            message << prefix << " (sequential) died due to an error.";
            ORDA::ReportWarning(message.Beginning(), 1);
            SequentialDeathAfterFailure(failed);
            return;
        }
        if (e == ORDA::ModuleDied) return;
        if (e == ORDA::TimeOut) {
            {
                ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
                m_state |= ORDA::ErrorState;
            }
            ORDAStreamedString message;
            message << "Component " << Name() << " : Time out (deadlock?) on an input";
            ORDAPrivate::KernelError(message.Beginning(), 1);
        }
        if (!start) {
            {
                ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
                m_state |= ORDA::ErrorState;
            }
            throw;
        }
        ORDAPrivate::ReportFatalException(prefix.Beginning());
    } catch (...) {
        ORDAPrivate::ReportFatalException(prefix.Beginning());
    }
    SequentialDeathAfterFailure(failed);
}

// ---------------------------------------------------------------------------
void ORDAComponent::Start()
{
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        if (m_state & ORDA::LivingState) {
            guard.unlock_mtx();
            SignalState();
            return;
        }
        m_state &= ~ORDA::ErrorState;
        m_state |= ORDA::LivingState;
    }
    m_coreMutex.Lock();

    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        int position = 0;
        for (auto* p = m_properties.First(); p; p = p->Next(), ++position) {
            if (position < m_nbSpecialProperties) continue;
            auto* impl = static_cast<ORDAPropertyImplementation*>(p->value);
            if (!impl->definition.needs2BeInitialized) continue;
            ORDAStreamedString message;
            message << "Unable to start component " << Name() << ". Its property " << impl->shortName
                    << " needs to be initialized.";
            m_state &= ~ORDA::LivingState;
            m_state |= ORDA::ErrorState;
            guard.unlock_mtx();
            SignalState();
            m_coreMutex.Release();
            ORDAPrivate::KernelError(message.Beginning(), 1);
        }
    }

    try {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        for (auto* o = m_outputs.First(); o; o = o->Next()) {
            auto* out = static_cast<ORDAOutputImplementation*>(o->value);
            out->fifoOverflows = 0;
            if (out->definition.size != 0) out->AllocOutputBuffer(out->definition.size, true);
        }
    } catch (int e) {
        m_coreMutex.Release();
        {
            ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
            m_state &= ~ORDA::LivingState;
        }
        throw;
    }

    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        m_perfStarted = false;
        m_periodSum = 0;
        m_state &= ~ORDA::DyingState;
        m_dyingEvent.Reset();
        m_allLivesLostEvent.Reset();
        m_state &= ~ORDA::DeadState;
    }

    if (m_threaded && !(m_definition->kind & ORDA::Threaded)) {
        ReportWarning("Threaded behaviour is not allowed anymore for this component (its threading model may have "
                      "changed since last save operation).",
                      0);
        m_threaded = false;
        ORDAModule::DirectSet(m_threadedProperty, false);
    } else if (!m_threaded && !(m_definition->kind & ORDA::Sequential)) {
        ReportWarning("Sequential behaviour is not allowed anymore for this component (its threading model may "
                      "have changed since last save operation).",
                      0);
        m_threaded = true;
        ORDAModule::DirectSet(m_threadedProperty, true);
    }

    if (m_threaded) {
        // The main thread's life exists before the thread does, so that a
        // quick shutdown still waits for it.
        OneMoreLife();
        pthread_t thread;
        if (!ORDAPrivate::StartDetachedThread(MainThreadEntry, this, &thread)) {
            LoseOneLife();
            {
                ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
                m_state &= ~ORDA::LivingState;
                m_state |= ORDA::ErrorState;
            }
            SignalState();
            m_coreMutex.Release();
            Error("Failed to start component main thread", 1);
        }
        bool found = false;
        if (ORDA::GetBoolProperty("Engine.sequentialStart", &found) && found) {
            try {
                if (!Wait4Event(m_birthEvent, 3000000))
                    Report("Couldn't start. Birth didn't occur correctly (3s timeout).", ORDA::Info, 0);
            } catch (int e) {
                if (e != ORDA::ModuleDied) {
                    m_coreMutex.Release();
                    throw;
                }
                Report("Couldn't start. Birth didn't occur correctly (died at birth).", ORDA::Info, 0);
            }
        }
    } else {
        if (m_primaryThreadIdProperty) ORDAModule::DirectSet(m_primaryThreadIdProperty, 0L);
        ORDAMutexGuard<ORDAMutex> life(m_lifeMutex);
        m_deathDone = false;
        OneMoreLife();
        SequentialBarrier(true, [&] {
            Birth();
            {
                ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
                m_state &= ~ORDA::DeadState;
            }
            SignalState();
            for (auto* i = m_inputs.First(); i; i = i->Next()) {
                m_currentInput = i->value;
                ProcessAvailableData(i->value, false);
            }
        });
    }
    SignalState();
    m_coreMutex.Release();
}

// Steps 1 and 2 of sequential processing, while the input has data.
void ORDAComponent::ProcessAvailableData(ORDAInput* input, bool stopReadingAfterCore)
{
    auto* in = static_cast<ORDAInputImplementation*>(input);
    while (input->DataAvailableInFIFO()) {
        if (in->subsamplingCount >= in->definition.subsampling - 1) {
            in->subsamplingCount = 0;
        } else if (in->definition.readerType == ORDA::FifoReader ||
                   in->definition.readerType == ORDA::NeverSkippingReader ||
                   in->definition.readerType == ORDA::LastOrNextReader) {
            StartReading(*input);
            StopReading(*input);
            ++in->subsamplingCount;
            continue;
        }
        PerformanceMonitoring();
        Core();
        if (stopReadingAfterCore)
            for (auto* i = m_inputs.First(); i; i = i->Next()) StopReading(*i->value);
    }
}

void ORDAComponent::SequentialCore(ORDAInput* input)
{
    ORDAMutexGuard<ORDAMutex> life(m_lifeMutex);
    if (m_deathDone || (State() & ORDA::DyingState)) return;
    m_currentInput = input;
    SequentialBarrier(false, [&] { ProcessAvailableData(input, true); });
}

void ORDAComponent::SequentialDeathAfterFailure(unsigned addedState)
{
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        m_state |= addedState;
    }
    m_dyingEvent.Set();
    DieInThisThread();
}

// The death of a component without a thread of its own, on the caller's.
void ORDAComponent::DieInThisThread()
{
    m_deathDone = true;
    LoseOneLife();
    Banzai();
    Wait4Death();
    CallDeath();
    Die4Good();
}

// ---------------------------------------------------------------------------
void ORDAComponent::CallDeath()
{
    ORDAStreamedString message;
    message << Name();
    int code = 2;
    try {
        Death();
        return;
    } catch (int e) {
        if (e == ORDA::ErrorException) {
            message << ": ORDA::ErrorException thrown from Death(). Trying to catch up. The component might crash later.";
            code = 0;
        } else {
            message << ": unhandled integer exception thrown from Death(). Trying to catch up. The component might crash "
                       "later.";
        }
    } catch (const std::exception& e) {
        message << ": unhandled std::exception thrown from Death() (" << e.what()
                << "). Trying to catch up. The component might crash later.";
    } catch (...) {
        message << ": unhandled exception thrown from Death(). Trying to catch up. The component might crash later.";
    }
    ORDAPrivate::Report(message.Beginning(), ORDA::Error, code, true);
}

void ORDAComponent::Die4Good()
{
    for (auto* i = m_inputs.First(); i; i = i->Next())
        if (static_cast<ORDAInputImplementation*>(i->value)->heldCount > 0) StopReading(*i->value);
    ORDAStreamedString message;
    message << "Component " << Name() << " is dead.";
    ORDAPrivate::Report(message.Beginning(), ORDA::Info, 0, true);
    if (m_counter) ORDAModule::DirectSet(m_counter, 0L);
    if (m_averagePeriod) ORDAModule::DirectSet(m_averagePeriod, 0L);
    if (m_maxPeriod) ORDAModule::DirectSet(m_maxPeriod, 0L);
    if (m_minPeriod) ORDAModule::DirectSet(m_minPeriod, 0L);
    m_birthEvent.Reset();
    // Once DeadState shows, Shutdown may return and the engine destroy the
    // component: nothing of it is touched after that.
    const ORDAStackedString<40> name(Name());
    unsigned state = 0;
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        m_perfStarted = false;
        m_periodSum = 0;
        m_state &= ORDA::ErrorState | ORDA::StartAutomaticallyState;
        state = (m_state |= ORDA::DeadState);
    }
    ORDAPrivate::kernel->ModuleStateChanged(name.Beginning(), static_cast<int>(state));
}

bool ORDAComponent::Wait4Death()
{
    bool found = false;
    long timeout = ORDA::GetIntegerProperty("Engine.shutdownTimeout", &found);
    if (!found || timeout < 0) timeout = 10000000;
    if (m_allLivesLostEvent.Wait(timeout) == 0) return true;
    ORDAStreamedString message;
    message << "Some threads are still running after ";
    if (timeout > 999999) message << timeout / 1000000 << " second(s)";
    else message << timeout << " microsecond(s)";
    message << ". The model must be bugged. If this is considered as normal however, consider increase the value of "
               "the Engine.shutdownTimeout property. I destroy the component anyway. This might result in a system "
               "crash.";
    Report(message.Beginning(), ORDA::Warning, 2);
    return false;
}

void ORDAComponent::CommitSuicide()
{
    if (!m_threaded) {
        SequentialDeathAfterFailure(ORDA::DyingState);
        return;
    }
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        m_state |= ORDA::DyingState;
    }
    m_dyingEvent.Set();
    throw static_cast<int>(ORDA::ModuleDied);
}

void ORDAComponent::SequentialDeath()
{
    if (m_primaryThreadIdProperty) ORDAModule::DirectSet(m_primaryThreadIdProperty, -1L);
    ORDAMutexGuard<ORDAMutex> life(m_lifeMutex);
    if (m_deathDone) return;
    DieInThisThread();
}

// ---------------------------------------------------------------------------
namespace {
// Gives readers of this component's outputs their detach handshake, so
// none keeps a slot of a FIFO that is about to be emptied.
void ReleaseReader(const char* writer, ORDAInputImplementation* reader)
{
    reader->inputLock.Lock();
    reader->detachAckEvent.Reset();
    reader->detachRequested = 1;
    if (reader->heldCount != 0 || reader->insideStartReading) {
        reader->interruptEvent.Set();
        reader->inputLock.Release();
        // A reader that let go without acknowledging (it died meanwhile)
        // must not hold the shutdown for ever. One that keeps its slots while
        // it waits for something else is waited for: its samples live in
        // this FIFO. Say so once, or the shutdown looks hung.
        int seconds = 0;
        while (reader->detachAckEvent.Wait(1000000) == ORDA::TimeOut) {
            ORDAMutexGuard<ORDAMutex> guard(reader->inputLock);
            if (reader->heldCount == 0 && !reader->insideStartReading) break;
            if (++seconds == 10) {
                ORDAStreamedString message;
                message << "Component " << writer << " waits for its reader " << reader->fullName
                        << " to give back the samples it holds.";
                ORDAPrivate::Report(message.Beginning(), ORDA::Warning, 1, true);
            }
        }
        reader->detachAckEvent.Reset();
    } else {
        reader->inputLock.Release();
    }
    ORDAMutexGuard<ORDAMutex> guard(reader->inputLock);
    reader->detachRequested = 0;
}
}

void ORDAComponent::ResetInputsAndOutputs()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    for (auto* i = m_inputs.First(); i; i = i->Next()) {
        auto* in = static_cast<ORDAInputImplementation*>(i->value);
        in->insideStartReading = 0;
        in->heldCount = 0;
        in->subsamplingCount = 0;
    }
    for (auto* o = m_outputs.First(); o; o = o->Next()) static_cast<ORDAOutputImplementation*>(o->value)->EmptySlots();
    m_state &= ~ORDA::DyingState;
}

void ORDAComponent::CleanUp() { ResetInputsAndOutputs(); }

void ORDAComponent::Shutdown()
{
    Die();
    if (!m_threaded) SequentialDeath();

    const ORDATimestamp start = ORDAPrivate::kernel->GetSystemAccurateTiming();
    while (!(State() & ORDA::DeadState)) {
        if (ORDAPrivate::kernel->GetSystemAccurateTiming() - start >= 10000000) {
            ORDAStreamedString message;
            message << "Component " << Name() << " refuses to die after 10 seconds. The component model "
                    << ModelName() << " must be bugged.";
            ORDAPrivate::Report(message.Beginning(), ORDA::Warning, 1, true);
            break;
        }
        ORDA::Wait4AWhile(10000);
    }

    for (auto* o = m_outputs.First(); o; o = o->Next()) {
        auto* out = static_cast<ORDAOutputImplementation*>(o->value);
        for (auto* c = out->connectedInputs.First(); c; c = c->Next())
            ReleaseReader(Name(), static_cast<ORDAInputImplementation*>(c->value));
    }
    ResetInputsAndOutputs();
    FreeBuffers();
    SignalState();
}

// ---------------------------------------------------------------------------
template <typename Entry>
const Entry& ORDAComponent::DefinitionEntry(Entry* table, int index, const char* what, const char* kind)
{
    if (index < 0 || static_cast<std::uint32_t>(index) >= ORDA::EntriesBeforeTerminator(table)) {
        // Past the table is as bad as its terminating entry.
        ORDAStreamedString message;
        message << "Call to " << what << " failed. Bad " << kind << " definition.";
        Error(message.Beginning(), 2);
    }
    return table[index];
}

template <typename Entry>
const Entry& ORDAComponent::DefinitionByModel(Entry* table, const char* model, const char* name,
                                                   const char* what)
{
    for (int i = 0; table && table[i].name; ++i)
        if (model && std::strcmp(table[i].name, model) == 0) return table[i];
    ORDAStreamedString message;
    message << "Call to " << what << "(" << (model ? model : "") << ", " << (name ? name : "") << ") failed. "
            << "The given model (" << (model ? model : "") << ") does not exist.";
    Error(message.Beginning(), 2);
    // Error never returns, but an override might forget to throw.
    throw static_cast<int>(ORDA::ErrorException);
}

ORDAInput* ORDAComponent::NewInput(const ORDAInputDefinition& d, const char* name) { return MakeInput(d, name); }

ORDAOutput* ORDAComponent::NewOutput(const ORDAOutputDefinition& d, const char* name)
{
    return MakeOutput(d, name, true, false);
}

ORDAInput* ORDAComponent::NewInput(int index, const char* name)
{
    return NewInput(DefinitionEntry(m_definition->inputs, index, "NewInput", "input"), name);
}

ORDAOutput* ORDAComponent::NewOutput(int index, const char* name)
{
    return NewOutput(DefinitionEntry(m_definition->outputs, index, "NewOutput", "output"), name);
}

ORDAProperty* ORDAComponent::NewProperty(int index, const char* name)
{
    return ORDAModule::NewProperty(DefinitionEntry(m_definition->properties, index, "NewProperty", "property"), name);
}

ORDAAction* ORDAComponent::NewAction(int index, const char* name)
{
    return ORDAModule::NewAction(DefinitionEntry(m_definition->actions, index, "NewAction", "action"), name);
}

ORDAInput* ORDAComponent::NewInput(const char* model, const char* name)
{
    return NewInput(DefinitionByModel(m_definition->inputs, model, name, "NewInput"), name);
}

ORDAOutput* ORDAComponent::NewOutput(const char* model, const char* name)
{
    return NewOutput(DefinitionByModel(m_definition->outputs, model, name, "NewOutput"), name);
}

ORDAProperty* ORDAComponent::NewProperty(const char* model, const char* name)
{
    return ORDAModule::NewProperty(DefinitionByModel(m_definition->properties, model, name, "NewProperty"), name);
}

ORDAAction* ORDAComponent::NewAction(const char* model, const char* name)
{
    return ORDAModule::NewAction(DefinitionByModel(m_definition->actions, model, name, "NewAction"), name);
}

// ---------------------------------------------------------------------------
void ORDAComponent::CreateThread(ComponentThreadFunction function)
{
    ORDAModule::CreateThread(static_cast<ORDAThreadFunction>(function));
}

namespace {
struct FreeThreadStart {
    ORDAThreadFreeRecord* record;
};

void* FreeThreadEntry(void* argument)
{
    ORDAPrivate::UseCNumericLocale();
    ORDAThreadFreeRecord* record = static_cast<ORDAThreadFreeRecord*>(argument);
    ORDAPrivate::kernel->ComponentThread(record);
    return nullptr;
}
}

ORDACouple<bool, unsigned long> ORDAComponent::CreateThread(ORDAThreadFreeFunction function, void* argument)
{
    bool found = false;
    ORDA::GetStringProperty("Engine.version", &found);
    if (!found)
        Error("This component needs to create a component thread that runs a non-member function. Your engine "
              "version does NOT support creating component threads that run non-member functions. Either update "
              "your engine to Ordavix >= 4.7.0 or change this component's code to use "
              "ORDAComponent::CreateThread(ORDAThreadFunction) instead of "
              "ORDAComponent::CreateThread(ORDAThreadFreeFunction, void*)",
              1);
    std::atomic<bool> started{false};
    bool created = false;
    unsigned long threadId = 0;
    ORDAThreadFreeRecord record{nullptr, 1, &started, &created, &threadId, this, function, argument};
    pthread_t thread;
    if (!ORDAPrivate::StartDetachedThread(FreeThreadEntry, &record, &thread))
        Error("Failed to create a component thread that runs a non-member function", 1);
    while (!started.load(std::memory_order_acquire)) ORDA::Wait4AWhile(10000);
    return ORDACouple<bool, unsigned long>(created, threadId);
}
