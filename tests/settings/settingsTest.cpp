// The settings sheet, run the way the user runs it: the whole program starts
// on the fake port, the tray menu's settings command opens the sheet, the
// test plays the user inside it and then exits the program. What counts is
// what ends up in the settings file, the order of the timer calls around
// storing, and the icon rebuild.
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

using test::readBytes;
using test::TempDir;
using test::writeBytes;
using ::testing::ContainsRegex;
using Pages = std::vector<Hwnd>;

constexpr unsigned kShellNoBalloon = 4;

class SettingsSheet : public ::testing::Test {
protected:
    SettingsSheet() { port.moduleFileName = (dir / "orbel.exe").string(); }

    void writeSettings(const std::string& lines) {
        writeBytes(dir / "orbel.ini", "[Settings]\r\n" + lines);
    }
    std::string file() const { return readBytes(dir / "orbel.ini"); }
    std::string setting(const char* key) const {
        return ini::Document(file()).get("Settings", key).value_or("<missing>");
    }

    // Starts the program, runs the settings command `sheets` times (each
    // run calls port.onSheet inside the sheet) and exits from the menu.
    void runProgram(int sheets = 1) {
        COrbelApp app(port);
        int commands = 0;
        port.onIdle = [&](FakePort& p) {
            if (commands++ < sheets)
                return p.postMessage(app.mainWindow(), kWmCommand, res::ID_SETTINGS, 0);
            return p.postMessage(app.mainWindow(), kWmClose, 0, 0);
        };
        app.InitInstance();
        ASSERT_EQ(port.callsStartingWith("propertySheetEnded").size(),
                  static_cast<std::size_t>(sheets));
        ASSERT_TRUE(port.callsStartingWith("modalStalled").empty());
    }

    bool checked(Hwnd page, int id) const { return port.controlState(page, id)->checked; }
    bool enabled(Hwnd page, int id) const { return port.controlState(page, id)->enabled; }

    // The id a timeSetEvent call with this delay returned, the first time.
    std::string timerId(unsigned delay) const {
        const auto set = port.callsStartingWith("timeSetEvent(" + std::to_string(delay) + ",");
        return set.empty() ? "<none>" : set.front().substr(set.front().find('=') + 1);
    }
    // The timer calls after the first call starting with `from`, up to the
    // next call starting with `to`.
    std::vector<std::string> timerCalls(const std::string& from, const std::string& to) const {
        const auto calls = port.calls();
        const auto starts = [](const std::string& c, const std::string& p) {
            return c.rfind(p, 0) == 0;
        };
        auto it = std::find_if(calls.begin(), calls.end(),
                               [&](const std::string& c) { return starts(c, from); });
        std::vector<std::string> out;
        if (it == calls.end()) return out;
        for (++it; it != calls.end() && !starts(*it, to); ++it)
            if (starts(*it, "timeSetEvent(") || starts(*it, "timeKillEvent(")) out.push_back(*it);
        return out;
    }
    // The timer call just before the sheet opened.
    std::string lastTimerCallBeforeSheet() const {
        const auto calls = port.calls();
        std::string last = "<none>";
        for (const std::string& c : calls) {
            if (c.rfind("propertySheet(", 0) == 0) break;
            if (c.rfind("timeSetEvent(", 0) == 0 || c.rfind("timeKillEvent(", 0) == 0) last = c;
        }
        return last;
    }
    std::size_t iconModifies() const {
        const auto calls = port.notifyCalls();
        return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [](auto& c) {
            return c.message == kNimModify && (c.data.uFlags & kNifIcon);
        }));
    }

    TempDir dir;
    FakePort port;
};

TEST_F(SettingsSheet, OkWithoutOpeningTheNotificationPageKeepsEveryBitOfIt) {
    // Balloon, sound, LED tool, caption flash, popup and four low bits.
    writeSettings("notification=3997711\r\n");
    // Without the file the write-back shows in it.
    port.onSheet = [&](FakePort&, const Pages&) { std::filesystem::remove(dir / "orbel.ini"); };
    runProgram();
    EXPECT_EQ(setting("notification"), "3997711");
}

TEST_F(SettingsSheet, TheNotificationPageChangesOnlyTheBitsItHasBoxesFor) {
    writeSettings("notification=4194303\r\n"); // bits 0 to 21
    port.sheetOpensPages = {1};
    runProgram();
    EXPECT_EQ(setting("notification"), "4194303"); // looking changes nothing

    // Each box toggles its own bit; the LED tool, the flash and the low
    // bits, which have no box, stay.
    constexpr unsigned kNoBox = 0xC0000 | 0x5;
    const std::pair<int, unsigned> boxes[] = {
        {1025, 0x200000}, {1026, 0x20000}, {1027, 0x100000}, {1028, 0x10000}};
    for (const auto& [box, bit] : boxes) {
        writeSettings("notification=" + std::to_string(kNoBox) + "\r\n");
        port.clearCalls();
        port.sheetOpensPages = {1};
        port.onSheet = [&, box = box](FakePort& p, const Pages& pages) {
            EXPECT_FALSE(checked(pages[1], box)) << box;
            p.clickCheck(pages[1], box);
        };
        runProgram();
        EXPECT_EQ(setting("notification"), std::to_string(kNoBox | bit)) << box;
    }
}

TEST_F(SettingsSheet, NotificationPageShowsTheBitsItWasGiven) {
    writeSettings("notification=" + std::to_string(0x200000 | 0x10000) + "\r\n");
    port.sheetOpensPages = {1};
    port.onSheet = [&](FakePort&, const Pages& pages) {
        EXPECT_TRUE(checked(pages[1], 1025));
        EXPECT_FALSE(checked(pages[1], 1026));
        EXPECT_FALSE(checked(pages[1], 1027));
        EXPECT_TRUE(checked(pages[1], 1028));
        EXPECT_TRUE(enabled(pages[1], 1025));
    };
    runProgram();
}

TEST_F(SettingsSheet, DisplayBoxesMapToTheirSettings) {
    // One box per run, starting from all off and live tooltip updates on.
    const std::pair<int, std::pair<const char*, const char*>> boxes[] = {
        {1032, {"trayicon", "1"}}, {1031, {"trayicon", "2"}}, {1019, {"tipupdate", "0"}}};
    for (const auto& [box, expect] : boxes) {
        writeSettings("trayicon=0\r\ntipupdate=1\r\n");
        port.clearCalls();
        port.onSheet = [&, box = box](FakePort& p, const Pages& pages) {
            EXPECT_FALSE(checked(pages[0], box)) << box;
            p.clickCheck(pages[0], box);
        };
        runProgram();
        EXPECT_EQ(setting(expect.first), expect.second) << box;
    }
}

TEST_F(SettingsSheet, DisplayPageHidesItsOwnButtonsAndShowsTheCurrentLook) {
    writeSettings("trayicon=2\r\ntipupdate=0\r\ntsmode=1\r\n");
    port.onSheet = [&](FakePort&, const Pages& pages) {
        ASSERT_TRUE(isNull(pages[1])); // the second page is made only when opened
        for (int button : {1, 2}) {
            EXPECT_FALSE(port.controlState(pages[0], button)->visible) << button;
            EXPECT_FALSE(enabled(pages[0], button)) << button;
        }
        EXPECT_TRUE(checked(pages[0], 1031));
        EXPECT_FALSE(checked(pages[0], 1032));
        EXPECT_TRUE(checked(pages[0], 1019));
        EXPECT_TRUE(enabled(pages[0], 1019)); // class 96
        EXPECT_FALSE(checked(pages[0], 1016));
        EXPECT_TRUE(checked(pages[0], 1017));
        EXPECT_FALSE(checked(pages[0], 1018));
    };
    runProgram();
    EXPECT_EQ(port.callsStartingWith("propertySheet("),
              std::vector<std::string>{"propertySheet(orbel - 設定)"});
}

TEST_F(SettingsSheet, DefaultTrayIconIsRebuiltOnTheFirstOkOnly) {
    // No "trayicon" in the file: 255, of which the sheet keeps two bits.
    writeSettings("");
    std::vector<std::size_t> before;
    port.onSheet = [&](FakePort&, const Pages&) { before.push_back(iconModifies()); };
    runProgram(2);
    EXPECT_EQ(setting("trayicon"), "3");
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[1], before[0] + 1);  // the first OK sent one NIF_ICON modify
    EXPECT_EQ(iconModifies(), before[1]); // the second, unchanged, none
}

TEST_F(SettingsSheet, UnknownTimeModeShowsTheStandardButtonAndIsStoredAsZero) {
    writeSettings("tsmode=7\r\n");
    port.onSheet = [&](FakePort&, const Pages& pages) {
        EXPECT_EQ(setting("tsmode"), "7"); // start-up wrote it back unchanged
        EXPECT_TRUE(checked(pages[0], 1016));
        EXPECT_FALSE(checked(pages[0], 1017));
        EXPECT_FALSE(checked(pages[0], 1018));
    };
    runProgram();
    EXPECT_EQ(setting("tsmode"), "0");
}

TEST_F(SettingsSheet, WithoutBalloonsTheBoxIsDisabledUncheckedAndStoredAsZero) {
    port.shellVersion = {kShellNoBalloon, 71, 0, 0};
    writeSettings("notification=" + std::to_string(0x200000 | 0x100000) + "\r\n");
    port.sheetOpensPages = {1};
    port.onSheet = [&](FakePort&, const Pages& pages) {
        EXPECT_FALSE(enabled(pages[1], 1025));
        EXPECT_FALSE(checked(pages[1], 1025));
        EXPECT_TRUE(checked(pages[1], 1027));
    };
    runProgram();
    EXPECT_EQ(setting("notification"), std::to_string(0x100000));
}

TEST_F(SettingsSheet, OnNt4TheTooltipBoxIsDisabledButKeepsItsState) {
    port.osVersion = {4, 0, 1381, kVerPlatformWin32Nt, 0}; // class 64
    for (const char* tipUpdate : {"0", "1"}) {
        writeSettings(std::string("tipupdate=") + tipUpdate + "\r\n");
        port.clearCalls();
        port.onSheet = [&](FakePort&, const Pages& pages) {
            EXPECT_EQ(checked(pages[0], 1019), *tipUpdate == '0') << tipUpdate;
            EXPECT_FALSE(enabled(pages[0], 1019));
        };
        runProgram();
        EXPECT_EQ(setting("tipupdate"), tipUpdate);
    }
}

TEST_F(SettingsSheet, CancelStoresNothingLeavesTheTickerAndRestartsTheHoverCheck) {
    writeSettings("tsmode=1\r\nnotification=4194303\r\n");
    port.sheetOpensPages = {1};
    port.sheetResult = kIdCancel;
    std::string during;
    port.onSheet = [&](FakePort& p, const Pages& pages) {
        during = file();
        p.clickRadio(pages[0], 1018);
        p.clickCheck(pages[0], 1031);
        p.clickCheck(pages[1], 1025);
    };
    runProgram();
    EXPECT_EQ(file(), during);
    EXPECT_EQ(lastTimerCallBeforeSheet(), "timeKillEvent(" + timerId(2400) + ")");
    // Between the sheet and the exit only the hover check starts again.
    const auto after = timerCalls("propertySheetEnded", "endDialog(");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].substr(0, after[0].find('=')), "timeSetEvent(2400,1,periodic)");
}

TEST_F(SettingsSheet, OkStopsTheTickerStoresInOrderRestartsItThenTheHoverCheck) {
    writeSettings("tsmode=0\r\ntipupdate=1\r\n");
    std::size_t iconsBefore = 0;
    port.onSheet = [&](FakePort& p, const Pages& pages) {
        p.clickRadio(pages[0], 1018);
        // The file comes back with only what the sheet writes, in the order
        // it writes it.
        std::filesystem::remove(dir / "orbel.ini");
        iconsBefore = iconModifies();
    };
    runProgram();
    EXPECT_EQ(file(), "[Settings]\r\ntsmode=2\r\ntipupdate=1\r\ntrayicon=3\r\n"
                      "notification=1179647\r\n");

    EXPECT_EQ(lastTimerCallBeforeSheet(), "timeKillEvent(" + timerId(2400) + ")");
    const auto after = timerCalls("propertySheetEnded", "endDialog(");
    ASSERT_EQ(after.size(), 3u);
    // Mode 2 ticks every 40 ms, and with live updates on so does the check.
    EXPECT_EQ(after[0], "timeKillEvent(" + timerId(200) + ")");
    EXPECT_EQ(after[1].substr(0, after[1].find('=')), "timeSetEvent(40,1,periodic)");
    EXPECT_EQ(after[2].substr(0, after[2].find('=')), "timeSetEvent(40,1,periodic)");
    EXPECT_EQ(iconModifies(), iconsBefore + 1);

    // The icon is rebuilt after the ticker restarted and before the hover
    // check: refreshIcon stops the weekday slide timers first.
    const auto calls = port.calls();
    const auto at = [&](const std::string& prefix, std::ptrdiff_t from = 0) {
        const auto it = std::find_if(calls.begin() + from, calls.end(),
                                     [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
        return it - calls.begin();
    };
    const auto sheetEnded = at("propertySheetEnded");
    const auto newTicker = at(after[1], sheetEnded);
    const auto refresh = at("killTimer(", sheetEnded);
    const auto newHover = at(after[2], newTicker + 1);
    EXPECT_LT(newTicker, refresh);
    EXPECT_LT(refresh, newHover);
    EXPECT_LT(newHover, static_cast<std::ptrdiff_t>(calls.size()));
}

TEST_F(SettingsSheet, FailedIconRebuildIsLoggedAndTheSettingsStayStored) {
    writeSettings("trayicon=1\r\n");
    port.onSheet = [&](FakePort& p, const Pages& pages) {
        p.clickCheck(pages[0], 1031);
        p.iconCreationFails = true;
    };
    runProgram();
    EXPECT_EQ(setting("trayicon"), "3");
    const std::string log = readBytes(dir / "orbel.log");
    EXPECT_THAT(log, ContainsRegex("settingsCommand\\.cpp\\(.+\\) ; resetIcon failed"));
}

TEST_F(SettingsSheet, SheetWindowIsKnownOnlyWhileItRuns) {
    COrbelApp app(port);
    CSettingDlg sheet(app);
    CDisplaySetting display(app);
    sheet.addPage(display);
    Hwnd during{};
    Hwnd pageDuring{};
    port.onSheet = [&](FakePort& p, const Pages& pages) {
        during = sheet.hwnd();
        pageDuring = pages[0];
        EXPECT_EQ(during, p.getParent(pages[0]));
    };
    EXPECT_EQ(sheet.DoModal(), kIdOk);
    EXPECT_FALSE(isNull(during));
    EXPECT_NE(during, pageDuring);
    EXPECT_TRUE(isNull(sheet.hwnd()));
    EXPECT_TRUE(isNull(display.hwnd()));
}

TEST(DisplaySettingFields, TooltipChoiceIsClosedOnlyOnSystemsWithoutALiveTooltip) {
    for (int cls : {0, 1, 16, 32, 64})
        EXPECT_FALSE(tipUpdateChoiceAvailable(cls)) << cls;
    for (int cls : {48, 80, 96, 112})
        EXPECT_TRUE(tipUpdateChoiceAvailable(cls)) << cls;
}

} // namespace
} // namespace orbel
