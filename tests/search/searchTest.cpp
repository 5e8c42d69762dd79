// The three searches and their result texts (the one home of these texts:
// the dialogs and orbel-cli compare against them), "now" fixed at T =
// 1796481665 (Tokyo 2026/12/05(土) 23:41:05), Orithaven 944/03/26 07:07:05:
// day D 339565, weekday 5 (雷), lunar age 37: 十三夜, third day. Day D begins
// at Earth 622944000 + 3456 x D; weekday D mod 8, age D mod 84.
#include "search/ballista.h"
#include "search/lunarSearch.h"
#include "search/searchLimits.h"
#include "search/todaySearch.h"
#include "tests/support/calendarCases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

using namespace orbel;
using orbel::test::dayAt;
using orbel::test::linesOf;
using orlib::odate_t;

namespace {

constexpr std::time_t kT = 1796481665;
constexpr std::int64_t kToday = 339565;
using Results = std::array<odate_t, kMaxResults>;
using Lines = std::vector<std::string>;

const auto earthOf = [](const odate_t& o) -> std::time_t { return orlib::edate_t(o); };

// The first day after from's day that passes both conditions, day by day.
std::int64_t firstMatchByWalking(const odate_t& from, unsigned L, unsigned W) {
    for (std::int64_t d = from.dayNumber() + 1;; ++d)
        if ((L >= 12 || unsigned(dayAt(d).getLunarIndex()) == L) &&
            (W >= 8 || unsigned(dayAt(d).getDayOfWeek()) == W))
            return d;
}

} // namespace

TEST(LunarSearch, EveryConditionFindsTheFirstMatchingDaysWithinTheBoundAndTheirLines) {
    // Against a day-by-day walk, from every fifth day over two cycles (so
    // every phase and weekday position), at a time of day that is not 0.
    Results r, all;
    for (std::int64_t d = kToday; d < kToday + 168; d += 5) {
        for (unsigned L = 0; L <= 12; ++L) {
            for (unsigned W = 0; W <= 8; ++W) {
                odate_t day = dayAt(d, 13);
                findLunarDates(L, W, r.data(), 3, earthOf(day));
                for (int i = 0; i < 3; ++i) {
                    day = dayAt(firstMatchByWalking(day, L, W));
                    ASSERT_EQ(r[i], day) << "day " << d << " L " << L << " W " << W << " #" << i;
                }
            }
        }
    }
    // Any condition at or above the list's "all" value means "all".
    findLunarDates(999, 0xFFFFFFFF, r.data(), 25, kT);
    findLunarDates(12, 8, all.data(), 25, kT);
    EXPECT_TRUE(std::equal(r.begin(), r.begin() + 25, all.begin()));
    // The occurrence bound ends the search past `from`. 風 (2): the rest of
    // this occurrence has weekdays 6, 7, 0, 1 only; the next one has it on 339650.
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
    // Which days come is the walk's; here only how a result line reads.
    const Lines lines = linesOf(test::lunarText(12, 8, 25, kT));
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], "2026/12/06(日) 00:21  [氷] 十三夜");
    EXPECT_EQ(lines[24], "2026/12/06(日) 23:24  [氷] 寝待月");
}

TEST(Ballista, ScheduleWordsTextsGuardsAndEachPairingOncePerCap) {
    for (int m : {0, 13, -1, 1 << 30})
        EXPECT_EQ(getBallistaSchedule(m, 2), 0u) << m;
    for (int d : {1, 0, 31, -2, 1 << 30})
        EXPECT_EQ(getBallistaSchedule(2, d), 0u) << d;
    EXPECT_FALSE(matchesBallista(13, 2, 0xFFFFFFFF, 0xFFFFFFFF));
    std::string texts;
    for (auto [m, d] :
         {std::pair{1, 2}, {5, 2}, {9, 30}, {3, 16}, {7, 24}, {11, 8}, {1, 3}, {0, 2}})
        texts += formatBallistaSchedule(m, d) + "|";
    EXPECT_EQ(texts, "ケ vs ミ [30/ジ]|ミ vs タ [30/ジ]|ミ vs タ [--/メ]|ミ vs タ [50/パ]|"
                     "ケ vs ミ [60/メ]|タ vs ケ [40/ジ]|||");
    // Every month each pairing once per cap.
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

TEST(Ballista, SearchesAndTheirLines) {
    // Against a day-by-day walk from today on, for every card and cap.
    Results r;
    for (const SearchItem& card : ballistaCardItems()) {
        for (const SearchItem& level : ballistaLevelItems()) {
            searchBallista(card.data, level.data, r.data(), 25, kT);
            std::int64_t d = kToday;
            for (int i = 0; i < 25; ++i, ++d) {
                while (!matchesBallista(dayAt(d).month(), dayAt(d).day(), card.data, level.data))
                    ++d;
                ASSERT_EQ(r[i], dayAt(d)) << card.text << " " << level.text << " " << i;
            }
        }
    }
    EXPECT_EQ(linesOf(test::ballistaText(0xA0000, 0x100, 6, kT))[0],
              "12/06(日) 05:09  ケ vs ミ [30/ジ] (04/02)");

    // A faction's card never shows the other pairing.
    const std::string text = test::ballistaText(0x90000, 0x1F00, 256, kT);
    EXPECT_TRUE(text.find("ミ vs タ") == text.npos && text.find("ケ vs ミ") != text.npos &&
                text.find("タ vs ケ") != text.npos);

    // A filter that never matches ends with a no-match day.
    for (auto [card, level] :
         {std::pair{0u, 0x1F00u}, {0x3F0000u, 0u}, {0x3F0000u, 0x2000u}, {0xC00000u, 0x1F00u}}) {
        r.fill(dayAt(1));
        searchBallista(card, level, r.data(), 256, kT);
        // Today (944/03/26) has a match, so tomorrow (03/27) stands in.
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(r[i], dayAt(kToday + 1)) << i;
        EXPECT_EQ(linesOf(ballistaResultText(r.data(), 8))[7], "12/06(日) 00:21   (03/27)");
    }
    // On an odd day that day itself stands in.
    r.fill(dayAt(1));
    searchBallista(0, 0, r.data(), 8, earthOf(dayAt(kToday + 1, 20)));
    EXPECT_EQ(r[7], dayAt(kToday + 1));
}

// The drop-down lists: "all" first; the phases and weekdays by number with
// "all" one past the last, the Ballista filters distinct bit sets with "all"
// their union.
TEST(SearchLists, AllFirstThenEachChoiceWithItsData) {
    const std::pair<std::vector<SearchItem>, bool> lists[] = {{lunarAgeItems(), false},
                                                              {lunarWeekdayItems(), false},
                                                              {ballistaCardItems(), true},
                                                              {ballistaLevelItems(), true}};
    std::string ends;
    for (const auto& [items, bits] : lists) {
        ends += items.front().text + ".." + items.back().text + "/" + std::to_string(items.size());
        unsigned all = 0;
        std::set<unsigned> seen;
        for (std::size_t i = 1; i < items.size(); ++i) {
            const unsigned data = items[i].data;
            EXPECT_TRUE(bits ? data != 0 && seen.insert(data).second : data == i - 1) << ends;
            all |= data;
        }
        EXPECT_EQ(items.front().data, bits ? all : unsigned(items.size() - 1)) << ends;
        ends += " ";
    }
    EXPECT_EQ(
        ends,
        "全ての月齢..有明月/13 全ての曜日..闇/9 全て..タルーン vs ケルドア/7 全て..制限なし/6 ");
}

TEST(TodaySearch, TwentySixStepsFromMidnight) {
    EXPECT_EQ(toEarthTime({2026, 12, 5}), 1796396400);
    EXPECT_EQ(toEarthTime({1989, 9, 29}), 622998000);
    // Local midnight 1796396400 is 944/03/01 15:00:00 (D 339540, age 12:
    // 繊月 day 6). 25 Orithaven days make one Earth day, so the steps are
    // 57 min 36 s apart and the 26th is the next midnight.
    Results r, fromMidnight;
    searchToday(kT, r.data(), 26);
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(earthOf(r[i]), 1796396400 + 3456 * i) << i;
    // A phase's name shows on its first day only, and the first line has the day too.
    const Lines lines = linesOf(todayResultText(r.data(), 26));
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 5),
              (Lines{"2026/12/05(土)", "---------------", "00:00 (03/01[土]) <繊月(6)>",
                     "00:57 (03/02[雷]) ", "01:55 (03/03[氷]) <三日月> "}));
    EXPECT_EQ(lines[11], "08:38 (03/10[雷]) <上弦> ");
    EXPECT_EQ(lines[27], "00:00 (03/26[雷]) ");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find('<') != l.npos; }),
              5);
    searchToday(1796396400, fromMidnight.data(), 26);
    EXPECT_TRUE(std::equal(r.begin(), r.begin() + 26, fromMidnight.begin()))
        << "any moment of the day gives the same steps";
}
