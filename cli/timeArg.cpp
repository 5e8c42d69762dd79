#include "cli/timeArg.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <limits>

namespace orbel::cli {

namespace {

constexpr std::string_view kForms = "expected YYYY-MM-DDTHH:MM:SS with nothing, Z, +HH:MM or "
                                    "-HH:MM after it, or @SECONDS";

std::optional<std::time_t> fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return std::nullopt;
}

// Exactly `count` decimal digits at text[pos]; no sign, no spaces.
bool readDigits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
    if (pos + count > text.size()) return false;
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool fitsTimeT(std::int64_t v) {
    return v >= std::numeric_limits<std::time_t>::min() &&
           v <= std::numeric_limits<std::time_t>::max();
}

std::optional<std::time_t> parseSeconds(std::string_view digits, std::string* error) {
    std::int64_t value = 0;
    const char* first = digits.data();
    const char* last = first + digits.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    // The shape first: a number too large for 64 bits still ends where its
    // digits do, and only a text that is nothing but the number may be
    // quoted back in the one-line reason.
    const bool tooFar = ec == std::errc::result_out_of_range;
    if (digits.empty() || end != last || (ec != std::errc{} && !tooFar))
        return fail(error, "@ must be followed by a whole number of seconds");
    if (tooFar || !fitsTimeT(value))
        return fail(error, "@" + std::string(digits) + " is too far from 1970 to be a time");
    return static_cast<std::time_t>(value);
}

bool toLocalTm(std::time_t t, std::tm& out) {
#if defined(_WIN32)
    return localtime_s(&out, &t) == 0;
#else
    return localtime_r(&t, &out) != nullptr;
#endif
}

struct Fields {
    int year, month, day, hour, min, sec;
};

std::optional<std::time_t> localTime(const Fields& f, std::string* error) {
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.min;
    tm.tm_sec = f.sec;
    tm.tm_isdst = -1; // let the zone rules decide, as for any wall clock
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) {
        // -1 is also one second before 1970 (UTC); only a failure when
        // that second is not the one asked for.
        std::tm check{};
        if (!toLocalTm(t, check) || check.tm_year != f.year - 1900 || check.tm_mon != f.month - 1 ||
            check.tm_mday != f.day || check.tm_hour != f.hour || check.tm_min != f.min ||
            check.tm_sec != f.sec)
            return fail(error, "the local time cannot be represented");
    }
    return t;
}

} // namespace

std::optional<int> parseIntArg(std::string_view text) noexcept {
    int value = 0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    if (ec != std::errc{} || end != last) return std::nullopt;
    return value;
}

std::optional<std::time_t> parseTimeArg(std::string_view text, std::string* error) {
    if (!text.empty() && text.front() == '@') return parseSeconds(text.substr(1), error);

    // YYYY-MM-DDTHH:MM:SS is 19 characters with its separators at fixed places.
    Fields f{};
    if (text.size() < 19 || !readDigits(text, 0, 4, f.year) || text[4] != '-' ||
        !readDigits(text, 5, 2, f.month) || text[7] != '-' || !readDigits(text, 8, 2, f.day) ||
        text[10] != 'T' || !readDigits(text, 11, 2, f.hour) || text[13] != ':' ||
        !readDigits(text, 14, 2, f.min) || text[16] != ':' || !readDigits(text, 17, 2, f.sec))
        return fail(error, std::string(kForms));

    using namespace std::chrono;
    if (f.month < 1 || f.month > 12)
        return fail(error, "month " + std::to_string(f.month) + " is not 1 to 12");
    const year_month_day ymd{year{f.year}, month{static_cast<unsigned>(f.month)},
                             day{static_cast<unsigned>(f.day)}};
    if (!ymd.ok())
        return fail(error, "day " + std::to_string(f.day) + " does not exist in " +
                               std::string(text.substr(0, 7)));
    if (f.hour > 23) return fail(error, "hour " + std::to_string(f.hour) + " is not 0 to 23");
    if (f.min > 59) return fail(error, "minute " + std::to_string(f.min) + " is not 0 to 59");
    if (f.sec > 59) return fail(error, "second " + std::to_string(f.sec) + " is not 0 to 59");

    const std::string_view zone = text.substr(19);
    if (zone.empty()) return localTime(f, error);

    int offset = 0; // seconds east of UTC
    if (zone == "Z") {
        offset = 0;
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        int oh = 0, om = 0;
        if (!readDigits(zone, 1, 2, oh) || !readDigits(zone, 4, 2, om))
            return fail(error, std::string(kForms));
        if (oh > 23 || om > 59)
            return fail(error, "offset " + std::string(zone) + " is not within 23:59 of UTC");
        offset = (zone[0] == '-' ? -1 : 1) * (oh * 3600 + om * 60);
    } else {
        return fail(error, std::string(kForms));
    }

    // Four-digit years keep this far inside 64 bits; a narrower time_t is
    // checked below.
    const std::int64_t days = sys_days{ymd}.time_since_epoch().count();
    const std::int64_t t = days * 86400 + f.hour * 3600 + f.min * 60 + f.sec - offset;
    if (!fitsTimeT(t)) return fail(error, "the time cannot be represented");
    return static_cast<std::time_t>(t);
}

} // namespace orbel::cli
