// The ballista match schedule and its search: which pairing of the three
// factions plays on an Orithaven day, under which level cap and at which
// venue; the search for the next match days that pass a card and a level
// filter; the result text and the two filter lists. Pure functions over
// orlib and two fixed tables, called by the ballista search dialog and the
// command line's `search ballista`.
#pragma once

#include "search/searchItem.h"

#include <orlib/orlib.h>

#include <ctime>
#include <string>
#include <vector>

namespace orbel {

// Bits of a schedule word.
inline constexpr unsigned kBallistaVenueMask = 0xFF;
inline constexpr unsigned kBallistaLevelMask = 0x1F00;
inline constexpr unsigned kBallistaMatchMask = 0xFF0000;

// The schedule word of Orithaven month 1..12 and day 1..30: venue, level
// cap and pairing bits, or 0 when no match is played (odd days, and any
// month or day outside those ranges).
unsigned getBallistaSchedule(int month, int day);

// Whether that day's match involves a side of `card` and has a cap in
// `level` (both item data of the filter lists, or any bit masks).
bool matchesBallista(int month, int day, unsigned card, unsigned level);

// "ケ vs ミ [30/ジ]" for a match day; empty when there is no match.
std::string formatBallistaSchedule(int month, int day);

// results[0..count-1]: the next Orithaven days at 00:00, from the current
// one (the day of Earth time `now`) on, whose match passes both filters.
// The schedule repeats every Orithaven year, so a filter that passes no day
// in 360 days in a row passes none at all: the search then stops and fills
// every entry with the first day from the current one on that has no match
// (today or tomorrow, as odd days have none), so every line shows a date
// and no match. Nothing is written when count <= 0.
void searchBallista(unsigned card, unsigned level, orlib::odate_t* results, int count,
                    std::time_t now);

// One line per result: Earth "%m/%d(%a) %H:%M  ", the schedule text, the
// Orithaven " (%m/%d)", then "\r\n".
std::string ballistaResultText(const orlib::odate_t* results, int count);

// The filter lists in the order the dialog shows them: all matches, the
// matches of one faction, one pairing; all caps, then each cap.
const std::vector<SearchItem>& ballistaCardItems();
const std::vector<SearchItem>& ballistaLevelItems();

} // namespace orbel
