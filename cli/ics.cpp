#include "cli/ics.h"

#include "cli/cli.h"

namespace orbel::cli {

namespace {

constexpr std::size_t kMaxOctets = 75;

constexpr std::string_view kProdId = "-//orbel//orbel-cli//JA";

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

std::string icsUtc(std::time_t t) {
    // "1989-09-28T00:00:00Z" without its separators: "19890928T000000Z".
    std::string text = utcText(t);
    std::erase_if(text, [](char c) { return c == '-' || c == ':'; });
    return text;
}

std::string icsEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
        case ';':
        case ',':
            out += '\\';
            out += c;
            break;
        case '\r':
            // A CRLF pair is one break; a lone CR becomes one too.
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string icsLine(std::string_view line) {
    std::string out;
    out.reserve(line.size() + line.size() / 70 * 3 + 2);
    // The first physical line holds 75 octets; a continuation holds its
    // leading space and 74 more.
    std::size_t room = kMaxOctets;
    while (line.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && isContinuationByte(static_cast<unsigned char>(line[cut])))
            --cut;
        if (cut == 0) cut = room; // not UTF-8 at all: cut by octets rather than loop
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kMaxOctets - 1;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::string icsCalendar(const std::vector<IcsEvent>& events, std::time_t stamp) {
    std::string out;
    out.reserve(256 + events.size() * 200);
    out += icsLine("BEGIN:VCALENDAR");
    out += icsLine("VERSION:2.0");
    out += icsLine(std::string("PRODID:") + std::string(kProdId));
    out += icsLine("CALSCALE:GREGORIAN");
    const std::string stampText = icsUtc(stamp);
    for (const IcsEvent& e : events) {
        out += icsLine("BEGIN:VEVENT");
        out += icsLine("UID:" + icsEscape(e.uid));
        out += icsLine("DTSTAMP:" + stampText);
        out += icsLine("DTSTART:" + icsUtc(e.start));
        out += icsLine("DTEND:" + icsUtc(e.end));
        out += icsLine("SUMMARY:" + icsEscape(e.summary));
        if (!e.location.empty()) out += icsLine("LOCATION:" + icsEscape(e.location));
        if (!e.description.empty()) out += icsLine("DESCRIPTION:" + icsEscape(e.description));
        // Spans of the game world, not appointments: keep them from
        // showing the user as busy.
        out += icsLine("TRANSP:TRANSPARENT");
        out += icsLine("END:VEVENT");
    }
    out += icsLine("END:VCALENDAR");
    return out;
}

} // namespace orbel::cli
