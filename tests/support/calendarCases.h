// Helpers shared by the calendar, search, detail, settings and orbel-cli tests.
#pragma once

#include "search/ballista.h"
#include "search/lunarSearch.h"
#include "search/searchLimits.h"
#include "search/todaySearch.h"

#include <orlib/orlib.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orbel::test {

// The Orithaven moment `hour` hours into day `dayNumber`.
inline orlib::odate_t dayAt(std::int64_t dayNumber, int hour = 0) {
    return orlib::odate_t::fromGameSeconds(dayNumber * orlib::kSecondsPerDay + hour * 3600);
}

// The lines of a text in which every line ends with CRLF (checked).
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type at = 0, end = 0;
    for (; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "text does not end with CRLF";
    return lines;
}

// Each search's result text for n results from `from`.
inline std::string lunarText(unsigned phase, unsigned weekday, int n, std::time_t from) {
    std::array<orlib::odate_t, kMaxResults> r;
    findLunarDates(phase, weekday, r.data(), n, from);
    return lunarResultText(r.data(), n);
}
inline std::string ballistaText(unsigned card, unsigned level, int n, std::time_t from) {
    std::array<orlib::odate_t, kMaxResults> r;
    searchBallista(card, level, r.data(), n, from);
    return ballistaResultText(r.data(), n);
}
inline std::string todayText(std::time_t from, int n) {
    std::array<orlib::odate_t, kMaxResults> r;
    searchToday(from, r.data(), n);
    return todayResultText(r.data(), n);
}

} // namespace orbel::test
