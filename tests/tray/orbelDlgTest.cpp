// The main window on the fake port: each test runs the real start-up and
// drives the modal loops with a script of steps, one per idle turn.
#include "app/orbelApp.h"
#include "res/menu.h"
#include "res/stringTable.h"
#include "search/searchDlg.h"
#include "tests/support/appCases.h"
#include "tests/support/calendarCases.h"
#include "tests/support/trayCases.h"
#include "tray/notifyIconData.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace orbel {
namespace {

using Step = std::function<void(FakePort&, Hwnd main)>;
using test::linesOf;
using test::num;

// 2026-12-06T00:00:00Z: 944/04/06 00:00:00, weekday 7 (闇), phase 6 (満月), day 6.
constexpr std::time_t kMidnight = 1796515200;
const std::string kError =
    "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : ";

class MainWindow : public ::testing::Test {
protected:
    MainWindow() { script(port); }
    void script(FakePort& p) const {
        p.moduleFileName = (dir.path() / "orbel.exe").string();
        p.now = kMidnight;
        p.foreground = Hwnd{0x77};
        p.topWindows["Shell_TrayWnd"] = Hwnd{0x90}; // the taskbar, for the popup
    }
    // A step left over means the program ended before the script did.
    static void run(FakePort& p, COrbelApp& a, std::deque<Step> steps) {
        auto left = std::make_shared<std::deque<Step>>(std::move(steps));
        p.onIdle = [&a, left](FakePort& fp) {
            if (left->empty()) return false;
            Step s = std::move(left->front());
            left->pop_front();
            s(fp, a.mainWindow());
            return true;
        };
        a.InitInstance();
        EXPECT_TRUE(left->empty()) << left->size() << " steps never ran";
    }
    void run(std::deque<Step> steps) { run(port, app, std::move(steps)); }
    long at(std::string_view prefix) const { return test::indexOf(port, prefix); }
    static Step post(unsigned msg, WParam w = 0, LParam l = 0) {
        return [=](FakePort& p, Hwnd main) { p.postMessage(main, msg, w, l); };
    }
    static Step tray(unsigned mouse) { return post(kWmApp, 101, mouse); }
    static Step cursorAt(int x, int y) {
        return [=](FakePort& p, Hwnd) { p.cursor = Point{x, y}; };
    }
    static bool isTip(const FakePort::NotifyCall& n) {
        return n.message == kNimModify && n.data.uFlags == kNifTip;
    }

    test::TempDir dir;
    FakePort port;
    COrbelApp app{port};
};

// Enter and Escape do not end the program, only WM_CLOSE does. The shell's
// move onto the icon comes before its click, also where the icon has moved
// to. With live updates on, no move sends a text: the periodic check gives
// the record its text, so the only tip sent is the blank before the menu.
TEST_F(MainWindow, StartsHiddenInTheTrayShowsItsMenuInsideTheIconAndEndsOnCloseOnly) {
    port.iconRect = Rect{100, 100, 124, 124};
    port.cursor = Point{110, 110};
    const Step moveIcon = [](FakePort& p, Hwnd) {
        p.iconRect = Rect{200, 100, 224, 124};
        p.cursor = Point{210, 110};
    };
    LResult dragIcon = 0;
    WindowPos pos;
    pos.flags = kSwpShowWindow | kSwpNoSize | kSwpNoActivate;
    const Step probe = [&](FakePort& p, Hwnd main) {
        const std::pair<unsigned, WParam> others[] = {
            {kWmPaint, 0}, {kWmSysCommand, 0xF060 /* SC_CLOSE */}, {kWmTimer, 99}, {0x0020, 0}};
        for (auto [msg, w] : others)
            EXPECT_EQ(p.handlerResult(main, msg, w, 0), kDefaultProcessing) << msg;
        EXPECT_EQ(p.handlerResult(main, kWmWindowPosChanging, 0, reinterpret_cast<LParam>(&pos)),
                  kDefaultProcessing);
        dragIcon = p.handlerResult(main, kWmQueryDragIcon, 0, 0);
        p.setWindowPos(main, Hwnd{}, 0, 0, 100, 60, 0);
        p.setIconic(main, true);
        EXPECT_EQ(p.handlerResult(main, kWmPaint, 0, 0), 0);
    };
    run({post(kWmCommand, kIdOkCommand), post(kWmCommand, kIdCancelCommand), probe,
         [](FakePort& p, Hwnd) { p.fireTimer(p.timerWithDelay(200)->id); }, tray(kWmMouseMove),
         cursorAt(10, 10), tray(kWmRButtonUp),
         [](FakePort& p, Hwnd) { EXPECT_TRUE(p.menuCalls().empty()); }, cursorAt(105, 120),
         tray(kWmRButtonUp), moveIcon, tray(kWmMouseMove), tray(kWmRButtonUp), post(kWmClose)});
    const auto notes = port.notifyCalls();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes.front().message, kNimAdd);
    EXPECT_FALSE(isNull(notes.front().data.hIcon));
    EXPECT_EQ(notes.back().message, kNimDelete);
    EXPECT_GE(at("appendSystemMenuItem"), 0);
    EXPECT_EQ(pos.flags, kSwpNoSize | kSwpNoActivate);
    EXPECT_NE(dragIcon, 0);
    // The 32-pixel icon centred in 100 x 60: ((100 - 32 + 1) / 2, (60 - 32 + 1) / 2).
    const auto draws = port.callsStartingWith("drawIcon(");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_TRUE(draws[0].ends_with(",34,14," + std::to_string(dragIcon) + ")")) << draws[0];

    const auto menus = port.menuCalls();
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[0].defaultCommand, res::ID_DETAIL);
    const auto& search = menus[0].popup.children.at(1).children;
    ASSERT_EQ(search.size(), 2u);
    EXPECT_EQ(search[0].id, res::ID_SEARCH_LUNAR);
    EXPECT_EQ(search[1].id, res::ID_SEARCH_TODAY);
    // The tooltip was blanked before tracking, and WM_NULL posted after.
    EXPECT_LT(at("setForegroundWindow"), at("trackPopupMenu"));
    const auto calls = port.calls();
    const auto null = std::find_if(calls.rbegin(), calls.rend(), [](const std::string& c) {
        return c.starts_with("postMessage(") && c.ends_with(",0)");
    });
    EXPECT_LT(at("trackPopupMenu"), calls.rend() - null - 1);
    ASSERT_TRUE(app.tipUpdate());
    ASSERT_FALSE(app.getTipText().empty());
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), isTip));
    for (const auto& n : notes)
        EXPECT_FALSE(isTip(n) && n.data.szTip[0] != '\0') << n.data.szTip;
    res::MenuItem fresh = res::loadMenu(res::IDR_TRAYMENU).children[0];
    EXPECT_TRUE(res::deleteMenuItem(fresh, res::ID_SEARCH_BALLISTA));
}

TEST_F(MainWindow, FailuresShowTheirBoxesAndEndTheProgram) {
    struct Row {
        const char* name;
        Step breakIt;
        std::string box;
        std::deque<Step> steps{}; // no close of our own: the failure must end it
    };
    const Row rows[] = {
        {"no full-moon icon", [](FakePort& p, Hwnd) { p.missingIcons = {108}; }, kError + "255"},
        {"tray add refused (not a time-out: no retry)",
         [](FakePort& p, Hwnd) {
             p.shellNotifyAnswers = {false};
             p.shellNotifyError = 5;
         },
         std::string(res::loadString(res::IDS_TRAY_ADD_FAILED))},
        {"no hover timer", [](FakePort& p, Hwnd) { p.failingTimerDelays = {2400}; }, kError + "4"},
        {"clock lost", [](FakePort&, Hwnd) {}, kError + "4", {post(kWmClockLost)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePort p;
        script(p);
        row.breakIt(p, Hwnd{});
        COrbelApp a(p);
        run(p, a, row.steps);
        ASSERT_EQ(p.messageBoxes().size(), 1u);
        EXPECT_EQ(p.messageBoxes()[0].text, row.box);
        EXPECT_TRUE(p.callsStartingWith("modalStalled").empty());
        EXPECT_TRUE(row.steps.empty() || p.notifyCalls().back().message == kNimDelete);
    }
}

// Where the compositor places windows itself (Wayland), the popup's
// announcement goes out as the balloon instead, and never twice.
TEST_F(MainWindow, EachSwitchedOnMethodRunsInItsOrderWithTheSameTexts) {
    struct Row {
        const char* name;
        unsigned bits;
        bool placesWindows, foreground;
        const char* methods; // CD door, tool, flash, sound, popup; '-' for one not run
        std::size_t balloons;
    };
    const Row rows[] = {
        {"all", 0x3F0000, true, true, "CTFSP", 1},
        {"default", 0x11FFFF, true, true, "---SP", 0},
        {"flash without a foreground window", 0x80000, true, false, "-----", 0},
        {"unplaced popup", 0x10000, false, true, "-----", 1},
        {"unplaced popup and balloon", 0x210000, false, true, "-----", 1},
        {"unplaced sound", 0x100000, false, true, "---S-", 0},
    };
    const char* const calls[] = {"mciSendString(set cdaudio door open)", "shellExecute(",
                                 "flashWindow(119,true)", "playSound(orbel.wav,131075)",
                                 "createDialog(151"};
    const std::string title = "満月 になりました!";
    const std::string text = "Orithaven [944/4/6（闇） 0:00 <満月>]\r\n"
                             "     Earth [2026/12/6（日） 9:00]\r\n"
                             "次は 12/6 10:55 に 立待月[炎] になります。";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePort p;
        script(p);
        p.placesWindows = row.placesWindows;
        if (!row.foreground) p.foreground = Hwnd{};
        COrbelApp a(p);
        std::map<int, std::string> popupTexts;
        const Step readPopup = [&](FakePort& fp, Hwnd) {
            for (Hwnd popup : fp.windowsOfTemplate(151))
                popupTexts = fp.windowState(popup)->texts;
        };
        run(p, a, {post(kWmApp + 1, (6u << 16), row.bits), readPopup, post(kWmClose)});
        std::string methods;
        long last = -1;
        for (std::size_t i = 0; i < std::size(calls); ++i) {
            const long index = test::indexOf(p, calls[i]);
            methods += index < 0 ? '-' : "CTFSP"[i];
            EXPECT_TRUE(index < 0 || index > last) << calls[i];
            last = std::max(last, index);
        }
        EXPECT_EQ(methods, row.methods);
        for (const std::string& tool : p.callsStartingWith("shellExecute("))
            EXPECT_TRUE(tool.ends_with(",,keyflash.exe,/w=500-500 /c=3 /ScrollLock,.,0)")) << tool;
        if (methods.back() == 'P') {
            EXPECT_EQ(popupTexts[1030], title);
            EXPECT_EQ(popupTexts[1024], text);
        }
        std::size_t balloons = 0;
        for (const auto& n : p.notifyCalls()) {
            if (n.message != kNimModify || n.data.uFlags != kNifInfo) continue;
            ++balloons;
            EXPECT_EQ(std::string(n.data.szInfoTitle), title);
            EXPECT_EQ(std::string(n.data.szInfo), text);
        }
        EXPECT_EQ(balloons, row.balloons);
    }
}

// The slide's icons go to the shell and end with the moon; the day change's
// new icon is the one "TaskbarCreated" adds again. While a dialog runs,
// clicks on the tray icon only bring it forward. The detail window gets the
// phase change before the sound plays.
TEST_F(MainWindow, HourChangeSlidesTheIconDayAndTimeChangesRebuildItAndDialogsRunOneAtATime) {
    port.menuChoice = res::ID_SEARCH_LUNAR;
    Hwnd search{}, detail{};
    bool blankedWhileOpen = false;
    run({post(kWmApp + 3, 0, 2), post(kWmApp + 3, 0, 1),
         [&](FakePort& p, Hwnd main) {
             for (unsigned timer : {32u, 31u, 33u}) {
                 const int steps = timer == 31 ? 1 : 16; // out, hold, back
                 for (int i = 0; i < steps; ++i)
                     EXPECT_TRUE(p.fireWindowTimer(main, timer)) << timer;
                 EXPECT_FALSE(p.fireWindowTimer(main, timer)) << timer;
             }
         },
         post(kWmApp + 2, (7u << 16) | 1u, 255),
         [](FakePort& p, Hwnd main) {
             p.postMessage(main, p.registerWindowMessage("TaskbarCreated"), 0, 0);
         },
         [](FakePort& p, Hwnd) { p.now = kMidnight + 86400; }, post(kWmTimeChange),
         tray(kWmRButtonUp),
         [&](FakePort& p, Hwnd main) {
             search = p.windowsOfTemplate(149).at(0);
             EXPECT_EQ(linesOf(p.getDlgItemText(search, CSearchDlg::kIdcResult)).size(), 25u);
             p.postMessage(main, kWmApp, 101, kWmRButtonUp);
         },
         tray(kWmLButtonDblClk), tray(kWmLButtonDown),
         [&](FakePort& p, Hwnd) { p.postMessage(search, kWmClose, 0, 0); }, tray(kWmLButtonDblClk),
         [&](FakePort& p, Hwnd) {
             detail = p.windowsOfTemplate(145).at(0);
             const auto last = p.notifyCalls().back(); // the tooltip alone was blanked
             blankedWhileOpen = isTip(last) && last.data.szTip[0] == '\0';
         },
         post(kWmApp + 1, (6u << 16), 0x100000), // sound only
         [](FakePort&, Hwnd) {}, post(kWmClose)});
    const auto timers = port.callsStartingWith("setTimer");
    ASSERT_EQ(timers.size(), 3u);
    EXPECT_TRUE(timers[0].ends_with(",32,75)")) << timers[0];
    EXPECT_TRUE(timers[1].ends_with(",31,36000)")) << timers[1];
    const auto notes = port.notifyCalls();
    ASSERT_GE(notes.size(), 37u);
    for (std::size_t i = 1; i <= 36; ++i) {
        SCOPED_TRACE(i); // 16 out, 16 back, the moon, the day, the re-add, the time
        EXPECT_EQ(notes[i].message, i == 35 ? kNimAdd : kNimModify);
        EXPECT_EQ(notes[i].data.uFlags, i == 35 ? 7u : kNifIcon);
    }
    EXPECT_NE(notes[1].data.hIcon, notes[3].data.hIcon);
    EXPECT_EQ(notes[33].data.hIcon, notes[0].data.hIcon);
    EXPECT_NE(notes[34].data.hIcon, notes[0].data.hIcon);
    EXPECT_EQ(notes[35].data.hIcon, notes[34].data.hIcon);

    EXPECT_EQ(port.menuCalls().size(), 1u);
    EXPECT_EQ(port.callsStartingWith("setForegroundWindow(" + num(search) + ")").size(), 3u);
    EXPECT_GT(at("doModal(145"), at("modalEnded(" + num(search) + ")"));
    EXPECT_TRUE(blankedWhileOpen);
    const long toDetail = at("postMessage(" + num(detail) + "," + std::to_string(kWmApp + 1) + ")");
    ASSERT_GE(toDetail, 0);
    EXPECT_LT(toDetail, at("playSound"));
}

} // namespace
} // namespace orbel
