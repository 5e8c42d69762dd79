// The Earth time (edate_t): a time_t whose fields and texts are those of
// the process's local time zone (localTime.h does the reading).

#include "orlib/orlib.h"

#include "gameMath.h"
#include "render.h"

#include "localTime.h"

#include <ctime>

namespace orlib {
namespace {

using detail::fromLocal;
using detail::localFields;

detail::DateView viewOf(std::time_t t) noexcept {
    const std::tm tm = localFields(t);
    const int age = odate_t(t).getLunarAge();
    return detail::DateView{std::int64_t{tm.tm_year} + 1900,
                            tm.tm_mon + 1,
                            tm.tm_mday,
                            tm.tm_hour,
                            tm.tm_min,
                            tm.tm_sec,
                            detail::earthWeekdayName(tm.tm_wday),
                            lunarNameO(age / kDaysPerPhase),
                            age % kDaysPerPhase};
}

} // namespace

edate_t::edate_t(const odate_t& o) noexcept
    : m_time(static_cast<std::time_t>(detail::earthFromGame(o.gameSeconds()))) {}

edate_t::edate_t(int year, int month, int day, int hour, int min, int sec) noexcept
    : m_time(fromLocal(year, month, day, hour, min, sec)) {}

void edate_t::resetLocalTime() noexcept {
    const std::tm tm = localFields(m_time);
    m_time = fromLocal(std::int64_t{tm.tm_year} + 1900, tm.tm_mon + 1, tm.tm_mday, 0, 0, 0);
}

void edate_t::resetTime() noexcept {
    resetLocalTime();
}

int edate_t::year() const noexcept {
    return localFields(m_time).tm_year + 1900;
}
int edate_t::month() const noexcept {
    return localFields(m_time).tm_mon + 1;
}
int edate_t::day() const noexcept {
    return localFields(m_time).tm_mday;
}
int edate_t::hour() const noexcept {
    return localFields(m_time).tm_hour;
}
int edate_t::min() const noexcept {
    return localFields(m_time).tm_min;
}
int edate_t::sec() const noexcept {
    return localFields(m_time).tm_sec;
}
int edate_t::getDayOfWeek() const noexcept {
    return localFields(m_time).tm_wday;
}

// The seventh field is the C library's DST flag of this local reading.
gtime_t edate_t::getTime() const noexcept {
    const std::tm tm = localFields(m_time);
    gtime_t g;
    g.year = tm.tm_year + 1900;
    g.month = tm.tm_mon + 1;
    g.day = tm.tm_mday;
    g.hour = tm.tm_hour;
    g.min = tm.tm_min;
    g.sec = tm.tm_sec;
    g.isdst = tm.tm_isdst;
    return g;
}

void edate_t::setTime(const gtime_t& t) noexcept {
    m_time = fromLocal(t.year, t.month, t.day, t.hour, t.min, t.sec);
}

void edate_t::shiftDay(int n) noexcept {
    const std::tm tm = localFields(m_time);
    m_time = fromLocal(std::int64_t{tm.tm_year} + 1900, tm.tm_mon + 1, std::int64_t{tm.tm_mday} + n,
                       tm.tm_hour, tm.tm_min, tm.tm_sec);
}

int edate_t::getLunarAge() const noexcept {
    return odate_t(m_time).getLunarAge();
}
int edate_t::getLunarIndex() const noexcept {
    return odate_t(m_time).getLunarIndex();
}
int edate_t::getLunarDay() const noexcept {
    return odate_t(m_time).getLunarDay();
}

std::string edate_t::format(const char* fmt) const {
    return detail::renderString(fmt, viewOf(m_time));
}

std::size_t edate_t::formatTo(char* out, std::size_t cap, const char* fmt) const noexcept {
    return detail::renderTo(out, cap, fmt, viewOf(m_time));
}

} // namespace orlib
