#include "popup/slideDlg.h"

#include "app/orbelApp.h"

#include <algorithm>

namespace orbel {

namespace {

// High sixteen style bits that a slide resets: all but WS_VISIBLE.
constexpr std::uint32_t kStyleResetMask = 0xEFFF0000;

// The window system takes unsigned intervals; a negative or zero duration
// from a caller becomes the shortest one instead of an endless wait or a
// timer that fires continuously.
unsigned timerInterval(int ms) {
    return ms < 1 ? 1u : static_cast<unsigned>(ms);
}

} // namespace

unsigned getTaskbarEdge(const Rect& rc) noexcept {
    // A taskbar docked at the left or the top starts at the screen's origin,
    // so left == top; its longer side tells which. Everything else is told
    // apart by where it starts, and a square at the origin falls through to
    // the right edge.
    if (rc.top == rc.left) {
        if (rc.bottom > rc.right) return kAbeLeft;
        if (rc.bottom < rc.right) return kAbeTop;
    }
    return rc.top <= rc.left ? kAbeRight : kAbeBottom;
}

unsigned getTaskbarEdge(const Rect& taskbar, const Rect& workArea) noexcept {
    // The rule above needs the screen at the origin. The taskbar and the
    // work area together span the screen that holds them, wherever the
    // desktop puts it (a primary screen right of or above another one).
    const int x = std::min(taskbar.left, workArea.left);
    const int y = std::min(taskbar.top, workArea.top);
    return getTaskbarEdge(
        Rect{taskbar.left - x, taskbar.top - y, taskbar.right - x, taskbar.bottom - y});
}

SlideStart slideStartFor(unsigned taskbarEdge, const Rect& workArea, int width,
                         int height) noexcept {
    switch (taskbarEdge) {
    case kAbeLeft:
    case kAbeTop:
        return {{workArea.right - width, workArea.bottom}, {0, -1}};
    case kAbeRight:
        return {{workArea.left, workArea.bottom}, {0, -1}};
    default: // kAbeBottom: the corner away from it is at the top
        return {{workArea.right - width, workArea.top - height}, {0, 1}};
    }
}

int slidePeriodMs(int slideMs, int height) noexcept {
    const int period = height > 0 ? slideMs / height : slideMs;
    return std::max(period, 1);
}

int fastPeriodMs(int periodMs) noexcept {
    return std::max(periodMs / 10, 1);
}

bool canAskScreenSaver(int windowsClass) noexcept {
    return windowsClass >= 32 && windowsClass != 64;
}

std::uint32_t slideStyle(std::uint32_t style) noexcept {
    return (style & ~kStyleResetMask) | kWsPopup | kWsBorder;
}

std::uint32_t toolWindowExStyle(std::uint32_t exStyle) noexcept {
    return (exStyle & ~kWsExAppWindow) | kWsExToolWindow;
}

bool touches(const Rect& r, const Rect& area) noexcept {
    const Rect common{std::max(r.left, area.left), std::max(r.top, area.top),
                      std::min(r.right, area.right), std::min(r.bottom, area.bottom)};
    return !isRectEmpty(common);
}

bool liesInside(const Rect& r, const Rect& area) noexcept {
    return touches(r, area) && r.left >= area.left && r.top >= area.top && r.right <= area.right &&
           r.bottom <= area.bottom;
}

CSlideDlg::CSlideDlg(COrbelApp& app) : m_app(app) {}

CSlideDlg::~CSlideDlg() {
    destroyPopupWindow();
}

void CSlideDlg::destroyPopupWindow() {
    if (isNull(m_hwnd)) return;
    const Hwnd hwnd = m_hwnd;
    m_hwnd = Hwnd{};
    m_state = kIdle;
    m_app.port().destroyWindow(hwnd);
}

int CSlideDlg::start(int slideMs, int stayMs) {
    m_slideMs = slideMs;
    m_stayMs = stayMs;
    // A running cycle keeps its pace; the new durations wait for the next.
    if (m_state != kIdle) return 0;
    if (!prepareStart()) return -1;
    beginSlideIn();
    return 0;
}

bool CSlideDlg::prepareStart() {
    Port& port = m_app.port();
    Rect own;
    if (isNull(m_hwnd) || !port.getWindowRect(m_hwnd, own)) return false;
    const int w = own.right - own.left;
    const int h = own.bottom - own.top;
    // A popup without area could never be seen whole, so it would never stop
    // sliding in.
    if (w <= 0 || h <= 0) return false;

    const Hwnd taskbar = port.findWindow("Shell_TrayWnd");
    if (isNull(taskbar)) return false;
    Rect taskbarRect;
    if (!port.getTaskbarPos(taskbar, taskbarRect)) return false;
    // The edge field of the shell's answer is not trusted: the rectangle is.
    if (!port.getWorkArea(m_workArea)) return false;
    const unsigned edge = getTaskbarEdge(taskbarRect, m_workArea);

    const SlideStart s = slideStartFor(edge, m_workArea, w, h);
    m_baseStep = s.step;
    m_periodMs = slidePeriodMs(m_slideMs, h);
    m_windowRect = Rect{s.pos.x, s.pos.y, s.pos.x + w, s.pos.y + h};
    m_curStep = m_baseStep;
    return true;
}

void CSlideDlg::beginSlideIn() {
    Port& port = m_app.port();
    m_curStep = m_baseStep;
    m_state = kSlidingIn;
    // Whatever the template or an earlier run left in the frame bits, the
    // popup slides as a bordered popup; no frame change is asked for, the
    // first move redraws it.
    port.setWindowLong(m_hwnd, kGwlStyle, slideStyle(port.getWindowLong(m_hwnd, kGwlStyle)));
    port.setTimer(m_hwnd, kMotionTimer, timerInterval(m_periodMs));
}

void CSlideDlg::beginStay() {
    Port& port = m_app.port();
    port.killTimer(m_hwnd, kMotionTimer);
    m_state = kStaying;
    port.setTimer(m_hwnd, kStayTimer, timerInterval(m_stayMs));
}

void CSlideDlg::beginSlideOut(bool fast) {
    Port& port = m_app.port();
    port.killTimer(m_hwnd, kStayTimer);
    port.killTimer(m_hwnd, kMotionTimer);
    m_state = kSlidingOut;
    int period = m_periodMs;
    if (fast) {
        m_curStep = Point{5 * m_baseStep.x, 5 * m_baseStep.y};
        period = fastPeriodMs(m_periodMs);
    }
    port.setTimer(m_hwnd, kMotionTimer, timerInterval(period));
}

void CSlideDlg::hide() {
    Port& port = m_app.port();
    port.killTimer(m_hwnd, kMotionTimer);
    port.killTimer(m_hwnd, kStayTimer);
    m_state = kIdle;
    // The window stays for the next notification.
    port.showWindow(m_hwnd, kSwHide);
}

void CSlideDlg::offsetWindowRect(int dx, int dy) {
    m_windowRect.left += dx;
    m_windowRect.right += dx;
    m_windowRect.top += dy;
    m_windowRect.bottom += dy;
}

void CSlideDlg::moveTo(Hwnd anchor) {
    m_app.port().setWindowPos(m_hwnd, anchor, m_windowRect.left, m_windowRect.top, 0, 0,
                              kMoveFlags);
}

void CSlideDlg::onTimer(unsigned id) {
    // Asked on every tick, the stay's included, so a screen saver that
    // starts or ends mid-cycle is noticed at the next move.
    Hwnd anchor = kHwndTopmost;
    if (isScreenSaverRunning()) {
        // Directly below the foreground window, which is the screen saver:
        // topmost would paint the popup over it.
        const Hwnd fg = m_app.port().getForegroundWindow();
        if (!isNull(fg)) anchor = fg;
    }

    if (id == kStayTimer) {
        beginSlideOut(false);
        return;
    }
    if (id != kMotionTimer) return;

    if (m_state == kSlidingIn) {
        offsetWindowRect(m_curStep.x, m_curStep.y);
        moveTo(anchor);
        if (liesInside(m_windowRect, m_workArea)) beginStay();
    } else if (m_state == kSlidingOut) {
        // Back the way it came, so it leaves through the edge it entered by.
        offsetWindowRect(-m_curStep.x, -m_curStep.y);
        moveTo(anchor);
        if (!touches(m_windowRect, m_workArea)) hide();
    }
}

LResult CSlideDlg::onInitDialog(Hwnd hwnd) {
    Port& port = m_app.port();
    port.setWindowLong(hwnd, kGwlExStyle, toolWindowExStyle(port.getWindowLong(hwnd, kGwlExStyle)));
    // The popup takes no focus: nothing in it is meant to be typed at.
    return 0;
}

void CSlideDlg::onDestroy() {
    m_hwnd = Hwnd{};
    m_state = kIdle;
}

LResult CSlideDlg::windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam) {
    switch (msg) {
    case kWmInitDialog:
        m_hwnd = hwnd;
        return onInitDialog(hwnd);
    case kWmTimer:
        onTimer(static_cast<unsigned>(wParam));
        return 0;
    case kWmLButtonDown:
        // A hidden popup cannot be clicked; a stray click must not start a
        // slide-out that would show it again.
        if (m_state != kIdle) beginSlideOut(true);
        return 0;
    case kWmClose:
        hide();
        return 0;
    case kWmCommand: {
        // Enter and Escape only send the popup away; the window is kept.
        const unsigned command = static_cast<unsigned>(wParam & 0xFFFF);
        if (command == kIdOkCommand || command == kIdCancelCommand) hide();
        return 0;
    }
    case kWmDestroy:
        onDestroy();
        return 0;
    default:
        return kDefaultProcessing;
    }
}

} // namespace orbel
