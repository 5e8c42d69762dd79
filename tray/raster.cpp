#include "tray/raster.h"

namespace orbel::gfx {

Bitmap::Bitmap(int width, int height, ColorRef fill)
    : m_width(width > 0 ? width : 0), m_height(height > 0 ? height : 0),
      m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill) {}

ColorRef Bitmap::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return kBlack;
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                    static_cast<std::size_t>(x)];
}

void Bitmap::set(int x, int y, ColorRef c) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
             static_cast<std::size_t>(x)] = c;
}

} // namespace orbel::gfx
