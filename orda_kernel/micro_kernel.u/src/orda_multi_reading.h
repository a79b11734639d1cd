#pragma once
// Pieces of the single-input read that the multi-input, sliding-window and
// synchronised reads share.
class ORDAModule;
class ORDAInputImplementation;
struct ORDAFifoSlot;

namespace ORDAPrivate {
// Under inputLock: gives back every slot the input holds (a detached FIFO
// forgets them) and acknowledges the pending detach.
void ReleaseHeldAndAcknowledgeLocked(ORDAInputImplementation* in);
// The threaded read loop: waits for a connection and a sample, honours the
// detach handshake and input subsampling (skipped slots are given back),
// keeps whatever the input already holds. Null only when `messages` is set
// and a host message ended the wait. The caller has set insideStartReading.
ORDAFifoSlot* TakeNextSlot(ORDAModule* module, ORDAInputImplementation* in, bool messages);
}
