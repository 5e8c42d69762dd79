// Running the command line in-process for the tests: arguments in, exit
// code and both streams out, with a fixed "now" and the Tokyo time zone
// whether or not ctest set TZ.
#pragma once

#include "cli/cli.h"
#include "tests/support/tokyoTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

namespace orbel::cli::test {

using orbel::test::TokyoTime;

// 2026-12-05T22:41:05Z: the settings sheet's sample moment 944/03/26 07:07.
inline constexpr std::time_t kT = 1796481665;
inline const std::string kAtT = "@1796481665";

struct Result {
    int code;
    std::string out;
    std::string err;
};

inline Result run(const std::vector<std::string>& args, std::time_t now = kT) {
    std::vector<const char*> argv{"orbel-cli"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int code =
        runCli(static_cast<int>(argv.size()), argv.data(), out, err, [now] { return now; });
    return {code, out.str(), err.str()};
}

} // namespace orbel::cli::test
