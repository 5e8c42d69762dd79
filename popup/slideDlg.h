// CSlideDlg: the motion of the notification popup. It owns where the popup
// starts (the corner of the work area away from the taskbar), the two window
// timers (301 moves the popup one step, 302 ends its stay) and the four
// states idle, sliding in, staying and sliding out. It knows nothing of what
// the popup shows; CNotifyDlg derives from it and supplies the content.
//
// The placement and timing rules are the free functions below, pure
// arithmetic on rectangles. The class runs on the UI thread only; its window
// is a modeless dialog created through the port by the derived class.
#pragma once

#include "app/port.h"

#include <cstdint>

namespace orbel {

class COrbelApp;

// The taskbar's edge (kAbeLeft .. kAbeBottom) from its rectangle alone. A
// square rectangle at a point where left == top reads as the right edge.
unsigned getTaskbarEdge(const Rect& rc) noexcept;
// The same for a screen anywhere on the desktop: read relative to the
// screen that the taskbar and its work area span together.
unsigned getTaskbarEdge(const Rect& taskbar, const Rect& workArea) noexcept;

// Where the popup starts and which way it moves to come into view.
struct SlideStart {
    Point pos;  // top-left corner, just outside the work area
    Point step; // one tick's move into the work area
    friend bool operator==(const SlideStart&, const SlideStart&) = default;
};
SlideStart slideStartFor(unsigned taskbarEdge, const Rect& workArea, int width,
                         int height) noexcept;

// The motion period: one pixel of the popup's height per period, so a whole
// slide takes slideMs. Never below 1 ms, since a timer of 0 would spin.
int slidePeriodMs(int slideMs, int height) noexcept;
// The period of a fast slide-out: a tenth of the normal one, at least 1 ms.
int fastPeriodMs(int periodMs) noexcept;

// Whether the system can say that a screen saver runs: Windows 98, Me, 2000
// and later (version class 32 or more), but not NT 4.0 (class 64).
bool canAskScreenSaver(int windowsClass) noexcept;

// The style the popup slides with: only WS_VISIBLE survives of the high
// sixteen bits, WS_POPUP | WS_BORDER are set, the low sixteen are kept.
std::uint32_t slideStyle(std::uint32_t style) noexcept;
// No taskbar button and no Alt+Tab entry.
std::uint32_t toolWindowExStyle(std::uint32_t exStyle) noexcept;

// The whole of r lies inside area (an empty r never does).
bool liesInside(const Rect& r, const Rect& area) noexcept;
// r and area share at least one pixel.
bool touches(const Rect& r, const Rect& area) noexcept;

class CSlideDlg : public WindowHandler {
public:
    enum State : int { kIdle = 0, kSlidingIn = 1, kStaying = 2, kSlidingOut = 3 };
    static constexpr unsigned kMotionTimer = 301;
    static constexpr unsigned kStayTimer = 302;
    // SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER: the
    // popup must never take the focus from what the user is doing.
    static constexpr unsigned kMoveFlags =
        kSwpNoSize | kSwpNoActivate | kSwpShowWindow | kSwpNoOwnerZOrder;

    explicit CSlideDlg(COrbelApp& app);
    // Destroys the window if it still exists.
    ~CSlideDlg() override;
    CSlideDlg(const CSlideDlg&) = delete;
    CSlideDlg& operator=(const CSlideDlg&) = delete;

    // Stores the durations and starts a cycle from idle: 0 when a cycle was
    // started or is already running, -1 when no start position was found.
    int start(int slideMs, int stayMs);

    // The steps of a cycle; start and the window's messages run them.
    bool prepareStart();
    void beginSlideIn();
    void beginStay();
    void beginSlideOut(bool fast);
    void hide();
    bool isScreenSaverRunning();

    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;

    Hwnd hwnd() const { return m_hwnd; }
    int state() const { return m_state; }
    Point curStep() const { return m_curStep; }
    Point baseStep() const { return m_baseStep; }
    const Rect& windowRect() const { return m_windowRect; }
    const Rect& workArea() const { return m_workArea; }
    int slideMs() const { return m_slideMs; }
    int stayMs() const { return m_stayMs; }
    int periodMs() const { return m_periodMs; }

protected:
    // kWmInitDialog: makes the popup a tool window. Derived classes call this
    // first and add their own; the answer is the dialog's (0: focus set).
    virtual LResult onInitDialog(Hwnd hwnd);
    // The window is gone (kWmDestroy); timers went with it.
    virtual void onDestroy();
    // Destroys the window now; safe to call when there is none.
    void destroyPopupWindow();

    COrbelApp& m_app;
    Hwnd m_hwnd{};

private:
    void onTimer(unsigned id);
    void moveTo(Hwnd anchor);
    void offsetWindowRect(int dx, int dy);

    Point m_curStep;
    Point m_baseStep;
    Rect m_windowRect;
    Rect m_workArea;
    int m_state = kIdle;
    int m_slideMs = 1000;
    int m_stayMs = 1000;
    int m_periodMs = 100;
};

} // namespace orbel
