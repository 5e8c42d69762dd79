// The detail window's texts: exact lines worked out from the calendar's
// definition, and properties over a whole lunar cycle.
//
// Day numbers D count Orithaven days since the epoch; day D begins at Earth
// time 622944000 + 3456 x D (86400 game seconds / 25). Weekday = D mod 8,
// lunar age = D mod 84, phase = age / 7. Earth times below are Tokyo (UTC+9).
//   D 339607  944/05/08  age 79, phase 11 (有明月), day 3 in the phase
//   D 339612  944/05/13  age 0, 新月 begins; weekday 4 (土); Earth 12/07(月) 20:31
//   D 339618  944/05/19  last day of 新月; weekday 2 (水)
//   D 339619  944/05/20  繊月 begins; weekday 3 (風); Earth 12/08(火) 03:14
//   D 339654  944/06/25  満月 begins; weekday 6 (氷); Earth 12/09(水) 12:50
//   D 339660  944/07/01  last day of 満月; weekday 4 (土)
//   D 339661  944/07/02  立待月 begins; weekday 5 (雷); Earth 12/09(水) 19:33
//   D 339696  944/08/07  新月 again (+84); weekday 0 (光); Earth 12/11(金) 05:09
//   D 339702/3           its last day 氷 (6); 繊月 at 12/11(金) 11:52
//   D 339738  944/09/19  満月 again; weekday 2 (水); Earth 12/12(土) 21:28
//   D 339744/5           its last day 光 (0); 立待月 at 12/13(日) 04:12
// This file is compiled with CP932 literals, like the texts it checks.
#include "detail/detailText.h"
#include "tests/support/tokyoTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using namespace orbel;

namespace {

[[maybe_unused]] const auto* const kTokyo =
    ::testing::AddGlobalTestEnvironment(new orbel::test::TokyoTime);

constexpr std::int64_t kDay = orlib::kSecondsPerDay;

orlib::odate_t dayAt(std::int64_t dayNumber, int hour = 0) {
    return orlib::odate_t::fromGameSeconds(dayNumber * kDay + hour * 3600);
}

// The "%m/%d(%a) %H:%M" that starts both kinds of line: 15 bytes, as every
// character in it but the Earth weekday is ASCII and that one is 2 bytes.
std::string earthStart(const std::string& line) {
    return line.substr(0, 15);
}

} // namespace

TEST(DetailText, PhaseElevenChangesIntoTheNewMoon) {
    const orlib::odate_t date = dayAt(339607, 12);
    ASSERT_EQ(date.getLunarIndex(), 11);
    EXPECT_EQ(detailPhaseLine(date), "有明月 3日目");
    EXPECT_EQ(nextChangeLine(date), "12/07(月) 20:31  [土] 新月\r\n");
    // The end lies on the next Earth day but shows the time only; its
    // weekday is that of 944/05/19, not of 繊月's first day (風).
    EXPECT_EQ(phaseSpanLine(date, 0), "12/07(月) 20:31 [土] → 03:14 [水]\r\n");
    EXPECT_EQ(phaseSpanLine(date, 6), "12/09(水) 12:50 [氷] → 19:33 [土]\r\n");
    EXPECT_EQ(earthStart(nextChangeLine(date)), earthStart(phaseSpanLine(date, 0)));
}

TEST(DetailText, WholeBodyInOrder) {
    const orlib::odate_t date = dayAt(339607, 12);
    EXPECT_EQ(buildDetailText(date, "Orithaven : game", "     Earth : earth"),
              "Orithaven : game\r\n"
              "     Earth : earth\r\n"
              "\r\n"
              "月齢替わり : 12/07(月) 20:31  [土] 新月\r\n"
              "\r\n"
              "次の新月 : 12/07(月) 20:31 [土] → 03:14 [水]\r\n"
              "次の満月 : 12/09(水) 12:50 [氷] → 19:33 [土]\r\n");
    // The two time lines are taken as given, whatever they hold.
    EXPECT_EQ(buildDetailText(date, "", "").substr(0, 6), "\r\n\r\n\r\n");
}

TEST(DetailText, InsideTheNewMoonTheNewMoonLineIsACycleAhead) {
    // The very first moment of 新月: "next" is strictly later.
    const orlib::odate_t date = dayAt(339612);
    EXPECT_EQ(detailPhaseLine(date), "新月 1日目");
    EXPECT_EQ(nextChangeLine(date), "12/08(火) 03:14  [風] 繊月\r\n");
    EXPECT_EQ(phaseSpanLine(date, 0), "12/11(金) 05:09 [光] → 11:52 [氷]\r\n");
    EXPECT_EQ(phaseSpanLine(date, 6), "12/09(水) 12:50 [氷] → 19:33 [土]\r\n");
}

TEST(DetailText, InsideTheFullMoonTheFullMoonLineIsACycleAhead) {
    const orlib::odate_t date = dayAt(339656, 10);
    EXPECT_EQ(detailPhaseLine(date), "満月 3日目");
    EXPECT_EQ(nextChangeLine(date), "12/09(水) 19:33  [雷] 立待月\r\n");
    EXPECT_EQ(phaseSpanLine(date, 0), "12/11(金) 05:09 [光] → 11:52 [氷]\r\n");
    EXPECT_EQ(phaseSpanLine(date, 6), "12/12(土) 21:28 [水] → 04:12 [光]\r\n");
}

TEST(DetailText, PhaseNamesKeepTheirBackslashTrailBytes) {
    // 十 is 8F 5C: the trail byte is part of the name, never an escape.
    const orlib::odate_t date = dayAt(339565, 7); // 944/03/26, 十三夜 day 3
    EXPECT_EQ(detailPhaseLine(date), "\x8F\x5C\x8E\x4F\x96\xE9 3\x93\xFA\x96\xDA");
}

TEST(DetailText, OverACycleTheNextChangeOpensTheFollowingPhasesSpan) {
    // Every day of two cycles, at three times of day: the next change names
    // the phase after the current one and begins when that phase's span
    // does; the span ends when the phase after it begins.
    for (std::int64_t d = 339612; d < 339612 + 2 * orlib::kLunarCycleDays; ++d) {
        for (int hour : {0, 11, 23}) {
            const orlib::odate_t date = dayAt(d, hour);
            const int next = (date.getLunarIndex() + 1) % orlib::kPhases;
            const std::string change = nextChangeLine(date);
            const std::string span = phaseSpanLine(date, next);
            ASSERT_EQ(earthStart(change), earthStart(span)) << d << " " << hour;
            ASSERT_NE(change.find(orlib::getLunarNameO(next)), std::string::npos) << d;
            const std::string after = phaseSpanLine(date, (next + 1) % orlib::kPhases);
            // "→ HH:MM" of one span is the start time of the next one.
            ASSERT_EQ(span.substr(span.find("→") + 3, 5), after.substr(10, 5)) << d;
            ASSERT_EQ(change.substr(change.size() - 2), "\r\n");
            ASSERT_EQ(span.substr(span.size() - 2), "\r\n");
        }
    }
}

TEST(DetailText, DayLineCountsOneToSeven) {
    for (int q = 0; q < orlib::kDaysPerPhase; ++q)
        EXPECT_EQ(detailPhaseLine(dayAt(339612 + q, 5)), "新月 " + std::to_string(q + 1) + "日目");
}
