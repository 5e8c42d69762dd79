// The Earth clock and the multimedia timers. Callbacks run on the system's
// multimedia timer thread, one after another; TIME_KILL_SYNCHRONOUS makes a
// kill also a promise that no callback of that timer starts afterwards.
#include "ports/win32/win32Native.h"

#include <ctime>

namespace orbel::win32 {

namespace {

void CALLBACK timerThunk(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    // Callbacks of one timer never overlap, so the count needs no lock.
    auto* slot = reinterpret_cast<Win32Port::TimerSlot*>(user);
    if (slot->done || ++slot->count < slot->ticks) return;
    slot->count = 0;
    slot->done = !slot->periodic;
    // Copied first: the callback may kill its own timer, which frees the slot.
    const TimerProc proc = slot->proc;
    void* const data = slot->user;
    proc(id, data);
}

} // namespace

std::time_t Win32Port::time() { return std::time(nullptr); }

void Win32Port::sleep(unsigned ms) { Sleep(ms); }

unsigned Win32Port::timeGetDevCaps(TimeCaps& caps) {
    TIMECAPS tc{};
    const MMRESULT r = ::timeGetDevCaps(&tc, sizeof tc);
    if (r == TIMERR_NOERROR) caps = TimeCaps{tc.wPeriodMin, tc.wPeriodMax};
    return r;
}

unsigned Win32Port::timeBeginPeriod(unsigned ms) { return ::timeBeginPeriod(ms); }

unsigned Win32Port::timeEndPeriod(unsigned ms) { return ::timeEndPeriod(ms); }

std::pair<unsigned, unsigned> Win32Port::splitDelay(unsigned delayMs, unsigned maxPeriodMs) {
    if (maxPeriodMs == 0 || delayMs <= maxPeriodMs) return {delayMs, 1};
    // The fewest equal parts that each fit; a part a whole number of
    // milliseconds, so the parts add up to the delay exactly.
    unsigned parts = delayMs / maxPeriodMs + (delayMs % maxPeriodMs != 0 ? 1 : 0);
    while (delayMs % parts != 0) ++parts;
    return {delayMs / parts, parts};
}

unsigned Win32Port::timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc,
                                 void* user, unsigned flags) {
    if (!proc) return 0;
    auto slot = std::make_unique<TimerSlot>();
    slot->proc = proc;
    slot->user = user;
    slot->periodic = (flags & TIME_PERIODIC) != 0;
    // Some timer devices serve periods only up to about a minute (Wine's),
    // while the resynchronisation runs every ten.
    TIMECAPS tc{};
    const unsigned maxPeriod =
        ::timeGetDevCaps(&tc, sizeof tc) == TIMERR_NOERROR ? tc.wPeriodMax : 0;
    const auto [period, ticks] = splitDelay(delayMs, maxPeriod);
    slot->ticks = ticks;
    if (ticks > 1) flags |= TIME_PERIODIC;
    const MMRESULT id =
        ::timeSetEvent(period, resolutionMs, timerThunk, reinterpret_cast<DWORD_PTR>(slot.get()),
                       flags | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    // Filed after the call, without holding the lock into the system's own:
    // a timer killed before it is filed only keeps its slot until the end.
    if (id != 0) {
        std::lock_guard lock(m_timerMutex);
        m_timers[id] = std::move(slot);
    }
    return id;
}

unsigned Win32Port::timeKillEvent(unsigned id) {
    const MMRESULT r = ::timeKillEvent(id);
    // From another thread the kill has waited for a running callback; from
    // the timer thread the running callback is the caller, which no longer
    // touches its slot (timerThunk).
    std::lock_guard lock(m_timerMutex);
    m_timers.erase(id);
    return r;
}

} // namespace orbel::win32
