#pragma once
// Follows the host clock: the engine calls these from its own threads when
// time jumps, the speed changes, or the engine pauses or resumes.
#include "orda_types.h"

class ORDATimeStateListener {
public:
    // Registers with the engine.
    ORDATimeStateListener();
    // Does not register.
    explicit ORDATimeStateListener(int);
    ORDATimeStateListener(const ORDATimeStateListener&) = delete;
    ORDATimeStateListener& operator=(const ORDATimeStateListener&) = delete;
    virtual ~ORDATimeStateListener();

    virtual void CallbackTimeJumped(ORDATimestamp newTime) = 0;
    virtual void CallbackTimeSpeedChanged(int speed) = 0;
    virtual void CallbackTimePaused(bool paused) = 0;

    void Register();
    // Returns once no callback of this listener runs on another thread.
    void Unregister();
};
