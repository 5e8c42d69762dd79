// orbel-cli detail and search, in-process: exact outputs, counts, options
// and exit codes.
//
// Now is T = @1796481665 (Tokyo 2026/12/05(土) 23:41:05), Orithaven
// 944/03/26 07:07:05: day number D 339565, weekday 雷, 十三夜 on its third
// day (see cliTest.cpp for the arithmetic). Day D begins at Earth time
// 622944000 + 3456 x D; weekday = D mod 8, lunar age = D mod 84.
// Texts here are UTF-8 (this target keeps the ordinary charset).
#include "cli/cli.h"
#include "common/cp932.h"
#include "tests/cli/cliRun.h"

#include <orlib/orlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace orbel::cli;
using namespace orbel::cli::test;

namespace {

std::string joined(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& a : args)
        line += a + " ";
    return line;
}

long lineCount(const std::string& out) {
    return std::count(out.begin(), out.end(), '\n');
}

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
    struct Row {
        const char* mode;
        std::string lines;
    };
    const std::vector<Row> rows = {
        {"0", "Orithaven : 944/03/26(雷) 07:07 <十三夜>\n     Earth : 2026/12/05 23:41:05\n"},
        {"1", "Orithaven [944/3/26（雷） 7:07 <十三夜>]\n     Earth [2026/12/5（土） 23:41]\n"},
        {"2", "Orithaven : 944/03/26 07:07:05\n     Earth : 2026/12/05 23:41:05\n"},
        {"5", "Orithaven : 944/03/26(雷) 07:07 <十三夜>\n     Earth : 2026/12/05 23:41:05\n"},
    };
    for (const Row& row : rows) {
        const Result r = run({"detail", "--at", kAtT, "--mode", row.mode});
        EXPECT_EQ(r.code, 0) << row.mode;
        EXPECT_EQ(r.out, "十三夜 3日目\n" + row.lines + kDetailBody) << row.mode;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(run({"detail"}).out, run({"detail", "--at", kAtT, "--mode", "0"}).out);
}

TEST(CliDetail, RawKeepsTheWindowsCrlfAndNoEmptyLineAtTheEnd) {
    const Result r = run({"detail", "--raw", "--at", kAtT, "--mode", "1"});
    EXPECT_EQ(r.code, 0);
    // 十三夜 3日目 in CP932, 十 with its 5C trail byte.
    EXPECT_EQ(r.out.rfind("\x8F\x5C\x8E\x4F\x96\xE9 3\x93\xFA\x96\xDA\r\n", 0), 0u);
    std::string crlf = r.out;
    for (std::string::size_type at = 0; (at = crlf.find("\r\n", at)) != std::string::npos;)
        crlf.erase(at, 1);
    EXPECT_EQ(orbel::text::cp932ToUtf8(crlf), run({"detail", "--at", kAtT, "--mode", "1"}).out);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\r'), 8);
    EXPECT_EQ(r.out.substr(r.out.size() - 3), "]\r\n");
}

TEST(CliSearch, LunarWithoutConditionsListsTheNextDays) {
    const Result r = run({"search", "lunar", "--at", kAtT, "--count", "8"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "2026/12/06(日) 00:21  [氷] 十三夜\n"
                     "2026/12/06(日) 01:19  [闇] 十三夜\n"
                     "2026/12/06(日) 02:16  [光] 十三夜\n"
                     "2026/12/06(日) 03:14  [炎] 十三夜\n"
                     "2026/12/06(日) 04:12  [水] 満月\n"
                     "2026/12/06(日) 05:09  [風] 満月\n"
                     "2026/12/06(日) 06:07  [土] 満月\n"
                     "2026/12/06(日) 07:04  [雷] 満月\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(
        run({"search", "lunar", "--at", kAtT, "--phase", "all", "--weekday", "all", "--count", "8"})
            .out,
        r.out);
}

TEST(CliSearch, LunarConditionsAreIndices) {
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
}

TEST(CliSearch, BallistaConditionsArePositions) {
    // Position 4 "ケルドア vs ミラッハ", position 1 "30": one day a month.
    const Result r = run({"search", "ballista", "--at", kAtT, "--card", "4", "--level", "1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(firstLines(r.out, 2), "12/06(日) 05:09  ケ vs ミ [30/ジ] (04/02)\n"
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
    EXPECT_EQ(run({"search", "today", "--at", kAtT}).out, byDate.out);
    EXPECT_EQ(run({"search", "today"}).out, byDate.out);
    // The first and the last local dates whose midnight the calendar covers.
    EXPECT_EQ(run({"search", "today", "--date", "1989-09-29"}).code, 0);
    EXPECT_EQ(run({"search", "today", "--date", "2100-01-02"}).code, 0);
}

TEST(CliSearch, CountsDefaultAndClampLikeTheDialogs) {
    struct Row {
        std::vector<std::string> args;
        long lines;
    };
    const std::vector<Row> rows = {
        {{"search", "lunar"}, 25},
        {{"search", "ballista"}, 25},
        {{"search", "today"}, 28},
        {{"search", "lunar", "--count", "0"}, 8},
        {{"search", "lunar", "--count", "-3"}, 8},
        {{"search", "ballista", "--count", "25"}, 25},
        {{"search", "ballista", "--count", "1000"}, 256},
        {{"search", "today", "--count", "1000"}, 258},
        {{"search", "today", "--count", "9"}, 11},
    };
    for (const Row& row : rows) {
        const Result r = run(row.args);
        EXPECT_EQ(r.code, 0) << joined(row.args);
        EXPECT_EQ(lineCount(r.out), row.lines) << joined(row.args);
    }
}

TEST(CliSearch, RawIsAcceptedAnywhere) {
    const Result before = run({"--raw", "search", "lunar", "--at", kAtT, "--count", "8"});
    const Result middle = run({"search", "--raw", "lunar", "--at", kAtT, "--count", "8"});
    const Result after = run({"search", "lunar", "--at", kAtT, "--count", "8", "--raw"});
    EXPECT_EQ(after.code, 0) << after.err;
    EXPECT_EQ(before.out, middle.out);
    EXPECT_EQ(before.out, after.out);
    EXPECT_EQ(std::count(after.out.begin(), after.out.end(), '\r'), 8);
    EXPECT_EQ(after.out.substr(after.out.size() - 2), "\r\n");
}

TEST(CliSearch, BadUsageExitsTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"search"},
        {"search", "moon"},
        {"search", "lunar", "--phase", "12"},
        {"search", "lunar", "--phase", "-1"},
        {"search", "lunar", "--phase", "ALL"},
        {"search", "lunar", "--weekday", "8"},
        {"search", "lunar", "--card", "1"},
        {"search", "ballista", "--card", "7"},
        {"search", "ballista", "--level", "6"},
        {"search", "ballista", "--level", "all"},
        {"search", "ballista", "--count", "many"},
        {"search", "today", "--date", "2026-02-29"},
        {"search", "today", "--date", "2026-1-05"},
        {"search", "today", "--date", "2026/01/05"},
        {"search", "today", "--date", "2026-01-05T00:00:00"},
        {"search", "today", "--date"},
        {"search", "today", "--at", "tomorrow"},
        {"detail", "--mode", "x"},
        {"detail", "extra"},
    };
    for (const std::vector<std::string>& args : cases) {
        const Result r = run(args);
        EXPECT_EQ(r.code, kExitUsage) << joined(args);
        EXPECT_EQ(r.out, "") << joined(args);
        EXPECT_EQ(r.err.rfind("orbel-cli: ", 0), 0u) << joined(args) << "-> " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << joined(args) << "-> " << r.err;
    }
}

TEST(CliSearch, OutsideTheServiceRangeExitsThree) {
    const std::string before = "@" + std::to_string(orlib::getServiceStart() - 1);
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"detail", "--at", before},
             std::vector<std::string>{"search", "lunar", "--at", before},
             std::vector<std::string>{"search", "ballista", "--at", before},
             std::vector<std::string>{"search", "today", "--at", before},
         }) {
        const Result r = run(args);
        EXPECT_EQ(r.code, kExitOutOfRange) << joined(args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "お使いのPCの時刻を正しく設定してください。\n") << joined(args);
    }
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

TEST(CliSearch, HelpDocumentsTheSearches) {
    const std::vector<std::pair<std::vector<std::string>, std::vector<const char*>>> rows = {
        {{"--help"}, {"detail", "search"}},
        {{"detail", "--help"}, {"--at TIME", "--mode N"}},
        {{"search", "--help"}, {"lunar", "ballista", "today", "256", "--raw"}},
        {{"search", "lunar", "--help"}, {"--phase", "--weekday", "--count N", "--at TIME"}},
        {{"search", "ballista", "--help"}, {"--card", "--level", "no cap"}},
        {{"search", "today", "--help"}, {"--date YYYY-MM-DD", "local midnight"}},
    };
    for (const auto& [args, needles] : rows) {
        const Result r = run(args);
        EXPECT_EQ(r.code, 0) << joined(args);
        for (const char* needle : needles)
            EXPECT_NE(r.out.find(needle), std::string::npos) << joined(args) << needle;
    }
}
