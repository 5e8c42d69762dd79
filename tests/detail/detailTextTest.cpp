// Expected lines are worked out from the calendar's definition: day D
// begins at Earth 622944000 + 3456 x D, weekday D mod 8, lunar age D mod 84,
// phase age / 7; Earth times in Tokyo.
// This file is compiled with CP932 literals, like the texts it checks.
#include "detail/detailText.h"
#include "tests/support/calendarCases.h"
#include "tests/support/tokyoTime.h"

#include <gtest/gtest.h>

#include <string>

using namespace orbel;
using orbel::test::dayAt;

[[maybe_unused]] const auto* const kTokyo =
    ::testing::AddGlobalTestEnvironment(new test::TokyoTime);

TEST(DetailText, LinesAndBodyAtKnownMoments) {
    struct Row {
        const char* name;
        orlib::odate_t date;
        const char *phase, *change, *newMoon, *fullMoon;
    };
    const Row rows[] = {
        // The end lies on the next Earth day but shows the time only; its
        // weekday is that of 944/05/19, not of 繊月's first day (風).
        {"phase 11 changes into the new moon", dayAt(339607, 12), "有明月 3日目",
         "12/07(月) 20:31  [土] 新月\r\n", "12/07(月) 20:31 [土] → 03:14 [水]\r\n",
         "12/09(水) 12:50 [氷] → 19:33 [土]\r\n"},
        // From the very first moment of 新月, "next" is strictly later.
        {"inside the new moon its line is a cycle ahead", dayAt(339612), "新月 1日目",
         "12/08(火) 03:14  [風] 繊月\r\n", "12/11(金) 05:09 [光] → 11:52 [氷]\r\n",
         "12/09(水) 12:50 [氷] → 19:33 [土]\r\n"},
        {"inside the full moon its line is a cycle ahead", dayAt(339656, 10), "満月 3日目",
         "12/09(水) 19:33  [雷] 立待月\r\n", "12/11(金) 05:09 [光] → 11:52 [氷]\r\n",
         "12/12(土) 21:28 [水] → 04:12 [光]\r\n"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(detailPhaseLine(row.date), row.phase);
        EXPECT_EQ(nextChangeLine(row.date), row.change);
        EXPECT_EQ(phaseSpanLine(row.date, 0), row.newMoon);
        EXPECT_EQ(phaseSpanLine(row.date, 6), row.fullMoon);
    }
    // 十 is 8F 5C: the trail byte is part of the name, never an escape.
    EXPECT_EQ(detailPhaseLine(dayAt(339565, 7)), "\x8F\x5C\x8E\x4F\x96\xE9 3\x93\xFA\x96\xDA");
    for (int q = 0; q < orlib::kDaysPerPhase; ++q)
        EXPECT_EQ(detailPhaseLine(dayAt(339612 + q, 5)), "新月 " + std::to_string(q + 1) + "日目");
    // The two time lines are taken as given, whatever they hold.
    EXPECT_EQ(buildDetailText(rows[0].date, "", "").substr(0, 6), "\r\n\r\n\r\n");
}

TEST(DetailText, OverTwoCyclesTheNextChangeOpensTheFollowingPhasesSpan) {
    for (std::int64_t d = 339612; d < 339612 + 2 * orlib::kLunarCycleDays; ++d) {
        for (int hour : {0, 11, 23}) {
            const orlib::odate_t date = dayAt(d, hour);
            const int next = (date.getLunarIndex() + 1) % orlib::kPhases;
            const std::string change = nextChangeLine(date);
            const std::string span = phaseSpanLine(date, next);
            // "%m/%d(%a) %H:%M": 15 bytes, the weekday being one CP932 character.
            ASSERT_EQ(change.substr(0, 15), span.substr(0, 15)) << d << " " << hour;
            ASSERT_NE(change.find(orlib::getLunarNameO(next)), std::string::npos) << d;
            const std::string after = phaseSpanLine(date, (next + 1) % orlib::kPhases);
            // "→ HH:MM" of one span is the start time of the next one.
            ASSERT_EQ(span.substr(span.find("→") + 3, 5), after.substr(10, 5)) << d;
        }
    }
}
