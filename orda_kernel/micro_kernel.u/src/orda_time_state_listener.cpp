#include "orda_time_state_listener.h"

#include "orda_private.h"

ORDATimeStateListener::ORDATimeStateListener() { Register(); }
ORDATimeStateListener::ORDATimeStateListener(int) {}
ORDATimeStateListener::~ORDATimeStateListener() { Unregister(); }

void ORDATimeStateListener::Register()
{
    if (ORDAPrivate::kernel) ORDAPrivate::kernel->RegisterTimeStateListener(this);
}

void ORDATimeStateListener::Unregister()
{
    if (ORDAPrivate::kernel) ORDAPrivate::kernel->UnregisterTimeStateListener(this);
}
