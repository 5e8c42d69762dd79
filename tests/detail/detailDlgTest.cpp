#include "detail/detailDlg.h"
#include "detail/detailText.h"

#include "app/orbelApp.h"
#include "common/timerService.h"
#include "ports/fake/fakePort.h"
#include "tests/support/calendarDialogs.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <thread>

namespace orbel {

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

// What a surface shows, line by line (top -> text, bold): what was drawn
// since its last whole fill, replayed in order; the fake's lines lie 12
// pixels apart.
std::map<int, std::pair<std::string, bool>> shownLines(const Texts& drawn) {
    std::map<int, std::pair<std::string, bool>> lines;
    for (const auto& t : drawn) {
        lines.erase(lines.lower_bound(t.rect.top),
                    lines.lower_bound(t.fill ? t.rect.bottom : t.rect.top));
        for (std::size_t from = 0, y = t.rect.top; !t.fill && from < t.text.size(); y += 12) {
            const std::size_t end = std::min(t.text.find("\r\n", from), t.text.size());
            if (end > from && static_cast<int>(y) < t.rect.bottom)
                lines[static_cast<int>(y)] = {t.text.substr(from, end - from), t.bold};
            from = end + 2;
        }
    }
    return lines;
}

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
    void start(int mode, std::time_t now = kMidnight, bool realTimers = false) {
        test::writeBytes(dir / "orbel.ini",
                         "[Settings]\r\ntsmode=" + std::to_string(mode) + "\r\n");
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        port.now = now;
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
    std::string handle(auto h) const { return std::to_string(static_cast<std::uintptr_t>(h)); }
    Texts wholeDrawing() const {
        const orlib::odate_t date = app.currentDate();
        return {{detailPhaseLine(date), kPhaseRect, true},
                {buildDetailText(date, app.getGameLineText(), app.getEarthLineText()), kBodyRect}};
    }

    test::TempDir dir;
    SlowDrawPort port;
    COrbelApp app{port};
    std::unique_ptr<CDetailDlg> dlg = std::make_unique<CDetailDlg>(app, kMain);
    unsigned tickerId = 0;
};

// Opened one Earth second before 09:00 in mode 2: each tick is a game
// second, and the 25th since the start also begins a new game day and Earth
// second.
TEST_F(DetailDlgTest, EachTickRedrawsOnlyTheLinesThatChangedAndAPhaseChangeTheIcon) {
    start(2, kMidnight - 1);
    tick(1); // the ticker's first texts
    run([&](Hwnd h) {
        const unsigned id = dlg->refreshTimerId();
        const Texts opened = drawn();
        EXPECT_EQ(opened, wholeDrawing());
        const std::string window = handle(h);
        EXPECT_FALSE(port.callsStartingWith("createSurface(" + window + ",302x148)").empty());
        send(h, kWmPaint);
        ASSERT_EQ(port.blits().size(), 1u);
        EXPECT_EQ(port.blits()[0].at, (Point{66, 14}));
        EXPECT_EQ(port.blits()[0].texts, opened);
        ASSERT_TRUE(port.fireTimer(id)); // the clock has not moved
        EXPECT_EQ(drawn(), opened);
        for (int i = 1; i <= 30; ++i) {
            tick(1);
            ASSERT_TRUE(port.fireTimer(id));
            ASSERT_EQ(shownLines(drawn()), shownLines(wholeDrawing())) << "tick " << i;
        }
        EXPECT_EQ(drawn().front(), opened.front()); // never a whole fill again
        std::map<std::string, int> repaints;
        for (const std::string& call : port.callsStartingWith("invalidateRect"))
            ++repaints[call];
        const auto area = [&](const char* rect) {
            return "invalidateRect(" + window + "," + rect + ",noerase)";
        };
        EXPECT_EQ(repaints, (std::map<std::string, int>{
                                {area("66,14,368,162"), 1},   // opening: the whole area
                                {area("66,44,368,56"), 29},   // the game line
                                {area("66,14,368,68"), 1}})); // phase, game and Earth lines
        // A phase change replaces the icon, whatever the clock showed before.
        const HIcon full = dlg->icon();
        EXPECT_EQ(port.controlState(h, CDetailDlg::kIdcIcon)->icon, full);
        EXPECT_EQ(port.callsStartingWith("loadImage").back(), "loadImage(exe,108,32x32,flags=64)");
        port.now = kNewMoon;
        send(h, kWmApp + 1);
        EXPECT_EQ(port.controlState(h, CDetailDlg::kIdcIcon)->icon, dlg->icon());
        EXPECT_EQ(port.callsStartingWith("loadImage").back(), "loadImage(exe,102,32x32,flags=64)");
        EXPECT_EQ(port.callsStartingWith("destroyIcon"),
                  std::vector<std::string>{"destroyIcon(" + handle(full) + ")"});
        send(h, kWmClose);
    });
    dlg.reset();
    EXPECT_EQ(port.liveIcons() + port.liveSurfaces(), 0u);
}

class DetailClose : public DetailDlgTest, public ::testing::WithParamInterface<int> {};

TEST_P(DetailClose, RefreshFollowsTheTickAndStopsBeforeTheDialogEnds) {
    const auto way = test::kCloseWays[GetParam()];
    start(GetParam());
    unsigned id = 0;
    const LResult result = run([&](Hwnd h) {
        id = dlg->refreshTimerId();
        EXPECT_EQ(port.callsStartingWith("timeSetEvent").back(),
                  std::string("timeSetEvent(") + (GetParam() == 2 ? "40" : "200") +
                      ",1,periodic)=" + std::to_string(id));
        send(h, way.first, way.second);
    });
    EXPECT_EQ(result, test::closeResult(way));
    std::vector<std::string> ends;
    for (const std::string& call : port.calls())
        if (call == "timeKillEvent(" + std::to_string(id) + ")" || call.starts_with("endDialog("))
            ends.push_back(call.substr(0, call.find('(')));
    EXPECT_EQ(ends, (std::vector<std::string>{"timeKillEvent", "endDialog"}));
    EXPECT_FALSE(port.fireTimer(id));
    EXPECT_EQ(port.callsStartingWith("invalidateRect").size(), 1u);
}
INSTANTIATE_TEST_SUITE_P(EnterEscapeCloseBox, DetailClose, ::testing::Range(0, 3));

TEST_F(DetailDlgTest, WithoutARefreshTimerTheProgramEndsWithCode4) {
    start(0);
    port.failingTimerDelays = {200};
    port.onIdle = [](FakePort&) { return false; };
    EXPECT_EQ(dlg->DoModal(), 0);
    test::expectFatalEnd(port, 4, kMain);
}

// The manual clock is driven as fast as it goes, and keeps running after
// the close.
TEST_F(DetailDlgTest, PaintsOnTheUiThreadNeverCopyAHalfDrawnSurface) {
    ManualClock clock;
    TimerService service(clock);
    port.useTimerService(&service);
    start(2, kMidnight, true);
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
    while (rounds.load() == 0) // the window opens on the ticker's first texts
        std::this_thread::yield();
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
    // Every copy shows as many lines as a whole drawing: none cleared and
    // not yet drawn again.
    for (const auto& b : blits)
        ASSERT_EQ(shownLines(b.texts).size(), shownLines(wholeDrawing()).size())
            << "after " << b.fills << " fills";
}

} // namespace
} // namespace orbel
