#include "popup/notifydlg.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"
#include "tests/support/trayCases.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace orbel {
namespace {

using test::num;
constexpr Hwnd kTaskbar{0x9000};
// "月表": the second character's trail byte is 0x5C.
constexpr const char* kTitle = "\x8C\x8E\x95\x5C";
using Timers = std::map<unsigned, unsigned>;

TEST(PopupMaths, SquareTaskbarsPeriodsAndTheToolWindowStyle) {
    // Squares off the origin count as right too.
    for (const Rect& square : {Rect{5, 5, 50, 50}, Rect{-8, -8, 40, 40}})
        EXPECT_EQ(getTaskbarEdge(square), kAbeRight) << square.left;
    // Periods truncate and never reach zero; the full and fast 30 ms ones
    // are seen in the cycles below.
    EXPECT_EQ((std::vector{slidePeriodMs(2400, 70), slidePeriodMs(50, 80), slidePeriodMs(-100, 80),
                           slidePeriodMs(2400, 0), fastPeriodMs(34), fastPeriodMs(9)}),
              (std::vector{34, 1, 1, 2400, 3, 1}));
    EXPECT_EQ(toolWindowExStyle(0x00040108u), 0x00000188u); // only the app-window bit goes
}

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.topWindows["Shell_TrayWnd"] = kTaskbar;
        app.log().setPath((dir / "orbel.log").string());
    }
    HIcon newIcon() {
        return port.createIconIndirect({gfx::Bitmap(32, 32, gfx::kWhite), gfx::Bitmap(32, 32)});
    }
    int show(const char* text = "body", int slideMs = 2400, int stayMs = 72000) {
        return popup->showNotification(slideMs, stayMs, kTitle, text, newIcon());
    }
    Hwnd hwnd() const { return popup->hwnd(); }
    FakePort::WindowState window() const { return port.windowState(hwnd()).value(); }
    void tick(unsigned id) { ASSERT_TRUE(port.fireWindowTimer(hwnd(), id)); }
    int ticksUntilStateChanges() {
        const int from = popup->state();
        int n = 0;
        while (popup->state() == from && n < 2000 && port.fireWindowTimer(hwnd(), 301))
            ++n;
        return n;
    }
    void send(unsigned msg, WParam wParam = 0) {
        port.postMessage(hwnd(), msg, wParam, 0);
        port.pumpMessages();
    }
    void expectHidden() {
        EXPECT_EQ(popup->state(), CSlideDlg::kIdle);
        EXPECT_FALSE(window().visible);
        EXPECT_TRUE(window().timers.empty());
        EXPECT_TRUE(port.isWindow(hwnd()));
    }

    test::TempDir dir;
    FakePort port;
    COrbelApp app{port};
    std::unique_ptr<CNotifyDlg> popup = std::make_unique<CNotifyDlg>(app);
};

TEST_F(PopupTest, StartsOutsideTheCornerAwayFromTheTaskbarStaysAndReturnsThere) {
    struct Row {
        std::string name;
        Rect taskbar, workArea;
    };
    std::vector<Row> rows{{"square tie", {0, 0, 0, 0}, {0, 0, 1920, 1040}}};
    for (const Rect s : {Rect{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}, {-1280, 200, 0, 1224}}) {
        const std::string at = " of " + std::to_string(s.left) + "," + std::to_string(s.top);
        const auto [l, t, r, b] = s;
        rows.push_back({"bottom" + at, {l, b - 40, r, b}, {l, t, r, b - 40}});
        rows.push_back({"top" + at, {l, t, r, t + 40}, {l, t + 40, r, b}});
        rows.push_back({"left" + at, {l, t, l + 60, b}, {l + 60, t, r, b}});
        rows.push_back({"right" + at, {r - 60, t, r, b}, {l, t, r - 60, b}});
    }
    const auto at = [](Point p) { return Rect{p.x, p.y, p.x + 300, p.y + 80}; };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Rect& wa = row.workArea;
        const bool down = row.name.starts_with("bottom");
        const bool leftCorner = row.name.starts_with("right") || row.name == "square tie";
        const Point start{leftCorner ? wa.left : wa.right - 300, down ? wa.top - 80 : wa.bottom};
        const int step = down ? 1 : -1;
        popup = std::make_unique<CNotifyDlg>(app);
        port.taskbarRect = row.taskbar;
        port.workArea = wa;
        ASSERT_EQ(show(), 0);
        EXPECT_EQ(popup->windowRect(), at(start));
        tick(301); // shown (flags 593), topmost, one step in
        EXPECT_EQ(port.callsStartingWith("setWindowPos").back(),
                  "setWindowPos(" + num(hwnd()) + ",after=" + num(kHwndTopmost) + "," +
                      std::to_string(start.x) + "," + std::to_string(start.y + step) +
                      ",flags=593)");
        EXPECT_EQ(ticksUntilStateChanges(), 79);
        EXPECT_EQ(window().rect, at({start.x, start.y + 80 * step}));
        EXPECT_EQ(window().timerPeriods, (Timers{{302, 72000}}));
        tick(302);
        EXPECT_EQ(window().timerPeriods, (Timers{{301, 30}}));
        EXPECT_EQ(ticksUntilStateChanges(), 80);
        EXPECT_EQ(window().rect, popup->windowRect());
        EXPECT_EQ(window().rect, at(start));
        expectHidden();
    }
}

TEST_F(PopupTest, ClickTurnsBackFastAndCloseEnterEscapeHideAtOnceInEveryState) {
    const std::tuple<const char*, unsigned, WParam> inputs[] = {
        {"click", kWmLButtonDown, 0},
        {"close", kWmClose, 0},
        {"enter", kWmCommand, kIdOkCommand},
        {"escape", kWmCommand, kIdCancelCommand}};
    for (const auto& [name, msg, wParam] : inputs) {
        for (int state : {CSlideDlg::kSlidingIn, CSlideDlg::kStaying, CSlideDlg::kSlidingOut}) {
            SCOPED_TRACE(::testing::Message() << name << " in state " << state);
            popup = std::make_unique<CNotifyDlg>(app);
            ASSERT_EQ(show(), 0);
            for (int i = 0; i < 10; ++i)
                tick(301);
            if (state >= CSlideDlg::kStaying) ticksUntilStateChanges();
            for (int i = 0; state == CSlideDlg::kSlidingOut && i < 3; ++i)
                tick(i == 0 ? 302 : 301);
            ASSERT_EQ(popup->state(), state);
            const int top = window().rect.top;
            send(msg, wParam);
            if (msg == kWmLButtonDown) {
                EXPECT_EQ(window().timerPeriods, (Timers{{301, 3}}));
                tick(301);
                EXPECT_EQ(window().rect.top, top - 5);
                send(msg); // a second click keeps the pace
                // Hidden once it no longer touches the work area.
                EXPECT_EQ(ticksUntilStateChanges(), (top + 80 - 5 + 4) / 5);
            }
            expectHidden();
            send(kWmLButtonDown); // a stray click on the hidden popup brings nothing back
            expectHidden();
        }
    }
}

// A popup without area could never be seen whole: its slide-in would never
// end.
TEST_F(PopupTest, WithoutTaskbarWorkAreaOrOwnAreaNothingStartsButTheContentIsSet) {
    const std::pair<const char*, void (*)(FakePort&)> rows[] = {
        {"no taskbar rectangle", [](FakePort& p) { p.taskbarRect.reset(); }},
        {"no work area", [](FakePort& p) { p.workArea.reset(); }},
        {"zero height", [](FakePort& p) { p.dialogHeight = 0; }},
        {"zero width", [](FakePort& p) { p.dialogWidth = 0; }},
        {"no taskbar", [](FakePort& p) { p.topWindows.erase("Shell_TrayWnd"); }},
    };
    const auto good =
        std::tuple(port.taskbarRect, port.workArea, port.dialogWidth, port.dialogHeight);
    for (const auto& [name, script] : rows) {
        SCOPED_TRACE(name);
        popup = std::make_unique<CNotifyDlg>(app);
        port.topWindows["Shell_TrayWnd"] = kTaskbar;
        std::tie(port.taskbarRect, port.workArea, port.dialogWidth, port.dialogHeight) = good;
        script(port);
        EXPECT_EQ(show("waiting"), -1);
        expectHidden();
        EXPECT_EQ(window().texts.at(1024), "waiting");
        EXPECT_EQ(window().texts.at(1030), kTitle);
        EXPECT_FALSE(isNull(popup->icon()));
    }
    // Once the taskbar is back, the kept window's slide-in resets the frame
    // bits of its style.
    port.setWindowLong(hwnd(), kGwlStyle, 0x5C0A1234u);
    port.topWindows["Shell_TrayWnd"] = kTaskbar;
    ASSERT_EQ(show(), 0);
    EXPECT_EQ(window().style, 0x90801234u);
}

TEST_F(PopupTest, FailedCreationKeepsTheIconThenOneWindowServesAllNotifications) {
    port.createDialogFails = true;
    EXPECT_EQ(show(), -1);
    EXPECT_TRUE(isNull(hwnd()));
    EXPECT_EQ(port.liveIcons(), 1u);
    port.createDialogFails = false;
    const HIcon icon = newIcon();
    ASSERT_EQ(popup->showNotification(2400, 72000, kTitle, "body", icon), 0);
    const Hwnd window0 = hwnd();
    const std::string h = num(window0);
    const std::string item = "sendDlgItemMessage(" + h;
    const HFont font = popup->titleFont();
    EXPECT_THAT(port.calls(),
                ::testing::IsSupersetOf(
                    {"createDialog(151,parent=0)=" + h, "createBoldFont(" + h + ",1030)",
                     item + ",1030,48," + num(font) + ")", item + ",1029,368," + num(icon) + ")"}));
    EXPECT_EQ(window().exStyle & (kWsExToolWindow | kWsExAppWindow), kWsExToolWindow);
    EXPECT_EQ(window().timerPeriods, (Timers{{301, 30}})); // waiting for the first tick
    EXPECT_FALSE(window().visible);
    for (int i = 0; i < 30; ++i)
        tick(301);
    port.clearCalls();
    ASSERT_EQ(show("second", 1200), 0);
    EXPECT_EQ(window().texts.at(1024), "second");
    EXPECT_THAT(port.calls(), ::testing::Contains("destroyIcon(" + num(icon) + ")"));
    EXPECT_TRUE(port.callsStartingWith("setTimer").empty());
    EXPECT_EQ(window().rect.top, -50);
    EXPECT_EQ(ticksUntilStateChanges(), 50); // still 30 ms a pixel
    EXPECT_EQ(window().timerPeriods.at(302), 72000u);
    EXPECT_EQ(port.liveIcons(), 1u);
    // The next start takes the durations stored meanwhile and a moved taskbar.
    ASSERT_EQ(show("b", 1200, 1000), 0);
    send(kWmCommand, kIdCancelCommand);
    port.taskbarRect = Rect{0, 0, 1920, 40};
    port.workArea = Rect{0, 40, 1920, 1080};
    ASSERT_EQ(show("c", 1200, 1000), 0);
    EXPECT_EQ(window().timerPeriods.at(301), 15u);
    EXPECT_EQ(popup->baseStep(), (Point{0, -1}));
    EXPECT_EQ(popup->windowRect().top, 1080);
    EXPECT_TRUE(port.callsStartingWith("createDialog").empty());
    popup.reset();
    EXPECT_FALSE(port.isWindow(window0));
    EXPECT_EQ(port.liveIcons(), 0u);
    EXPECT_EQ(port.callsStartingWith("deleteFont"),
              std::vector<std::string>{"deleteFont(" + num(font) + ")"});
    // Without a bold font the title keeps its own.
    port.boldFontFails = true;
    popup = std::make_unique<CNotifyDlg>(app);
    ASSERT_EQ(show(), 0);
    EXPECT_TRUE(port.callsStartingWith("sendDlgItemMessage(" + num(hwnd()) + ",1030").empty());
    popup.reset();
    EXPECT_EQ(port.callsStartingWith("deleteFont").size(), 1u);
}

TEST_F(PopupTest, ScreenSaverIsAskedPerVersionClassAndMovesThePopupBelowTheForeground) {
    const Hwnd saver{0x4242};
    const std::tuple<OsVersionInfo, Hwnd, bool> cases[] = {
        {{4, 0, 0, kVerPlatformWin32Windows}, saver, false},               // class 16
        {{4, 10, 0, kVerPlatformWin32Windows}, saver, true},               // class 32
        {{4, 90, 0, kVerPlatformWin32Windows}, saver, true},               // class 48
        {{4, 0, 0, kVerPlatformWin32Nt}, saver, false},                    // class 64
        {{6, 1, 0, kVerPlatformWin32Nt, kVerNtWorkstation}, saver, true},  // class 96
        {{6, 1, 0, kVerPlatformWin32Nt, kVerNtWorkstation}, Hwnd{}, true}, // no foreground window
    };
    port.screenSaverRunning = true;
    for (const auto& [os, foreground, asks] : cases) {
        port.osVersion = os;
        port.foreground = foreground;
        COrbelApp own(port);
        CNotifyDlg p(own);
        ASSERT_EQ(p.showNotification(2400, 72000, kTitle, "x", HIcon{}), 0);
        port.clearCalls();
        ASSERT_TRUE(port.fireWindowTimer(p.hwnd(), 301));
        EXPECT_EQ(port.callsStartingWith("getScreenSaverRunning").size(), asks ? 1u : 0u);
        EXPECT_EQ(port.windowState(p.hwnd())->insertAfter,
                  asks && !isNull(foreground) ? saver : kHwndTopmost);
    }
    // A failed query counts as none and logs one line a tick.
    port.foreground = saver;
    port.screenSaverRunning.reset();
    ASSERT_EQ(show(), 0);
    EXPECT_TRUE(test::logEntries(dir / "orbel.log", "notifydlg.cpp").empty());
    ticksUntilStateChanges(); // 80 motion ticks
    tick(302);
    tick(301);
    EXPECT_EQ(window().insertAfter, kHwndTopmost);
    const auto entries = test::logEntries(dir / "orbel.log", "notifydlg.cpp");
    EXPECT_EQ(entries.size(), 82u);
    for (const auto& e : entries)
        EXPECT_EQ(e.message, "SystemParametersInfo failed");
}

} // namespace
} // namespace orbel
