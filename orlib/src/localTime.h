// Reading and building local Earth times through the C library.
//
// Private to orlib (earth.cpp). Kept in its own translation unit because
// it needs <chrono>, whose header holds a literal ("µs") that has no CP932
// form: this file is compiled with the ordinary execution charset and so
// must never hold a system text.
#pragma once

#include <cstdint>
#include <ctime>

namespace orlib::detail {

// Local broken-down time of t. Times beyond the clamp read as the clamp
// bound; a time the C library still cannot convert reads as
// 1970-01-01 00:00:00 (glibc never needs that inside the clamp).
std::tm localFields(std::time_t t) noexcept;

// Local fields (month 1-based; any values, carried over like mktime) to a
// time_t. A reading inside a spring-forward gap is taken with the offset
// in force before the gap, so 02:30 on the night clocks jump from 02:00 to
// 03:00 becomes 03:30 summer time. An ambiguous reading (the repeated hour
// of a fall-back night) is whichever one the C library picks.
std::time_t fromLocal(std::int64_t year, std::int64_t month1, std::int64_t day, std::int64_t hour,
                      std::int64_t min, std::int64_t sec) noexcept;

} // namespace orlib::detail
