// The three time-format modes: which formats render the tooltip, the
// Orithaven line and the Earth line, and the tick that goes with them.
// Shared by the game clock and the command line so both show the same texts.
#pragma once

namespace orbel {

struct TimeFormats {
    const char* tip;       // tooltip text
    const char* gameLine;  // Orithaven line of the detail window
    const char* earthLine; // Earth line of the detail window
    int stepSeconds;       // game seconds added per tick
    unsigned periodMs;     // Earth milliseconds per tick (40 x step)
};

// Modes 1 and 2 have their own formats; every other value renders like 0.
const TimeFormats& timeFormatsFor(int mode) noexcept;

} // namespace orbel
