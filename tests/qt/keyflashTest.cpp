// keyflash on a private X server: every change of the LED as the keyboard
// extension reports it, the state it ends in, its end on SIGTERM, and its
// answers to bad arguments and a missing display.
#include "tests/support/xServer.h"

#include <gtest/gtest.h>

// After GoogleTest: Xlib's macros (None, Bool, ...) would break its headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orbel {
namespace {

using Clock = std::chrono::steady_clock;

struct Spawned {
    pid_t pid = -1;
    int errFd = -1; // the program's stderr
};

Spawned spawn(const std::vector<std::string>& args, char** env = environ) {
    std::vector<char*> argv{const_cast<char*>(ORBEL_KEYFLASH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    Spawned s;
    if (posix_spawn(&s.pid, ORBEL_KEYFLASH, &actions, nullptr, argv.data(), env) != 0) s.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    s.errFd = fds[0];
    return s;
}

// Waits for the program's end: its exit code (128 + n for signal n) and
// what it wrote to stderr.
std::pair<int, std::string> finish(Spawned s) {
    std::string err;
    char buf[512];
    for (ssize_t n; (n = ::read(s.errFd, buf, sizeof buf)) > 0;)
        err.append(buf, static_cast<std::size_t>(n));
    ::close(s.errFd);
    int status = 0;
    ::waitpid(s.pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
}

class KeyflashTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new test::XServer(ORBEL_XVFB);
        ::setenv("DISPLAY", server->display().c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        ASSERT_FALSE(server->display().empty()) << "Xvfb did not start";
        int major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
        display = XkbOpenDisplay(nullptr, &xkbEvent, nullptr, &major, &minor, &reason);
        ASSERT_NE(display, nullptr) << "XkbOpenDisplay: " << reason << " on " << server->display();
        XkbSelectEvents(display, XkbUseCoreKbd, XkbIndicatorStateNotifyMask,
                        XkbIndicatorStateNotifyMask);
        XSync(display, False);
    }
    void TearDown() override {
        if (!display) return;
        resetKeyboard();
        XCloseDisplay(display);
    }
    // All locks and LEDs off, whatever a case left.
    void resetKeyboard() {
        XkbLockModifiers(display, XkbUseCoreKbd, 0xFF, 0);
        XkbSetNamedIndicator(display, XInternAtom(display, "Scroll Lock", False), True, False,
                             False, nullptr);
        changes(~0u, [](auto&) { return true; });
    }

    unsigned bitOf(const char* led) {
        int index = -1, on = 0, real = 0;
        XkbGetNamedIndicator(display, XInternAtom(display, led, False), &index, &on, nullptr, &real);
        EXPECT_TRUE(real) << led;
        return 1u << index;
    }
    unsigned ledMask() {
        unsigned mask = 0;
        XkbGetIndicatorState(display, XkbUseCoreKbd, &mask);
        return mask;
    }
    // The LED states the server announced since the last call, in order,
    // while waiting for `until` to say stop (or 5 s).
    template <class Until>
    std::vector<unsigned> changes(unsigned bit, Until until) {
        std::vector<unsigned> seen;
        const auto limit = Clock::now() + std::chrono::seconds(5);
        bool stop = false;
        while (!stop && Clock::now() < limit) {
            stop = until(seen);
            XSync(display, False);
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
                if (event.type == xkbEvent && xkb.any.xkb_type == XkbIndicatorStateNotify &&
                    (xkb.indicators.changed & bit))
                    seen.push_back(xkb.indicators.state & bit);
            }
            if (!stop) {
                pollfd p{ConnectionNumber(display), POLLIN, 0};
                ::poll(&p, 1, 5);
            }
        }
        return seen;
    }

    static test::XServer* server;
    Display* display = nullptr;
    int xkbEvent = 0;
};

test::XServer* KeyflashTest::server = nullptr;

TEST_F(KeyflashTest, InvertsTheLedCountTimesAndEndsAsItFoundIt) {
    struct Row {
        const char* name;
        const char* arg;
        const char* led;
        bool litBefore;
    };
    const Row rows[] = {
        {"scroll lock, dark", "/ScrollLock", "Scroll Lock", false},
        {"scroll lock, lit", "/scrolllock", "Scroll Lock", true},
        {"num lock, dark", "/NumLock", "Num Lock", false},
        {"caps lock, lit", "/CapsLock", "Caps Lock", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const unsigned bit = bitOf(row.led);
        const Atom atom = XInternAtom(display, row.led, False);
        if (row.litBefore && bit == bitOf("Caps Lock"))
            XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
        else if (row.litBefore)
            XkbSetNamedIndicator(display, atom, True, True, False, nullptr);
        changes(bit, [](auto&) { return true; }); // not counted
        const unsigned before = ledMask();
        ASSERT_EQ((before & bit) != 0, row.litBefore);

        const auto start = Clock::now();
        const Spawned s = spawn({"/w=40-30", "/c=3", row.arg});
        int status = -1;
        const std::vector<unsigned> seen = changes(bit, [&](auto&) {
            return ::waitpid(s.pid, &status, WNOHANG) == s.pid;
        });
        const auto took = Clock::now() - start;
        ::close(s.errFd);
        EXPECT_EQ(status, 0);
        const unsigned inverted = row.litBefore ? 0 : bit;
        const unsigned restored = row.litBefore ? bit : 0;
        EXPECT_EQ(seen, (std::vector<unsigned>{inverted, restored, inverted, restored, inverted,
                                               restored}));
        EXPECT_EQ(ledMask(), before); // no other LED touched either
        // Three times 40 ms inverted and twice 30 ms between them.
        EXPECT_GE(took, std::chrono::milliseconds(180));
        resetKeyboard();
    }
}

TEST_F(KeyflashTest, SigtermPutsTheLedBack) {
    const unsigned bit = bitOf("Caps Lock");
    const unsigned before = ledMask();
    const Spawned s = spawn({"/w=5000-5000", "/CapsLock"});
    // Once the LED is inverted, the program sits in its five-second wait.
    const std::vector<unsigned> seen = changes(bit, [](auto& v) { return !v.empty(); });
    ASSERT_EQ(seen, std::vector<unsigned>{bit});
    const auto start = Clock::now();
    ::kill(s.pid, SIGTERM);
    EXPECT_EQ(finish(s).first, 128 + SIGTERM);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(ledMask(), before);
}

TEST_F(KeyflashTest, BadArgumentsAndNoDisplayAreRefusedWithAReason) {
    struct Row {
        std::vector<std::string> args;
        const char* says; // how stderr begins; the exit code is 2
    };
    const Row rows[] = {
        {{"/x"}, "keyflash: /x: unknown argument\nusage: keyflash "},
        {{"/w=500"}, "keyflash: /w=500: expected /w=ON-OFF"},
        {{"/w=0-500"}, "keyflash: /w=0-500: expected /w=ON-OFF"},
        {{"/w=50-50x"}, "keyflash: /w=50-50x: expected /w=ON-OFF"},
        {{"/c=0"}, "keyflash: /c=0: expected /c=COUNT, 1 to 100"},
        {{"/c=3.5"}, "keyflash: /c=3.5: expected /c=COUNT"},
        {{"/NumLock", "/CapsLock"}, "keyflash: /CapsLock: only one LED can be flashed"},
        {{"ScrollLock"}, "keyflash: ScrollLock: unknown argument"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0]);
        const auto [code, err] = finish(spawn(row.args));
        EXPECT_EQ(code, 2);
        EXPECT_EQ(err.rfind(row.says, 0), 0u) << err;
    }
    char noDisplay[] = "DISPLAY=:9999";
    char* env[] = {noDisplay, nullptr};
    const auto [code, err] = finish(spawn({"/c=1"}, env));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "keyflash: cannot open the X display \":9999\" (is DISPLAY set?)\n");
}

} // namespace
} // namespace orbel
