#pragma once
// A component's output and its FIFO of samples. The host engine reads and
// fills parts of it directly, so the field order is fixed.
#include <cstdint>

#include "orda_definitions.h"
#include "orda_event.h"
#include "orda_list.h"
#include "orda_mutex.h"
#include "orda_string.h"
#include "orda_type_info.h"

class ORDAInput;
class ORDAModule;
class ORDAIOMonitor;
class ORDAIOMonitorImplementation;
struct IplImage;
struct ORDAAudioSignal;

class ORDAOutput {
public:
    virtual void AllocOutputBuffer(int size, bool allocate) = 0;
    virtual void AllocOutputBufferIplImage(const IplImage& model, bool headersOnly) = 0;
    virtual void AllocOutputBufferImage(int size, int width, int height, std::uint32_t coding, std::uint32_t type,
                                        bool headersOnly) = 0;
    virtual void AllocOutputBufferORDAImage(int size, int width, int height, std::uint32_t coding,
                                            std::uint32_t type, bool headersOnly) = 0;
    virtual void AllocOutputBufferMatrix(int rows, int cols) = 0;
    virtual void AllocOutputBufferAudioSignal(const ORDAAudioSignal& model) = 0;
    virtual const ORDAStackedString<40>& Name() = 0;
    virtual int NbFIFOOverflows() = 0;
    virtual ORDAIOMonitor& Monitor() = 0;
    virtual void MakeShareable() = 0;
    virtual void MakeUnshareable() = 0;
    virtual int IOEltSizeBytes() = 0;
    virtual int NbFreeSlotsInFIFO() = 0;
    virtual const ORDATypeInfo& Type() = 0;
    virtual void SetTypeValue(ORDATypeInfoValue value) = 0;
    virtual void SetTypeUnit(const char* unit) = 0;
    virtual void SetUnit(const char* unit) = 0;
    virtual const char* TypeUnit() = 0;
    virtual const char* Unit() = 0;
    virtual void SetTypeName(const char* name) = 0;
    virtual const char* TypeName() = 0;
    virtual ~ORDAOutput() = default;
};

class ORDAOutputImplementation : public ORDAOutput {
public:
    ORDAOutputImplementation(const ORDAOutputDefinition& definition, ORDAModule* owner, const char* fullName,
                             const char* shortName);
    ~ORDAOutputImplementation() override;

    void AllocOutputBuffer(int size, bool allocate) override;
    void AllocOutputBufferIplImage(const IplImage& model, bool headersOnly) override;
    void AllocOutputBufferImage(int size, int width, int height, std::uint32_t coding, std::uint32_t type,
                                bool headersOnly) override;
    void AllocOutputBufferORDAImage(int size, int width, int height, std::uint32_t coding, std::uint32_t type,
                                    bool headersOnly) override;
    void AllocOutputBufferMatrix(int rows, int cols) override;
    void AllocOutputBufferAudioSignal(const ORDAAudioSignal& model) override;
    const ORDAStackedString<40>& Name() override { return fullName; }
    int NbFIFOOverflows() override;
    ORDAIOMonitor& Monitor() override;
    void MakeShareable() override { definition.shareable = 1; }
    void MakeUnshareable() override { definition.shareable = 0; }
    int IOEltSizeBytes() override { return slotBytes; }
    int NbFreeSlotsInFIFO() override;
    const ORDATypeInfo& Type() override { return definition.type; }
    void SetTypeValue(ORDATypeInfoValue value) override { definition.type.value = value; }
    void SetTypeUnit(const char* unit) override { definition.type.SetUnit(unit); }
    void SetUnit(const char* unit) override { SetTypeUnit(unit); }
    const char* TypeUnit() override { return definition.type.Unit(); }
    const char* Unit() override { return definition.type.Unit(); }
    void SetTypeName(const char* name) override { definition.type.SetName(name); }
    const char* TypeName() override { return definition.type.Name(); }

    void Rename(const char* oldName, const char* newName);
    // Frees the slots' data buffers; the output can be allocated again.
    void FreeBuffers();
    // Every slot back to empty, spaceEvent reset (clean-up and shutdown).
    void EmptySlots();
    // New empty slots (buffers freed); only while the owner is not running.
    void ResetFifoSize(int count);
    // The host's overflow signal counts here.
    void CountFifoOverflow();
    // One block of bytesPerSlot x fifoSize; kernel errors on failure.
    void* AllocateSharedMemory(int bytesPerSlot);

    ORDAStackedString<40> fullName;
    ORDAStackedString<40> shortName;
    ORDAStackedString<40> otherName;
    ORDAMutex outputMutex;
    ORDAOutputDefinition definition;
    ORDAIOMonitorImplementation* monitor = nullptr;
    void* buffer = nullptr;
    std::int32_t bufferItems = 0;
    std::int32_t slotBytes = 0;
    std::int32_t fifoOverflows = 0;
    ORDAList<ORDAInput*> connectedInputs;
    bool periodic = false;
    ORDATimestamp history[31] = {};
    std::int32_t historyIndex = 0;

    ORDAModule* owner = nullptr;

private:
    void AlreadyInitialised();
    void CopyTypeToSlots();
    // Stands in for the owner's dying event when there is no owner.
    ORDAEvent m_ownDyingEvent;
};
