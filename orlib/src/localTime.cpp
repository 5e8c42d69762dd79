// Local Earth time through the C library (localtime_r / mktime, and
// localtime_s on Windows), with <chrono> counting days where we compare
// wall readings ourselves.

#include "localTime.h"

#include "gameMath.h"

#include <chrono>
#include <climits>
#include <optional>

namespace orlib::detail {

std::tm localFields(std::time_t t) noexcept {
    const auto c = static_cast<std::time_t>(clampEarthSeconds(t));
    std::tm tm{};
#if defined(_WIN32)
    if (localtime_s(&tm, &c) == 0) return tm;
#else
    if (localtime_r(&c, &tm) != nullptr) return tm;
#endif
    tm = std::tm{};
    tm.tm_year = 70;
    tm.tm_mday = 1;
    tm.tm_wday = 4;
    return tm;
}

namespace {

int clampInt(std::int64_t v) noexcept {
    return static_cast<int>(clampI64(v, INT_MIN, INT_MAX));
}

// A wall-clock reading as seconds on a uniform scale, used only to compare
// two readings. Month carries into the year; day, hour, minute and second
// carry by being linear. Empty outside the years <chrono> can represent.
std::optional<std::int64_t> wallSeconds(std::int64_t year, std::int64_t month1, std::int64_t day,
                                        std::int64_t hour, std::int64_t min,
                                        std::int64_t sec) noexcept {
    const std::int64_t y = year + floorDiv(month1 - 1, 12);
    const std::int64_t m = floorMod(month1 - 1, 12) + 1; // [1, 12]
    if (y < -30000 || y > 30000) return std::nullopt;
    using namespace std::chrono;
    const sys_days first{year_month_day{std::chrono::year{static_cast<int>(y)},
                                        month{static_cast<unsigned>(m)}, std::chrono::day{1}}};
    const std::int64_t days = first.time_since_epoch().count() + (day - 1); // |.| < 1.2e10
    return days * 86400 + hour * 3600 + min * 60 + sec;
}

std::optional<std::int64_t> wallSecondsOf(const std::tm& tm) noexcept {
    return wallSeconds(std::int64_t{tm.tm_year} + 1900, std::int64_t{tm.tm_mon} + 1, tm.tm_mday,
                       tm.tm_hour, tm.tm_min, tm.tm_sec);
}

} // namespace

// glibc already answers a gap reading with the offset from before the gap;
// other C libraries may answer an hour early (01:30 for 02:30), which the
// comparison of wall readings below moves forward by the gap.
std::time_t fromLocal(std::int64_t year, std::int64_t month1, std::int64_t day, std::int64_t hour,
                      std::int64_t min, std::int64_t sec) noexcept {
    std::tm tm{};
    tm.tm_year = clampInt(year - 1900);
    tm.tm_mon = clampInt(month1 - 1);
    tm.tm_mday = clampInt(day);
    tm.tm_hour = clampInt(hour);
    tm.tm_min = clampInt(min);
    tm.tm_sec = clampInt(sec);
    tm.tm_isdst = -1;
    const std::optional<std::int64_t> want = wallSecondsOf(tm);
    std::time_t t = std::mktime(&tm);
    if (!want) return t;
    const std::optional<std::int64_t> got = wallSecondsOf(localFields(t));
    if (!got) return t;
    // No gap on Earth has been longer than a day (Samoa skipped one in 2011).
    const std::int64_t gap = *want - *got;
    if (gap > 0 && gap <= 86400) t += static_cast<std::time_t>(gap);
    return t;
}

} // namespace orlib::detail
