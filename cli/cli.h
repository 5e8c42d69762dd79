// orbel-cli's command tree: the subcommands, their options, and how texts
// and errors reach the terminal. main.cpp only calls runCli; tests drive it
// in-process with their own streams and clock.
//
// Each subcommand is one registration function that adds itself to the root
// and returns the action to run when it was chosen; a new subcommand is a new
// registrar in the table in runCli. Actions write system texts (CP932)
// through Session, which owns the output encoding and the exit codes.
#pragma once

#include <CLI/CLI.hpp>

#include <ctime>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace orbel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;      // bad usage; CLI11's message on stderr
inline constexpr int kExitOutOfRange = 3; // TIME outside the calendar's service range

using Clock = std::function<std::time_t()>;

// "1989-09-28T00:00:00Z" for a time_t.
std::string utcText(std::time_t t);

// Told, once the command line is parsed and before an action writes, whether
// --raw was chosen: a Windows console takes the UTF-8 texts as UTF-16 but
// must get --raw's CP932 bytes as they are.
using RawHook = std::function<void(bool raw)>;

// What every action shares: the two streams, the output encoding, "now".
class Session {
public:
    Session(std::ostream& out, std::ostream& err, Clock now);

    // --raw: system texts leave as CP932 bytes with CRLF line ends.
    bool raw = false;
    // --json (jsonOutput.h): one UTF-8 JSON object a line instead of the texts.
    bool json = false;

    // One system text (CP932) as a line on stdout: UTF-8 and LF, or with
    // --raw its own bytes and CRLF.
    void writeLine(std::string_view cp932);
    // One system text (CP932) as a line on stderr, always UTF-8: errors are
    // for the person at the terminal, even when stdout feeds a script.
    void writeError(std::string_view cp932);
    // Bytes that are already UTF-8 (JSON, a calendar file), as they are.
    void writeUtf8(std::string_view utf8);
    // Pushes what was written out; false once stdout can take no more
    // (a closed pipe), which ends a command that writes on and on.
    bool flush();
    // The clock's "now", unchecked (a file's time stamp, not a TIME).
    std::time_t clockNow() const { return m_now(); }

    // The Earth time an action works on: --at's text, or now when empty.
    // Outside the service range it reports message 111 and sets *exitCode.
    std::optional<std::time_t> resolveTime(const std::string& at, int* exitCode);

private:
    std::ostream& m_out;
    std::ostream& m_err;
    Clock m_now;
};

// A registered subcommand: its CLI11 node and what runs when it is chosen.
// The action owns the option values its node writes into.
struct Command {
    CLI::App* app = nullptr;
    std::function<int(Session&)> run;
    // Whether the command takes --json (Session::json).
    bool takesJson = false;
};

using Registrar = Command (*)(CLI::App& root);

Command registerNow(CLI::App& root);
Command registerFormat(CLI::App& root);
Command registerDetail(CLI::App& root); // detailCommand.cpp
Command registerSearch(CLI::App& root); // searchCommand.cpp
Command registerExport(CLI::App& root); // exportCommand.cpp
Command registerWatch(CLI::App& root);  // watchCommand.cpp

// Adds --at TIME to a subcommand; a malformed TIME is a usage error.
CLI::Option* addAtOption(CLI::App& cmd, std::string& at);

// Parses and runs one command line; returns the process exit code.
int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, Clock now,
           const RawHook& onRaw = {});
int runCli(int argc, char** argv, std::ostream& out, std::ostream& err, const RawHook& onRaw = {});

} // namespace orbel::cli
