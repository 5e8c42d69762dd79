// Our own pixel surfaces and the few drawing operations the tray icon needs,
// with the platform's icon semantics: an icon is a colour image and a mask
// of the same size; the screen pixel is ANDed with the mask, then XORed
// with the colour. The drawing follows the platform's rules for the
// coordinates it is given (a line's end point is not drawn, an ellipse's box
// excludes its right and bottom edges), so icon code can be written with the
// coordinates of the native calls. Ports turn IconImage into native icons.
// Callers: the tray icon builder (tray/icons.cpp), the artwork (res/) and
// the ports. Pure functions of their arguments; any thread.
#pragma once

#include "app/winTypes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace orbel::gfx {

// 0x00BBGGRR, like the platform's colour values.
using ColorRef = std::uint32_t;

constexpr ColorRef rgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned redOf(ColorRef c) {
    return c & 0xFF;
}
constexpr unsigned greenOf(ColorRef c) {
    return (c >> 8) & 0xFF;
}
constexpr unsigned blueOf(ColorRef c) {
    return (c >> 16) & 0xFF;
}

inline constexpr ColorRef kBlack = 0x000000;
inline constexpr ColorRef kWhite = 0xFFFFFF;

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, ColorRef fill = kBlack);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width <= 0 || m_height <= 0; }
    // Out-of-range reads give black; out-of-range writes are dropped.
    ColorRef at(int x, int y) const;
    void set(int x, int y, ColorRef c);
    const std::vector<ColorRef>& pixels() const { return m_pixels; }
    // Row y's first pixel; y must lie inside the bitmap.
    ColorRef* row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * stride(); }
    const ColorRef* row(int y) const {
        return m_pixels.data() + static_cast<std::size_t>(y) * stride();
    }

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    std::size_t stride() const { return static_cast<std::size_t>(m_width); }

    int m_width = 0;
    int m_height = 0;
    std::vector<ColorRef> m_pixels;
};

// A monochrome mask is a Bitmap holding only kBlack (0: shows the colour
// pixel) and kWhite (1: transparent where the colour pixel is black).
struct IconImage {
    Bitmap color;
    Bitmap mask;
    friend bool operator==(const IconImage&, const IconImage&) = default;
};

// FillRect: the rectangle without its right column and bottom row, clipped.
void fillRect(Bitmap& bmp, const Rect& rect, ColorRef color);

// The two kinds of pen the icons draw with.
struct Pen {
    enum class Kind {
        Cosmetic,     // one pixel wide whatever the width says
        GeometricFlat // `width` pixels across the line, ends cut flat
    };
    Kind kind = Kind::Cosmetic;
    int width = 1;
    ColorRef color = kBlack;

    static constexpr Pen cosmetic(ColorRef c) { return Pen{Kind::Cosmetic, 1, c}; }
    static constexpr Pen geometricFlat(int w, ColorRef c) { return Pen{Kind::GeometricFlat, w, c}; }
};

// One line from `from` towards `to`; `to` itself is not drawn.
//  - Cosmetic: the Bresenham pixels from `from` up to the one before `to`.
//  - GeometricFlat: the pixels whose centres lie in the band of the pen's
//    width centred on the line, between the two ends. A horizontal line at
//    y with width 2 thus covers rows y-1 and y, columns from..to-1.
void drawLine(Bitmap& bmp, const Pen& pen, Point from, Point to);

// MoveToEx/LineTo: a current position and a selected pen on one bitmap.
class LineCursor {
public:
    LineCursor(Bitmap& bmp, const Pen& pen, Point start = {})
        : m_bmp(bmp), m_pen(pen), m_pos(start) {}
    void moveTo(int x, int y) { m_pos = Point{x, y}; }
    // Draws to (x, y) and leaves the position there.
    void lineTo(int x, int y);
    void selectPen(const Pen& pen) { m_pen = pen; }
    Point position() const { return m_pos; }

private:
    Bitmap& m_bmp;
    Pen m_pen;
    Point m_pos;
};

// Ellipse: the figure inscribed in the box left..right-1 by top..bottom-1,
// mirror-symmetric about both of the box's centre lines and reaching all
// four sides of the box, however thin. Its rim (the
// pixels of the figure with a side neighbour outside it) takes the outline
// colour and the rest the fill colour; with no outline (a null pen) the rim
// is filled too. An empty box draws nothing.
void ellipse(Bitmap& bmp, std::optional<ColorRef> outline, ColorRef fill, int left, int top,
             int right, int bottom);

// BitBlt with SRCCOPY: the whole of src with its top-left corner at (x, y)
// of dst; whatever falls outside dst is cut off.
void bitBlt(Bitmap& dst, int x, int y, const Bitmap& src);

} // namespace orbel::gfx
