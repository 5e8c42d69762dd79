// Icon files (.ico) from our own pixel images, for the resource compiler.
// Each size goes in twice: a true-colour image with an alpha channel for
// today's displays and, when the artwork has no more than 256 colours, an
// 8-bit palette image holding exactly the same pixels for 256-colour ones.
// Both carry the AND mask. Called by rcgen.cpp and the tests; pure.
#pragma once

#include "tray/raster.h"

#include <string>
#include <vector>

namespace orbel::rc {

// The sizes every icon file holds.
inline constexpr int kIconSizes[] = {16, 32, 48};

// The .ico bytes for these images. RcError on an empty, non-square or
// over-256-pixel image, a mask of another size, or a pixel that would
// invert the screen (which an alpha image cannot express).
std::string encodeIco(const std::vector<gfx::IconImage>& images);

// The icon file of an icon resource (128, 102..113) at kIconSizes.
std::string iconFile(unsigned id);

} // namespace orbel::rc
