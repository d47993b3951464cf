#pragma once

#include "platform/WaitClock.h"

// The system's monotonic clock, and pauses that really pause the calling thread.
class SteadyWaitClock final : public WaitClock {
  public:
    TimePoint Now() override;
    void SleepFor(std::chrono::milliseconds duration) override;
};
