// Texts: every directive of both date classes against exact expected bytes,
// the odd directives, formatTo's cut on a CP932 boundary, and the names.
// Compiled with the CP932 execution charset, so each literal below is the
// byte string the library must produce. ctest runs this with TZ=Asia/Tokyo.

#include "orlib/orlib.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <iterator>
#include <set>
#include <string>

namespace {

using orlib::edate_t;
using orlib::odate_t;

struct Row {
    const char* fmt;
    const char* expected;
};

// 944/03/26 07:07:07: weekday 5 (雷), lunar age 37 = phase 5 (十三夜), day 2.
const odate_t kSample(944, 3, 26, 7, 7, 7);
// 2026-12-06 07:08:09 in Tokyo, a Sunday; in Orithaven lunar age 45 = 満月, day 3.
const edate_t kEarth(std::time_t{1796508489});

void expectRows(const orlib::idate& date, const Row* rows, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(rows[i].fmt);
        EXPECT_EQ(date.format(rows[i].fmt), rows[i].expected);
        char buf[256];
        const std::size_t len = date.formatTo(buf, sizeof buf, rows[i].fmt);
        EXPECT_EQ(std::string(buf, len), rows[i].expected);
        EXPECT_EQ(buf[len], '\0');
    }
}

TEST(Format, OrithavenDirectives) {
    static const Row rows[] = {
        {"%Y", "944"},
        {"%m", "03"},
        {"%d", "26"},
        {"%H", "07"},
        {"%M", "07"},
        {"%S", "07"},
        {"%#m", "3"},
        {"%#d", "26"},
        {"%#H", "7"},
        {"%#M", "7"},
        {"%#S", "7"},
        {"%a", "雷"},
        {"%x", "944/03/26"},
        {"%X", "07:07:07"},
        {"%c", "944/03/26 07:07:07"},
        {"%v", "944/3/26（雷） 7:07"},
        {"%L", "十三夜"},
        {"%q", "3"},
        {"%Q", "944/03/26（雷） 07:07 <十三夜(3)>"},
        {"%#Y|%#x|%#a|%#L", "944|944/03/26|雷|十三夜"},
        {"Orithaven : %x(%a) %H:%M <%L>", "Orithaven : 944/03/26(雷) 07:07 <十三夜>"},
        {"%v <%L(%q)>", "944/3/26（雷） 7:07 <十三夜(3)>"},
        {"Orithaven [%v <%L>]", "Orithaven [944/3/26（雷） 7:07 <十三夜>]"},
        {"%x(%a) %X <%L(%q)>", "944/03/26(雷) 07:07:07 <十三夜(3)>"},
        {"Orithaven : %c", "Orithaven : 944/03/26 07:07:07"},
        {"(%m/%d[%a]) ", "(03/26[雷]) "},
        {"%L(%q)日目", "十三夜(3)日目"},
    };
    expectRows(kSample, rows, std::size(rows));
    EXPECT_EQ(odate_t(-5, 1, 1).format("%x %Y"), "-5/01/01 -5");
}

TEST(Format, EarthDirectives) {
    static const Row rows[] = {
        {"%Y", "2026"},
        {"%m", "12"},
        {"%d", "06"},
        {"%H", "07"},
        {"%M", "08"},
        {"%S", "09"},
        {"%#m|%#d|%#H|%#M|%#S", "12|6|7|8|9"},
        {"%a", "日"},
        {"%x", "2026/12/06"},
        {"%X", "07:08:09"},
        {"%c", "2026/12/06 07:08:09"},
        {"%v", "2026/12/6（日） 7:08"},
        {"%L", "満月"},
        {"%q", "4"},
        {"%Q", "2026/12/06（日） 07:08 <満月(4)>"},
        {"     Earth : %c", "     Earth : 2026/12/06 07:08:09"},
        {"     Earth [%v]", "     Earth [2026/12/6（日） 7:08]"},
        {"%Y/%m/%d(%a) %H:%M", "2026/12/06(日) 07:08"},
    };
    expectRows(kEarth, rows, std::size(rows));
    // The whole Earth week, Sunday first.
    std::string week;
    for (int i = 0; i < 7; ++i)
        week += edate_t(kEarth + i * 86400).format("%a");
    EXPECT_EQ(week, "日月火水木金土");
    // The Earth line of the sample Orithaven moment.
    EXPECT_EQ(edate_t(kSample).format("%c"), "2026/12/05 23:41:05");
}

TEST(Format, OddDirectivesAndLiterals) {
    static const Row rows[] = {
        {"%%", "%"},
        {"100%%", "100%"},
        {"%%Y", "%Y"},
        {"%#%", "%"},
        {"%k", "%k"},
        {"%#k", "%#k"},
        {"%##", "%##"},
        {"%", "%"},
        {"abc%", "abc%"},
        {"%#", "%#"},
        {"%表", "%表"},
        {"表%dソ%m", "表26ソ03"},
        // A lead byte takes the next byte with it, even a '%'.
        {"\x81%m", "\x81%m"},
        // A lead byte with nothing after it is dropped.
        {"A\x82", "A"},
        {"%\x82", "%"},
        {"", ""},
    };
    expectRows(kSample, rows, std::size(rows));
    EXPECT_EQ(kSample.format(nullptr), "");
    EXPECT_EQ(kEarth.format(nullptr), "");
    char buf[4] = "xyz";
    EXPECT_EQ(kSample.formatTo(buf, sizeof buf, nullptr), 0u);
    EXPECT_EQ(buf[0], '\0');
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
    EXPECT_EQ(cut(phase4, 0, "%L"), "<nothing>");
    EXPECT_EQ(cut(phase4, 1, "%L"), "");
    EXPECT_EQ(cut(phase4, 2, "%L"), "");
    EXPECT_EQ(cut(phase4, 3, "%L"), "十");
    EXPECT_EQ(cut(phase4, 4, "%L"), "十");
    EXPECT_EQ(cut(phase4, 6, "%L"), "十日");
    EXPECT_EQ(cut(phase4, 7, "%L"), "十日夜");
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

TEST(Names, PhasesAndWeekdays) {
    EXPECT_EQ(orlib::getLunarNameO(0), "\x90\x56\x8C\x8E"); // 新月 in CP932
    EXPECT_EQ(orlib::getLunarNameO(0), "新月");
    EXPECT_EQ(orlib::getLunarNameO(6), "満月");
    std::set<std::string> phases, weekdays;
    for (int i = 0; i < orlib::kPhases; ++i) {
        EXPECT_FALSE(orlib::getLunarNameO(i).empty());
        EXPECT_STREQ(orlib::lunarNameO(i), orlib::getLunarNameO(i).c_str());
        phases.insert(orlib::getLunarNameO(i));
    }
    EXPECT_EQ(phases.size(), 12u);
    for (int i = 0; i < orlib::kDaysPerWeek; ++i) {
        const std::string w = orlib::getWeekdayNameO(i);
        ASSERT_EQ(w.size(), 2u) << i; // one double-byte character
        const auto lead = static_cast<unsigned char>(w[0]);
        EXPECT_TRUE((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) << i;
        EXPECT_STREQ(orlib::weekdayNameO(i), w.c_str());
        weekdays.insert(w);
    }
    EXPECT_EQ(weekdays.size(), 8u);
    EXPECT_EQ(orlib::getWeekdayNameO(5), "\x97\x8B"); // 雷
    for (int bad : {-1, 8, 12, INT_MIN, INT_MAX}) {
        EXPECT_EQ(orlib::getWeekdayNameO(bad), "") << bad;
        EXPECT_STREQ(orlib::weekdayNameO(bad), "") << bad;
    }
    for (int bad : {-1, 12, INT_MIN, INT_MAX}) {
        EXPECT_EQ(orlib::getLunarNameO(bad), "") << bad;
        EXPECT_STREQ(orlib::lunarNameO(bad), "") << bad;
    }
}

} // namespace
