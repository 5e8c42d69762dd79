// `orbel-cli watch`: the tray's text for status bars, one line each time it
// changes. The loop here is pure over an injected Earth clock and sleeper,
// so tests run it over invented time; watchCommand.cpp gives it the real
// clock, signals and stdout.
//
// Deadlines are absolute: each wake computes the game moment from the
// clock and sleeps until the Earth millisecond at which the next game
// minute (game second in mode 2) begins. A late wake therefore never
// shifts later ones, and nothing spins between changes.
#pragma once

#include "cli/cli.h"

#include <cstdint>
#include <functional>

namespace orbel::cli {

struct WatchEnv {
    // Earth milliseconds since 1970-01-01T00:00:00Z.
    std::function<std::int64_t()> nowMs;
    // Returns at the deadline, or earlier (a signal); the loop re-reads
    // the clock either way.
    std::function<void(std::int64_t deadlineMs)> sleepUntilMs;
    // Checked before each step: SIGINT or SIGTERM arrived.
    std::function<bool()> stopRequested;
};

// Game seconds between changes of the tooltip text of a time-format mode:
// 1 when it shows seconds, else 60.
int watchStepSeconds(int mode) noexcept;

// Writes the tooltip text (or with session.json a waybar object) whenever
// it differs from the last line written, flushing each. Returns 0 when
// stopped or when stdout refuses a line (the reader went away), 3 (with
// message 111 on stderr) when the clock leaves the service range.
int runWatch(Session& session, int mode, const WatchEnv& env);

} // namespace orbel::cli
