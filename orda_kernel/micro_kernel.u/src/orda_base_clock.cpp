#include "orda_base_clock.h"

#include "orda_private.h"

ORDABaseClock::ORDABaseClock(const char* name) : m_clockName(name ? name : "")
{
    // Not through the virtual: derived parts do not exist yet.
    ORDABaseClock::Register();
}

ORDABaseClock::~ORDABaseClock() { ORDABaseClock::Unregister(); }

void ORDABaseClock::Register()
{
    if (ORDAPrivate::kernel) ORDAPrivate::kernel->RegisterClock(this, &m_clockID);
}

void ORDABaseClock::Unregister()
{
    if (ORDAPrivate::kernel) ORDAPrivate::kernel->UnregisterClock(this, &m_clockID);
}

void ORDABaseClock::RenameClock(const char* name)
{
    Unregister();
    m_clockName = name ? name : "";
    Register();
}

int ORDABaseClock::GetAbsoluteTimeSpeed()
{
    return ORDAPrivate::kernel ? ORDAPrivate::kernel->ClockTimeSpeed(m_clockID) : 1000;
}

void ORDABaseClock::SetAbsoluteTimeSpeed(int speed)
{
    if (ORDAPrivate::kernel) ORDAPrivate::kernel->SetClockTimeSpeed(m_clockID, speed);
}
