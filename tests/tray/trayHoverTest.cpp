// The tray icon's location and the hover check, also on a timer thread.
#include "tray/trayHover.h"

#include "app/orbelApp.h"
#include "common/timerService.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"
#include "tray/notifyIconData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace orbel {
namespace {

constexpr std::time_t kMidnight = 1796515200; // a game day starts here
constexpr LResult kButton24x22 = (22 << 16) | 24;
const Rect kIcon{1024, 740, 1048, 762}; // the button at client (30, 5)

class TrayHover : public ::testing::Test {
protected:
    static constexpr Hwnd kTaskbar{0x900}, kNotifyArea{0x901}, kPager{0x902}, kToolbar{0x903},
        kTooltip{0x904};

    // The toolbar's client area starts three pixels right of its window, so
    // a grid taken from the client origin would be off by three.
    TrayHover() {
        port.foreignWindowProc = [this](Hwnd hwnd, unsigned msg, WParam, LParam) -> LResult {
            if (hwnd == kTooltip && msg == kTtmUpdate) ++tooltipUpdates;
            if (hwnd != kToolbar) return 0;
            return msg == kTbGetButtonSize ? buttonSize.load()
                   : msg == kTbGetTooltips ? static_cast<LResult>(kTooltip)
                                           : 0;
        };
        port.windowRects[kToolbar] = Rect{1000, 740, 1240, 784};
        port.clientOrigins[kToolbar] = Point{1003, 742};
        port.topWindows["Shell_TrayWnd"] = kTaskbar;
        port.childWindows[{kTaskbar, "TrayNotifyWnd"}] = kNotifyArea;
        port.childWindows[{kNotifyArea, "SysPager"}] = kPager;
        port.childWindows[{kPager, "ToolbarWindow32"}] = kToolbar;
    }
    void start(int mode, bool tipUpdate, bool hostHovers = true) {
        port.hostReportsHover = hostHovers;
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        port.now = kMidnight;
        port.devCaps = TimeCaps{10, 1000000};
        app.initPaths();
        app.setTsMode(mode);
        app.setTipUpdate(tipUpdate);
        ASSERT_EQ(app.setupTimerPeriod(), 0u);
        ASSERT_EQ(app.startTicker(), 0u);
        ASSERT_TRUE(port.fireTimer(port.activeTimers().at(0).id));
        app.stopTicker();
        ASSERT_FALSE(app.getTipText().empty());
        hover.emplace(app, record);
    }
    std::vector<std::string> tipsSent() const {
        std::vector<std::string> out;
        for (const auto& c : port.notifyCalls()) {
            EXPECT_TRUE(c.message == kNimModify && c.data.uFlags == kNifTip);
            out.emplace_back(c.data.szTip);
        }
        return out;
    }
    void runThreaded(ManualClock& clock, TimerService& service, int ms) {
        for (int i = 0; i < ms / 40; ++i)
            advanceAndSettle(clock, service, std::chrono::milliseconds(40));
    }

    std::atomic<LResult> buttonSize{kButton24x22};
    std::atomic<int> tooltipUpdates{0};
    test::TempDir dir;
    FakePort port;
    COrbelApp app{port};
    CNotifyIconData record{port};
    std::optional<CTrayHover> hover;
};

TEST_F(TrayHover, ToolbarAndTheIconRectUnderTheCursorInAGridFromTheWindowCorner) {
    start(2, true);
    const std::pair<Point, Rect> rows[] = {
        {{30, 5}, kIcon}, // column 1, row 0
        {{71, 43}, {1048, 762, 1072, 784}},
        // Division truncates toward zero: just outside the client area is
        // still the first column or row, one button further is -1.
        {{-10, -5}, {1000, 740, 1024, 762}},
        {{-30, 5}, {976, 740, 1000, 762}},
        {{5, -23}, {1000, 718, 1024, 740}},
    };
    for (const auto& [client, expected] : rows) {
        SCOPED_TRACE(::testing::Message() << client.x << "," << client.y);
        hover->updateIconRect(1003 + client.x, 742 + client.y);
        EXPECT_EQ(hover->iconRect(), expected);
    }
    for (LResult size : {LResult{24}, LResult{22 << 16}, LResult{-1}}) {
        hover->updateIconRect(1033, 747);
        ASSERT_EQ(hover->iconRect(), kIcon);
        buttonSize = size;
        if (size == -1) port.topWindows.clear();
        hover->updateIconRect(1033, 747);
        EXPECT_EQ(hover->iconRect(), Rect{});
        buttonSize = kButton24x22;
    }
    // Nothing happens with the icon unknown (an all-zero rectangle contains
    // no point, not even the origin) or the menu open.
    port.cursor = Point{};
    hover->hoverCheck();
    port.topWindows["Shell_TrayWnd"] = kTaskbar;
    port.cursor = Point{1033, 747};
    hover->updateIconRect(1033, 747);
    hover->setMenuOpen(true);
    hover->hoverCheck();
    EXPECT_TRUE(port.notifyCalls().empty());
    EXPECT_EQ(tooltipUpdates, 0);
    port.iconRect = Rect{1800, 1050, 1822, 1072};
    port.clearCalls();
    hover->updateIconRect(1033, 747);
    EXPECT_EQ(hover->iconRect(), port.iconRect);
    EXPECT_TRUE(port.callsStartingWith("sendMessage").empty());

    port.childWindows.erase({kNotifyArea, "SysPager"});
    EXPECT_TRUE(isNull(hover->findTrayToolbar())); // under the pager, or directly
    port.childWindows[{kNotifyArea, "ToolbarWindow32"}] = kToolbar;
    EXPECT_EQ(hover->findTrayToolbar(), kToolbar);
    port.childWindows[{kNotifyArea, "SysPager"}] = kPager;
    port.childWindows.erase({kPager, "ToolbarWindow32"});
    EXPECT_TRUE(isNull(hover->findTrayToolbar())); // a pager hides the direct one
    port.childWindows.erase({kTaskbar, "TrayNotifyWnd"});
    EXPECT_TRUE(isNull(hover->findTrayToolbar()));

    ASSERT_EQ(hover->startTimer(), 0u);
    app.setTsMode(0); // a restart with another period replaces the running timer
    ASSERT_EQ(hover->startTimer(), 0u);
    EXPECT_EQ(port.activeTimers().size(), 1u);
    hover.reset();
    EXPECT_TRUE(port.activeTimers().empty());

    hover.emplace(app, record);
    port.failingTimerDelays = {2400};
    EXPECT_EQ(hover->startTimer(), 4u);
    EXPECT_EQ(hover->timerId(), 0u);
    port.clearCalls();
    hover->stopTimer();
    EXPECT_TRUE(port.callsStartingWith("timeKillEvent").empty());
}

TEST_F(TrayHover, TimerPeriodAndCheckByModeAndPlace) {
    struct Row {
        int mode;
        bool tipUpdate;
        std::optional<Point> cursor; // the icon is (1024, 740)-(1048, 762)
        bool text, redraw;
        unsigned period;
        bool hostHovers = true;
    };
    const Row rows[] = {
        {0, true, Point{1047, 761}, true, true, 2400},
        {0, true, Point{1048, 747}, true, false, 2400},
        {0, false, Point{1047, 761}, true, false, 2400},
        {2, true, Point{1024, 740}, true, true, 40},
        {2, true, Point{1048, 747}, false, false, 40},
        {2, false, Point{1030, 750}, true, false, 2400},
        {2, false, Point{1030, 762}, false, false, 2400},
        {2, true, std::nullopt, false, false, 40}, // the cursor unread
        // A host without hover shows the text whenever it likes: it is
        // renewed once a second wherever the cursor is, and without one (Wayland).
        {2, true, Point{500, 500}, true, false, 1000, false},
        {2, false, std::nullopt, true, false, 1000, false},
        {0, true, std::nullopt, true, false, 1000, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << &row - rows);
        start(row.mode, row.tipUpdate, row.hostHovers);
        const int updatesBefore = tooltipUpdates;
        const std::size_t tipsBefore = port.notifyCalls().size();
        hover->updateIconRect(1033, 747);
        port.cursor = row.cursor;
        port.clearCalls();
        ASSERT_EQ(hover->startTimer(), 0u);
        const std::string set = "timeSetEvent(" + std::to_string(row.period) + ",10,periodic)";
        EXPECT_EQ(port.callsStartingWith(set).size(), 1u);
        const unsigned id = hover->timerId();
        ASSERT_TRUE(port.fireTimer(id));
        const auto tips = tipsSent();
        EXPECT_EQ(std::vector(tips.begin() + std::ptrdiff_t(tipsBefore), tips.end()),
                  row.text ? std::vector{app.getTipText()} : std::vector<std::string>{});
        EXPECT_EQ(tooltipUpdates - updatesBefore, row.redraw ? 1 : 0);
        hover->stopTimer();
        EXPECT_EQ(hover->timerId(), 0u);
        EXPECT_FALSE(port.fireTimer(id));
    }
}

// First mode 2 on a host without hover: one text a second, each 25 game
// seconds after the one before, so never older than that second. Then the
// UI thread changes the icon and moves the rectangle on and off the cursor
// meanwhile: no use of the record may get mixed with another (TSan).
TEST_F(TrayHover, OnTheTimerThread) {
    ManualClock clock;
    TimerService service(clock);
    start(2, true, false);
    port.useTimerService(&service);
    ASSERT_EQ(app.startTicker(), 0u);
    ASSERT_EQ(hover->startTimer(), 0u);
    runThreaded(clock, service, 60000);
    hover->stopTimer();
    const auto tips = tipsSent();
    ASSERT_EQ(tips.size(), 60u);
    const auto secondOf = [](const std::string& tip) {
        std::smatch m;
        EXPECT_TRUE(std::regex_search(tip, m, std::regex("\\d\\d:(\\d\\d):(\\d\\d)"))) << tip;
        return m.empty() ? 0 : std::stoi(m[1]) * 60 + std::stoi(m[2]);
    };
    for (std::size_t i = 1; i < tips.size(); ++i)
        EXPECT_EQ((secondOf(tips[i]) - secondOf(tips[i - 1]) + 3600) % 3600, 25) << tips[i];

    app.stopTicker();
    port.useTimerService(nullptr);
    start(2, true);
    port.useTimerService(&service);
    ASSERT_EQ(app.startTicker(), 0u);
    port.cursor = Point{1010, 745};
    hover->updateIconRect(1010, 745); // column 0 holds the cursor
    ASSERT_EQ(hover->startTimer(), 0u);
    std::atomic<bool> done{false};
    std::thread driver([&] {
        runThreaded(clock, service, 12000);
        done = true;
    });
    const HIcon icons[] = {HIcon{0x501}, HIcon{0x502}, HIcon{0x503}};
    std::vector<HIcon> sentIcons;
    for (int i = 0; !done; ++i) {
        record.modifyIcon(icons[i % 3]);
        sentIcons.push_back(icons[i % 3]);
        hover->updateIconRect(i % 2 ? 1040 : 1010, 745);
    }
    driver.join();
    hover->updateIconRect(1010, 745);
    runThreaded(clock, service, 40);
    hover->stopTimer();
    app.stopTicker();
    port.useTimerService(nullptr);

    const auto digitsAsZero = [](const std::string& s) {
        return std::regex_replace(s, std::regex("\\d"), "0");
    };
    const std::string shape = digitsAsZero(app.getTipText());
    std::vector<HIcon> seenIcons;
    for (const auto& c : port.notifyCalls()) {
        ASSERT_TRUE(c.data.uFlags == kNifIcon || c.data.uFlags == kNifTip) << c.data.uFlags;
        if (c.data.uFlags == kNifIcon)
            seenIcons.push_back(c.data.hIcon);
        else
            EXPECT_EQ(digitsAsZero(c.data.szTip), shape);
    }
    EXPECT_EQ(seenIcons, sentIcons);
    EXPECT_GT(tooltipUpdates, 0); // a redraw only ever follows a text
}

} // namespace
} // namespace orbel
