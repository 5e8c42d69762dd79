// orbel-cli in-process: exact outputs, TIME parsing, usage errors, exit
// codes, and where the console text may be cut. At T, 944/03/26 07:07:05 is
// 十三夜's third day. Texts here are UTF-8; the --raw expectations CP932 bytes.
#include "cli/timeArg.h"
#include "cli/utf8Cut.h"
#include "detail/detailText.h"
#include "tests/cli/cliRun.h"
#include "tests/support/calendarCases.h"

#include <orlib/orlib.h>

#include <cstdint>
#include <functional>
#include <limits>

using namespace orbel::cli;
using namespace orbel::cli::test;

namespace {

// One registration for the whole test program.
[[maybe_unused]] const auto* const kTokyo = ::testing::AddGlobalTestEnvironment(new TokyoTime);

} // namespace

// Any mode but 1 and 2 is mode 0; without --at it is the clock's moment.
TEST(CliNow, ThreeLinesForEachMode) {
    const auto lines = [](int mode, std::time_t t = kT) {
        const std::vector<std::string> texts = clockTexts(mode == 1 || mode == 2 ? mode : 0, t);
        return texts[0] + "\n" + texts[1] + "\n" + texts[2] + "\n";
    };
    for (int mode : {0, 1, 2, 7, -1, 3})
        expectRun({"now", "--at", kAtT, "--mode", std::to_string(mode)}, kExitOk, lines(mode));
    expectRun({"now", "--at", kAtT}, kExitOk, lines(0));
    expectRun({"now", "--mode", "2"}, kExitOk, lines(2, kT + 1), "", kT + 1);
}

// FORMAT arrives as UTF-8 and is rendered as CP932: literal text, 0x5C trail
// bytes included, survives both conversions; what CP932 lacks becomes '?';
// the program's own CRLF is LF on the terminal and kept raw; odd or long
// texts are written as far as they go.
TEST(CliFormat, RendersTheOrithavenMomentOrItsEarthTime) {
    const std::string megabyte(1 << 20, 'a');
    const std::pair<Args, std::string> rows[] = {
        {{"%x %X <%L> day %q"}, "944/03/26 07:07:05 <十三夜> day 3\n"},
        {{"--earth", "%Y/%#m/%#d %H:%M (%a)"}, "2026/12/5 23:41 (土)\n"},
        {{"月齢 %L 表\\ソ"}, "月齢 十三夜 表\\ソ\n"},
        {{"é%m"}, "?03\n"},
        {{"--", "-%d-"}, "-26-\n"},
        {{"--raw", "%L"}, "\x8F\x5C\x8E\x4F\x96\xE9\r\n"},
        {{"%d\r\n%m"}, "26\n03\n"},
        {{"--raw", "%d\r\n%m"}, "26\r\n03\r\n"},
        {{"\xFF\xFE%Y"}, "??944\n"},
        {{"\xE6\x9C%Y"}, "?944\n"},
        {{megabyte + "%Y"}, megabyte + "944\n"}};
    for (auto [args, expected] : rows) {
        args.insert(args.begin(), {"format", "--at", kAtT});
        expectRun(args, kExitOk, expected);
    }
}

TEST(TimeArg, KnownMomentsAndMalformedTimes) {
    using limits = std::numeric_limits<std::int64_t>;
    // clang-format off
    const std::pair<const char*, std::time_t> rows[] = {
        {"1970-01-01T00:00:00Z", 0}, {"1970-01-01T09:00:00+09:00", 0}, {"1970-01-01T09:00:00", 0},
        {"1969-12-31T23:59:59Z", -1}, {"2000-02-29T12:00:00Z", 951825600},
        {"2024-12-31T23:59:59-23:59", 1735775939}, {"0001-01-01T00:00:00Z", -62135596800},
        {"9999-12-31T23:59:59Z", 253402300799}, {"@0", 0}, {"@-86400", -86400},
        {"@9223372036854775807", limits::max()}, {"@-9223372036854775808", limits::min()},
#if !defined(_WIN32) // no local time before 1970 on Windows
        {"1970-01-01T08:59:59", -1}, // mktime's failure value, here a real second
#endif
    };
    // clang-format on
    for (const auto& [text, expected] : rows) {
        std::string error = "untouched";
        EXPECT_EQ(parseTimeArg(text, &error), std::optional<std::time_t>(expected))
            << text << ": " << error;
    }
    // clang-format off
    for (const char* text : {"", "now", "2023-02-29T00:00:00Z", "2100-02-29T00:00:00Z",
             "2024-04-31T00:00:00Z", "2024-13-01T00:00:00Z", "2024-00-10T00:00:00Z",
             "2024-01-00T00:00:00Z", "2024-01-01T24:00:00Z", "2024-01-01T23:60:00Z",
             "2024-01-01T23:59:60Z", "2024-01-01 00:00:00", "2024-01-01t00:00:00",
             "2024-1-01T00:00:00Z", "2024-01-01T00:00:00z", "2024-01-01T00:00:00ZZ",
             "2024-01-01T00:00:00 ", "2024-01-01T00:00:00+0900", "2024-01-01T00:00:00+09:0",
             "2024-01-01T00:00:00+24:00", "2024-01-01T00:00:00+09:60", "2024-01-01T00:00:00+09:00x",
             "+2024-01-01T00:00:00Z", "2024-01-01T00:00", "@", "@-", "@+5", "@ 5", "@5 ", "@5s",
             "@0x10", "@1.5", "@99999999999999999999", "@-99999999999999999999\n1",
             "@9223372036854775808", "@-9223372036854775809"}) {
        // clang-format on
        std::string error;
        EXPECT_FALSE(parseTimeArg(text, &error).has_value()) << "'" << text << "'";
        EXPECT_FALSE(error.empty()) << "'" << text << "'";
        EXPECT_EQ(error.find('\n'), std::string::npos) << "'" << text << "'";
    }
    // Whole numbers are decimal (not octal) and fit an int.
    for (const auto& [text, value] :
         {std::pair{"7", 7}, {"-1", -1}, {"010", 10}, {"2147483647", 2147483647}})
        EXPECT_EQ(parseIntArg(text), value) << text;
    for (const char* text : {"", "-", "+1", " 1", "1 ", "1.5", "abc", "0x10", "2147483648"})
        EXPECT_FALSE(parseIntArg(text).has_value()) << "'" << text << "'";
}

// Every subcommand's bad usage: exit 2, nothing on stdout, one line on
// stderr; where the row gives an option, the line names it first. Without a
// subcommand the help goes to stderr.
TEST(CliUsage, BadUsageExitsTwoWithOneLineAndNoOutput) {
    // clang-format off
    const std::pair<Args, const char*> rows[] = {
        {{"bogus"}, ""}, {{"--bogus"}, ""}, {{"now", "--bogus"}, ""}, {{"now", "extra"}, ""},
        {{"now", "format", "%Y"}, ""}, {{"now", "--mode"}, ""}, {{"now", "--mode", "x"}, ""},
        {{"now", "--at"}, ""}, {{"now", "--at", "yesterday"}, ""}, {{"format"}, ""},
        {{"format", "--earth"}, ""}, {{"search"}, ""}, {{"search", "moon"}, ""},
        {{"search", "lunar", "--phase", "12"}, ""}, {{"search", "lunar", "--phase", "ALL"}, ""},
        {{"search", "lunar", "--weekday", "8"}, ""}, {{"search", "lunar", "--card", "1"}, ""},
        {{"search", "ballista", "--card", "7"}, ""}, {{"search", "ballista", "--level", "6"}, ""},
        {{"search", "today", "--date", "2026-02-29"}, ""}, {{"search", "today", "--date", "2026-1-05"}, ""},
        {{"search", "today", "--date", "2026/01/05"}, ""}, {{"search", "today", "--date"}, ""},
        {{"search", "today", "--at", "tomorrow"}, ""}, {{"detail", "--mode", "x"}, ""},
        {{"detail", "extra"}, ""},
        {{"search", "lunar", "--count", "99999999999"}, "--count"},
        {{"search", "ballista", "--count", "0x10"}, "--count"},
        {{"search", "lunar", "--phase", "4294967296"}, "--phase"},
        {{"search", "lunar", "--weekday", "-1"}, "--weekday"},
        {{"search", "lunar", "--weekday", "雷"}, "--weekday"},
        {{"search", "ballista", "--card", "x"}, "--card"}, {{"search", "ballista", "--level", "-1"}, "--level"},
        {{"search", "today", "--date", ""}, "--date"}, {{"search", "today", "--date", "2026-13-01"}, "--date"},
        {{"detail", "--mode", "99999999999"}, "--mode"}, {{"detail", "--at", "yesterday"}, "--at"},
        {{"format", "%Y", "--at", "@9223372036854775808"}, "--at"}, {{"now", "--mode", ""}, "--mode"},
        {{"now", "--at", ""}, "--at"}, {{"watch", "--mode", "x"}, "--mode"},
        {{"export", "ics", "--days", "-3"}, "--days"}, {{"export", "ics", "--from", "today"}, "--from"},
        {{"export", "ics", "--phases", "1,"}, "--phases"}};
    // clang-format on
    for (const auto& [args, option] : rows)
        expectUsage(args, option);
    for (const Args& args : {Args{}, Args{"--raw"}}) {
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
    std::vector<Command> commands;
    for (Registrar registrar : {registerNow, registerFormat, registerDetail, registerSearch,
                                registerExport, registerWatch})
        commands.push_back(registrar(root));
    int checked = 0;
    std::function<void(const CLI::App&, Args)> walk = [&](const CLI::App& app, Args path) {
        path.push_back("--help");
        SCOPED_TRACE(joined(path));
        const Result r = run(path);
        path.pop_back();
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

// One second outside either bound, for every command that takes a time, a
// clock outside the range and a --date outside it: exit 3, and message 111
// where a moment was outside.
TEST(CliRange, BoundsAreInclusiveAndOneSecondOutsideExitsThree) {
    const std::time_t start = orlib::getServiceStart(), end = orlib::getServiceEnd();
    for (const std::time_t bound : {start, end}) {
        const Result r = run({"now", "--at", "@" + std::to_string(bound)});
        EXPECT_EQ(std::pair(r.code, std::count(r.out.begin(), r.out.end(), '\n')),
                  std::pair(0, std::ptrdiff_t{3}));
        EXPECT_EQ(r.err, "");
    }
    const std::string before = "@" + std::to_string(start - 1);
    const std::string after = "@" + std::to_string(end + 1);
    for (const Args& args :
         {Args{"now", "--at", before}, Args{"now", "--at", after},
          Args{"format", "--at", before, "%Y"},
          Args{"format", "--earth", "--raw", "--at", after, "%Y"},
          Args{"now", "--at", "@9223372036854775807"}, Args{"now", "--at", "@-9223372036854775808"},
          Args{"detail", "--at", before}, Args{"search", "lunar", "--at", before},
          Args{"search", "ballista", "--at", before}, Args{"search", "today", "--at", before}})
        expectRun(args, kExitOutOfRange, "", kBadClock);
    expectRun({"now"}, kExitOutOfRange, "", kBadClock, end + 1);
    // 1989-09-29 and 2100-01-02 are the first and the last local dates whose
    // midnight the calendar covers: Tokyo's midnight of 1989-09-28 is 15:00
    // UTC the day before the calendar starts; 2100-01-03 begins after it ends.
    for (const char* date : {"1989-09-29", "2100-01-02"})
        EXPECT_EQ(run({"search", "today", "--date", date}).code, kExitOk) << date;
    for (const char* date : {"1989-09-28", "2100-01-03", "0001-01-01", "9999-12-31"}) {
        const Result r = run({"search", "today", "--date", date});
        EXPECT_EQ(r.code, kExitOutOfRange) << date;
        EXPECT_EQ(r.out, "") << date;
        EXPECT_NE(r.err.find(std::string("--date: the local midnight of ") + date),
                  std::string::npos)
            << r.err;
    }
}

// Where the console text may be cut: never inside a character whose other
// bytes are still to come, never holding back what can never become one
// (lone continuation bytes, bytes no character starts with, a lead byte too
// far back to matter). Fed in pieces, a text loses and gains nothing.
TEST(Utf8Cut, CutsOnlyBetweenCharacters) {
    const std::string tenThree = "\xE5\x8D\x81\xE4\xB8\x89\xE5\xA4\x9C"; // 十三夜
    // clang-format off
    const std::pair<std::string, std::size_t> rows[] = {
        {"", 0}, {"Earth\n", 6}, {tenThree, 9}, {"a\xC3\xA9", 3}, {"\xF0\x9F\x8C\x95", 4},
        {"07:07 <\xE5", 7}, {"07:07 <\xE5\x8D", 7}, {"x\xC3", 1}, {"x\xF0\x9F\x8C", 1}, {"\xF0", 0},
        {"\x80\x80\x80", 3}, {"x\xC0", 2}, {"x\xFF", 2}, {"x\xF5", 2}, {"\xE5\x80\x80\x80", 4}};
    // clang-format on
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(completeUtf8Length(text), expected) << text;

    const std::string text = "944/03/26(\xE9\x9B\xB7) 07:07 <" + tenThree + ">\n";
    for (std::size_t piece = 1; piece <= 5; ++piece) {
        std::string pending, written;
        for (std::size_t i = 0; i < text.size(); i += piece) {
            pending += text.substr(i, piece);
            const std::size_t n = completeUtf8Length(pending);
            written += pending.substr(0, n);
            pending.erase(0, n);
        }
        EXPECT_EQ(written, text) << "pieces of " << piece;
        EXPECT_EQ(pending, "") << "pieces of " << piece;
    }
}

// detail: the phase line, then the detail window's body (whose text is
// checked with the window) around the mode's two lines.
TEST(CliDetail, PhaseLineThenTheBodyInEachMode) {
    const std::pair<Args, int> rows[] = {{{"detail", "--mode", "1"}, 1},
                                         {{"detail", "--mode", "2"}, 2},
                                         {{"detail", "--mode", "5"}, 0},
                                         {{"detail", "--at", kAtT}, 0},
                                         {{"detail", "--raw", "--mode", "1"}, 1}};
    for (const auto& [args, mode] : rows) {
        SCOPED_TRACE(joined(args));
        const Result r = run(args, args[1] == "--at" ? kT + 9'000'000 : kT);
        const std::vector<std::string> lines = clockTexts(mode);
        const std::string text =
            raw("十三夜 3日目\n") + orbel::buildDetailText(orlib::odate_t(kT),
                                                           orbel::text::utf8ToCp932(lines[1]),
                                                           orbel::text::utf8ToCp932(lines[2]));
        EXPECT_EQ(r.code, kExitOk);
        EXPECT_EQ(args[1] == "--raw" ? r.out : raw(r.out), text);
    }
}

// Each search prints its dialog's result text for the list positions (one
// past the dialogs' "all") and the count clamped as the dialogs clamp it;
// --raw gives the text's own bytes, wherever it stands.
TEST(CliSearch, CountsDefaultAndClampLikeTheDialogs) {
    using namespace orbel;
    const auto lunar = [](unsigned L, unsigned W, int n) {
        return orbel::test::lunarText(L, W, n, kT);
    };
    const auto ballista = [](unsigned card, unsigned level, int n) {
        return orbel::test::ballistaText(card, level, n, kT);
    };
    const auto today = orbel::test::todayText;
    const std::time_t dec5 = toEarthTime({2026, 12, 5}), jan1 = toEarthTime({2027, 1, 1});
    const std::pair<Args, std::string> rows[] = {
        {{"lunar"}, lunar(12, 8, 25)},
        {{"lunar", "--phase", "all", "--weekday", "all", "--count", "8"}, lunar(12, 8, 8)},
        {{"lunar", "--phase", "5", "--weekday", "6"}, lunar(5, 6, 25)},
        {{"lunar", "--phase", "11", "--weekday", "0", "--count", "-3"}, lunar(11, 0, 8)},
        {{"ballista"}, ballista(0x3F0000, 0x1F00, 25)},
        {{"ballista", "--card", "4", "--level", "1"}, ballista(0xA0000, 0x100, 25)},
        {{"ballista", "--card", "3", "--level", "5", "--count", "1000"},
         ballista(0x240000, 0x1000, 256)},
        {{"today"}, today(dec5, 26)},
        {{"today", "--date", "2027-01-01", "--count", "9"}, today(jan1, 9)},
        {{"today", "--count", "0"}, today(dec5, 8)}};
    for (const auto& [args, text] : rows) {
        Args full{"search"};
        full.insert(full.end(), args.begin(), args.end());
        full.insert(full.end(), {"--at", kAtT});
        SCOPED_TRACE(joined(full));
        const Result plain = run(full, kT + 9'000'000);
        EXPECT_EQ(plain.code, kExitOk);
        EXPECT_EQ(raw(plain.out), text);
        EXPECT_EQ(plain.err, "");
    }
    const std::string lunar8 = lunar(12, 8, 8);
    for (const Args& args : {Args{"--raw", "search", "lunar", "--count", "8"},
                             Args{"search", "--raw", "lunar", "--count", "8"},
                             Args{"search", "lunar", "--count", "8", "--raw"}})
        expectRun(args, kExitOk, lunar8);
}
