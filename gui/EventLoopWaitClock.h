#pragma once

#include "platform/WaitClock.h"

// The system's monotonic clock, whose pauses run the event loop until a timer ends them: while a
// save waits for another program's lock, the window answers input and screen readers at once,
// instead of between polls. A pause never ends early.
class EventLoopWaitClock final : public WaitClock {
  public:
    TimePoint Now() override;
    void SleepFor(std::chrono::milliseconds duration) override;
};
