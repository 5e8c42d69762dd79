// The game clock: ticks, texts, hour/day/phase messages, restarts and the
// thread rules, on the fake port (ticks fired by hand) and, for the stress
// test, on a real timer service.
#include "app/orbelApp.h"
#include "common/timerService.h"
#include "ports/fake/fakePort.h"
#include "tests/support/appAccess.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

namespace orbel {

namespace {

using test::TempDir;
using test::writeBytes;

// The epoch is 1989-09-28T00:00:00Z and 25 game seconds pass per Earth
// second, so 2026-12-06T00:00:00Z is game second 29339280000: day 339575
// exactly, 944/04/06 00:00:00, weekday 339575 mod 8 = 7 (闇), lunar age
// 339575 mod 84 = 47: phase 6 (満月), its 6th day.
constexpr std::time_t kMidnight = 1796515200;
// 944/04/07 23:59:35: day 339576, the last day of phase 6; the next day
// (age 49) begins phase 7 on weekday 1. 339576 days = 1173574656 Earth s,
// 86375 game s = 3455 Earth s.
constexpr std::time_t kBeforePhase7 = 622944000 + 1173574656 + 3455;

class GameClock : public ::testing::Test {
protected:
    void start(int mode, std::time_t now) {
        writeBytes(dir / "orbel.ini", "[Settings]\r\ntsmode=" + std::to_string(mode) + "\r\n");
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        port.now = now;
        app.initPaths();
        app.loadSettings();
        ASSERT_EQ(app.setupTimerPeriod(), 0u);
        app.setMainWindow(kMain);
        ASSERT_EQ(app.startTicker(), 0u);
    }
    unsigned tickerId() const {
        for (const auto& t : port.activeTimers())
            if (t.delayMs == 200 || t.delayMs == 40) return t.id;
        return 0;
    }
    void tick(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(port.fireTimer(tickerId()));
    }

    static constexpr Hwnd kMain{0x42};
    TempDir dir;
    FakePort port;
    COrbelApp app{port};
};

TEST_F(GameClock, TextsAreEmptyUntilTheFirstTick) {
    start(0, kMidnight);
    EXPECT_EQ(app.getTipText(), "");
    EXPECT_EQ(app.getGameLineText(), "");
    EXPECT_EQ(app.getEarthLineText(), "");
}

TEST_F(GameClock, OneEarthSecondInModes0And1IsFiveTicksOf5GameSeconds) {
    start(0, kMidnight);
    EXPECT_EQ(port.activeTimers().at(0).delayMs, 200u);
    tick(5);
    EXPECT_EQ(app.getTipText(), "944/04/06（闇） 00:00 <満月(6)>");
    EXPECT_EQ(app.getGameLineText(), "Orithaven : 944/04/06(闇) 00:00 <満月>");
    EXPECT_EQ(app.getEarthLineText(), "     Earth : 2026/12/06 09:00:01");
    EXPECT_EQ(app.currentDate().sec(), 25);

    app.stopTicker();
    app.setTsMode(1);
    app.startTicker();
    tick(5);
    EXPECT_EQ(app.getTipText(), "944/4/6（闇） 0:00 <満月(6)>");
    EXPECT_EQ(app.getGameLineText(), "Orithaven [944/4/6（闇） 0:00 <満月>]");
    EXPECT_EQ(app.getEarthLineText(), "     Earth [2026/12/6（日） 9:00]");
}

TEST_F(GameClock, OneEarthSecondInMode2Is25TicksOf1GameSecond) {
    start(2, kMidnight);
    EXPECT_EQ(port.activeTimers().at(0).delayMs, 40u);
    tick(24);
    EXPECT_EQ(app.getTipText(), "944/04/06(闇) 00:00:24 <満月(6)>");
    tick(1);
    EXPECT_EQ(app.getTipText(), "944/04/06(闇) 00:00:25 <満月(6)>");
    EXPECT_EQ(app.getGameLineText(), "Orithaven : 944/04/06 00:00:25");
    EXPECT_EQ(app.getEarthLineText(), "     Earth : 2026/12/06 09:00:01");
}

TEST_F(GameClock, OddModesRenderAndTickLikeMode0) {
    // Texts, period and step after five ticks, per mode.
    auto run = [&](int mode) {
        FakePort p;
        p.moduleFileName = (dir.path() / "orbel.exe").string();
        p.now = kMidnight;
        COrbelApp a(p);
        a.initPaths();
        a.setTsMode(mode);
        EXPECT_EQ(a.tsMode(), mode);
        EXPECT_EQ(a.setupTimerPeriod(), 0u);
        EXPECT_EQ(a.startTicker(), 0u);
        const auto timer = p.activeTimers().at(0);
        for (int i = 0; i < 5; ++i) EXPECT_TRUE(p.fireTimer(timer.id));
        return std::vector<std::string>{a.getTipText(), a.getGameLineText(),
                                        a.getEarthLineText(), std::to_string(timer.delayMs),
                                        std::to_string(a.currentDate().sec())};
    };
    const auto mode0 = run(0);
    EXPECT_EQ(mode0[0], "944/04/06（闇） 00:00 <満月(6)>");
    for (int mode : {3, -1, 7}) EXPECT_EQ(run(mode), mode0) << mode;
}

TEST_F(GameClock, PhaseChangePostsHourDayPhaseInOrderOnce) {
    start(0, kBeforePhase7);
    tick(4); // 23:59:55: same hour
    EXPECT_TRUE(port.postedMessages().empty());
    tick(1); // 00:00:00 of phase 7
    const auto posted = port.postedMessages();
    ASSERT_EQ(posted.size(), 3u);
    const WParam w = (7u << 16) | (0u << 8) | 1u;
    EXPECT_EQ(posted[0].msg, kWmApp + 3);
    EXPECT_EQ(posted[1].msg, kWmApp + 2);
    EXPECT_EQ(posted[2].msg, kWmApp + 1);
    for (const auto& p : posted) {
        EXPECT_EQ(p.hwnd, kMain);
        EXPECT_EQ(p.wParam, w);
    }
    EXPECT_EQ(posted[0].lParam, 255);
    EXPECT_EQ(posted[1].lParam, 255);
    EXPECT_EQ(posted[2].lParam, static_cast<LParam>(app.notification()));
    tick(720);                                   // the rest of the game hour
    EXPECT_EQ(port.postedMessages().size(), 4u); // one more hour change only
    EXPECT_EQ(port.postedMessages().back().msg, kWmApp + 3);
}

TEST_F(GameClock, DayChangeWithinAPhaseAndPlainHourChange) {
    // 944/04/06 23:59:35 -> 944/04/07: same phase (age 47 -> 48).
    start(2, kMidnight + 3455);
    tick(25);
    auto posted = port.postedMessages();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].msg, kWmApp + 3);
    EXPECT_EQ(posted[1].msg, kWmApp + 2);
    EXPECT_EQ(posted[1].wParam, (6u << 16) | (6u << 8) | 0u);
}

TEST_F(GameClock, ChangesThroughARestartAreNotReported) {
    start(0, kBeforePhase7);
    port.now = kBeforePhase7 + 10; // the Earth clock is already past the change
    ASSERT_EQ(app.restartTicker(), 0u);
    tick(1);
    EXPECT_TRUE(port.postedMessages().empty());
    EXPECT_EQ(app.currentDate().getLunarIndex(), 7);
}

TEST_F(GameClock, StopIsIdempotentAndResyncDoesNothingWhileStopped) {
    start(0, kMidnight);
    app.stopTicker();
    EXPECT_FALSE(app.isTickerRunning());
    const auto kills = port.callsStartingWith("timeKillEvent").size();
    app.stopTicker();
    EXPECT_EQ(port.callsStartingWith("timeKillEvent").size(), kills);
    app.onResync();
    EXPECT_FALSE(app.isTickerRunning());
    EXPECT_EQ(port.callsStartingWith("timeSetEvent").size(), 1u);
}

TEST_F(GameClock, ResyncPutsTheMomentBackOnTheEarthClock) {
    start(0, kMidnight);
    tick(100);
    port.now = kMidnight + 7; // 175 game seconds
    app.onResync();
    EXPECT_TRUE(app.isTickerRunning());
    EXPECT_EQ(app.currentDate().min() * 60 + app.currentDate().sec(), 175);
}

TEST_F(GameClock, AFailedResyncOnlyPostsAndNeverWaitsOnTheUiThread) {
    start(0, kMidnight);
    port.failingTimerDelays.insert(200);
    port.clearCalls();
    app.onResync();
    // No box and no sent message from the timer thread: a teardown on the
    // UI thread may be waiting in timeKillEvent for this very callback.
    EXPECT_TRUE(port.messageBoxes().empty());
    EXPECT_TRUE(port.callsStartingWith("sendMessage").empty());
    const auto posted = port.postedMessages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].hwnd, Hwnd{66});
    EXPECT_EQ(posted[0].msg, kWmClockLost);
}

TEST_F(GameClock, ATickWithoutMainWindowPostsNothing) {
    start(0, kBeforePhase7);
    app.setMainWindow(Hwnd{});
    tick(5);
    EXPECT_TRUE(port.postedMessages().empty());
    EXPECT_EQ(app.currentDate().getLunarIndex(), 7);
}

TEST_F(GameClock, ModeTwoNeedsA40MsDevice) {
    port.devCaps = TimeCaps{50, 1000};
    writeBytes(dir / "orbel.ini", "[Settings]\r\ntsmode=2\r\n");
    port.moduleFileName = (dir.path() / "orbel.exe").string();
    app.initPaths();
    app.loadSettings();
    EXPECT_EQ(app.setupTimerPeriod(), 2u);
    app.setTsMode(0);
    EXPECT_EQ(app.setupTimerPeriod(), 0u);
    EXPECT_EQ(app.timerResolution(), 50u);
}

// The UI thread switches modes and restarts while the ticker runs every
// millisecond and the resync every 3 ms on the real timer thread, and a
// reader copies the texts. Each copy must be one whole rendering of one mode.
TEST(GameClockThreads, StressSwitchingModesWhileTicking) {
    TempDir dir;
    FakePort port;
    TimerService service;
    port.useTimerService(&service);
    port.moduleFileName = (dir.path() / "orbel.exe").string();
    port.now = kMidnight;
    COrbelApp app(port);
    app.initPaths();
    app.loadSettings();
    app.setMainWindow(Hwnd{0x42});
    AppTestAccess::setTickPeriod(app, 1);
    ASSERT_EQ(app.startTicker(), 0u);
    const unsigned resync = port.timeSetEvent(
        3, 1, [](unsigned, void* a) { static_cast<COrbelApp*>(a)->onResync(); }, &app,
        kTimePeriodic);
    ASSERT_NE(resync, 0u);

    const std::regex mode0("944/04/\\d\\d（.+） \\d\\d:\\d\\d <.+\\(\\d\\)>");
    const std::regex mode2("944/04/\\d\\d\\(.+\\) \\d\\d:\\d\\d:\\d\\d <.+\\(\\d\\)>");
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> seen{0};
    std::thread reader([&] {
        while (!done) {
            const std::string tip = app.getTipText();
            if (tip.empty()) continue;
            ++seen;
            if (!std::regex_match(tip, mode0) && !std::regex_match(tip, mode2)) ++torn;
            (void)app.getGameLineText();
            (void)app.currentDate();
        }
    });
    for (int i = 0; i < 60; ++i) {
        app.stopTicker();
        app.setTsMode(i % 2 == 0 ? 2 : 0);
        AppTestAccess::setTickPeriod(app, 1);
        app.startTicker();
        app.restartTicker();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done = true;
    reader.join();
    port.timeKillEvent(resync);
    app.stopTicker();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(seen.load(), 0);
}

} // namespace
} // namespace orbel
