// orlib's directive engine on arbitrary formats and moments, both kinds of
// date, inside the service range and far beyond it (where the library
// clamps). formatTo into a heap buffer of exactly `cap` bytes, so that
// AddressSanitizer sees a write one past the end, for every cap up to the
// full text's length (a sample of them for long texts): it always ends with
// a terminator, and its text is format()'s text cut where CP932 allows.
//
// Input: the moment's kind and value and a cap come from the end,
// the format is the rest (up to its first NUL, as a C string).
#include "common/cp932.h"
#include "fuzz/fuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <orlib/orlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

// Long formats add nothing the short ones do not reach, and every cap of
// a long text costs quadratic time.
constexpr std::size_t kMaxFormat = 256;
constexpr std::size_t kEveryCapUpTo = 160;

std::unique_ptr<orlib::idate> moment(FuzzedDataProvider& in) {
    const std::time_t start = orlib::getServiceStart();
    const std::time_t end = orlib::getServiceEnd();
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return std::make_unique<orlib::odate_t>(in.ConsumeIntegralInRange<std::time_t>(start, end));
    case 1:
        return std::make_unique<orlib::edate_t>(in.ConsumeIntegralInRange<std::time_t>(start, end));
    case 2:
        return std::make_unique<orlib::odate_t>(
            orlib::odate_t::fromGameSeconds(in.ConsumeIntegral<std::int64_t>()));
    default:
        return std::make_unique<orlib::edate_t>(in.ConsumeIntegral<std::time_t>());
    }
}

void checkCap(const orlib::idate& date, const char* fmt, const std::string& full, std::size_t cap) {
    // Exactly cap bytes of its own, so one byte too many is an ASan report.
    const std::unique_ptr<char[]> buf(new char[cap]);
    const std::size_t n = date.formatTo(buf.get(), cap, fmt);
    if (cap == 0) {
        FUZZ_CHECK(n == 0);
        return;
    }
    FUZZ_CHECK(n == orbel::text::fitCp932(full, cap - 1));
    FUZZ_CHECK(buf[n] == '\0');
    FUZZ_CHECK(std::memcmp(buf.get(), full.data(), n) == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A zone with daylight saving time, so the Earth side meets its gaps.
    setenv("TZ", "Europe/Berlin", 1);
    orlib::orlibsetlocale();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::unique_ptr<orlib::idate> date = moment(in);
    const std::size_t pickedCap = in.ConsumeIntegral<std::uint16_t>();
    const std::string fmt = in.ConsumeBytesAsString(std::min(in.remaining_bytes(), kMaxFormat));

    const std::string full = date->format(fmt.c_str());
    // Whole characters only: no lead byte waits at the end for a trail.
    FUZZ_CHECK(orbel::text::fitCp932(full, full.size()) == full.size());

    // Every cap of a short text; of a long one the short caps, the caps
    // around its end, and one the input picks anywhere up to there.
    const std::size_t last = full.size() + 1; // the first cap that holds it all
    for (std::size_t cap = 0; cap <= std::min(last + 1, kEveryCapUpTo); ++cap)
        checkCap(*date, fmt.c_str(), full, cap);
    if (last > kEveryCapUpTo) {
        for (std::size_t cap = last - 2; cap <= last + 1; ++cap)
            checkCap(*date, fmt.c_str(), full, cap);
        checkCap(*date, fmt.c_str(), full, pickedCap % last);
    }
    return 0;
}
