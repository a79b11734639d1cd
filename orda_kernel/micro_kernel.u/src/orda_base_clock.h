#pragma once
// Base of clocks the engine knows; it fills in the identifier when the
// clock registers.
#include "orda_string.h"
#include "orda_types.h"

class ORDABaseClock {
public:
    // Registers with the engine.
    explicit ORDABaseClock(const char* name);
    ORDABaseClock(const ORDABaseClock&) = delete;
    ORDABaseClock& operator=(const ORDABaseClock&) = delete;
    virtual ~ORDABaseClock();

    virtual void Register();
    virtual void Unregister();
    virtual bool IsSynchronizable() { return false; }
    virtual bool IsReplayable() { return false; }
    // What a derived clock provides.
    virtual ORDATimestamp ClockTime() = 0;
    virtual void SetClockTime(ORDATimestamp time) = 0;
    virtual void StartClock() = 0;
    virtual void StopClock() = 0;

    int GetClockID() const { return m_clockID; }
    const ORDAStackedString<40>& GetClockName() const { return m_clockName; }
    void RenameClock(const char* name);
    int GetAbsoluteTimeSpeed();
    void SetAbsoluteTimeSpeed(int speed);

protected:
    int m_clockID = -1;
    ORDAStackedString<40> m_clockName;
};
