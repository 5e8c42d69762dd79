// The command line's TIME argument on arbitrary text. Besides not crashing:
// a refusal always says why in one line, the reason does not change whether
// the text is accepted, and the forms that name the same instant agree: Z,
// +00:00 and -00:00, an offset against Z moved by that offset, and local
// time against Z within the zone's offsets.
//
// Input: the text itself.
#include "cli/timeArg.h"
#include "fuzz/fuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace {

using orbel::cli::parseTimeArg;

// Berlin has been 0:53:28 (mean time) to 3 hours (the summers of 1945 and
// 1947) east of UTC: its local reading of a wall clock lies that far before
// the same clock read as UTC.
constexpr std::time_t kMostEast = 3 * 3600;

std::optional<std::time_t> asUtc(std::string_view text) {
    return parseTimeArg(std::string(text.substr(0, 19)) + "Z");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string why;
    const std::optional<std::time_t> t = parseTimeArg(text, &why);
    FUZZ_CHECK(parseTimeArg(text) == t);
    if (!t) {
        FUZZ_CHECK(!why.empty());
        FUZZ_CHECK(why.find('\n') == std::string::npos);
        return 0;
    }
    if (text.front() == '@') {
        // Decimal digits after at most a minus sign, nothing else, read as
        // the C library reads them.
        const std::string number(text.substr(1));
        const std::size_t first = !number.empty() && number.front() == '-' ? 1 : 0;
        FUZZ_CHECK(number.size() > first);
        FUZZ_CHECK(number.find_first_not_of("0123456789", first) == std::string::npos);
        FUZZ_CHECK(*t == std::strtoll(number.c_str(), nullptr, 10));
        return 0;
    }

    // Every other accepted text begins with a full wall clock.
    const std::optional<std::time_t> utc = asUtc(text);
    FUZZ_CHECK(utc.has_value());
    const std::string_view zone = text.substr(19);
    if (zone.empty()) {
        FUZZ_CHECK(*utc - *t >= 0 && *utc - *t <= kMostEast);
    } else if (zone == "Z") {
        FUZZ_CHECK(*t == *utc);
        const std::string clock(text.substr(0, 19));
        FUZZ_CHECK(parseTimeArg(clock + "+00:00") == t);
        FUZZ_CHECK(parseTimeArg(clock + "-00:00") == t);
    } else {
        const int sign = zone[0] == '-' ? -1 : 1;
        const int hours = (zone[1] - '0') * 10 + (zone[2] - '0');
        const int minutes = (zone[4] - '0') * 10 + (zone[5] - '0');
        FUZZ_CHECK(*t == *utc - sign * (hours * 3600 + minutes * 60));
    }
    return 0;
}
