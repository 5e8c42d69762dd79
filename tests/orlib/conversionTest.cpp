// Orithaven arithmetic: known moments, properties over random Earth times,
// a walk over every day of the service range, and the clamp of absurd input.

#include "orlib/orlib.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

using orlib::gtime_t;
using orlib::odate_t;

constexpr std::time_t kSampleDayStart = 1796480640; // Earth time of 944/03/26 00:00:00

void expectFields(const odate_t& o, int y, int mo, int d, int h, int mi, int s) {
    EXPECT_EQ(o.year(), y);
    EXPECT_EQ(o.month(), mo);
    EXPECT_EQ(o.day(), d);
    EXPECT_EQ(o.hour(), h);
    EXPECT_EQ(o.min(), mi);
    EXPECT_EQ(o.sec(), s);
}

std::vector<std::time_t> randomServiceTimes(std::size_t n) {
    std::mt19937_64 rng(20261206);
    std::uniform_int_distribution<std::time_t> pick(orlib::getServiceStart(),
                                                    orlib::getServiceEnd());
    std::vector<std::time_t> v(n);
    for (auto& t : v)
        t = pick(rng);
    return v;
}

gtime_t duration(int y, int mo, int d, int h, int mi, int s) {
    gtime_t g;
    g.year = y, g.month = mo, g.day = d, g.hour = h, g.min = mi, g.sec = s;
    return g;
}

TEST(OrithavenTime, KnownMoments) {
    expectFields(odate_t(), 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(odate_t(orlib::getServiceStart()), odate_t());
    EXPECT_EQ(orlib::getServiceStart(), 622944000);
    EXPECT_EQ(orlib::getServiceEnd(), 4102531199);
    expectFields(odate_t(std::time_t{1796515200}), 944, 4, 6, 0, 0, 0); // 2026-12-06T00:00Z
    expectFields(odate_t(kSampleDayStart), 944, 3, 26, 0, 0, 0);
    expectFields(odate_t(orlib::getServiceEnd()), 2797, 9, 25, 23, 59, 35);

    const odate_t sample(944, 3, 26, 7, 7, 7);
    EXPECT_EQ(sample.dayNumber(), 339565);
    EXPECT_EQ(sample.getDayOfWeek(), 5);
    EXPECT_EQ(sample.getLunarAge(), 37);
    EXPECT_EQ(sample.getLunarIndex(), 5);
    EXPECT_EQ(sample.getLunarDay(), 2);

    // One Earth second before the epoch: floor division, not truncation.
    const odate_t before(orlib::getServiceStart() - 1);
    expectFields(before, 0, 12, 30, 23, 59, 35);
    EXPECT_EQ(before.getDayOfWeek(), 7);
    EXPECT_EQ(before.getLunarAge(), 83);
}

TEST(OrithavenTime, EarthRoundTripAndRate) {
    for (std::time_t t : randomServiceTimes(20000)) {
        const odate_t o(t);
        EXPECT_EQ(odate_t(t + 1).gameSeconds() - o.gameSeconds(), orlib::kRate);
        EXPECT_EQ(static_cast<std::time_t>(orlib::edate_t(o)), t);
        EXPECT_EQ(odate_t(orlib::edate_t(o)), o);
        // Any game second maps to the Earth second at or before it.
        const odate_t later = odate_t::fromGameSeconds(o.gameSeconds() + 24);
        EXPECT_EQ(static_cast<std::time_t>(orlib::edate_t(later)), t);
        // The fields rebuild the moment.
        EXPECT_EQ(odate_t(o.year(), o.month(), o.day(), o.hour(), o.min(), o.sec()), o);
        odate_t copy;
        copy.setTime(o.getTime());
        EXPECT_EQ(copy, o);
    }
}

TEST(OrithavenTime, WeekdayAndPhasePeriods) {
    for (std::time_t t : randomServiceTimes(5000)) {
        const odate_t o(t);
        odate_t next = o, week = o, cycle = o;
        next.shiftDay(1);
        week.shiftDay(orlib::kDaysPerWeek);
        cycle.shiftDay(orlib::kLunarCycleDays);
        EXPECT_EQ(next.getDayOfWeek(), (o.getDayOfWeek() + 1) % 8);
        EXPECT_EQ(next.getLunarAge(), (o.getLunarAge() + 1) % 84);
        EXPECT_EQ(week.getDayOfWeek(), o.getDayOfWeek());
        EXPECT_EQ(cycle.getLunarAge(), o.getLunarAge());
        EXPECT_EQ(o.getLunarIndex() * 7 + o.getLunarDay(), o.getLunarAge());
    }
}

TEST(OrithavenTime, ShiftDayKeepsTimeOfDay) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> days(-1000, 1000);
    for (std::time_t t : randomServiceTimes(5000)) {
        const odate_t o(t);
        odate_t s = o;
        const int n = days(rng);
        s.shiftDay(n);
        EXPECT_EQ(s.dayNumber() - o.dayNumber(), n);
        EXPECT_EQ(s.gameSeconds() - o.gameSeconds(), std::int64_t{n} * 86400);
        EXPECT_EQ(s.hour() * 3600 + s.min() * 60 + s.sec(),
                  o.hour() * 3600 + o.min() * 60 + o.sec());
        s.resetTime();
        EXPECT_EQ(s.gameSeconds(), s.dayNumber() * 86400);
    }
    odate_t yearEnd(943, 12, 30, 22, 1, 2);
    yearEnd.shiftDay(1);
    expectFields(yearEnd, 944, 1, 1, 22, 1, 2);
    yearEnd.shiftDay(-31);
    expectFields(yearEnd, 943, 11, 30, 22, 1, 2);
}

TEST(OrithavenTime, NextLunarAge) {
    for (std::time_t t : randomServiceTimes(3000)) {
        const odate_t o(t);
        for (int i = 0; i < orlib::kPhases; ++i) {
            const odate_t n = o.nextLunarAge(i);
            EXPECT_LT(o, n);
            EXPECT_EQ(n.getLunarIndex(), i);
            EXPECT_EQ(n.getLunarAge(), 7 * i);
            EXPECT_EQ(n.hour() + n.min() + n.sec(), 0);
            // Nothing of phase i's start in between: the start one cycle
            // earlier is not after o.
            odate_t previous = n;
            previous.shiftDay(-orlib::kLunarCycleDays);
            EXPECT_FALSE(o < previous);
            EXPECT_EQ(o.nextLunarAge(i + 12), n);
            EXPECT_EQ(o.nextLunarAge(i - 12), n);
        }
    }
    // At the very start of a phase, the answer is the same phase's next start.
    const odate_t start = odate_t(944, 3, 26).nextLunarAge(6);
    EXPECT_EQ(start.nextLunarAge(6).dayNumber() - start.dayNumber(), 84);
    odate_t justBefore = start;
    justBefore += duration(0, 0, 0, 0, 0, -1);
    EXPECT_EQ(justBefore.nextLunarAge(6), start);
    EXPECT_EQ(odate_t().nextLunarAge(INT_MIN).getLunarIndex(), 4); // INT_MIN mod 12
}

TEST(OrithavenTime, AddingCarriesLikeSeconds) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> small(-200, 200);
    for (std::time_t t : randomServiceTimes(5000)) {
        const odate_t o(t);
        const int h = small(rng), mi = small(rng), s = small(rng);
        odate_t sum = o;
        sum += duration(0, 0, 0, h, mi, s);
        EXPECT_EQ(sum, odate_t::fromGameSeconds(o.gameSeconds() + h * 3600 + mi * 60 + s));

        const int d = small(rng);
        odate_t byDays = o, shifted = o;
        byDays += duration(0, 0, d, 0, 0, 0);
        shifted.shiftDay(d);
        EXPECT_EQ(byDays, shifted);

        odate_t byMonth = o, byYear = o, monthDays = o;
        byMonth += duration(0, 1, 0, 0, 0, 0);
        monthDays.shiftDay(30);
        EXPECT_EQ(byMonth, monthDays);
        byYear += duration(1, 0, 0, 0, 0, 0);
        EXPECT_EQ(byYear.getTime().year, o.year() + 1);
        EXPECT_EQ(odate_t(o.year() + 1, o.month(), o.day(), o.hour(), o.min(), o.sec()), byYear);
    }
    // The ticker's step, 5 seconds at a time, makes a whole day in 17280 steps.
    odate_t ticked(944, 3, 26, 7, 7, 7), dayLater = ticked;
    for (int i = 0; i < 17280; ++i)
        ticked += duration(0, 0, 0, 0, 0, 5);
    dayLater.shiftDay(1);
    EXPECT_EQ(ticked, dayLater);
}

// What the walk compares from one day to the next.
struct DayFacts {
    int year, month, day, weekday, age;
    std::int64_t number;
    explicit DayFacts(const odate_t& o)
        : year(o.year()), month(o.month()), day(o.day()), weekday(o.getDayOfWeek()),
          age(o.getLunarAge()), number(o.dayNumber()) {}
};

TEST(OrithavenTime, EveryDayOfTheServiceRangeSucceeds) {
    odate_t day(orlib::getServiceStart());
    const odate_t end(orlib::getServiceEnd());
    DayFacts prev(day);
    std::int64_t walked = 0;
    while (true) {
        day.shiftDay(1);
        if (end < day) break;
        const DayFacts cur(day);
        const bool monthEnd = prev.day == 30, yearEnd = monthEnd && prev.month == 12;
        // Checked as one condition: a million gtest assertions would make
        // this walk slow under the sanitizers.
        const bool ok = cur.year == prev.year + (yearEnd ? 1 : 0) &&
                        cur.month == (yearEnd ? 1 : prev.month + (monthEnd ? 1 : 0)) &&
                        cur.day == (monthEnd ? 1 : prev.day + 1) &&
                        cur.weekday == (prev.weekday + 1) % 8 && cur.age == (prev.age + 1) % 84 &&
                        cur.number == prev.number + 1 && day.gameSeconds() == cur.number * 86400;
        ASSERT_TRUE(ok) << "day " << cur.number << ": " << day.format("%x") << ", weekday "
                        << cur.weekday << ", age " << cur.age;
        prev = cur;
        ++walked;
    }
    EXPECT_EQ(walked, end.dayNumber());
    day.shiftDay(-1);
    expectFields(day, 2797, 9, 25, 0, 0, 0);
}

TEST(OrithavenTime, AbsurdInputIsClamped) {
    constexpr auto tMax = std::numeric_limits<std::time_t>::max();
    constexpr auto tMin = std::numeric_limits<std::time_t>::min();
    const odate_t top(tMax), bottom(tMin);
    EXPECT_EQ(top, odate_t(static_cast<std::time_t>(orlib::kMaxAbsEarthSeconds)));
    EXPECT_EQ(bottom.gameSeconds(), -orlib::kMaxAbsGameSeconds);

    odate_t up = top, down = bottom;
    for (int i = 0; i < 4; ++i) {
        up += duration(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
        up.shiftDay(INT_MAX);
        down += duration(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN);
        down.shiftDay(INT_MIN);
    }
    EXPECT_EQ(up.gameSeconds(), orlib::kMaxAbsGameSeconds);
    EXPECT_EQ(down.gameSeconds(), -orlib::kMaxAbsGameSeconds);
    EXPECT_LE(up.nextLunarAge(3).gameSeconds(), orlib::kMaxAbsGameSeconds);
    down.resetTime();
    EXPECT_GE(down.gameSeconds(), -orlib::kMaxAbsGameSeconds);

    odate_t fields;
    fields.setTime(duration(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN));
    EXPECT_EQ(fields.gameSeconds(), -orlib::kMaxAbsGameSeconds);
    EXPECT_GE(fields.month(), 1);
    EXPECT_LE(fields.month(), 12);
    EXPECT_EQ(odate_t(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX).gameSeconds(),
              orlib::kMaxAbsGameSeconds);
}

} // namespace
