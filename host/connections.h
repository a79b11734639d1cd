#pragma once
// Attaching inputs to outputs and detaching them: the engine's side of the
// FIFO reader registration and of the detach handshake.
class ORDAInput;
class ORDAOutput;

namespace ordavix_host {

// Registers the input as a reader of the output's FIFO (detaching it first
// from any other output). False when the FIFO has no free reader index or
// the input's type filter refuses the output's type.
bool AttachInput(ORDAOutput* output, ORDAInput* input);
// Removes the input from its output after the reader's acknowledgement.
// Nothing happens when it is not connected.
void DetachInput(ORDAInput* input);

}
