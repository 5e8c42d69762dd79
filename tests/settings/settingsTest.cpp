// The settings sheet as the user runs it from the tray menu of the program on
// the fake port: the settings file, the timer calls around storing, the icon.
#include "app/iniFile.h"
#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/menu.h"
#include "settings/displaySetting.h"
#include "tests/support/tempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orbel {
namespace {

using Pages = std::vector<Hwnd>;
using Calls = std::vector<std::string>;

class SettingsSheet : public ::testing::Test {
protected:
    SettingsSheet() { port.moduleFileName = (dir / "orbel.exe").string(); }

    void writeSettings(const std::string& lines) {
        test::writeBytes(dir / "orbel.ini", "[Settings]\r\n" + lines);
    }
    std::string file() const { return test::readBytes(dir / "orbel.ini"); }
    std::string setting(const char* key) const {
        return ini::Document(file()).get("Settings", key).value_or("<missing>");
    }
    // Runs the settings command `sheets` times (each calls `inside` in the
    // sheet, with page 1 made when `openNotify`), then exits.
    void runProgram(const std::string& settings, bool openNotify,
                    std::function<void(FakePort&, const Pages&)> inside, int sheets = 1) {
        writeSettings(settings);
        port.clearCalls();
        port.sheetOpensPages = openNotify ? std::set<int>{1} : std::set<int>{};
        port.onSheet = std::move(inside);
        COrbelApp app(port);
        int commands = 0;
        port.onIdle = [&](FakePort& p) {
            if (commands++ < sheets)
                return p.postMessage(app.mainWindow(), kWmCommand, res::ID_SETTINGS, 0);
            return p.postMessage(app.mainWindow(), kWmClose, 0, 0);
        };
        app.InitInstance();
        ASSERT_EQ(port.callsStartingWith("propertySheetEnded").size(), std::size_t(sheets));
        ASSERT_TRUE(port.callsStartingWith("modalStalled").empty());
    }
    // "id:on" or "id:off" per box, "/disabled" added where the user cannot change it.
    std::string boxes(Hwnd page, std::initializer_list<int> ids) const {
        std::string s;
        for (int id : ids) {
            const auto c = port.controlState(page, id).value();
            s += (s.empty() ? "" : " ") + std::to_string(id) + (c.checked ? ":on" : ":off") +
                 (c.enabled ? "" : "/disabled");
        }
        return s;
    }
    std::string timerId(unsigned delay) const {
        const auto set = port.callsStartingWith("timeSetEvent(" + std::to_string(delay) + ",");
        return set.empty() ? "<none>" : set.front().substr(set.front().find('=') + 1);
    }
    // The timer calls (ids dropped from timeSetEvent, window timers named
    // only) after the first call starting with `from` (or from the start) up
    // to the next one starting with `to`.
    Calls timerCalls(const std::string& from, const std::string& to) const {
        const Calls calls = port.calls();
        auto it = std::find_if(calls.begin(), calls.end(),
                               [&](const std::string& c) { return c.starts_with(from); });
        Calls out;
        if (it != calls.end() && !from.empty()) ++it;
        for (; it != calls.end() && !it->starts_with(to); ++it) {
            if (it->starts_with("killTimer(")) out.push_back("killTimer");
            if (it->starts_with("timeSetEvent(") || it->starts_with("timeKillEvent("))
                out.push_back(it->substr(0, it->starts_with("timeSet") ? it->find('=') : it->npos));
        }
        return out;
    }
    std::size_t iconModifies() const {
        const auto calls = port.notifyCalls();
        return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [](auto& c) {
            return c.message == kNimModify && (c.data.uFlags & kNifIcon);
        }));
    }

    test::TempDir dir;
    FakePort port;
};

TEST_F(SettingsSheet, EachBoxShowsAndStoresOnlyItsOwnSetting) {
    // From "all off" on the page, one click; the bits without a box (LED
    // tool, flash, low bits) stay.
    constexpr unsigned kNoBox = 0xC0000 | 0x5;
    struct Row {
        int page, box;
        const char* key;
        std::string before, after;
    };
    const std::string notify = "notification=" + std::to_string(kNoBox) + "\r\n";
    const Row rows[] = {{1, 1025, "notification", notify, std::to_string(kNoBox | 0x200000)},
                        {1, 1026, "notification", notify, std::to_string(kNoBox | 0x20000)},
                        {1, 1027, "notification", notify, std::to_string(kNoBox | 0x100000)},
                        {1, 1028, "notification", notify, std::to_string(kNoBox | 0x10000)},
                        {0, 1032, "trayicon", "trayicon=0\r\ntipupdate=1\r\n", "1"},
                        {0, 1031, "trayicon", "trayicon=0\r\ntipupdate=1\r\n", "2"},
                        {0, 1019, "tipupdate", "trayicon=0\r\ntipupdate=1\r\n", "0"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.box);
        runProgram(r.before, r.page == 1, [&](FakePort& p, const Pages& pages) {
            EXPECT_EQ(boxes(pages[r.page], {r.box}), std::to_string(r.box) + ":off");
            p.clickCheck(pages[r.page], r.box);
        });
        EXPECT_EQ(setting(r.key), r.after);
    }
    // Looking at the page or not opening it keeps every bit.
    runProgram("notification=4194303\r\n", true, {});
    EXPECT_EQ(setting("notification"), "4194303");
    // The file removed in the sheet, so that the write-back shows.
    runProgram("notification=3997711\r\n", false,
               [&](FakePort&, const Pages&) { std::filesystem::remove(dir / "orbel.ini"); });
    EXPECT_EQ(setting("notification"), "3997711");
}

TEST_F(SettingsSheet, PagesShowTheCurrentSettings) {
    runProgram("notification=" + std::to_string(0x200000 | 0x10000) + "\r\n", true,
               [&](FakePort&, const Pages& pages) {
                   EXPECT_EQ(boxes(pages[1], {1025, 1026, 1027, 1028}),
                             "1025:on 1026:off 1027:off 1028:on");
               });
    runProgram("trayicon=2\r\ntipupdate=0\r\ntsmode=1\r\n", false,
               [&](FakePort&, const Pages& pages) {
                   // The page's own buttons are hidden; 1019 is live on class 96.
                   for (int button : {1, 2}) {
                       const auto c = port.controlState(pages[0], button).value();
                       EXPECT_FALSE(c.visible || c.enabled) << button;
                   }
                   EXPECT_EQ(boxes(pages[0], {1031, 1032, 1019, 1016, 1017, 1018}),
                             "1031:on 1032:off 1019:on 1016:off 1017:on 1018:off");
               });
    EXPECT_EQ(port.callsStartingWith("propertySheet("), Calls{"propertySheet(orbel - 設定)"});
    // An unknown time mode shows the standard button and is stored as 0;
    // start-up wrote it back unchanged.
    runProgram("tsmode=7\r\n", false, [&](FakePort&, const Pages& pages) {
        EXPECT_EQ(setting("tsmode"), "7");
        EXPECT_EQ(boxes(pages[0], {1016, 1017, 1018}), "1016:on 1017:off 1018:off");
    });
    EXPECT_EQ(setting("tsmode"), "0");
}

TEST_F(SettingsSheet, WhatTheSystemCannotDo) {
    // Without balloons the box is disabled, unchecked and stored as 0.
    port.shellVersion = {4, 71, 0, 0};
    runProgram("notification=" + std::to_string(0x200000 | 0x100000) + "\r\n", true,
               [&](FakePort&, const Pages& pages) {
                   EXPECT_EQ(boxes(pages[1], {1025, 1027}), "1025:off/disabled 1027:on");
               });
    EXPECT_EQ(setting("notification"), std::to_string(0x100000));
    // On NT 4 (class 64) the tooltip box is disabled but keeps its state.
    port.shellVersion = {6, 0, 0, 0};
    port.osVersion = {4, 0, 1381, kVerPlatformWin32Nt, 0};
    for (auto [ini, shown] : {std::pair{"0", "1019:on/disabled"}, {"1", "1019:off/disabled"}}) {
        runProgram(
            std::string("tipupdate=") + ini + "\r\n", false,
            [&](FakePort&, const Pages& pages) { EXPECT_EQ(boxes(pages[0], {1019}), shown); });
        EXPECT_EQ(setting("tipupdate"), ini);
    }
    for (int cls : {0, 1, 16, 32, 64})
        EXPECT_FALSE(tipUpdateChoiceAvailable(cls)) << cls;
    for (int cls : {48, 80, 96, 112})
        EXPECT_TRUE(tipUpdateChoiceAvailable(cls)) << cls;
}

TEST_F(SettingsSheet, DefaultTrayIconIsRebuiltOnTheFirstOkOnly) {
    // No "trayicon" in the file: 255, of which the sheet keeps two bits.
    std::vector<std::size_t> before;
    runProgram(
        "", false, [&](FakePort&, const Pages&) { before.push_back(iconModifies()); }, 2);
    EXPECT_EQ(setting("trayicon"), "3");
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[1], before[0] + 1);  // the first OK sent one NIF_ICON modify
    EXPECT_EQ(iconModifies(), before[1]); // the second, unchanged, none
}

TEST_F(SettingsSheet, CancelStoresNothingAndOnlyRestartsTheHoverCheck) {
    port.sheetResult = kIdCancel;
    std::string during;
    runProgram("tsmode=1\r\nnotification=4194303\r\n", true, [&](FakePort& p, const Pages& pages) {
        during = file();
        p.clickRadio(pages[0], 1018);
        p.clickCheck(pages[0], 1031);
        p.clickCheck(pages[1], 1025);
    });
    EXPECT_EQ(file(), during);
    // Between the sheet and the exit only the hover check starts again.
    EXPECT_EQ(timerCalls("propertySheetEnded", "endDialog("),
              Calls{"timeSetEvent(2400,1,periodic)"});
}

TEST_F(SettingsSheet, OkStopsTheTickerStoresInOrderRestartsItThenTheHoverCheck) {
    runProgram("tsmode=0\r\ntipupdate=1\r\n", false, [&](FakePort& p, const Pages& pages) {
        p.clickRadio(pages[0], 1018);
        std::filesystem::remove(dir / "orbel.ini"); // to see what the sheet writes, in order
    });
    EXPECT_EQ(file(), "[Settings]\r\ntsmode=2\r\ntipupdate=1\r\ntrayicon=3\r\n"
                      "notification=1179647\r\n");
    // The hover check (2400 ms) is the last timer stopped before the sheet.
    const Calls before = timerCalls("", "propertySheet(");
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.back(), "timeKillEvent(" + timerId(2400) + ")");
    // Mode 2 ticks every 40 ms, and with live updates on so does the check.
    // The icon is rebuilt between the two (refreshIcon stops the weekday
    // slide timers first).
    EXPECT_EQ(timerCalls("propertySheetEnded", "endDialog("),
              (Calls{"timeKillEvent(" + timerId(200) + ")", "timeSetEvent(40,1,periodic)",
                     "killTimer", "killTimer", "killTimer", "timeSetEvent(40,1,periodic)"}));
}

TEST_F(SettingsSheet, FailedIconRebuildIsLoggedAndTheSettingsStayStored) {
    runProgram("trayicon=1\r\n", false, [&](FakePort& p, const Pages& pages) {
        p.clickCheck(pages[0], 1031);
        p.iconCreationFails = true;
    });
    EXPECT_EQ(setting("trayicon"), "3");
    EXPECT_THAT(test::readBytes(dir / "orbel.log"),
                ::testing::ContainsRegex("settingsCommand\\.cpp\\(.+\\) ; resetIcon failed"));
}

TEST_F(SettingsSheet, SheetWindowIsKnownOnlyWhileItRuns) {
    COrbelApp app(port);
    CSettingDlg sheet(app);
    CDisplaySetting display(app);
    sheet.addPage(display);
    Hwnd during{};
    port.onSheet = [&](FakePort& p, const Pages& pages) {
        during = sheet.hwnd();
        EXPECT_EQ(during, p.getParent(pages[0]));
    };
    EXPECT_EQ(sheet.DoModal(), kIdOk);
    EXPECT_FALSE(isNull(during));
    EXPECT_TRUE(isNull(sheet.hwnd()) && isNull(display.hwnd()));
}

} // namespace
} // namespace orbel
