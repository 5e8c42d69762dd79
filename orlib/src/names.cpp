// Display names of phases and weekdays. This file is compiled with the
// CP932 execution charset, so each literal below is already the byte
// string the program shows (十 is 8F 5C, a trail byte equal to '\').

#include "orlib/orlib.h"
#include "render.h"

namespace orlib {
namespace {

constexpr const char* kPhaseNames[kPhases] = {
    "新月", "繊月",   "三日月", "上弦",   "十日夜", "十三夜",
    "満月", "立待月", "寝待月", "更待月", "下弦",   "有明月",
};

constexpr const char* kWeekdayNames[kDaysPerWeek] = {
    "光", "炎", "水", "風", "土", "雷", "氷", "闇",
};

constexpr const char* kEarthWeekdayNames[7] = {
    "日", "月", "火", "水", "木", "金", "土",
};

template <std::size_t N> const char* lookup(const char* const (&table)[N], int i) noexcept {
    // Compared as unsigned so that negative indices fall out too.
    return static_cast<unsigned>(i) < N ? table[i] : "";
}

} // namespace

const char* lunarNameO(int index) noexcept {
    return lookup(kPhaseNames, index);
}
const char* weekdayNameO(int weekday) noexcept {
    return lookup(kWeekdayNames, weekday);
}
std::string getLunarNameO(int index) {
    return lunarNameO(index);
}
std::string getWeekdayNameO(int weekday) {
    return weekdayNameO(weekday);
}

namespace detail {
const char* earthWeekdayName(int wday) noexcept {
    return lookup(kEarthWeekdayNames, wday);
}
} // namespace detail

} // namespace orlib
