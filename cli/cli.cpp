#include "cli/cli.h"

#include "app/timeFormats.h"
#include "cli/jsonOutput.h"
#include "cli/timeArg.h"
#include "common/cp932.h"
#include "res/stringTable.h"

#include <orlib/orlib.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

// This file is compiled with CP932 narrow literals; every literal below is
// ASCII so that help and error texts are the same bytes in either encoding.

namespace orbel::cli {

namespace {

constexpr int kExitInternal = 1;

constexpr const char* kRawHelp =
    "Write texts as the program's own CP932 bytes with CRLF line ends (default: UTF-8, LF)";

constexpr const char* kTimeForms =
    "TIME (for --at; without --at, the current time) is one of\n"
    "  YYYY-MM-DDTHH:MM:SS         local time (the TZ environment variable)\n"
    "  YYYY-MM-DDTHH:MM:SSZ        UTC\n"
    "  YYYY-MM-DDTHH:MM:SS+HH:MM   offset from UTC (or -HH:MM)\n"
    "  @SECONDS                    seconds since 1970-01-01T00:00:00Z, may be negative\n";

constexpr const char* kModes =
    "Time-format modes (now --mode N):\n"
    "  0  dates and times with leading zeros, hours and minutes (the default)\n"
    "  1  without leading zeros\n"
    "  2  with Orithaven seconds\n"
    "  every other integer renders like 0\n";

constexpr const char* kExitCodes =
    "Exit codes:\n"
    "  0  success (also --help)\n"
    "  1  internal failure (such as running out of memory)\n"
    "  2  bad usage: no or unknown subcommand, unknown option, missing FORMAT,\n"
    "     malformed TIME, non-integer mode\n"
    "  3  TIME outside the calendar's service range\n";

std::string serviceRangeText() {
    return "TIME must lie from " + utcText(orlib::getServiceStart()) + " to " +
           utcText(orlib::getServiceEnd()) + ".\n";
}

std::string rootFooter() {
    return std::string("\n") + kTimeForms + serviceRangeText() + "\n" + kModes +
           "\nTexts go out as UTF-8 with LF line ends; --raw (before or after the subcommand)\n"
           "writes the program's own CP932 bytes with CRLF instead. Errors are always UTF-8.\n\n" +
           kExitCodes;
}

// The terminal's form of a system text: UTF-8, and LF where the program
// itself ends lines with CRLF.
std::string toTerminal(std::string_view cp932) {
    std::string text = text::cp932ToUtf8(cp932);
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos)
        text.erase(at, 1);
    return text;
}

// CLI11 messages are one line already; keep it so if one ever is not.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

CLI::Validator intValidator() {
    return CLI::Validator(
        [](std::string& s) {
            return parseIntArg(s) ? std::string() : "'" + s + "' is not a whole number";
        },
        "");
}

} // namespace

// "1989-09-28T00:00:00Z" for a time_t.
std::string utcText(std::time_t t) {
    using namespace std::chrono;
    const sys_seconds s{seconds{t}};
    const sys_days d = floor<days>(s);
    const year_month_day ymd{d};
    const hh_mm_ss<seconds> hms{s - d};
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02ld:%02ld:%02ldZ", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), long(hms.hours().count()),
                  long(hms.minutes().count()), long(hms.seconds().count()));
    return buf;
}

Session::Session(std::ostream& out, std::ostream& err, Clock now)
    : m_out(out), m_err(err), m_now(std::move(now)) {}

void Session::writeLine(std::string_view cp932) {
    if (raw) {
        m_out.write(cp932.data(), static_cast<std::streamsize>(cp932.size()));
        m_out << "\r\n";
    } else {
        m_out << toTerminal(cp932) << '\n';
    }
}

void Session::writeError(std::string_view cp932) {
    m_err << toTerminal(cp932) << '\n';
}

void Session::writeUtf8(std::string_view utf8) {
    m_out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
}

bool Session::flush() {
    m_out.flush();
    return m_out.good();
}

std::optional<std::time_t> Session::resolveTime(const std::string& at, int* exitCode) {
    std::time_t t = 0;
    if (at.empty()) {
        t = m_now();
    } else {
        std::string why;
        const std::optional<std::time_t> parsed = parseTimeArg(at, &why);
        if (!parsed) {
            // The option's validator has already refused this; kept so an
            // action given a text some other way still fails cleanly.
            m_err << "orbel-cli: --at: " << why << '\n';
            *exitCode = kExitUsage;
            return std::nullopt;
        }
        t = *parsed;
    }
    if (t < orlib::getServiceStart() || t > orlib::getServiceEnd()) {
        writeError(res::loadString(res::IDS_BAD_CLOCK));
        *exitCode = kExitOutOfRange;
        return std::nullopt;
    }
    return t;
}

CLI::Option* addAtOption(CLI::App& cmd, std::string& at) {
    return cmd.add_option("--at", at, "The Earth time to show (default: now); forms below")
        ->type_name("TIME")
        ->check(CLI::Validator(
            [](std::string& s) {
                std::string why;
                return parseTimeArg(s, &why) ? std::string() : why;
            },
            ""));
}

Command registerNow(CLI::App& root) {
    struct Options {
        std::string at;
        std::string mode = "0";
    };
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = root.add_subcommand(
        "now", "Print the tooltip text, the Orithaven line and the Earth line of a moment");
    addAtOption(*cmd, opts->at);
    cmd->add_option("--mode", opts->mode, "Time-format mode (default 0); modes below")
        ->type_name("N")
        ->check(intValidator());
    cmd->footer(std::string("\n") + kTimeForms + "\n" + kModes);

    return {cmd,
            [opts](Session& session) {
                int code = kExitOk;
                const std::optional<std::time_t> t = session.resolveTime(opts->at, &code);
                if (!t) return code;
                // The validator let only ints through.
                const TimeFormats& f = timeFormatsFor(parseIntArg(opts->mode).value_or(0));
                const orlib::odate_t o(*t);
                const std::string lines[] = {o.format(f.tip), o.format(f.gameLine),
                                             orlib::edate_t(o).format(f.earthLine)};
                if (session.json) {
                    writeNowJson(session, *t, o, lines[0], lines[1], lines[2]);
                    return kExitOk;
                }
                for (const std::string& line : lines)
                    session.writeLine(line);
                return kExitOk;
            },
            true};
}

Command registerFormat(CLI::App& root) {
    struct Options {
        std::string at;
        bool earth = false;
        std::string format;
    };
    auto opts = std::make_shared<Options>();
    CLI::App* cmd =
        root.add_subcommand("format", "Render FORMAT for the Orithaven moment (or Earth time) of a "
                                      "moment, e.g. format '%x(%a) %X <%L>'");
    addAtOption(*cmd, opts->at);
    cmd->add_flag("--earth", opts->earth, "Render the Earth time of the moment instead");
    cmd->add_option("FORMAT", opts->format,
                    "Text with %-directives (in UTF-8); put -- before a FORMAT that starts with -")
        ->required();
    cmd->footer(std::string("\n") + kTimeForms);

    return {cmd, [opts](Session& session) {
                int code = kExitOk;
                const std::optional<std::time_t> t = session.resolveTime(opts->at, &code);
                if (!t) return code;
                const std::string fmt = text::utf8ToCp932(opts->format);
                const orlib::odate_t o(*t);
                session.writeLine(opts->earth ? orlib::edate_t(o).format(fmt.c_str())
                                              : o.format(fmt.c_str()));
                return kExitOk;
            }};
}

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, Clock now,
           const RawHook& onRaw) {
    static std::once_flag localeOnce;
    try {
        std::call_once(localeOnce, [] { orlib::orlibsetlocale(); });

        Session session(out, err, std::move(now));
        CLI::App root("orbel-cli: Orithaven time on the command line.", "orbel-cli");
        root.require_subcommand(0, 1);
        root.footer(rootFooter());
        root.add_flag("--raw", session.raw, kRawHelp);

        static constexpr Registrar kRegistrars[] = {registerNow,    registerFormat, registerDetail,
                                                    registerSearch, registerExport, registerWatch};
        std::vector<Command> commands;
        for (Registrar registrar : kRegistrars) {
            Command command = registrar(root);
            command.app->add_flag("--raw", session.raw, kRawHelp);
            if (command.takesJson)
                command.app->add_flag("--json", session.json,
                                      "Write one UTF-8 JSON object a line instead "
                                      "(docs/orbel-cli.schema.json)");
            commands.push_back(std::move(command));
        }

        try {
            root.parse(argc, argv);
        } catch (const CLI::CallForHelp&) {
            out << root.help(); // the chosen subcommand's help when there is one
            return kExitOk;
        } catch (const CLI::CallForAllHelp&) {
            out << root.help("", CLI::AppFormatMode::All);
            return kExitOk;
        } catch (const CLI::ParseError& e) {
            std::string where = "orbel-cli";
            for (const Command& c : commands)
                if (c.app->parsed()) where += " " + c.app->get_name();
            err << "orbel-cli: " << oneLine(e.what()) << " (see '" << where << " --help')\n";
            return kExitUsage;
        }

        if (session.json && session.raw) {
            err << "orbel-cli: --json writes UTF-8 and cannot be combined with --raw (see "
                   "'orbel-cli --help')\n";
            return kExitUsage;
        }
        if (onRaw) onRaw(session.raw);
        for (Command& c : commands)
            if (c.app->parsed()) return c.run(session);
        err << root.help();
        return kExitUsage;
    } catch (const std::exception& e) {
        // Nothing here is expected to throw but allocation; keep the
        // process's own exit codes meaningful rather than abort.
        err << "orbel-cli: " << oneLine(e.what()) << '\n';
        return kExitInternal;
    }
}

int runCli(int argc, char** argv, std::ostream& out, std::ostream& err, const RawHook& onRaw) {
    return runCli(
        argc, argv, out, err, [] { return std::time(nullptr); }, onRaw);
}

} // namespace orbel::cli
