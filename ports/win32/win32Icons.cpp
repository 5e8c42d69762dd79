// Icons made from the core's pixel surfaces and read back, and the bold
// variant of a control's font.
#include "ports/win32/win32Native.h"

#include <vector>

namespace orbel::win32 {

namespace {

BITMAPINFO topDown32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // rows from the top, as the surfaces keep them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// 0x00BBGGRR (the core) <-> B, G, R, A bytes (a 32-bit DIB).
std::uint32_t toDib(gfx::ColorRef c, bool opaque) {
    return (gfx::redOf(c) << 16) | (gfx::greenOf(c) << 8) | gfx::blueOf(c) |
           (opaque ? 0xFF000000u : 0u);
}
gfx::ColorRef fromDib(std::uint32_t p) {
    return gfx::rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

} // namespace

HIcon Win32Port::createIconIndirect(const gfx::IconImage& image) {
    const int w = image.color.width(), h = image.color.height();
    if (w <= 0 || h <= 0 || image.mask.width() != w || image.mask.height() != h) return HIcon{};

    // Colour with an alpha channel taken from the mask, so the shell draws
    // soft edges nowhere and hard ones exactly where the mask says.
    BITMAPINFO bi = topDown32(w, h);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color) return HIcon{};
    auto* px = static_cast<std::uint32_t*>(bits);
    // The monochrome mask: rows padded to 16 bits, bit set = transparent.
    const int stride = ((w + 15) / 16) * 2;
    std::vector<unsigned char> maskBits(static_cast<std::size_t>(stride) * h, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool transparent = image.mask.at(x, y) != gfx::kBlack;
            px[static_cast<std::size_t>(y) * w + x] = toDib(image.color.at(x, y), !transparent);
            if (transparent)
                maskBits[static_cast<std::size_t>(y) * stride + x / 8] |=
                    static_cast<unsigned char>(0x80 >> (x % 8));
        }
    }
    HBITMAP mask = CreateBitmap(w, h, 1, 1, maskBits.data());
    HICON icon = nullptr;
    if (mask) {
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmColor = color;
        info.hbmMask = mask;
        icon = CreateIconIndirect(&info); // copies both bitmaps
        DeleteObject(mask);
    }
    DeleteObject(color);
    return handle(icon);
}

bool Win32Port::getIconInfo(HIcon icon, gfx::IconImage& image) {
    ICONINFO info{};
    if (!GetIconInfo(native(icon), &info)) return false;
    bool ok = false;
    BITMAP bm{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
        const int w = bm.bmWidth, h = bm.bmHeight;
        std::vector<std::uint32_t> color(static_cast<std::size_t>(w) * h);
        std::vector<std::uint32_t> mask(color.size());
        BITMAPINFO bi = topDown32(w, h);
        HDC dc = GetDC(nullptr);
        ok = GetDIBits(dc, info.hbmColor, 0, h, color.data(), &bi, DIB_RGB_COLORS) == h &&
             GetDIBits(dc, info.hbmMask, 0, h, mask.data(), &bi, DIB_RGB_COLORS) == h;
        ReleaseDC(nullptr, dc);
        if (ok) {
            image.color = gfx::Bitmap(w, h);
            image.mask = gfx::Bitmap(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * w + x;
                    image.color.set(x, y, fromDib(color[i]));
                    image.mask.set(x, y, (mask[i] & 0xFFFFFF) ? gfx::kWhite : gfx::kBlack);
                }
        }
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return ok;
}

HFont Win32Port::createBoldFont(Hwnd dialog, int controlId) {
    HWND control = GetDlgItem(native(dialog), controlId);
    if (!control) return HFont{};
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!font || !GetObjectW(font, sizeof lf, &lf)) return HFont{};
    lf.lfWeight = FW_BOLD;
    return HFont{reinterpret_cast<std::uintptr_t>(CreateFontIndirectW(&lf))};
}

void Win32Port::deleteFont(HFont font) {
    if (!isNull(font)) DeleteObject(native(font));
}

} // namespace orbel::win32
