// The %-directive engine shared by odate_t and edate_t.
//
// Private to orlib. Each date class reads its fields once into a DateView
// and hands it to renderTo (fixed buffer, no allocation) or renderString;
// both run the same template, so format and formatTo give identical texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orlib::detail {

// CP932 lead bytes: each takes the byte after it (any value, 0x5C
// included) into the same character.
constexpr bool isLeadByte(unsigned char c) noexcept {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

struct DateView {
    std::int64_t year;
    int month; // 1-based
    int day;   // 1-based
    int hour;
    int min;
    int sec;
    const char* weekdayName; // never null
    const char* phaseName;   // never null
    int phaseDay;            // 0..6
};

std::size_t renderTo(char* out, std::size_t cap, const char* fmt, const DateView& v) noexcept;
std::string renderString(const char* fmt, const DateView& v);

// Earth weekday names, 0 Sunday .. 6 Saturday; "" out of range.
const char* earthWeekdayName(int wday) noexcept;

} // namespace orlib::detail
