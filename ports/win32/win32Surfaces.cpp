// The detail window's off-screen surfaces: memory DCs the timer thread
// fills and writes on, copied into the window on the UI thread when it
// paints. A DC serves one thread at a time, so each surface has its own
// lock; the map of them has another, held only to find one.
#include "ports/win32/win32Native.h"

namespace orbel::win32 {

struct Win32Port::Surface {
    std::mutex mutex;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    HFONT font = nullptr; // the dialog's, not ours
    HFONT bold = nullptr; // ours
    int width = 0;
    int height = 0;

    ~Surface() {
        if (dc) {
            SelectObject(dc, oldBitmap);
            DeleteDC(dc);
        }
        if (bitmap) DeleteObject(bitmap);
        if (bold) DeleteObject(bold);
    }
};

std::shared_ptr<Win32Port::Surface> Win32Port::findSurface(HSurface surface) {
    std::lock_guard lock(m_surfaceMutex);
    const auto it = m_surfaces.find(surface);
    return it == m_surfaces.end() ? nullptr : it->second;
}

HSurface Win32Port::createSurface(Hwnd dialog, int width, int height) {
    if (width <= 0 || height <= 0 || !IsWindow(native(dialog))) return HSurface{};
    auto s = std::make_shared<Surface>();
    HDC windowDc = GetDC(native(dialog));
    if (!windowDc) return HSurface{};
    s->dc = CreateCompatibleDC(windowDc);
    s->bitmap = CreateCompatibleBitmap(windowDc, width, height);
    ReleaseDC(native(dialog), windowDc);
    if (!s->dc || !s->bitmap) return HSurface{};
    s->oldBitmap = SelectObject(s->dc, s->bitmap);
    s->width = width;
    s->height = height;
    // The bold line: the dialog's face one unit larger, weight 700.
    s->font = reinterpret_cast<HFONT>(SendMessageW(native(dialog), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (s->font && GetObjectW(s->font, sizeof lf, &lf)) {
        lf.lfHeight += lf.lfHeight < 0 ? -1 : 1;
        lf.lfWeight = FW_BOLD;
        s->bold = CreateFontIndirectW(&lf);
    }
    SetBkMode(s->dc, TRANSPARENT);
    SetTextColor(s->dc, GetSysColor(COLOR_WINDOWTEXT));
    RECT all{0, 0, width, height};
    FillRect(s->dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    std::lock_guard lock(m_surfaceMutex);
    const HSurface handle{m_nextSurface++};
    m_surfaces.emplace(handle, std::move(s));
    return handle;
}

void Win32Port::destroySurface(HSurface surface) {
    std::shared_ptr<Surface> gone;
    {
        std::lock_guard lock(m_surfaceMutex);
        const auto it = m_surfaces.find(surface);
        if (it == m_surfaces.end()) return;
        gone = std::move(it->second);
        m_surfaces.erase(it);
    }
    // A draw still holding it finishes first; the last owner frees it.
}

bool Win32Port::fillSurface(HSurface surface, const Rect& rect, std::uint32_t color) {
    const std::shared_ptr<Surface> s = findSurface(surface);
    if (!s) return false;
    std::lock_guard lock(s->mutex);
    HBRUSH brush = CreateSolidBrush(color);
    if (!brush) return false;
    const RECT r = native(rect);
    const bool ok = FillRect(s->dc, &r, brush) != 0;
    DeleteObject(brush);
    return ok;
}

bool Win32Port::drawSurfaceText(HSurface surface, std::string_view text, const Rect& rect,
                                bool bold) {
    const std::shared_ptr<Surface> s = findSurface(surface);
    if (!s) return false;
    const std::wstring w = wide(text);
    std::lock_guard lock(s->mutex);
    HFONT font = bold && s->bold ? s->bold : s->font;
    HGDIOBJ old = font ? SelectObject(s->dc, font) : nullptr;
    RECT r = native(rect);
    const int h = DrawTextW(s->dc, w.c_str(), static_cast<int>(w.size()), &r, DT_BOTTOM);
    if (old) SelectObject(s->dc, old);
    return h != 0 || w.empty();
}

bool Win32Port::invalidateRect(Hwnd hwnd, const Rect& rect, bool erase) {
    // From any thread: the paint itself comes to the window's own thread.
    if (isRectEmpty(rect)) return InvalidateRect(native(hwnd), nullptr, erase) != 0;
    const RECT r = native(rect);
    return InvalidateRect(native(hwnd), &r, erase) != 0;
}

bool Win32Port::blitSurface(Hwnd hwnd, HSurface surface, Point at) {
    HDC dc = paintDc(native(hwnd));
    const std::shared_ptr<Surface> s = findSurface(surface);
    if (!dc || !s) return false;
    std::lock_guard lock(s->mutex);
    return BitBlt(dc, at.x, at.y, s->width, s->height, s->dc, 0, 0, SRCCOPY) != 0;
}

} // namespace orbel::win32
