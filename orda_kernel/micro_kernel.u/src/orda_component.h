#pragma once
// Base of the package's components: construction from a model definition,
// reconfiguration, start, processing, shutdown and death.
#include "orda_couple.h"
#include "orda_module.h"

namespace ORDAPrivate {
// Inside a catch block: shows and reports the fatal-error text for the
// exception being handled (a text, a standard exception, an integer or
// anything else), prefixed with `prefix`.
void ReportFatalException(const char* prefix);
}

struct ORDAPoint {
    std::int32_t x;
    std::int32_t y;
    std::int32_t z;
};

class ORDAComponent : public ORDAModule {
public:
    ORDAComponent(const char* name, ORDAComponentDefinition& definition);
    ~ORDAComponent() override;

    // --- virtual operations, in slot order after ORDAModule's -------------
    void Rename(const char* oldName, const char* newName) override;
    const char* Kind() override;
    void SequentialCore(ORDAInput* input) override;
    void Set(ORDAProperty* property, bool value) override;
    void Set(ORDAProperty* property, long value) override;
    void Set(ORDAProperty* property, double value) override;
    void Set(ORDAProperty* property, const ORDAStackedString<40>& value) override;
    void Set(ORDAProperty* property, const ORDAEnumStruct& value) override;
    using ORDAModule::Set;
    virtual void Dynamic();
    virtual void Core() = 0;
    virtual void Birth();
    virtual void Banzai();
    virtual void Death();
    virtual void FreeBuffers();
    virtual ORDAPoint GetLocation();
    virtual void SetLocation(const ORDAPoint& location);

    // --- driven by the engine ---------------------------------------------
    void Start();
    void Shutdown();
    void CleanUp();
    void CallDynamic();
    void CallDeath();
    void Die4Good();
    bool Wait4Death();
    void CommitSuicide();
    const char* ModelName() const { return m_definition->name; }
    ORDAComponentDefinition* Definition() const { return m_definition; }

    // --- elements from the definition's tables ----------------------------
    ORDAInput* NewInput(const ORDAInputDefinition& definition, const char* name = nullptr) override;
    ORDAOutput* NewOutput(const ORDAOutputDefinition& definition, const char* name = nullptr) override;
    ORDAInput* NewInput(int index, const char* name = nullptr);
    ORDAOutput* NewOutput(int index, const char* name = nullptr);
    ORDAProperty* NewProperty(int index, const char* name = nullptr);
    ORDAAction* NewAction(int index, const char* name = nullptr);
    ORDAInput* NewInput(const char* model, const char* name = nullptr);
    ORDAOutput* NewOutput(const char* model, const char* name = nullptr);
    ORDAProperty* NewProperty(const char* model, const char* name = nullptr);
    ORDAAction* NewAction(const char* model, const char* name = nullptr);
    using ORDAModule::NewAction;
    using ORDAModule::NewProperty;

    // --- threads ------------------------------------------------------------
    typedef void (ORDAComponent::*ComponentThreadFunction)();
    void CreateThread(ComponentThreadFunction function);
    ORDACouple<bool, unsigned long> CreateThread(ORDAThreadFreeFunction function, void* argument);

    // Sequential death (also run by Shutdown for a sequential component).
    void SequentialDeath();

    ORDAComponentDefinition* m_definition;
    ORDAMutex m_lifeMutex;
    ORDAMutex2 m_coreMutex;
    ORDAEvent m_birthEvent;
    bool m_deathDone = true;
    bool m_inReconfiguration = false;
    ORDAPoint m_location{-1, -1, 0};

    ORDAProperty* m_threadedProperty = nullptr;
    ORDAProperty* m_priorityProperty = nullptr;
    ORDAProperty* m_autoStartProperty = nullptr;
    ORDAProperty* m_versionProperty = nullptr;
    ORDAProperty* m_primaryThreadIdProperty = nullptr;

private:
    // Adds the state bits, sets the dying event, then dies in this thread.
    void SequentialDeathAfterFailure(unsigned addedState);
    void DieInThisThread();
    // The exception barrier of sequential start (start true) and processing.
    template <typename Body>
    void SequentialBarrier(bool start, Body body);
    void ResetInputsAndOutputs();
    // Steps 1 and 2 of sequential processing on the current input.
    void ProcessAvailableData(ORDAInput* input, bool stopReadingAfterCore);
    template <typename Entry>
    const Entry& DefinitionEntry(Entry* table, int index, const char* what, const char* kind);
    template <typename Entry>
    const Entry& DefinitionByModel(Entry* table, const char* model, const char* name, const char* what);
};
