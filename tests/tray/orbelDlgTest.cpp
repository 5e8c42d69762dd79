// The main window on the fake port: start, tray callback rules, menu,
// commands, game clock messages, the weekday slide and the phase change
// announcement. Each test runs the real start-up and drives the main
// window's modal loop with a script of steps, one per idle turn.
#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/menu.h"
#include "res/stringTable.h"
#include "tests/support/tempDir.h"
#include "tray/notifyIconData.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>

namespace orbel {
namespace {

using test::TempDir;
using Step = std::function<void(FakePort&, Hwnd main)>;

// 2026-12-06T00:00:00Z: 944/04/06 00:00:00, weekday 7 (闇), phase 6 (満月), day 6.
constexpr std::time_t kMidnight = 1796515200;

class MainWindow : public ::testing::Test {
protected:
    MainWindow() {
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        port.now = kMidnight;
        port.foreground = Hwnd{0x77};
        port.topWindows["Shell_TrayWnd"] = Hwnd{0x90}; // the taskbar, for the popup
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
    long indexOf(const std::string& prefix) const {
        const auto calls = port.calls();
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
        return -1;
    }
    static Step post(unsigned msg, WParam w, LParam l) {
        return [=](FakePort& p, Hwnd main) { p.postMessage(main, msg, w, l); };
    }
    static Step tray(unsigned mouse) { return post(kWmApp, 101, mouse); }
    static Step close() { return post(kWmClose, 0, 0); }

    TempDir dir;
    FakePort port;
    COrbelApp app{port};
};

TEST_F(MainWindow, StartAddsTheTrayIconAndTheHoverTimerThenEndsCleanly) {
    run({close()});
    const auto notes = port.notifyCalls();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes.front().message, kNimAdd);
    EXPECT_EQ(notes.front().data.uFlags, 7u);
    EXPECT_EQ(notes.front().data.uID, 101u);
    EXPECT_EQ(notes.front().data.uCallbackMessage, kWmApp);
    EXPECT_EQ(notes.front().data.szTip[0], '\0');
    EXPECT_FALSE(isNull(notes.front().data.hIcon));
    EXPECT_EQ(notes.back().message, kNimDelete);
    EXPECT_GE(indexOf("timeSetEvent(2400,"), 0); // hover check, tipupdate on, mode 0
    EXPECT_GE(indexOf("appendSystemMenuItem"), 0);
    EXPECT_TRUE(port.activeTimers().empty());
    EXPECT_TRUE(port.messageBoxes().empty());
}

TEST_F(MainWindow, EnterAndEscapeDoNotEndTheProgramButCloseDoes) {
    run({post(kWmCommand, kIdOkCommand, 0), post(kWmCommand, kIdCancelCommand, 0), close()});
    EXPECT_TRUE(port.callsStartingWith("modalStalled").empty());
    EXPECT_EQ(port.callsStartingWith("endDialog").size(), 1u);
}

TEST_F(MainWindow, StaysHiddenAndLeavesTheSystemWhatIsNotItsOwn) {
    std::map<std::string, LResult> got;
    WindowPos pos;
    pos.flags = kSwpShowWindow | kSwpNoSize | kSwpNoActivate;
    Step probe = [&](FakePort& p, Hwnd main) {
        got["show"] = p.handlerResult(main, kWmWindowPosChanging, 0, reinterpret_cast<LParam>(&pos));
        got["dragIcon"] = p.handlerResult(main, kWmQueryDragIcon, 0, 0);
        got["paint"] = p.handlerResult(main, kWmPaint, 0, 0);
        got["close box"] = p.handlerResult(main, kWmSysCommand, 0xF060, 0); // SC_CLOSE
        got["timer"] = p.handlerResult(main, kWmTimer, 99, 0);
        got["unknown"] = p.handlerResult(main, 0x0020, 0, 0); // WM_SETCURSOR
        p.setWindowPos(main, Hwnd{}, 0, 0, 100, 60, 0);
        p.setIconic(main, true);
        got["iconic paint"] = p.handlerResult(main, kWmPaint, 0, 0);
    };
    run({probe, close()});
    EXPECT_EQ(pos.flags, kSwpNoSize | kSwpNoActivate);
    EXPECT_EQ(got["show"], kDefaultProcessing);
    EXPECT_NE(got["dragIcon"], 0);
    EXPECT_EQ(got["paint"], kDefaultProcessing);
    EXPECT_EQ(got["close box"], kDefaultProcessing);
    EXPECT_EQ(got["timer"], kDefaultProcessing);
    EXPECT_EQ(got["unknown"], kDefaultProcessing);
    EXPECT_EQ(got["iconic paint"], 0);
    // The 32-pixel icon centred in 100 x 60: ((100 - 32 + 1) / 2, (60 - 32 + 1) / 2).
    const auto draws = port.callsStartingWith("drawIcon(");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_NE(draws[0].find(",34,14,"), std::string::npos) << draws[0];
    EXPECT_NE(draws[0].find("," + std::to_string(got["dragIcon"]) + ")"), std::string::npos);
}

TEST_F(MainWindow, StartFailuresShowTheirBoxes) {
    {
        FakePort p;
        p.moduleFileName = port.moduleFileName;
        p.missingIcons = {102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113};
        COrbelApp a(p);
        a.InitInstance();
        ASSERT_EQ(p.messageBoxes().size(), 1u);
        EXPECT_EQ(p.messageBoxes()[0].text,
                  "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : 255");
    }
    {
        FakePort p;
        p.moduleFileName = port.moduleFileName;
        p.shellNotifyAnswers = {false};
        p.shellNotifyError = 5; // not a time-out: no retry
        COrbelApp a(p);
        a.InitInstance();
        ASSERT_EQ(p.messageBoxes().size(), 1u);
        EXPECT_EQ(p.messageBoxes()[0].text, res::loadString(res::IDS_TRAY_ADD_FAILED));
        EXPECT_EQ(p.sleptMs(), 0u);
    }
    {
        FakePort p;
        p.moduleFileName = port.moduleFileName;
        p.failingTimerDelays = {2400};
        COrbelApp a(p);
        a.InitInstance();
        ASSERT_EQ(p.messageBoxes().size(), 1u);
        EXPECT_EQ(p.messageBoxes()[0].text,
                  "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : 4");
    }
}

TEST_F(MainWindow, RightClickShowsTheMenuWithoutBallistaAndABlankTooltip) {
    run({tray(kWmRButtonUp), close()});
    const auto menus = port.menuCalls();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].defaultCommand, res::ID_DETAIL);
    const res::MenuItem& popup = menus[0].popup;
    ASSERT_EQ(popup.children.size(), 6u);
    EXPECT_EQ(popup.children[1].children.size(), 2u);
    EXPECT_EQ(popup.children[1].children[0].id, res::ID_SEARCH_LUNAR);
    EXPECT_EQ(popup.children[1].children[1].id, res::ID_SEARCH_TODAY);
    // The tooltip was blanked before tracking, and WM_NULL posted after.
    EXPECT_LT(indexOf("setForegroundWindow"), indexOf("trackPopupMenu"));
    long nullPosted = -1;
    const auto calls = port.calls();
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind("postMessage(", 0) == 0 && calls[i].ends_with(",0)"))
            nullPosted = static_cast<long>(i);
    EXPECT_LT(indexOf("trackPopupMenu"), nullPosted);
    bool blanked = false;
    for (const auto& n : port.notifyCalls())
        if (n.message == kNimModify && n.data.uFlags == kNifTip && n.data.szTip[0] == '\0')
            blanked = true;
    EXPECT_TRUE(blanked);
    // The menu stays put from the resource: it still holds the item.
    res::MenuItem fresh = res::loadMenu(res::IDR_TRAYMENU).children[0];
    EXPECT_TRUE(res::deleteMenuItem(fresh, res::ID_SEARCH_BALLISTA));
}

TEST_F(MainWindow, RightClickOutsideTheKnownIconRectangleShowsNothing) {
    port.iconRect = Rect{100, 100, 124, 124};
    port.cursor = Point{110, 110};
    run({tray(kWmMouseMove),
         [](FakePort& p, Hwnd) {
             p.cursor = Point{10, 10};
         },
         tray(kWmRButtonUp),
         [](FakePort& p, Hwnd) {
             p.cursor = Point{105, 120};
         },
         tray(kWmRButtonUp), close()});
    EXPECT_EQ(port.menuCalls().size(), 1u);
}

TEST_F(MainWindow, MenuCommandsRunOneDialogAtATime) {
    port.menuChoice = res::ID_SEARCH_LUNAR;
    Hwnd searchWindow{};
    run({tray(kWmRButtonUp),
         // Inside the search dialog's own modal loop: clicks only bring it forward.
         [&](FakePort& p, Hwnd main) {
             for (const auto& c : p.calls())
                 if (c.rfind("doModal(149", 0) == 0)
                     searchWindow = Hwnd{std::stoul(c.substr(c.find(")=") + 2))};
             p.postMessage(main, kWmApp, 101, kWmRButtonUp);
         },
         tray(kWmLButtonDblClk), tray(kWmLButtonDown),
         [&](FakePort& p, Hwnd) { p.postMessage(searchWindow, kWmClose, 0, 0); }, close()});
    ASSERT_FALSE(isNull(searchWindow));
    EXPECT_EQ(port.menuCalls().size(), 1u);
    EXPECT_EQ(port.callsStartingWith("doModal(149").size(), 1u);
    EXPECT_TRUE(port.callsStartingWith("doModal(145").empty());
    const std::string forward =
        "setForegroundWindow(" + std::to_string(static_cast<std::uintptr_t>(searchWindow)) + ")";
    EXPECT_EQ(port.callsStartingWith(forward).size(), 3u);
}

TEST_F(MainWindow, ALostClockShowsError103AndEndsTheProgram) {
    run({post(kWmClockLost, 0, 0)}); // no close of our own
    ASSERT_EQ(port.messageBoxes().size(), 1u);
    EXPECT_EQ(port.messageBoxes()[0].text,
              "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : 4");
    EXPECT_TRUE(port.callsStartingWith("modalStalled").empty());
    EXPECT_EQ(port.notifyCalls().back().message, kNimDelete);
}

TEST_F(MainWindow, ALunarSearchThatCannotFillItsListsEndsTheProgram) {
    port.menuChoice = res::ID_SEARCH_LUNAR;
    port.comboInsertFailsAfter = 5;
    run({tray(kWmRButtonUp)}); // no close of our own: the failure must end it
    ASSERT_EQ(port.messageBoxes().size(), 1u);
    EXPECT_NE(port.messageBoxes()[0].text.find("255"), std::string::npos);
    EXPECT_TRUE(port.callsStartingWith("modalStalled").empty());
    EXPECT_EQ(port.notifyCalls().back().message, kNimDelete);
}

TEST_F(MainWindow, DoubleClickOpensTheDetailWindowWithABlankTooltip) {
    bool blankedWhileOpen = false;
    run({tray(kWmLButtonDblClk),
         [&](FakePort& p, Hwnd) {
             // Inside the detail window's loop: the tooltip alone was blanked.
             const auto notes = p.notifyCalls();
             blankedWhileOpen = notes.back().message == kNimModify &&
                                notes.back().data.uFlags == kNifTip &&
                                notes.back().data.szTip[0] == '\0';
         },
         close()});
    EXPECT_EQ(port.callsStartingWith("doModal(145").size(), 1u);
    EXPECT_TRUE(blankedWhileOpen);
}

TEST_F(MainWindow, PhaseChangeReachesTheOpenDialogBeforeTheAnnouncement) {
    run({tray(kWmLButtonDblClk), post(kWmApp + 1, (6u << 16), 0x100000), // sound only
         [](FakePort&, Hwnd) {}, close()});
    const long forwarded = indexOf("postMessage(");
    ASSERT_GE(forwarded, 0);
    long toDialog = -1;
    const auto calls = port.calls();
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind("postMessage(", 0) == 0 &&
            calls[i].find("," + std::to_string(kWmApp + 1) + ")") != std::string::npos &&
            i > static_cast<std::size_t>(indexOf("doModal(145")))
            toDialog = static_cast<long>(i);
    ASSERT_GE(toDialog, 0);
    EXPECT_LT(toDialog, indexOf("playSound"));
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
         close()});
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

    const long cd = indexOf("mciSendString(set cdaudio door open)");
    const long tool = indexOf("shellExecute(");
    const long flash = indexOf("flashWindow(119,true)");
    const long sound = indexOf("playSound(orbel.wav,131075)");
    const long popup = indexOf("createDialog(151");
    ASSERT_GE(cd, 0);
    EXPECT_LT(cd, tool);
    EXPECT_LT(tool, flash);
    EXPECT_LT(flash, sound);
    EXPECT_LT(sound, popup);
    EXPECT_NE(port.calls()[static_cast<std::size_t>(tool)].find(
                  ",,keyflash.exe,/w=500-500 /c=3 /ScrollLock,.,0)"),
              std::string::npos);
    EXPECT_EQ(popupTexts[1030], title);
    EXPECT_EQ(popupTexts[1024], text);
}

TEST_F(MainWindow, DefaultNotificationGivesSoundAndPopupOnly) {
    run({post(kWmApp + 1, (11u << 16), 0x11FFFF), close()});
    EXPECT_EQ(indexOf("mciSendString"), -1);
    EXPECT_EQ(indexOf("shellExecute"), -1);
    EXPECT_EQ(indexOf("flashWindow"), -1);
    EXPECT_GE(indexOf("playSound"), 0);
    EXPECT_GE(indexOf("createDialog(151"), 0);
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
    run({post(kWmApp + 1, (6u << 16), row.bits), close()});
    EXPECT_EQ(indexOf("createDialog(151") >= 0, row.popup);
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

TEST_F(MainWindow, NoForegroundWindowMeansNoFlash) {
    port.foreground = Hwnd{};
    run({post(kWmApp + 1, 0, 0x80000), close()});
    EXPECT_EQ(indexOf("flashWindow"), -1);
}

TEST_F(MainWindow, HourChangeStartsTheSlideOnlyWithBitZero) {
    run({post(kWmApp + 3, 0, 2), post(kWmApp + 3, 0, 1), close()});
    EXPECT_EQ(port.callsStartingWith("setTimer").size(), 2u);
    EXPECT_NE(port.callsStartingWith("setTimer")[0].find(",32,75)"), std::string::npos);
    EXPECT_NE(port.callsStartingWith("setTimer")[1].find(",31,36000)"), std::string::npos);
}

TEST_F(MainWindow, TheSlideRunsOutHoldsAndComesBackToTheMoon) {
    std::vector<HIcon> shown;
    HIcon moon{};
    run({post(kWmApp + 3, 0, 1),
         [&](FakePort& p, Hwnd main) {
             for (int i = 0; i < 16; ++i)
                 EXPECT_TRUE(p.fireWindowTimer(main, 32));
             EXPECT_FALSE(p.fireWindowTimer(main, 32)); // killed after 16 steps
             EXPECT_TRUE(p.fireWindowTimer(main, 31));
             for (int i = 0; i < 16; ++i)
                 EXPECT_TRUE(p.fireWindowTimer(main, 33));
             EXPECT_FALSE(p.fireWindowTimer(main, 33));
             for (const auto& n : p.notifyCalls())
                 if (n.message == kNimModify && n.data.uFlags == kNifIcon)
                     shown.push_back(n.data.hIcon);
             moon = p.notifyCalls().front().data.hIcon;
         },
         close()});
    ASSERT_EQ(shown.size(), 33u);  // 16 out, 16 back, then the moon
    EXPECT_EQ(shown[0], shown[1]); // frames 0, 0, 1, 1, ...
    EXPECT_NE(shown[1], shown[2]);
    EXPECT_EQ(shown[15], shown[16]); // frame 7 ends the way out and starts the way back
    EXPECT_EQ(shown[31], shown[0]);  // frame 0 last
    EXPECT_EQ(shown[32], moon);
}

TEST_F(MainWindow, DayChangeRebuildsTheIconAndTaskbarRestartReaddsIt) {
    run({post(kWmApp + 2, (7u << 16) | (0u << 8) | 1u, 255),
         [](FakePort& p, Hwnd main) {
             p.postMessage(main, p.registerWindowMessage("TaskbarCreated"), 0, 0);
         },
         close()});
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
    run({[](FakePort& p, Hwnd) { p.now = kMidnight + 86400; }, post(kWmTimeChange, 0, 0), close()});
    EXPECT_EQ(port.callsStartingWith("timeSetEvent(200,").size(), 2u);
    EXPECT_EQ(port.notifyCalls()[1].data.uFlags, kNifIcon);
    EXPECT_EQ(app.currentDate().year(), 944);
}

} // namespace
} // namespace orbel
