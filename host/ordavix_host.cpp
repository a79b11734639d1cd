#include "ordavix_host.h"

#include <cstdio>
#include <ctime>

#include "orda_pck_entry.h"
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
}

Engine::~Engine()
{
    if (ORDAPrivate::kernel == this) ORDAPrivate::kernel = nullptr;
}

void Engine::LockDiagram(const char*) { m_diagramLock.lock(); }
void Engine::UnlockDiagram() { m_diagramLock.unlock(); }
ORDAModule* Engine::FindElement(const char*) { return nullptr; }
void Engine::ForgetName(const char*) {}
void Engine::LockPropertyTable() { m_propertyTableLock.lock(); }
void Engine::UnlockPropertyTable() { m_propertyTableLock.unlock(); }
bool Engine::RegisterInput(ORDAInput*) { return true; }
bool Engine::RegisterOutput(ORDAOutput*) { return true; }
bool Engine::RegisterProperty(ORDAProperty*) { return true; }
bool Engine::RegisterAction(ORDAAction*) { return true; }
void Engine::AnnounceOutput(const char*, const char*, void*, int) {}
void Engine::ReleaseInput(const char*) {}
void Engine::ReleaseOutput(const char*) {}
void Engine::ModuleStateChanged(const char*, int) {}
void Engine::RegisterTimeStateListener(ORDATimeStateListener* listener) { m_clock.RegisterListener(listener); }
void Engine::UnregisterTimeStateListener(ORDATimeStateListener* listener) { m_clock.UnregisterListener(listener); }
void Engine::ComponentMainThread(ORDAComponent*) {}
void Engine::ModuleThread(void*) {}
void Engine::ComponentThread(void*) {}
ORDAProperty* Engine::Property(const char*) { return nullptr; }

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

int Engine::CheckLevel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_checkLevel;
}

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

void Engine::SetCheckLevel(int level)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_checkLevel = level;
}

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
