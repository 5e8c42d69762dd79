// The game clock: ticks fired by hand, and for the stress test on a real
// timer service.
#include "common/timerService.h"
#include "tests/support/appAccess.h"
#include "tests/support/appCases.h"

#include <atomic>
#include <memory>
#include <regex>
#include <thread>
#include <tuple>

namespace orbel {
namespace {

using namespace test;
using Texts = std::vector<std::string>;

// 944/04/06 00:00:00: weekday 7 (闇), lunar age 47: 満月 (6), its 6th day.
// A game day lasts 3456 Earth seconds.
constexpr std::time_t kMidnight = 1796515200;
// 944/04/07 23:59:35: the next day (age 49) begins phase 7 on weekday 1.
constexpr std::time_t kBeforePhase7 = kMidnight + 2 * 3456 - 1;

class GameClock : public ProgramCase {
protected:
    ~GameClock() override { app.reset(); } // its timers may run on the service
    void start(int mode, std::time_t now, bool realTimers = false) {
        fresh().now = now;
        if (realTimers) port->useTimerService((service = std::make_unique<TimerService>()).get());
        putSettings("[Settings]\r\ntsmode=" + std::to_string(mode) + "\r\n");
        app = std::make_unique<COrbelApp>(*port);
        app->initPaths();
        app->loadSettings();
        ASSERT_EQ(app->setupTimerPeriod(), 0u);
        app->setMainWindow(kMain);
        ASSERT_EQ(app->startTicker(), 0u);
    }
    void tick(int n) {
        const auto ticker = port->timerWithDelay(app->tsMode() == 2 ? 40 : 200);
        ASSERT_TRUE(ticker);
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(port->fireTimer(ticker->id));
    }
    using Posts = std::vector<std::tuple<Hwnd, unsigned, WParam, LParam>>;
    Posts posts() const {
        Posts all;
        for (const auto& p : port->postedMessages())
            all.emplace_back(p.hwnd, p.msg, p.wParam, p.lParam);
        return all;
    }
    Texts texts() const {
        return {app->getTipText(), app->getGameLineText(), app->getEarthLineText()};
    }

    static constexpr Hwnd kMain{0x42};
    std::unique_ptr<TimerService> service;
};

// Modes 0 and 1 tick 5 game seconds every 200 ms, mode 2 one every 40 ms,
// any other mode like mode 0. The texts are empty until the first tick.
TEST_F(GameClock, OneEarthSecondOfTicksInEachMode) {
    const Texts mode0 = {"944/04/06（闇） 00:00 <満月(6)>",
                         "Orithaven : 944/04/06(闇) 00:00 <満月>",
                         "     Earth : 2026/12/06 09:00:01"};
    for (int mode : {0, 3, -1, 7}) {
        start(mode, kMidnight);
        EXPECT_EQ(texts(), Texts(3, ""));
        tick(5);
        EXPECT_EQ(texts(), mode0) << mode;
        EXPECT_EQ(app->currentDate().sec(), 25);
    }
    start(1, kMidnight);
    tick(5);
    EXPECT_EQ(app->getTipText(), "944/4/6（闇） 0:00 <満月(6)>"); // every mode's lines: CliNow
    start(2, kMidnight);
    tick(25);
    EXPECT_EQ(texts(), (Texts{"944/04/06(闇) 00:00:25 <満月(6)>", "Orithaven : 944/04/06 00:00:25",
                              "     Earth : 2026/12/06 09:00:01"}));
}

TEST_F(GameClock, ChangesPostInOrderOnceRestartsAndResyncsFollowTheEarthClockSilently) {
    start(0, kBeforePhase7);
    tick(5); // 00:00:00 of phase 7, nothing before
    const WParam phase7 = (7u << 16) | 1u;
    EXPECT_EQ(posts(), (Posts{{kMain, kWmApp + 3, phase7, 255},
                              {kMain, kWmApp + 2, phase7, 255},
                              {kMain, kWmApp + 1, phase7, LParam(app->notification())}}));
    tick(720);                     // the rest of the game hour
    EXPECT_EQ(posts().size(), 4u); // one more hour change only
    EXPECT_EQ(std::get<1>(posts().back()), kWmApp + 3);

    // 944/04/06 23:59:35 -> 944/04/07: same phase (age 47 -> 48).
    start(2, kMidnight + 3455);
    tick(25);
    const WParam phase6 = (6u << 16) | (6u << 8);
    EXPECT_EQ(posts(), (Posts{{kMain, kWmApp + 3, phase6, 255}, {kMain, kWmApp + 2, phase6, 255}}));

    start(0, kBeforePhase7);
    port->now = kBeforePhase7 + 10;
    ASSERT_EQ(app->restartTicker(), 0u);
    tick(1);
    EXPECT_TRUE(port->postedMessages().empty());
    EXPECT_EQ(app->currentDate().getLunarIndex(), 7);

    start(0, kBeforePhase7);
    app->setMainWindow(Hwnd{});
    tick(5);
    EXPECT_TRUE(port->postedMessages().empty());
    EXPECT_EQ(app->currentDate().getLunarIndex(), 7);

    // A resync puts the moment back on the Earth clock; once stopped, a
    // resync starts nothing and a second stop kills nothing.
    start(0, kMidnight);
    tick(100);
    port->now = kMidnight + 7; // 175 game seconds
    app->onResync();
    EXPECT_TRUE(app->isTickerRunning());
    EXPECT_EQ(app->currentDate().min() * 60 + app->currentDate().sec(), 175);
    app->stopTicker();
    const auto calls = port->calls().size();
    app->stopTicker();
    app->onResync();
    EXPECT_FALSE(app->isTickerRunning());
    EXPECT_EQ(port->calls().size(), calls);

    // A failed resync shows no box and sends nothing from the timer thread:
    // a teardown on the UI thread may be waiting in timeKillEvent for it.
    start(0, kMidnight);
    port->failingTimerDelays.insert(200);
    app->onResync();
    EXPECT_TRUE(port->messageBoxes().empty());
    EXPECT_TRUE(port->callsStartingWith("sendMessage").empty());
    EXPECT_EQ(posts(), (Posts{{kMain, kWmClockLost, 0, 0}}));
}

// The UI thread switches modes and restarts while the ticker runs every
// millisecond and the resync every 3 ms on the real timer thread, and a
// reader copies the texts. Each copy must be one whole rendering of one mode.
TEST_F(GameClock, StressSwitchingModesWhileTicking) {
    start(0, kMidnight, true);
    const unsigned resync = port->timeSetEvent(
        3, 1, [](unsigned, void* a) { static_cast<COrbelApp*>(a)->onResync(); }, app.get(),
        kTimePeriodic);
    ASSERT_NE(resync, 0u);

    const std::regex whole(R"(944/04/\d\d(（.+） \d\d:\d\d|\(.+\) \d\d:\d\d:\d\d) <.+\(\d\)>)");
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, seen{0};
    std::thread reader([&] {
        while (!done) {
            const std::string tip = app->getTipText();
            if (tip.empty()) continue;
            ++seen;
            if (!std::regex_match(tip, whole)) ++torn;
            (void)app->getGameLineText();
            (void)app->currentDate();
        }
    });
    for (int i = 0; i < 60; ++i) {
        app->stopTicker();
        app->setTsMode(i % 2 == 0 ? 2 : 0);
        AppTestAccess::setTickPeriod(*app, 1);
        app->startTicker();
        app->restartTicker();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done = true;
    reader.join();
    port->timeKillEvent(resync);
    app->stopTicker();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(seen.load(), 0);
}

} // namespace
} // namespace orbel
