// The six fixed text buffers of the display: three formats chosen by the
// time-format mode and the three texts the tick renders from them. Plain
// data; the application object guards it with its clock lock.
#pragma once

#include <orlib/orlib.h>

#include <cstddef>

namespace orbel {

struct TimeTexts {
    static constexpr std::size_t kFormatSize = 256;
    static constexpr std::size_t kTipSize = 256;
    static constexpr std::size_t kGameLineSize = 260;
    static constexpr std::size_t kEarthLineSize = 256;

    char tipFormat[kFormatSize] = {};
    char gameLineFormat[kFormatSize] = {};
    char earthLineFormat[kFormatSize] = {};
    char tipText[kTipSize] = {};
    char gameLine[kGameLineSize] = {};
    char earthLine[kEarthLineSize] = {};

    // Empties the three texts (the formats stay).
    void clearTexts() noexcept;
    // Copies the formats of a mode; every mode other than 1 and 2 is mode 0.
    void setFormats(int mode) noexcept;
    // Renders the tooltip text, the Orithaven line and the Earth line, in
    // that order, for an Orithaven moment. Allocates nothing.
    void render(const orlib::odate_t& now) noexcept;
};

} // namespace orbel
