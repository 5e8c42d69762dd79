// orbel-cli arguments the usage tables in cliTest.cpp and cliSearchTest.cpp
// leave out: each option out of range or malformed, and FORMAT texts that
// are odd rather than wrong. Texts here are UTF-8.
#include "cli/cli.h"
#include "tests/cli/cliRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orbel::cli;
using namespace orbel::cli::test;

namespace {

struct UsageRow {
    const char* name;
    std::vector<std::string> args;
};

class CliBadArgument : public testing::TestWithParam<UsageRow> {};

TEST_P(CliBadArgument, ExitsTwoWithOneLineNamingTheOption) {
    const Result r = run(GetParam().args);
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_EQ(r.out, "");
    // Every row ends with the option and its bad value; the one line names it.
    const std::string& option = GetParam().args[GetParam().args.size() - 2];
    EXPECT_EQ(r.err.rfind("orbel-cli: " + option + ": ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliBadArgument,
    testing::Values(UsageRow{"CountPastInt", {"search", "lunar", "--count", "99999999999"}},
                    UsageRow{"CountFraction", {"search", "today", "--count", "1.5"}},
                    UsageRow{"CountHex", {"search", "ballista", "--count", "0x10"}},
                    UsageRow{"CountEmpty", {"search", "lunar", "--count", ""}},
                    UsageRow{"PhaseFraction", {"search", "lunar", "--phase", "1.5"}},
                    UsageRow{"PhasePastInt", {"search", "lunar", "--phase", "4294967296"}},
                    UsageRow{"WeekdayNegative", {"search", "lunar", "--weekday", "-1"}},
                    UsageRow{"WeekdayWord", {"search", "lunar", "--weekday", "雷"}},
                    UsageRow{"CardNegative", {"search", "ballista", "--card", "-1"}},
                    UsageRow{"CardWord", {"search", "ballista", "--card", "x"}},
                    UsageRow{"LevelNegative", {"search", "ballista", "--level", "-1"}},
                    UsageRow{"DateEmpty", {"search", "today", "--date", ""}},
                    UsageRow{"DateMonth13", {"search", "today", "--date", "2026-13-01"}},
                    UsageRow{"DetailModePastInt", {"detail", "--mode", "99999999999"}},
                    UsageRow{"DetailAtWord", {"detail", "--at", "yesterday"}},
                    UsageRow{"FormatAtPastRange", {"format", "%Y", "--at", "@9223372036854775808"}},
                    UsageRow{"NowModeEmpty", {"now", "--mode", ""}},
                    UsageRow{"NowAtEmpty", {"now", "--at", ""}},
                    UsageRow{"WatchModeWord", {"watch", "--mode", "x"}},
                    UsageRow{"ExportDaysNegative", {"export", "ics", "--days", "-3"}},
                    UsageRow{"ExportFromWord", {"export", "ics", "--from", "today"}},
                    UsageRow{"ExportPhasesTrailingComma", {"export", "ics", "--phases", "1,"}}),
    [](const testing::TestParamInfo<UsageRow>& info) { return std::string(info.param.name); });

TEST(CliOddFormat, RendersWhatItCanAndExitsZero) {
    const std::string megabyte(1 << 20, 'a');
    struct Row {
        const char* name;
        std::string format;
        std::string out;
    };
    const std::vector<Row> rows = {
        {"LonePercent", "%", "%\n"},
        {"PercentAtTheEnd", "%Y%", "944%\n"},
        {"InvalidUtf8", "\xFF\xFE%Y", "??944\n"},
        {"CutUtf8", "\xE6\x9C%Y", "?944\n"},
        {"OneMegabyte", megabyte + "%Y", megabyte + "944\n"},
    };
    for (const Row& row : rows) {
        const Result r = run({"format", "--at", kAtT, row.format});
        EXPECT_EQ(r.code, kExitOk) << row.name;
        EXPECT_EQ(r.out, row.out) << row.name;
        EXPECT_EQ(r.err, "") << row.name;
    }
}

} // namespace
