// Orithaven arithmetic: known moments, properties over random Earth times,
// a walk over every day of the service range, and the clamp of absurd input.
#include "orlib/orlib.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>

namespace {

using orlib::gtime_t;
using orlib::odate_t;
using F = std::array<int, 6>;

const auto fields = [](const odate_t& o) {
    return F{o.year(), o.month(), o.day(), o.hour(), o.min(), o.sec()};
};
const auto shifted = [](odate_t o, int days) { return o.shiftDay(days), o; };
const auto plus = [](odate_t o, const gtime_t& d) { return o += d; };

TEST(OrithavenTime, KnownMoments) {
    EXPECT_EQ(fields(odate_t()), (F{1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(fields(odate_t(std::time_t{1796515200})), (F{944, 4, 6, 0, 0, 0})); // 12-06T00:00Z
    EXPECT_EQ(fields(odate_t(orlib::getServiceEnd())), (F{2797, 9, 25, 23, 59, 35}));
    // One Earth second before the epoch: floor division, not truncation.
    const odate_t before(orlib::getServiceStart() - 1);
    EXPECT_EQ(fields(before), (F{0, 12, 30, 23, 59, 35}));
    EXPECT_EQ((std::pair{before.getDayOfWeek(), before.getLunarAge()}), (std::pair{7, 83}));
}

TEST(OrithavenTime, PropertiesOverRandomMomentsAndTheNextPhaseStarts) {
    std::mt19937_64 rng(20261206);
    std::uniform_int_distribution<std::time_t> pick(orlib::getServiceStart(),
                                                    orlib::getServiceEnd());
    std::uniform_int_distribution<int> days(-1000, 1000), small(-200, 200);
    for (int i = 0; i < 20000; ++i) {
        const std::time_t t = pick(rng);
        const odate_t o(t);
        // Earth round trip and rate; a game second maps to the Earth second
        // at or before it; the fields rebuild the moment.
        EXPECT_EQ(odate_t(t + 1).gameSeconds() - o.gameSeconds(), orlib::kRate);
        EXPECT_EQ(static_cast<std::time_t>(orlib::edate_t(o)), t);
        EXPECT_EQ(odate_t(orlib::edate_t(o)), o);
        EXPECT_EQ(std::time_t(orlib::edate_t(odate_t::fromGameSeconds(o.gameSeconds() + 24))), t);
        EXPECT_EQ(odate_t(o.year(), o.month(), o.day(), o.hour(), o.min(), o.sec()), o);
        odate_t copy;
        copy.setTime(o.getTime());
        EXPECT_EQ(copy, o);
        if (i >= 5000) continue;
        EXPECT_EQ(o.getLunarIndex() * 7 + o.getLunarDay(), o.getLunarAge());
        // shiftDay keeps the time of day; resetTime goes to its midnight.
        const int n = days(rng);
        odate_t s = shifted(o, n);
        EXPECT_EQ(s.dayNumber() - o.dayNumber(), n);
        EXPECT_EQ(s.gameSeconds() - o.gameSeconds(), std::int64_t{n} * 86400);
        s.resetTime();
        EXPECT_EQ(s.gameSeconds(), s.dayNumber() * 86400);
        // Adding carries like seconds; days like shiftDay, a month is 30 days.
        const int h = small(rng), mi = small(rng), sec = small(rng), d = small(rng);
        EXPECT_EQ(plus(o, {0, 0, 0, h, mi, sec}),
                  odate_t::fromGameSeconds(o.gameSeconds() + h * 3600 + mi * 60 + sec));
        EXPECT_EQ(plus(o, {0, 0, d, 0, 0, 0}), shifted(o, d));
        EXPECT_EQ(plus(o, {0, 1, 0, 0, 0, 0}), shifted(o, 30));
        const odate_t byYear = plus(o, {1, 0, 0, 0, 0, 0});
        EXPECT_EQ(odate_t(o.year() + 1, o.month(), o.day(), o.hour(), o.min(), o.sec()), byYear);
        // The next start of each phase; one cycle earlier is not after o.
        for (int p = 0; p < orlib::kPhases; ++p) {
            const odate_t next = o.nextLunarAge(p);
            EXPECT_LT(o, next);
            EXPECT_EQ((std::pair{next.getLunarIndex(), next.getLunarAge()}), (std::pair{p, 7 * p}));
            EXPECT_EQ(next.hour() * 3600 + next.min() * 60 + next.sec(), 0);
            EXPECT_FALSE(o < shifted(next, -orlib::kLunarCycleDays));
            EXPECT_EQ(o.nextLunarAge(p + 12), next);
            EXPECT_EQ(o.nextLunarAge(p - 12), next);
        }
    }
    // At the very start of a phase, the answer is the same phase's next start.
    const odate_t start = odate_t(944, 3, 26).nextLunarAge(6);
    EXPECT_EQ(start.nextLunarAge(6).dayNumber() - start.dayNumber(), 84);
    EXPECT_EQ(plus(start, {0, 0, 0, 0, 0, -1}).nextLunarAge(6), start);
    EXPECT_EQ(odate_t().nextLunarAge(INT_MIN).getLunarIndex(), 4); // INT_MIN mod 12
}

TEST(OrithavenTime, EveryDayOfTheServiceRangeSucceeds) {
    using Facts = std::array<std::int64_t, 6>;
    const auto facts = [](const odate_t& o) {
        return Facts{o.year(),         o.month(),       o.day(),
                     o.getDayOfWeek(), o.getLunarAge(), o.dayNumber()};
    };
    odate_t day(orlib::getServiceStart());
    const odate_t end(orlib::getServiceEnd());
    Facts prev = facts(day);
    std::int64_t walked = 0;
    for (day.shiftDay(1); !(end < day); day.shiftDay(1), ++walked) {
        const bool monthEnd = prev[2] == 30, yearEnd = monthEnd && prev[1] == 12;
        const Facts want{prev[0] + yearEnd,          yearEnd ? 1 : prev[1] + monthEnd,
                         monthEnd ? 1 : prev[2] + 1, (prev[3] + 1) % 8,
                         (prev[4] + 1) % 84,         prev[5] + 1};
        prev = facts(day);
        // One condition: a million gtest assertions would be slow under the sanitizers.
        ASSERT_TRUE(prev == want && day.gameSeconds() == prev[5] * 86400) << day.format("%x");
    }
    EXPECT_EQ(walked, end.dayNumber());
}

TEST(OrithavenTime, AbsurdInputIsClamped) {
    const odate_t top(std::numeric_limits<std::time_t>::max());
    const odate_t bottom(std::numeric_limits<std::time_t>::min());
    EXPECT_EQ(top, odate_t(static_cast<std::time_t>(orlib::kMaxAbsEarthSeconds)));
    EXPECT_EQ(bottom.gameSeconds(), -orlib::kMaxAbsGameSeconds);
    odate_t up = top, down = bottom;
    for (int i = 0; i < 4; ++i) {
        up += gtime_t{INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX};
        up.shiftDay(INT_MAX);
        down += gtime_t{INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN};
        down.shiftDay(INT_MIN);
    }
    EXPECT_EQ(up.gameSeconds(), orlib::kMaxAbsGameSeconds);
    EXPECT_EQ(down.gameSeconds(), -orlib::kMaxAbsGameSeconds);
    EXPECT_LE(up.nextLunarAge(3).gameSeconds(), orlib::kMaxAbsGameSeconds);
    down.resetTime();
    EXPECT_GE(down.gameSeconds(), -orlib::kMaxAbsGameSeconds);
    odate_t f;
    f.setTime(gtime_t{INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN});
    EXPECT_EQ(f.gameSeconds(), -orlib::kMaxAbsGameSeconds);
    EXPECT_TRUE(f.month() >= 1 && f.month() <= 12) << f.month();
    EXPECT_EQ(odate_t(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX).gameSeconds(),
              orlib::kMaxAbsGameSeconds);
}

} // namespace
