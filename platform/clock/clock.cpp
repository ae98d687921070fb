#include "platform/clock/clock.h"

#include <thread>

namespace platform::clock {

Milliseconds SystemClock::now() const
{
    return std::chrono::duration_cast<Milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SystemClock::sleepFor(Milliseconds duration)
{
    if (duration.count() > 0)
        std::this_thread::sleep_for(duration);
}

Clock& systemClock()
{
    static SystemClock clock;
    return clock;
}

FakeClock::FakeClock(Milliseconds start) : now_(start) {}

Milliseconds FakeClock::now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

void FakeClock::sleepFor(Milliseconds duration)
{
    std::lock_guard lock(mutex_);
    sleeps_.push_back(duration);
    if (duration.count() > 0)
        now_ += duration;
}

void FakeClock::advance(Milliseconds duration)
{
    std::lock_guard lock(mutex_);
    if (duration.count() > 0)
        now_ += duration;
}

Milliseconds FakeClock::totalSlept() const
{
    std::lock_guard lock(mutex_);
    Milliseconds total(0);
    for (const Milliseconds d : sleeps_)
        if (d.count() > 0)
            total += d;
    return total;
}

std::vector<Milliseconds> FakeClock::sleeps() const
{
    std::lock_guard lock(mutex_);
    return sleeps_;
}

void FakeClock::clearSleeps()
{
    std::lock_guard lock(mutex_);
    sleeps_.clear();
}

} // namespace platform::clock
