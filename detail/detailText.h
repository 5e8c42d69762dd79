// The texts of the detail window: the bold phase line and the body below
// it (the ticker's two time lines, the next phase change, the next new moon
// and the next full moon). Pure text composition over orlib; the detail
// window calls these on every redraw, the command line's `detail` once.
// All texts are CP932 with "\r\n" line breaks.
#pragma once

#include <orlib/orlib.h>

#include <string>
#include <string_view>

namespace orbel {

// "<phase name> <day in the phase>日目", the window's bold first line.
std::string detailPhaseLine(const orlib::odate_t& date);

// When the moon next enters a new phase, and which: the Earth
// "%m/%d(%a) %H:%M" of that moment, then "  [<Orithaven weekday>] <phase>",
// then "\r\n".
std::string nextChangeLine(const orlib::odate_t& date);

// When the next phase `index` (0..11) begins and ends: its Earth start with
// the Orithaven weekday of its first day, an arrow, the Earth hour:minute
// at which it ends and the Orithaven weekday of its last day; ends "\r\n".
std::string phaseSpanLine(const orlib::odate_t& date, int index);

// The whole body: gameLine, earthLine (the ticker's last rendering, passed
// in), an empty line, the next change, an empty line, the new-moon span and
// the full-moon span. Ends with "\r\n".
std::string buildDetailText(const orlib::odate_t& date, std::string_view gameLine,
                            std::string_view earthLine);

} // namespace orbel
