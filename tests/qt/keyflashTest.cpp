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
#include <tuple>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orbel {
namespace {

using Clock = std::chrono::steady_clock;

// keyflash started with these arguments (on this DISPLAY, when given).
struct Keyflash {
    pid_t pid = -1;
    int errFd = -1;
    explicit Keyflash(const std::vector<std::string>& args, const char* display = nullptr) {
        std::vector<char*> argv{const_cast<char*>(ORBEL_KEYFLASH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], 2);
            if (display) ::setenv("DISPLAY", display, 1);
            ::execv(ORBEL_KEYFLASH, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        errFd = fds[0];
    }
    // Waits for the end: the exit code (128 + n for signal n) and stderr.
    std::pair<int, std::string> finish() {
        std::string err;
        char buf[512];
        for (ssize_t n; (n = ::read(errFd, buf, sizeof buf)) > 0;)
            err.append(buf, static_cast<std::size_t>(n));
        ::close(errFd);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
    }
};

class KeyflashTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const test::XServer server(ORBEL_XVFB);
        ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
        ::setenv("DISPLAY", server.display().c_str(), 1);
        int major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
        display = XkbOpenDisplay(nullptr, &xkbEvent, nullptr, &major, &minor, &reason);
        ASSERT_NE(display, nullptr) << "XkbOpenDisplay: " << reason << " on " << server.display();
        XkbSelectEvents(display, XkbUseCoreKbd, XkbIndicatorStateNotifyMask,
                        XkbIndicatorStateNotifyMask);
        resetKeyboard();
    }
    void TearDown() override {
        if (display) XCloseDisplay(display);
    }
    void resetKeyboard() {
        XkbLockModifiers(display, XkbUseCoreKbd, 0xFF, 0);
        XkbSetNamedIndicator(display, XInternAtom(display, "Scroll Lock", False), True, False,
                             False, nullptr);
        changes(~0u, [](auto&) { return true; });
    }
    unsigned bitOf(const char* led) {
        int index = -1, on = 0, real = 0;
        XkbGetNamedIndicator(display, XInternAtom(display, led, False), &index, &on, nullptr,
                             &real);
        EXPECT_TRUE(real) << led;
        return 1u << index;
    }
    unsigned ledMask() {
        unsigned mask = 0;
        XkbGetIndicatorState(display, XkbUseCoreKbd, &mask);
        return mask;
    }
    // The states of `bit` the server announced since the last call, in order,
    // while waiting for `until` to say stop (or 5 s).
    template <class Until> std::vector<unsigned> changes(unsigned bit, Until until) {
        std::vector<unsigned> seen;
        const auto limit = Clock::now() + std::chrono::seconds(5);
        for (bool stop = false; !stop && Clock::now() < limit;) {
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
            pollfd p{ConnectionNumber(display), POLLIN, 0};
            if (!stop) ::poll(&p, 1, 5);
        }
        return seen;
    }

    Display* display = nullptr;
    int xkbEvent = 0;
};

TEST_F(KeyflashTest, InvertsTheLedCountTimesAndEndsAsItFoundIt) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"/ScrollLock", "Scroll Lock", false},
        {"/scrolllock", "Scroll Lock", true},
        {"/NumLock", "Num Lock", false},
        {"/CapsLock", "Caps Lock", true}};
    for (const auto& [arg, led, litBefore] : rows) {
        SCOPED_TRACE(std::string(arg) + (litBefore ? " lit" : " dark"));
        const unsigned bit = bitOf(led);
        if (litBefore && bit == bitOf("Caps Lock"))
            XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
        else if (litBefore)
            XkbSetNamedIndicator(display, XInternAtom(display, led, False), True, True, False,
                                 nullptr);
        changes(bit, [](auto&) { return true; }); // not counted
        const unsigned before = ledMask();

        const auto start = Clock::now();
        Keyflash k({"/w=40-30", "/c=3", arg});
        int status = -1;
        const std::vector<unsigned> seen =
            changes(bit, [&](auto&) { return ::waitpid(k.pid, &status, WNOHANG) == k.pid; });
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(3 * 40 + 2 * 30));
        ::close(k.errFd);
        EXPECT_EQ(status, 0);
        const unsigned on = litBefore ? 0 : bit, off = bit - on;
        EXPECT_EQ(seen, (std::vector<unsigned>{on, off, on, off, on, off}));
        EXPECT_EQ(ledMask(), before); // no other LED touched either
        resetKeyboard();
    }
}

TEST_F(KeyflashTest, SigtermPutsTheLedBack) {
    const unsigned bit = bitOf("Caps Lock"), before = ledMask();
    Keyflash k({"/w=5000-5000", "/CapsLock"});
    // Once the LED is inverted, the program sits in its five-second wait.
    ASSERT_EQ(changes(bit, [](auto& v) { return !v.empty(); }), std::vector<unsigned>{bit});
    const auto start = Clock::now();
    ::kill(k.pid, SIGTERM);
    EXPECT_EQ(k.finish().first, 128 + SIGTERM);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(ledMask(), before);
}

TEST_F(KeyflashTest, BadArgumentsAndNoDisplayAreRefusedWithAReason) {
    // How stderr begins; the exit code is 2.
    const std::pair<std::vector<std::string>, const char*> rows[] = {
        {{"/x"}, "keyflash: /x: unknown argument\nusage: keyflash "},
        {{"/w=500"}, "keyflash: /w=500: expected /w=ON-OFF"},
        {{"/w=0-500"}, "keyflash: /w=0-500: expected /w=ON-OFF"},
        {{"/w=50-50x"}, "keyflash: /w=50-50x: expected /w=ON-OFF"},
        {{"/c=0"}, "keyflash: /c=0: expected /c=COUNT, 1 to 100"},
        {{"/c=3.5"}, "keyflash: /c=3.5: expected /c=COUNT"},
        {{"/NumLock", "/CapsLock"}, "keyflash: /CapsLock: only one LED can be flashed"},
        {{"ScrollLock"}, "keyflash: ScrollLock: unknown argument"},
    };
    for (const auto& [args, says] : rows) {
        const auto [code, err] = Keyflash(args).finish();
        EXPECT_EQ(code, 2) << args[0];
        EXPECT_EQ(err.rfind(says, 0), 0u) << err;
    }
    const auto [code, err] = Keyflash({"/c=1"}, ":9999").finish();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "keyflash: cannot open the X display \":9999\" (is DISPLAY set?)\n");
}

} // namespace
} // namespace orbel
