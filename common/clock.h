// Monotonic clocks that the timer service sleeps on.
//
// Owns the notion of "now" for periodic work: SteadyClock is the machine's
// monotonic clock, ManualClock a clock for tests whose time moves only when
// the test calls advance(). Used by TimerService (common/timerService.h) and
// by tests that drive timer callbacks without real waiting.
//
// Times are nanoseconds since the clock's own epoch; only differences mean
// anything. A sleeper waits through the clock (waitUntil), so that a clock
// whose time jumps can wake it: every service that sleeps on a clock
// registers its mutex and condition variable for its whole life.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace orbel {

using MonoTime = std::chrono::nanoseconds;

class MonotonicClock {
public:
    MonotonicClock() = default;
    MonotonicClock(const MonotonicClock&) = delete;
    MonotonicClock& operator=(const MonotonicClock&) = delete;
    virtual ~MonotonicClock() = default;

    virtual MonoTime now() const = 0;

    // Sleeps on `cv` (with `lock` held on entry and on return) until this
    // clock reaches `deadline` or `cv` is notified. May return early or
    // spuriously; the caller re-checks its own state.
    virtual void waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                           MonoTime deadline) = 0;

    // A sleeper registers the mutex and condition variable it waits with,
    // before its first wait and for as long as it may wait. Neither call
    // may be made with `m` held.
    virtual void addWaiter(std::mutex& m, std::condition_variable& cv) {
        (void)m;
        (void)cv;
    }
    virtual void removeWaiter(std::mutex& m, std::condition_variable& cv) {
        (void)m;
        (void)cv;
    }
};

// std::chrono::steady_clock. One process-wide instance is enough.
class SteadyClock final : public MonotonicClock {
public:
    MonoTime now() const override;
    void waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   MonoTime deadline) override;
};

SteadyClock& steadyClock();

// Time stands still until advance(). Advancing wakes every registered
// sleeper, so a service waiting for a deadline re-checks it at once.
class ManualClock final : public MonotonicClock {
public:
    explicit ManualClock(MonoTime start = MonoTime::zero()) : m_now(start.count()) {}

    MonoTime now() const override { return MonoTime(m_now.load()); }
    void waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   MonoTime deadline) override;
    void addWaiter(std::mutex& m, std::condition_variable& cv) override;
    void removeWaiter(std::mutex& m, std::condition_variable& cv) override;

    // Moves time forward (a negative step is ignored: the clock is
    // monotonic). Does not wait for anything to run: pair it with
    // TimerService::waitIdle() or advanceAndSettle().
    void advance(std::chrono::nanoseconds step);

    // Sleepers registered now; a destroyed service must have left.
    std::size_t waiterCount() const;

private:
    struct Waiter {
        std::mutex* mutex;
        std::condition_variable* cv;
    };

    // Atomic because sleepers read it under their own lock only; advance()
    // stores it and then takes each sleeper's lock before notifying, so a
    // sleeper between its check and its wait cannot miss the change.
    std::atomic<MonoTime::rep> m_now;
    // Lock order: m_waitersMutex before any sleeper's mutex, never the
    // other way round.
    mutable std::mutex m_waitersMutex;
    std::vector<Waiter> m_waiters;
};

} // namespace orbel
