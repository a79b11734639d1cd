#include "component_life.h"

#include <pthread.h>

#include "orda_component.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

namespace ordavix_host {

namespace {

// Reports what escaped a component's own code; true when it must die.
bool HandleEscaped(ORDAComponent* c)
{
    ORDAStreamedString prefix;
    prefix << c->Kind() << " " << c->Name();
    try {
        throw;
    } catch (int e) {
        if (e == ORDA::ModuleDied) return true;
        if (e == ORDA::ErrorException) {
            ORDAStreamedString message;
            message << prefix << " (threaded) died due to an error.";
            ORDA::ReportWarning(message.Beginning(), 1);
        } else {
            ORDAPrivate::ReportFatalException(prefix.Beginning());
        }
    } catch (...) {
        ORDAPrivate::ReportFatalException(prefix.Beginning());
    }
    ORDAMutexGuard<ORDAMutex2> guard(c->m_stateMutex);
    c->m_state |= ORDA::ErrorState;
    return true;
}

}

void RunComponentLife(ORDAComponent* c)
{
    ORDAPrivate::UseCNumericLocale();
    bool alive = true;
    try {
        c->Birth();
    } catch (...) {
        alive = !HandleEscaped(c);
    }
    c->m_birthEvent.Set();
    c->SignalState();
    // The dying event stays set until the next start, even when a shutdown
    // that gave up on the component has cleared DyingState.
    while (alive && !c->IsDying() && !c->m_dyingEvent.State()) {
        try {
            c->PerformanceMonitoring();
            c->Core();
        } catch (...) {
            alive = !HandleEscaped(c);
        }
    }
    // A component that failed on its own is dying from now on.
    c->Die();
    try {
        c->Banzai();
    } catch (...) {
        HandleEscaped(c);
    }
    c->LoseOneLife();
    c->Wait4Death();
    c->CallDeath();
    c->Die4Good();
}

void RunModuleThread(void* record)
{
    ORDAPrivate::UseCNumericLocale();
    if (*static_cast<void**>(record) == nullptr) {
        auto* r = static_cast<ORDAThreadFreeRecord*>(record);
        ORDAComponent* component = r->component;
        ORDAThreadFreeFunction function = r->function;
        void* argument = r->argument;
        component->OneMoreLife();
        *r->created = true;
        *r->threadId = static_cast<unsigned long>(pthread_self());
        r->started->store(true, std::memory_order_release);
        try {
            function(argument);
        } catch (...) {
            HandleEscaped(component);
        }
        component->LoseOneLife();
        return;
    }
    auto* r = static_cast<ORDAThreadRecord*>(record);
    ORDAModule* module = r->module;
    ORDAThreadFunction function = r->function;
    module->OneMoreLife();
    r->started->store(true, std::memory_order_release);
    try {
        (module->*function)();
    } catch (...) {
        if (module->m_component) HandleEscaped(module->m_component);
    }
    module->LoseOneLife();
}

}
