// Our own pixel surfaces and the few drawing operations the tray icon needs,
// with the platform's icon semantics: an icon is a colour image and a mask
// of the same size; the screen pixel is ANDed with the mask, then XORed
// with the colour. The drawing follows the platform's rules for the
// coordinates it is given (a line's end point is not drawn, an ellipse's box
// excludes its right and bottom edges), so icon code can be written with the
// coordinates of the native calls. Ports turn IconImage into native icons.
#pragma once

#include "app/winTypes.h"

#include <cstdint>
#include <vector>

namespace orbel::gfx {

// 0x00BBGGRR, like the platform's colour values.
using ColorRef = std::uint32_t;

constexpr ColorRef rgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
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

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
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

} // namespace orbel::gfx
