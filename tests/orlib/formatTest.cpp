// Every directive of both date classes as exact CP932 bytes (this file has
// CP932 literals; ctest sets TZ=Asia/Tokyo), formatTo's cuts, and the names.
#include "orlib/orlib.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace {

using orlib::edate_t;
using orlib::odate_t;

using Row = std::pair<const char*, const char*>; // format, expected text

// 944/03/26 07:07:07: weekday 5 (雷), lunar age 37 = phase 5 (十三夜), day 2.
const odate_t kSample(944, 3, 26, 7, 7, 7);
// 2026-12-06 07:08:09 in Tokyo, a Sunday; in Orithaven lunar age 45 = 満月, day 3.
const edate_t kEarth(std::time_t{1796508489});

template <std::size_t N> void expectRows(const orlib::idate& date, const Row (&rows)[N]) {
    for (const auto& [fmt, expected] : rows) {
        SCOPED_TRACE(fmt);
        EXPECT_EQ(date.format(fmt), expected);
        char buf[256];
        const std::size_t len = date.formatTo(buf, sizeof buf, fmt);
        EXPECT_EQ(std::string(buf, len + 1), std::string(expected) + '\0');
    }
}

// Directives share a row where they cannot affect each other. The program's
// own formats are checked through their users (orbel-cli, the texts).
TEST(Format, OrithavenDirectivesOddDirectivesAndLiterals) {
    static const Row rows[] = {
        {"%Y|%m|%d|%H|%M|%S|%a|%x|%X|%L|%q", "944|03|26|07|07|07|雷|944/03/26|07:07:07|十三夜|3"},
        {"%#m|%#d|%#H|%#M|%#S|%#Y|%#x|%#a|%#L", "3|26|7|7|7|944|944/03/26|雷|十三夜"},
        {"%c", "944/03/26 07:07:07"},
        {"%v", "944/3/26（雷） 7:07"},
        {"%Q", "944/03/26（雷） 07:07 <十三夜(3)>"},
        {"%%|100%%|%%Y|%#%|%k|%#k|%##|%表|表%dソ%m", "%|100%|%Y|%|%k|%#k|%##|%表|表26ソ03"},
        {"%", "%"},
        {"abc%", "abc%"},
        {"%#", "%#"},
        {"\x81%m", "\x81%m"}, // a lead byte takes the next byte with it, even a '%'
        {"A\x82", "A"},       // a lead byte with nothing after it is dropped
        {"%\x82", "%"},
        {"", ""}};
    expectRows(kSample, rows);
    EXPECT_EQ(odate_t(-5, 1, 1).format("%x %Y"), "-5/01/01 -5");
    EXPECT_EQ(kSample.format(nullptr) + kEarth.format(nullptr), "");
    char buf[4] = "xyz";
    EXPECT_EQ(kSample.formatTo(buf, sizeof buf, nullptr), 0u);
    EXPECT_EQ(buf[0], '\0');
}

TEST(Format, EarthDirectives) {
    static const Row rows[] = {
        {"%Y|%m|%d|%H|%M|%S|%a|%x|%X|%L|%q", "2026|12|06|07|08|09|日|2026/12/06|07:08:09|満月|4"},
        {"%#m|%#d|%#H|%#M|%#S", "12|6|7|8|9"},
        {"%c", "2026/12/06 07:08:09"},
        {"%v", "2026/12/6（日） 7:08"},
        {"%Q", "2026/12/06（日） 07:08 <満月(4)>"}};
    expectRows(kEarth, rows);
    std::string week; // Sunday first
    for (int i = 0; i < 7; ++i)
        week += edate_t(kEarth + i * 86400).format("%a");
    EXPECT_EQ(week, "日月火水木金土");
    EXPECT_EQ(edate_t(kSample).format("%c"), "2026/12/05 23:41:05");
}

// Writes with a sentinel after the capacity, which must stay untouched.
std::string cut(const orlib::idate& date, std::size_t cap, const char* fmt) {
    char buf[300];
    std::memset(buf, 0x7F, sizeof buf);
    const std::size_t len = date.formatTo(buf, cap, fmt);
    for (std::size_t i = cap; i < sizeof buf; ++i)
        EXPECT_EQ(buf[i], 0x7F) << "byte " << i;
    if (cap == 0) return "<nothing>";
    EXPECT_EQ(buf[len], '\0');
    return std::string(buf, len);
}

TEST(Format, FormatToCutsOnCharacterBoundaries) {
    odate_t phase4 = kSample; // 十日夜 is 8F 5C 93 FA 96 E9
    phase4.shiftDay(-7);
    ASSERT_EQ(phase4.format("%L"), "十日夜");
    std::string cuts;
    for (std::size_t cap : {0, 1, 2, 3, 4, 6, 7})
        cuts += cut(phase4, cap, "%L") + "|";
    EXPECT_EQ(cuts, "<nothing>|||十|十|十日|十日夜|");
    // Once a character does not fit, a later single byte does not sneak in.
    EXPECT_EQ(cut(phase4, 3, "A十B"), "A");
    EXPECT_EQ(cut(kSample, 11, "%Q"), "944/03/26");
    EXPECT_EQ(cut(kSample, 12, "%Q"), "944/03/26（");
    EXPECT_EQ(cut(kEarth, 4, "%Y"), "202");

    // A text longer than the buffer: format keeps it all, formatTo keeps
    // the longest whole-character prefix that fits in 255 bytes.
    std::string fmt;
    for (int i = 0; i < 12; ++i)
        fmt += "%Q";
    const std::string whole = kSample.format(fmt.c_str());
    ASSERT_EQ(whole.size(), 12 * std::strlen("944/03/26（雷） 07:07 <十三夜(3)>"));
    const std::string part = cut(kSample, 256, fmt.c_str());
    EXPECT_EQ(whole.compare(0, part.size(), part), 0);
    EXPECT_GE(part.size(), 254u);
    EXPECT_LE(part.size(), 255u);
}

// The names' texts show in every date text; here their C forms, that each
// is one of its own, and the bad indices.
TEST(Names, PhasesAndWeekdays) {
    std::set<std::string> names{""};
    for (int i = 0; i < orlib::kPhases; ++i) {
        EXPECT_STREQ(orlib::lunarNameO(i), orlib::getLunarNameO(i).c_str());
        names.insert(orlib::getLunarNameO(i));
        if (i >= orlib::kDaysPerWeek) continue;
        EXPECT_STREQ(orlib::weekdayNameO(i), orlib::getWeekdayNameO(i).c_str());
        names.insert(orlib::getWeekdayNameO(i));
    }
    EXPECT_EQ(names.size(), 1u + 12u + 8u); // none empty, all different
    for (int bad : {-1, 8, 12, INT_MIN, INT_MAX}) {
        const std::string lunar =
            bad == 8 ? "" : orlib::getLunarNameO(bad) + orlib::lunarNameO(bad);
        EXPECT_EQ(orlib::getWeekdayNameO(bad) + orlib::weekdayNameO(bad) + lunar, "") << bad;
    }
}

} // namespace
