#include "platform/SteadyWaitClock.h"

#include <thread>

WaitClock::TimePoint SteadyWaitClock::Now() {
    return std::chrono::steady_clock::now();
}

void SteadyWaitClock::SleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}
