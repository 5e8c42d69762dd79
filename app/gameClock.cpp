// The game clock: a periodic timer advances the current Orithaven moment by
// a fixed step, renders the display texts and tells the main window when
// the hour, the day or the lunar phase has changed. A 10-minute timer puts
// the moment back on the Earth clock.
//
// Threads: onTick and onResync run on the timer thread, the rest on the UI
// thread. m_clockLock guards the moment, the texts and formats, the step,
// the period, the ticker id and the two bit sets the tick posts; readers
// copy under it. No lock is held while posting, sending or killing a timer
// (a kill waits for a running tick, which takes the clock lock).
// m_restartLock (recursive) keeps a stop/start on one thread from
// interleaving with one on the other.
#include "app/orbelApp.h"
#include "common/cp932.h"
#include "res/stringTable.h"

namespace orbel {

namespace {
// (phase index << 16) | (day within the phase << 8) | weekday.
WParam clockWParam(const orlib::odate_t& d) {
    return (static_cast<WParam>(d.getLunarIndex()) << 16) |
           ((static_cast<WParam>(d.getLunarDay()) & 0xFF) << 8) |
           (static_cast<WParam>(d.getDayOfWeek()) & 0xFF);
}
} // namespace

void COrbelApp::CALLBACK_tick(unsigned, void* user) {
    static_cast<COrbelApp*>(user)->onTick();
}

void COrbelApp::CALLBACK_resync(unsigned, void* user) {
    static_cast<COrbelApp*>(user)->onResync();
}

unsigned COrbelApp::setupTimerPeriod() {
    TimeCaps caps;
    if (m_port.timeGetDevCaps(caps) != kTimerNoError) return 1;
    m_timerResolution = caps.periodMin;
    const unsigned period = tickPeriod();
    if (caps.periodMin > period || period > caps.periodMax) return 2;
    if (m_port.timeBeginPeriod(caps.periodMin) != kTimerNoError) return 3;
    return 0;
}

void COrbelApp::endTimerPeriod() {
    m_port.timeEndPeriod(m_timerResolution);
}

unsigned COrbelApp::startTicker() {
    std::lock_guard restart(m_restartLock);
    const orlib::odate_t now(m_port.time());
    unsigned period;
    {
        std::lock_guard lock(m_clockLock);
        m_curDate = now;
        period = m_tickPeriod;
    }
    const unsigned id = m_port.timeSetEvent(period, m_timerResolution, &COrbelApp::CALLBACK_tick,
                                            this, kTimePeriodic);
    {
        std::lock_guard lock(m_clockLock);
        m_tickerId = id;
    }
    return id != 0 ? 0 : 4;
}

void COrbelApp::stopTicker() {
    std::lock_guard restart(m_restartLock);
    unsigned id;
    {
        std::lock_guard lock(m_clockLock);
        id = m_tickerId;
        m_tickerId = 0;
    }
    // Waits for a running tick, so nothing renders with the old formats
    // once this returns.
    if (id != 0) m_port.timeKillEvent(id);
}

bool COrbelApp::isTickerRunning() const {
    std::lock_guard lock(m_clockLock);
    return m_tickerId != 0;
}

unsigned COrbelApp::restartTicker() {
    std::lock_guard restart(m_restartLock);
    stopTicker();
    return startTicker();
}

void COrbelApp::onTick() {
    int changes = 0; // 1 hour, 2 hour and day, 3 hour, day and phase
    WParam wParam = 0;
    LParam trayBits = 0;
    LParam notifyBits = 0;
    {
        std::lock_guard lock(m_clockLock);
        const int oldIndex = m_curDate.getLunarIndex();
        const int oldDay = m_curDate.day();
        const int oldHour = m_curDate.hour();
        m_curDate += m_tickStep;
        m_texts.render(m_curDate);
        if (m_curDate.hour() != oldHour) {
            changes = 1;
            if (m_curDate.day() != oldDay) {
                changes = 2;
                if (m_curDate.getLunarIndex() != oldIndex) changes = 3;
            }
            wParam = clockWParam(m_curDate);
            trayBits = static_cast<LParam>(m_trayIcon);
            notifyBits = static_cast<LParam>(m_notification);
        }
    }
    if (changes == 0) return;
    // The main window may be gone (or going); a failed post is harmless.
    const Hwnd wnd = m_mainWnd.load();
    if (isNull(wnd)) return;
    m_port.postMessage(wnd, kWmApp + 3, wParam, trayBits);
    if (changes >= 2) m_port.postMessage(wnd, kWmApp + 2, wParam, trayBits);
    if (changes >= 3) m_port.postMessage(wnd, kWmApp + 1, wParam, notifyBits);
}

void COrbelApp::onResync() {
    unsigned rc;
    {
        std::lock_guard restart(m_restartLock);
        if (!isTickerRunning()) return;
        stopTicker();
        rc = startTicker();
    }
    if (rc == 0) return;
    const Hwnd wnd = m_mainWnd.load();
    if (isNull(wnd) || !m_port.postMessage(wnd, kWmClockLost, 0, 0))
        ORBEL_LOG(log(), "resync failed"); // the program is ending anyway

}

std::string COrbelApp::getTipText() const {
    std::lock_guard lock(m_clockLock);
    return m_texts.tipText;
}

std::string COrbelApp::getGameLineText() const {
    std::lock_guard lock(m_clockLock);
    return m_texts.gameLine;
}

std::string COrbelApp::getEarthLineText() const {
    std::lock_guard lock(m_clockLock);
    return m_texts.earthLine;
}

std::size_t COrbelApp::copyTipText(char* out, std::size_t cap) const {
    std::lock_guard lock(m_clockLock);
    return text::copyCp932(out, cap, m_texts.tipText);
}

orlib::odate_t COrbelApp::currentDate() const {
    std::lock_guard lock(m_clockLock);
    return m_curDate;
}

unsigned COrbelApp::tickPeriod() const {
    std::lock_guard lock(m_clockLock);
    return m_tickPeriod;
}

} // namespace orbel
