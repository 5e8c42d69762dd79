// The program's icon artwork, drawn by code at whatever size a port asks
// for: the twelve phase icons (102 to 113, phase index 0 the new moon, 6 the
// full moon) and the program's own icon 128. Deterministic, so every port
// and the fake show the same pixels. Called by the ports' loadImage (and the
// tests' fake port through its iconSource); pure functions, any thread.
#pragma once

#include "tray/raster.h"

namespace orbel::res {

inline constexpr unsigned IDI_PHASE_FIRST = 102; // phase index 0, the new moon
inline constexpr unsigned IDI_PHASE_LAST = 113;  // phase index 11
inline constexpr unsigned IDR_MAINFRAME = 128;   // the program's icon

// The phase `index` (0..11) as a size x size icon: a moon disc lit from the
// right while waxing (1..5), full at 6, lit from the left while waning
// (7..11), and dark with a faint rim at 0. Transparent outside the disc.
// Empty for an index outside 0..11 or a size below 1.
gfx::IconImage phaseIconImage(int index, int size);

// Icon 128: a grey full moon on black, the black filling the icon except
// its rounded, transparent corners. Empty for a size below 1.
gfx::IconImage appIconImage(int size);

// The icon resource `id` at size x size; an empty image for ids that are
// not icons of the program.
gfx::IconImage iconResource(unsigned id, int size);

} // namespace orbel::res
