// Earth times in the local zone: fields, carries, local midnight, the
// service range seen from several zones, and daylight saving time in
// Berlin and Santiago (TZ changed inside the tests, back to Tokyo afterwards).
#include "orlib/orlib.h"
#include "tests/support/timeZone.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <limits>
#include <random>
#include <string>

namespace {

using orlib::edate_t;
using orlib::odate_t;

class EarthTime : public ::testing::Test {
protected:
    // Sets TZ for the rest of the test; false where this C runtime lacks the zone.
    static bool zone(const char* tz) {
        orbel::test::setTimeZone(tz);
        orlib::orlibsetlocale();
        return orbel::test::zoneAvailable(tz);
    }
    // The zone every other test of the program expects.
    void TearDown() override { zone("Asia/Tokyo"); }
};

const auto shifted = [](edate_t e, int n) -> std::time_t { return e.shiftDay(n), e; };
const auto midnight = [](edate_t e) -> std::time_t { return e.resetLocalTime(), e; };
const auto text = [](std::time_t t) { return edate_t(t).format("%c"); };

TEST_F(EarthTime, FieldsCarriesAndAbsurdInputInTokyo) {
    zone("Asia/Tokyo");
    const edate_t e(2026, 12, 6, 15, 47, 43);
    EXPECT_EQ(static_cast<std::time_t>(e), 1796539663);
    EXPECT_EQ(text(e), "2026/12/06 15:47:43");
    EXPECT_EQ((std::array{e.year(), e.month(), e.day(), e.hour(), e.min(), e.sec()}),
              (std::array{2026, 12, 6, 15, 47, 43}));
    EXPECT_EQ(e.getDayOfWeek(), 0); // Sunday
    const odate_t o(e);
    EXPECT_EQ((std::array{e.getLunarAge(), e.getLunarIndex(), e.getLunarDay()}),
              (std::array{o.getLunarAge(), o.getLunarIndex(), o.getLunarDay()}));
    edate_t copy;
    copy.setTime(e.getTime());
    EXPECT_EQ(static_cast<std::time_t>(copy), static_cast<std::time_t>(e));
    EXPECT_EQ(text(edate_t(2025, 13, 1, 0, 0, 0)), "2026/01/01 00:00:00");
    EXPECT_EQ(text(edate_t(2024, 3, 0, 12, 0, 0)), "2024/02/29 12:00:00");
    EXPECT_EQ(text(edate_t(2025, 1, 1, 0, 0, -1)), "2024/12/31 23:59:59");
    EXPECT_EQ(midnight(e), 1796482800);
    edate_t viaBase = e;
    viaBase.resetTime();
    EXPECT_EQ(static_cast<std::time_t>(viaBase), 1796482800);
    EXPECT_EQ(text(shifted(edate_t(2025, 12, 31, 23, 59, 59), 1)), "2026/01/01 23:59:59");
    const std::time_t leap = edate_t(2024, 2, 28, 6, 0, 0);
    EXPECT_EQ(text(shifted(leap, 1)), "2024/02/29 06:00:00");
    EXPECT_EQ(text(shifted(leap, 2)), "2024/03/01 06:00:00");
    EXPECT_EQ(text(shifted(leap, -365)), "2023/02/28 06:00:00");
    // Absurd input stays defined.
    const edate_t far(std::numeric_limits<std::time_t>::max());
    const edate_t bound(static_cast<std::time_t>(orlib::kMaxAbsEarthSeconds));
    EXPECT_EQ(far.format("%c %a"), bound.format("%c %a"));
    EXPECT_EQ(far.getLunarAge(), bound.getLunarAge());
    EXPECT_EQ(edate_t(std::numeric_limits<std::time_t>::min()).year(),
              edate_t(static_cast<std::time_t>(-orlib::kMaxAbsEarthSeconds)).year());
    // Only that nothing overflows (the sanitizers watch); mktime decides the value.
    edate_t huge(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    huge.shiftDay(INT_MAX);
    edate_t tiny(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN);
    tiny.shiftDay(INT_MIN);
    tiny.resetLocalTime();
    for (const edate_t& e : {huge, tiny}) {
        const orlib::gtime_t g = e.getTime();
        EXPECT_TRUE(g.month >= 1 && g.month <= 12 && g.day >= 1 && g.day <= 31) << e;
        EXPECT_TRUE(g.hour >= 0 && g.hour <= 23 && g.min >= 0 && g.min <= 59) << e;
    }
    // Setting up twice changes nothing.
    orlib::orlibsetlocale();
    orlib::orlibsetlocale();
    EXPECT_EQ(text(1796539663), "2026/12/06 15:47:43");
}

TEST_F(EarthTime, ServiceRangeCoversTheLastDayOf2099Everywhere) {
    static const std::array<const char*, 3> zones[] = {
        {"Asia/Tokyo", "1989/09/28 09:00:00", "2100/01/02 08:59:59"},
        {"Etc/GMT+12", "1989/09/27 12:00:00", "2100/01/01 11:59:59"},
        {"Pacific/Kiritimati", "1989/09/27 14:00:00", "2100/01/02 13:59:59"}};
    for (const auto& [tz, start, end] : zones) {
        if (!zone(tz)) continue;
        SCOPED_TRACE(tz);
        EXPECT_EQ(text(orlib::getServiceStart()), start);
        EXPECT_EQ(text(orlib::getServiceEnd()), end);
        EXPECT_LE(static_cast<std::time_t>(edate_t(2099, 12, 31, 23, 59, 59)),
                  orlib::getServiceEnd());
    }
}

TEST_F(EarthTime, DaylightSavingInBerlinAndSantiago) {
    if (!zone("Europe/Berlin")) GTEST_SKIP() << "no summer-time rules for TZ here";
    // 2025-03-30 02:00 CET -> 03:00 CEST; 2025-10-26 03:00 CEST -> 02:00 CET.
    EXPECT_EQ(text(1751364000), "2025/07/01 12:00:00"); // 10:00Z, summer
    EXPECT_EQ(text(1736935200), "2025/01/15 11:00:00"); // 10:00Z, winter
    EXPECT_EQ(edate_t(1751364000).getTime().isdst, 1);
    EXPECT_EQ(edate_t(1736935200).getTime().isdst, 0);
    // 02:30 does not exist on the spring-forward day: read with the winter
    // offset, it is 03:30 summer time.
    const edate_t gap(2025, 3, 30, 2, 30, 0);
    EXPECT_EQ(static_cast<std::time_t>(gap), 1743298200);
    EXPECT_EQ(text(gap), "2025/03/30 03:30:00");
    EXPECT_EQ(shifted(edate_t(2025, 3, 29, 2, 30, 0), 1), 1743298200);
    // 02:30 happens twice on the fall-back day; either reading shows 02:30.
    const edate_t twice(2025, 10, 26, 2, 30, 0);
    EXPECT_TRUE(twice == 1761438600 || twice == 1761442200) << static_cast<std::time_t>(twice);
    EXPECT_EQ(twice.format("%H:%M"), "02:30");
    EXPECT_EQ(midnight(edate_t(2025, 3, 30, 15, 0, 0)), 1743289200); // 00:00 CET
    // shiftDay keeps the local time of day; only a 02:xx reading that lands
    // in a spring-forward gap moves.
    std::mt19937_64 rng(99);
    std::uniform_int_distribution<std::time_t> pick(orlib::getServiceStart(),
                                                    orlib::getServiceEnd());
    std::uniform_int_distribution<int> days(-400, 400);
    for (int i = 0; i < 3000; ++i) {
        const edate_t e(pick(rng));
        const int n = days(rng);
        const edate_t s(shifted(e, n));
        const std::time_t drift = (s - e) - std::time_t{n} * 86400;
        EXPECT_LE(drift < 0 ? -drift : drift, 3600) << e << " " << n;
        EXPECT_EQ(s.min() * 100 + s.sec(), e.min() * 100 + e.sec());
        if (s.hour() != e.hour()) {
            EXPECT_TRUE(e.hour() == 2 && s.hour() == 3) << e << " " << n;
        } else if (e.hour() != 2) {
            EXPECT_EQ(shifted(s, -n), static_cast<std::time_t>(e));
        }
    }
    // Santiago skips from 00:00 to 01:00 on 2025-09-07: the day starts at 01:00.
    ASSERT_TRUE(zone("America/Santiago"));
    const edate_t noon(2025, 9, 7, 12, 0, 0);
    EXPECT_EQ(static_cast<std::time_t>(noon), 1757257200);
    EXPECT_EQ(midnight(noon), 1757217600);
    EXPECT_EQ(text(midnight(noon)), "2025/09/07 01:00:00");
}

} // namespace
