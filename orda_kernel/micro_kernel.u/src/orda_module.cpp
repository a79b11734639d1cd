#include "orda_module.h"

#include <pthread.h>

#include <clocale>
#include <locale.h>

#include "orda_private.h"
#include "orda_builtin_properties.h"
#include "orda_streamed_string.h"
#include "orda_time.h"

namespace {

void OnProcessorSet(ORDAProperty* property)
{
    ORDAModule* m = property->Owner();
    const int processor = static_cast<int>(property->IntegerValue());
    for (auto* t = m->m_threads.First(); t; t = t->Next()) t->value->SetProcessor(processor);
}

long SumOverThreads(ORDAModule* m, int (ORDAThread::*counter)())
{
    long sum = 0;
    for (auto* t = m->m_threads.First(); t; t = t->Next()) sum += (t->value->*counter)();
    return sum;
}

void OnContextSwitchesGet(ORDAProperty* property, ORDAPropertyValue* value)
{
    value->SetInteger((SumOverThreads(property->Owner(), &ORDAThread::GetContextSwitches) + 50) / 100);
}

void OnCpuLoadGet(ORDAProperty* property, ORDAPropertyValue* value)
{
    value->SetInteger((SumOverThreads(property->Owner(), &ORDAThread::GetCPULoad) + 50) / 100);
}

struct ThreadStart {
    ORDAModule* module;
    void* record;
    bool component;
};

void* ModuleThreadEntry(void* argument)
{
    ORDAPrivate::UseCNumericLocale();
    ThreadStart start = *static_cast<ThreadStart*>(argument);
    if (start.component) ORDAPrivate::kernel->ComponentThread(start.record);
    else ORDAPrivate::kernel->ModuleThread(start.record);
    return nullptr;
}

}

// The engine thread's first act: numbers are formatted the "C" way in it.
// A per-thread locale keeps the other threads' locale untouched.
void ORDAPrivate::UseCNumericLocale()
{
    static locale_t cNumeric = newlocale(LC_NUMERIC_MASK, "C", duplocale(LC_GLOBAL_LOCALE));
    if (cNumeric) uselocale(cNumeric);
}

bool ORDAPrivate::StartDetachedThread(void* (*entry)(void*), void* argument, pthread_t* thread)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_attr_setinheritsched(&attr, PTHREAD_INHERIT_SCHED);
    const int rc = pthread_create(thread, &attr, entry, argument);
    pthread_attr_destroy(&attr);
    return rc == 0;
}

// ---------------------------------------------------------------------------
ORDAModule::ORDAModule(const char* name, bool performance, bool processor)
    : ORDAModuleBase(name), m_dyingEvent(false, nullptr), m_allLivesLostEvent(false, nullptr)
{
    const auto& defs = ORDAPrivate::SpecialProperties();
    if (processor) {
        m_processor = NewProperty(defs.processor);
        m_processor->SetSetCallback(OnProcessorSet);
    }
    if (performance) CreatePerformanceProperties();
    MarkSpecialPropertyBoundary();
}

void ORDAModule::CreatePerformanceProperties()
{
    const auto& defs = ORDAPrivate::SpecialProperties();
    m_counter = NewProperty(defs.counter);
    m_nbPeriods = NewProperty(defs.nbPeriods);
    m_averagePeriod = NewProperty(defs.averagePeriod);
    m_minPeriod = NewProperty(defs.minPeriod);
    m_maxPeriod = NewProperty(defs.maxPeriod);
    m_contextSwitches = NewProperty(defs.contextSwitches);
    m_contextSwitches->SetGetCallback(OnContextSwitchesGet);
    m_cpuLoad = NewProperty(defs.cpuLoad);
    m_cpuLoad->SetGetCallback(OnCpuLoadGet);
}

void ORDAModule::MarkSpecialPropertyBoundary()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    m_nbSpecialProperties = m_properties.Length();
    m_specialBoundary = m_properties.Last();
}

ORDAModule::~ORDAModule()
{
    if (ORDAPrivate::kernel)
        for (auto* n = m_registeredNames.First(); n; n = n->Next()) ORDAPrivate::kernel->ForgetName(n->value.Beginning());
    for (auto* a = m_actions.First(); a; a = a->Next()) delete a->value;
    for (auto* i = m_inputs.First(); i; i = i->Next()) delete i->value;
    for (auto* o = m_outputs.First(); o; o = o->Next()) delete o->value;
    for (auto* p = m_properties.First(); p; p = p->Next()) delete p->value;
    for (auto* t = m_threads.First(); t; t = t->Next()) delete t->value;
}

// ---------------------------------------------------------------------------
const char* ORDAModule::Kind() { return "module"; }

void ORDAModule::SequentialCore(ORDAInput*) {}

void ORDAModule::Report(const char* text, int level, int code)
{
    ORDAStreamedString message;
    message << Kind() << " " << (Name() ? Name() : "") << ": " << (text ? text : "");
    ORDAPrivate::Report(message.Beginning(), level, code, false);
}

void ORDAModule::ReportInfo(const char* text, int code) { Report(text, ORDA::Info, code); }
void ORDAModule::ReportWarning(const char* text, int code) { Report(text, ORDA::Warning, code); }
void ORDAModule::ReportError(const char* text, int code) { Report(text, ORDA::Error, code); }

void ORDAModule::Error(const char* text, int code, ErrorCode errorCode)
{
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        m_lastError = text;
        m_lastErrorCode = errorCode;
        m_state |= ORDA::ErrorState;
    }
    SignalState();
    Report(text, ORDA::Error, code);
    throw static_cast<int>(ORDA::ErrorException);
}

void ORDAModule::SignalState() { ORDAPrivate::kernel->ModuleStateChanged(Name(), static_cast<int>(State())); }

// Without the state mutex: set hooks read it under the property mutex,
// which comes after the state mutex.
unsigned ORDAModule::State() { return m_state.load(); }

bool ORDAModule::IsDying() { return (State() & ORDA::DyingState) != 0; }
bool ORDAModule::IsStarted() { return (State() & ORDA::LivingState) != 0; }

void ORDAModule::Die()
{
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        m_state |= ORDA::DyingState;
    }
    m_dyingEvent.Set();
}

void ORDAModule::OneMoreLife()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    ++m_lives;
}

void ORDAModule::LoseOneLife()
{
    bool last = false;
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        last = --m_lives == 0;
    }
    // Whoever waits for the last life may destroy the module at once: the
    // event is the last thing a finished thread touches.
    if (last) m_allLivesLostEvent.Set();
}

void ORDAModule::CreateThread(ORDAThreadFunction function)
{
    std::atomic<bool> started{false};
    ORDAThreadRecord record{this, function, &started};
    ThreadStart start{this, &record, m_component != nullptr};

    pthread_t thread;
    if (!ORDAPrivate::StartDetachedThread(ModuleThreadEntry, &start, &thread))
        Error(m_component ? "Failed to create a component thread that runs a member function"
                          : "Failed to create module thread",
              1, ErrorGeneric);
    // The record lives on this stack: wait until the engine has taken it over.
    while (!started.load(std::memory_order_acquire)) ORDA::Wait4AWhile(10000);
}

// ---------------------------------------------------------------------------
void ORDAModule::PerformanceMonitoring()
{
    if (!m_counter || !m_nbPeriods) return;
    DirectSet(m_counter, m_counter->IntegerValue() + 1);
    const ORDATimestamp now = ORDAPrivate::kernel->CurrentTime(false, false);

    if (m_nbPeriods->PropertyChanged()) {
        // A window below one period has no average; keep one.
        int size = static_cast<int>(m_nbPeriods->IntegerValue());
        if (size < 1) size = 1;
        m_periods = ORDAArray<long>();
        for (int i = 0; i < size; ++i) m_periods(i) = -1;
        m_nbPeriods->AcknowledgePropertyChanged();
        m_nbPeriodsSeen = 0;
        m_periodIndex = 0;
        m_periodSum = 0;
        m_previousCoreTime = now;
        m_perfStarted = true;
        return;
    }
    if (!m_perfStarted) {
        m_previousCoreTime = now;
        m_perfStarted = true;
        return;
    }
    const int size = m_periods.Size();
    if (size == 0) return;
    const long period = static_cast<long>(now - m_previousCoreTime);
    m_previousCoreTime = now;
    const long replaced = m_periods(m_periodIndex);
    m_periods(m_periodIndex) = period;
    m_periodSum += period;
    if (m_nbPeriodsSeen >= size) m_periodSum -= replaced;
    const int inHistory = m_nbPeriodsSeen + 1 < size ? m_nbPeriodsSeen + 1 : size;
    // The window fills from index 0, so its first inHistory entries hold periods.
    long minimum = period, maximum = period;
    for (int i = 0; i < inHistory; ++i) {
        const long p = m_periods(i);
        if (p < minimum) minimum = p;
        if (p > maximum) maximum = p;
    }
    DirectSet(m_averagePeriod, m_periodSum / inHistory);
    DirectSet(m_maxPeriod, maximum);
    DirectSet(m_minPeriod, minimum);
    ++m_nbPeriodsSeen;
    if (++m_periodIndex >= size) m_periodIndex = 0;
}
