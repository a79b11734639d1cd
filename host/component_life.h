#pragma once
// How the engine runs a threaded component's life and the threads that
// components create.
class ORDAComponent;

namespace ordavix_host {

// Birth, birth event, Core until dying, then the death procedure. What the
// component throws is handled like the runtime's sequential barrier.
void RunComponentLife(ORDAComponent* component);
// Runs a thread record (member or plain function); the thread holds one
// life of its module while it runs.
void RunModuleThread(void* record);

}
