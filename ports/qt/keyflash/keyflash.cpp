// keyflash: flashes one keyboard LED through the X keyboard extension, the
// Linux counterpart of the keyboard-LED tool orbel starts on a new phase.
//
//   keyflash [/w=ON-OFF] [/c=COUNT] [/ScrollLock | /NumLock | /CapsLock]
//
// Each flash turns the LED to the opposite of what it was for ON ms, then
// back for OFF ms; the LED ends as it was found, also when the program is
// ended by SIGINT, SIGTERM or SIGHUP. Exit codes: 0 done, 1 no X display or
// no usable LED, 2 bad arguments, 128 + the signal's number when ended by
// one (after the LED was put back).
//
// Scroll Lock has no lock modifier on most keymaps, but its indicator
// accepts explicit changes; Num Lock's and Caps Lock's indicators follow
// their locked modifiers and refuse explicit changes, so those are flashed
// by locking and unlocking the modifier (which also changes what typing
// does while the flash lasts, exactly as pressing the key would).
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include <poll.h>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr long kMaxPhaseMs = 10000;
constexpr long kMaxCount = 100;

constexpr const char* kUsage =
    "usage: keyflash [/w=ON-OFF] [/c=COUNT] [/ScrollLock | /NumLock | /CapsLock]\n"
    "  /w=ON-OFF   milliseconds the LED is inverted, then restored (1 to 10000; default 500-500)\n"
    "  /c=COUNT    number of flashes (1 to 100; default 3)\n"
    "  the LED     Scroll Lock unless another is named\n";

enum class Led { Scroll, Num, Caps };

struct Options {
    long onMs = 500;
    long offMs = 500;
    long count = 3;
    std::optional<Led> led;
    bool help = false;
};

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// A whole decimal number within [low, high]; nothing else.
std::optional<long> number(std::string_view text, long low, long high) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

// Parses the arguments; on a bad one says why on stderr and returns nothing.
std::optional<Options> parse(int argc, char** argv) {
    Options o;
    const auto bad = [](std::string_view arg, const char* why) {
        std::fprintf(stderr, "keyflash: %.*s: %s\n%s", static_cast<int>(arg.size()), arg.data(),
                     why, kUsage);
        return std::nullopt;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::optional<Led> led;
        if (arg == "/?" || arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg.size() > 3 && equalsNoCase(arg.substr(0, 3), "/w=")) {
            const std::string_view value = arg.substr(3);
            const std::size_t dash = value.find('-');
            const auto on = number(value.substr(0, dash), 1, kMaxPhaseMs);
            const auto off = dash == std::string_view::npos
                                 ? std::nullopt
                                 : number(value.substr(dash + 1), 1, kMaxPhaseMs);
            if (!on || !off) return bad(arg, "expected /w=ON-OFF, each 1 to 10000 ms");
            o.onMs = *on;
            o.offMs = *off;
        } else if (arg.size() > 3 && equalsNoCase(arg.substr(0, 3), "/c=")) {
            const auto count = number(arg.substr(3), 1, kMaxCount);
            if (!count) return bad(arg, "expected /c=COUNT, 1 to 100");
            o.count = *count;
        } else if (equalsNoCase(arg, "/ScrollLock")) {
            led = Led::Scroll;
        } else if (equalsNoCase(arg, "/NumLock")) {
            led = Led::Num;
        } else if (equalsNoCase(arg, "/CapsLock")) {
            led = Led::Caps;
        } else {
            return bad(arg, "unknown argument");
        }
        if (led) {
            if (o.led && *o.led != *led) return bad(arg, "only one LED can be flashed");
            o.led = led;
        }
    }
    return o;
}

volatile std::sig_atomic_t g_signal = 0;

extern "C" void onSignal(int signo) {
    g_signal = signo;
}

// Waits until the monotonic deadline or a signal; false on a signal. The
// signals stay blocked except inside ppoll, so none slips in between the
// check and the wait.
bool waitUntil(const timespec& deadline, const sigset_t& unblocked) {
    for (;;) {
        if (g_signal) return false;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        long long ns = (deadline.tv_sec - now.tv_sec) * 1'000'000'000LL +
                       (deadline.tv_nsec - now.tv_nsec);
        if (ns <= 0) return true;
        const timespec left{static_cast<time_t>(ns / 1'000'000'000),
                            static_cast<long>(ns % 1'000'000'000)};
        ppoll(nullptr, 0, &left, &unblocked);
    }
}

void advance(timespec& t, long ms) {
    t.tv_sec += ms / 1000;
    t.tv_nsec += (ms % 1000) * 1'000'000L;
    if (t.tv_nsec >= 1'000'000'000L) {
        t.tv_nsec -= 1'000'000'000L;
        ++t.tv_sec;
    }
}

class LedSwitch {
public:
    LedSwitch(Display* display, Led led) : m_display(display) {
        const char* names[] = {"Scroll Lock", "Num Lock", "Caps Lock"};
        m_name = names[static_cast<int>(led)];
        m_atom = XInternAtom(display, m_name, False);
        if (led == Led::Caps) m_mask = LockMask;
        if (led == Led::Num) m_mask = XkbKeysymToModifiers(display, XK_Num_Lock);
        // A keymap that binds Scroll Lock to a modifier (rare) may tie the
        // LED to it; the modifier is the fallback then.
        if (led == Led::Scroll) {
            m_mask = XkbKeysymToModifiers(display, XK_Scroll_Lock);
            m_preferIndicator = true;
        }
    }

    const char* name() const { return m_name; }

    // Whether the LED is lit now; nothing when the keymap has no such LED.
    std::optional<bool> lit() const {
        int index = 0, on = False, real = False;
        if (!XkbGetNamedIndicator(m_display, m_atom, &index, &on, nullptr, &real) || !real)
            return std::nullopt;
        return on == True;
    }

    // Remembers the state to go back to, and finds a way to change the LED
    // that the server honours by trying it once. False when none works.
    bool start() {
        const auto was = lit();
        if (!was) return false;
        m_initial = *was;
        XkbStateRec state{};
        XkbGetState(m_display, XkbUseCoreKbd, &state);
        m_initialLocked = state.locked_mods;
        for (const bool indicator : {m_preferIndicator, !m_preferIndicator}) {
            if (!indicator && m_mask == 0) continue;
            m_useIndicator = indicator;
            set(!m_initial);
            if (lit() == !m_initial) return true;
            restore();
        }
        return false;
    }

    void set(bool on) {
        if (m_useIndicator)
            XkbSetNamedIndicator(m_display, m_atom, True, on ? True : False, False, nullptr);
        else
            XkbLockModifiers(m_display, XkbUseCoreKbd, m_mask, on ? m_mask : 0);
        XSync(m_display, False);
    }

    void invert(bool inverted) { set(inverted ? !m_initial : m_initial); }

    void restore() {
        if (m_useIndicator)
            set(m_initial);
        else {
            XkbLockModifiers(m_display, XkbUseCoreKbd, m_mask, m_initialLocked & m_mask);
            XSync(m_display, False);
        }
    }

private:
    Display* m_display;
    const char* m_name = "";
    Atom m_atom = None;
    unsigned m_mask = 0;
    bool m_preferIndicator = false;
    bool m_useIndicator = false;
    bool m_initial = false;
    unsigned m_initialLocked = 0;
};

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parse(argc, argv);
    if (!options) return kExitUsage;
    if (options->help) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    // Blocked from here on and let through only while waiting, so an end
    // request always lands where the LED can still be put back.
    sigset_t blocked, unblocked;
    sigemptyset(&blocked);
    for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&blocked, signo);
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signo, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &blocked, &unblocked);

    int major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
    const char* displayName = std::getenv("DISPLAY");
    Display* display = XkbOpenDisplay(nullptr, nullptr, nullptr, &major, &minor, &reason);
    if (!display) {
        if (reason == XkbOD_NonXkbServer || reason == XkbOD_BadServerVersion)
            std::fprintf(stderr, "keyflash: the X server on \"%s\" has no keyboard extension\n",
                         displayName ? displayName : "");
        else
            std::fprintf(stderr, "keyflash: cannot open the X display \"%s\" (is DISPLAY set?)\n",
                         displayName ? displayName : "");
        return kExitFailure;
    }

    LedSwitch led(display, options->led.value_or(Led::Scroll));
    if (!led.start()) {
        std::fprintf(stderr, "keyflash: the keyboard has no %s LED that can be switched\n",
                     led.name());
        XCloseDisplay(display);
        return kExitFailure;
    }

    // start() already inverted the LED: the first flash's "on" has begun.
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    bool ended = false;
    for (long i = 0; i < options->count && !ended; ++i) {
        if (i > 0) led.invert(true);
        advance(deadline, options->onMs);
        ended = !waitUntil(deadline, unblocked);
        led.invert(false);
        if (!ended && i + 1 < options->count) {
            advance(deadline, options->offMs);
            ended = !waitUntil(deadline, unblocked);
        }
    }
    led.restore();
    XCloseDisplay(display);
    return g_signal ? 128 + g_signal : 0;
}
