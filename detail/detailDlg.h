// CDetailDlg: the detail window, run modally from the tray (menu command
// 32771 or a double click on the icon). It shows the phase icon, the bold
// phase line and the body text, drawn off screen and copied into the window
// on paint. Every clock tick composes the texts again, but only the lines
// that changed are drawn and repainted: in time-format mode 2 that is the
// game line 25 times a second and the Earth line once a second, and
// redrawing the whole body each time cost several times as much.
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
#include <string>
#include <vector>

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

    // Brings the surface up to the phase line and the body of the current
    // moment and asks for a repaint of the lines that changed. Any thread;
    // does nothing once closed.
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
    // Under m_surfaceLock. False when a drawing call failed.
    bool drawWhole(const std::vector<std::string>& lines, const std::string& body);
    bool drawChanged(const std::vector<std::string>& lines, Rect& changed);
    // Closes the gate for redraws, then kills the timer (which waits for a
    // tick that is running). Safe to call more than once.
    void stopRefreshTimer();
    void close(LResult result);

    COrbelApp& m_app;
    Hwnd m_parent;
    Hwnd m_hwnd{};

    // Guards the surface's pixels and m_closed. Written on the UI thread
    // before the timer starts: m_surface, the sizes, the two rectangles and
    // the line height. m_shown is the redraws' own, under the lock too.
    std::mutex m_surfaceLock;
    bool m_closed = false;
    HSurface m_surface{};
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;
    Rect m_textArea;      // control 1006, client coordinates
    Rect m_firstLine;     // (0, 0, width of 1010, height of 1010)
    int m_lineHeight = 0; // of the body's lines; 0: unknown, every change redraws all
    // What the surface shows: the phase line, then the body's lines. Empty
    // when its picture is unknown (none yet, or a drawing call failed).
    std::vector<std::string> m_shown;

    HIcon m_icon{};
    unsigned m_timerId = 0; // UI thread only
};

} // namespace orbel
