#pragma once
// The host engine's side of the binding: the runtime reaches the engine only
// through this object, handed over by ORDAPckInit. The order of the virtual
// operations is the binary interface with the engine; append, never reorder.
#include "orda_types.h"

class ORDAModule;
class ORDAComponent;
class ORDAInput;
class ORDAOutput;
class ORDAProperty;
class ORDAAction;
class ORDAEvent;
class ORDACondition;
class ORDATimeStateListener;
class ORDABaseClock;

// Multi-event wait and timers of the engine.
class ORDAEventService {
public:
    virtual ~ORDAEventService() = default;
    // Sets the event at the absolute accurate system time `when` (µs).
    virtual void SetTimer(ORDAEvent* event, ORDATimestamp when) = 0;
    virtual void CancelTimer(ORDAEvent* event) = 0;
    // Index of the first set event, or ORDA::TimeOut. timeout < 0: no limit.
    virtual int WaitForEvents(int n, ORDAEvent** events, ORDADelay timeout) = 0;
};

class ORDAKernelInterface {
public:
    virtual void LockDiagram(const char* reason) = 0;
    virtual void UnlockDiagram() = 0;
    virtual ORDAModule* FindElement(const char* fullName) = 0;
    virtual void ForgetName(const char* fullName) = 0;
    virtual void LockPropertyTable() = 0;
    virtual void UnlockPropertyTable() = 0;
    // False when the element's full name is already taken.
    virtual bool RegisterInput(ORDAInput* input) = 0;
    virtual bool RegisterOutput(ORDAOutput* output) = 0;
    virtual bool RegisterProperty(ORDAProperty* property) = 0;
    virtual bool RegisterAction(ORDAAction* action) = 0;
    virtual void AnnounceOutput(const char* outputFullName, const char* moduleName, void* outputData, int value) = 0;
    virtual void ReleaseInput(const char* fullName) = 0;
    virtual void ReleaseOutput(const char* fullName) = 0;
    virtual void ModuleStateChanged(const char* moduleName, int state) = 0;
    virtual void RegisterTimeStateListener(ORDATimeStateListener* listener) = 0;
    virtual void UnregisterTimeStateListener(ORDATimeStateListener* listener) = 0;
    virtual void Detach(ORDAOutput* output, ORDAInput* input) = 0;
    // Runs the component's life (Birth, Core loop, death) on the calling thread.
    virtual void ComponentMainThread(ORDAComponent* component) = 0;
    // Thread records live on the creator's stack; the engine sets their
    // started flag, then runs their function.
    virtual void ModuleThread(void* threadRecord) = 0;
    virtual void ComponentThread(void* threadRecord) = 0;
    virtual ORDAProperty* Property(const char* fullName) = 0;
    virtual void Exit() = 0;
    virtual void Release() = 0;
    virtual void Report(const char* text, int level, int code, bool flag) = 0;
    virtual int GetState() = 0;
    virtual bool IsPaused() = 0;
    // Absolute time speed in thousandths (1000: real time).
    virtual int TimeSpeed() = 0;
    virtual int TimeState() = 0;
    virtual void SignalFifoOverflow(ORDAOutput* output) = 0;
    virtual int CheckLevel() = 0;
    virtual void RegisterClock(ORDABaseClock* clock, int* identifier) = 0;
    virtual void UnregisterClock(ORDABaseClock* clock, int* identifier) = 0;
    virtual ORDATimestamp GetSystemAccurateTiming() = 0;
    virtual ORDATimestamp CurrentTime(bool flag1, bool flag2) = 0;
    // Signalled on every jump, pause, resume and speed change; its mutex is
    // the time-state lock.
    virtual ORDACondition* TimeStateCondition() = 0;
    virtual void EnterTimeStateLock() = 0;
    virtual void LeaveTimeStateLock() = 0;
    virtual bool GetBoolProperty(const char* name, bool* found) = 0;
    virtual int GetIntegerProperty(const char* name, bool* found) = 0;
    virtual double GetFloatProperty(const char* name, bool* found) = 0;
    virtual ORDAEventService* EventService() = 0;
    // Speed of a registered clock (thousandths), by the identifier that
    // RegisterClock filled in.
    virtual int ClockTimeSpeed(int clockIdentifier) = 0;
    virtual void SetClockTimeSpeed(int clockIdentifier, int speed) = 0;

protected:
    // Owned by the engine; the runtime never deletes it.
    ~ORDAKernelInterface() = default;
};
