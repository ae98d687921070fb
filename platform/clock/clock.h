#pragma once
// Time as the programs see it: a monotonic "now" and the waits they are told
// to make ("wait 100 ms", "20 ms between polls"). Code that waits takes a
// Clock& so that tests run it on a FakeClock: no real time passes, and the
// test can still read how long the code would have waited.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace platform::clock {

using Milliseconds = std::chrono::milliseconds;

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time; only differences mean anything.
    virtual Milliseconds now() const = 0;
    // Blocks the calling thread (or, on a fake clock, advances its time).
    virtual void sleepFor(Milliseconds duration) = 0;
};

// The machine's monotonic clock and real sleeps.
class SystemClock final : public Clock {
public:
    Milliseconds now() const override;
    void sleepFor(Milliseconds duration) override;
};

// The process-wide real clock, for `main` to hand out.
Clock& systemClock();

// Virtual time: starts at `start`, moves only when someone sleeps on it or a
// test calls advance(). Every sleep is recorded. Safe to share between threads.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Milliseconds start = Milliseconds(0));

    Milliseconds now() const override;
    void sleepFor(Milliseconds duration) override;

    void advance(Milliseconds duration);
    // Sum and list of the durations passed to sleepFor (advance() not included).
    Milliseconds totalSlept() const;
    std::vector<Milliseconds> sleeps() const;
    void clearSleeps();

private:
    mutable std::mutex mutex_;
    Milliseconds now_;
    std::vector<Milliseconds> sleeps_;
};

} // namespace platform::clock
