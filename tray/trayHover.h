// CTrayHover: where the tray icon is, and the periodic hover check that keeps
// its tooltip fresh.
//
// The shell tells us that the mouse moves over the icon but not where the
// icon is. This class works the icon's screen rectangle out from the
// notification area's toolbar (or asks a port that knows it), and runs a
// multimedia timer whose check rewrites the tooltip text and, while the
// cursor is over the icon, makes the shown tooltip redraw.
//
// Owned by the main window. Threads:
// - UI thread: the constructor and destructor, updateIconRect (on mouse
//   movement), setMenuOpen, startTimer, stopTimer, and hoverCheck itself on
//   mouse movement when the shown tooltip is not refreshed by the timer.
// - Timer thread: hoverCheck from the timer callback. It reads the icon
//   rectangle (under a lock), the menu-open flag (atomic) and the two
//   settings as startTimer took them, and sends the tooltip through the
//   tray record, whose lock serialises it against the UI thread's uses.
#pragma once

#include "app/port.h"

#include <atomic>
#include <mutex>

namespace orbel {

class COrbelApp;
class CNotifyIconData;

class CTrayHover {
public:
    static constexpr unsigned kIdlePeriodMs = 2400;
    // The period on a host that reports no hover: the text it shows is
    // then at most a second old (well inside a game minute in modes 0 and
    // 1), and in mode 2 it gets one update a second rather than one a tick.
    static constexpr unsigned kUnhoveredPeriodMs = 1000;

    CTrayHover(COrbelApp& app, CNotifyIconData& record);
    ~CTrayHover(); // stops the timer: its callback holds a pointer to us
    CTrayHover(const CTrayHover&) = delete;
    CTrayHover& operator=(const CTrayHover&) = delete;

    // The notification area's toolbar (Shell_TrayWnd > TrayNotifyWnd >
    // SysPager, when there is one > ToolbarWindow32); null when not found.
    Hwnd findTrayToolbar();

    // Sets the icon rectangle for the cursor at screen point (x, y): the
    // port's own answer when it has one, else the toolbar button under the
    // cursor; all zero when neither can be found.
    void updateIconRect(int x, int y);
    Rect iconRect() const;

    // While the tray menu or a tray dialog is open the check does nothing,
    // so a blanked tooltip stays blank.
    void setMenuOpen(bool open) { m_menuOpen.store(open); }
    bool menuOpen() const { return m_menuOpen.load(); }

    void hoverCheck();

    // Starts the periodic check: every second on a host that reports no
    // hover, every tick period when the shown tooltip is refreshed in mode
    // 2, else every 2400 ms. 0 on success, 4 when the
    // timer could not be created. Takes the current settings for the check.
    unsigned startTimer();
    // Stops it (waits for a running check); nothing when it is not running.
    void stopTimer();
    unsigned timerId() const { return m_timerId; }

private:
    static void CALLBACK_hover(unsigned id, void* user);
    // Takes tsmode and tipupdate from the application and what the tray
    // host reports from the port.
    void takeSettings();

    COrbelApp& m_app;
    Port& m_port;
    CNotifyIconData& m_record;

    mutable std::mutex m_rectLock;
    Rect m_iconRect; // guarded by m_rectLock

    std::atomic<bool> m_menuOpen{false};
    // The settings as the check uses them: written on the UI thread when
    // the timer starts (settings only change while it is stopped), read by
    // the check on either thread.
    std::atomic<int> m_tsMode{0};
    std::atomic<bool> m_tipUpdate{false};
    std::atomic<bool> m_hostHovers{true};
    unsigned m_timerId = 0; // UI thread only
};

} // namespace orbel
