// orbel-cli detail and search, in-process: what the command line adds to
// the detail window's and the search dialogs' texts (their own tests check
// those texts): the options, the counts and the terminal's line ends. Bad
// usage and the TIME range are in cliTest.cpp.
//
// Now is T = @1796481665 (Tokyo 2026/12/05(土) 23:41:05), Orithaven
// 944/03/26 07:07:05, 十三夜 on its third day (see cliTest.cpp).
// Texts here are UTF-8 (this target keeps the ordinary charset).
#include "detail/detailText.h"
#include "search/ballista.h"
#include "search/lunarSearch.h"
#include "search/searchLimits.h"
#include "search/todaySearch.h"
#include "tests/cli/cliRun.h"

#include <array>

using namespace orbel::cli;
using namespace orbel::cli::test;

// The phase line, then the detail window's body (whose text is checked with
// the window) around the mode's two lines.
TEST(CliDetail, PhaseLineThenTheBodyInEachMode) {
    const std::pair<Args, int> rows[] = {{{"--mode", "1"}, 1},
                                         {{"--mode", "2"}, 2},
                                         {{"--mode", "5"}, 0},
                                         {{"--at", kAtT}, 0},
                                         {{"--raw", "--mode", "1"}, 1}};
    for (const auto& [args, mode] : rows) {
        Args full{"detail"};
        full.insert(full.end(), args.begin(), args.end());
        SCOPED_TRACE(joined(full));
        const Result r = run(full, args[0] == "--at" ? kT + 9'000'000 : kT);
        const std::vector<std::string> lines = clockTexts(mode);
        const std::string text =
            raw("十三夜 3日目\n") + orbel::buildDetailText(orlib::odate_t(kT),
                                                           orbel::text::utf8ToCp932(lines[1]),
                                                           orbel::text::utf8ToCp932(lines[2]));
        EXPECT_EQ(r.code, kExitOk);
        EXPECT_EQ(args[0] == "--raw" ? r.out : raw(r.out), text);
    }
}

// Each search prints its dialog's result text for the list positions (one
// past the dialogs' "all") and the count clamped as the dialogs clamp it;
// --raw gives the text's own bytes, wherever it stands.
TEST(CliSearch, CountsDefaultAndClampLikeTheDialogs) {
    using namespace orbel;
    std::array<orlib::odate_t, kMaxResults> r;
    const auto lunar = [&](unsigned phase, unsigned weekday, int n) {
        findLunarDates(phase, weekday, r.data(), n, kT);
        return lunarResultText(r.data(), n);
    };
    const auto ballista = [&](unsigned card, unsigned level, int n) {
        searchBallista(card, level, r.data(), n, kT);
        return ballistaResultText(r.data(), n);
    };
    const auto today = [&](std::time_t from, int n) {
        searchToday(from, r.data(), n);
        return todayResultText(r.data(), n);
    };
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
        EXPECT_EQ(plain.out.find('\r'), std::string::npos);
        EXPECT_EQ(plain.err, "");
    }
    const std::string lunar8 = lunar(12, 8, 8);
    for (const Args& args : {Args{"--raw", "search", "lunar", "--count", "8"},
                             Args{"search", "--raw", "lunar", "--count", "8"},
                             Args{"search", "lunar", "--count", "8", "--raw"}})
        expectRun(args, kExitOk, lunar8);
}

// 1989-09-29 and 2100-01-02 are the first and the last local dates whose
// midnight the calendar covers.
TEST(CliSearch, TodayDatesOutsideTheServiceRangeExitThree) {
    EXPECT_EQ(run({"search", "today", "--date", "1989-09-29"}).code +
                  run({"search", "today", "--date", "2100-01-02"}).code,
              0);
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
