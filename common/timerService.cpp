#include "common/timerService.h"

#include <system_error>

namespace orbel {

TimerService::TimerService(MonotonicClock& clock) : m_clock(clock) {
    // Registered before the thread exists and removed after it has ended,
    // so a clock never notifies a sleeper that is gone.
    m_clock.addWaiter(m_mutex, m_wake);
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread, no timers: every setEvent answers 0, which callers
        // already treat as "no timer could be created".
        m_stopping = true;
    }
}

TimerService::~TimerService() {
    shutdown();
    m_clock.removeWaiter(m_mutex, m_wake);
}

void TimerService::shutdown() {
    bool fromCallback = false;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_timers.clear();
        fromCallback = onServiceThread();
    }
    m_wake.notify_all();
    m_settled.notify_all();
    // A callback cannot join its own thread; the thread leaves its loop as
    // soon as the callback returns, and the destructor joins it later.
    if (!fromCallback && m_thread.joinable()) m_thread.join();
}

unsigned TimerService::setEvent(unsigned delayMs, unsigned resolutionMs, Callback cb, void* user,
                                bool periodic) {
    (void)resolutionMs;
    const TimerCaps limits = caps();
    if (cb == nullptr || delayMs < limits.periodMin || delayMs > limits.periodMax) return 0;
    const MonoTime delay = std::chrono::milliseconds(delayMs);
    std::lock_guard lock(m_mutex);
    if (m_stopping) return 0;
    // A 32-bit counter that skips 0 and, after wrapping, any id still in
    // use: an id is not handed out again for about four billion timers.
    do {
        ++m_lastId;
    } while (m_lastId == 0 || m_timers.contains(m_lastId));
    MonoTime deadline = m_clock.now() + delay;
    if (periodic) {
        // Timers of one period share one grid, at the point nearest the one
        // asked for: the ticker and the detail window's redraw then wake the
        // thread once a tick instead of twice, and, run one after the other
        // in one wake, no jitter can put two ticks between two redraws.
        for (const auto& [other, t] : m_timers) {
            if (t.period != delay) continue;
            const MonoTime off = deadline - t.deadline;
            const auto steps =
                (off >= MonoTime::zero() ? off + delay / 2 : off - delay / 2) / delay;
            deadline = t.deadline + steps * delay;
            break;
        }
    }
    m_timers.emplace(m_lastId, Timer{deadline, periodic ? delay : MonoTime::zero(), cb, user});
    // The new timer may be due before whatever the thread sleeps for.
    m_wake.notify_all();
    return m_lastId;
}

bool TimerService::killEvent(unsigned id) {
    std::unique_lock lock(m_mutex);
    if (m_timers.erase(id) == 0) return false;
    // From the service thread the running callback is our caller: waiting
    // would deadlock, and erasing is enough, since the thread looks the timer
    // up again before rescheduling it.
    if (!onServiceThread()) m_settled.wait(lock, [&] { return m_runningId != id; });
    return true;
}

void TimerService::waitIdle() {
    std::unique_lock lock(m_mutex);
    if (onServiceThread()) return;
    m_settled.wait(lock, [&] { return idleLocked(); });
}

std::optional<MonoTime> TimerService::nextDeadline() const {
    std::lock_guard lock(m_mutex);
    const auto it = earliestLocked();
    if (it == m_timers.end()) return std::nullopt;
    return it->second.deadline;
}

TimerService::TimerMap::const_iterator TimerService::earliestLocked() const {
    // A handful of timers live at a time: a scan beats keeping a second,
    // deadline-ordered index in step with kills.
    auto best = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (best == m_timers.end() || it->second.deadline < best->second.deadline) best = it;
    }
    return best;
}

bool TimerService::idleLocked() const {
    if (m_stopping) return true;
    if (m_runningId != 0) return false;
    const auto it = earliestLocked();
    return it == m_timers.end() || it->second.deadline > m_clock.now();
}

void TimerService::run() {
    std::unique_lock lock(m_mutex);
    m_threadId = std::this_thread::get_id();
    while (!m_stopping) {
        const auto next = earliestLocked();
        if (next == m_timers.end()) {
            m_settled.notify_all();
            m_wake.wait(lock);
            continue;
        }
        const MonoTime deadline = next->second.deadline;
        if (deadline > m_clock.now()) {
            m_settled.notify_all();
            m_clock.waitUntil(lock, m_wake, deadline);
            continue;
        }
        // earliestLocked is const; the map itself is ours to change.
        fire(lock, m_timers.find(next->first));
    }
    m_settled.notify_all();
}

void TimerService::fire(std::unique_lock<std::mutex>& lock, TimerMap::iterator it) {
    // Nothing here allocates: the ticker fires 25 times a second for the
    // whole run.
    const unsigned id = it->first;
    const Callback cb = it->second.cb;
    void* const user = it->second.user;
    m_runningId = id;
    lock.unlock();
    cb(id, user);
    lock.lock();
    m_runningId = 0;

    // The callback may have killed this timer (and so may anyone else while
    // the lock was free): only a timer still present is rescheduled.
    it = m_timers.find(id);
    if (it != m_timers.end()) {
        Timer& t = it->second;
        if (t.period == MonoTime::zero()) {
            m_timers.erase(it);
        } else {
            t.deadline += t.period;
            const MonoTime now = m_clock.now();
            if (t.deadline <= now) {
                // Behind by a period or more: skip to the first grid point
                // after now instead of firing a burst.
                t.deadline += ((now - t.deadline) / t.period + 1) * t.period;
            }
        }
    }
    m_settled.notify_all();
}

void advanceAndSettle(ManualClock& clock, TimerService& service, std::chrono::nanoseconds span) {
    const MonoTime end = clock.now() + span;
    service.waitIdle();
    for (;;) {
        const MonoTime now = clock.now();
        const std::optional<MonoTime> next = service.nextDeadline();
        const MonoTime target = next && *next < end ? *next : end;
        if (target > now) clock.advance(target - now);
        service.waitIdle();
        if (target >= end) return;
    }
}

} // namespace orbel
