// The detail window on the fake port: its texts, redraws, refresh period,
// icon, shutdown order, fatal timer failure, and (on a real timer thread)
// paints that never copy a half-drawn surface.
#include "detail/detailDlg.h"

#include "app/orbelApp.h"
#include "common/timerService.h"
#include "ports/fake/fakePort.h"
#include "tests/support/calendarDialogs.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace orbel {

// Readable failures: the text (CP932 bytes as they are), its box and weight.
void PrintTo(const FakePort::DrawnText& t, std::ostream* os) {
    *os << (t.bold ? "bold " : "") << "(" << t.rect.left << "," << t.rect.top << "," << t.rect.right
        << "," << t.rect.bottom << ") \"" << t.text << "\"";
}

namespace {

using Texts = std::vector<FakePort::DrawnText>;

constexpr Hwnd kMain{0x42};
// 2026-12-06T00:00:00Z (09:00 in Tokyo) is 944/04/06 00:00:00, lunar age 47:
// 満月, its 6th day; phase 7 begins with day 339577 at 10:55 Tokyo time.
constexpr std::time_t kMidnight = 1796515200;
// 2026-12-07T12:00:00Z: noon of day 339612, lunar age 0 (新月).
constexpr std::time_t kNewMoon = kMidnight + 37 * 3456 + 3456 / 2;
// The text area 1006 (33,7 151x74) and the first line 1010 (151x15), in
// the fake's two pixels per dialog unit.
const Rect kPhaseRect{0, 0, 302, 30};
const Rect kBodyRect{0, 30, 302, 148};

// A surface that draws slowly, so that a paint arriving in the middle of a
// redraw is likely rather than rare.
class SlowDrawPort : public FakePort {
public:
    bool drawSurfaceText(HSurface surface, std::string_view text, const Rect& rect,
                         bool bold) override {
        if (slow) std::this_thread::sleep_for(std::chrono::microseconds(100));
        return FakePort::drawSurfaceText(surface, text, rect, bold);
    }
    std::atomic<bool> slow{false};
};

class DetailDlgTest : public ::testing::Test {
protected:
    void start(int mode, bool realTimers = false) {
        test::writeBytes(dir / "orbel.ini",
                         "[Settings]\r\ntsmode=" + std::to_string(mode) + "\r\n");
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        port.now = kMidnight;
        app.initPaths();
        app.loadSettings();
        app.setMainWindow(kMain);
        ASSERT_EQ(app.setupTimerPeriod(), 0u);
        ASSERT_EQ(app.startTicker(), 0u);
        if (!realTimers) tickerId = port.activeTimers().at(0).id;
    }
    void tick(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(port.fireTimer(tickerId));
    }
    LResult run(std::function<void(Hwnd)> script) {
        return test::runModal(port, *dlg, std::move(script));
    }
    void send(Hwnd h, unsigned msg, WParam wParam = 0) { port.sendMessage(h, msg, wParam, 0); }
    Texts drawn() const { return port.surfaceTexts(dlg->surface()); }
    // Where the first call starting with `prefix` is in `calls` (its size if none).
    static std::size_t indexOf(const std::vector<std::string>& calls, const std::string& prefix) {
        return std::find_if(calls.begin(), calls.end(),
                            [&](const std::string& c) { return c.starts_with(prefix); }) -
               calls.begin();
    }
    std::string handle(auto h) const { return std::to_string(static_cast<std::uintptr_t>(h)); }

    test::TempDir dir;
    SlowDrawPort port;
    COrbelApp app{port};
    std::unique_ptr<CDetailDlg> dlg = std::make_unique<CDetailDlg>(app, kMain);
    unsigned tickerId = 0;
};

TEST_F(DetailDlgTest, DrawsTheBoldPhaseLineAndTheBodyAndBlitsThemAtTheTextArea) {
    start(0);
    tick(5);
    const std::string body = "Orithaven : 944/04/06(闇) 00:00 <満月>\r\n"
                             "     Earth : 2026/12/06 09:00:01\r\n\r\n"
                             "月齢替わり : 12/06(日) 10:55  [炎] 立待月\r\n\r\n"
                             "次の新月 : 12/07(月) 20:31 [土] → 03:14 [水]\r\n"
                             "次の満月 : 12/09(水) 12:50 [氷] → 19:33 [土]\r\n";
    const LResult result = run([&](Hwnd h) {
        EXPECT_EQ(drawn(), (Texts{{"満月 6日目", kPhaseRect, true}, {body, kBodyRect, false}}));
        send(h, kWmPaint);
        send(h, kWmCommand, kIdOkCommand);
    });
    EXPECT_EQ(result, kIdOk);
    ASSERT_EQ(port.blits().size(), 1u);
    const std::string h = handle(port.blits()[0].hwnd);
    EXPECT_FALSE(port.callsStartingWith("createSurface(" + h + ",302x148)").empty());
    EXPECT_FALSE(port.callsStartingWith("invalidateRect(" + h + ",66,14,368,162,noerase)").empty());
    EXPECT_EQ(port.blits()[0].at, (Point{66, 14}));
    EXPECT_EQ(port.blits()[0].texts.size(), 2u);
}

TEST_F(DetailDlgTest, EveryRefreshTickRedrawsWhatTheClockShowsNow) {
    start(2);
    tick(1);
    run([&](Hwnd h) {
        const unsigned id = dlg->refreshTimerId();
        std::string before = drawn().at(1).text;
        for (int i = 0; i < 3; ++i) {
            tick(1); // one game second: the mode-2 lines show seconds
            ASSERT_TRUE(port.fireTimer(id));
            const Texts now = drawn();
            ASSERT_EQ(now.size(), 2u);
            EXPECT_NE(now[1].text, before);
            EXPECT_TRUE(now[1].text.starts_with(app.getGameLineText() + "\r\n" +
                                                app.getEarthLineText() + "\r\n\r\n"));
            before = now[1].text;
        }
        EXPECT_EQ(port.callsStartingWith("invalidateRect").size(), 4u); // opening + 3 ticks
        send(h, kWmClose);
    });
}

class DetailPeriod : public DetailDlgTest, public ::testing::WithParamInterface<int> {};

TEST_P(DetailPeriod, FollowsTheClockTick) {
    start(GetParam());
    run([&](Hwnd h) {
        EXPECT_EQ(port.callsStartingWith("timeSetEvent").back(),
                  std::string("timeSetEvent(") + (GetParam() == 2 ? "40" : "200") +
                      ",1,periodic)=" + std::to_string(dlg->refreshTimerId()));
        send(h, kWmClose);
    });
}
INSTANTIATE_TEST_SUITE_P(Modes, DetailPeriod, ::testing::Values(0, 1, 2));

TEST_F(DetailDlgTest, PhaseChangeMessageReplacesTheIconAndTheDialogReleasesItsResources) {
    start(0);
    run([&](Hwnd h) {
        const HIcon first = dlg->icon();
        EXPECT_EQ(port.controlState(h, CDetailDlg::kIdcIcon)->icon, first);
        EXPECT_EQ(port.callsStartingWith("loadImage").back(), "loadImage(exe,108,32x32,flags=64)");
        port.now = kNewMoon;
        send(h, kWmApp + 1);
        EXPECT_NE(dlg->icon(), first);
        EXPECT_EQ(port.controlState(h, CDetailDlg::kIdcIcon)->icon, dlg->icon());
        EXPECT_EQ(port.callsStartingWith("loadImage").back(), "loadImage(exe,102,32x32,flags=64)");
        EXPECT_EQ(port.callsStartingWith("destroyIcon").back(),
                  "destroyIcon(" + handle(first) + ")");
        EXPECT_EQ(port.liveIcons(), 1u);
        send(h, kWmCommand, kIdCancelCommand);
    });
    dlg.reset();
    EXPECT_EQ(port.liveIcons() + port.liveSurfaces(), 0u);
}

class DetailClose : public DetailDlgTest,
                    public ::testing::WithParamInterface<std::pair<unsigned, WParam>> {};

TEST_P(DetailClose, StopsTheRefreshTimerBeforeTheDialogEnds) {
    start(0);
    unsigned id = 0;
    const LResult result = run([&](Hwnd h) {
        id = dlg->refreshTimerId();
        send(h, GetParam().first, GetParam().second);
    });
    EXPECT_EQ(result, test::closeResult(GetParam()));
    const auto calls = port.calls();
    const std::size_t kill = indexOf(calls, "timeKillEvent(" + std::to_string(id) + ")");
    ASSERT_LT(kill, calls.size());
    EXPECT_LT(kill, indexOf(calls, "endDialog("));
    EXPECT_FALSE(port.fireTimer(id));
    EXPECT_EQ(port.callsStartingWith("invalidateRect").size(), 1u);
}
INSTANTIATE_TEST_SUITE_P(EnterEscapeCloseBox, DetailClose, ::testing::ValuesIn(test::kCloseWays));

TEST_F(DetailDlgTest, WithoutARefreshTimerTheProgramEndsWithCode4) {
    start(0);
    port.failingTimerDelays = {200};
    port.onIdle = [](FakePort&) { return false; };
    EXPECT_EQ(dlg->DoModal(), 0);
    test::expectFatalEnd(port, 4, kMain);
}

// Redraws on the timer service's thread, driven as fast as a manual clock
// allows, while the UI thread paints: every blit shows a finished drawing,
// and closing stops the redraws for good although the clock keeps running.
TEST_F(DetailDlgTest, PaintsOnTheUiThreadNeverCopyAHalfDrawnSurface) {
    ManualClock clock;
    TimerService service(clock);
    port.useTimerService(&service);
    start(2, true);
    port.slow = true;
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0}; // each one a 40 ms step: a tick and a redraw
    std::thread driver([&] {
        while (!stop.load()) {
            clock.advance(std::chrono::milliseconds(40));
            service.waitIdle();
            ++rounds;
        }
    });
    int paints = 0;
    constexpr int kRedraws = 300;
    run([&](Hwnd h) {
        // Yielding between paints, as a real UI thread does between messages,
        // so that the redraws are not starved of the lock.
        for (const int openedAt = rounds.load(); rounds.load() < openedAt + kRedraws; ++paints) {
            send(h, kWmPaint);
            std::this_thread::yield();
        }
        send(h, kWmClose);
    });
    const std::size_t redrawsAtClose = port.callsStartingWith("invalidateRect").size();
    for (const int closedAt = rounds.load(); rounds.load() < closedAt + 50;)
        std::this_thread::yield();
    stop = true;
    driver.join();
    app.stopTicker();
    service.shutdown();

    EXPECT_GE(redrawsAtClose, static_cast<std::size_t>(kRedraws));
    EXPECT_EQ(port.callsStartingWith("invalidateRect").size(), redrawsAtClose);
    const auto blits = port.blits();
    ASSERT_EQ(blits.size(), static_cast<std::size_t>(paints));
    for (const auto& b : blits) {
        ASSERT_EQ(b.texts.size(), 2u) << "after " << b.fills << " fills";
        EXPECT_TRUE(b.texts[0].bold);
        EXPECT_EQ(b.texts[1].rect, kBodyRect);
    }
}

} // namespace
} // namespace orbel
