// orlib: the Orithaven calendar.
//
// Everything the program knows about Orithaven time lives here: converting
// Earth time to Orithaven time and back, weekdays, lunar phases, the next
// moment a phase begins, and %-directive formatting of both kinds of date.
// Standard library only; texts are CP932 (Shift-JIS) byte strings.
//
// The one truth inside is a count of Orithaven seconds since the epoch
// (0001/01/01 00:00:00); every field, weekday and phase is derived from it.
// See orlib/README.md for the epoch, the service range and the directives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#if defined(_WIN32)
#if defined(ORLIB_BUILDING)
#define ORLIB_API __declspec(dllexport)
#else
#define ORLIB_API __declspec(dllimport)
#endif
#else
#define ORLIB_API __attribute__((visibility("default")))
#endif

namespace orlib {

// Orithaven seconds per Earth second.
inline constexpr int kRate = 25;
inline constexpr int kSecondsPerDay = 86400;
inline constexpr int kDaysPerMonth = 30;
inline constexpr int kMonthsPerYear = 12;
inline constexpr int kDaysPerYear = kDaysPerMonth * kMonthsPerYear;
inline constexpr int kDaysPerWeek = 8;
inline constexpr int kPhases = 12;
inline constexpr int kDaysPerPhase = 7;
inline constexpr int kLunarCycleDays = kPhases * kDaysPerPhase; // 84

// Inputs beyond these bounds are clamped to them, so no field or
// intermediate value can overflow: Earth times to +-1e15 s (about 31.7
// million years), Orithaven moments to +-2.5e16 game seconds.
inline constexpr std::int64_t kMaxAbsEarthSeconds = 1'000'000'000'000'000;
inline constexpr std::int64_t kMaxAbsGameSeconds = kRate * kMaxAbsEarthSeconds;

// A duration (for operator+=) or a broken-down time (getTime/setTime).
// The seventh field mirrors struct tm's tm_isdst: -1 ("unknown") in every
// value the program builds.
struct gtime_t {
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t min = 0;
    std::int32_t sec = 0;
    std::int32_t isdst = -1;
};

// The Earth times (inclusive) in which the library works.
ORLIB_API std::time_t getServiceStart() noexcept;
ORLIB_API std::time_t getServiceEnd() noexcept;

// Called once after the process locale is set; prepares the time-zone data
// used for Earth texts. Names are Japanese from the start, so calling it is
// harmless at any time and idempotent.
ORLIB_API void orlibsetlocale();

// Display names (CP932). Out-of-range indices give an empty string.
ORLIB_API std::string getLunarNameO(int index);
ORLIB_API std::string getWeekdayNameO(int weekday);
// The same names without allocating; never null ("" when out of range).
ORLIB_API const char* lunarNameO(int index) noexcept;
ORLIB_API const char* weekdayNameO(int weekday) noexcept;

class ORLIB_API idate {
public:
    virtual ~idate();
    virtual int year() const noexcept = 0;
    virtual int month() const noexcept = 0; // 1-based
    virtual int day() const noexcept = 0;   // 1-based
    virtual int hour() const noexcept = 0;
    virtual int min() const noexcept = 0;
    virtual int sec() const noexcept = 0;
    virtual int getDayOfWeek() const noexcept = 0;
    // Broken-down date and time; month and day 1-based.
    virtual gtime_t getTime() const noexcept = 0;
    // Sets the date and time from broken-down fields (month and day
    // 1-based); out-of-range fields carry over like mktime does.
    virtual void setTime(const gtime_t& t) noexcept = 0;
    virtual std::string format(const char* fmt) const = 0;
    virtual void shiftDay(int n) noexcept = 0;
    virtual void resetTime() noexcept = 0;
    virtual int getLunarAge() const noexcept = 0;   // 0..83
    virtual int getLunarIndex() const noexcept = 0; // 0..11
    virtual int getLunarDay() const noexcept = 0;   // 0..6

    // Renders fmt into out (capacity cap bytes, terminator included)
    // without allocating. The result is cut on a character boundary, so a
    // double-byte character is never split; returns the bytes written
    // (terminator excluded). Writes nothing when cap is 0.
    virtual std::size_t formatTo(char* out, std::size_t cap, const char* fmt) const noexcept = 0;

protected:
    idate() = default;
    idate(const idate&) = default;
    idate& operator=(const idate&) = default;
};

// An Orithaven moment. Stored as six fields, month and day from 0.
class ORLIB_API odate_t final : public idate {
public:
    // The epoch, 0001/01/01 00:00:00.
    odate_t() noexcept;
    // The Orithaven moment at an Earth time.
    explicit odate_t(const std::time_t& t) noexcept;
    // From 1-based month and day; out-of-range fields carry over.
    odate_t(int year, int month, int day, int hour = 0, int min = 0, int sec = 0) noexcept;

    // Orithaven seconds since the epoch, and back.
    std::int64_t gameSeconds() const noexcept;
    static odate_t fromGameSeconds(std::int64_t s) noexcept;
    // Orithaven days since the epoch (floor).
    std::int64_t dayNumber() const noexcept;

    odate_t& operator+=(const gtime_t& d) noexcept;
    // The first moment strictly after this one at which phase `index`
    // begins (00:00:00 of its first day). Indices wrap modulo 12.
    odate_t nextLunarAge(int index) const noexcept;

    int year() const noexcept override { return m_year; }
    int month() const noexcept override { return m_month + 1; }
    int day() const noexcept override { return m_day + 1; }
    int hour() const noexcept override { return m_hour; }
    int min() const noexcept override { return m_min; }
    int sec() const noexcept override { return m_sec; }
    int getDayOfWeek() const noexcept override;
    gtime_t getTime() const noexcept override;
    void setTime(const gtime_t& t) noexcept override;
    std::string format(const char* fmt) const override;
    void shiftDay(int n) noexcept override;
    void resetTime() noexcept override;
    int getLunarAge() const noexcept override;
    int getLunarIndex() const noexcept override;
    int getLunarDay() const noexcept override;
    std::size_t formatTo(char* out, std::size_t cap, const char* fmt) const noexcept override;

    friend bool operator==(const odate_t& a, const odate_t& b) noexcept {
        return a.gameSeconds() == b.gameSeconds();
    }
    friend bool operator<(const odate_t& a, const odate_t& b) noexcept {
        return a.gameSeconds() < b.gameSeconds();
    }

private:
    void assign(std::int64_t gameSeconds) noexcept;

    std::int32_t m_year;
    std::int32_t m_month; // from 0
    std::int32_t m_day;   // from 0
    std::int32_t m_hour;
    std::int32_t m_min;
    std::int32_t m_sec;
};

// An Earth time, read in the local time zone (TZ) for its fields and texts.
class ORLIB_API edate_t final : public idate {
public:
    edate_t() noexcept : m_time(0) {}
    edate_t(const std::time_t& t) noexcept : m_time(t) {}
    // The Earth second at or before an Orithaven moment.
    explicit edate_t(const odate_t& o) noexcept;
    // Local time; month 1 to 12. Fields carry over like mktime.
    edate_t(int year, int month, int day, int hour, int min, int sec) noexcept;

    operator const std::time_t&() const noexcept { return m_time; }
    // Local midnight of the same local day.
    void resetLocalTime() noexcept;

    int year() const noexcept override;
    int month() const noexcept override;
    int day() const noexcept override;
    int hour() const noexcept override;
    int min() const noexcept override;
    int sec() const noexcept override;
    int getDayOfWeek() const noexcept override; // 0 Sunday .. 6 Saturday
    // Its seventh field is the C library's DST flag for this reading.
    gtime_t getTime() const noexcept override;
    void setTime(const gtime_t& t) noexcept override;
    std::string format(const char* fmt) const override;
    // Local calendar days on or back, local time of day kept (across DST).
    void shiftDay(int n) noexcept override;
    void resetTime() noexcept override; // same as resetLocalTime
    // Lunar values of the Orithaven moment at this Earth time.
    int getLunarAge() const noexcept override;
    int getLunarIndex() const noexcept override;
    int getLunarDay() const noexcept override;
    std::size_t formatTo(char* out, std::size_t cap, const char* fmt) const noexcept override;

private:
    std::time_t m_time;
};

} // namespace orlib
