// Orithaven calendar arithmetic: pure integer helpers over the one truth,
// a signed count of Orithaven seconds since 0001/01/01 00:00:00.
//
// Private to orlib (orlib.cpp, earth.cpp). Every helper is constexpr and
// noexcept and divides with floor semantics, so moments before the epoch
// get fields in their usual ranges (the day before the epoch is
// 0000/12/30). The ranges in the comments assume an input already clamped
// by clampGameSeconds.
#pragma once

#include "orlib/orlib.h"

#include <cstdint>

namespace orlib::detail {

inline constexpr std::int64_t kEpochEarth = 622944000; // 1989-09-28T00:00:00Z

// Floor division and the matching non-negative remainder; b > 0.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) noexcept {
    const std::int64_t q = a / b;
    return (a % b < 0) ? q - 1 : q;
}
constexpr std::int64_t floorMod(std::int64_t a, std::int64_t b) noexcept {
    const std::int64_t r = a % b;
    return r < 0 ? r + b : r;
}

constexpr std::int64_t clampI64(std::int64_t v, std::int64_t lo, std::int64_t hi) noexcept {
    return v < lo ? lo : (v > hi ? hi : v);
}

constexpr std::int64_t clampEarthSeconds(std::int64_t t) noexcept {
    return clampI64(t, -kMaxAbsEarthSeconds, kMaxAbsEarthSeconds);
}
constexpr std::int64_t clampGameSeconds(std::int64_t g) noexcept {
    return clampI64(g, -kMaxAbsGameSeconds, kMaxAbsGameSeconds);
}

// Earth second -> Orithaven second. |t| <= 1e15 after the clamp, so the
// product stays below 2.6e16.
constexpr std::int64_t gameFromEarth(std::int64_t t) noexcept {
    return clampGameSeconds(kRate * (clampEarthSeconds(t) - kEpochEarth));
}

// Orithaven second -> the Earth second at or before it.
constexpr std::int64_t earthFromGame(std::int64_t g) noexcept {
    return kEpochEarth + floorDiv(g, kRate);
}

// Orithaven day number of a moment: [-2.9e11, 2.9e11].
constexpr std::int64_t dayOf(std::int64_t g) noexcept {
    return floorDiv(g, kSecondsPerDay);
}

constexpr int weekdayOfDay(std::int64_t d) noexcept {
    return static_cast<int>(floorMod(d, kDaysPerWeek)); // [0, 7]
}
constexpr int lunarAgeOfDay(std::int64_t d) noexcept {
    return static_cast<int>(floorMod(d, kLunarCycleDays)); // [0, 83]
}

struct GameFields {
    std::int32_t year;  // [-8.1e8, 8.1e8]
    std::int32_t month; // [0, 11]
    std::int32_t day;   // [0, 29]
    std::int32_t hour;  // [0, 23]
    std::int32_t min;   // [0, 59]
    std::int32_t sec;   // [0, 59]
};

constexpr GameFields fieldsFromGameSeconds(std::int64_t g) noexcept {
    const std::int64_t d = dayOf(g);                            // [-2.9e11, 2.9e11]
    const std::int64_t sod = g - d * kSecondsPerDay;            // [0, 86399]
    const std::int64_t yearsBefore = floorDiv(d, kDaysPerYear); // [-8.1e8, 8.1e8]
    const std::int64_t doy = d - yearsBefore * kDaysPerYear;    // [0, 359]
    GameFields f{};
    f.year = static_cast<std::int32_t>(yearsBefore + 1);
    f.month = static_cast<std::int32_t>(doy / kDaysPerMonth);
    f.day = static_cast<std::int32_t>(doy % kDaysPerMonth);
    f.hour = static_cast<std::int32_t>(sod / 3600);
    f.min = static_cast<std::int32_t>(sod / 60 % 60);
    f.sec = static_cast<std::int32_t>(sod % 60);
    return f;
}

// Fields (month and day from 0) -> seconds. Linear in every field, so any
// int32 values carry over: month 12 is the next year's first month, second
// -1 the previous minute's last. Worst case |result| < 7.5e16, no overflow;
// the caller clamps.
constexpr std::int64_t gameSecondsFromFields(std::int64_t year, std::int64_t month0,
                                             std::int64_t day0, std::int64_t hour, std::int64_t min,
                                             std::int64_t sec) noexcept {
    const std::int64_t months = (year - 1) * kMonthsPerYear + month0; // |.| < 2.8e10
    const std::int64_t days = months * kDaysPerMonth + day0;          // |.| < 8.4e11
    return days * kSecondsPerDay + hour * 3600 + min * 60 + sec;      // |.| < 7.5e16
}

// A duration in seconds: years of 360 days, months of 30. Same bound.
constexpr std::int64_t durationSeconds(const gtime_t& d) noexcept {
    const std::int64_t months = std::int64_t{d.year} * kMonthsPerYear + d.month;
    const std::int64_t days = months * kDaysPerMonth + d.day;
    return days * kSecondsPerDay + std::int64_t{d.hour} * 3600 + std::int64_t{d.min} * 60 + d.sec;
}

// The sample moment the settings page shows, checked once at compile time.
static_assert(dayOf(gameSecondsFromFields(944, 2, 25, 7, 7, 7)) == 339565);
static_assert(weekdayOfDay(339565) == 5);
static_assert(fieldsFromGameSeconds(-1).year == 0 && fieldsFromGameSeconds(-1).month == 11 &&
              fieldsFromGameSeconds(-1).day == 29 && fieldsFromGameSeconds(-1).sec == 59);
static_assert(gameFromEarth(kEpochEarth + 1) == kRate);

} // namespace orlib::detail
