#pragma once
// Base of everything the engine instantiates from a package: elements,
// state, threads, performance counters, reports. The order of the virtual
// operations is part of the binary interface with the engine.
#include <atomic>
#include <cstdint>

#include "orda_action.h"
#include "orda_array.h"
#include "orda_definitions.h"
#include "orda_enum_struct.h"
#include "orda_event.h"
#include "orda_input.h"
#include "orda_list.h"
#include "orda_module_management.h"
#include "orda_mutex.h"
#include "orda_output.h"
#include "orda_property.h"
#include "orda_string.h"
#include "orda_types.h"

class ORDAIOElt;

namespace ORDAPrivate {
// First act of every thread the runtime creates.
void UseCNumericLocale();
// A detached OS thread with inherited scheduling; false when it could not start.
bool StartDetachedThread(void* (*entry)(void*), void* argument, pthread_t* thread);
}
class ORDAModule;
class ORDAComponent;

namespace ORDA {
// Module state bits.
inline constexpr unsigned DeadState = 1;
inline constexpr unsigned DyingState = 2;
inline constexpr unsigned LivingState = 4;
inline constexpr unsigned ErrorState = 8;
inline constexpr unsigned StartAutomaticallyState = 16;

inline constexpr int FatalKernelError = -4;
inline constexpr int Infinite = -1;
}

// The engine's thread object; the base versions do nothing.
class ORDAThread {
public:
    virtual ~ORDAThread() = default;
    virtual int GetContextSwitches() { return 0; }
    virtual int GetCPULoad() { return 0; }
    virtual void SetProcessor(int) {}
    virtual void SetPriority(int) {}
};

typedef void (ORDAModule::*ORDAThreadFunction)();
typedef void (*ORDAThreadFreeFunction)(void* argument);

// Handed to the engine's thread operations; lives on the creator's stack
// until the engine has set `started`.
struct ORDAThreadRecord {
    ORDAModule* module;
    ORDAThreadFunction function;
    std::atomic<bool>* started;
};
static_assert(sizeof(ORDAThreadRecord) == 32);

// The extended record: its null first word tells the engine apart.
struct ORDAThreadFreeRecord {
    void* null;
    int one;
    std::atomic<bool>* started;
    bool* created;
    unsigned long* threadId;
    ORDAComponent* component;
    ORDAThreadFreeFunction function;
    void* argument;
};
static_assert(sizeof(ORDAThreadFreeRecord) == 64);

class ORDAModule : public ORDAModuleBase {
public:
    enum ErrorCode { ErrorGeneric = 0 };

    ORDAModule(const char* name, bool performance, bool processor);
    ~ORDAModule() override;

    // --- virtual operations, in slot order --------------------------------
    virtual void Rename(const char* oldName, const char* newName);
    virtual const char* Kind();
    virtual void SequentialCore(ORDAInput* input);
    [[noreturn]] virtual void Error(const char* text, int code, ErrorCode errorCode = ErrorGeneric);
    virtual void Report(const char* text, int level, int code);
    virtual void PerformanceMonitoring();
    virtual void Get(ORDAProperty* property, bool& value);
    virtual void Get(ORDAProperty* property, long& value);
    virtual void Get(ORDAProperty* property, double& value);
    virtual void Get(ORDAProperty* property, ORDAStackedString<40>& value);
    virtual void Get(ORDAProperty* property, ORDAEnumStruct& value);
    virtual void Set(ORDAProperty* property, bool value);
    virtual void Set(ORDAProperty* property, long value);
    virtual void Set(ORDAProperty* property, double value);
    virtual void Set(ORDAProperty* property, const ORDAStackedString<40>& value);
    virtual void Set(ORDAProperty* property, const ORDAEnumStruct& value);

    // --- properties -------------------------------------------------------
    void Set(ORDAProperty* property, int value) { Set(property, static_cast<long>(value)); }
    void Set(ORDAProperty* property, const char* value) { Set(property, ORDAStackedString<40>(value)); }
    void Set(ORDAProperty* property, const ORDAStackedString<40>& value, int selectionOnly);
    // Without the checks and the set hook: the runtime's own writes.
    void DirectSet(ORDAProperty* property, bool value);
    void DirectSet(ORDAProperty* property, long value);
    void DirectSet(ORDAProperty* property, int value) { DirectSet(property, static_cast<long>(value)); }
    void DirectSet(ORDAProperty* property, double value);
    void DirectSet(ORDAProperty* property, const ORDAStackedString<40>& value);
    void DirectSet(ORDAProperty* property, const char* value) { DirectSet(property, ORDAStackedString<40>(value)); }
    void DirectSet(ORDAProperty* property, const ORDAEnumStruct& value);
    void DirectSet(ORDAProperty* property, const ORDAStackedString<40>& value, int selectionOnly);
    void GetProperty(const char* name, bool& value);
    void GetProperty(const char* name, long& value);
    void GetProperty(const char* name, ORDAStackedString<40>& value);
    void GetProperty(const char* name, ORDAEnumStruct& value);
    bool GetBoolProperty(const char* name);
    long GetIntegerProperty(const char* name);
    ORDAStackedString<40> GetStringProperty(const char* name);
    ORDAEnumStruct GetEnumProperty(const char* name);

    // --- elements ---------------------------------------------------------
    virtual ORDAInput* NewInput(const ORDAInputDefinition& definition, const char* name = nullptr);
    virtual ORDAOutput* NewOutput(const ORDAOutputDefinition& definition, const char* name = nullptr);
    ORDAProperty* NewProperty(const ORDAPropertyDefinition& definition, const char* name = nullptr);
    ORDAAction* NewAction(const ORDAActionDefinition& definition, const char* name = nullptr);
    // Full name: module name + "." + name, or name without its leading
    // backslash; placed at the front of the property list.
    ORDAProperty* NewSpecialProperty(const ORDAPropertyDefinition& definition, const char* name = nullptr);

    ORDAInput* Input(const char* shortName);
    ORDAInput* Input(int index);
    ORDAOutput* Output(const char* shortName);
    ORDAOutput* Output(int index);
    ORDAProperty* Property(const char* shortName);
    // Counted from the first property after the special properties.
    ORDAProperty* Property(int index);
    ORDAAction* Action(const char* shortName);
    ORDAAction* Action(int index);
    bool HasInput(const char* shortName);
    bool HasOutput(const char* shortName);
    bool HasProperty(const char* shortName);
    bool HasAction(const char* shortName);
    int NbInputs();
    int NbOutputs();
    int NbProperties();
    int NbActions();

    void RemoveInput(ORDAInput* input);
    void RemoveOutput(ORDAOutput* output);
    void RemoveProperty(ORDAProperty* property);
    void RemoveAction(ORDAAction* action);
    // Clears the four dynamic cursors.
    void DynamicConfirm();

    // --- state, life, threads ---------------------------------------------
    unsigned State();
    bool IsDying();
    bool IsStarted();
    void Die();
    void OneMoreLife();
    void LoseOneLife();
    bool IsThreaded() const { return m_threaded; }
    // Starts an engine thread running the member function on this module.
    void CreateThread(ORDAThreadFunction function);
    void ReportInfo(const char* text, int code);
    void ReportWarning(const char* text, int code);
    void ReportError(const char* text, int code);
    const ORDAStackedString<40>& LastError() const { return m_lastError; }
    ErrorCode LastErrorCode() const { return m_lastErrorCode; }
    // Tells the engine the module's name and state bits.
    void SignalState();
    ORDAEvent& DyingEvent() { return m_dyingEvent; }

    // --- waits (every one also watches the dying event) --------------------
    bool Wait4Event(ORDAEvent& event, ORDADelay timeout);
    bool Wait4Event(ORDAEvent* event, ORDADelay timeout);
    int Wait4Events(int n, ORDAEvent** events, ORDADelay timeout, bool withDyingEvent);
    int MsgWait4Event(ORDAEvent* event, ORDADelay timeout);
    int MsgWait4Events(int n, ORDAEvent** events, ORDADelay timeout, bool withDyingEvent);
    bool Wait(ORDATimestamp until, ORDAEvent* cancel);
    bool Rest(ORDADelay duration, ORDAEvent* cancel);
    bool WaitForTimestamp(ORDATimestamp t, ORDAEvent* cancel, bool* timeStateChanged);
    bool WaitForTimestamp(ORDATimestamp t, int n, ORDAEvent** cancels, int* which, bool* timeStateChanged);

    // --- writing and reading ----------------------------------------------
    ORDAIOElt* StartWriting(ORDAOutput& output);
    ORDAIOElt* StartWriting(ORDAOutput& output, ORDATimestamp timestamp);
    void StopWriting(ORDAIOElt* element, bool discard);
    void Wait4Handshake(ORDAOutput& output);
    bool IsFIFOEmpty(ORDAOutput& output);
    bool IsFIFOFull(ORDAOutput& output);
    ORDAIOElt* StartReading(ORDAInput& input);
    void StopReading(ORDAInput& input);
    ORDAIOElt* MsgStartReading(ORDAInput& input);
    bool DataAvailableInFIFO(ORDAInput& input);
    std::int32_t* ReaderHandle(int i);
    // Several inputs at once: the first delivered element, its index in
    // `which`; null with `which` = n + k for the caller's event k, j for a
    // detach of input j, -1 (sequential, no triggering input), -2 (message).
    ORDAIOElt* StartReading(int n, ORDAInput** inputs, int* which, int nEvents = 0, ORDAEvent** events = nullptr);
    ORDAIOElt* MsgStartReading(int n, ORDAInput** inputs, int* which, int nEvents = 0, ORDAEvent** events = nullptr);
    // The last n samples of the input, oldest first, sliding by one per call.
    bool NLastStartReading(ORDAInput& input, int n, ORDAIOElt** elements);
    // One sample per input with timestamps within the tolerance; the set's
    // smallest timestamp, or -1 when aborted (all elements null).
    ORDATimestamp SynchroStartReading(int n, ORDAInput** inputs, ORDAIOElt** elements, ORDADelay synchroTolerance,
                                      ORDAEvent* abortEvent = nullptr);
    // As SynchroStartReading, leaving the elements as they are on -1.
    ORDATimestamp SynchroStartReading2(int n, ORDAInput** inputs, ORDAIOElt** elements, ORDADelay synchroTolerance,
                                       ORDAEvent* abortEvent = nullptr);
    // Set-callbacks of the special properties of outputs and inputs.
    static void SetOutputFifoSizeProperty(ORDAProperty* property);
    static void SetOutputSubsamplingProperty(ORDAProperty* property);
    static void SetOutputPeriodicProperty(ORDAProperty* property);
    static void SetInputSubsamplingProperty(ORDAProperty* property);
    static void SetInputReaderTypeProperty(ORDAProperty* property);

    // --- data (the runtime's and the engine's) ----------------------------
    // Changed under the state mutex, or by single atomic operations where
    // the state mutex would come after the property mutex (set hooks);
    // read without a lock.
    std::atomic<unsigned> m_state{ORDA::LivingState};
    ORDAStackedString<40> m_lastError;
    ErrorCode m_lastErrorCode = ErrorGeneric;
    bool m_threaded = false;
    ORDAInput* m_currentInput = nullptr;
    ORDAList<ORDAInput*>::Item* m_inputCursor = nullptr;
    ORDAList<ORDAOutput*>::Item* m_outputCursor = nullptr;
    ORDAList<ORDAProperty*>::Item* m_propertyCursor = nullptr;
    ORDAList<ORDAAction*>::Item* m_actionCursor = nullptr;
    ORDAProperty* m_counter = nullptr;
    ORDAProperty* m_nbPeriods = nullptr;
    ORDAProperty* m_averagePeriod = nullptr;
    ORDAProperty* m_minPeriod = nullptr;
    ORDAProperty* m_maxPeriod = nullptr;
    ORDAProperty* m_contextSwitches = nullptr;
    ORDAProperty* m_cpuLoad = nullptr;
    ORDAProperty* m_processor = nullptr;
    ORDAArray<long> m_periods;
    bool m_perfStarted = false;
    int m_nbPeriodsSeen = 0;
    int m_periodIndex = 0;
    ORDATimestamp m_previousCoreTime = 0;
    long m_periodSum = 0;
    ORDAEvent m_dyingEvent;
    ORDAEvent m_allLivesLostEvent;
    ORDAMutex2 m_stateMutex;
    ORDAMutex2 m_propertyMutex;
    int m_lives = 0;
    ORDAList<ORDAStackedString<40>> m_registeredNames;
    ORDAList<ORDAThread*> m_threads;
    ORDAList<ORDAInput*> m_inputs;
    ORDAList<ORDAOutput*> m_outputs;
    ORDAList<ORDAProperty*> m_properties;
    ORDAList<ORDAAction*> m_actions;
    int m_nbSpecialProperties = 0;
    ORDAList<ORDAProperty*>::Item* m_specialBoundary = nullptr;
    // Set by ORDAComponent: its property writes reconfigure it.
    ORDAComponent* m_component = nullptr;

protected:
    // Records the end of the constructors' special properties.
    void MarkSpecialPropertyBoundary();
    // Writes a stored value; the shared step of Set and DirectSet.
    template <typename V>
    void StoreValue(ORDAPropertyImplementation* property, const V& value, int selectionOnly);
    // Checks shared by Set and DirectSet; throws through Error on a mismatch.
    void CheckAcceptedType(ORDAPropertyImplementation* property, int valueKind);
    template <typename V>
    void SetChecked(ORDAProperty* property, const V& value, int valueKind, int selectionOnly);
    template <typename V>
    void SetDirect(ORDAProperty* property, const V& value, int valueKind, int selectionOnly);
    ORDAPropertyValue ReadValue(ORDAProperty* property, int kind);
    void ValidateExplicitName(const char* name, const char* pattern, const char* what);
    [[noreturn]] void RefuseTakenName(const char* kind, const ORDAStackedString<40>& fullName);
    [[noreturn]] void UnknownElement(const char* kind, const char* name);
    [[noreturn]] void UnknownElement(const char* kind, int index);
    // A component reconfigures after each property write.
    void ReconfigureAfterSet();

    // Element creation with a validation pattern (component outputs use the strict one).
    ORDAInput* MakeInput(const ORDAInputDefinition& definition, const char* name);
    ORDAOutput* MakeOutput(const ORDAOutputDefinition& definition, const char* name, bool strictName,
                           bool announce);

    void RemoveInputLocked(ORDAInput* input);
    void RemoveOutputLocked(ORDAOutput* output);
    void RemovePropertyLocked(ORDAProperty* property);
    void RemoveActionLocked(ORDAAction* action);

private:
    void CreatePerformanceProperties();
    void RemoveSpecialPropertiesOf(const ORDAStackedString<40>& elementFullName);
    void ForgetRegisteredName(const ORDAStackedString<40>& fullName);
};
