// The recording fake port for tests.
//
// Every port call is appended to a call log in order ("name(args)"), and the
// answers are scripted through public fields. Time never moves by itself:
// tests set the Earth clock, fire timers by hand and drive modal loops with
// an idle hook. Timers can instead be handed to a real TimerService for
// thread tests.
#pragma once

#include "app/port.h"
#include "res/dialogs.h"

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace orbel {

class TimerService;

class FakePort : public Port {
public:
    FakePort();
    ~FakePort() override;

    // --- the call log ---------------------------------------------------
    std::vector<std::string> calls() const;
    void clearCalls();
    // Calls whose text starts with prefix, in order.
    std::vector<std::string> callsStartingWith(std::string_view prefix) const;

    // --- scripted answers -------------------------------------------------
    std::time_t now = 1796515200; // 2026-12-06T00:00:00Z
    unsigned devCapsResult = kTimerNoError;
    TimeCaps devCaps{1, 1000000};
    unsigned beginPeriodResult = kTimerNoError;
    // timeSetEvent fails (returns 0) for timers with these delays.
    std::set<unsigned> failingTimerDelays;
    std::optional<std::string> moduleFileName = std::string("/opt/orbel/orbel.exe");
    std::set<std::string> mutexesHeldElsewhere;
    std::set<std::string> missingLibraries;
    bool extensionRegistrationFails = false;
    bool shellHasDllGetVersion = true;
    DllVersionInfo shellVersion{6, 0, 0, 0};
    long dllGetVersionResult = 0;
    bool versionQueryFails = false;
    bool extendedVersionQueryFails = false;
    OsVersionInfo osVersion{6, 1, 7601, kVerPlatformWin32Nt, kVerNtWorkstation};
    std::set<unsigned> missingIcons;
    unsigned lastError = 0;
    std::map<unsigned, std::string> errorTexts;
    // Runs when a modal loop has no message left; return false to end the
    // innermost modal loop with -1 (a test that forgets to end it can't hang).
    std::function<bool(FakePort&)> onIdle;

    // --- what happened ----------------------------------------------------
    struct Timer {
        unsigned id;
        unsigned delayMs;
        TimerProc proc;
        void* user;
        bool periodic;
    };
    std::vector<Timer> activeTimers() const;
    // The live timer with this delay, if any.
    std::optional<Timer> timerWithDelay(unsigned delayMs) const;
    // Runs a timer's callback on the calling thread; false if it is not live.
    bool fireTimer(unsigned id);
    unsigned sleptMs() const;

    struct Posted {
        Hwnd hwnd;
        unsigned msg;
        WParam wParam;
        LParam lParam;
    };
    // Messages posted and not yet delivered by a modal loop.
    std::vector<Posted> pendingMessages() const;
    std::vector<Posted> postedMessages() const; // every post ever made
    struct Box {
        std::string text;
        std::string caption;
        unsigned type;
    };
    std::vector<Box> messageBoxes() const;
    // Hands timers to a real timer service (for thread tests); null undoes.
    void useTimerService(TimerService* service);
    // Delivers queued messages outside a modal loop; returns how many.
    int pumpMessages();

    // --- shell and desktop scripting ---------------------------------------
    // Answers of shellNotifyIcon in turn (true when the list is empty); a
    // false answer sets the last error to shellNotifyError.
    std::vector<bool> shellNotifyAnswers;
    unsigned shellNotifyError = kErrorTimeout;
    struct NotifyCall {
        unsigned message;
        std::uint32_t cbSize;
        bool oldForm;
        NotifyIconDataNew data; // the old form's fields copied over
    };
    std::vector<NotifyCall> notifyCalls() const;
    std::optional<Rect> iconRect;          // notifyIconRect's answer
    bool hostReportsHover = true;          // false: a StatusNotifierItem host
    std::optional<Point> cursor = Point{}; // nullopt: GetCursorPos fails
    std::map<std::string, Hwnd> topWindows;
    std::map<std::pair<Hwnd, std::string>, Hwnd> childWindows;
    std::map<Hwnd, Rect> windowRects;     // for windows the fake did not create
    std::map<Hwnd, Point> clientOrigins;  // screenToClient subtracts these
    // Messages sent to windows the fake did not create (a tray toolbar).
    std::function<LResult(Hwnd, unsigned, WParam, LParam)> foreignWindowProc;
    Hwnd foreground{};
    unsigned menuChoice = 0; // posted as kWmCommand by trackPopupMenu
    struct MenuCall {
        res::MenuItem popup;
        unsigned defaultCommand;
        Point at;
        Hwnd owner;
    };
    std::vector<MenuCall> menuCalls() const;
    std::optional<Rect> taskbarRect = Rect{0, 1040, 1920, 1080};
    std::optional<Rect> workArea = Rect{0, 0, 1920, 1040};
    std::optional<bool> screenSaverRunning = false; // nullopt: the query fails
    // What a missing tool or sound file gets: ShellExecute's small error
    // code (2, file not found) and a PlaySound that returns false.
    std::intptr_t shellExecuteResult = 33;
    bool playSoundFails = false;
    bool placesWindows = true; // false: a compositor that places windows itself

    // --- dialogs and icons ------------------------------------------------
    bool createDialogFails = false;
    bool boldFontFails = false;
    int dialogWidth = 300; // pixel size of every created dialog
    int dialogHeight = 80;
    // Renders loadImage's icons; by default a plain square per id.
    std::function<gfx::IconImage(unsigned id, int cx, int cy)> iconSource;
    bool iconCreationFails = false;
    struct WindowState {
        bool visible = false;
        bool iconic = false; // tests minimise a window by setting this
        std::uint32_t style = 0;
        std::uint32_t exStyle = 0;
        Rect rect;
        Hwnd insertAfter{};
        std::map<int, std::string> texts;
        std::set<unsigned> timers;
        std::map<unsigned, unsigned> timerPeriods;
    };
    std::optional<WindowState> windowState(Hwnd hwnd) const;
    // Delivers kWmTimer for a live window timer; false if it is not set.
    bool fireWindowTimer(Hwnd hwnd, unsigned id);
    std::size_t liveIcons() const;
    std::optional<gfx::IconImage> iconImage(HIcon icon) const;

    // --- ClockPort --------------------------------------------------------
    std::time_t time() override;
    void sleep(unsigned ms) override;
    unsigned timeGetDevCaps(TimeCaps& caps) override;
    unsigned timeBeginPeriod(unsigned ms) override;
    unsigned timeEndPeriod(unsigned ms) override;
    unsigned timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc, void* user,
                          unsigned flags) override;
    unsigned timeKillEvent(unsigned id) override;

    // --- WindowPort -------------------------------------------------------
    LResult doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) override;
    void endDialog(Hwnd hwnd, LResult result) override;
    bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    LResult sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    unsigned registerWindowMessage(std::string_view name) override;
    int messageBox(Hwnd owner, std::string_view text, std::string_view caption,
                   unsigned type) override;

    // --- SystemPort -------------------------------------------------------
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

    // --- ShellPort ----------------------------------------------------------
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
    bool canPlaceWindows() override { return placesWindows; }

    // --- DialogPort -------------------------------------------------------
    Hwnd createDialog(unsigned templateId, Hwnd parent, WindowHandler& handler) override;
    bool destroyWindow(Hwnd hwnd) override;
    bool isWindow(Hwnd hwnd) override;
    bool isIconic(Hwnd hwnd) override;
    bool getClientRect(Hwnd hwnd, Rect& rect) override;
    bool drawIcon(Hwnd hwnd, Point at, HIcon icon) override;
    void setIconic(Hwnd hwnd, bool iconic);
    // Delivers a message and answers the handler's own result, where
    // sendMessage answers what the system would (kDefaultProcessing as 0).
    LResult handlerResult(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam);
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


    // ===== Controls, surfaces, property sheets, version resource ============
    // (ControlPort; fakeControls.cpp)
    //
    // Every window the fake creates from a template that res/dialogs.h knows
    // gets in-memory controls built from it. One dialog unit is
    // kFakeDluPixels pixels both ways, so a control at 7,7 20x20 sits at
    // (14,14)-(54,54) in the dialog's client area. Windows of doModal and the
    // pages of propertySheet measure their template's size x kFakeDluPixels;
    // createDialog's windows keep the scripted dialogWidth x dialogHeight
    // (the popup's slide tests are written against that size).
    static constexpr int kFakeDluPixels = 2;

    struct ComboItem {
        std::string text;
        LParam data = 0;
    };
    struct ControlState {
        res::ControlKind kind = res::ControlKind::Static;
        std::string text;
        bool visible = true;
        bool enabled = true;
        bool checked = false;
        std::vector<ComboItem> items;
        int curSel = -1; // -1: no selection
        bool scrollBarShown = false;
        // Month calendar: selection (initially the local date of `now` when
        // the window was made), range (0,0: none), first day of week (-1:
        // the locale's) and colours by part (kMcsc*).
        SystemDate calSel;
        std::time_t calMin = 0;
        std::time_t calMax = 0;
        int firstDayOfWeek = -1;
        std::map<int, std::uint32_t> calColors;
        Rect rect; // pixels, in the dialog's client coordinates
        HIcon icon{};
        HFont font{}; // the dialog's font until kWmSetFont changes it
    };
    // The height getTextLineHeight answers for any control; nullopt plays a
    // control whose font cannot be selected.
    std::optional<int> lineHeight = 12;
    // Insertions into combo boxes are counted over the port's life: the
    // first n succeed and every later one returns kCbErr.
    std::optional<int> comboInsertFailsAfter;

    std::optional<ControlState> controlState(Hwnd dialog, int id) const;
    std::string windowText(Hwnd hwnd) const; // the caption
    // Live windows made from a template, oldest first.
    std::vector<Hwnd> windowsOfTemplate(unsigned templateId) const;
    // What a user does, delivered straight to the dialog's handler as the
    // control would: kWmCommand with (code << 16) | id, or kWmNotify.
    // selectComboItem with an index out of range leaves no selection.
    void selectComboItem(Hwnd dialog, int id, int index);
    void setMonthCalSel(Hwnd dialog, int id, SystemDate date);
    void clickCheck(Hwnd dialog, int id);  // toggles, then BN_CLICKED
    // Checks it and unchecks the other radios of its group (from a
    // groupStart radio to the next one or the next non-radio), then
    // BN_CLICKED.
    void clickRadio(Hwnd dialog, int id);

    struct DrawnText {
        std::string text;
        Rect rect;
        bool bold = false;
        bool fill = false; // a fill of part of the surface: no text, only its rect
        friend bool operator==(const DrawnText&, const DrawnText&) = default;
    };
    // What was drawn on a surface since its last fill of the whole surface,
    // in order, fills of a part of it included.
    std::vector<DrawnText> surfaceTexts(HSurface surface) const;
    struct Blit {
        Hwnd hwnd;
        HSurface surface;
        Point at;
        // The surface's texts at the moment of the copy: a copy taken in the
        // middle of a redraw shows fewer texts than a finished one.
        std::vector<DrawnText> texts;
        int fills = 0; // whole-surface fills the surface had seen by then
    };
    std::vector<Blit> blits() const;
    std::size_t liveSurfaces() const;

    // propertySheet creates page 0, then the other pages listed here (the
    // pages the user opens), calls onSheet with every page's window (null
    // for pages not created) and ends with sheetResult.
    std::set<int> sheetOpensPages;
    std::function<void(FakePort&, const std::vector<Hwnd>& pageWindows)> onSheet;
    LResult sheetResult = kIdOk;

    // The version resource: sub-block path ("\VarFileInfo\Translation",
    // "\StringFileInfo\041104b0\FileVersion") -> value bytes.
    std::map<std::string, std::string> versionValues;
    bool versionInfoMissing = false;

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
    // ===== end of the ControlPort block ======================================

protected:
    void record(std::string call);
    std::string moduleName(HModule module) const;

private:
    struct Window {
        WindowHandler* handler;
        bool ended = false;
        LResult result = 0;
        WindowState state;
    };
    bool notify(unsigned message, const NotifyCall& call);
    bool deliverOne();

    mutable std::recursive_mutex m_mutex;
    std::vector<std::string> m_calls;
    std::map<unsigned, Timer> m_timers;
    unsigned m_nextTimerId = 1;
    unsigned m_sleptMs = 0;
    std::map<Hwnd, Window> m_windows;
    std::uintptr_t m_nextHandle = 0x100;
    std::vector<Posted> m_queue;
    std::vector<Posted> m_posted;
    std::vector<Box> m_boxes;
    std::map<std::string, unsigned> m_registered;
    std::map<HMutex, std::string> m_mutexes;
    std::set<HMutex> m_lockedMutexes;
    std::map<HModule, std::string> m_modules;
    TimerService* m_service = nullptr;
    std::vector<NotifyCall> m_notifyCalls;
    std::vector<MenuCall> m_menuCalls;
    std::map<HIcon, gfx::IconImage> m_icons;
    std::set<HFont> m_fonts;

    // ===== ControlPort state (fakeControls.cpp) =============================
    struct DialogData {
        unsigned templateId = 0;
        Hwnd parent{};
        std::string caption;
        HFont font{};
        std::vector<int> order; // control ids in template order
        std::map<int, ControlState> controls;
    };
    struct Surface {
        int width = 0;
        int height = 0;
        int fills = 0;
        std::vector<DrawnText> texts;
    };
    // Under m_mutex: gives a new window its template's controls, and
    // forgets them when the window goes.
    void attachTemplate(Hwnd hwnd, unsigned templateId, Hwnd parent);
    void detachTemplate(Hwnd hwnd);
    ControlState* findControl(Hwnd dialog, int id);
    LResult controlMessage(ControlState& c, unsigned msg, WParam wParam, LParam lParam);
    void deliver(Hwnd dialog, unsigned msg, WParam wParam, LParam lParam);
    Hwnd createPage(const PropertyPage& page, Hwnd sheet);

    std::map<Hwnd, DialogData> m_dialogs;
    std::map<HSurface, Surface> m_surfaces;
    std::vector<Blit> m_blits;
    int m_comboInserts = 0;
    // ===== end of ControlPort state =========================================
};

} // namespace orbel
