// Running the command line in-process for the tests: arguments in, exit
// code and both streams out, with a fixed "now" and the Tokyo time zone
// whether or not ctest set TZ.
#pragma once

#include "app/timeFormats.h"
#include "cli/cli.h"
#include "common/cp932.h"
#include "tests/support/tokyoTime.h"

#include <gtest/gtest.h>
#include <orlib/orlib.h>

#include <algorithm>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

namespace orbel::cli::test {

using orbel::test::TokyoTime;
using Args = std::vector<std::string>;

// 2026-12-05T14:41:05Z: the settings sheet's sample moment 944/03/26 07:07.
inline constexpr std::time_t kT = 1796481665;
inline const std::string kAtT = "@1796481665";
inline const std::string kBadClock = "お使いのPCの時刻を正しく設定してください。\n";

struct Result {
    int code;
    std::string out;
    std::string err;
};

inline Result run(const Args& args, std::time_t now = kT) {
    std::vector<const char*> argv{"orbel-cli"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int code =
        runCli(static_cast<int>(argv.size()), argv.data(), out, err, [now] { return now; });
    return {code, out.str(), err.str()};
}

inline std::string joined(const Args& args) {
    std::string line = "orbel-cli";
    for (const std::string& a : args)
        line += " '" + a + "'";
    return line;
}

// The clock's three texts in `mode` at t, in UTF-8 (the game clock's tests
// fix them): the tooltip, then the detail window's Orithaven and Earth lines.
inline std::vector<std::string> clockTexts(int mode, std::time_t t = kT) {
    const orbel::TimeFormats& f = orbel::timeFormatsFor(mode);
    const orlib::odate_t o(t);
    return {orbel::text::cp932ToUtf8(o.format(f.tip)),
            orbel::text::cp932ToUtf8(o.format(f.gameLine)),
            orbel::text::cp932ToUtf8(orlib::edate_t(o).format(f.earthLine))};
}

// What --raw writes for a UTF-8 text: its CP932 bytes with CRLF.
inline std::string raw(const std::string& utf8) {
    std::string bytes;
    for (char c : orbel::text::utf8ToCp932(utf8))
        bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return bytes;
}

// The exit code and both streams exactly.
inline void expectRun(const Args& args, int code, const std::string& out,
                      const std::string& err = "", std::time_t now = kT) {
    SCOPED_TRACE(joined(args));
    const Result r = run(args, now);
    EXPECT_EQ(r.code, code);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
}

// Exit 2, nothing on stdout and one line on stderr that points to the help;
// `option` given, the line names it first.
inline void expectUsage(const Args& args, const std::string& option = "") {
    SCOPED_TRACE(joined(args));
    const Result r = run(args);
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("orbel-cli: " + (option.empty() ? "" : option + ": "), 0), 0u) << r.err;
    EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

} // namespace orbel::cli::test
