// iCalendar text for `orbel-cli export ics`: events in, the bytes of one
// calendar out. Owns the file format alone (line folding, escaping, UTC
// times); which events there are is exportCommand.cpp's business. All
// texts are UTF-8; every line ends CRLF.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace orbel::cli {

// A calendar app recognises an event again by its UID, so the UID must
// come from what the event is (its kind and start), never from the export.
struct IcsEvent {
    std::string uid;
    std::string summary;  // UTF-8
    std::string location; // UTF-8; empty: no LOCATION
    std::time_t start = 0;
    std::time_t end = 0;
    std::string description; // UTF-8, may hold line breaks
};

// "20261205T144105Z".
std::string icsUtc(std::time_t t);

// TEXT value escaping: backslash, semicolon, comma and line breaks.
std::string icsEscape(std::string_view text);

// One content line, folded so that no line exceeds 75 octets (CRLF not
// counted) and no UTF-8 character is split; each continuation begins with
// one space. Ends with CRLF.
std::string icsLine(std::string_view line);

// The whole VCALENDAR: PRODID, VERSION:2.0, then one VEVENT per event in
// order, each stamped with `stamp` (DTSTAMP).
std::string icsCalendar(const std::vector<IcsEvent>& events, std::time_t stamp);

} // namespace orbel::cli
