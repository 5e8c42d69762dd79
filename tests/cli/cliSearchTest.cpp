// orbel-cli detail and search, in-process: exact outputs, counts and
// options (their bad usage and range errors are in cliTest.cpp).
//
// Now is T = @1796481665 (Tokyo 2026/12/05(土) 23:41:05), Orithaven
// 944/03/26 07:07:05: day number D 339565, weekday 雷, 十三夜 on its third
// day (see cliTest.cpp for the arithmetic). Day D begins at Earth time
// 622944000 + 3456 x D; weekday = D mod 8, lunar age = D mod 84.
// Texts here are UTF-8 (this target keeps the ordinary charset).
#include "tests/cli/cliRun.h"

using namespace orbel::cli;
using namespace orbel::cli::test;

namespace {

std::string firstLines(const std::string& out, int n) {
    std::string::size_type at = 0;
    for (int i = 0; i < n && at != std::string::npos; ++i)
        at = out.find('\n', at + (i > 0));
    return out.substr(0, at + 1);
}

// The next phase change is 十三夜 -> 満月 at D 339570 (Earth 04:12); the
// next new moon D 339612..339618 (20:31, its last day 水, the end 03:14 the
// next Earth day); the next full moon D 339570..339576 (its last day 光).
const std::string kDetailBody = "\n"
                                "月齢替わり : 12/06(日) 04:12  [水] 満月\n"
                                "\n"
                                "次の新月 : 12/07(月) 20:31 [土] → 03:14 [水]\n"
                                "次の満月 : 12/06(日) 04:12 [水] → 10:55 [光]\n";

} // namespace

TEST(CliDetail, PhaseLineThenTheBodyInEachMode) {
    const std::string mode0 =
        "Orithaven : 944/03/26(雷) 07:07 <十三夜>\n     Earth : 2026/12/05 23:41:05\n";
    const std::pair<const char*, std::string> rows[] = {
        {"0", mode0},
        {"1", "Orithaven [944/3/26（雷） 7:07 <十三夜>]\n     Earth [2026/12/5（土） 23:41]\n"},
        {"2", "Orithaven : 944/03/26 07:07:05\n     Earth : 2026/12/05 23:41:05\n"},
        {"5", mode0}};
    for (const auto& [mode, lines] : rows)
        expectRun({"detail", "--at", kAtT, "--mode", mode}, kExitOk,
                  "十三夜 3日目\n" + lines + kDetailBody);
    expectRun({"detail"}, kExitOk, "十三夜 3日目\n" + mode0 + kDetailBody);

    // --raw keeps the window's CRLF, and no empty line at the end.
    expectRun({"detail", "--raw", "--at", kAtT, "--mode", "1"}, kExitOk,
              raw("十三夜 3日目\n" + rows[1].second + kDetailBody));
}

TEST(CliSearch, LunarWithoutConditionsListsTheNextDaysAndRawIsAcceptedAnywhere) {
    const std::string days = "2026/12/06(日) 00:21  [氷] 十三夜\n"
                             "2026/12/06(日) 01:19  [闇] 十三夜\n"
                             "2026/12/06(日) 02:16  [光] 十三夜\n"
                             "2026/12/06(日) 03:14  [炎] 十三夜\n"
                             "2026/12/06(日) 04:12  [水] 満月\n"
                             "2026/12/06(日) 05:09  [風] 満月\n"
                             "2026/12/06(日) 06:07  [土] 満月\n"
                             "2026/12/06(日) 07:04  [雷] 満月\n";
    expectRun({"search", "lunar", "--at", kAtT, "--count", "8"}, kExitOk, days);
    expectRun(
        {"search", "lunar", "--at", kAtT, "--phase", "all", "--weekday", "all", "--count", "8"},
        kExitOk, days);
    for (const Args& args : {Args{"--raw", "search", "lunar", "--at", kAtT, "--count", "8"},
                             Args{"search", "--raw", "lunar", "--at", kAtT, "--count", "8"},
                             Args{"search", "lunar", "--at", kAtT, "--count", "8", "--raw"}})
        expectRun(args, kExitOk, raw(days));
}

TEST(CliSearch, ConditionsAreListPositions) {
    // 十三夜 (5) on 氷 (6): tomorrow, then only every other occurrence.
    const Result r = run({"search", "lunar", "--at", kAtT, "--phase", "5", "--weekday", "6"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(lineCount(r.out), 25);
    EXPECT_EQ(firstLines(r.out, 3), "2026/12/06(日) 00:21  [氷] 十三夜\n"
                                    "2026/12/12(土) 17:38  [氷] 十三夜\n"
                                    "2026/12/19(土) 10:55  [氷] 十三夜\n");
    // Weekday only: 雷 is today's weekday, so the first is 8 days on.
    EXPECT_EQ(firstLines(run({"search", "lunar", "--at", kAtT, "--weekday", "5"}).out, 1),
              "2026/12/06(日) 07:04  [雷] 満月\n");
    // Ballista position 4 "ケルドア vs ミラッハ", position 1 "30": one day a month.
    const Result b = run({"search", "ballista", "--at", kAtT, "--card", "4", "--level", "1"});
    EXPECT_EQ(b.code, 0);
    EXPECT_EQ(firstLines(b.out, 2), "12/06(日) 05:09  ケ vs ミ [30/ジ] (04/02)\n"
                                    "12/07(月) 13:48  ケ vs ミ [30/メ] (05/06)\n");
    // Position 5 "制限なし": today, 944/03/26, has the uncapped ケ vs ミ.
    EXPECT_EQ(firstLines(run({"search", "ballista", "--at", kAtT, "--level", "5"}).out, 1),
              "12/05(土) 23:24  ケ vs ミ [--/ジ] (03/26)\n");
}

TEST(CliSearch, TodayFromADateOrFromTheDateOfAt) {
    // Tokyo's midnight of 2026-12-05 is 944/03/01 15:00 (繊月 day 6).
    const Result byDate = run({"search", "today", "--date", "2026-12-05"});
    EXPECT_EQ(byDate.code, 0);
    EXPECT_EQ(firstLines(byDate.out, 5), "2026/12/05(土)\n"
                                         "---------------\n"
                                         "00:00 (03/01[土]) <繊月(6)>\n"
                                         "00:57 (03/02[雷]) \n"
                                         "01:55 (03/03[氷]) <三日月> \n");
    expectRun({"search", "today", "--at", kAtT}, kExitOk, byDate.out);
    expectRun({"search", "today"}, kExitOk, byDate.out);
    // The first and the last local dates whose midnight the calendar covers.
    EXPECT_EQ(run({"search", "today", "--date", "1989-09-29"}).code, 0);
    EXPECT_EQ(run({"search", "today", "--date", "2100-01-02"}).code, 0);
    // Tokyo's midnight of 1989-09-28 is 15:00 UTC the day before the
    // calendar starts; 2100-01-03 begins after it ends.
    for (const char* date : {"1989-09-28", "2100-01-03", "0001-01-01", "9999-12-31"}) {
        const Result r = run({"search", "today", "--date", date});
        EXPECT_EQ(r.code, kExitOutOfRange) << date;
        EXPECT_EQ(r.out, "") << date;
        EXPECT_NE(r.err.find(std::string("--date: the local midnight of ") + date),
                  std::string::npos)
            << r.err;
    }
}

TEST(CliSearch, CountsDefaultAndClampLikeTheDialogs) {
    // clang-format off
    const std::pair<Args, long> rows[] = {
        {{"lunar"}, 25}, {{"ballista"}, 25}, {{"today"}, 28}, {{"lunar", "--count", "0"}, 8},
        {{"lunar", "--count", "-3"}, 8}, {{"ballista", "--count", "25"}, 25},
        {{"ballista", "--count", "1000"}, 256}, {{"today", "--count", "1000"}, 258},
        {{"today", "--count", "9"}, 11}};
    // clang-format on
    for (const auto& [args, lines] : rows) {
        Args full{"search"};
        full.insert(full.end(), args.begin(), args.end());
        const Result r = run(full);
        EXPECT_EQ(r.code, 0) << joined(full);
        EXPECT_EQ(lineCount(r.out), lines) << joined(full);
    }
}
