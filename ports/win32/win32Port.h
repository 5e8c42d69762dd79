// The Windows port: the port interface as the Win32 calls it is named
// after, nearly one call each. Texts cross as UTF-16 converted from the
// program's CP932 at this boundary, so Japanese shows right whatever the
// system's ANSI code page. The program's windows are dialogs from the
// executable's resources whose dialog procedure hands every message to the
// core's handler (win32Windows.cpp). One object for the process, made by
// main on the UI thread; the operations marked "any thread" in app/port.h
// are safe from the multimedia timer thread.
#pragma once

#include "app/port.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace orbel::win32 {

class Win32Port final : public Port {
public:
    Win32Port();
    ~Win32Port() override;
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    // --- ClockPort (win32Clock.cpp)
    std::time_t time() override;
    void sleep(unsigned ms) override;
    unsigned timeGetDevCaps(TimeCaps& caps) override;
    unsigned timeBeginPeriod(unsigned ms) override;
    unsigned timeEndPeriod(unsigned ms) override;
    unsigned timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc, void* user,
                          unsigned flags) override;
    unsigned timeKillEvent(unsigned id) override;

    // --- WindowPort (win32Windows.cpp)
    LResult doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) override;
    void endDialog(Hwnd hwnd, LResult result) override;
    bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    LResult sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    unsigned registerWindowMessage(std::string_view name) override;
    int messageBox(Hwnd owner, std::string_view text, std::string_view caption,
                   unsigned type) override;

    // --- SystemPort (win32System.cpp)
    std::optional<std::string> getModuleFileName() override;
    HMutex createMutex(std::string_view name) override;
    bool tryLockMutex(HMutex mutex) override;
    void closeMutex(HMutex mutex) override;
    bool setJapaneseLocale() override;
    HModule loadLibrary(std::string_view name) override;
    void freeLibrary(HModule module) override;
    bool registerExtensionModule(HModule module) override;
    std::optional<long> callDllGetVersion(HModule module, DllVersionInfo& info) override;
    bool getVersionEx(OsVersionInfo& info, bool extended) override;
    int getSystemMetrics(int index) override;
    HIcon loadImage(HModule module, unsigned resourceId, unsigned type, int cx, int cy,
                    unsigned flags) override;
    bool destroyIcon(HIcon icon) override;
    unsigned getLastError() override;
    std::string formatMessage(unsigned code) override;
    std::filesystem::path nativePath(std::string_view path) override;

    // --- ShellPort (win32Shell.cpp)
    bool shellNotifyIcon(unsigned message, const NotifyIconDataOld& form) override;
    bool shellNotifyIcon(unsigned message, const NotifyIconDataNew& form) override;
    std::optional<Rect> notifyIconRect() override;
    bool trayHostReportsHover() override;
    bool getCursorPos(Point& pt) override;
    Hwnd findWindow(std::string_view className) override;
    Hwnd findWindowEx(Hwnd parent, std::string_view className) override;
    bool getWindowRect(Hwnd hwnd, Rect& rect) override;
    bool screenToClient(Hwnd hwnd, Point& pt) override;
    bool setForegroundWindow(Hwnd hwnd) override;
    Hwnd getForegroundWindow() override;
    bool flashWindow(Hwnd hwnd, bool invert) override;
    bool trackPopupMenu(const res::MenuItem& popup, unsigned defaultCommand, unsigned flags,
                        Point at, Hwnd owner) override;
    bool appendSystemMenuItem(Hwnd hwnd, unsigned command, std::string_view text) override;
    bool getTaskbarPos(Hwnd taskbar, Rect& rect) override;
    bool getWorkArea(Rect& rect) override;
    bool getScreenSaverRunning(bool& running) override;
    unsigned mciSendString(std::string_view command) override;
    std::intptr_t shellExecute(Hwnd owner, std::string_view verb, std::string_view file,
                               std::string_view parameters, std::string_view directory,
                               int show) override;
    bool playSound(std::string_view file, unsigned flags) override;

    // --- DialogPort (win32Windows.cpp, win32Icons.cpp)
    Hwnd createDialog(unsigned templateId, Hwnd parent, WindowHandler& handler) override;
    bool destroyWindow(Hwnd hwnd) override;
    bool isWindow(Hwnd hwnd) override;
    bool isIconic(Hwnd hwnd) override;
    bool getClientRect(Hwnd hwnd, Rect& rect) override;
    bool drawIcon(Hwnd hwnd, Point at, HIcon icon) override;
    bool showWindow(Hwnd hwnd, unsigned command) override;
    bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                      unsigned flags) override;
    std::uint32_t getWindowLong(Hwnd hwnd, int index) override;
    std::uint32_t setWindowLong(Hwnd hwnd, int index, std::uint32_t value) override;
    bool setTimer(Hwnd hwnd, unsigned id, unsigned ms) override;
    bool killTimer(Hwnd hwnd, unsigned id) override;
    bool setDlgItemText(Hwnd dialog, int controlId, std::string_view text) override;
    LResult sendDlgItemMessage(Hwnd dialog, int controlId, unsigned msg, WParam wParam,
                               LParam lParam) override;
    HFont createBoldFont(Hwnd dialog, int controlId) override;
    void deleteFont(HFont font) override;
    HIcon createIconIndirect(const gfx::IconImage& image) override;
    bool getIconInfo(HIcon icon, gfx::IconImage& image) override;

    // --- ControlPort (win32Controls.cpp, win32Surfaces.cpp, win32Sheet.cpp)
    bool setWindowText(Hwnd hwnd, std::string_view text) override;
    std::string getDlgItemText(Hwnd dialog, int controlId) override;
    bool hasDlgItem(Hwnd dialog, int controlId) override;
    bool showDlgItem(Hwnd dialog, int controlId, unsigned command) override;
    bool enableDlgItem(Hwnd dialog, int controlId, bool enable) override;
    bool getDlgItemRect(Hwnd dialog, int controlId, Rect& rect) override;
    bool moveDlgItem(Hwnd dialog, int controlId, const Rect& rect) override;
    bool moveWindow(Hwnd hwnd, const Rect& rect) override;
    Hwnd getParent(Hwnd hwnd) override;
    std::uint32_t getSysColor(int index) override;
    bool monthCalGetCurSel(Hwnd dialog, int controlId, SystemDate& date) override;
    bool monthCalSetRange(Hwnd dialog, int controlId, std::time_t min, std::time_t max) override;
    bool monthCalSetFirstDayOfWeek(Hwnd dialog, int controlId, int day) override;
    bool monthCalSetColor(Hwnd dialog, int controlId, int part, std::uint32_t color) override;
    std::optional<int> getTextLineHeight(Hwnd dialog, int controlId) override;
    bool getDlgItemClientRect(Hwnd dialog, int controlId, Rect& rect) override;
    bool showScrollBar(Hwnd dialog, int controlId, bool show) override;
    HSurface createSurface(Hwnd dialog, int width, int height) override;
    void destroySurface(HSurface surface) override;
    bool fillSurface(HSurface surface, const Rect& rect, std::uint32_t color) override;
    bool drawSurfaceText(HSurface surface, std::string_view text, const Rect& rect,
                         bool bold) override;
    bool invalidateRect(Hwnd hwnd, const Rect& rect, bool erase) override;
    bool blitSurface(Hwnd hwnd, HSurface surface, Point at) override;
    LResult propertySheet(std::string_view caption, const std::vector<PropertyPage>& pages,
                          unsigned flags) override;
    std::optional<std::string> getFileVersionInfo(std::string_view file) override;
    std::optional<std::string> verQueryValue(const std::string& block,
                                             std::string_view subBlock) override;

    struct Surface;
    // What timeSetEvent is handed as its user data: the core's callback
    // and its own user data, owned by the port until the timer is killed.
    struct TimerSlot {
        TimerProc proc = nullptr;
        void* user = nullptr;
        // A period longer than the timer device serves runs as `ticks`
        // shorter ones; the callback comes on every last one.
        unsigned ticks = 1;
        unsigned count = 0;
        bool periodic = true;
        bool done = false;
    };
    // The period to ask the device for and how many of it make `delayMs`
    // (the same delay when the device serves it).
    static std::pair<unsigned, unsigned> splitDelay(unsigned delayMs, unsigned maxPeriodMs);

private:
    std::shared_ptr<Surface> findSurface(HSurface surface);

    std::mutex m_surfaceMutex;
    std::map<HSurface, std::shared_ptr<Surface>> m_surfaces;
    std::uintptr_t m_nextSurface = 1;

    std::mutex m_timerMutex;
    std::map<unsigned, std::unique_ptr<TimerSlot>> m_timers;

    std::vector<HModule> m_extensionModules; // UI thread only
};

} // namespace orbel::win32
