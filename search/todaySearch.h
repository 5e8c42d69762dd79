// The today search: what the Orithaven calendar shows on a chosen Earth
// day, one Orithaven day at a time from the Earth midnight that begins it.
// Pure functions over orlib, called by the today search dialog (with its
// month calendar's selection) and the command line's `search today`.
#pragma once

#include "app/winTypes.h"

#include <orlib/orlib.h>

#include <ctime>
#include <string>

namespace orbel {

// Local midnight at the start of a calendar date.
std::time_t toEarthTime(const SystemDate& d);

// results[i] = the Orithaven moment at the local midnight that begins the
// Earth day of `first`, moved on by i Orithaven days (time of day kept),
// for i = 0..count-1. Nothing is written when count <= 0.
void searchToday(std::time_t first, orlib::odate_t* results, int count);

// The heading (Earth date and weekday), fifteen hyphens, then one line per
// step: Earth "%H:%M ", Orithaven "(%m/%d[%a]) ", the first step with
// "<%L(%q)>" and every later one with "<%L> " when it begins a phase.
std::string todayResultText(const orlib::odate_t* results, int count);

} // namespace orbel
