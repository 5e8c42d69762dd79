#include "detail/detailDlg.h"

#include "app/orbelApp.h"
#include "detail/detailText.h"
#include "res/stringTable.h"

#include <orlib/orlib.h>

#include <algorithm>
#include <string>

namespace orbel {

namespace {
constexpr unsigned kNoTimerCode = 4;
} // namespace

CDetailDlg::CDetailDlg(COrbelApp& app, Hwnd parent) : m_app(app), m_parent(parent) {}

CDetailDlg::~CDetailDlg() {
    // A dialog whose modal run never reached a closing command (a failed
    // start, a run ended from outside) may still have its timer.
    stopRefreshTimer();
    Port& port = m_app.port();
    if (!isNull(m_surface)) port.destroySurface(m_surface);
    if (!isNull(m_icon)) port.destroyIcon(m_icon);
}

LResult CDetailDlg::DoModal() {
    return m_app.port().doModal(kTemplateId, m_parent, *this);
}

LResult CDetailDlg::windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam) {
    switch (msg) {
    case kWmInitDialog:
        m_hwnd = hwnd;
        return onInitDialog();
    case kWmPaint:
        onPaint();
        return 0;
    case kWmApp + 1:
        updatePhaseIcon();
        return 0;
    case kWmCommand:
        if ((wParam & 0xFFFF) == kIdOkCommand)
            close(kIdOk);
        else if ((wParam & 0xFFFF) == kIdCancelCommand)
            close(kIdCancel);
        return 0;
    case kWmClose:
        // The close box ends the dialog as Escape does.
        close(kIdCancel);
        return 0;
    case kWmDestroy:
        // However the run ended, no tick may draw for a window that is gone.
        stopRefreshTimer();
        m_hwnd = Hwnd{};
        return 0;
    default:
        return kDefaultProcessing;
    }
}

LResult CDetailDlg::onInitDialog() {
    Port& port = m_app.port();
    // Measured once: the controls never move, and the timer thread then
    // needs nothing of the window but drawing and the repaint request.
    Rect area;
    Rect first;
    port.getDlgItemRect(m_hwnd, kIdcTextArea, area);
    port.getDlgItemRect(m_hwnd, kIdcFirstLine, first);
    // The body is drawn in the area's font, so its lines lie this far apart.
    const int lineHeight = port.getTextLineHeight(m_hwnd, kIdcTextArea).value_or(0);
    {
        std::lock_guard lock(m_surfaceLock);
        m_closed = false;
        m_textArea = area;
        m_firstLine = Rect{0, 0, first.right - first.left, first.bottom - first.top};
        m_lineHeight = lineHeight;
        m_shown.clear();
        m_bitmapWidth = area.right - area.left;
        m_bitmapHeight = area.bottom - area.top;
        if (!isNull(m_surface)) port.destroySurface(m_surface);
        m_surface = port.createSurface(m_hwnd, m_bitmapWidth, m_bitmapHeight);
    }
    redraw();
    updatePhaseIcon();
    if (const unsigned code = startRefreshTimer(); code != 0) {
        m_app.showError(res::IDS_FATAL_ERROR, static_cast<int>(code));
        port.endDialog(m_hwnd, 0);
        // Without its clock the program cannot go on: the main window ends it.
        if (const Hwnd main = m_app.mainWindow(); !isNull(main))
            port.postMessage(main, kWmClose, 0, 0);
    }
    return 1;
}

void CDetailDlg::redraw() {
    // The texts are composed before the lock so that a paint waits only for
    // the drawing itself. The app hands out copies taken under its own lock.
    const orlib::odate_t date = m_app.currentDate();
    const std::string body =
        buildDetailText(date, m_app.getGameLineText(), m_app.getEarthLineText());
    std::vector<std::string> lines{detailPhaseLine(date)};
    // CP932 trail bytes are 0x40 and up: "\r\n" never falls inside a character.
    for (std::size_t from = 0; from < body.size();) {
        const std::size_t end = std::min(body.find("\r\n", from), body.size());
        lines.push_back(body.substr(from, end - from));
        from = end + 2;
    }

    Port& port = m_app.port();
    std::lock_guard lock(m_surfaceLock);
    if (m_closed || isNull(m_surface) || lines == m_shown) return;
    Rect changed{0, 0, m_bitmapWidth, m_bitmapHeight};
    const bool drawn =
        m_shown.empty() || m_lineHeight <= 0 ? drawWhole(lines, body) : drawChanged(lines, changed);
    // A failed line leaves the window showing what it showed; the next tick
    // draws everything again.
    if (!drawn) {
        m_shown.clear();
        return;
    }
    m_shown = std::move(lines);
    if (isRectEmpty(changed)) return;
    // Asked under the lock so that the window cannot be closed between the
    // check above and this request. No erase: the blit covers the area, and
    // erasing first would flicker at 25 redraws a second.
    port.invalidateRect(m_hwnd,
                        Rect{m_textArea.left + changed.left, m_textArea.top + changed.top,
                             m_textArea.left + changed.right, m_textArea.top + changed.bottom},
                        false);
}

bool CDetailDlg::drawWhole(const std::vector<std::string>& lines, const std::string& body) {
    Port& port = m_app.port();
    const Rect whole{0, 0, m_bitmapWidth, m_bitmapHeight};
    const Rect rest{0, m_firstLine.bottom, m_bitmapWidth, m_bitmapHeight};
    return port.fillSurface(m_surface, whole, port.getSysColor(kColor3dFace)) &&
           port.drawSurfaceText(m_surface, lines[0], m_firstLine, true) &&
           port.drawSurfaceText(m_surface, body, rest, false);
}

// Each changed line is cleared and drawn alone in its own strip: the same
// pixels as the whole body drawn at once, whose lines lie m_lineHeight apart
// and never reach into each other's strips. `changed` becomes the strips'
// union.
bool CDetailDlg::drawChanged(const std::vector<std::string>& lines, Rect& changed) {
    Port& port = m_app.port();
    const std::uint32_t face = port.getSysColor(kColor3dFace);
    const std::string none;
    changed = Rect{};
    for (std::size_t i = 0; i < std::max(lines.size(), m_shown.size()); ++i) {
        const std::string& now = i < lines.size() ? lines[i] : none;
        if (now == (i < m_shown.size() ? m_shown[i] : none)) continue;
        Rect strip = m_firstLine;
        if (i > 0) {
            const int top = m_firstLine.bottom + static_cast<int>(i - 1) * m_lineHeight;
            strip = Rect{0, top, m_bitmapWidth, std::min(top + m_lineHeight, m_bitmapHeight)};
        }
        if (strip.top >= strip.bottom) continue; // below the area: never shown
        if (!port.fillSurface(m_surface, strip, face)) return false;
        if (!now.empty() && !port.drawSurfaceText(m_surface, now, strip, i == 0)) return false;
        changed = isRectEmpty(changed) ? strip
                                       : Rect{0, std::min(changed.top, strip.top), m_bitmapWidth,
                                              std::max(changed.bottom, strip.bottom)};
    }
    return true;
}

void CDetailDlg::onPaint() {
    Port& port = m_app.port();
    Rect area;
    if (!port.getDlgItemRect(m_hwnd, kIdcTextArea, area)) return;
    std::lock_guard lock(m_surfaceLock);
    if (isNull(m_surface)) return;
    port.blitSurface(m_hwnd, m_surface, Point{area.left, area.top});
}

void CDetailDlg::updatePhaseIcon() {
    Port& port = m_app.port();
    if (!port.hasDlgItem(m_hwnd, kIdcIcon)) return;
    if (!isNull(m_icon)) port.destroyIcon(m_icon);
    // The icon follows the Earth clock itself, not the ticker's moment: the
    // main window forwards the phase change as soon as the ticker sees it.
    const int index = orlib::odate_t(port.time()).getLunarIndex();
    m_icon = m_app.getIcon(index, true, false);
    port.sendDlgItemMessage(m_hwnd, kIdcIcon, kStmSetIcon,
                            static_cast<WParam>(static_cast<std::uintptr_t>(m_icon)), 0);
}

unsigned CDetailDlg::startRefreshTimer() {
    // The period is read once: a mode change while the window is open takes
    // effect the next time it opens.
    m_timerId = m_app.port().timeSetEvent(m_app.tickPeriod(), m_app.timerResolution(),
                                          &CDetailDlg::onRefreshTimer, this, kTimePeriodic);
    return m_timerId != 0 ? 0 : kNoTimerCode;
}

void CDetailDlg::onRefreshTimer(unsigned, void* user) {
    static_cast<CDetailDlg*>(user)->redraw();
}

void CDetailDlg::stopRefreshTimer() {
    {
        // Taking the lock waits for a redraw in progress; afterwards no tick
        // draws, even one that the kill below cannot wait for.
        std::lock_guard lock(m_surfaceLock);
        m_closed = true;
    }
    if (m_timerId == 0) return;
    // Never under m_surfaceLock: the kill waits for a running tick, which
    // may be waiting for that lock.
    m_app.port().timeKillEvent(m_timerId);
    m_timerId = 0;
}

void CDetailDlg::close(LResult result) {
    stopRefreshTimer();
    m_app.port().endDialog(m_hwnd, result);
}

} // namespace orbel
