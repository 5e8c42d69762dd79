// The Orithaven moment (odate_t), the service range and the library's
// set-up call. Fields are stored broken down because callers read them far
// more often than they do arithmetic; every change goes through assign(),
// which derives them from one clamped game-second count.

#include "orlib/orlib.h"

#include "gameMath.h"
#include "render.h"

#include <ctime>

namespace orlib {

using detail::clampGameSeconds;

std::time_t getServiceStart() noexcept {
    return static_cast<std::time_t>(detail::kEpochEarth);
}

// 2100-01-01T23:59:59Z: the last day of 2099 has ended in every time zone
// (UTC-12 reaches midnight at 2100-01-01T12:00Z) before the service does.
std::time_t getServiceEnd() noexcept {
    return static_cast<std::time_t>(4102531199);
}

void orlibsetlocale() {
    // The names need no locale; only the Earth side's local time does.
    // Re-reading TZ each call keeps this idempotent.
#if defined(_WIN32)
    _tzset();
#else
    tzset();
#endif
}

idate::~idate() = default;

odate_t::odate_t() noexcept {
    assign(0);
}

odate_t::odate_t(const std::time_t& t) noexcept {
    assign(detail::gameFromEarth(t));
}

odate_t::odate_t(int year, int month, int day, int hour, int min, int sec) noexcept {
    assign(clampGameSeconds(detail::gameSecondsFromFields(year, std::int64_t{month} - 1,
                                                          std::int64_t{day} - 1, hour, min, sec)));
}

void odate_t::assign(std::int64_t gameSeconds) noexcept {
    const detail::GameFields f = detail::fieldsFromGameSeconds(clampGameSeconds(gameSeconds));
    m_year = f.year;
    m_month = f.month;
    m_day = f.day;
    m_hour = f.hour;
    m_min = f.min;
    m_sec = f.sec;
}

std::int64_t odate_t::gameSeconds() const noexcept {
    return detail::gameSecondsFromFields(m_year, m_month, m_day, m_hour, m_min, m_sec);
}

odate_t odate_t::fromGameSeconds(std::int64_t s) noexcept {
    odate_t o;
    o.assign(s);
    return o;
}

std::int64_t odate_t::dayNumber() const noexcept {
    return (std::int64_t{m_year} - 1) * kDaysPerYear + std::int64_t{m_month} * kDaysPerMonth +
           m_day;
}

odate_t& odate_t::operator+=(const gtime_t& d) noexcept {
    // |gameSeconds| <= 2.5e16 and |duration| < 7.5e16: the sum fits.
    assign(gameSeconds() + detail::durationSeconds(d));
    return *this;
}

odate_t odate_t::nextLunarAge(int index) const noexcept {
    const std::int64_t targetAge = std::int64_t{kDaysPerPhase} * detail::floorMod(index, kPhases);
    // Day dayNumber() started at or before this moment, so the first
    // midnight strictly after it opens the next day.
    const std::int64_t first = dayNumber() + 1;
    const std::int64_t day = first + detail::floorMod(targetAge - first, kLunarCycleDays);
    return fromGameSeconds(day * kSecondsPerDay);
}

int odate_t::getDayOfWeek() const noexcept {
    return detail::weekdayOfDay(dayNumber());
}

int odate_t::getLunarAge() const noexcept {
    return detail::lunarAgeOfDay(dayNumber());
}

int odate_t::getLunarIndex() const noexcept {
    return getLunarAge() / kDaysPerPhase;
}

int odate_t::getLunarDay() const noexcept {
    return getLunarAge() % kDaysPerPhase;
}

gtime_t odate_t::getTime() const noexcept {
    gtime_t t;
    t.year = m_year;
    t.month = m_month + 1;
    t.day = m_day + 1;
    t.hour = m_hour;
    t.min = m_min;
    t.sec = m_sec;
    return t;
}

void odate_t::setTime(const gtime_t& t) noexcept {
    *this = odate_t(t.year, t.month, t.day, t.hour, t.min, t.sec);
}

void odate_t::shiftDay(int n) noexcept {
    assign(gameSeconds() + std::int64_t{n} * kSecondsPerDay);
}

// Through assign, so that even at the lower clamp bound the result stays
// inside the safe range.
void odate_t::resetTime() noexcept {
    assign(dayNumber() * kSecondsPerDay);
}

namespace {

detail::DateView viewOf(const odate_t& o) noexcept {
    const int age = o.getLunarAge();
    return detail::DateView{o.year(),
                            o.month(),
                            o.day(),
                            o.hour(),
                            o.min(),
                            o.sec(),
                            weekdayNameO(o.getDayOfWeek()),
                            lunarNameO(age / kDaysPerPhase),
                            age % kDaysPerPhase};
}

} // namespace

std::string odate_t::format(const char* fmt) const {
    return detail::renderString(fmt, viewOf(*this));
}

std::size_t odate_t::formatTo(char* out, std::size_t cap, const char* fmt) const noexcept {
    return detail::renderTo(out, cap, fmt, viewOf(*this));
}

} // namespace orlib
