// COrbelDlg: the hidden main window. The application runs it modally for
// the program's whole life. It owns the tray icon (through the process's
// tray record), the moon icon and its swap frames, the notification popup
// and its own timers; it receives the tray icon's mouse messages, the tray
// menu's commands and the game clock's messages, and runs the tray dialogs
// one at a time. UI thread, except the hover check (timer thread).
#pragma once

#include "app/port.h"
#include "popup/notifydlg.h"
#include "tray/icons.h"
#include "tray/trayDialogs.h"
#include "tray/trayHover.h"

namespace orbel {

class COrbelApp;
class CNotifyIconData;

class COrbelDlg : public WindowHandler {
public:
    static constexpr unsigned kTemplateId = 102;
    static constexpr unsigned kTrayIconId = 101;
    static constexpr unsigned kTimerHold = 31;     // one-shot hold of the weekday icon
    static constexpr unsigned kTimerForward = 32;  // moon slides away
    static constexpr unsigned kTimerBackward = 33; // moon slides back
    static constexpr unsigned kHoldMs = 36000;
    static constexpr unsigned kSlideStepMs = 75;

    explicit COrbelDlg(COrbelApp& app);
    ~COrbelDlg() override;
    COrbelDlg(const COrbelDlg&) = delete;
    COrbelDlg& operator=(const COrbelDlg&) = delete;

    // Runs the window until WM_CLOSE; returns the modal result.
    LResult DoModal();
    Hwnd hwnd() const { return m_hwnd; }

    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;

    // Runs a dialog modally from the tray, remembering it while it runs.
    LResult runTrayDialog(TrayDialog* dialog);
    TrayDialog* activeDialog() const { return m_activeDialog; }
    // Empties the tooltip while a menu or the detail window is open.
    void blankTooltip();
    void unblankTooltip();
    // Rebuilds the icon set for the current time and shows the new moon:
    // 1 on success (or when a refresh is already running), 0 on failure.
    int refreshIcon();
    void notifyPhaseChange(int newIndex, unsigned bits);

    CTrayIconSet& icons() { return m_icons; }
    CTrayHover& hover() { return m_hover; }
    CNotifyDlg& popup() { return m_popup; }

private:
    LResult onInitDialog();
    LResult onPaint(Hwnd hwnd);
    void onTrayCallback(WParam wParam, LParam lParam);
    void showTrayMenu();
    void onCommand(unsigned id);
    void runSettings();
    LResult onDayChanged(WParam wParam, LParam lParam);
    LResult onHourChanged(LParam lParam);
    void onTimer(unsigned id);
    void onDestroy();
    void bringActiveDialogForward();

    COrbelApp& m_app;
    Port& m_port;
    CNotifyIconData& m_record;
    HIcon m_appIcon{};
    CTrayIconSet m_icons;
    TrayDialog* m_activeDialog = nullptr;
    CTrayHover m_hover;
    CNotifyDlg m_popup;
    Hwnd m_hwnd{};
    unsigned m_taskbarCreated = 0;
    bool m_refreshing = false;
};

} // namespace orbel
