// orbel-cli in-process: exact outputs, TIME parsing and exit codes.
//
// The moment used throughout, T = @1796481665 (2026-12-05T14:41:05Z,
// 23:41:05 in Tokyo), worked out from the calendar's definition (epoch
// 1989-09-28T00:00:00Z = 622944000, game time = 25 x Earth time since it):
//   25 x (1796481665 - 622944000) = 29338441625 game seconds
//   = 339565 days + 25625 s; 339565 = 943 x 360 + 2 x 30 + 25
//   -> year 944, month 3, day 26, 07:07:05
//   weekday 339565 mod 8 = 5 (雷); lunar age 339565 mod 84 = 37
//   -> phase 37 / 7 = 5 (十三夜), day 37 mod 7 = 2 in the phase (%q = 3)
// That is the settings sheet's own sample, 944/03/26（雷） 07:07.
// Texts in this file are UTF-8 (this target keeps the ordinary charset);
// the --raw expectations are spelled out in CP932 bytes.
#include "cli/cli.h"
#include "cli/timeArg.h"
#include "tests/cli/cliRun.h"

#include <orlib/orlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace orbel::cli;
using namespace orbel::cli::test;

namespace {

// One registration for the whole test program.
[[maybe_unused]] const auto* const kTokyo = ::testing::AddGlobalTestEnvironment(new TokyoTime);

const std::string kBadClock = "お使いのPCの時刻を正しく設定してください。\n";

std::string at(std::time_t t) {
    return "@" + std::to_string(t);
}

} // namespace

TEST(CliNow, ThreeLinesForEachMode) {
    struct Row {
        const char* mode;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"0", "944/03/26（雷） 07:07 <十三夜(3)>\n"
              "Orithaven : 944/03/26(雷) 07:07 <十三夜>\n"
              "     Earth : 2026/12/05 23:41:05\n"},
        {"1", "944/3/26（雷） 7:07 <十三夜(3)>\n"
              "Orithaven [944/3/26（雷） 7:07 <十三夜>]\n"
              "     Earth [2026/12/5（土） 23:41]\n"},
        {"2", "944/03/26(雷) 07:07:05 <十三夜(3)>\n"
              "Orithaven : 944/03/26 07:07:05\n"
              "     Earth : 2026/12/05 23:41:05\n"},
    };
    for (const Row& row : rows) {
        const Result r = run({"now", "--at", kAtT, "--mode", row.mode});
        EXPECT_EQ(r.code, 0) << "mode " << row.mode;
        EXPECT_EQ(r.out, row.expected) << "mode " << row.mode;
        EXPECT_EQ(r.err, "");
    }
    // Every mode but 1 and 2 is mode 0, and so is no mode at all.
    for (const char* mode : {"7", "-1", "3"})
        EXPECT_EQ(run({"now", "--at", kAtT, "--mode", mode}).out, rows[0].expected) << mode;
    EXPECT_EQ(run({"now", "--at", kAtT}).out, rows[0].expected);
}

TEST(CliNow, WithoutAtShowsTheClock) {
    const Result fromClock = run({"now", "--mode", "2"}, kT);
    EXPECT_EQ(fromClock.code, 0);
    EXPECT_EQ(fromClock.out, run({"now", "--at", kAtT, "--mode", "2"}).out);
    EXPECT_NE(run({"now", "--mode", "2"}, kT + 1).out, fromClock.out);
}

TEST(CliNow, RawWritesCp932BytesWithCrlf) {
    // 十 is 8F 5C: its trail byte must come out as it is, not doubled or cut.
    const std::string expected =
        "944/3/26\x81\x69\x97\x8B\x81\x6A 7:07 <\x8F\x5C\x8E\x4F\x96\xE9(3)>\r\n"
        "Orithaven [944/3/26\x81\x69\x97\x8B\x81\x6A 7:07 <\x8F\x5C\x8E\x4F\x96\xE9>]\r\n"
        "     Earth [2026/12/5\x81\x69\x93\x79\x81\x6A 23:41]\r\n";
    const Result after = run({"now", "--at", kAtT, "--mode", "1", "--raw"});
    EXPECT_EQ(after.code, 0);
    EXPECT_EQ(after.out, expected);
    // A global option may come before the subcommand too.
    EXPECT_EQ(run({"--raw", "now", "--at", kAtT, "--mode", "1"}).out, expected);
}

TEST(CliFormat, RendersTheOrithavenMomentOrItsEarthTime) {
    EXPECT_EQ(run({"format", "--at", kAtT, "%x %X <%L> day %q"}).out,
              "944/03/26 07:07:05 <十三夜> day 3\n");
    EXPECT_EQ(run({"format", "--earth", "--at", kAtT, "%Y/%#m/%#d %H:%M (%a)"}).out,
              "2026/12/5 23:41 (土)\n");
    // FORMAT arrives as UTF-8 and is rendered as CP932: literal text,
    // 0x5C trail bytes included, survives both conversions.
    EXPECT_EQ(run({"format", "--at", kAtT, "月齢 %L 表\\ソ"}).out, "月齢 十三夜 表\\ソ\n");
    // A character CP932 lacks becomes '?'.
    EXPECT_EQ(run({"format", "--at", kAtT, "é%m"}).out, "?03\n");
    // A FORMAT that starts with '-' comes after "--".
    EXPECT_EQ(run({"format", "--at", kAtT, "--", "-%d-"}).out, "-26-\n");
    const Result raw = run({"format", "--raw", "--at", kAtT, "%L"});
    EXPECT_EQ(raw.out, "\x8F\x5C\x8E\x4F\x96\xE9\r\n");
    // The program's own line breaks are CRLF: LF on the terminal, kept raw.
    EXPECT_EQ(run({"format", "--at", kAtT, "%d\r\n%m"}).out, "26\n03\n");
    EXPECT_EQ(run({"format", "--raw", "--at", kAtT, "%d\r\n%m"}).out, "26\r\n03\r\n");
}

TEST(CliTime, EveryFormNamesTheSameMoment) {
    for (const char* form : {"2026-12-05T14:41:05Z", "2026-12-05T23:41:05+09:00",
                             "2026-12-05T09:11:05-05:30", "2026-12-05T23:41:05", "@1796481665"}) {
        const Result r = run({"format", "--at", form, "%x %X"});
        EXPECT_EQ(r.code, 0) << form;
        EXPECT_EQ(r.out, "944/03/26 07:07:05\n") << form;
    }
}

TEST(TimeArg, KnownMoments) {
    struct Row {
        const char* text;
        std::time_t expected;
    };
    const std::vector<Row> rows = {
        {"1970-01-01T00:00:00Z", 0},
        {"1970-01-01T09:00:00+09:00", 0},
        {"1970-01-01T09:00:00", 0}, // Tokyo
        {"1969-12-31T23:59:59Z", -1},
#if !defined(_WIN32)                 // the Windows C runtime has no local time before 1970
        {"1970-01-01T08:59:59", -1}, // mktime's failure value, here a real second
#endif
        {"2000-02-29T12:00:00Z", 951825600},
        {"2024-12-31T23:59:59-23:59", 1735775939},
        {"0001-01-01T00:00:00Z", -62135596800},
        {"9999-12-31T23:59:59Z", 253402300799},
        {"@0", 0},
        {"@-86400", -86400},
        {"@9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"@-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
    };
    for (const Row& row : rows) {
        std::string error = "untouched";
        const std::optional<std::time_t> t = parseTimeArg(row.text, &error);
        ASSERT_TRUE(t.has_value()) << row.text << ": " << error;
        EXPECT_EQ(*t, row.expected) << row.text;
    }
}

TEST(TimeArg, RefusesMalformedTimes) {
    for (const char* text : {"",
                             "now",
                             "2023-02-29T00:00:00Z",
                             "2100-02-29T00:00:00Z",
                             "2024-04-31T00:00:00Z",
                             "2024-13-01T00:00:00Z",
                             "2024-00-10T00:00:00Z",
                             "2024-01-00T00:00:00Z",
                             "2024-01-01T24:00:00Z",
                             "2024-01-01T23:60:00Z",
                             "2024-01-01T23:59:60Z",
                             "2024-01-01 00:00:00",
                             "2024-01-01t00:00:00",
                             "2024-1-01T00:00:00Z",
                             "2024-01-01T00:00:00z",
                             "2024-01-01T00:00:00ZZ",
                             "2024-01-01T00:00:00 ",
                             "2024-01-01T00:00:00+0900",
                             "2024-01-01T00:00:00+09:0",
                             "2024-01-01T00:00:00+24:00",
                             "2024-01-01T00:00:00+09:60",
                             "2024-01-01T00:00:00+09:00x",
                             "+2024-01-01T00:00:00Z",
                             "2024-01-01T00:00",
                             "@",
                             "@-",
                             "@+5",
                             "@ 5",
                             "@5 ",
                             "@5s",
                             "@0x10",
                             "@1.5",
                             "@99999999999999999999",
                             "@-99999999999999999999\n1",
                             "@9223372036854775808",
                             "@-9223372036854775809"}) {
        std::string error;
        EXPECT_FALSE(parseTimeArg(text, &error).has_value()) << "'" << text << "'";
        EXPECT_FALSE(error.empty()) << "'" << text << "'";
        EXPECT_EQ(error.find('\n'), std::string::npos) << "'" << text << "'";
    }
}

TEST(TimeArg, IntegersAreDecimalAndFit) {
    EXPECT_EQ(parseIntArg("7"), 7);
    EXPECT_EQ(parseIntArg("-1"), -1);
    EXPECT_EQ(parseIntArg("010"), 10); // not octal
    EXPECT_EQ(parseIntArg("2147483647"), 2147483647);
    for (const char* text : {"", "-", "+1", " 1", "1 ", "1.5", "abc", "0x10", "2147483648"})
        EXPECT_FALSE(parseIntArg(text).has_value()) << "'" << text << "'";
}

TEST(CliUsage, BadUsageExitsTwoWithOneLineAndNoOutput) {
    const std::vector<std::vector<std::string>> cases = {
        {"bogus"},
        {"--bogus"},
        {"now", "--bogus"},
        {"now", "extra"},
        {"now", "format", "%Y"},
        {"now", "--mode"},
        {"now", "--mode", "x"},
        {"now", "--mode", "1.5"},
        {"now", "--mode", "99999999999"},
        {"now", "--at"},
        {"now", "--at", "yesterday"},
        {"now", "--at", "2024-02-30T00:00:00Z"},
        {"now", "--at", "@99999999999999999999"},
        {"format"},
        {"format", "--at", "2024-01-01T00:00:00+25:00", "%Y"},
        {"format", "--earth"},
    };
    for (const std::vector<std::string>& args : cases) {
        std::string line;
        for (const std::string& a : args)
            line += a + " ";
        const Result r = run(args);
        EXPECT_EQ(r.code, kExitUsage) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(r.err.rfind("orbel-cli: ", 0), 0u) << line << "-> " << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << line << "-> " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << line << "-> " << r.err;
    }
}

TEST(CliUsage, NoSubcommandPrintsHelpToStderr) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"--raw"}}) {
        const Result r = run(args);
        EXPECT_EQ(r.code, kExitUsage);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage: orbel-cli"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Exit codes"), std::string::npos) << r.err;
    }
}

// Every command's --help names every option registered on it (walked from
// the same registrars runCli uses), and the top help names each exit code
// the program returns and the service range it checks.
TEST(CliUsage, EveryHelpNamesItsOptionsAndTheTopOneTheExitCodes) {
    CLI::App root("orbel-cli", "orbel-cli");
    const Registrar registrars[] = {registerNow,    registerFormat, registerDetail,
                                    registerSearch, registerExport, registerWatch};
    std::vector<Command> commands;
    for (Registrar registrar : registrars)
        commands.push_back(registrar(root));
    int checked = 0;
    std::function<void(const CLI::App&, std::vector<std::string>)> walk =
        [&](const CLI::App& app, std::vector<std::string> path) {
            path.push_back("--help");
            const Result r = run(path);
            path.pop_back();
            std::string line = "orbel-cli";
            for (const std::string& a : path)
                line += " " + a;
            SCOPED_TRACE(line);
            EXPECT_EQ(r.code, kExitOk);
            EXPECT_EQ(r.err, "");
            for (const CLI::Option* opt : app.get_options()) {
                for (const std::string& name : opt->get_lnames()) {
                    EXPECT_NE(r.out.find("--" + name), std::string::npos) << name;
                    ++checked;
                }
            }
            for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
                path.push_back(sub->get_name());
                walk(*sub, path);
                path.pop_back();
            }
        };
    walk(root, {});
    EXPECT_GT(checked, 12);

    const std::string top = run({"--help"}).out;
    const std::string exitCodes = top.substr(std::min(top.find("Exit codes:"), top.size()));
    for (int code : {kExitOk, 1, kExitUsage, kExitOutOfRange})
        EXPECT_NE(exitCodes.find("\n  " + std::to_string(code) + "  "), std::string::npos) << code;
    EXPECT_NE(top.find(utcText(orlib::getServiceStart())), std::string::npos);
    EXPECT_NE(top.find(utcText(orlib::getServiceEnd())), std::string::npos);
    EXPECT_EQ(utcText(orlib::getServiceStart()), "1989-09-28T00:00:00Z");
}

TEST(CliRange, OneSecondOutsideEitherBoundExitsThreeWithMessage111) {
    const std::time_t start = orlib::getServiceStart();
    const std::time_t end = orlib::getServiceEnd();
    ASSERT_LT(start, end);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"now", "--at", at(start - 1)},
          std::vector<std::string>{"now", "--at", at(end + 1)},
          std::vector<std::string>{"format", "--at", at(start - 1), "%Y"},
          std::vector<std::string>{"format", "--earth", "--raw", "--at", at(end + 1), "%Y"},
          std::vector<std::string>{"now", "--at", "@9223372036854775807"},
          std::vector<std::string>{"now", "--at", "@-9223372036854775808"}}) {
        const Result r = run(args);
        std::string line;
        for (const std::string& a : args)
            line += a + " ";
        EXPECT_EQ(r.code, kExitOutOfRange) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(r.err, kBadClock) << line;
    }
    // A clock outside the range is the same fault.
    const Result clock = run({"now"}, end + 1);
    EXPECT_EQ(clock.code, kExitOutOfRange);
    EXPECT_EQ(clock.err, kBadClock);
}

TEST(CliRange, BothBoundsThemselvesWork) {
    // The start is the epoch itself: Orithaven 1/01/01 00:00:00, weekday 0
    // (光), phase 0 (新月) on its first day.
    const Result start = run({"now", "--mode", "1", "--at", at(orlib::getServiceStart())});
    EXPECT_EQ(start.code, 0);
    EXPECT_EQ(start.out.substr(0, start.out.find('\n')), "1/1/1（光） 0:00 <新月(1)>");
    const Result end = run({"now", "--at", at(orlib::getServiceEnd())});
    EXPECT_EQ(end.code, 0);
    EXPECT_EQ(std::count(end.out.begin(), end.out.end(), '\n'), 3);
    EXPECT_EQ(end.err, "");
}
