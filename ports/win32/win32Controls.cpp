// Dialog controls by id, the month calendar and the result box's measures.
#include "ports/win32/win32Native.h"

#include <ctime>

namespace orbel::win32 {

namespace {

HWND item(Hwnd dialog, int controlId) { return GetDlgItem(native(dialog), controlId); }

bool toLocalSystemTime(std::time_t t, SYSTEMTIME& st) {
    std::tm tm{};
    if (localtime_s(&tm, &t) != 0) return false;
    st = SYSTEMTIME{};
    st.wYear = static_cast<WORD>(tm.tm_year + 1900);
    st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    st.wDay = static_cast<WORD>(tm.tm_mday);
    st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    st.wHour = static_cast<WORD>(tm.tm_hour);
    st.wMinute = static_cast<WORD>(tm.tm_min);
    st.wSecond = static_cast<WORD>(tm.tm_sec);
    return true;
}

} // namespace

bool Win32Port::setWindowText(Hwnd hwnd, std::string_view text) {
    return SetWindowTextW(native(hwnd), wide(text).c_str()) != 0;
}

std::string Win32Port::getDlgItemText(Hwnd dialog, int controlId) {
    HWND control = item(dialog, controlId);
    if (!control) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    const int n = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return narrow(text);
}

bool Win32Port::hasDlgItem(Hwnd dialog, int controlId) {
    return item(dialog, controlId) != nullptr;
}

bool Win32Port::showDlgItem(Hwnd dialog, int controlId, unsigned command) {
    HWND control = item(dialog, controlId);
    if (!control) return false;
    ShowWindow(control, static_cast<int>(command));
    return true;
}

bool Win32Port::enableDlgItem(Hwnd dialog, int controlId, bool enable) {
    HWND control = item(dialog, controlId);
    if (!control) return false;
    EnableWindow(control, enable ? TRUE : FALSE);
    return true;
}

bool Win32Port::getDlgItemRect(Hwnd dialog, int controlId, Rect& rect) {
    HWND control = item(dialog, controlId);
    RECT r{};
    if (!control || !GetWindowRect(control, &r)) return false;
    // Two points: the rectangle's corners in the dialog's client area.
    MapWindowPoints(nullptr, native(dialog), reinterpret_cast<POINT*>(&r), 2);
    rect = fromNative(r);
    return true;
}

bool Win32Port::moveDlgItem(Hwnd dialog, int controlId, const Rect& rect) {
    HWND control = item(dialog, controlId);
    return control && MoveWindow(control, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, TRUE) != 0;
}

bool Win32Port::moveWindow(Hwnd hwnd, const Rect& rect) {
    return MoveWindow(native(hwnd), rect.left, rect.top, rect.right - rect.left,
                      rect.bottom - rect.top, TRUE) != 0;
}

Hwnd Win32Port::getParent(Hwnd hwnd) { return handle(GetParent(native(hwnd))); }

std::uint32_t Win32Port::getSysColor(int index) { return GetSysColor(index); }

bool Win32Port::monthCalGetCurSel(Hwnd dialog, int controlId, SystemDate& date) {
    HWND control = item(dialog, controlId);
    SYSTEMTIME st{};
    if (!control || !MonthCal_GetCurSel(control, &st)) return false;
    date = SystemDate{st.wYear, st.wMonth, st.wDay};
    return true;
}

bool Win32Port::monthCalSetRange(Hwnd dialog, int controlId, std::time_t min, std::time_t max) {
    HWND control = item(dialog, controlId);
    SYSTEMTIME range[2];
    if (!control || !toLocalSystemTime(min, range[0]) || !toLocalSystemTime(max, range[1]))
        return false;
    return MonthCal_SetRange(control, GDTR_MIN | GDTR_MAX, range) != 0;
}

bool Win32Port::monthCalSetFirstDayOfWeek(Hwnd dialog, int controlId, int day) {
    HWND control = item(dialog, controlId);
    if (!control) return false;
    MonthCal_SetFirstDayOfWeek(control, day);
    return true;
}

bool Win32Port::monthCalSetColor(Hwnd dialog, int controlId, int part, std::uint32_t color) {
    HWND control = item(dialog, controlId);
    if (!control) return false;
    MonthCal_SetColor(control, part, color);
    return true;
}

std::optional<int> Win32Port::getTextLineHeight(Hwnd dialog, int controlId) {
    HWND control = item(dialog, controlId);
    if (!control) return std::nullopt;
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (!font) return std::nullopt;
    HDC dc = GetDC(control);
    if (!dc) return std::nullopt;
    std::optional<int> height;
    if (HGDIOBJ old = SelectObject(dc, font); old && old != HGDI_ERROR) {
        SIZE size{};
        if (GetTextExtentPoint32W(dc, L" ", 1, &size)) height = size.cy;
        SelectObject(dc, old);
    }
    ReleaseDC(control, dc);
    return height;
}

bool Win32Port::getDlgItemClientRect(Hwnd dialog, int controlId, Rect& rect) {
    HWND control = item(dialog, controlId);
    RECT r{};
    if (!control || !GetClientRect(control, &r)) return false;
    rect = fromNative(r);
    return true;
}

bool Win32Port::showScrollBar(Hwnd dialog, int controlId, bool show) {
    HWND control = item(dialog, controlId);
    return control && ShowScrollBar(control, SB_VERT, show ? TRUE : FALSE) != 0;
}

} // namespace orbel::win32
