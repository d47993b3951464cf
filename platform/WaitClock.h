#pragma once

#include <chrono>

// The time a wait measures and the pauses it takes between tries, behind an interface so that a
// test can wait without waiting (testing/FakeWaitClock.h). SteadyWaitClock is the real one.
class WaitClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~WaitClock() = default;

    // The current time; it never goes back, and only differences between two readings mean
    // something.
    virtual TimePoint Now() = 0;
    // Returns after `duration` has passed on this clock.
    virtual void SleepFor(std::chrono::milliseconds duration) = 0;
};
