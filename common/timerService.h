// The timer thread behind the program's periodic callbacks.
//
// Owns one callback thread and every timer set on it: the clock ticker, the
// 10-minute resynchronisation, the hover check and the detail redraw all run
// here, one after another and never at the same time, as they do on the
// Windows multimedia timer thread. The ports build their timeSetEvent,
// timeKillEvent and timeGetDevCaps operations on it; tests drive it with a
// ManualClock (common/clock.h) and waitIdle()/advanceAndSettle().
//
// Scheduling rules:
// - The n-th firing of a periodic timer is due at start + n x period, so a
//   slow callback does not make the timer drift.
// - When the next firing is already due by the time a callback returns (a
//   stopped process, a callback longer than the period, a clock that jumped),
//   the missed firings are skipped: the timer fires once, late, and then
//   continues at the first point of its original grid after the moment the
//   callback returned. There is never a burst of catch-up calls.
// - Several timers due at once run in order of deadline, then of id.
//
// Locking: the service's lock is never held while a callback runs, so a
// callback may set and kill timers. A callback must not wait for a thread
// that might be killing its timer, and must not destroy the service.
#pragma once

#include "common/clock.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace orbel {

struct TimerCaps {
    unsigned periodMin; // milliseconds
    unsigned periodMax; // milliseconds
};

class TimerService {
public:
    // Same shape as a multimedia timer callback: the id and the user value.
    using Callback = void (*)(unsigned id, void* user);

    explicit TimerService(MonotonicClock& clock = steadyClock());
    ~TimerService(); // shutdown(), then joins the thread
    TimerService(const TimerService&) = delete;
    TimerService& operator=(const TimerService&) = delete;

    // Periods the service accepts, for timeGetDevCaps.
    static TimerCaps caps() { return {1, 1000000}; }

    // Starts a timer whose first firing is delayMs from now (and then every
    // delayMs if periodic). A periodic timer whose period another periodic
    // timer already has joins that timer's grid, at most half a period from
    // delayMs; timers due together run in id order. resolutionMs is
    // accepted and ignored: the service always aims at the exact deadline.
    // Returns a non-zero id, or 0 when delayMs lies outside caps(), cb is
    // null, the thread could not be started or the service has shut down.
    unsigned setEvent(unsigned delayMs, unsigned resolutionMs, Callback cb, void* user,
                      bool periodic);

    // Cancels a timer; false for an id that is unknown or already finished
    // (a one-shot that has returned). After it returns the callback never
    // starts again for this id. If the callback is running right now, a
    // call from another thread waits until it has returned; a call from a
    // callback itself (the service thread) returns at once.
    bool killEvent(unsigned id);

    // Cancels every timer, waits for a running callback and stops the
    // thread; later setEvent calls fail. From a callback it cancels and
    // returns at once; the service must then be destroyed elsewhere. Only
    // the service's owner calls it (two threads must not both join).
    void shutdown();

    // Blocks until no callback is running and none is due at the clock's
    // current time (or the service has shut down). With a ManualClock this
    // means every callback made due by the last advance() has run. Returns
    // at once when called from a callback.
    void waitIdle();

    // The earliest deadline of any live timer, on the service's clock.
    std::optional<MonoTime> nextDeadline() const;

private:
    struct Timer {
        MonoTime deadline;
        MonoTime period; // zero for a one-shot
        Callback cb;
        void* user;
    };
    using TimerMap = std::map<unsigned, Timer>;

    void run();
    void fire(std::unique_lock<std::mutex>& lock, TimerMap::iterator it);
    TimerMap::const_iterator earliestLocked() const;
    bool idleLocked() const;
    bool onServiceThread() const { return std::this_thread::get_id() == m_threadId; }

    MonotonicClock& m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;    // the service thread sleeps on it
    std::condition_variable m_settled; // killers and waitIdle sleep on it
    TimerMap m_timers;
    unsigned m_lastId = 0;
    unsigned m_runningId = 0; // id whose callback runs now, 0 if none
    bool m_stopping = false;
    std::thread::id m_threadId; // written by the service thread under m_mutex
    std::thread m_thread;
};

// Test helper: lets `span` of time pass on `clock` as the real world would,
// stopping at every deadline on the way and letting the service run what
// became due there, so periodic timers fire on every point of their grid.
void advanceAndSettle(ManualClock& clock, TimerService& service, std::chrono::nanoseconds span);

} // namespace orbel
