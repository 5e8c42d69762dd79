#include "tray/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orbel::gfx {

Bitmap::Bitmap(int width, int height, ColorRef fill)
    : m_width(width > 0 ? width : 0), m_height(height > 0 ? height : 0),
      m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill) {}

ColorRef Bitmap::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return kBlack;
    return m_pixels[static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x)];
}

void Bitmap::set(int x, int y, ColorRef c) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    m_pixels[static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x)] = c;
}

void fillRect(Bitmap& bmp, const Rect& rect, ColorRef color) {
    const int left = std::max(rect.left, 0);
    const int top = std::max(rect.top, 0);
    const int right = std::min(rect.right, bmp.width());
    const int bottom = std::min(rect.bottom, bmp.height());
    if (left >= right || top >= bottom) return;
    for (int y = top; y < bottom; ++y)
        std::fill(bmp.row(y) + left, bmp.row(y) + right, color);
}

namespace {

void cosmeticLine(Bitmap& bmp, ColorRef color, Point from, Point to) {
    // Integer Bresenham along the major axis; the loop stops one step short
    // of `to`, which is how the platform leaves room for the next segment.
    const int dx = std::abs(to.x - from.x);
    const int dy = std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int x = from.x;
    int y = from.y;
    if (dx >= dy) {
        int err = 2 * dy - dx;
        for (int i = 0; i < dx; ++i) {
            bmp.set(x, y, color);
            if (err > 0) {
                y += sy;
                err -= 2 * dx;
            }
            err += 2 * dy;
            x += sx;
        }
    } else {
        int err = 2 * dx - dy;
        for (int i = 0; i < dy; ++i) {
            bmp.set(x, y, color);
            if (err > 0) {
                x += sx;
                err -= 2 * dy;
            }
            err += 2 * dx;
            y += sy;
        }
    }
}

void geometricLine(Bitmap& bmp, const Pen& pen, Point from, Point to) {
    const double vx = to.x - from.x;
    const double vy = to.y - from.y;
    const double length = std::hypot(vx, vy);
    if (length == 0.0 || pen.width <= 0) return; // flat ends: nothing between them
    const double ux = vx / length;
    const double uy = vy / length;
    const double half = pen.width / 2.0;
    // Only pixels near the band can be in it.
    const int reach = pen.width / 2 + 1;
    const int x0 = std::max(std::min(from.x, to.x) - reach, 0);
    const int x1 = std::min(std::max(from.x, to.x) + reach, bmp.width() - 1);
    const int y0 = std::max(std::min(from.y, to.y) - reach, 0);
    const int y1 = std::min(std::max(from.y, to.y) + reach, bmp.height() - 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            // The pixel's centre in the line's own frame: along it from
            // `from`, and across it (positive to the line's right).
            const double px = x + 0.5 - from.x;
            const double py = y + 0.5 - from.y;
            const double along = px * ux + py * uy;
            const double across = py * ux - px * uy;
            // Half-open on both axes, so two segments that meet share no
            // pixel and a band of width w is exactly w pixels across.
            if (along >= 0.0 && along < length && across >= -half && across < half)
                bmp.row(y)[x] = pen.color;
        }
    }
}

} // namespace

void drawLine(Bitmap& bmp, const Pen& pen, Point from, Point to) {
    if (bmp.empty()) return;
    if (pen.kind == Pen::Kind::GeometricFlat)
        geometricLine(bmp, pen, from, to);
    else
        cosmeticLine(bmp, pen.color, from, to);
}

void LineCursor::lineTo(int x, int y) {
    drawLine(m_bmp, m_pen, m_pos, Point{x, y});
    m_pos = Point{x, y};
}

void ellipse(Bitmap& bmp, std::optional<ColorRef> outline, ColorRef fill, int left, int top,
             int right, int bottom) {
    const long long w = static_cast<long long>(right) - left;
    const long long h = static_cast<long long>(bottom) - top;
    if (w <= 0 || h <= 0) return;

    // A pixel belongs to the figure when its centre lies in the ellipse
    // whose axes are the box's sides. In doubled coordinates about the box
    // centre, pixel column c (0..w-1) sits at X = 2c + 1 - w and row r at
    // Y = 2r + 1 - h, and the test (X/w)^2 + (Y/h)^2 <= 1 is exact in
    // integers. Each row is one span, mirrored about the centre column, so
    // only its left end is searched.
    //
    // Thin boxes would lose their outer rows or columns to that test (a
    // 2 x 8 box has no pixel centre in its top row's part of the ellipse),
    // yet the figure must reach all four sides: every row keeps at least
    // its middle pixel(s) and the middle row(s) span the whole width. Both
    // changes are symmetric and keep each row one span.
    const long long w2h2 = w * w * h * h;
    std::vector<long long> first(static_cast<std::size_t>(h)); // leftmost column
    for (long long r = 0; r < h; ++r) {
        const long long Y = 2 * r + 1 - h;
        const long long rest = w2h2 - Y * Y * w * w;
        long long c = 0;
        while (c < (w - 1) / 2) {
            const long long X = 2 * c + 1 - w;
            if (X * X * h * h <= rest) break;
            ++c;
        }
        const bool middleRow = r == (h - 1) / 2 || r == h / 2;
        first[static_cast<std::size_t>(r)] = middleRow ? 0 : c;
    }
    auto inside = [&](long long r, long long c) {
        if (r < 0 || r >= h || c < 0 || c >= w) return false;
        const long long f = first[static_cast<std::size_t>(r)];
        return c >= f && c <= w - 1 - f;
    };

    for (long long r = 0; r < h; ++r) {
        const int y = static_cast<int>(top + r);
        if (y < 0 || y >= bmp.height()) continue;
        const long long f = first[static_cast<std::size_t>(r)];
        for (long long c = f; c <= w - 1 - f; ++c) {
            const int x = static_cast<int>(left + c);
            if (x < 0 || x >= bmp.width()) continue;
            const bool rim =
                !inside(r, c - 1) || !inside(r, c + 1) || !inside(r - 1, c) || !inside(r + 1, c);
            bmp.row(y)[x] = (rim && outline) ? *outline : fill;
        }
    }
}

void bitBlt(Bitmap& dst, int x, int y, const Bitmap& src) {
    if (&dst == &src) {
        // Overlapping source and destination: copy from a snapshot.
        const Bitmap copy = src;
        bitBlt(dst, x, y, copy);
        return;
    }
    const int sx0 = std::max(0, -x);
    const int sy0 = std::max(0, -y);
    const int sx1 = std::min(src.width(), dst.width() - x);
    const int sy1 = std::min(src.height(), dst.height() - y);
    if (sx0 >= sx1 || sy0 >= sy1) return;
    for (int sy = sy0; sy < sy1; ++sy)
        std::copy(src.row(sy) + sx0, src.row(sy) + sx1, dst.row(sy + y) + sx0 + x);
}

} // namespace orbel::gfx
