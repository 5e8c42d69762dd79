// The main window's start, its window procedure, the game clock's messages,
// the weekday slide timers and its destruction.
#include "tray/orbelDlg.h"

#include "app/aboutDlg.h"
#include "app/orbelApp.h"
#include "res/stringTable.h"
#include "tray/notifyIconData.h"

namespace orbel {

namespace {
constexpr unsigned kAppIconId = 128;
} // namespace

COrbelDlg::COrbelDlg(COrbelApp& app)
    : m_app(app), m_port(app.port()), m_record(app.trayRecord()), m_icons(app),
      m_hover(app, app.trayRecord()), m_popup(app) {
    // The program's own icon, from the executable (null module).
    m_appIcon =
        m_port.loadImage(HModule{}, kAppIconId, kImageIcon, m_port.getSystemMetrics(kSmCxIcon),
                         m_port.getSystemMetrics(kSmCyIcon), kLrDefaultSize);
}

COrbelDlg::~COrbelDlg() {
    if (!isNull(m_appIcon)) m_port.destroyIcon(m_appIcon);
}

LResult COrbelDlg::DoModal() {
    return m_port.doModal(kTemplateId, Hwnd{}, *this);
}

LResult COrbelDlg::onInitDialog() {
    const std::string_view about = res::loadString(res::IDS_ABOUTBOX);
    if (!about.empty()) m_port.appendSystemMenuItem(m_hwnd, res::IDM_ABOUTBOX, about);
    m_port.sendMessage(m_hwnd, kWmSetIcon, kIconBig, static_cast<LParam>(m_appIcon));
    m_port.sendMessage(m_hwnd, kWmSetIcon, kIconSmall, static_cast<LParam>(m_appIcon));
    // No taskbar button for a window that is never shown.
    m_port.setWindowLong(m_hwnd, kGwlExStyle,
                         m_port.getWindowLong(m_hwnd, kGwlExStyle) & ~kWsExAppWindow);

    const orlib::odate_t now = m_app.currentDate();
    const int lunarDay = (m_app.trayIcon() & 2) ? now.getLunarDay() : -1;
    if (!m_icons.createTrayIcon(now.getLunarIndex(), lunarDay, now.getDayOfWeek())) {
        ORBEL_LOG(m_app.log(), "createTrayIcon failed");
        m_app.showError(res::IDS_FATAL_ERROR, 255);
        m_port.endDialog(m_hwnd, 0);
        return 0;
    }
    m_record.setUp(m_hwnd, m_icons.moonIcon());
    if (!m_record.addWithRetry()) {
        m_app.showError(res::IDS_TRAY_ADD_FAILED, 0);
        m_port.endDialog(m_hwnd, 0);
        return 0;
    }
    if (m_hover.startTimer() != 0) {
        m_app.showError(res::IDS_FATAL_ERROR, 4);
        m_port.endDialog(m_hwnd, 0);
        return 0;
    }
    return 0;
}

LResult COrbelDlg::windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    if (m_taskbarCreated == 0) m_taskbarCreated = m_port.registerWindowMessage("TaskbarCreated");

    switch (msg) {
    case kWmSettingChange:
    case kWmTimeChange:
        // Re-read the system clock, then show the icon for the new time.
        m_app.restartTicker();
        if (refreshIcon() == 0) ORBEL_LOG(m_app.log(), "resetIcon failed");
        return 0;
    case kWmApp:
        onTrayCallback(wParam, lParam);
        return 0;
    default:
        break;
    }
    if (msg == m_taskbarCreated) {
        // The shell restarted: our icon is gone from the new taskbar.
        m_record.readd();
    }

    switch (msg) {
    case kWmInitDialog:
        m_hwnd = hwnd;
        m_app.setMainWindow(hwnd);
        return onInitDialog();
    case kWmCommand:
        onCommand(static_cast<unsigned>(wParam & 0xFFFF));
        return 0;
    case kWmSysCommand:
        if ((wParam & 0xFFF0) == res::IDM_ABOUTBOX) {
            // The system menu's item runs the box outside runTrayDialog.
            CAboutDlg about(m_app, m_hwnd);
            about.DoModal();
            return 0;
        }
        return kDefaultProcessing;
    case kWmWindowPosChanging:
        // Whoever asks to show this window, it stays hidden: it exists only
        // to own the tray icon and receive its messages.
        if (auto* pos = reinterpret_cast<WindowPos*>(lParam)) pos->flags &= ~kSwpShowWindow;
        return kDefaultProcessing;
    case kWmQueryDragIcon:
        return static_cast<LResult>(m_appIcon);
    case kWmPaint:
        return onPaint(hwnd);
    case kWmClose:
        m_port.endDialog(hwnd, 0);
        return 0;
    case kWmApp + 1:
        // The open dialog (the detail window) refreshes itself first.
        if (m_activeDialog && !isNull(m_activeDialog->hwnd()))
            m_port.postMessage(m_activeDialog->hwnd(), kWmApp + 1, 0, 0);
        notifyPhaseChange(static_cast<int>(wParam >> 16), static_cast<unsigned>(lParam));
        return 0;
    case kWmClockLost:
        m_app.showError(res::IDS_FATAL_ERROR, 4);
        m_port.endDialog(hwnd, 0);
        return 0;
    case kWmApp + 2:
        return onDayChanged(wParam, lParam);
    case kWmApp + 3:
        return onHourChanged(lParam);
    case kWmTimer:
        onTimer(static_cast<unsigned>(wParam));
        return kDefaultProcessing;
    case kWmDestroy:
        onDestroy();
        return 0;
    default:
        return kDefaultProcessing;
    }
}

LResult COrbelDlg::onPaint(Hwnd hwnd) {
    // Only a minimised window paints anything itself: its icon, centred.
    if (!m_port.isIconic(hwnd)) return kDefaultProcessing;
    Rect client;
    if (!m_port.getClientRect(hwnd, client)) return kDefaultProcessing;
    const int x = (client.right - client.left - m_port.getSystemMetrics(kSmCxIcon) + 1) / 2;
    const int y = (client.bottom - client.top - m_port.getSystemMetrics(kSmCyIcon) + 1) / 2;
    m_port.drawIcon(hwnd, Point{x, y}, m_appIcon);
    return 0;
}

LResult COrbelDlg::onDayChanged(WParam wParam, LParam lParam) {
    const int index = static_cast<int>(wParam >> 16);
    const int lunarDay = (lParam & 2) ? static_cast<int>((wParam >> 8) & 0xFF) : -1;
    const int weekday = static_cast<int>(wParam & 0xFF);
    if (!m_icons.createTrayIcon(index, lunarDay, weekday)) {
        ORBEL_LOG(m_app.log(), "createTrayIcon failed");
        return -1;
    }
    return m_record.modifyIcon(m_icons.moonIcon()) ? 0 : -1;
}

LResult COrbelDlg::onHourChanged(LParam lParam) {
    if (!(lParam & 1)) return 0;
    const bool forward = m_port.setTimer(m_hwnd, kTimerForward, kSlideStepMs);
    const bool hold = m_port.setTimer(m_hwnd, kTimerHold, kHoldMs);
    return forward && hold ? 0 : -1;
}

void COrbelDlg::onTimer(unsigned id) {
    bool finished = false;
    switch (id) {
    case kTimerForward:
        m_record.modifyIcon(m_icons.forwardStep(finished));
        if (finished) m_port.killTimer(m_hwnd, kTimerForward);
        break;
    case kTimerHold:
        m_port.killTimer(m_hwnd, kTimerHold);
        m_port.setTimer(m_hwnd, kTimerBackward, kSlideStepMs);
        break;
    case kTimerBackward:
        m_record.modifyIcon(m_icons.backwardStep(finished));
        if (finished) {
            m_port.killTimer(m_hwnd, kTimerBackward);
            m_record.modifyIcon(m_icons.moonIcon());
        }
        break;
    default:
        break;
    }
}

int COrbelDlg::refreshIcon() {
    if (m_refreshing) return 1;
    m_refreshing = true;
    // Stops a running weekday slide where it stands.
    m_port.killTimer(m_hwnd, kTimerHold);
    m_port.killTimer(m_hwnd, kTimerForward);
    m_port.killTimer(m_hwnd, kTimerBackward);

    const int index = orlib::odate_t(m_port.time()).getLunarIndex();
    const orlib::odate_t now = m_app.currentDate();
    const int lunarDay = (m_app.trayIcon() & 2) ? now.getLunarDay() : -1;
    int result = 1;
    if (!m_icons.createTrayIcon(index, lunarDay, now.getDayOfWeek())) {
        ORBEL_LOG(m_app.log(), "createTrayIcon failed");
        result = 0;
    } else if (!m_record.modifyIcon(m_icons.moonIcon())) {
        ORBEL_LOG(m_app.log(), "refreshIcon failed");
        result = 0;
    }
    m_refreshing = false;
    return result;
}

void COrbelDlg::onDestroy() {
    m_hover.stopTimer();
    m_port.killTimer(m_hwnd, kTimerHold);
    m_port.killTimer(m_hwnd, kTimerForward);
    m_port.killTimer(m_hwnd, kTimerBackward);
    m_record.remove();
    m_app.setMainWindow(Hwnd{});
    m_hwnd = Hwnd{};
}

} // namespace orbel
