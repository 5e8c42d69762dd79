// `orbel-cli export ics`: the lunar phases (and the ballista matches of a
// card and a level cap) of an Earth period as an iCalendar file.
//
// Which spans: every phase span that overlaps the period [FROM, FROM + N
// days), with its true start and end, so the first may begin before FROM
// and the last end after the period; in between they follow each other
// without gap or overlap. A calendar app then shows whole phases, never a
// phase cut short by where the export happened to start. Match days follow
// the same rule.
#include "cli/cli.h"
#include "cli/ics.h"
#include "cli/timeArg.h"
#include "common/cp932.h"
#include "search/ballista.h"

#include <orlib/orlib.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

namespace orbel::cli {

namespace {

namespace fs = std::filesystem;

constexpr int kDefaultDays = 28;
constexpr int kExitWriteFailed = 1;
constexpr const char* kSpanFormat = "%v"; // 944/3/26（雷） 7:07

constexpr const char* kExportFooter =
    "\nFROM is a TIME (see 'orbel-cli --help') or YYYY-MM-DD, its local midnight\n"
    "(default: now). The period is N Earth days from FROM (default 28, at least 1).\n"
    "Every phase span and match day that overlaps the period is written whole, with\n"
    "its true start and end: the first may begin before FROM, the last end after\n"
    "the period. LIST is phase indices 0..11 separated by commas, 'all' (default) or\n"
    "'none'. CARD and LEVEL are the list positions of 'search ballista'. FILE is\n"
    "written through a temporary file beside it and renamed, so it is either the\n"
    "whole new calendar or untouched; '-' or no --output writes to stdout.\n"
    "Exit codes: 0 written, 1 FILE could not be written, 2 bad usage, 3 the period\n"
    "reaches outside the calendar's service range.\n";

struct Options {
    std::string from;
    std::string days = std::to_string(kDefaultDays);
    std::string phases = "all";
    std::vector<std::string> ballista;
    std::string output;
};

// "2026-12-01" names its local midnight; everything else is a TIME.
std::string timeText(const std::string& from) {
    return from.size() == 10 && from[4] == '-' ? from + "T00:00:00" : from;
}

std::optional<std::bitset<orlib::kPhases>> parsePhases(std::string_view text) {
    std::bitset<orlib::kPhases> set;
    if (text == "all") return set.set();
    if (text == "none") return set;
    while (true) {
        const std::string_view::size_type comma = text.find(',');
        const std::optional<int> n = parseIntArg(text.substr(0, comma));
        if (!n || *n < 0 || *n >= orlib::kPhases) return std::nullopt;
        set.set(static_cast<std::size_t>(*n));
        if (comma == std::string_view::npos) return set;
        text.remove_prefix(comma + 1);
    }
}

std::string utf8(std::string_view cp932) {
    return text::cp932ToUtf8(cp932);
}

// The span in both calendars, for the event's description.
std::string spanDescription(const orlib::odate_t& begins, const orlib::odate_t& ends) {
    return "Orithaven " + utf8(begins.format(kSpanFormat)) + " → " +
           utf8(ends.format(kSpanFormat)) + "\nEarth " +
           utf8(orlib::edate_t(begins).format(kSpanFormat)) + " → " +
           utf8(orlib::edate_t(ends).format(kSpanFormat));
}

void addPhases(std::vector<IcsEvent>& events, std::time_t from, std::time_t until,
               const std::bitset<orlib::kPhases>& phases) {
    if (phases.none()) return;
    orlib::odate_t begins(from);
    begins.resetTime();
    begins.shiftDay(-begins.getLunarDay());
    while (orlib::edate_t(begins) < until) {
        orlib::odate_t ends = begins;
        ends.shiftDay(orlib::kDaysPerPhase);
        const int index = begins.getLunarIndex();
        if (phases.test(static_cast<std::size_t>(index))) {
            const std::time_t start = orlib::edate_t(begins);
            events.push_back({"phase-" + std::to_string(index) + "-" +
                                  std::to_string(static_cast<long long>(start)) + "@orbel",
                              utf8(orlib::lunarNameO(index)), "", start, orlib::edate_t(ends),
                              spanDescription(begins, ends)});
        }
        begins = ends;
    }
}

// The venue is the part of the match text after its slash: "[30/ジ]".
std::string venueOf(const std::string& matchText) {
    const std::string::size_type slash = matchText.rfind('/');
    const std::string::size_type close = matchText.rfind(']');
    if (slash == std::string::npos || close == std::string::npos || close < slash) return "";
    return matchText.substr(slash + 1, close - slash - 1);
}

void addMatches(std::vector<IcsEvent>& events, std::time_t from, std::time_t until, unsigned card,
                unsigned level) {
    orlib::odate_t day(from);
    day.resetTime();
    for (; orlib::edate_t(day) < until; day.shiftDay(1)) {
        if (!matchesBallista(day.month(), day.day(), card, level)) continue;
        orlib::odate_t next = day;
        next.shiftDay(1);
        const std::time_t start = orlib::edate_t(day);
        const std::string text = utf8(formatBallistaSchedule(day.month(), day.day()));
        events.push_back({"ballista-" + std::to_string(static_cast<long long>(start)) + "@orbel",
                          text, venueOf(text), start, orlib::edate_t(next),
                          spanDescription(day, next)});
    }
}

// Beside the target, so the rename stays on one volume and replaces the
// file in one step; a failure at any point removes the temporary.
bool writeAtomically(const fs::path& path, const std::string& bytes, std::string* why) {
    std::random_device rd;
    fs::path tmp = path;
    tmp += "." + std::to_string(rd()) + std::to_string(rd()) + ".tmp";
    std::error_code ec;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) {
            *why = "cannot create a file beside it: " + std::string(std::strerror(errno));
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out.fail()) {
            *why = "writing failed: " + std::string(std::strerror(errno));
            fs::remove(tmp, ec);
            return false;
        }
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        *why = ec.message();
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

CLI::Validator check(bool (*accepts)(const std::string&), std::string what) {
    return CLI::Validator(
        [accepts, what](std::string& s) {
            return accepts(s) ? std::string() : "'" + s + "' is not " + what;
        },
        "");
}

int runExport(Session& session, const Options& opts) {
    int code = kExitOk;
    const std::optional<std::time_t> from = session.resolveTime(timeText(opts.from), &code);
    if (!from) return code;
    // Validated: a whole number from 1 on.
    const long long days = *parseIntArg(opts.days);
    const long long until = static_cast<long long>(*from) + days * orlib::kSecondsPerDay;
    if (until - 1 > static_cast<long long>(orlib::getServiceEnd())) {
        session.writeError("orbel-cli: --days: the period reaches past the end of the "
                           "calendar's service range (see 'orbel-cli --help')");
        return kExitOutOfRange;
    }
    std::vector<IcsEvent> events;
    addPhases(events, *from, static_cast<std::time_t>(until), *parsePhases(opts.phases));
    if (opts.ballista.size() == 2) {
        const std::size_t level = static_cast<std::size_t>(*parseIntArg(opts.ballista[1]));
        if (level >= ballistaLevelItems().size()) {
            session.writeError("orbel-cli: --ballista: LEVEL '" + opts.ballista[1] +
                               "' is not a list position 0.." +
                               std::to_string(ballistaLevelItems().size() - 1) +
                               " (see 'orbel-cli export ics --help')");
            return kExitUsage;
        }
        const std::size_t card = static_cast<std::size_t>(*parseIntArg(opts.ballista[0]));
        addMatches(events, *from, static_cast<std::time_t>(until), ballistaCardItems()[card].data,
                   ballistaLevelItems()[level].data);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const IcsEvent& a, const IcsEvent& b) { return a.start < b.start; });
    const std::string calendar = icsCalendar(events, session.clockNow());

    if (opts.output.empty() || opts.output == "-") {
        session.writeUtf8(calendar);
        return session.flush() ? kExitOk : kExitWriteFailed;
    }
    std::string why;
    if (!writeAtomically(fs::u8path(opts.output), calendar, &why)) {
        session.writeError("orbel-cli: --output: cannot write " + opts.output + ": " + why);
        return kExitWriteFailed;
    }
    return kExitOk;
}

bool isDays(const std::string& s) {
    const std::optional<int> n = parseIntArg(s);
    return n && *n >= 1;
}

bool isFrom(const std::string& s) {
    return parseTimeArg(timeText(s)).has_value();
}

bool isPhases(const std::string& s) {
    return parsePhases(s).has_value();
}

} // namespace

Command registerExport(CLI::App& root) {
    auto opts = std::make_shared<Options>();
    CLI::App* exportCmd =
        root.add_subcommand("export", "Write the calendar of a period to a file: ics");
    exportCmd->require_subcommand(1);
    CLI::App* ics = exportCmd->add_subcommand(
        "ics", "The lunar phases (and ballista matches) of a period as an iCalendar file");
    ics->fallthrough();
    ics->add_option("--from", opts->from, "Start of the period (default: now)")
        ->type_name("DATE|TIME")
        ->check(check(isFrom, "YYYY-MM-DD or a TIME"));
    ics->add_option("--days", opts->days, "Length in Earth days (default 28)")
        ->type_name("N")
        ->check(check(isDays, "a whole number of days from 1 on"));
    ics->add_option("--phases", opts->phases, "Which phases (default all)")
        ->type_name("all|none|LIST")
        ->check(check(isPhases, "'all', 'none' or phase indices 0..11 separated by commas"));
    const int lastCard = static_cast<int>(ballistaCardItems().size()) - 1;
    const int lastLevel = static_cast<int>(ballistaLevelItems().size()) - 1;
    ics->add_option("--ballista", opts->ballista,
                    "Also the match days of card list position CARD (0.." +
                        std::to_string(lastCard) + ") under level position LEVEL (0.." +
                        std::to_string(lastLevel) + ")")
        ->type_name("CARD LEVEL")
        ->expected(2)
        ->check(CLI::Validator(
            [lastCard](std::string& s) {
                // Each value alone; which of the two it is shows only in runExport.
                const std::optional<int> n = parseIntArg(s);
                return n && *n >= 0 && *n <= lastCard
                           ? std::string()
                           : "'" + s + "' is not a list position 0.." + std::to_string(lastCard);
            },
            ""));
    ics->add_option("--output", opts->output, "The file to write (default: stdout)")
        ->type_name("FILE");
    ics->footer(kExportFooter);
    return {exportCmd, [opts](Session& session) { return runExport(session, *opts); }};
}

} // namespace orbel::cli
