// The three searches and their result texts, with "now" fixed.
//
// Now is T = 1796481665 (Tokyo 2026/12/05(土) 23:41:05), Orithaven
// 944/03/26 07:07:05: day number D 339565, weekday 5 (雷), lunar age 37, so
// phase 5 (十三夜) on its third day. Day D begins at Earth time
// 622944000 + 3456 x D; weekday = D mod 8, lunar age = D mod 84.
//   十三夜 (age 35..41) occurrences: D 339563..339569, 339647..339653,
//   339731..339737, 339815..339821, 339899..339905; their weekdays 3..1,
//   7..5, 3..1, 7..5, 3..1: 氷 (6) is missing from every other one.
// This file is compiled with CP932 literals, like the texts it checks.
#include "search/ballista.h"
#include "search/lunarSearch.h"
#include "search/searchLimits.h"
#include "search/todaySearch.h"
#include "tests/support/tokyoTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

using namespace orbel;
using orlib::odate_t;

namespace {

constexpr std::time_t kT = 1796481665;
constexpr std::int64_t kToday = 339565;
using Results = std::array<odate_t, kMaxResults>;
using Days = std::vector<std::int64_t>;

odate_t dayAt(std::int64_t dayNumber, int hour = 0) {
    return odate_t::fromGameSeconds(dayNumber * orlib::kSecondsPerDay + hour * 3600);
}

std::time_t earthOf(const odate_t& o) {
    return orlib::edate_t(o);
}

// The day numbers of the first n results, each checked to be a midnight.
Days daysOf(const Results& r, int n) {
    Days days;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(r[i], dayAt(r[i].dayNumber())) << "not at 00:00: result " << i;
        days.push_back(r[i].dayNumber());
    }
    return days;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type at = 0, end = 0;
    while ((end = text.find("\r\n", at)) != std::string::npos) {
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    EXPECT_EQ(at, text.size()) << "text does not end with CRLF";
    return lines;
}

// The first day after from's day that passes both conditions, day by day.
std::int64_t firstMatchByWalking(const odate_t& from, unsigned L, unsigned W) {
    for (std::int64_t d = from.dayNumber() + 1;; ++d) {
        const odate_t day = dayAt(d);
        if ((L >= 12 || unsigned(day.getLunarIndex()) == L) &&
            (W >= 8 || unsigned(day.getDayOfWeek()) == W))
            return d;
    }
}

} // namespace

TEST(SearchLimits, ResultCountIsClampedToTheBuffer) {
    EXPECT_EQ(clampResultCount(0), 8);
    EXPECT_EQ(clampResultCount(-5), 8);
    EXPECT_EQ(clampResultCount(8), 8);
    EXPECT_EQ(clampResultCount(25), 25);
    EXPECT_EQ(clampResultCount(256), 256);
    EXPECT_EQ(clampResultCount(1000), 256);
}

TEST(LunarSearch, NoConditionListsTheNextDaysAtMidnight) {
    Results r, wide;
    findLunarDates(12, 8, r.data(), 25, kT);
    Days expected;
    for (int i = 1; i <= 25; ++i)
        expected.push_back(kToday + i);
    EXPECT_EQ(daysOf(r, 25), expected);
    // Any condition at or above the list's "all" value means "all".
    findLunarDates(999, 0xFFFFFFFF, wide.data(), 25, kT);
    EXPECT_EQ(daysOf(wide, 25), expected);

    const std::vector<std::string> lines = linesOf(lunarResultText(r.data(), 25));
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], "2026/12/06(日) 00:21  [氷] 十三夜");
    EXPECT_EQ(lines[1], "2026/12/06(日) 01:19  [闇] 十三夜");
    EXPECT_EQ(lines[24], "2026/12/06(日) 23:24  [氷] 寝待月");
}

TEST(LunarSearch, WeekdayOnlyStepsByEightAndSkipsToday) {
    Results r;
    findLunarDates(12, 5, r.data(), 4, kT); // today is 雷 (5) itself
    EXPECT_EQ(daysOf(r, 4), (Days{kToday + 8, kToday + 16, kToday + 24, kToday + 32}));
    EXPECT_EQ(lunarResultText(r.data(), 2), "2026/12/06(日) 07:04  [雷] 満月\r\n"
                                            "2026/12/06(日) 14:45  [雷] 立待月\r\n");
    findLunarDates(12, 6, r.data(), 2, kT);
    EXPECT_EQ(daysOf(r, 2), (Days{kToday + 1, kToday + 9}));
}

TEST(LunarSearch, PhaseOnlyRunsToTheEndOfThePhaseThenJumps) {
    Results r;
    findLunarDates(5, 8, r.data(), 9, kT); // from inside 十三夜
    EXPECT_EQ(daysOf(r, 9),
              (Days{339566, 339567, 339568, 339569, 339647, 339648, 339649, 339650, 339651}));
    EXPECT_EQ(linesOf(lunarResultText(r.data(), 9))[4], "2026/12/09(水) 06:07  [闇] 十三夜");
    // From its last day the list starts at the next occurrence.
    findLunarDates(5, 8, r.data(), 8, earthOf(dayAt(339569, 18)));
    EXPECT_EQ(daysOf(r, 8)[0], 339647);
    EXPECT_EQ(daysOf(r, 8)[7], 339731);
    // A phase that begins after tomorrow starts where it begins.
    findLunarDates(6, 8, r.data(), 1, kT);
    EXPECT_EQ(daysOf(r, 1)[0], 339570);
}

TEST(LunarSearch, PhaseAndWeekdaySkipAnOccurrenceThatLacksTheWeekday) {
    Results r;
    findLunarDates(5, 6, r.data(), 4, kT);
    EXPECT_EQ(daysOf(r, 4), (Days{339566, 339734, 339902, 339902 + 168}));
    EXPECT_EQ(lunarResultText(r.data(), 3), "2026/12/06(日) 00:21  [氷] 十三夜\r\n"
                                            "2026/12/12(土) 17:38  [氷] 十三夜\r\n"
                                            "2026/12/19(土) 10:55  [氷] 十三夜\r\n");
}

TEST(LunarSearch, EveryConditionFindsTheFirstMatchingDay) {
    // Against a day-by-day walk, from every fifth day over two cycles (so
    // every phase and weekday position), at a time of day that is not 0.
    for (std::int64_t d = kToday; d < kToday + 168; d += 5) {
        const odate_t from = dayAt(d, 13);
        for (unsigned L = 0; L <= 12; ++L)
            for (unsigned W = 0; W <= 8; ++W)
                ASSERT_EQ(nextLunarDate(from, L, W), dayAt(firstMatchByWalking(from, L, W)))
                    << "day " << d << " L " << L << " W " << W;
    }
}

TEST(LunarSearch, OccurrenceBoundEndsTheSearchPastFrom) {
    // 風 (2): the rest of this occurrence has weekdays 6, 7, 0, 1 only; the
    // next one (339647..339653) has it on 339650.
    const odate_t from(kT);
    EXPECT_EQ(nextLunarDateWithin(from, 5, 2, 1), dayAt(339570));
    EXPECT_EQ(nextLunarDateWithin(from, 5, 2, 2), dayAt(339650));
    EXPECT_EQ(nextLunarDateWithin(from, 5, 2, 0), dayAt(kToday + 1));
    EXPECT_EQ(nextLunarDate(from, 5, 2), dayAt(339650));
    // In this calendar three occurrences always suffice, far below the bound.
    for (unsigned L = 0; L < 12; ++L)
        for (unsigned W = 0; W < 8; ++W)
            for (std::int64_t d = kToday; d < kToday + 84; ++d)
                ASSERT_EQ(nextLunarDateWithin(dayAt(d, 1), L, W, 3),
                          nextLunarDate(dayAt(d, 1), L, W));
}

TEST(Ballista, ScheduleWordsTextsAndGuards) {
    EXPECT_EQ(getBallistaSchedule(1, 2), 0xA0101u);
    EXPECT_EQ(getBallistaSchedule(9, 30), 0x141004u);
    EXPECT_EQ(getBallistaSchedule(12, 28), 0xA1002u);
    EXPECT_EQ(getBallistaSchedule(1, 1), 0u);
    for (auto [m, d] : std::vector<std::pair<int, int>>{
             {0, 2}, {13, 2}, {-1, 2}, {1, 0}, {1, 31}, {1, -2}, {1 << 30, 2}, {2, 1 << 30}})
        EXPECT_EQ(getBallistaSchedule(m, d), 0u) << m << "/" << d;
    EXPECT_FALSE(matchesBallista(13, 2, 0xFFFFFFFF, 0xFFFFFFFF));

    EXPECT_EQ(formatBallistaSchedule(1, 2), "ケ vs ミ [30/ジ]");
    EXPECT_EQ(formatBallistaSchedule(5, 2), "ミ vs タ [30/ジ]");
    EXPECT_EQ(formatBallistaSchedule(9, 30), "ミ vs タ [--/メ]");
    EXPECT_EQ(formatBallistaSchedule(3, 16), "ミ vs タ [50/パ]");
    EXPECT_EQ(formatBallistaSchedule(7, 24), "ケ vs ミ [60/メ]");
    EXPECT_EQ(formatBallistaSchedule(11, 8), "タ vs ケ [40/ジ]");
    EXPECT_EQ(formatBallistaSchedule(1, 3), "");
    EXPECT_EQ(formatBallistaSchedule(0, 2), "");
}

TEST(Ballista, EveryMonthEachPairingOncePerCap) {
    for (int m = 1; m <= 12; ++m) {
        int matchDays = 0;
        for (int d = 1; d <= 30; ++d)
            matchDays += getBallistaSchedule(m, d) != 0;
        EXPECT_EQ(matchDays, 15) << m;
        for (unsigned cap : {0x100u, 0x200u, 0x400u, 0x800u, 0x1000u}) {
            for (unsigned pairing : {0xA0000u, 0x140000u, 0x210000u}) {
                int n = 0;
                for (int d = 1; d <= 30; ++d)
                    n += (getBallistaSchedule(m, d) & 0xFF0000) == pairing &&
                         matchesBallista(m, d, pairing, cap);
                EXPECT_EQ(n, 1) << m << " " << cap << " " << pairing;
            }
        }
    }
}

TEST(Ballista, OnePairingAtOneCapIsOneDayAMonth) {
    Results r;
    searchBallista(0xA0000, 0x100, r.data(), 12, kT);
    std::string monthDays;
    for (int i = 0; i < 12; ++i)
        monthDays += r[i].format("%Y/%m/%d ");
    EXPECT_EQ(monthDays, "944/04/02 944/05/06 944/06/06 944/07/06 944/08/06 944/09/04 "
                         "944/10/04 944/11/04 944/12/04 945/01/02 945/02/02 945/03/02 ");
    daysOf(r, 12); // each at 00:00
    const std::vector<std::string> lines = linesOf(ballistaResultText(r.data(), 12));
    EXPECT_EQ(lines[0], "12/06(日) 05:09  ケ vs ミ [30/ジ] (04/02)");
    EXPECT_EQ(lines[1].substr(lines[1].find("  ")), "  ケ vs ミ [30/メ] (05/06)");
    EXPECT_EQ(lines[5].substr(lines[5].find("  ")), "  ケ vs ミ [30/パ] (09/04)");
}

TEST(Ballista, NoCapListsTodayFirstAndOnlyDays26To30) {
    Results r;
    searchBallista(0x3F0000, 0x1000, r.data(), 25, kT);
    const Days days = daysOf(r, 25);
    EXPECT_EQ(days[0], kToday); // today, 944/03/26, at 00:00
    for (int i = 0; i < 25; ++i)
        EXPECT_TRUE(r[i].day() == 26 || r[i].day() == 28 || r[i].day() == 30) << i;
    EXPECT_TRUE(std::is_sorted(days.begin(), days.end()));
    const std::vector<std::string> lines = linesOf(ballistaResultText(r.data(), 25));
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], "12/05(土) 23:24  ケ vs ミ [--/ジ] (03/26)");
    EXPECT_EQ(lines[1], "12/06(日) 01:19  ミ vs タ [--/パ] (03/28)");
    EXPECT_EQ(lines[2], "12/06(日) 03:14  タ vs ケ [--/メ] (03/30)");
    for (const std::string& line : lines)
        EXPECT_NE(line.find(" [--/"), std::string::npos) << line;
}

TEST(Ballista, AllCardsAllCapsIsEveryEvenDay) {
    Results r;
    searchBallista(0x3F0000, 0x1F00, r.data(), 25, kT);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(r[i], dayAt(kToday + 2 * i)) << i;
    // Today's match is uncapped, so a cap of 30 starts later.
    searchBallista(0x3F0000, 0x100, r.data(), 8, kT);
    EXPECT_EQ(r[0], dayAt(339571)); // 944/04/02
}

TEST(Ballista, AFactionsCardNeverShowsTheOtherPairing) {
    Results r;
    searchBallista(0x90000, 0x1F00, r.data(), 256, kT);
    const std::string text = ballistaResultText(r.data(), 256);
    EXPECT_EQ(text.find("ミ vs タ"), std::string::npos);
    EXPECT_NE(text.find("ケ vs ミ"), std::string::npos);
    EXPECT_NE(text.find("タ vs ケ"), std::string::npos);
    EXPECT_EQ(linesOf(text).size(), 256u);
}

TEST(Ballista, AFilterThatNeverMatchesEndsWithANoMatchDay) {
    for (auto [card, level] : std::vector<std::pair<unsigned, unsigned>>{
             {0, 0x1F00}, {0x3F0000, 0}, {0x3F0000, 0x2000}, {0xC00000, 0x1F00}}) {
        Results r;
        r.fill(dayAt(1));
        searchBallista(card, level, r.data(), 256, kT);
        // Today (944/03/26) has a match, so tomorrow (03/27) stands in.
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(r[i], dayAt(kToday + 1)) << i;
        EXPECT_EQ(linesOf(ballistaResultText(r.data(), 8))[7], "12/06(日) 00:21   (03/27)");
    }
    // On an odd day that day itself stands in.
    Results r;
    searchBallista(0, 0, r.data(), 8, earthOf(dayAt(kToday + 1, 20)));
    EXPECT_EQ(r[7], dayAt(kToday + 1));
}

// The drop-down lists: their length and ends, an "all" entry first, and
// data the searches can read: the phases and weekdays by number with "all"
// as the one past the last, the Ballista filters as distinct bit sets with
// "all" their union.
TEST(SearchLists, AllFirstThenEachChoiceWithItsData) {
    struct Row {
        const char* name;
        std::vector<SearchItem> items;
        std::size_t size;
        const char* first;
        const char* last;
        bool bits;
    };
    const Row rows[] = {
        {"phases", lunarAgeItems(), 13, "全ての月齢", "有明月", false},
        {"weekdays", lunarWeekdayItems(), 9, "全ての曜日", "闇", false},
        {"cards", ballistaCardItems(), 7, "全て", "タルーン vs ケルドア", true},
        {"caps", ballistaLevelItems(), 6, "全て", "制限なし", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(row.items.size(), row.size);
        EXPECT_EQ(row.items.front().text, row.first);
        EXPECT_EQ(row.items.back().text, row.last);
        unsigned all = 0;
        std::set<unsigned> seen;
        for (std::size_t i = 1; i < row.size; ++i) {
            const unsigned data = row.items[i].data;
            if (row.bits) {
                EXPECT_NE(data, 0u) << i;
                EXPECT_TRUE(seen.insert(data).second) << i;
                all |= data;
            } else {
                EXPECT_EQ(data, i - 1);
            }
        }
        EXPECT_EQ(row.items.front().data, row.bits ? all : unsigned(row.size - 1));
    }
}

TEST(TodaySearch, EarthDateIsItsLocalMidnight) {
    // 2026-12-05T00:00:00+09:00 = 2026-12-04T15:00:00Z.
    EXPECT_EQ(toEarthTime({2026, 12, 5}), 1796396400);
    EXPECT_EQ(toEarthTime({1989, 9, 29}), 622998000);
}

TEST(TodaySearch, TwentySixStepsFromMidnight) {
    // Local midnight 1796396400 is 944/03/01 15:00:00 (D 339540, age 12:
    // 繊月 day 6). 25 Orithaven days make one Earth day, so the steps are
    // 57 min 36 s apart and the 26th is the next midnight. Ages 14, 21, 28
    // and 35 begin a phase.
    Results r, fromMidnight;
    searchToday(kT, r.data(), 26);
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(earthOf(r[i]), 1796396400 + 3456 * i) << i;
    const std::string text = todayResultText(r.data(), 26);
    EXPECT_EQ(text, "2026/12/05(土)\r\n"
                    "---------------\r\n"
                    "00:00 (03/01[土]) <繊月(6)>\r\n"
                    "00:57 (03/02[雷]) \r\n"
                    "01:55 (03/03[氷]) <三日月> \r\n"
                    "02:52 (03/04[闇]) \r\n"
                    "03:50 (03/05[光]) \r\n"
                    "04:48 (03/06[炎]) \r\n"
                    "05:45 (03/07[水]) \r\n"
                    "06:43 (03/08[風]) \r\n"
                    "07:40 (03/09[土]) \r\n"
                    "08:38 (03/10[雷]) <上弦> \r\n"
                    "09:36 (03/11[氷]) \r\n"
                    "10:33 (03/12[闇]) \r\n"
                    "11:31 (03/13[光]) \r\n"
                    "12:28 (03/14[炎]) \r\n"
                    "13:26 (03/15[水]) \r\n"
                    "14:24 (03/16[風]) \r\n"
                    "15:21 (03/17[土]) <十日夜> \r\n"
                    "16:19 (03/18[雷]) \r\n"
                    "17:16 (03/19[氷]) \r\n"
                    "18:14 (03/20[闇]) \r\n"
                    "19:12 (03/21[光]) \r\n"
                    "20:09 (03/22[炎]) \r\n"
                    "21:07 (03/23[水]) \r\n"
                    "22:04 (03/24[風]) <十三夜> \r\n"
                    "23:02 (03/25[土]) \r\n"
                    "00:00 (03/26[雷]) \r\n");
    EXPECT_EQ(linesOf(text).size(), 28u);
    searchToday(1796396400, fromMidnight.data(), 26);
    EXPECT_TRUE(std::equal(r.begin(), r.begin() + 26, fromMidnight.begin()))
        << "any moment of the day gives the same steps";
}

TEST(TodaySearch, FirstStepOnlyShowsTheDayInThePhase) {
    // 1989-09-29 midnight in Tokyo: game second 1350000 = D 15 at 15:00,
    // age 15 (三日月 day 2); step 6 is D 21, age 21: 上弦 begins.
    Results r;
    searchToday(toEarthTime({1989, 9, 29}), r.data(), 8);
    const std::vector<std::string> lines = linesOf(todayResultText(r.data(), 8));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "1989/09/29(金)");
    EXPECT_EQ(lines[2], "00:00 (01/16[闇]) <三日月(2)>");
    EXPECT_EQ(lines[8], "05:45 (01/22[雷]) <上弦> ");
}
