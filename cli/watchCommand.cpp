// `orbel-cli watch`: the real clock, sleeps and signals around runWatch
// (watch.h). A status bar starts this once and reads its stdout forever; it
// ends by closing the pipe or with SIGTERM, and neither is an error.
#include "cli/cli.h"
#include "cli/timeArg.h"
#include "cli/watch.h"

#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

#if !defined(_WIN32)
#include <cerrno>
#include <ctime>
#endif

namespace orbel::cli {

namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void onStopSignal(int) {
    g_stop = 1;
}

// Without SA_RESTART, so a signal cuts the current sleep short and the
// loop sees the request at once. A closed pipe must surface as a failed
// write (EPIPE) we can end on quietly, not as a killing SIGPIPE.
void installSignals() {
#if defined(_WIN32)
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#else
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
#endif
}

std::int64_t systemNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// On the wall clock, so a deadline names an Earth moment even if the clock
// is set while we sleep.
void sleepUntilWallMs(std::int64_t deadlineMs) {
#if defined(_WIN32)
    using namespace std::chrono;
    std::this_thread::sleep_until(system_clock::time_point{milliseconds{deadlineMs}});
#else
    std::timespec ts{};
    ts.tv_sec = static_cast<std::time_t>(deadlineMs / 1000);
    ts.tv_nsec = static_cast<long>(deadlineMs % 1000) * 1'000'000L;
    // One call: EINTR returns to the loop, which checks for a stop.
    clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &ts, nullptr);
#endif
}

} // namespace

Command registerWatch(CLI::App& root) {
    auto mode = std::make_shared<std::string>("0");
    CLI::App* cmd = root.add_subcommand(
        "watch", "Print the tooltip text each time it changes, for status bars (runs until its "
                 "output is closed, SIGINT or SIGTERM)");
    cmd->add_option("--mode", *mode,
                    "Time-format mode (default 0): a line each game minute in modes 0 and 1, "
                    "each game second (40 ms) in mode 2")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& s) {
                return parseIntArg(s) ? std::string() : "'" + s + "' is not a whole number";
            },
            ""));
    cmd->footer("\nPlain lines suit polybar and i3blocks; --json writes one object a line with\n"
                "text, tooltip (the detail window), class (the phase's key, e.g. full-moon)\n"
                "and percentage (the day within the phase, 0 on its first day, 100 on its\n"
                "seventh), as waybar reads it. Exit codes: 0 stopped, 2 bad usage, 3 the\n"
                "clock outside the calendar's service range.\n");
    return {cmd,
            [mode](Session& session) {
                installSignals();
                const WatchEnv env{systemNowMs, sleepUntilWallMs, [] { return g_stop != 0; }};
                return runWatch(session, parseIntArg(*mode).value_or(0), env);
            },
            true};
}

} // namespace orbel::cli
