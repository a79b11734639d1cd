#pragma once
// A component's input: one reader of a connected output's FIFO. The host
// engine fills the connection fields when it attaches the input, so their
// order and widths are fixed.
#include <cstdint>

#include "orda_definitions.h"
#include "orda_event.h"
#include "orda_mutex.h"
#include "orda_string.h"
#include "orda_type_info.h"

class ORDAOutput;
class ORDAComponent;
class ORDAIOMonitorImplementation;
struct ORDAFifoSlot;

namespace ORDA {
enum ReaderType : int {
    FifoReader = 0,
    NeverSkippingReader = 1,
    LastOrNextReader = 2,
    Wait4NextReader = 3,
    SamplingReader = 4,
};
}

class ORDAInput {
public:
    virtual bool IsConnected() = 0;
    virtual ORDAOutput* ConnectedOutput() = 0;
    virtual const ORDATypeInfo& Type() = 0;
    virtual const ORDAStackedString<40>& Name() = 0;
    virtual const char* ShortName() = 0;
    virtual bool DataAvailableInFIFO() = 0;
    virtual int NbDataAvailableInFIFO() = 0;
    virtual ~ORDAInput() = default;
};

class ORDAInputImplementation : public ORDAInput {
public:
    ORDAInputImplementation(const ORDAInputDefinition& definition, ORDAComponent* owner, const char* fullName,
                            const char* shortName);
    ~ORDAInputImplementation() override;

    bool IsConnected() override;
    ORDAOutput* ConnectedOutput() override;
    const ORDATypeInfo& Type() override;
    const ORDAStackedString<40>& Name() override { return fullName; }
    const char* ShortName() override { return shortName.Beginning(); }
    bool DataAvailableInFIFO() override;
    int NbDataAvailableInFIFO() override;

    void Rename(const char* oldName, const char* newName);
    // Waits out a pending detach, then marks the read as running.
    void EnterStartReading();
    // Ends a read operation: acknowledges a pending detach if nothing is held.
    void ExitStartReading();
    // Under inputLock: acknowledges a pending detach and waits until the
    // host has finished (the lock is released while waiting).
    void AcknowledgeDetachLocked();
    // Clears the connection fields without telling the host (its output is gone).
    void ForgetConnection();
    // Grows heldSlots to at least n entries (multi-input reads).
    void ReserveHeld(int n);

    ORDAStackedString<40> fullName;
    ORDAStackedString<40> shortName;
    ORDAMutex inputLock;
    ORDAIOMonitorImplementation* fifo = nullptr;
    ORDAOutput* connectedOutput = nullptr;
    ORDAComponent* owner = nullptr;
    ORDAInputDefinition definition;
    std::int32_t readerIndex = -1;
    ORDAEvent connectionEvent;
    ORDAEvent interruptEvent;
    ORDAEvent detachAckEvent;
    std::int32_t subsamplingCount = 0;
    ORDAFifoSlot** heldSlots = nullptr;
    std::int32_t heldCapacity = 1;
    std::int32_t heldCount = 0;
    std::uint8_t detachRequested = 0;
    std::uint8_t insideStartReading = 0;
};
