// The port: the only way the core reaches the window system and the OS.
//
// Each operation is named after the Windows call it stands for, so the Win32
// port is a thin pass-through and the Qt port and the recording fake port
// implement the same contract. Texts crossing the port are CP932 bytes;
// ports convert at their own boundary. Grouped by concern; a port
// implements all groups by deriving from Port.
//
// Threads: unless noted, operations are called on the UI thread. Those marked
// "any thread" are also called from timer callbacks.
#pragma once

#include "app/winTypes.h"
#include "res/menu.h"
#include "tray/raster.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbel {

// A timer callback, as the multimedia timer API calls it: on the one timer
// thread, never two at a time.
using TimerProc = void (*)(unsigned id, void* user);

struct TimeCaps {
    unsigned periodMin = 0;
    unsigned periodMax = 0;
};

// The clock and the timers.
class ClockPort {
public:
    virtual ~ClockPort() = default;
    // The Earth clock, like time(nullptr). Any thread.
    virtual std::time_t time() = 0;
    // Blocks the calling thread (the tray retry waits between attempts).
    virtual void sleep(unsigned ms) = 0;
    // Multimedia timers. timeSetEvent returns 0 on failure. timeKillEvent
    // from another thread waits for a running callback of that timer; from
    // the timer thread it does not wait. Any thread.
    virtual unsigned timeGetDevCaps(TimeCaps& caps) = 0;
    virtual unsigned timeBeginPeriod(unsigned ms) = 0;
    virtual unsigned timeEndPeriod(unsigned ms) = 0;
    virtual unsigned timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc,
                                  void* user, unsigned flags) = 0;
    virtual unsigned timeKillEvent(unsigned id) = 0;
};

// Receives a window's messages; the core's windows implement it.
// A message it leaves to the system returns kDefaultProcessing.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) = 0;
};

// Windows and messages.
class WindowPort {
public:
    virtual ~WindowPort() = default;
    // Creates the dialog of a template, delivers kWmInitDialog, runs its modal
    // loop until endDialog, delivers kWmDestroy and returns the result.
    virtual LResult doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) = 0;
    virtual void endDialog(Hwnd hwnd, LResult result) = 0;
    // Any thread. False when the window is gone.
    virtual bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) = 0;
    // Any thread; waits until the window's thread has handled it.
    virtual LResult sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) = 0;
    virtual unsigned registerWindowMessage(std::string_view name) = 0;
    // Modal box; any thread (ports hand it to the UI thread).
    virtual int messageBox(Hwnd owner, std::string_view text, std::string_view caption,
                           unsigned type) = 0;
};

struct OsVersionInfo {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned platformId = 0;
    unsigned char productType = 0; // only in the extended answer
};

struct DllVersionInfo {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned platformId = 0;
};

// The system: module, single-instance mutex, locale, libraries, versions,
// icons, errors, file names.
class SystemPort {
public:
    virtual ~SystemPort() = default;
    // Full path of the running executable; nullopt when it cannot be read.
    virtual std::optional<std::string> getModuleFileName() = 0;
    // A named mutex, created not owned; tryLockMutex takes it without waiting.
    virtual HMutex createMutex(std::string_view name) = 0;
    virtual bool tryLockMutex(HMutex mutex) = 0;
    virtual void closeMutex(HMutex mutex) = 0;
    // setlocale(LC_ALL, "Japanese") or the platform's Japanese locale.
    virtual bool setJapaneseLocale() = 0;
    virtual HModule loadLibrary(std::string_view name) = 0;
    virtual void freeLibrary(HModule module) = 0;
    // Makes resource look-ups search the module too (false: out of memory).
    virtual bool registerExtensionModule(HModule module) = 0;
    // Calls the library's exported DllGetVersion; nullopt when it has no such
    // export, else the result code (negative is a failure).
    virtual std::optional<long> callDllGetVersion(HModule module, DllVersionInfo& info) = 0;
    // GetVersionEx with the basic (extended = false) or extended record.
    virtual bool getVersionEx(OsVersionInfo& info, bool extended) = 0;
    virtual int getSystemMetrics(int index) = 0;
    virtual HIcon loadImage(HModule module, unsigned resourceId, unsigned type, int cx, int cy,
                            unsigned flags) = 0;
    virtual bool destroyIcon(HIcon icon) = 0;
    // The calling thread's last error code and the system's text for a code
    // (CP932, as the system gives it; empty when it has none).
    virtual unsigned getLastError() = 0;
    virtual std::string formatMessage(unsigned code) = 0;
    // The native file name for a CP932 path.
    virtual std::filesystem::path nativePath(std::string_view path) = 0;
};

// The notification-area record in the two layouts the shell accepts: the
// old one (cbSize 88 on 32-bit Windows) and the full one (488 or 504).
struct NotifyIconDataOld {
    std::uint32_t cbSize = 0;
    Hwnd hWnd{};
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    HIcon hIcon{};
    char szTip[64] = {};
};

struct NotifyIconDataNew {
    std::uint32_t cbSize = 0;
    Hwnd hWnd{};
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    HIcon hIcon{};
    char szTip[128] = {};
    std::uint32_t dwState = 0;
    std::uint32_t dwStateMask = 0;
    char szInfo[256] = {};
    std::uint32_t uTimeout = 0;
    char szInfoTitle[64] = {};
    std::uint32_t dwInfoFlags = 0;
    std::uint8_t guidItem[16] = {};
};

// The tray, the shell and the desktop around it.
class ShellPort {
public:
    virtual ~ShellPort() = default;
    // Shell_NotifyIcon with either layout; the form's cbSize says which.
    // Any thread (the core serialises its uses).
    virtual bool shellNotifyIcon(unsigned message, const NotifyIconDataOld& form) = 0;
    virtual bool shellNotifyIcon(unsigned message, const NotifyIconDataNew& form) = 0;
    // Where the tray is not a toolbar of equal buttons, the port knows the
    // icon's screen rectangle itself; nullopt sends the core to the toolbar.
    virtual std::optional<Rect> notifyIconRect() = 0;
    // False where the tray host never says that the mouse is over the icon
    // nor where the icon is, and shows the tooltip text it last got
    // whenever it likes (StatusNotifierItem hosts): that text must then be
    // kept current without waiting for a hover.
    virtual bool trayHostReportsHover() = 0;
    virtual bool getCursorPos(Point& pt) = 0;
    virtual Hwnd findWindow(std::string_view className) = 0;
    virtual Hwnd findWindowEx(Hwnd parent, std::string_view className) = 0;
    virtual bool getWindowRect(Hwnd hwnd, Rect& rect) = 0;
    virtual bool screenToClient(Hwnd hwnd, Point& pt) = 0;
    virtual bool setForegroundWindow(Hwnd hwnd) = 0;
    virtual Hwnd getForegroundWindow() = 0;
    virtual bool flashWindow(Hwnd hwnd, bool invert) = 0;
    // Shows a popup menu; a chosen item is posted to the owner as
    // kWmCommand. The default item is shown bold.
    virtual bool trackPopupMenu(const res::MenuItem& popup, unsigned defaultCommand,
                                unsigned flags, Point at, Hwnd owner) = 0;
    // A separator and an item appended to the window's system menu.
    virtual bool appendSystemMenuItem(Hwnd hwnd, unsigned command, std::string_view text) = 0;
    // SHAppBarMessage(ABM_GETTASKBARPOS) and SystemParametersInfo.
    virtual bool getTaskbarPos(Hwnd taskbar, Rect& rect) = 0;
    virtual bool getWorkArea(Rect& rect) = 0;
    virtual bool getScreenSaverRunning(bool& running) = 0;
    // The notification methods; results are only informative.
    virtual unsigned mciSendString(std::string_view command) = 0;
    virtual std::intptr_t shellExecute(Hwnd owner, std::string_view verb, std::string_view file,
                                       std::string_view parameters, std::string_view directory,
                                       int show) = 0;
    virtual bool playSound(std::string_view file, unsigned flags) = 0;
    // Whether a window shows where setWindowPos puts it. A Wayland
    // compositor places windows itself, so the popup could not slide in at
    // its corner there; the core then announces through the balloon.
    virtual bool canPlaceWindows() { return true; }
};

// Modeless windows, their timers, styles, controls and icons.
class DialogPort {
public:
    virtual ~DialogPort() = default;
    // Creates a modeless dialog from a template (kWmInitDialog delivered);
    // null on failure.
    virtual Hwnd createDialog(unsigned templateId, Hwnd parent, WindowHandler& handler) = 0;
    virtual bool destroyWindow(Hwnd hwnd) = 0;
    virtual bool isWindow(Hwnd hwnd) = 0;
    // A minimised window, its client area, and an icon drawn into it while
    // it paints (the background under the icon erased first).
    virtual bool isIconic(Hwnd hwnd) = 0;
    virtual bool getClientRect(Hwnd hwnd, Rect& rect) = 0;
    virtual bool drawIcon(Hwnd hwnd, Point at, HIcon icon) = 0;
    virtual bool showWindow(Hwnd hwnd, unsigned command) = 0;
    virtual bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                              unsigned flags) = 0;
    virtual std::uint32_t getWindowLong(Hwnd hwnd, int index) = 0;
    virtual std::uint32_t setWindowLong(Hwnd hwnd, int index, std::uint32_t value) = 0;
    // Window timers: kWmTimer with the id arrives through the window's queue.
    virtual bool setTimer(Hwnd hwnd, unsigned id, unsigned ms) = 0;
    virtual bool killTimer(Hwnd hwnd, unsigned id) = 0;
    virtual bool setDlgItemText(Hwnd dialog, int controlId, std::string_view text) = 0;
    virtual LResult sendDlgItemMessage(Hwnd dialog, int controlId, unsigned msg, WParam wParam,
                                       LParam lParam) = 0;
    // The control's font made bold (weight 700); null when the control, its
    // font or its description cannot be had. The caller owns the font.
    virtual HFont createBoldFont(Hwnd dialog, int controlId) = 0;
    virtual void deleteFont(HFont font) = 0;
    // Icons from our own pixel surfaces, and back (copies).
    virtual HIcon createIconIndirect(const gfx::IconImage& image) = 0;
    virtual bool getIconInfo(HIcon icon, gfx::IconImage& image) = 0;
};

// A page of a property sheet: its template and the handler of its window.
struct PropertyPage {
    unsigned templateId = 0;
    WindowHandler* handler = nullptr;
};

// Dialog controls by numeric id, the off-screen surfaces of the detail
// window, property sheets and the version resource.
class ControlPort {
public:
    virtual ~ControlPort() = default;
    virtual bool setWindowText(Hwnd hwnd, std::string_view text) = 0;
    virtual std::string getDlgItemText(Hwnd dialog, int controlId) = 0;
    virtual bool hasDlgItem(Hwnd dialog, int controlId) = 0;
    // ShowWindow (kSwShow / kSwHide) and EnableWindow on a control.
    virtual bool showDlgItem(Hwnd dialog, int controlId, unsigned command) = 0;
    virtual bool enableDlgItem(Hwnd dialog, int controlId, bool enable) = 0;
    // A control's window rectangle in the dialog's client coordinates, and
    // moving it there (with repainting).
    virtual bool getDlgItemRect(Hwnd dialog, int controlId, Rect& rect) = 0;
    virtual bool moveDlgItem(Hwnd dialog, int controlId, const Rect& rect) = 0;
    // Moves a top-level window (screen coordinates), with repainting.
    virtual bool moveWindow(Hwnd hwnd, const Rect& rect) = 0;
    virtual Hwnd getParent(Hwnd hwnd) = 0;
    // GetSysColor, as 0x00BBGGRR.
    virtual std::uint32_t getSysColor(int index) = 0;
    // The month calendar control.
    virtual bool monthCalGetCurSel(Hwnd dialog, int controlId, SystemDate& date) = 0;
    virtual bool monthCalSetRange(Hwnd dialog, int controlId, std::time_t min, std::time_t max) = 0;
    virtual bool monthCalSetFirstDayOfWeek(Hwnd dialog, int controlId, int day) = 0;
    virtual bool monthCalSetColor(Hwnd dialog, int controlId, int part, std::uint32_t color) = 0;
    // The height of " " in the control's font; nullopt when it has no font
    // or the font cannot be selected. And its client rectangle.
    virtual std::optional<int> getTextLineHeight(Hwnd dialog, int controlId) = 0;
    virtual bool getDlgItemClientRect(Hwnd dialog, int controlId, Rect& rect) = 0;
    virtual bool showScrollBar(Hwnd dialog, int controlId, bool show) = 0;
    // Off-screen surfaces compatible with a dialog, drawn with its font.
    virtual HSurface createSurface(Hwnd dialog, int width, int height) = 0;
    virtual void destroySurface(HSurface surface) = 0;
    virtual bool fillSurface(HSurface surface, const Rect& rect, std::uint32_t color) = 0;
    // DrawText with DT_BOTTOM alone: top-left, breaks only at line breaks,
    // clipped to rect. Bold text uses the dialog font one unit larger and
    // weight 700. Any thread (the detail window draws on the timer thread).
    virtual bool drawSurfaceText(HSurface surface, std::string_view text, const Rect& rect,
                                 bool bold) = 0;
    virtual bool invalidateRect(Hwnd hwnd, const Rect& rect, bool erase) = 0;
    // Copies a whole surface into the window at a client point (WM_PAINT).
    virtual bool blitSurface(Hwnd hwnd, HSurface surface, Point at) = 0;
    // Runs a modal property sheet. Page 0 is created at once, the others
    // when first shown; on OK every created page gets kWmNotify with
    // kPsnApply before the sheet ends with kIdOk; Cancel ends it with
    // kIdCancel.
    virtual LResult propertySheet(std::string_view caption, const std::vector<PropertyPage>& pages,
                                  unsigned flags) = 0;
    // The version resource of a file and a value in it (VerQueryValue);
    // "\VarFileInfo\Translation" answers the raw language and code page
    // words, string values answer their text.
    virtual std::optional<std::string> getFileVersionInfo(std::string_view file) = 0;
    virtual std::optional<std::string> verQueryValue(const std::string& block,
                                                     std::string_view subBlock) = 0;
};

class Port : public ClockPort,
             public WindowPort,
             public SystemPort,
             public ShellPort,
             public DialogPort,
             public ControlPort {};

} // namespace orbel
