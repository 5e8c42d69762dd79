#include "cli/jsonOutput.h"

#include "common/cp932.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace orbel::cli {

namespace {

constexpr std::array<const char*, orlib::kPhases> kPhaseKeys = {
    "new-moon",    "thin-crescent",    "crescent",     "first-quarter",
    "tenth-night", "thirteenth-night", "full-moon",    "standing-moon",
    "lying-moon",  "late-night-moon",  "last-quarter", "dawn-moon",
};

} // namespace

const char* phaseKey(int index) noexcept {
    return index >= 0 && index < orlib::kPhases ? kPhaseKeys[static_cast<std::size_t>(index)] : "";
}

int phasePercent(int lunarDay) noexcept {
    const int last = orlib::kDaysPerPhase - 1;
    if (lunarDay <= 0) return 0;
    if (lunarDay >= last) return 100;
    return (lunarDay * 100 + last / 2) / last;
}

std::string isoLocal(std::time_t t) {
    // orlib's own local reading (the same the texts use); its distance from
    // the UTC reading of the same fields is the offset in force.
    const orlib::edate_t e(t);
    using namespace std::chrono;
    const year_month_day ymd{year{e.year()}, month{static_cast<unsigned>(e.month())},
                             day{static_cast<unsigned>(e.day())}};
    const long long fieldsAsUtc =
        static_cast<long long>(sys_days{ymd}.time_since_epoch().count()) * 86400 +
        e.hour() * 3600LL + e.min() * 60LL + e.sec();
    const long long offset = fieldsAsUtc - static_cast<long long>(t);
    const long long absOffset = std::llabs(offset);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02lld:%02lld", e.year(),
                  e.month(), e.day(), e.hour(), e.min(), e.sec(), offset < 0 ? '-' : '+',
                  absOffset / 3600, absOffset / 60 % 60);
    return buf;
}

Json earthJson(std::time_t t) {
    return Json{{"iso", isoLocal(t)}, {"unix", static_cast<long long>(t)}};
}

Json momentJson(const orlib::odate_t& o) {
    const int phase = o.getLunarIndex();
    const int weekday = o.getDayOfWeek();
    return Json{
        {"year", o.year()},
        {"month", o.month()},
        {"day", o.day()},
        {"hour", o.hour()},
        {"minute", o.min()},
        {"second", o.sec()},
        {"weekday", {{"index", weekday}, {"name", utf8Line(orlib::weekdayNameO(weekday))}}},
        {"phase",
         {{"index", phase},
          {"name", utf8Line(orlib::lunarNameO(phase))},
          {"key", phaseKey(phase)},
          {"day", o.getLunarDay() + 1}}},
    };
}

std::string utf8Line(std::string_view cp932) {
    return text::cp932ToUtf8(cp932);
}

Json utf8Lines(std::string_view cp932) {
    Json lines = Json::array();
    while (!cp932.empty()) {
        const std::string_view::size_type end = cp932.find("\r\n");
        lines.push_back(utf8Line(cp932.substr(0, end)));
        if (end == std::string_view::npos) break;
        cp932.remove_prefix(end + 2);
    }
    return lines;
}

void writeJson(Session& session, const Json& value) {
    // Invalid UTF-8 cannot reach here (every text came through the
    // converter), but a replacement beats an exception all the same.
    session.writeUtf8(value.dump(-1, ' ', false, Json::error_handler_t::replace));
    session.writeUtf8("\n");
}

void writeNowJson(Session& session, std::time_t t, const orlib::odate_t& o, std::string_view tip,
                  std::string_view gameLine, std::string_view earthLine) {
    writeJson(session, Json{
                           {"command", "now"},
                           {"tooltip", utf8Line(tip)},
                           {"orithavenLine", utf8Line(gameLine)},
                           {"earthLine", utf8Line(earthLine)},
                           {"earth", earthJson(t)},
                           {"orithaven", momentJson(o)},
                       });
}

void writeSearchJson(Session& session, const char* search, Json conditions, std::string_view text,
                     const orlib::odate_t* results, int count) {
    Json lines = utf8Lines(text);
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    // Each result text holds one line per result after its heading lines.
    const std::size_t heading = lines.size() >= n ? lines.size() - n : 0;
    Json out{{"command", "search"},
             {"search", search},
             {"conditions", std::move(conditions)},
             {"heading", Json::array()},
             {"results", Json::array()}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i < heading) {
            out["heading"].push_back(std::move(lines[i]));
            continue;
        }
        const orlib::odate_t& r = results[i - heading];
        out["results"].push_back(Json{{"text", std::move(lines[i])},
                                      {"earth", earthJson(orlib::edate_t(r))},
                                      {"orithaven", momentJson(r)}});
    }
    writeJson(session, out);
}

} // namespace orbel::cli
