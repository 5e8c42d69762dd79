// Setting the process's time zone from a test, on POSIX and on the Windows C
// runtime. Windows reads TZ only in the old "JST-9" form, which has no rules
// for summer time, so only zones with a fixed offset over all the years tested have a Windows name:
// tests of zones with summer time are skipped there (zoneAvailable).
#pragma once

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace orbel::test {

// The TZ value for a zone name, or null where this C runtime cannot take it.
inline const char* tzValue(const char* zone) {
#if defined(_WIN32)
    struct Fixed {
        const char* zone;
        const char* value;
    };
    static const Fixed kFixed[] = {
        {"Asia/Tokyo", "JST-9"},
        {"Etc/GMT+12", "GMT+12"},
        {"UTC", "UTC0"},
    };
    for (const Fixed& f : kFixed)
        if (std::strcmp(f.zone, zone) == 0) return f.value;
    return nullptr;
#else
    return zone;
#endif
}

inline bool zoneAvailable(const char* zone) { return tzValue(zone) != nullptr; }

inline void setEnv(const char* name, const char* value) {
#if defined(_WIN32)
    _putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

inline void unsetEnv(const char* name) {
#if defined(_WIN32)
    _putenv_s(name, ""); // an empty value removes the variable there
#else
    ::unsetenv(name);
#endif
}

inline void applyTimeZone() {
#if defined(_WIN32)
    _tzset();
#else
    tzset();
#endif
}

// Sets TZ to the zone (where available) and makes the C runtime read it.
inline void setTimeZone(const char* zone) {
    if (const char* v = tzValue(zone)) setEnv("TZ", v);
    applyTimeZone();
}

} // namespace orbel::test
