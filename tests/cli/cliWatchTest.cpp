// orbel-cli watch over invented time: the loop sleeps through an injected
// sleeper that moves an injected clock, so minutes of game time pass in
// microseconds. The expected lines come from the calendar's definition
// (game second = floor(25 x (Earth ms - 622944000000) / 1000)), walked one
// Earth millisecond at a time, not from the loop's own deadline arithmetic.
#include "app/timeFormats.h"
#include "cli/jsonOutput.h"
#include "cli/watch.h"
#include "common/cp932.h"
#include "tests/cli/cliRun.h"

#include <orlib/orlib.h>

using namespace orbel::cli;
using namespace orbel::cli::test;

namespace {

constexpr std::int64_t kEpochMs = 622944000LL * 1000;
// 2026-12-05T14:41:00Z: a whole Earth second that begins a game minute
// (944/03/26 07:04:00; 12 Earth seconds are 5 game minutes).
constexpr std::int64_t kAlignedMs = 1796481660LL * 1000;

// Every distinct tooltip text from startMs to endMs (exclusive, both after
// the epoch, so the division floors), in order, a line each.
std::string expectedLines(int mode, std::int64_t startMs, std::int64_t endMs) {
    std::string lines, last;
    for (std::int64_t ms = startMs; ms < endMs; ++ms) {
        const auto o = orlib::odate_t::fromGameSeconds(25 * (ms - kEpochMs) / 1000);
        const std::string tip = orbel::text::cp932ToUtf8(o.format(orbel::timeFormatsFor(mode).tip));
        if (tip != last) lines += (last = tip) + "\n";
    }
    return lines;
}
std::size_t lineCount(const std::ostringstream& out) {
    const std::string s = out.str();
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
}

// The loop runs from `now` until the clock reaches endMs; wakes come lateMs
// late or, with `spurious`, every other one halfway to its deadline. After
// `closeAfter` wakes stdout fails, as when its reader closes the pipe.
struct Fake {
    std::int64_t now;
    std::int64_t endMs;
    std::int64_t lateMs = 0;
    bool spurious = false;
    int closeAfter = -1;
    int sleeps = 0;
    std::int64_t rendered = 0; // the last moment the loop went on to show
    std::ostringstream out{}, err{};

    int watch(int mode, bool json = false) {
        Session session(out, err, [] { return std::time_t{0}; });
        session.json = json;
        const auto sleep = [this](std::int64_t deadline) {
            ++sleeps;
            EXPECT_GT(deadline, now) << "a deadline in the past would spin";
            now = spurious && sleeps % 2 == 0 ? (now + deadline) / 2 : deadline + lateMs;
        };
        const auto stop = [this] {
            if (sleeps == closeAfter) out.setstate(std::ios::badbit);
            return now >= endMs || (rendered = now, false);
        };
        return runWatch(session, mode, {[this] { return now; }, sleep, stop});
    }
};

} // namespace

TEST(CliWatch, OneLinePerChangeNoneDuplicatedOrSkipped) {
    struct Row {
        const char* name;
        int mode;
        std::int64_t startMs, spanMs, lateMs;
        bool spurious;
    };
    const Row rows[] = {{"Mode0FiveMinutes", 0, kAlignedMs, 12'000, 0, false},
                        {"Mode0StartsMidMinute", 0, kAlignedMs + 1'700, 7'300, 0, false},
                        {"Mode1LateWakes", 1, kAlignedMs - 500, 9'600, 13, false},
                        {"Mode2ThreeSeconds", 2, kAlignedMs, 3'000, 0, false},
                        {"Mode2AcrossMinute", 2, kAlignedMs - 1'000, 2'000, 39, false},
                        {"Mode2SpuriousWakes", 2, kAlignedMs + 7, 1'200, 0, true},
                        {"OtherModeIsMode0", 7, kAlignedMs + 5, 5'000, 0, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fake fake{row.startMs, row.startMs + row.spanMs, row.lateMs, row.spurious};
        EXPECT_EQ(fake.watch(row.mode), kExitOk);
        EXPECT_EQ(fake.out.str(), expectedLines(row.mode, row.startMs, fake.rendered + 1));
        EXPECT_EQ(fake.err.str(), "");
        // Each wake writes a line, but for the ones a spurious wake adds.
        EXPECT_TRUE(row.spurious || fake.sleeps == static_cast<int>(lineCount(fake.out)))
            << fake.sleeps;
    }
}

// The loop ends quietly at the first line its reader refuses, and with exit
// 3 and message 111 when the clock leaves the service range.
TEST(CliWatch, EndsWhenTheReaderGoesAwayOrTheClockLeavesTheRange) {
    for (int taken : {0, 1, 4}) {
        Fake fake{kAlignedMs, kAlignedMs + 3'600'000};
        fake.closeAfter = taken;
        EXPECT_EQ(fake.watch(2), kExitOk) << taken;
        EXPECT_EQ(fake.sleeps, taken);
        EXPECT_EQ(lineCount(fake.out), static_cast<std::size_t>(taken));
        EXPECT_EQ(fake.err.str(), "");
    }
    const std::int64_t end = static_cast<std::int64_t>(orlib::getServiceEnd()) * 1000;
    Fake fake{end - 100, end + 60'000};
    EXPECT_EQ(fake.watch(2), kExitOutOfRange);
    EXPECT_EQ(fake.out.str(), expectedLines(2, end - 100, end + 1000));
    EXPECT_EQ(fake.err.str(), kBadClock);
}

// A JSON object's text is the plain line; at a whole Earth second its hover
// text is `detail` of that second. 944/03/26 is 十三夜's third day of seven.
TEST(CliWatch, JsonTextsAreThePlainLinesAndTheDetailWindow) {
    Fake plain{kAlignedMs, kAlignedMs + 2'400}, json{kAlignedMs, kAlignedMs + 2'400};
    ASSERT_EQ(plain.watch(0), kExitOk);
    ASSERT_EQ(json.watch(0, true), kExitOk);
    ASSERT_EQ(lineCount(json.out), 1u);
    const Json j = Json::parse(json.out.str());
    EXPECT_EQ(j.at("text").get<std::string>() + "\n", plain.out.str());
    EXPECT_EQ(j.at("class"), "thirteenth-night");
    EXPECT_EQ(j.at("percentage"), 33);
    std::string detail = run({"detail", "--at", "@1796481660", "--mode", "0"}).out;
    detail.pop_back();
    EXPECT_EQ(j.at("tooltip"), detail);
    EXPECT_EQ(plain.err.str() + json.err.str(), "");
    const int percent[] = {0, 17, 33, 50, 67, 83, 100}; // from the first to the seventh day
    for (int day = 0; day < 7; ++day)
        EXPECT_EQ(phasePercent(day), percent[day]) << day;
}
