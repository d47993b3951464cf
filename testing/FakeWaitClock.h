#pragma once

#include "platform/WaitClock.h"

#include <chrono>

// A WaitClock for tests: its time stands still until the wait pauses, and a pause moves it on at
// once by the time asked for, without sleeping. So a wait of a minute takes no time, and the
// moments it acts at are exact.
class FakeWaitClock final : public WaitClock {
  public:
    TimePoint Now() override { return mNow; }
    void SleepFor(std::chrono::milliseconds duration) override { mNow += duration; }

    // The time that has passed on this clock since it was made.
    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(mNow - TimePoint());
    }

  private:
    TimePoint mNow;
};
