// CDetailDlg: the detail window, run modally from the tray (menu command
// 32771 or a double click on the icon). It shows the phase icon, the bold
// phase line and the body text, redrawn off screen on every clock tick and
// copied into the window on paint.
//
// Two threads touch it: the refresh timer's callback redraws the surface on
// the timer thread; initialisation, painting, the forwarded phase change and
// closing run on the UI thread. One mutex guards the surface, and a closed
// flag, set under that mutex before the timer is killed, keeps any late tick
// away from a dialog that is going or gone. The dialog owns the surface and
// the phase icon it shows and releases both when it is destroyed.
#pragma once

#include "app/port.h"
#include "tray/trayDialogs.h"

#include <mutex>

namespace orbel {

class COrbelApp;

class CDetailDlg : public TrayDialog, public WindowHandler {
public:
    static constexpr unsigned kTemplateId = 145;
    static constexpr int kIdcIcon = 1004;
    static constexpr int kIdcTextArea = 1006;
    static constexpr int kIdcFirstLine = 1010;

    CDetailDlg(COrbelApp& app, Hwnd parent);
    ~CDetailDlg() override;
    CDetailDlg(const CDetailDlg&) = delete;
    CDetailDlg& operator=(const CDetailDlg&) = delete;

    LResult DoModal() override;
    Hwnd hwnd() const override { return m_hwnd; }
    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;

    // Renders the phase line and the body into the surface and asks for a
    // repaint of the text area. Any thread; does nothing once closed.
    void redraw();
    // Shows the icon of the phase the Earth clock is in now. UI thread.
    void updatePhaseIcon();
    // 0 when the refresh timer runs, 4 when none could be created.
    unsigned startRefreshTimer();

    HIcon icon() const { return m_icon; }
    HSurface surface() const { return m_surface; }
    unsigned refreshTimerId() const { return m_timerId; }

private:
    static void onRefreshTimer(unsigned id, void* user);
    LResult onInitDialog();
    void onPaint();
    // Closes the gate for redraws, then kills the timer (which waits for a
    // tick that is running). Safe to call more than once.
    void stopRefreshTimer();
    void close(LResult result);

    COrbelApp& m_app;
    Hwnd m_parent;
    Hwnd m_hwnd{};

    // Guards the surface's pixels and m_closed. Written on the UI thread
    // before the timer starts: m_surface, the sizes and the two rectangles.
    std::mutex m_surfaceLock;
    bool m_closed = false;
    HSurface m_surface{};
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;
    Rect m_textArea;  // control 1006, client coordinates
    Rect m_firstLine; // (0, 0, width of 1010, height of 1010)

    HIcon m_icon{};
    unsigned m_timerId = 0; // UI thread only
};

} // namespace orbel
