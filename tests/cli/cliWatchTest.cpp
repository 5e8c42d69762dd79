// orbel-cli watch over invented time: the loop sleeps through an injected
// sleeper that moves an injected clock, so minutes of game time pass in
// microseconds. The expected lines come from the calendar's definition
// (game second = floor(25 x (Earth ms - 622944000000) / 1000)), walked one
// Earth millisecond at a time, not from the loop's own deadline arithmetic.
#include "app/timeFormats.h"
#include "cli/cli.h"
#include "cli/jsonOutput.h"
#include "cli/watch.h"
#include "common/cp932.h"
#include "tests/cli/cliRun.h"

#include <orlib/orlib.h>

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

using namespace orbel::cli;
using namespace orbel::cli::test;

namespace {

constexpr std::int64_t kEpochMs = 622944000LL * 1000;
// 2026-12-05T14:41:00Z: a whole Earth second that begins a game minute
// (944/03/26 07:04:00; 12 Earth seconds are 5 game minutes).
constexpr std::int64_t kAlignedMs = 1796481660LL * 1000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Every distinct tooltip text from startMs to endMs (exclusive), in order.
std::vector<std::string> expectedLines(int mode, std::int64_t startMs, std::int64_t endMs) {
    std::vector<std::string> lines;
    for (std::int64_t ms = startMs; ms < endMs; ++ms) {
        const auto o = orlib::odate_t::fromGameSeconds(floorDiv(25 * (ms - kEpochMs), 1000));
        std::string tip = orbel::text::cp932ToUtf8(o.format(orbel::timeFormatsFor(mode).tip));
        if (lines.empty() || lines.back() != tip) lines.push_back(std::move(tip));
    }
    return lines;
}

std::vector<std::string> splitLines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A stdout that takes `lines` lines and then fails, as a closed pipe does.
// Unbuffered, so every character passes overflow().
class ClosingBuf : public std::streambuf {
public:
    explicit ClosingBuf(int lines) : m_left(lines) {}
    const std::string& str() const { return m_text; }

protected:
    int_type overflow(int_type c) override {
        if (m_left <= 0 || traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::eof();
        m_text += traits_type::to_char_type(c);
        if (c == '\n') --m_left;
        return c;
    }

private:
    int m_left;
    std::string m_text;
};

struct Fake {
    std::int64_t now;
    std::int64_t endMs;
    std::int64_t lateMs = 0;
    bool spurious = false; // every other sleep returns halfway
    int sleeps = 0;
    std::int64_t rendered = 0; // the last moment the loop went on to show
    WatchEnv env() {
        return {[this] { return now; },
                [this](std::int64_t deadline) {
                    ++sleeps;
                    EXPECT_GT(deadline, now) << "a deadline in the past would spin";
                    now = spurious && sleeps % 2 == 0 ? (now + deadline) / 2 : deadline + lateMs;
                },
                [this] {
                    if (now >= endMs) return true;
                    rendered = now;
                    return false;
                }};
    }
};

struct Row {
    const char* name;
    int mode;
    std::int64_t startMs;
    std::int64_t spanMs;
    std::int64_t lateMs;
    bool spurious;
};

const Row kRows[] = {
    {"Mode0FiveMinutes", 0, kAlignedMs, 12'000, 0, false},
    {"Mode0StartsMidMinute", 0, kAlignedMs + 1'700, 7'300, 0, false},
    {"Mode1LateWakes", 1, kAlignedMs - 500, 9'600, 13, false},
    {"Mode2ThreeSeconds", 2, kAlignedMs, 3'000, 0, false},
    {"Mode2AcrossMinute", 2, kAlignedMs - 1'000, 2'000, 39, false},
    {"Mode2SpuriousWakes", 2, kAlignedMs + 7, 1'200, 0, true},
    {"OtherModeIsMode0", 7, kAlignedMs + 5, 5'000, 0, false},
};

} // namespace

TEST(CliWatch, OneLinePerChangeNoneDuplicatedOrSkipped) {
    for (const Row& row : kRows) {
        std::ostringstream out, err;
        Session session(out, err, [] { return std::time_t{0}; });
        Fake fake{row.startMs, row.startMs + row.spanMs, row.lateMs, row.spurious};
        EXPECT_EQ(runWatch(session, row.mode, fake.env()), kExitOk) << row.name;
        const std::vector<std::string> lines = splitLines(out.str());
        EXPECT_EQ(lines, expectedLines(row.mode, row.startMs, fake.rendered + 1)) << row.name;
        EXPECT_EQ(err.str(), "") << row.name;
        // Each wake writes a line, but for the ones a spurious wake adds.
        if (!row.spurious) {
            EXPECT_EQ(fake.sleeps, static_cast<int>(lines.size())) << row.name;
        }
    }
}

TEST(CliWatch, StepFollowsWhetherTheTooltipShowsSeconds) {
    EXPECT_EQ(watchStepSeconds(0), 60);
    EXPECT_EQ(watchStepSeconds(1), 60);
    EXPECT_EQ(watchStepSeconds(2), 1);
    EXPECT_EQ(watchStepSeconds(-3), 60);
}

TEST(CliWatch, EndsQuietlyWhenTheReaderGoesAway) {
    for (int taken : {0, 1, 4}) {
        ClosingBuf buf(taken);
        std::ostream out(&buf);
        std::ostringstream err;
        Session session(out, err, [] { return std::time_t{0}; });
        Fake fake{kAlignedMs, kAlignedMs + 3'600'000};
        EXPECT_EQ(runWatch(session, 2, fake.env()), kExitOk) << taken;
        EXPECT_EQ(fake.sleeps, taken) << "ends at the first refused line";
        EXPECT_EQ(splitLines(buf.str()).size(), static_cast<std::size_t>(taken));
        EXPECT_EQ(err.str(), "");
    }
}

TEST(CliWatch, JsonTextsAreThePlainLinesAndTheDetailWindow) {
    const std::int64_t span = 2'400 * 3; // three game minutes
    std::ostringstream plain, json, err;
    Session plainSession(plain, err, [] { return std::time_t{0}; });
    Session jsonSession(json, err, [] { return std::time_t{0}; });
    jsonSession.json = true;
    Fake a{kAlignedMs, kAlignedMs + span}, b{kAlignedMs, kAlignedMs + span};
    ASSERT_EQ(runWatch(plainSession, 0, a.env()), kExitOk);
    ASSERT_EQ(runWatch(jsonSession, 0, b.env()), kExitOk);
    const std::vector<std::string> lines = splitLines(plain.str());
    const std::vector<std::string> objects = splitLines(json.str());
    ASSERT_EQ(objects.size(), lines.size());
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Json j = Json::parse(objects[i]);
        EXPECT_EQ(j.at("text"), lines[i]);
        // 944/03/26: 十三夜 on its third day (cliTest.cpp), two days of six in.
        EXPECT_EQ(j.at("class"), "thirteenth-night");
        EXPECT_EQ(j.at("percentage"), 33);
    }
    // At a whole Earth second the hover text is `detail` of that second.
    std::string detail = run({"detail", "--at", "@1796481660", "--mode", "0"}).out;
    detail.pop_back();
    EXPECT_EQ(Json::parse(objects[0]).at("tooltip"), detail);
    EXPECT_EQ(err.str(), "");
}

TEST(CliWatch, PercentageRunsFromFirstToSeventhDay) {
    const int expected[] = {0, 17, 33, 50, 67, 83, 100};
    for (int day = 0; day < 7; ++day)
        EXPECT_EQ(phasePercent(day), expected[day]) << day;
}

TEST(CliWatch, LeavingTheServiceRangeExitsThree) {
    const std::int64_t end = static_cast<std::int64_t>(orlib::getServiceEnd()) * 1000;
    std::ostringstream out, err;
    Session session(out, err, [] { return std::time_t{0}; });
    Fake fake{end - 100, end + 60'000};
    EXPECT_EQ(runWatch(session, 2, fake.env()), kExitOutOfRange);
    EXPECT_EQ(splitLines(out.str()), expectedLines(2, end - 100, end + 1000));
    EXPECT_EQ(err.str(), "お使いのPCの時刻を正しく設定してください。\n");
}
