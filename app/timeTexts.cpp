#include "app/timeTexts.h"

#include "app/timeFormats.h"
#include "common/cp932.h"

namespace orbel {

void TimeTexts::clearTexts() noexcept {
    tipText[0] = '\0';
    gameLine[0] = '\0';
    earthLine[0] = '\0';
}

void TimeTexts::setFormats(int mode) noexcept {
    const TimeFormats& f = timeFormatsFor(mode);
    text::copyCp932(tipFormat, sizeof tipFormat, f.tip);
    text::copyCp932(gameLineFormat, sizeof gameLineFormat, f.gameLine);
    text::copyCp932(earthLineFormat, sizeof earthLineFormat, f.earthLine);
}

void TimeTexts::render(const orlib::odate_t& now) noexcept {
    // The Earth line shows the Earth second at or before the game moment.
    const orlib::edate_t earth(now);
    now.formatTo(tipText, sizeof tipText, tipFormat);
    now.formatTo(gameLine, sizeof gameLine, gameLineFormat);
    earth.formatTo(earthLine, sizeof earthLine, earthLineFormat);
}

} // namespace orbel
