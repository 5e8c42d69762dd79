// `orbel-cli search lunar|ballista|today`: the result box of each search
// dialog for a moment, the conditions given as the dialog's list positions
// (or the date its month calendar would select).

#include "cli/cli.h"
#include "cli/jsonOutput.h"
#include "cli/timeArg.h"
#include "search/ballista.h"
#include "search/lunarSearch.h"
#include "search/searchLimits.h"
#include "search/todaySearch.h"

#include <orlib/orlib.h>

#include <array>
#include <chrono>
#include <memory>

namespace orbel::cli {

namespace {

constexpr int kLunarCount = 25;
constexpr int kBallistaCount = 25;
constexpr int kTodayCount = 26;

constexpr const char* kSearchFooter =
    "\nEach search prints the text of its dialog's result box for the moment --at\n"
    "(default: now). --count N asks for N results (default 25, today 26); like the\n"
    "dialogs, fewer than 8 gives 8 and more than 256 gives 256. --raw may also follow\n"
    "the search's name. TIME forms and exit codes: see 'orbel-cli --help'.\n";

constexpr const char* kTodayFooter =
    "\nDATE is YYYY-MM-DD, a day that exists; its local midnight (the TZ of the\n"
    "process) must lie in the calendar's service range, else the exit code is 3.\n"
    "Without --date the search takes the local date of --at (default: now), as the\n"
    "dialog's calendar starts on today.\n";

void writeText(Session& session, std::string_view cp932) {
    if (cp932.ends_with("\r\n")) cp932.remove_suffix(2);
    session.writeLine(cp932);
}

// "all" (position 0) or an index 0..last (position index + 1).
std::optional<int> parseAllOrIndex(std::string_view text, int last) {
    if (text == "all") return 0;
    const std::optional<int> n = parseIntArg(text);
    if (!n || *n < 0 || *n > last) return std::nullopt;
    return *n + 1;
}

CLI::Validator allOrIndex(int last) {
    return CLI::Validator(
        [last](std::string& s) {
            return parseAllOrIndex(s, last)
                       ? std::string()
                       : "'" + s + "' is neither 'all' nor 0.." + std::to_string(last);
        },
        "");
}

CLI::Validator position(int last) {
    return CLI::Validator(
        [last](std::string& s) {
            const std::optional<int> n = parseIntArg(s);
            return n && *n >= 0 && *n <= last
                       ? std::string()
                       : "'" + s + "' is not a list position 0.." + std::to_string(last);
        },
        "");
}

CLI::Validator wholeNumber() {
    return CLI::Validator(
        [](std::string& s) {
            return parseIntArg(s) ? std::string() : "'" + s + "' is not a whole number";
        },
        "");
}

// YYYY-MM-DD, a day that exists in its month.
std::optional<SystemDate> parseDateArg(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int fields[3] = {0, 0, 0};
    const std::pair<std::size_t, std::size_t> spans[3] = {{0, 4}, {5, 2}, {8, 2}};
    for (int f = 0; f < 3; ++f) {
        for (std::size_t i = spans[f].first; i < spans[f].first + spans[f].second; ++i) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            fields[f] = fields[f] * 10 + (text[i] - '0');
        }
    }
    const std::chrono::year_month_day ymd{std::chrono::year{fields[0]},
                                          std::chrono::month{static_cast<unsigned>(fields[1])},
                                          std::chrono::day{static_cast<unsigned>(fields[2])}};
    if (!ymd.ok()) return std::nullopt;
    return SystemDate{fields[0], fields[1], fields[2]};
}

// A condition as JSON: "all", or the index the validator let through.
Json conditionJson(const std::string& text) {
    if (text == "all") return "all";
    return parseIntArg(text).value_or(0);
}

int countOf(const std::string& text, int fallback) {
    // The validator let only ints through.
    return clampResultCount(parseIntArg(text).value_or(fallback));
}

using Results = std::array<orlib::odate_t, kMaxResults>;

struct Options {
    std::string at;
    std::string count;
    // lunar
    std::string phase = "all";
    std::string weekday = "all";
    // ballista
    std::string card = "0";
    std::string level = "0";
    // today
    std::string date;
};

CLI::App* addSearch(CLI::App& search, const char* name, const char* description, Options& opts,
                    int defaultCount) {
    CLI::App* cmd = search.add_subcommand(name, description);
    // --raw belongs to "search" (and the root); let it through from here.
    cmd->fallthrough();
    addAtOption(*cmd, opts.at)
        ->description("The moment the dialog opens at (default: now); TIME forms: see "
                      "'orbel-cli --help'");
    opts.count = std::to_string(defaultCount);
    cmd->add_option("--count", opts.count,
                    "How many results (default " + std::to_string(defaultCount) +
                        "; brought into 8..256)")
        ->type_name("N")
        ->check(wholeNumber());
    return cmd;
}

int runLunar(Session& session, const Options& opts) {
    int code = kExitOk;
    const std::optional<std::time_t> t = session.resolveTime(opts.at, &code);
    if (!t) return code;
    const unsigned L = lunarAgeItems()[*parseAllOrIndex(opts.phase, orlib::kPhases - 1)].data;
    const unsigned W =
        lunarWeekdayItems()[*parseAllOrIndex(opts.weekday, orlib::kDaysPerWeek - 1)].data;
    const int count = countOf(opts.count, kLunarCount);
    auto results = std::make_unique<Results>();
    findLunarDates(L, W, results->data(), count, *t);
    const std::string text = lunarResultText(results->data(), count);
    if (session.json) {
        writeSearchJson(session, "lunar",
                        {{"phase", conditionJson(opts.phase)},
                         {"weekday", conditionJson(opts.weekday)},
                         {"count", count}},
                        text, results->data(), count);
        return kExitOk;
    }
    writeText(session, text);
    return kExitOk;
}

int runBallista(Session& session, const Options& opts) {
    int code = kExitOk;
    const std::optional<std::time_t> t = session.resolveTime(opts.at, &code);
    if (!t) return code;
    const unsigned card = ballistaCardItems()[*parseIntArg(opts.card)].data;
    const unsigned level = ballistaLevelItems()[*parseIntArg(opts.level)].data;
    const int count = countOf(opts.count, kBallistaCount);
    auto results = std::make_unique<Results>();
    searchBallista(card, level, results->data(), count, *t);
    const std::string text = ballistaResultText(results->data(), count);
    if (session.json) {
        writeSearchJson(session, "ballista",
                        {{"card", conditionJson(opts.card)},
                         {"level", conditionJson(opts.level)},
                         {"count", count}},
                        text, results->data(), count);
        return kExitOk;
    }
    writeText(session, text);
    return kExitOk;
}

int runToday(Session& session, const Options& opts) {
    std::time_t first = 0;
    if (opts.date.empty()) {
        int code = kExitOk;
        const std::optional<std::time_t> t = session.resolveTime(opts.at, &code);
        if (!t) return code;
        first = *t;
    } else {
        first = toEarthTime(*parseDateArg(opts.date));
        if (first < orlib::getServiceStart() || first > orlib::getServiceEnd()) {
            session.writeError("orbel-cli: --date: the local midnight of " + opts.date +
                               " lies outside the calendar's service range (see 'orbel-cli "
                               "--help')");
            return kExitOutOfRange;
        }
    }
    const int count = countOf(opts.count, kTodayCount);
    auto results = std::make_unique<Results>();
    searchToday(first, results->data(), count);
    const std::string text = todayResultText(results->data(), count);
    if (session.json) {
        writeSearchJson(session, "today", {{"from", earthJson(first)}, {"count", count}}, text,
                        results->data(), count);
        return kExitOk;
    }
    writeText(session, text);
    return kExitOk;
}

} // namespace

Command registerSearch(CLI::App& root) {
    auto lunar = std::make_shared<Options>();
    auto ballista = std::make_shared<Options>();
    auto today = std::make_shared<Options>();

    CLI::App* search = root.add_subcommand(
        "search", "Print the result of a search dialog: lunar, ballista or today");
    search->require_subcommand(1);
    search->footer(kSearchFooter);

    CLI::App* l = addSearch(*search, "lunar",
                            "The next Orithaven days after the current one in a lunar phase "
                            "and on a weekday",
                            *lunar, kLunarCount);
    l->add_option("--phase", lunar->phase, "Phase index 0..11, or all (default)")
        ->type_name("all|0..11")
        ->check(allOrIndex(orlib::kPhases - 1));
    l->add_option("--weekday", lunar->weekday, "Orithaven weekday 0..7, or all (default)")
        ->type_name("all|0..7")
        ->check(allOrIndex(orlib::kDaysPerWeek - 1));

    CLI::App* b = addSearch(*search, "ballista",
                            "The next ballista match days, from the current one on, of a card "
                            "under a level cap",
                            *ballista, kBallistaCount);
    b->add_option("--card", ballista->card,
                  "Position in the card list: 0 all, 1-3 one faction's matches, 4-6 one "
                  "pairing (default 0)")
        ->type_name("0..6")
        ->check(position(static_cast<int>(ballistaCardItems().size()) - 1));
    b->add_option("--level", ballista->level,
                  "Position in the level list: 0 all, 1-4 caps 30 to 60, 5 no cap (default 0)")
        ->type_name("0..5")
        ->check(position(static_cast<int>(ballistaLevelItems().size()) - 1));

    CLI::App* t = addSearch(*search, "today",
                            "The Orithaven days of an Earth date, from its local midnight on",
                            *today, kTodayCount);
    t->add_option("--date", today->date, "The Earth date (default: the date of --at)")
        ->type_name("YYYY-MM-DD")
        ->check(CLI::Validator(
            [](std::string& s) {
                return parseDateArg(s) ? std::string()
                                       : "'" + s + "' is not a date written YYYY-MM-DD";
            },
            ""));
    t->get_option("--at")->description(
        "The moment whose local date is the default for --date (default: now)");
    t->footer(kTodayFooter);

    return {search,
            [=](Session& session) {
                if (l->parsed()) return runLunar(session, *lunar);
                if (b->parsed()) return runBallista(session, *ballista);
                return runToday(session, *today);
            },
            true};
}

} // namespace orbel::cli
