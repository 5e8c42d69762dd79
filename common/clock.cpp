#include "common/clock.h"

namespace orbel {

MonoTime SteadyClock::now() const {
    return std::chrono::duration_cast<MonoTime>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            MonoTime deadline) {
    const std::chrono::steady_clock::time_point when(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline));
    cv.wait_until(lock, when);
}

SteadyClock& steadyClock() {
    static SteadyClock clock;
    return clock;
}

void ManualClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            MonoTime deadline) {
    // No timed wait: only advance() can bring the deadline closer, and it
    // notifies under our lock.
    if (now() < deadline) cv.wait(lock);
}

void ManualClock::addWaiter(std::mutex& m, std::condition_variable& cv) {
    std::lock_guard guard(m_waitersMutex);
    m_waiters.push_back({&m, &cv});
}

void ManualClock::removeWaiter(std::mutex& m, std::condition_variable& cv) {
    std::lock_guard guard(m_waitersMutex);
    std::erase_if(m_waiters, [&](const Waiter& w) { return w.mutex == &m && w.cv == &cv; });
}

std::size_t ManualClock::waiterCount() const {
    std::lock_guard guard(m_waitersMutex);
    return m_waiters.size();
}

void ManualClock::advance(std::chrono::nanoseconds step) {
    if (step <= std::chrono::nanoseconds::zero()) return;
    // Holding m_waitersMutex throughout keeps every registered sleeper alive
    // until it has been notified (removeWaiter waits for us).
    std::lock_guard guard(m_waitersMutex);
    m_now.fetch_add(step.count());
    for (const Waiter& w : m_waiters) {
        // Taking the sleeper's lock orders our store before its next check:
        // either it has not checked yet and sees the new time, or it is
        // already inside cv.wait and gets the notification.
        { std::lock_guard sleeper(*w.mutex); }
        w.cv->notify_all();
    }
}

} // namespace orbel
