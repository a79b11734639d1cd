#pragma once
// Stand-in host engine: implements the kernel interface the package binds
// to, loads packages and keeps what they report.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <condition_variable>
#include <deque>
#include <functional>

#include "element_registry.h"
#include "engine_clock.h"
#include "event_service.h"
#include "orda_kernel_interface.h"

struct ORDAComponentDefinition;
struct ORDAPropertyDefinition;
class ORDAModule;

namespace ordavix_host {

struct ReportRecord {
    std::string text;
    int level;
    int code;
    bool flag;
};

class Engine : public ORDAKernelInterface {
public:
    Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    virtual ~Engine();

    // --- kernel interface -------------------------------------------------
    void LockDiagram(const char* reason) override;
    void UnlockDiagram() override;
    ORDAModule* FindElement(const char* fullName) override;
    void ForgetName(const char* fullName) override;
    void LockPropertyTable() override;
    void UnlockPropertyTable() override;
    bool RegisterInput(ORDAInput* input) override;
    bool RegisterOutput(ORDAOutput* output) override;
    bool RegisterProperty(ORDAProperty* property) override;
    bool RegisterAction(ORDAAction* action) override;
    void AnnounceOutput(const char* outputFullName, const char* moduleName, void* outputData, int value) override;
    void ReleaseInput(const char* fullName) override;
    void ReleaseOutput(const char* fullName) override;
    void ModuleStateChanged(const char* moduleName, int state) override;
    void RegisterTimeStateListener(ORDATimeStateListener* listener) override;
    void UnregisterTimeStateListener(ORDATimeStateListener* listener) override;
    void Detach(ORDAOutput* output, ORDAInput* input) override;
    void ComponentMainThread(ORDAComponent* component) override;
    void ModuleThread(void* threadRecord) override;
    void ComponentThread(void* threadRecord) override;
    ORDAProperty* Property(const char* fullName) override;
    void Exit() override;
    void Release() override;
    void Report(const char* text, int level, int code, bool flag) override;
    int GetState() override;
    bool IsPaused() override;
    int TimeSpeed() override;
    int TimeState() override;
    void SignalFifoOverflow(ORDAOutput* output) override;
    int CheckLevel() override;
    void RegisterClock(ORDABaseClock* clock, int* identifier) override;
    void UnregisterClock(ORDABaseClock* clock, int* identifier) override;
    ORDATimestamp GetSystemAccurateTiming() override;
    ORDATimestamp CurrentTime(bool flag1, bool flag2) override;
    ORDACondition* TimeStateCondition() override;
    void EnterTimeStateLock() override;
    void LeaveTimeStateLock() override;
    bool GetBoolProperty(const char* name, bool* found) override;
    int GetIntegerProperty(const char* name, bool* found) override;
    double GetFloatProperty(const char* name, bool* found) override;
    ORDAEventService* EventService() override;
    int ClockTimeSpeed(int clockIdentifier) override;
    void SetClockTimeSpeed(int clockIdentifier, int speed) override;

    // --- engine side ------------------------------------------------------
    // The clock: speed in thousandths (negative: backwards), pause, resume,
    // jumps; each change wakes the host-time waits and the listeners.
    void SetSpeed(int speed) { m_clock.SetSpeed(speed); }
    void Pause() { m_clock.Pause(); }
    void Resume() { m_clock.Resume(); }
    void Jump(ORDATimestamp newTime) { m_clock.Jump(newTime); }
    void SetShuttingDown(bool shuttingDown) { m_clock.SetShuttingDown(shuttingDown); }
    EngineClock& Clock() { return m_clock; }
    ordavix_host::EventService& Events() { return m_events; }

    // Engine properties ("Engine.shutdownTimeout", ...), by full name.
    void SetEngineProperty(const std::string& name, bool value);
    void SetEngineProperty(const std::string& name, int value);
    void SetEngineProperty(const std::string& name, double value);
    // A string property of the engine module ("Engine.version").
    void SetEngineStringProperty(const std::string& shortName, const std::string& value);

    // Instantiates a component of the model (its instFunct) under a name.
    ORDAComponent* Instantiate(ORDAComponentDefinition& model, const std::string& name);
    const ElementRegistry& Elements() const { return m_elements; }
    // Last state bits the module signalled; -1 when it never did.
    int LastSignalledState(const std::string& moduleName) const;
    // Waits until the module signals a state for which `accept` holds.
    bool WaitForState(const std::string& moduleName, const std::function<bool(int)>& accept, int timeoutMs);
    void SetCheckLevel(int level);
    // Connections (connections.cpp): attach registers the input as a reader
    // of the output's FIFO; false when refused.
    bool Attach(ORDAOutput* output, ORDAInput* input);
    void DetachInput(ORDAInput* input);
    // FIFO overflows signalled by every output so far.
    long long FifoOverflows() const;

    // Every report so far, oldest first.
    std::vector<ReportRecord> Reports() const;
    void ClearReports();
    // Reports are also printed to standard error unless quiet.
    void SetQuiet(bool quiet);

    int ExitCalls() const;
    int ReleaseCalls() const;

private:
    class ThreadInside;
    std::mutex m_threadsMutex;
    std::condition_variable m_threadsDone;
    int m_threadsInside = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_stateChanged;
    std::map<std::string, int> m_states;
    ElementRegistry m_elements;
    // The engine's own properties live on this module ("Engine.version").
    ORDAModule* m_engineModule = nullptr;
    std::deque<std::string> m_engineStrings;
    std::deque<std::unique_ptr<ORDAPropertyDefinition>> m_engineDefinitions;
    std::recursive_mutex m_diagramLock;
    std::recursive_mutex m_propertyTableLock;
    std::vector<ReportRecord> m_reports;
    std::map<std::string, bool> m_boolProperties;
    std::map<std::string, int> m_intProperties;
    std::map<std::string, double> m_floatProperties;
    bool m_quiet = false;
    // Read on every checked element access: no lock.
    std::atomic<int> m_checkLevel{1};
    std::atomic<long long> m_fifoOverflows{0};
    int m_exitCalls = 0;
    int m_releaseCalls = 0;
    ORDATimestamp m_start = 0;
    EngineClock m_clock;
    ordavix_host::EventService m_events;
};

}
