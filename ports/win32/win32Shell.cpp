// The tray, the shell and the desktop around it.
#include "ports/win32/win32Native.h"

#include "tray/notifyIconData.h"

#include <algorithm>
#include <cstring>

namespace orbel::win32 {

namespace {

// The record's texts: CP932 up to the terminator, into the wide field.
template <std::size_t N, std::size_t M>
void putText(wchar_t (&dst)[N], const char (&src)[M]) {
    const std::wstring w = wide(std::string_view(src, strnlen(src, M)));
    const std::size_t n = std::min(w.size(), N - 1);
    std::wmemcpy(dst, w.data(), n);
    dst[n] = L'\0';
}

NOTIFYICONDATAW head(std::uint32_t cbSize, Hwnd hwnd, std::uint32_t id, std::uint32_t flags,
                     std::uint32_t callback, HIcon icon) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = cbSize;
    nid.hWnd = native(hwnd);
    nid.uID = id;
    nid.uFlags = flags;
    nid.uCallbackMessage = callback;
    nid.hIcon = native(icon);
    return nid;
}

HMENU buildMenu(const res::MenuItem& popup) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    for (const res::MenuItem& item : popup.children) {
        if (item.isSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!item.children.empty()) {
            HMENU sub = buildMenu(item);
            if (sub)
                AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                            wide(item.text).c_str());
        } else {
            AppendMenuW(menu, MF_STRING, item.id, wide(item.text).c_str());
        }
    }
    return menu;
}

} // namespace

std::uint32_t notifyIconWideSize(std::uint32_t formSize) {
    // The shell tells the record's version by its size; the wide records of
    // the three versions have their own sizes.
    if (formSize == kNotifyIconSizeOld) return NOTIFYICONDATAW_V1_SIZE;
    if (formSize == kNotifyIconSizeV5) return NOTIFYICONDATAW_V2_SIZE;
    return sizeof(NOTIFYICONDATAW);
}

NOTIFYICONDATAW toNative(const NotifyIconDataOld& form) {
    NOTIFYICONDATAW nid = head(notifyIconWideSize(form.cbSize), form.hWnd, form.uID, form.uFlags,
                               form.uCallbackMessage, form.hIcon);
    putText(nid.szTip, form.szTip);
    return nid;
}

NOTIFYICONDATAW toNative(const NotifyIconDataNew& form) {
    NOTIFYICONDATAW nid = head(notifyIconWideSize(form.cbSize), form.hWnd, form.uID, form.uFlags,
                               form.uCallbackMessage, form.hIcon);
    putText(nid.szTip, form.szTip);
    nid.dwState = form.dwState;
    nid.dwStateMask = form.dwStateMask;
    putText(nid.szInfo, form.szInfo);
    nid.uTimeout = form.uTimeout;
    putText(nid.szInfoTitle, form.szInfoTitle);
    nid.dwInfoFlags = form.dwInfoFlags;
    if (form.cbSize != kNotifyIconSizeOld && form.cbSize != kNotifyIconSizeV5)
        std::memcpy(&nid.guidItem, form.guidItem, sizeof form.guidItem);
    return nid;
}

bool Win32Port::shellNotifyIcon(unsigned message, const NotifyIconDataOld& form) {
    NOTIFYICONDATAW nid = toNative(form);
    return Shell_NotifyIconW(message, &nid) != 0;
}

bool Win32Port::shellNotifyIcon(unsigned message, const NotifyIconDataNew& form) {
    NOTIFYICONDATAW nid = toNative(form);
    return Shell_NotifyIconW(message, &nid) != 0;
}

// The taskbar's notification area is a toolbar of equal buttons: the core
// finds the icon's place from it.
std::optional<Rect> Win32Port::notifyIconRect() { return std::nullopt; }
// Every Windows shell sends WM_MOUSEMOVE over its icons.
bool Win32Port::trayHostReportsHover() { return true; }

bool Win32Port::getCursorPos(Point& pt) {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    pt = Point{p.x, p.y};
    return true;
}

Hwnd Win32Port::findWindow(std::string_view className) {
    return handle(FindWindowW(wide(className).c_str(), nullptr));
}

Hwnd Win32Port::findWindowEx(Hwnd parent, std::string_view className) {
    return handle(FindWindowExW(native(parent), nullptr, wide(className).c_str(), nullptr));
}

bool Win32Port::getWindowRect(Hwnd hwnd, Rect& rect) {
    RECT r{};
    if (!GetWindowRect(native(hwnd), &r)) return false;
    rect = fromNative(r);
    return true;
}

bool Win32Port::screenToClient(Hwnd hwnd, Point& pt) {
    POINT p{pt.x, pt.y};
    if (!ScreenToClient(native(hwnd), &p)) return false;
    pt = Point{p.x, p.y};
    return true;
}

bool Win32Port::setForegroundWindow(Hwnd hwnd) { return SetForegroundWindow(native(hwnd)) != 0; }

Hwnd Win32Port::getForegroundWindow() { return handle(GetForegroundWindow()); }

bool Win32Port::flashWindow(Hwnd hwnd, bool invert) {
    return FlashWindow(native(hwnd), invert ? TRUE : FALSE) != 0;
}

bool Win32Port::trackPopupMenu(const res::MenuItem& popup, unsigned defaultCommand,
                               unsigned flags, Point at, Hwnd owner) {
    HMENU menu = buildMenu(popup);
    if (!menu) return false;
    SetMenuDefaultItem(menu, defaultCommand, FALSE);
    const BOOL ok = TrackPopupMenu(menu, flags, at.x, at.y, 0, native(owner), nullptr);
    DestroyMenu(menu); // takes its submenus with it
    return ok != 0;
}

bool Win32Port::appendSystemMenuItem(Hwnd hwnd, unsigned command, std::string_view text) {
    HMENU menu = GetSystemMenu(native(hwnd), FALSE);
    if (!menu) return false;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    return AppendMenuW(menu, MF_STRING, command, wide(text).c_str()) != 0;
}

bool Win32Port::getTaskbarPos(Hwnd taskbar, Rect& rect) {
    APPBARDATA abd{};
    abd.cbSize = sizeof abd;
    abd.hWnd = native(taskbar);
    if (!SHAppBarMessage(ABM_GETTASKBARPOS, &abd)) return false;
    rect = fromNative(abd.rc);
    return true;
}

bool Win32Port::getWorkArea(Rect& rect) {
    RECT r{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return false;
    rect = fromNative(r);
    return true;
}

bool Win32Port::getScreenSaverRunning(bool& running) {
    BOOL on = FALSE;
    if (!SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &on, 0)) return false;
    running = on != FALSE;
    return true;
}

unsigned Win32Port::mciSendString(std::string_view command) {
    return mciSendStringW(wide(command).c_str(), nullptr, 0, nullptr);
}

std::intptr_t Win32Port::shellExecute(Hwnd owner, std::string_view verb, std::string_view file,
                                      std::string_view parameters, std::string_view directory,
                                      int show) {
    const std::wstring v = wide(verb), f = wide(file), p = wide(parameters), d = wide(directory);
    return reinterpret_cast<std::intptr_t>(
        ShellExecuteW(native(owner), v.empty() ? nullptr : v.c_str(), f.c_str(),
                      p.empty() ? nullptr : p.c_str(), d.empty() ? nullptr : d.c_str(), show));
}

bool Win32Port::playSound(std::string_view file, unsigned flags) {
    return PlaySoundW(file.empty() ? nullptr : wide(file).c_str(), nullptr, flags) != 0;
}

} // namespace orbel::win32
