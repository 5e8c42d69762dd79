// The Linux port: the core's port interface on Qt 6 Widgets.
//
// Windows are a registry of Hwnd -> QtWindow (a QWidget plus the core's
// handler); messages posted from any thread travel as Qt events to the UI
// thread and reach the handler there. Multimedia timers run on the shared
// TimerService thread; window timers are QTimers on the UI thread. Texts
// arrive as CP932 and are converted to UTF-8 here, at the boundary.
//
// Split by concern: qtWindows.cpp (registry, messages, modal loops, window
// timers, message boxes), qtSystem.cpp (clock, timers, module, lock file,
// locale, libraries, versions, errors, paths), qtShell.cpp (tray, menus,
// desktop, notification methods), qtControls.cpp (dialogs from templates,
// controls, surfaces, property sheets, version data), qtIcons.cpp (icons
// and fonts).
#pragma once

#include "app/port.h"
#include "common/timerService.h"
#include "res/dialogs.h"

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>

class QEventLoop;
class QMenu;
class QScreen;
class QSystemTrayIcon;
class QTimer;

namespace orbel::qt {

// One window the port made for the core.
struct QtWindow {
    WindowHandler* handler = nullptr;
    QPointer<QWidget> widget;
    unsigned templateId = 0;
    Hwnd parent{};
    // Modal run state.
    QEventLoop* loop = nullptr;
    bool ended = false;
    LResult result = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::map<unsigned, QTimer*> timers;
    // Controls by id (filled by the dialog builder).
    std::map<int, QPointer<QWidget>> controls;
};

class QtPort : public QObject, public Port {
    Q_OBJECT
public:
    QtPort();
    ~QtPort() override;

    // The window of an Hwnd on the UI thread; null when it is gone.
    QtWindow* window(Hwnd hwnd);
    // The main window (template 102), where system events are posted.
    Hwnd mainWindow() const;
    // Delivers a message to a window's handler now (UI thread).
    LResult deliver(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam);
    // Runs fn on the UI thread and waits for it (runs at once there).
    void runOnUiThread(const std::function<void()>& fn);
    bool onUiThread() const;

    // --- ClockPort (qtSystem.cpp) ------------------------------------------
    std::time_t time() override;
    void sleep(unsigned ms) override;
    unsigned timeGetDevCaps(TimeCaps& caps) override;
    unsigned timeBeginPeriod(unsigned ms) override;
    unsigned timeEndPeriod(unsigned ms) override;
    unsigned timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc, void* user,
                          unsigned flags) override;
    unsigned timeKillEvent(unsigned id) override;

    // --- WindowPort (qtWindows.cpp) ----------------------------------------
    LResult doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) override;
    void endDialog(Hwnd hwnd, LResult result) override;
    bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    LResult sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    unsigned registerWindowMessage(std::string_view name) override;
    int messageBox(Hwnd owner, std::string_view text, std::string_view caption,
                   unsigned type) override;

    // --- SystemPort (qtSystem.cpp) -----------------------------------------
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

    // --- ShellPort (qtShell.cpp) -------------------------------------------
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
    bool canPlaceWindows() override; // qtPlatform.cpp

    // --- DialogPort (qtWindows.cpp, qtIcons.cpp) ---------------------------
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

    // --- ControlPort (qtControls.cpp) --------------------------------------
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

    // --- helpers shared by the files of the port ---------------------------
    // Builds the widgets of a template into a window (qtControls.cpp).
    QWidget* buildDialog(unsigned templateId, Hwnd hwnd, QtWindow& window, QWidget* parent);
    // A QIcon of a handle (qtIcons.cpp); null icon when unknown.
    QIcon qicon(HIcon icon) const;
    // Adds an image to the icon registry, and takes one out (false when the
    // handle is unknown) (qtIcons.cpp; loadImage/destroyIcon use them).
    HIcon addIcon(const gfx::IconImage& image);
    bool removeIcon(HIcon icon);
    // Starts the watchers of the system clock, the screens, the quit
    // signals and the session's end; main() calls it once before the core
    // starts (qtSystemWatchers.cpp).
    void startSystemWatchers();
    // Ends the program the way the tray menu's Exit does; `signal` is the
    // signal that asked, 0 for the desktop session (qtSystemWatchers.cpp).
    void requestQuit(int signal);
    // Registers a window and returns its handle (qtWindows.cpp).
    Hwnd addWindow(QtWindow window);
    void removeWindow(Hwnd hwnd);
    // How long a caption flash lasts: one second; tests shorten it
    // (qtShellDesktop.cpp).
    void setFlashDuration(std::chrono::milliseconds duration);

protected:
    bool event(QEvent* e) override;

private:
    const QScreen* trayScreen();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace orbel::qt
