#pragma once

// Lets every pending event of the program run (timer ticks, clicks, paints) and
// returns. The caller is paused meanwhile, so its form may be unloaded.
void DoEvents();

// Time of day in seconds with fractions. Real: the system clock; tests inject one.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double SecondsOfDay() = 0;
};

class SystemClock : public Clock {
public:
    double SecondsOfDay() override;
};
