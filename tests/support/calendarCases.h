// Helpers shared by the calendar, search, detail and settings tests.
#pragma once

#include <orlib/orlib.h>

#include <gtest/gtest.h>

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

} // namespace orbel::test
