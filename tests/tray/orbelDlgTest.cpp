// The main window on the fake port: start, tray callback rules, menu,
// commands, game clock messages, the weekday slide and the phase change
// announcement. Each test runs the real start-up and drives the main
// window's modal loop with a script of steps, one per idle turn.
#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/menu.h"
#include "res/stringTable.h"
#include "tests/support/tempDir.h"
#include "tests/support/trayCases.h"
#include "tray/notifyIconData.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>

namespace orbel {
namespace {

using Step = std::function<void(FakePort&, Hwnd main)>;
using test::num;

// 2026-12-06T00:00:00Z: 944/04/06 00:00:00, weekday 7 (闇), phase 6 (満月), day 6.
constexpr std::time_t kMidnight = 1796515200;
const std::string kError =
    "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : ";

class MainWindow : public ::testing::Test {
protected:
    MainWindow() { script(port); }
    // The machine every run starts on.
    void script(FakePort& p) const {
        p.moduleFileName = (dir.path() / "orbel.exe").string();
        p.now = kMidnight;
        p.foreground = Hwnd{0x77};
        p.topWindows["Shell_TrayWnd"] = Hwnd{0x90}; // the taskbar, for the popup
    }
    // Runs the program; each idle turn of any modal loop runs the next step.
    void run(std::deque<Step> steps) {
        port.onIdle = [this, steps](FakePort& p) mutable {
            if (steps.empty()) return false;
            Step s = std::move(steps.front());
            steps.pop_front();
            s(p, app.mainWindow());
            return true;
        };
        app.InitInstance();
    }
    long at(std::string_view prefix) const { return test::callIndex(port.calls(), prefix); }
    static Step post(unsigned msg, WParam w = 0, LParam l = 0) {
        return [=](FakePort& p, Hwnd main) { p.postMessage(main, msg, w, l); };
    }
    static Step tray(unsigned mouse) { return post(kWmApp, 101, mouse); }
    static Step cursorAt(int x, int y) {
        return [=](FakePort& p, Hwnd) { p.cursor = Point{x, y}; };
    }
    static bool blankTip(const FakePort::NotifyCall& n) {
        return n.message == kNimModify && n.data.uFlags == kNifTip && n.data.szTip[0] == '\0';
    }
    // The program ended itself with this box, taking its tray icon along.
    void expectEndedBy(const std::string& box) const {
        ASSERT_EQ(port.messageBoxes().size(), 1u);
        EXPECT_EQ(port.messageBoxes()[0].text, box);
        EXPECT_TRUE(port.callsStartingWith("modalStalled").empty());
        EXPECT_EQ(port.notifyCalls().back().message, kNimDelete);
    }

    test::TempDir dir;
    FakePort port;
    COrbelApp app{port};
};

TEST_F(MainWindow, StartAddsTheTrayIconAndTheHoverTimerThenEndsCleanlyOnCloseOnly) {
    run({post(kWmCommand, kIdOkCommand), post(kWmCommand, kIdCancelCommand), post(kWmClose)});
    const auto notes = port.notifyCalls();
    ASSERT_GE(notes.size(), 2u);
    const auto& add = notes.front().data;
    EXPECT_EQ(notes.front().message, kNimAdd);
    EXPECT_EQ(add.uFlags, 7u);
    EXPECT_EQ(add.uID, 101u);
    EXPECT_EQ(add.uCallbackMessage, kWmApp);
    EXPECT_EQ(add.szTip[0], '\0');
    EXPECT_FALSE(isNull(add.hIcon));
    EXPECT_EQ(notes.back().message, kNimDelete);
    EXPECT_GE(at("timeSetEvent(2400,"), 0); // hover check, tipupdate on, mode 0
    EXPECT_GE(at("appendSystemMenuItem"), 0);
    EXPECT_TRUE(port.activeTimers().empty());
    EXPECT_TRUE(port.messageBoxes().empty());
    // Enter and Escape do not end the program; WM_CLOSE does.
    EXPECT_TRUE(port.callsStartingWith("modalStalled").empty());
    EXPECT_EQ(port.callsStartingWith("endDialog").size(), 1u);
}

TEST_F(MainWindow, StaysHiddenAndLeavesTheSystemWhatIsNotItsOwn) {
    std::map<std::string, LResult> got;
    WindowPos pos;
    pos.flags = kSwpShowWindow | kSwpNoSize | kSwpNoActivate;
    Step probe = [&](FakePort& p, Hwnd main) {
        got["show"] =
            p.handlerResult(main, kWmWindowPosChanging, 0, reinterpret_cast<LParam>(&pos));
        got["dragIcon"] = p.handlerResult(main, kWmQueryDragIcon, 0, 0);
        got["paint"] = p.handlerResult(main, kWmPaint, 0, 0);
        got["close box"] = p.handlerResult(main, kWmSysCommand, 0xF060, 0); // SC_CLOSE
        got["timer"] = p.handlerResult(main, kWmTimer, 99, 0);
        got["unknown"] = p.handlerResult(main, 0x0020, 0, 0); // WM_SETCURSOR
        p.setWindowPos(main, Hwnd{}, 0, 0, 100, 60, 0);
        p.setIconic(main, true);
        got["iconic paint"] = p.handlerResult(main, kWmPaint, 0, 0);
    };
    run({probe, post(kWmClose)});
    EXPECT_EQ(pos.flags, kSwpNoSize | kSwpNoActivate);
    for (const char* name : {"show", "paint", "close box", "timer", "unknown"})
        EXPECT_EQ(got[name], kDefaultProcessing) << name;
    EXPECT_NE(got["dragIcon"], 0);
    EXPECT_EQ(got["iconic paint"], 0);
    // The 32-pixel icon centred in 100 x 60: ((100 - 32 + 1) / 2, (60 - 32 + 1) / 2).
    const auto draws = port.callsStartingWith("drawIcon(");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_TRUE(draws[0].ends_with(",34,14," + std::to_string(got["dragIcon"]) + ")")) << draws[0];
}

TEST_F(MainWindow, StartFailuresShowTheirBoxes) {
    struct Row {
        const char* name;
        std::function<void(FakePort&)> breakIt;
        std::string box;
    };
    const Row rows[] = {
        {"no phase icons",
         [](FakePort& p) {
             for (unsigned id = 102; id <= 113; ++id)
                 p.missingIcons.insert(id);
         },
         kError + "255"},
        {"tray add refused, not a time-out: no retry",
         [](FakePort& p) {
             p.shellNotifyAnswers = {false};
             p.shellNotifyError = 5;
         },
         std::string(res::loadString(res::IDS_TRAY_ADD_FAILED))},
        {"no hover timer", [](FakePort& p) { p.failingTimerDelays = {2400}; }, kError + "4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePort p;
        script(p);
        row.breakIt(p);
        COrbelApp a(p);
        a.InitInstance();
        ASSERT_EQ(p.messageBoxes().size(), 1u);
        EXPECT_EQ(p.messageBoxes()[0].text, row.box);
        EXPECT_EQ(p.sleptMs(), 0u);
    }
}

TEST_F(MainWindow, RightClickShowsTheMenuWithoutBallistaAndABlankTooltip) {
    run({tray(kWmRButtonUp), post(kWmClose)});
    const auto menus = port.menuCalls();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].defaultCommand, res::ID_DETAIL);
    const res::MenuItem& popup = menus[0].popup;
    ASSERT_EQ(popup.children.size(), 6u);
    ASSERT_EQ(popup.children[1].children.size(), 2u);
    EXPECT_EQ(popup.children[1].children[0].id, res::ID_SEARCH_LUNAR);
    EXPECT_EQ(popup.children[1].children[1].id, res::ID_SEARCH_TODAY);
    // The tooltip was blanked before tracking, and WM_NULL posted after.
    EXPECT_LT(at("setForegroundWindow"), at("trackPopupMenu"));
    const auto calls = port.calls();
    const auto null = std::find_if(calls.rbegin(), calls.rend(), [](const std::string& c) {
        return c.starts_with("postMessage(") && c.ends_with(",0)");
    });
    EXPECT_LT(at("trackPopupMenu"), calls.rend() - null - 1);
    const auto notes = port.notifyCalls();
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), blankTip));
    // The menu stays put from the resource: it still holds the item.
    res::MenuItem fresh = res::loadMenu(res::IDR_TRAYMENU).children[0];
    EXPECT_TRUE(res::deleteMenuItem(fresh, res::ID_SEARCH_BALLISTA));
}

TEST_F(MainWindow, RightClickOutsideTheKnownIconRectangleShowsNothing) {
    port.iconRect = Rect{100, 100, 124, 124};
    port.cursor = Point{110, 110};
    run({tray(kWmMouseMove), cursorAt(10, 10), tray(kWmRButtonUp), cursorAt(105, 120),
         tray(kWmRButtonUp), post(kWmClose)});
    EXPECT_EQ(port.menuCalls().size(), 1u);
}

// A right click where the icon has moved to opens the menu, since the
// shell's move onto the icon comes first. With live updates on, a move
// sends no text: the periodic check gives the record its text.
TEST_F(MainWindow, RightClickWhereTheIconMovedToOpensTheMenu) {
    port.iconRect = Rect{100, 100, 124, 124};
    port.cursor = Point{110, 110};
    run({[](FakePort& p, Hwnd) { p.fireTimer(p.timerWithDelay(200)->id); }, tray(kWmMouseMove),
         [&](FakePort& p, Hwnd) {
             p.iconRect = Rect{200, 100, 224, 124};
             p.cursor = Point{210, 110};
         },
         tray(kWmMouseMove), tray(kWmRButtonUp), post(kWmClose)});
    ASSERT_TRUE(app.tipUpdate());
    ASSERT_FALSE(app.getTipText().empty());
    EXPECT_EQ(port.menuCalls().size(), 1u);
    std::size_t texts = 0;
    for (const auto& n : port.notifyCalls())
        texts += n.message == kNimModify && n.data.uFlags == kNifTip && n.data.szTip[0] != '\0';
    EXPECT_EQ(texts, 0u);
}

TEST_F(MainWindow, MenuCommandsRunOneDialogAtATime) {
    port.menuChoice = res::ID_SEARCH_LUNAR;
    Hwnd searchWindow{};
    run({tray(kWmRButtonUp),
         // Inside the search dialog's own modal loop: clicks only bring it forward.
         [&](FakePort& p, Hwnd main) {
             searchWindow = p.windowsOfTemplate(149).at(0);
             p.postMessage(main, kWmApp, 101, kWmRButtonUp);
         },
         tray(kWmLButtonDblClk), tray(kWmLButtonDown),
         [&](FakePort& p, Hwnd) { p.postMessage(searchWindow, kWmClose, 0, 0); }, post(kWmClose)});
    ASSERT_FALSE(isNull(searchWindow));
    EXPECT_EQ(port.menuCalls().size(), 1u);
    EXPECT_EQ(port.callsStartingWith("doModal(149").size(), 1u);
    EXPECT_TRUE(port.callsStartingWith("doModal(145").empty());
    EXPECT_EQ(port.callsStartingWith("setForegroundWindow(" + num(searchWindow) + ")").size(), 3u);
}

TEST_F(MainWindow, ALostClockShowsError4AndEndsTheProgram) {
    run({post(kWmClockLost)}); // no close of our own
    expectEndedBy(kError + "4");
}

TEST_F(MainWindow, ALunarSearchThatCannotFillItsListsEndsTheProgram) {
    port.menuChoice = res::ID_SEARCH_LUNAR;
    port.comboInsertFailsAfter = 5;
    run({tray(kWmRButtonUp)}); // no close of our own: the failure must end it
    expectEndedBy(kError + "255");
}

TEST_F(MainWindow, DoubleClickOpensTheDetailWindowWhichGetsThePhaseChangeBeforeTheSound) {
    bool blankedWhileOpen = false;
    run({tray(kWmLButtonDblClk),
         // Inside the detail window's loop: the tooltip alone was blanked.
         [&](FakePort& p, Hwnd) { blankedWhileOpen = blankTip(p.notifyCalls().back()); },
         post(kWmApp + 1, (6u << 16), 0x100000), // sound only
         [](FakePort&, Hwnd) {}, post(kWmClose)});
    EXPECT_EQ(port.callsStartingWith("doModal(145").size(), 1u);
    EXPECT_TRUE(blankedWhileOpen);
    const auto calls = port.calls();
    long toDialog = -1;
    for (long i = at("doModal(145") + 1; i > 0 && i < long(calls.size()); ++i)
        if (calls[std::size_t(i)].starts_with("postMessage(") &&
            calls[std::size_t(i)].ends_with("," + std::to_string(kWmApp + 1) + ")"))
            toDialog = i;
    ASSERT_GE(toDialog, 0);
    EXPECT_LT(toDialog, at("playSound"));
}

TEST_F(MainWindow, AnnouncementTextsAndMethodOrder) {
    std::map<int, std::string> popupTexts;
    run({post(kWmApp + 1, (6u << 16), 0x3F0000),
         [&](FakePort& p, Hwnd) {
             const auto popups = p.windowsOfTemplate(151);
             ASSERT_EQ(popups.size(), 1u);
             EXPECT_EQ(p.windowState(popups[0])->timers.count(301), 1u); // sliding in
             popupTexts = p.windowState(popups[0])->texts;
         },
         post(kWmClose)});
    const std::string title = "満月 になりました!";
    const std::string text = "Orithaven [944/4/6（闇） 0:00 <満月>]\r\n"
                             "     Earth [2026/12/6（日） 9:00]\r\n"
                             "次は 12/6 10:55 に 立待月[炎] になります。";
    NotifyIconDataNew balloon{};
    for (const auto& n : port.notifyCalls())
        if (n.data.uFlags == kNifInfo) balloon = n.data;
    EXPECT_EQ(std::string(balloon.szInfoTitle), title);
    EXPECT_EQ(std::string(balloon.szInfo), text);
    EXPECT_EQ(balloon.uTimeout, 30000u);
    EXPECT_EQ(balloon.dwInfoFlags, kNiifInfo);
    EXPECT_EQ(popupTexts[1030], title);
    EXPECT_EQ(popupTexts[1024], text);
    // The CD door, the tool, the flash, the sound, then the popup.
    const long order[] = {at("mciSendString(set cdaudio door open)"), at("shellExecute("),
                          at("flashWindow(119,true)"), at("playSound(orbel.wav,131075)"),
                          at("createDialog(151")};
    ASSERT_GE(order[0], 0);
    EXPECT_TRUE(std::is_sorted(std::begin(order), std::end(order)));
    EXPECT_TRUE(port.calls()[std::size_t(order[1])].ends_with(
        ",,keyflash.exe,/w=500-500 /c=3 /ScrollLock,.,0)"));
}

TEST_F(MainWindow, DefaultNotificationGivesSoundAndPopupOnlyAndNoForegroundNoFlash) {
    run({post(kWmApp + 1, (11u << 16), 0x11FFFF), [](FakePort& p, Hwnd) { p.foreground = Hwnd{}; },
         post(kWmApp + 1, 0, 0x80000), post(kWmClose)});
    for (const char* unused : {"mciSendString", "shellExecute", "flashWindow"})
        EXPECT_EQ(at(unused), -1) << unused;
    EXPECT_GE(at("playSound"), 0);
    EXPECT_GE(at("createDialog(151"), 0);
    for (const auto& n : port.notifyCalls())
        EXPECT_NE(n.data.uFlags, kNifInfo);
}

// Where the compositor places windows itself (Wayland), the popup's
// announcement goes out as the balloon instead, and never twice.
struct PlacementRow {
    const char* name;
    bool placesWindows;
    unsigned bits;
    bool popup;
    int balloons;
};
void PrintTo(const PlacementRow& row, std::ostream* os) {
    *os << row.name;
}
class PopupPlacement : public MainWindow, public ::testing::WithParamInterface<PlacementRow> {};

TEST_P(PopupPlacement, PopupOrBalloon) {
    const PlacementRow& row = GetParam();
    port.placesWindows = row.placesWindows;
    run({post(kWmApp + 1, (6u << 16), row.bits), post(kWmClose)});
    EXPECT_EQ(at("createDialog(151") >= 0, row.popup);
    int balloons = 0;
    for (const auto& n : port.notifyCalls()) {
        if (n.message != kNimModify || n.data.uFlags != kNifInfo) continue;
        ++balloons;
        EXPECT_EQ(std::string(n.data.szInfoTitle), "満月 になりました!");
        EXPECT_EQ(std::string(n.data.szInfo).rfind("Orithaven [944/4/6", 0), 0u);
    }
    EXPECT_EQ(balloons, row.balloons);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PopupPlacement,
    ::testing::Values(PlacementRow{"PlacedPopup", true, 0x10000, true, 0},
                      PlacementRow{"PlacedPopupAndBalloon", true, 0x210000, true, 1},
                      PlacementRow{"UnplacedPopup", false, 0x10000, false, 1},
                      PlacementRow{"UnplacedPopupAndBalloon", false, 0x210000, false, 1},
                      PlacementRow{"UnplacedSoundOnly", false, 0x100000, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, HourChangeWithBitZeroSlidesOutHoldsAndComesBackToTheMoon) {
    std::vector<HIcon> shown;
    run({post(kWmApp + 3, 0, 2), post(kWmApp + 3, 0, 1),
         [&](FakePort& p, Hwnd main) {
             for (int i = 0; i < 16; ++i)
                 EXPECT_TRUE(p.fireWindowTimer(main, 32));
             EXPECT_FALSE(p.fireWindowTimer(main, 32)); // killed after 16 steps
             EXPECT_TRUE(p.fireWindowTimer(main, 31));
             for (int i = 0; i < 16; ++i)
                 EXPECT_TRUE(p.fireWindowTimer(main, 33));
             EXPECT_FALSE(p.fireWindowTimer(main, 33));
         },
         post(kWmClose)});
    const auto timers = port.callsStartingWith("setTimer"); // out, hold, back
    ASSERT_EQ(timers.size(), 3u);
    EXPECT_TRUE(timers[0].ends_with(",32,75)")) << timers[0];
    EXPECT_TRUE(timers[1].ends_with(",31,36000)")) << timers[1];
    for (const auto& n : port.notifyCalls())
        if (n.message == kNimModify && n.data.uFlags == kNifIcon) shown.push_back(n.data.hIcon);
    ASSERT_EQ(shown.size(), 33u);  // 16 out, 16 back, then the moon
    EXPECT_EQ(shown[0], shown[1]); // frames 0, 0, 1, 1, ...
    EXPECT_NE(shown[1], shown[2]);
    EXPECT_EQ(shown[15], shown[16]); // frame 7 ends the way out and starts the way back
    EXPECT_EQ(shown[31], shown[0]);  // frame 0 last
    EXPECT_EQ(shown[32], port.notifyCalls().front().data.hIcon);
}

TEST_F(MainWindow, DayChangeRebuildsTheIconAndTaskbarRestartReaddsIt) {
    run({post(kWmApp + 2, (7u << 16) | (0u << 8) | 1u, 255),
         [](FakePort& p, Hwnd main) {
             p.postMessage(main, p.registerWindowMessage("TaskbarCreated"), 0, 0);
         },
         post(kWmClose)});
    const auto notes = port.notifyCalls();
    ASSERT_GE(notes.size(), 4u);
    EXPECT_EQ(notes[1].message, kNimModify);
    EXPECT_EQ(notes[1].data.uFlags, kNifIcon);
    EXPECT_NE(notes[1].data.hIcon, notes[0].data.hIcon);
    EXPECT_EQ(notes[2].message, kNimAdd);
    EXPECT_EQ(notes[2].data.uFlags, 7u);
    EXPECT_EQ(notes[2].data.hIcon, notes[1].data.hIcon);
}

TEST_F(MainWindow, TimeChangeRestartsTheClockAndRefreshesTheIcon) {
    run({[](FakePort& p, Hwnd) { p.now = kMidnight + 86400; }, post(kWmTimeChange),
         post(kWmClose)});
    EXPECT_EQ(port.callsStartingWith("timeSetEvent(200,").size(), 2u);
    EXPECT_EQ(port.notifyCalls()[1].data.uFlags, kNifIcon);
    EXPECT_EQ(app.currentDate().year(), 944);
}

} // namespace
} // namespace orbel
