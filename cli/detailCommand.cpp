// `orbel-cli detail`: the detail window's text for a moment, as the window
// shows it while the ticker runs in a given time-format mode.

#include "app/timeTexts.h"
#include "cli/cli.h"
#include "cli/jsonOutput.h"
#include "cli/timeArg.h"
#include "detail/detailText.h"

#include <memory>

namespace orbel::cli {

namespace {

// A text that ends its last line with CRLF, written so that the terminal
// (or --raw) receives exactly its lines and no empty one after them.
void writeText(Session& session, std::string_view cp932) {
    if (cp932.ends_with("\r\n")) cp932.remove_suffix(2);
    session.writeLine(cp932);
}

} // namespace

Command registerDetail(CLI::App& root) {
    struct Options {
        std::string at;
        std::string mode = "0";
    };
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = root.add_subcommand(
        "detail", "Print the detail window of a moment: the phase and its day, then the "
                  "Orithaven and Earth lines, the next phase change, new moon and full moon");
    addAtOption(*cmd, opts->at)
        ->description("The moment to show (default: now); TIME forms: see 'orbel-cli --help'");
    cmd->add_option("--mode", opts->mode,
                    "Time-format mode of the Orithaven and Earth lines (default 0), as for now")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& s) {
                return parseIntArg(s) ? std::string() : "'" + s + "' is not a whole number";
            },
            ""));
    cmd->footer("\nTIME forms, the modes and the exit codes: see 'orbel-cli --help'.");

    return {cmd,
            [opts](Session& session) {
                int code = kExitOk;
                const std::optional<std::time_t> t = session.resolveTime(opts->at, &code);
                if (!t) return code;
                const orlib::odate_t date(*t);
                // The two time lines come from the ticker's buffers in the
                // window; render them the way one tick would.
                TimeTexts texts;
                texts.setFormats(parseIntArg(opts->mode).value_or(0));
                texts.render(date);
                const std::string phaseLine = detailPhaseLine(date);
                const std::string body = buildDetailText(date, texts.gameLine, texts.earthLine);
                if (session.json) {
                    writeJson(session, Json{{"command", "detail"},
                                            {"phaseLine", utf8Line(phaseLine)},
                                            {"lines", utf8Lines(body)},
                                            {"earth", earthJson(*t)},
                                            {"orithaven", momentJson(date)}});
                    return kExitOk;
                }
                session.writeLine(phaseLine);
                writeText(session, body);
                return kExitOk;
            },
            true};
}

} // namespace orbel::cli
