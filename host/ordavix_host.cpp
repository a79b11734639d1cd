#include "ordavix_host.h"

#include <cstdio>
#include <ctime>

#include "component_life.h"
#include "orda_component.h"
#include "orda_pck_entry.h"
#include "orda_property_value.h"
#include "orda_private.h"
#include "orda_version.h"

namespace ordavix_host {

namespace {
ORDATimestamp MonotonicMicroseconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ORDATimestamp>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

const char* LevelName(int level)
{
    switch (level) {
    case ORDA::Info: return "info";
    case ORDA::Warning: return "warning";
    case ORDA::Error: return "error";
    case ORDA::ParserEcho: return "echo";
    default: return "report";
    }
}
}

Engine::Engine() : m_start(MonotonicMicroseconds())
{
    // The engine runs the same runtime as the packages it hosts; its own
    // copy of the binding points at itself.
    ORDAPrivate::PckInit(this, ORDA::PackageInterfaceVersion);
    if (ORDAPrivate::kernel == this) {
        m_engineModule = new ORDAModule("Engine", false, false);
        SetEngineStringProperty("version", "4.10");
    }
}

Engine::~Engine()
{
    // A component's last act on its engine thread is to tell the engine it
    // is dead; the engine goes only once every such thread has left it.
    {
        std::unique_lock<std::mutex> lock(m_threadsMutex);
        m_threadsDone.wait_for(lock, std::chrono::seconds(30), [this] { return m_threadsInside == 0; });
    }
    delete m_engineModule;
    if (ORDAPrivate::kernel == this) ORDAPrivate::kernel = nullptr;
}

void Engine::LockDiagram(const char*) { m_diagramLock.lock(); }
void Engine::UnlockDiagram() { m_diagramLock.unlock(); }
ORDAModule* Engine::FindElement(const char* fullName) { return fullName ? m_elements.OwnerOf(fullName) : nullptr; }

void Engine::ForgetName(const char* fullName)
{
    if (fullName) m_elements.Forget(fullName);
}

void Engine::LockPropertyTable() { m_propertyTableLock.lock(); }
void Engine::UnlockPropertyTable() { m_propertyTableLock.unlock(); }
bool Engine::RegisterInput(ORDAInput* input)
{
    auto* impl = static_cast<ORDAInputImplementation*>(input);
    return m_elements.Add(input->Name().Beginning(), ElementRegistry::Kind::Input, input, impl->owner);
}

bool Engine::RegisterOutput(ORDAOutput* output)
{
    auto* impl = static_cast<ORDAOutputImplementation*>(output);
    return m_elements.Add(output->Name().Beginning(), ElementRegistry::Kind::Output, output, impl->owner);
}

bool Engine::RegisterProperty(ORDAProperty* property)
{
    return m_elements.Add(property->Name().Beginning(), ElementRegistry::Kind::Property, property, property->Owner());
}

bool Engine::RegisterAction(ORDAAction* action)
{
    auto* impl = static_cast<ORDAActionImplementation*>(action);
    return m_elements.Add(action->Name().Beginning(), ElementRegistry::Kind::Action, action, impl->owner);
}
void Engine::AnnounceOutput(const char*, const char*, void*, int) {}
void Engine::ReleaseInput(const char* fullName) { ForgetName(fullName); }
void Engine::ReleaseOutput(const char* fullName) { ForgetName(fullName); }

void Engine::ModuleStateChanged(const char* moduleName, int state)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_states[moduleName ? moduleName : ""] = state;
    }
    m_stateChanged.notify_all();
}

int Engine::LastSignalledState(const std::string& moduleName) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_states.find(moduleName);
    return it == m_states.end() ? -1 : it->second;
}

bool Engine::WaitForState(const std::string& moduleName, const std::function<bool(int)>& accept, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_stateChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        auto it = m_states.find(moduleName);
        return it != m_states.end() && accept(it->second);
    });
}
void Engine::RegisterTimeStateListener(ORDATimeStateListener* listener) { m_clock.RegisterListener(listener); }
void Engine::UnregisterTimeStateListener(ORDATimeStateListener* listener) { m_clock.UnregisterListener(listener); }
// Counts the engine threads that run inside the engine's code.
class Engine::ThreadInside {
public:
    explicit ThreadInside(Engine& e) : m_engine(e)
    {
        std::lock_guard<std::mutex> lock(m_engine.m_threadsMutex);
        ++m_engine.m_threadsInside;
    }
    ~ThreadInside()
    {
        std::lock_guard<std::mutex> lock(m_engine.m_threadsMutex);
        if (--m_engine.m_threadsInside == 0) m_engine.m_threadsDone.notify_all();
    }

private:
    Engine& m_engine;
};

void Engine::ComponentMainThread(ORDAComponent* component)
{
    ThreadInside inside(*this);
    RunComponentLife(component);
}

void Engine::ModuleThread(void* record)
{
    ThreadInside inside(*this);
    RunModuleThread(record);
}

void Engine::ComponentThread(void* record)
{
    ThreadInside inside(*this);
    RunModuleThread(record);
}

ORDAProperty* Engine::Property(const char* fullName) { return fullName ? m_elements.PropertyNamed(fullName) : nullptr; }

void Engine::Exit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_exitCalls;
}

void Engine::Release()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_releaseCalls;
}

void Engine::Report(const char* text, int level, int code, bool flag)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reports.push_back(ReportRecord{text ? text : "", level, code, flag});
    if (!m_quiet) std::fprintf(stderr, "[%s %d] %s\n", LevelName(level), code, text ? text : "");
}

int Engine::GetState() { return m_clock.GetState(); }
bool Engine::IsPaused() { return m_clock.IsPaused(); }
int Engine::TimeSpeed() { return m_clock.TimeSpeed(); }
int Engine::TimeState() { return m_clock.TimeState(); }

int Engine::CheckLevel() { return m_checkLevel.load(std::memory_order_relaxed); }

void Engine::RegisterClock(ORDABaseClock* clock, int* identifier) { m_clock.RegisterClock(clock, identifier); }
void Engine::UnregisterClock(ORDABaseClock* clock, int* identifier) { m_clock.UnregisterClock(clock, identifier); }
ORDATimestamp Engine::GetSystemAccurateTiming() { return AccurateSystemMicroseconds(); }
ORDATimestamp Engine::CurrentTime(bool, bool) { return m_clock.CurrentTime(); }
ORDACondition* Engine::TimeStateCondition() { return m_clock.Condition(); }
void Engine::EnterTimeStateLock() { m_clock.EnterTimeStateLock(); }
void Engine::LeaveTimeStateLock() { m_clock.LeaveTimeStateLock(); }

bool Engine::GetBoolProperty(const char* name, bool* found)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = name ? m_boolProperties.find(name) : m_boolProperties.end();
    if (found) *found = it != m_boolProperties.end();
    return it != m_boolProperties.end() ? it->second : false;
}

int Engine::GetIntegerProperty(const char* name, bool* found)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = name ? m_intProperties.find(name) : m_intProperties.end();
    if (found) *found = it != m_intProperties.end();
    return it != m_intProperties.end() ? it->second : 0;
}

double Engine::GetFloatProperty(const char* name, bool* found)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = name ? m_floatProperties.find(name) : m_floatProperties.end();
    if (found) *found = it != m_floatProperties.end();
    return it != m_floatProperties.end() ? it->second : 0.0;
}

ORDAEventService* Engine::EventService() { return &m_events; }
int Engine::ClockTimeSpeed(int clockIdentifier) { return m_clock.ClockTimeSpeed(clockIdentifier); }
void Engine::SetClockTimeSpeed(int clockIdentifier, int speed) { m_clock.SetClockTimeSpeed(clockIdentifier, speed); }

void Engine::SetEngineProperty(const std::string& name, bool value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boolProperties[name] = value;
}

void Engine::SetEngineProperty(const std::string& name, int value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_intProperties[name] = value;
}

void Engine::SetEngineProperty(const std::string& name, double value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_floatProperties[name] = value;
}

void Engine::SetEngineStringProperty(const std::string& shortName, const std::string& value)
{
    if (!m_engineModule) return;
    const std::string fullName = std::string("Engine.") + shortName;
    if (ORDAProperty* existing = m_elements.PropertyNamed(fullName)) {
        m_engineModule->DirectSet(existing, ORDAStackedString<40>(value.c_str()));
        return;
    }
    m_engineStrings.push_back(shortName);
    auto definition = std::make_unique<ORDAPropertyDefinition>();
    definition->name = m_engineStrings.back().c_str();
    definition->value = new ORDAPropertyValue(value.c_str());
    definition->readOnly = true;
    definition->locked = true;
    m_engineModule->NewProperty(*definition);
    m_engineDefinitions.push_back(std::move(definition));
}

ORDAComponent* Engine::Instantiate(ORDAComponentDefinition& model, const std::string& name)
{
    if (!model.instFunct) return nullptr;
    return model.instFunct(name.c_str(), model);
}

void Engine::SetCheckLevel(int level) { m_checkLevel.store(level, std::memory_order_relaxed); }

std::vector<ReportRecord> Engine::Reports() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reports;
}

void Engine::ClearReports()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reports.clear();
}

void Engine::SetQuiet(bool quiet)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quiet = quiet;
}

int Engine::ExitCalls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_exitCalls;
}

int Engine::ReleaseCalls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_releaseCalls;
}

}
