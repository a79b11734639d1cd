#pragma once
// A bare kernel for FIFO tests that need no components: the host's event
// service for waits, captured reports and overflow counts.
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "connections.h"
#include "engine_clock.h"
#include "event_service.h"
#include "orda_input.h"
#include "orda_output.h"
#include "orda_private.h"

namespace dataflow_test {

class FifoKernel : public ORDAKernelInterface {
public:
    FifoKernel() { ORDAPrivate::kernel = this; }
    ~FifoKernel()
    {
        m_events.Shutdown();
        ORDAPrivate::kernel = nullptr;
    }

    std::vector<std::string> Errors()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_errors;
    }
    void ClearReports()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_errors.clear();
    }
    int overflows() const { return m_overflows.load(); }

    void LockDiagram(const char*) override {}
    void UnlockDiagram() override {}
    ORDAModule* FindElement(const char*) override { return nullptr; }
    void ForgetName(const char*) override {}
    void LockPropertyTable() override {}
    void UnlockPropertyTable() override {}
    bool RegisterInput(ORDAInput*) override { return true; }
    bool RegisterOutput(ORDAOutput*) override { return true; }
    bool RegisterProperty(ORDAProperty*) override { return true; }
    bool RegisterAction(ORDAAction*) override { return true; }
    void AnnounceOutput(const char*, const char*, void*, int) override {}
    void ReleaseInput(const char*) override {}
    void ReleaseOutput(const char*) override {}
    void ModuleStateChanged(const char*, int) override {}
    void RegisterTimeStateListener(ORDATimeStateListener*) override {}
    void UnregisterTimeStateListener(ORDATimeStateListener*) override {}
    void Detach(ORDAOutput* output, ORDAInput* input) override
    {
        if (input && input->ConnectedOutput() == output) ordavix_host::DetachInput(input);
    }
    void ComponentMainThread(ORDAComponent*) override {}
    void ModuleThread(void*) override {}
    void ComponentThread(void*) override {}
    ORDAProperty* Property(const char*) override { return nullptr; }
    void Exit() override {}
    void Release() override {}
    void Report(const char* text, int level, int, bool) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (level == 2) m_errors.push_back(text ? text : "");
    }
    int GetState() override { return 1; }
    bool IsPaused() override { return false; }
    int TimeSpeed() override { return 1000; }
    int TimeState() override { return 1; }
    void SignalFifoOverflow(ORDAOutput* output) override
    {
        if (output) static_cast<ORDAOutputImplementation*>(output)->CountFifoOverflow();
        ++m_overflows;
    }
    int CheckLevel() override { return 0; }
    void RegisterClock(ORDABaseClock*, int*) override {}
    void UnregisterClock(ORDABaseClock*, int*) override {}
    ORDATimestamp GetSystemAccurateTiming() override { return ordavix_host::AccurateSystemMicroseconds(); }
    ORDATimestamp CurrentTime(bool, bool) override { return ordavix_host::AccurateSystemMicroseconds(); }
    ORDACondition* TimeStateCondition() override { return nullptr; }
    void EnterTimeStateLock() override {}
    void LeaveTimeStateLock() override {}
    bool GetBoolProperty(const char*, bool* found) override { return found ? (*found = false) : false; }
    int GetIntegerProperty(const char*, bool* found) override { return found ? (*found = false) : 0; }
    double GetFloatProperty(const char*, bool* found) override { return found ? (*found = false) : 0; }
    ORDAEventService* EventService() override { return &m_events; }
    int ClockTimeSpeed(int) override { return 1000; }
    void SetClockTimeSpeed(int, int) override {}

private:
    ordavix_host::EventService m_events;
    std::mutex m_mutex;
    std::vector<std::string> m_errors;
    std::atomic<int> m_overflows{0};
};

}
