// Dialogs from the executable's resources and their messages. Every port
// window is a dialog whose procedure hands each message to the core's
// handler and turns its answer into what a dialog procedure returns:
// kDefaultProcessing is FALSE (the dialog manager's own handling), the few
// messages whose answer is the return value get it directly, and every
// other answer goes through DWLP_MSGRESULT.
#include "ports/win32/win32Native.h"

#include <cstddef>

namespace orbel::win32 {

// The core reads these records through its own declarations.
static_assert(sizeof(WindowPos) == sizeof(WINDOWPOS) &&
              offsetof(WindowPos, flags) == offsetof(WINDOWPOS, flags) &&
              offsetof(WindowPos, insertAfter) == offsetof(WINDOWPOS, hwndInsertAfter));
static_assert(sizeof(NmHdr) == sizeof(NMHDR) && offsetof(NmHdr, code) == offsetof(NMHDR, code) &&
              offsetof(NmHdr, idFrom) == offsetof(NMHDR, idFrom));

namespace {

struct PaintState {
    HWND hwnd = nullptr;
    HDC hdc = nullptr;
    PAINTSTRUCT ps{};
};
// A paint runs on the window's own thread; a nested one (a message box
// inside a paint) has its own state.
thread_local PaintState* t_paint = nullptr;

bool answersDirectly(UINT msg) {
    switch (msg) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return true;
    default:
        return false;
    }
}

INT_PTR dispatch(WindowHandler* handler, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!handler) return FALSE;
    LResult r = 0;
    if (msg == WM_PAINT) {
        PaintState paint{hwnd};
        PaintState* const outer = t_paint;
        t_paint = &paint;
        r = handler->windowProc(handle(hwnd), msg, wParam, lParam);
        t_paint = outer;
        if (!paint.hdc && r != kDefaultProcessing) {
            // Handled without drawing: the update region must still be
            // validated, or the paints would never stop coming.
            paint.hdc = BeginPaint(hwnd, &paint.ps);
        }
        if (paint.hdc) {
            EndPaint(hwnd, &paint.ps);
            return TRUE;
        }
        return FALSE;
    }
    r = handler->windowProc(handle(hwnd), msg, wParam, lParam);
    if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    if (r == kDefaultProcessing) return FALSE;
    if (answersDirectly(msg)) return static_cast<INT_PTR>(r);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, r);
    return TRUE;
}

WindowHandler* handlerOf(HWND hwnd) {
    return reinterpret_cast<WindowHandler*>(GetWindowLongPtrW(hwnd, DWLP_USER));
}

} // namespace

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        lParam = 0;
    }
    return dispatch(handlerOf(hwnd), hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK pageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        // A page's creation parameter is its PROPSHEETPAGE; ours carries
        // the handler.
        const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, page ? page->lParam : 0);
        lParam = 0;
    }
    return dispatch(handlerOf(hwnd), hwnd, msg, wParam, lParam);
}

HDC paintDc(HWND hwnd) {
    PaintState* paint = t_paint;
    if (!paint || paint->hwnd != hwnd) return nullptr;
    if (!paint->hdc) paint->hdc = BeginPaint(hwnd, &paint->ps);
    return paint->hdc;
}

LResult Win32Port::doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) {
    return DialogBoxParamW(exeInstance(), MAKEINTRESOURCEW(templateId), native(parent), dialogProc,
                           reinterpret_cast<LPARAM>(&handler));
}

void Win32Port::endDialog(Hwnd hwnd, LResult result) { EndDialog(native(hwnd), result); }

bool Win32Port::postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    return PostMessageW(native(hwnd), msg, wParam, lParam) != 0;
}

LResult Win32Port::sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    return SendMessageW(native(hwnd), msg, wParam, lParam);
}

unsigned Win32Port::registerWindowMessage(std::string_view name) {
    return RegisterWindowMessageW(wide(name).c_str());
}

int Win32Port::messageBox(Hwnd owner, std::string_view text, std::string_view caption,
                          unsigned type) {
    return MessageBoxW(native(owner), wide(text).c_str(), wide(caption).c_str(), type);
}

Hwnd Win32Port::createDialog(unsigned templateId, Hwnd parent, WindowHandler& handler) {
    return handle(CreateDialogParamW(exeInstance(), MAKEINTRESOURCEW(templateId), native(parent),
                                     dialogProc, reinterpret_cast<LPARAM>(&handler)));
}

bool Win32Port::destroyWindow(Hwnd hwnd) { return DestroyWindow(native(hwnd)) != 0; }

bool Win32Port::isWindow(Hwnd hwnd) { return !isNull(hwnd) && IsWindow(native(hwnd)) != 0; }

bool Win32Port::isIconic(Hwnd hwnd) { return IsIconic(native(hwnd)) != 0; }

bool Win32Port::getClientRect(Hwnd hwnd, Rect& rect) {
    RECT r{};
    if (!GetClientRect(native(hwnd), &r)) return false;
    rect = fromNative(r);
    return true;
}

bool Win32Port::drawIcon(Hwnd hwnd, Point at, HIcon icon) {
    HDC dc = paintDc(native(hwnd));
    if (!dc) return false;
    SendMessageW(native(hwnd), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    return DrawIcon(dc, at.x, at.y, native(icon)) != 0;
}

bool Win32Port::showWindow(Hwnd hwnd, unsigned command) {
    ShowWindow(native(hwnd), static_cast<int>(command));
    return IsWindow(native(hwnd)) != 0;
}

bool Win32Port::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                             unsigned flags) {
    return SetWindowPos(native(hwnd), native(insertAfter), x, y, cx, cy, flags) != 0;
}

std::uint32_t Win32Port::getWindowLong(Hwnd hwnd, int index) {
    return static_cast<std::uint32_t>(GetWindowLongW(native(hwnd), index));
}

std::uint32_t Win32Port::setWindowLong(Hwnd hwnd, int index, std::uint32_t value) {
    return static_cast<std::uint32_t>(
        SetWindowLongW(native(hwnd), index, static_cast<LONG>(value)));
}

bool Win32Port::setTimer(Hwnd hwnd, unsigned id, unsigned ms) {
    return SetTimer(native(hwnd), id, ms, nullptr) != 0;
}

bool Win32Port::killTimer(Hwnd hwnd, unsigned id) { return KillTimer(native(hwnd), id) != 0; }

bool Win32Port::setDlgItemText(Hwnd dialog, int controlId, std::string_view text) {
    return SetDlgItemTextW(native(dialog), controlId, wide(text).c_str()) != 0;
}

LResult Win32Port::sendDlgItemMessage(Hwnd dialog, int controlId, unsigned msg, WParam wParam,
                                      LParam lParam) {
    // The messages that carry a text carry the core's CP932; the control
    // is a wide window and takes UTF-16.
    if ((msg == kCbInsertString || msg == kWmSetText) && lParam != 0) {
        const std::wstring text = wide(reinterpret_cast<const char*>(lParam));
        return SendDlgItemMessageW(native(dialog), controlId, msg, wParam,
                                   reinterpret_cast<LPARAM>(text.c_str()));
    }
    return SendDlgItemMessageW(native(dialog), controlId, msg, wParam, lParam);
}

} // namespace orbel::win32
