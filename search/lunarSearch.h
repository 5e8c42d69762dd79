// The lunar phase and weekday search: the next Orithaven days after a given
// one that lie in a chosen phase and fall on a chosen weekday, its two
// condition lists and its result text. Pure functions over orlib, called
// by the lunar search dialog and the command line's `search lunar`.
#pragma once

#include "search/searchItem.h"

#include <orlib/orlib.h>

#include <ctime>
#include <string>
#include <vector>

namespace orbel {

// Conditions at or above these values mean "any phase" / "any weekday".
inline constexpr unsigned kAnyPhase = orlib::kPhases;        // 12
inline constexpr unsigned kAnyWeekday = orlib::kDaysPerWeek; // 8

// How many occurrences of the phase nextLunarDate examines before it gives
// up. In our calendar a phase (7 days) misses one weekday of the 8, and
// each occurrence lies 84 days (4 weekdays) after the one before, so every
// weekday turns up within the rest of the current occurrence and the next
// two: the bound is never reached. It only keeps a calendar with other
// proportions from walking forever.
inline constexpr int kMaxPhaseOccurrences = 12;

// The first date after the Orithaven day of `from` (never on that day) in
// phase L that falls on weekday W: at 00:00:00, except a weekday-only miss
// (which cannot happen in an 8-day week) keeps from's time of day.
orlib::odate_t nextLunarDate(const orlib::odate_t& from, unsigned L, unsigned W);

// nextLunarDate examining at most `maxOccurrences` occurrences of phase L
// (when both conditions are set). When none of them has weekday W, the
// answer is the first day after the last one examined (with no occurrence
// allowed, the day after `from`), at 00:00: later than `from` and not a
// match, so a caller that chains searches still moves on.
orlib::odate_t nextLunarDateWithin(const orlib::odate_t& from, unsigned L, unsigned W,
                                   int maxOccurrences);

// results[0..count-1]: the dates chained from the Orithaven moment at Earth
// time `now`, each the nextLunarDate of the one before. Nothing is written
// when count <= 0.
void findLunarDates(unsigned L, unsigned W, orlib::odate_t* results, int count, std::time_t now);

// One line per result: Earth "%Y/%m/%d(%a) %H:%M", then "  [%a] %L" of the
// Orithaven date, then "\r\n".
std::string lunarResultText(const orlib::odate_t* results, int count);

// The two condition lists: "all" first (data kAnyPhase / kAnyWeekday), then
// every phase (weekday) by index, data the index.
std::vector<SearchItem> lunarAgeItems();
std::vector<SearchItem> lunarWeekdayItems();

} // namespace orbel
