#include "cli/watch.h"

#include "app/timeFormats.h"
#include "app/timeTexts.h"
#include "cli/jsonOutput.h"
#include "detail/detailText.h"
#include "res/stringTable.h"

#include <orlib/orlib.h>

#include <cstring>
#include <string>

namespace orbel::cli {

namespace {

// One game second lasts 1000 / kRate Earth milliseconds, exactly.
constexpr std::int64_t kMsPerGameSecond = 1000 / orlib::kRate;
static_assert(1000 % orlib::kRate == 0, "game seconds must be whole Earth milliseconds");

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

bool inService(std::int64_t ms) {
    const std::int64_t s = floorDiv(ms, 1000);
    return s >= orlib::getServiceStart() && s <= orlib::getServiceEnd();
}

// The waybar form: the tooltip text, the detail window as the hover text,
// the phase as the style class and the day within the phase as the gauge.
Json waybarJson(const orlib::odate_t& o, const TimeTexts& texts) {
    std::string tooltip = utf8Line(detailPhaseLine(o));
    for (const auto& line : utf8Lines(buildDetailText(o, texts.gameLine, texts.earthLine)))
        tooltip += "\n" + line.get<std::string>();
    return Json{{"text", utf8Line(texts.tipText)},
                {"tooltip", tooltip},
                {"class", phaseKey(o.getLunarIndex())},
                {"percentage", phasePercent(o.getLunarDay())}};
}

} // namespace

int watchStepSeconds(int mode) noexcept {
    const char* tip = timeFormatsFor(mode).tip;
    for (const char* directive : {"%S", "%X", "%c", "%#S"})
        if (std::strstr(tip, directive) != nullptr) return 1;
    return 60;
}

int runWatch(Session& session, int mode, const WatchEnv& env) {
    const std::int64_t step = watchStepSeconds(mode);
    TimeTexts texts;
    texts.setFormats(mode);

    std::int64_t epochMs = 0; // Earth millisecond at which game second 0 begins
    bool haveEpoch = false;
    std::string last;
    while (!env.stopRequested()) {
        const std::int64_t now = env.nowMs();
        if (!inService(now)) {
            session.writeError(res::loadString(res::IDS_BAD_CLOCK));
            return kExitOutOfRange;
        }
        if (!haveEpoch) {
            // Derived from orlib once, so this file holds no epoch of its own.
            const std::int64_t s = floorDiv(now, 1000);
            epochMs = s * 1000 -
                      orlib::odate_t(static_cast<std::time_t>(s)).gameSeconds() * kMsPerGameSecond;
            haveEpoch = true;
        }
        const std::int64_t game = floorDiv(now - epochMs, kMsPerGameSecond);
        const orlib::odate_t o = orlib::odate_t::fromGameSeconds(game);
        texts.render(o);
        if (last != texts.tipText) {
            last = texts.tipText;
            if (session.json)
                writeJson(session, waybarJson(o, texts));
            else
                session.writeLine(last);
            if (!session.flush()) return kExitOk;
        }
        const std::int64_t next = (floorDiv(game, step) + 1) * step;
        env.sleepUntilMs(epochMs + next * kMsPerGameSecond);
    }
    return kExitOk;
}

} // namespace orbel::cli
