#include "orda_input.h"

#include "orda_element_names.h"
#include "orda_io_monitor.h"
#include "orda_output.h"
#include "orda_private.h"
#include "orda_time.h"

namespace {
// The runtime polls the host's detach flag in these steps.
void SleepTenMilliseconds() { ORDA::Wait4AWhile(10000); }
}

ORDAInputImplementation::ORDAInputImplementation(const ORDAInputDefinition& d, ORDAComponent* o, const char* full,
                                                 const char* shortN)
    : fullName(full), shortName(shortN), owner(o), definition(d)
{
    heldSlots = new ORDAFifoSlot*[1]();
    heldCapacity = 1;
}

ORDAInputImplementation::~ORDAInputImplementation()
{
    ORDAOutput* output = ConnectedOutput();
    if (output && ORDAPrivate::kernel) ORDAPrivate::kernel->Detach(output, this);
    delete[] heldSlots;
}

bool ORDAInputImplementation::IsConnected() { return ConnectedOutput() != nullptr; }

ORDAOutput* ORDAInputImplementation::ConnectedOutput()
{
    ORDAMutexGuard<ORDAMutex> guard(inputLock);
    return connectedOutput;
}

const ORDATypeInfo& ORDAInputImplementation::Type()
{
    static const ORDATypeInfo none;
    ORDAOutput* output = ConnectedOutput();
    return output ? output->Type() : none;
}

bool ORDAInputImplementation::DataAvailableInFIFO()
{
    ORDAMutexGuard<ORDAMutex> guard(inputLock);
    return fifo ? fifo->DataAvailableInFIFO(readerIndex) : false;
}

int ORDAInputImplementation::NbDataAvailableInFIFO()
{
    ORDAMutexGuard<ORDAMutex> guard(inputLock);
    return fifo ? fifo->NbDataAvailableInFIFO(readerIndex) : 0;
}

void ORDAInputImplementation::Rename(const char* oldName, const char* newName)
{
    ORDAPrivate::RenameModulePart(fullName, oldName, newName);
}

void ORDAInputImplementation::AcknowledgeDetachLocked()
{
    interruptEvent.Reset();
    detachAckEvent.Set();
    while (detachRequested) {
        inputLock.Release();
        SleepTenMilliseconds();
        inputLock.Lock();
        // The host may have finished and begun the next detach during the
        // sleep; that request needs its own acknowledgement.
        detachAckEvent.Set();
    }
}

void ORDAInputImplementation::EnterStartReading()
{
    ORDAMutexGuard<ORDAMutex> guard(inputLock);
    while (detachRequested) {
        guard.unlock_mtx();
        SleepTenMilliseconds();
        guard.relock_mtx();
    }
    insideStartReading = 1;
}

void ORDAInputImplementation::ExitStartReading()
{
    ORDAMutexGuard<ORDAMutex> guard(inputLock);
    if (detachRequested && heldCount == 0) AcknowledgeDetachLocked();
    insideStartReading = 0;
}

void ORDAInputImplementation::ForgetConnection()
{
    ORDAMutexGuard<ORDAMutex> guard(inputLock);
    fifo = nullptr;
    connectedOutput = nullptr;
    readerIndex = -1;
    heldCount = 0;
    connectionEvent.Reset();
}

void ORDAInputImplementation::ReserveHeld(int n)
{
    if (n <= heldCapacity) return;
    auto* grown = new ORDAFifoSlot*[n]();
    for (int i = 0; i < heldCount; ++i) grown[i] = heldSlots[i];
    delete[] heldSlots;
    heldSlots = grown;
    heldCapacity = n;
}
