#include "tray/trayHover.h"

#include "app/orbelApp.h"
#include "tray/notifyIconData.h"

#include <cstdint>
#include <optional>

namespace orbel {

namespace {

// Big enough for any tooltip text: the tray keeps at most 127 bytes of it.
constexpr std::size_t kTipBufferSize = 256;

// The screen rectangle of the toolbar button under screen point `at`; all
// zero when the toolbar will not tell its place or its button size.
Rect buttonRectAt(Port& port, Hwnd toolbar, Point at) {
    Rect window{};
    if (!port.getWindowRect(toolbar, window)) return Rect{};
    const LResult size = port.sendMessage(toolbar, kTbGetButtonSize, 0, 0);
    const auto width = static_cast<std::int32_t>(size & 0xFFFF);
    const auto height = static_cast<std::int32_t>((size >> 16) & 0xFFFF);
    if (width == 0 || height == 0) return Rect{};
    Point client = at;
    if (!port.screenToClient(toolbar, client)) return Rect{};
    // The icons are equal buttons in a grid that starts at the window's
    // corner (not the client area's). C++ division truncates toward zero,
    // so a point up to one button left of or above the toolbar still falls
    // in the first column or row.
    const std::int32_t column = client.x / width;
    const std::int32_t row = client.y / height;
    Rect r;
    r.left = window.left + column * width;
    r.top = window.top + row * height;
    r.right = r.left + width;
    r.bottom = r.top + height;
    return r;
}

} // namespace

CTrayHover::CTrayHover(COrbelApp& app, CNotifyIconData& record)
    : m_app(app), m_port(app.port()), m_record(record) {
    takeSettings();
}

CTrayHover::~CTrayHover() {
    stopTimer();
}

Hwnd CTrayHover::findTrayToolbar() {
    const Hwnd taskbar = m_port.findWindow("Shell_TrayWnd");
    if (isNull(taskbar)) return Hwnd{};
    const Hwnd notifyArea = m_port.findWindowEx(taskbar, "TrayNotifyWnd");
    if (isNull(notifyArea)) return Hwnd{};
    // Some shells put a pager around the icons; others hang the toolbar
    // directly under the notification area.
    Hwnd parent = m_port.findWindowEx(notifyArea, "SysPager");
    if (isNull(parent)) parent = notifyArea;
    return m_port.findWindowEx(parent, "ToolbarWindow32");
}

void CTrayHover::updateIconRect(int x, int y) {
    Rect rect{};
    if (const std::optional<Rect> own = m_port.notifyIconRect()) {
        rect = *own;
    } else if (const Hwnd toolbar = findTrayToolbar(); !isNull(toolbar)) {
        rect = buttonRectAt(m_port, toolbar, Point{x, y});
    }
    std::lock_guard lock(m_rectLock);
    m_iconRect = rect;
}

Rect CTrayHover::iconRect() const {
    std::lock_guard lock(m_rectLock);
    return m_iconRect;
}

void CTrayHover::hoverCheck() {
    if (m_menuOpen.load()) return;
    // A host that reports no hover may show its text at any moment, so the
    // text is renewed wherever the cursor is (and whether it can be read).
    const bool hovers = m_hostHovers.load();
    Point cursor;
    const bool cursorRead = m_port.getCursorPos(cursor);
    if (!cursorRead && hovers) return;

    // An all-zero rectangle (icon not found) contains no point.
    const bool inside = cursorRead && ptInRect(iconRect(), cursor);
    const bool mode2 = m_tsMode.load() == 2;
    // Mode 2's text changes every game second; outside the icon nobody
    // looks at it, and this runs every 40 ms.
    if (mode2 && hovers && !inside) return;

    // Copied under the clock's lock into our own buffer: the ticker may be
    // rewriting the text, and this path allocates nothing.
    char tip[kTipBufferSize];
    m_app.copyTipText(tip, sizeof tip);
    m_record.modifyTip(tip);

    if (!inside || !m_tipUpdate.load()) return;
    // The shell keeps showing the old text until the tooltip redraws.
    const Hwnd toolbar = findTrayToolbar();
    if (isNull(toolbar)) return;
    const auto tooltip = static_cast<Hwnd>(
        static_cast<std::uintptr_t>(m_port.sendMessage(toolbar, kTbGetTooltips, 0, 0)));
    if (!isNull(tooltip)) m_port.sendMessage(tooltip, kTtmUpdate, 0, 0);
}

unsigned CTrayHover::startTimer() {
    // A second start would leave the first timer calling us for ever.
    stopTimer();
    takeSettings();
    unsigned period = kIdlePeriodMs;
    if (!m_hostHovers.load())
        period = kUnhoveredPeriodMs;
    else if (m_tsMode.load() == 2 && m_tipUpdate.load())
        period = m_app.tickPeriod();
    m_timerId = m_port.timeSetEvent(period, m_app.timerResolution(), &CTrayHover::CALLBACK_hover,
                                    this, kTimePeriodic);
    return m_timerId != 0 ? 0 : 4;
}

void CTrayHover::stopTimer() {
    if (m_timerId == 0) return;
    // From the UI thread this waits for a check that is running now, so
    // nothing touches us after it returns.
    m_port.timeKillEvent(m_timerId);
    m_timerId = 0;
}

void CTrayHover::CALLBACK_hover(unsigned, void* user) {
    static_cast<CTrayHover*>(user)->hoverCheck();
}

void CTrayHover::takeSettings() {
    m_tsMode.store(m_app.tsMode());
    m_tipUpdate.store(m_app.tipUpdate());
    m_hostHovers.store(m_port.trayHostReportsHover());
}

} // namespace orbel
