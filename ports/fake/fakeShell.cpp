// The fake port's shell, desktop, dialog and icon operations.
#include "ports/fake/fakePort.h"

#include <algorithm>
#include <cstring>

namespace orbel {

namespace {
std::string num(std::uintptr_t v) { return std::to_string(v); }
std::string num(Hwnd h) { return std::to_string(static_cast<std::uintptr_t>(h)); }
} // namespace

int FakePort::pumpMessages() {
    int n = 0;
    while (deliverOne()) ++n;
    return n;
}

std::vector<FakePort::NotifyCall> FakePort::notifyCalls() const {
    std::lock_guard lock(m_mutex);
    return m_notifyCalls;
}

std::vector<FakePort::MenuCall> FakePort::menuCalls() const {
    std::lock_guard lock(m_mutex);
    return m_menuCalls;
}

std::optional<FakePort::WindowState> FakePort::windowState(Hwnd hwnd) const {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return std::nullopt;
    return it->second.state;
}

std::size_t FakePort::liveIcons() const {
    std::lock_guard lock(m_mutex);
    return m_icons.size();
}

std::optional<gfx::IconImage> FakePort::iconImage(HIcon icon) const {
    std::lock_guard lock(m_mutex);
    auto it = m_icons.find(icon);
    if (it == m_icons.end()) return std::nullopt;
    return it->second;
}

bool FakePort::fireWindowTimer(Hwnd hwnd, unsigned id) {
    WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end() || !it->second.state.timers.count(id)) return false;
        handler = it->second.handler;
    }
    handler->windowProc(hwnd, kWmTimer, id, 0);
    return true;
}

// --- ShellPort ------------------------------------------------------------

bool FakePort::notify(unsigned message, const NotifyCall& call) {
    std::lock_guard lock(m_mutex);
    m_notifyCalls.push_back(call);
    m_calls.push_back("shellNotifyIcon(" + num(message) + ",cb=" + num(call.cbSize) + ")");
    bool ok = true;
    if (!shellNotifyAnswers.empty()) {
        ok = shellNotifyAnswers.front();
        shellNotifyAnswers.erase(shellNotifyAnswers.begin());
    }
    if (!ok) lastError = shellNotifyError;
    return ok;
}

bool FakePort::shellNotifyIcon(unsigned message, const NotifyIconDataOld& form) {
    NotifyCall call{message, form.cbSize, true, {}};
    call.data.cbSize = form.cbSize;
    call.data.hWnd = form.hWnd;
    call.data.uID = form.uID;
    call.data.uFlags = form.uFlags;
    call.data.uCallbackMessage = form.uCallbackMessage;
    call.data.hIcon = form.hIcon;
    std::memcpy(call.data.szTip, form.szTip, sizeof form.szTip);
    return notify(message, call);
}

bool FakePort::shellNotifyIcon(unsigned message, const NotifyIconDataNew& form) {
    return notify(message, NotifyCall{message, form.cbSize, false, form});
}

std::optional<Rect> FakePort::notifyIconRect() {
    std::lock_guard lock(m_mutex);
    return iconRect;
}

bool FakePort::trayHostReportsHover() {
    std::lock_guard lock(m_mutex);
    return hostReportsHover;
}

bool FakePort::getCursorPos(Point& pt) {
    std::lock_guard lock(m_mutex);
    if (!cursor) return false;
    pt = *cursor;
    return true;
}

Hwnd FakePort::findWindow(std::string_view className) {
    std::lock_guard lock(m_mutex);
    auto it = topWindows.find(std::string(className));
    return it == topWindows.end() ? Hwnd{} : it->second;
}

Hwnd FakePort::findWindowEx(Hwnd parent, std::string_view className) {
    std::lock_guard lock(m_mutex);
    auto it = childWindows.find({parent, std::string(className)});
    return it == childWindows.end() ? Hwnd{} : it->second;
}

bool FakePort::getWindowRect(Hwnd hwnd, Rect& rect) {
    std::lock_guard lock(m_mutex);
    if (auto w = m_windows.find(hwnd); w != m_windows.end()) {
        rect = w->second.state.rect;
        return true;
    }
    auto it = windowRects.find(hwnd);
    if (it == windowRects.end()) return false;
    rect = it->second;
    return true;
}

bool FakePort::screenToClient(Hwnd hwnd, Point& pt) {
    std::lock_guard lock(m_mutex);
    auto it = clientOrigins.find(hwnd);
    if (it == clientOrigins.end()) return false;
    pt.x -= it->second.x;
    pt.y -= it->second.y;
    return true;
}

bool FakePort::setForegroundWindow(Hwnd hwnd) {
    record("setForegroundWindow(" + num(hwnd) + ")");
    return true;
}

Hwnd FakePort::getForegroundWindow() {
    std::lock_guard lock(m_mutex);
    return foreground;
}

bool FakePort::flashWindow(Hwnd hwnd, bool invert) {
    record("flashWindow(" + num(hwnd) + (invert ? ",true)" : ",false)"));
    return true;
}

bool FakePort::trackPopupMenu(const res::MenuItem& popup, unsigned defaultCommand, unsigned flags,
                              Point at, Hwnd owner) {
    unsigned choice;
    {
        std::lock_guard lock(m_mutex);
        m_menuCalls.push_back(MenuCall{popup, defaultCommand, at, owner});
        m_calls.push_back("trackPopupMenu(flags=" + num(flags) + ")");
        choice = menuChoice;
    }
    if (choice != 0) postMessage(owner, kWmCommand, choice, 0);
    return true;
}

bool FakePort::appendSystemMenuItem(Hwnd hwnd, unsigned command, std::string_view text) {
    record("appendSystemMenuItem(" + num(hwnd) + "," + num(command) + "," + std::string(text) +
           ")");
    return true;
}

bool FakePort::getTaskbarPos(Hwnd, Rect& rect) {
    std::lock_guard lock(m_mutex);
    if (!taskbarRect) return false;
    rect = *taskbarRect;
    return true;
}

bool FakePort::getWorkArea(Rect& rect) {
    std::lock_guard lock(m_mutex);
    if (!workArea) return false;
    rect = *workArea;
    return true;
}

bool FakePort::getScreenSaverRunning(bool& running) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("getScreenSaverRunning");
    if (!screenSaverRunning) return false;
    running = *screenSaverRunning;
    return true;
}

unsigned FakePort::mciSendString(std::string_view command) {
    record("mciSendString(" + std::string(command) + ")");
    return 0;
}

std::intptr_t FakePort::shellExecute(Hwnd owner, std::string_view verb, std::string_view file,
                                     std::string_view parameters, std::string_view directory,
                                     int show) {
    record("shellExecute(" + num(owner) + "," + std::string(verb) + "," + std::string(file) +
           "," + std::string(parameters) + "," + std::string(directory) + "," +
           std::to_string(show) + ")");
    return shellExecuteResult;
}

bool FakePort::playSound(std::string_view file, unsigned flags) {
    record("playSound(" + std::string(file) + "," + num(flags) + ")");
    return !playSoundFails;
}

// --- DialogPort -----------------------------------------------------------

Hwnd FakePort::createDialog(unsigned templateId, Hwnd parent, WindowHandler& handler) {
    Hwnd hwnd{};
    {
        std::lock_guard lock(m_mutex);
        if (!createDialogFails) {
            hwnd = Hwnd{m_nextHandle++};
            Window w{&handler, false, 0, {}};
            w.state.rect = Rect{0, 0, dialogWidth, dialogHeight};
            m_windows[hwnd] = w;
            attachTemplate(hwnd, templateId, parent);
        }
        m_calls.push_back("createDialog(" + num(templateId) + ",parent=" + num(parent) + ")=" +
                          num(hwnd));
    }
    if (!isNull(hwnd)) handler.windowProc(hwnd, kWmInitDialog, 0, 0);
    return hwnd;
}

bool FakePort::destroyWindow(Hwnd hwnd) {
    WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("destroyWindow(" + num(hwnd) + ")");
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end()) return false;
        handler = it->second.handler;
    }
    handler->windowProc(hwnd, kWmDestroy, 0, 0);
    std::lock_guard lock(m_mutex);
    m_windows.erase(hwnd);
    detachTemplate(hwnd);
    std::erase_if(m_queue, [&](const Posted& p) { return p.hwnd == hwnd; });
    return true;
}

bool FakePort::isWindow(Hwnd hwnd) {
    std::lock_guard lock(m_mutex);
    return m_windows.count(hwnd) > 0;
}

bool FakePort::isIconic(Hwnd hwnd) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(hwnd);
    return it != m_windows.end() && it->second.state.iconic;
}

void FakePort::setIconic(Hwnd hwnd, bool iconic) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_windows.find(hwnd); it != m_windows.end()) it->second.state.iconic = iconic;
}

bool FakePort::getClientRect(Hwnd hwnd, Rect& rect) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return false;
    const Rect& r = it->second.state.rect;
    rect = Rect{0, 0, r.right - r.left, r.bottom - r.top};
    return true;
}

bool FakePort::drawIcon(Hwnd hwnd, Point at, HIcon icon) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("drawIcon(" + num(hwnd) + "," + std::to_string(at.x) + "," +
                      std::to_string(at.y) + "," + num(static_cast<std::uintptr_t>(icon)) + ")");
    return m_windows.count(hwnd) > 0;
}

bool FakePort::showWindow(Hwnd hwnd, unsigned command) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("showWindow(" + num(hwnd) + "," + num(command) + ")");
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return false;
    it->second.state.visible = command != kSwHide;
    return true;
}

bool FakePort::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                            unsigned flags) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("setWindowPos(" + num(hwnd) + ",after=" + num(insertAfter) + "," +
                      std::to_string(x) + "," + std::to_string(y) + ",flags=" + num(flags) + ")");
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return false;
    WindowState& st = it->second.state;
    const int w = (flags & kSwpNoSize) ? st.rect.right - st.rect.left : cx;
    const int h = (flags & kSwpNoSize) ? st.rect.bottom - st.rect.top : cy;
    st.rect = Rect{x, y, x + w, y + h};
    st.insertAfter = insertAfter;
    if (flags & kSwpShowWindow) st.visible = true;
    return true;
}

std::uint32_t FakePort::getWindowLong(Hwnd hwnd, int index) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return 0;
    return index == kGwlExStyle ? it->second.state.exStyle : it->second.state.style;
}

std::uint32_t FakePort::setWindowLong(Hwnd hwnd, int index, std::uint32_t value) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("setWindowLong(" + num(hwnd) + "," + std::to_string(index) + "," +
                      num(value) + ")");
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return 0;
    std::uint32_t& field =
        index == kGwlExStyle ? it->second.state.exStyle : it->second.state.style;
    const std::uint32_t old = field;
    field = value;
    return old;
}

bool FakePort::setTimer(Hwnd hwnd, unsigned id, unsigned ms) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("setTimer(" + num(hwnd) + "," + num(id) + "," + num(ms) + ")");
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return false;
    it->second.state.timers.insert(id);
    it->second.state.timerPeriods[id] = ms;
    return true;
}

bool FakePort::killTimer(Hwnd hwnd, unsigned id) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("killTimer(" + num(hwnd) + "," + num(id) + ")");
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return false;
    it->second.state.timerPeriods.erase(id);
    return it->second.state.timers.erase(id) > 0;
}

bool FakePort::setDlgItemText(Hwnd dialog, int controlId, std::string_view text) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(dialog);
    if (it == m_windows.end()) return false;
    it->second.state.texts[controlId] = std::string(text);
    if (ControlState* c = findControl(dialog, controlId)) {
        c->text = std::string(text);
        return true;
    }
    // A window built from a template has only its template's controls.
    return !m_dialogs.count(dialog) || !res::findDialogTemplate(m_dialogs[dialog].templateId);
}

HFont FakePort::createBoldFont(Hwnd dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("createBoldFont(" + num(dialog) + "," + std::to_string(controlId) + ")");
    if (boldFontFails || !m_windows.count(dialog)) return HFont{};
    const HFont f{m_nextHandle++};
    m_fonts.insert(f);
    return f;
}

void FakePort::deleteFont(HFont font) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("deleteFont(" + num(static_cast<std::uintptr_t>(font)) + ")");
    m_fonts.erase(font);
}

HIcon FakePort::createIconIndirect(const gfx::IconImage& image) {
    std::lock_guard lock(m_mutex);
    if (iconCreationFails || image.color.empty()) return HIcon{};
    const HIcon h{m_nextHandle++};
    m_icons[h] = image;
    return h;
}

bool FakePort::getIconInfo(HIcon icon, gfx::IconImage& image) {
    std::lock_guard lock(m_mutex);
    auto it = m_icons.find(icon);
    if (it == m_icons.end()) return false;
    image = it->second;
    return true;
}

} // namespace orbel
