// The whole orbel-cli command line, in-process, on arbitrary arguments:
// it ends with success (0), bad usage (2) or a time out of range (3), never
// with an internal failure or a crash; a failure always says something on
// stderr, a success always prints; and without --raw whatever reaches
// stdout is well-formed UTF-8.
//
// Input: the arguments after the program name, separated by NUL bytes
// (the one byte an argument cannot hold).
#include "cli/cli.h"
#include "fuzz/fuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// 2026-12-05T22:41:05Z, inside the service range: "now" for every run.
constexpr std::time_t kNow = 1796481665;

// Enough for any real command line; a longer one only slows CLI11 down.
constexpr std::size_t kMaxArgs = 24;

// Well-formed UTF-8 as Unicode defines it: no overlong forms, no
// surrogates, nothing past U+10FFFF, no sequence cut short.
bool isUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;                  // continuation bytes
        unsigned char lo = 0x80, hi = 0xBF; // the range of the first of them
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            lo = c == 0xE0 ? 0xA0 : 0x80;
            hi = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            lo = c == 0xF0 ? 0x90 : 0x80;
            hi = c == 0xF4 ? 0x8F : 0xBF;
        } else if (c >= 0x80) {
            return false;
        }
        if (s.size() - i <= n) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) return false;
        }
        i += n + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Asia/Tokyo", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    for (std::size_t at = 0; at <= input.size() && args.size() < kMaxArgs;) {
        const std::size_t nul = input.find('\0', at);
        const std::size_t end = nul == std::string::npos ? input.size() : nul;
        args.push_back(input.substr(at, end - at));
        at = end + 1;
    }
    // "watch" runs until it is stopped and "export" writes files and can be
    // asked for decades of events: both are left to their own tests.
    for (const std::string& a : args)
        if (a == "watch" || a == "export") return -1;
    std::vector<const char*> argv{"orbel-cli"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());

    std::ostringstream out, err;
    bool raw = false;
    const int code = orbel::cli::runCli(
        static_cast<int>(argv.size()), argv.data(), out, err, [] { return kNow; },
        [&raw](bool chosen) { raw = chosen; });
    FUZZ_CHECK(code == orbel::cli::kExitOk || code == orbel::cli::kExitUsage ||
               code == orbel::cli::kExitOutOfRange);
    FUZZ_CHECK(code == orbel::cli::kExitOk || !err.str().empty());
    FUZZ_CHECK(code != orbel::cli::kExitOk || !out.str().empty());
    if (!raw) FUZZ_CHECK(isUtf8(out.str()));
    return 0;
}
