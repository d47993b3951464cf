#include "gui/EventLoopWaitClock.h"

#include <QEventLoop>
#include <QTimer>

EventLoopWaitClock::TimePoint EventLoopWaitClock::Now() {
    return std::chrono::steady_clock::now();
}

void EventLoopWaitClock::SleepFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
