// Start-up and teardown of the application object on the fake port.
#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/stringTable.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orbel {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

class AppStart : public ::testing::Test {
protected:
    AppStart() {
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        // A modal loop that runs dry ends (the fake records "modalStalled").
        port.onIdle = [](FakePort&) { return false; };
    }

    // The position of the first call starting with `prefix`, or -1.
    long indexOf(const std::string& prefix) const {
        const auto calls = port.calls();
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
        return -1;
    }
    bool ran() const { return indexOf("doModal(102") >= 0; }
    std::string box(std::size_t i = 0) const {
        const auto boxes = port.messageBoxes();
        return i < boxes.size() ? boxes[i].text : std::string("<no box>");
    }
    std::string settingsFile() const { return readBytes(dir / "orbel.ini"); }

    TempDir dir;
    FakePort port;
};

std::string expected(unsigned id, const char* code) {
    std::string s(res::loadString(id));
    const auto at = s.find("%1");
    if (at != std::string::npos) s.replace(at, 2, code);
    return s;
}

TEST_F(AppStart, RunsUntilCloseAndTearsDownInOrder) {
    COrbelApp app(port);
    port.onIdle = [&](FakePort& p) {
        // The menu's Exit: WM_CLOSE to the main window.
        return p.postMessage(app.mainWindow(), kWmClose, 0, 0);
    };
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(ran());
    EXPECT_TRUE(port.messageBoxes().empty());
    EXPECT_TRUE(port.callsStartingWith("modalStalled").empty());
    EXPECT_EQ(port.callsStartingWith("modalEnded").at(0).substr(port.callsStartingWith("modalEnded")[0].find('=')), "=0");

    const auto resync = port.callsStartingWith("timeSetEvent(600000,1,periodic)=");
    const auto ticker = port.callsStartingWith("timeSetEvent(200,1,periodic)=");
    ASSERT_EQ(resync.size(), 1u);
    ASSERT_EQ(ticker.size(), 1u);
    const std::string resyncId = resync[0].substr(resync[0].find('=') + 1);
    const std::string tickerId = ticker[0].substr(ticker[0].find('=') + 1);

    const long ended = indexOf("modalEnded");
    const long freeLib = indexOf("freeLibrary(uires0.dll)");
    const long killResync = indexOf("timeKillEvent(" + resyncId + ")");
    const long killTicker = indexOf("timeKillEvent(" + tickerId + ")");
    const long endPeriod = indexOf("timeEndPeriod(1)");
    const long mutexClosed = indexOf("closeMutex(orbel.Quil)");
    EXPECT_LT(ended, freeLib);
    EXPECT_LT(freeLib, killResync);
    EXPECT_LT(killResync, killTicker);
    EXPECT_LT(killTicker, endPeriod);
    EXPECT_LT(endPeriod, mutexClosed);
    EXPECT_TRUE(port.activeTimers().empty());
    EXPECT_TRUE(isNull(app.mainWindow()));

    // The start-up order before the run.
    EXPECT_LT(indexOf("getModuleFileName"), indexOf("createMutex(orbel.Quil)"));
    EXPECT_LT(indexOf("tryLockMutex"), indexOf("setJapaneseLocale"));
    EXPECT_LT(indexOf("setJapaneseLocale"), indexOf("loadLibrary(uires0.dll)"));
    EXPECT_LT(indexOf("registerExtensionModule"), indexOf("timeGetDevCaps"));
    EXPECT_LT(indexOf("timeBeginPeriod(1)"), indexOf("timeSetEvent(600000"));
    EXPECT_LT(indexOf("timeSetEvent(600000"), indexOf("timeSetEvent(200"));
}

TEST_F(AppStart, ServiceBoundsAreInclusive) {
    for (std::time_t t : {orlib::getServiceStart(), orlib::getServiceEnd()}) {
        FakePort p;
        p.moduleFileName = (dir.path() / "orbel.exe").string();
        p.now = t;
        p.onIdle = [](FakePort&) { return false; };
        COrbelApp app(p);
        app.InitInstance();
        EXPECT_FALSE(p.callsStartingWith("doModal(102").empty()) << t;
        EXPECT_TRUE(p.messageBoxes().empty()) << t;
    }
}

TEST_F(AppStart, ClockOutsideTheServiceRangeShowsMessage111AndTouchesNothing) {
    for (std::time_t t : {orlib::getServiceStart() - 1, orlib::getServiceEnd() + 1}) {
        FakePort p;
        p.now = t;
        COrbelApp app(p);
        p.clearCalls(); // the tray record measured the shell as it was built
        EXPECT_FALSE(app.InitInstance());
        ASSERT_EQ(p.messageBoxes().size(), 1u);
        EXPECT_EQ(p.messageBoxes()[0].text, res::loadString(res::IDS_BAD_CLOCK));
        EXPECT_EQ(p.messageBoxes()[0].caption, "orbel");
        EXPECT_EQ(p.messageBoxes()[0].type, kMbOk | kMbIconExclamation);
        EXPECT_EQ(p.calls(), std::vector<std::string>{"messageBox"}) << t;
    }
}

TEST_F(AppStart, SecondInstanceLeavesSilentlyWithoutWritingSettings) {
    port.mutexesHeldElsewhere.insert("orbel.Quil");
    COrbelApp app(port);
    app.InitInstance();
    EXPECT_FALSE(ran());
    EXPECT_TRUE(port.messageBoxes().empty());
    EXPECT_GE(indexOf("closeMutex(orbel.Quil)"), 0);
    EXPECT_EQ(indexOf("loadLibrary(uires0.dll"), -1);
    EXPECT_FALSE(std::filesystem::exists(dir / "orbel.ini"));
}

TEST_F(AppStart, RenamedExecutableUsesItsOwnMutexSettingsAndLog) {
    port.moduleFileName = (dir.path() / "other.exe").string();
    port.mutexesHeldElsewhere.insert("orbel.Quil"); // an orbel.exe runs beside it
    COrbelApp app(port);
    app.InitInstance();
    EXPECT_TRUE(ran());
    EXPECT_GE(indexOf("createMutex(other.Quil)"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "other.ini"));
    EXPECT_EQ(app.logPath(), (dir.path() / "other.log").string());
}

TEST_F(AppStart, MissingResourceModuleAndRegistrationFailure) {
    port.missingLibraries.insert("uires0.dll");
    {
        COrbelApp app(port);
        app.InitInstance();
        EXPECT_EQ(box(), expected(res::IDS_START_FAILED, "16"));
        EXPECT_FALSE(ran());
        EXPECT_TRUE(port.callsStartingWith("timeSetEvent").empty());
    }
    FakePort p2;
    p2.moduleFileName = port.moduleFileName;
    p2.extensionRegistrationFails = true;
    COrbelApp app(p2);
    app.InitInstance();
    ASSERT_EQ(p2.messageBoxes().size(), 1u);
    EXPECT_EQ(p2.messageBoxes()[0].text, expected(res::IDS_START_FAILED, "32"));
    EXPECT_TRUE(p2.callsStartingWith("timeSetEvent").empty());
}

struct TimerFailure {
    const char* name;
    void (*script)(FakePort&);
    const char* code;
    bool resyncCreated;
};

class AppTimerFailure : public AppStart, public ::testing::WithParamInterface<TimerFailure> {};

TEST_P(AppTimerFailure, ShowsCodeAndRunsTheWholeTeardown) {
    GetParam().script(port);
    COrbelApp app(port);
    app.InitInstance();
    EXPECT_FALSE(ran());
    EXPECT_EQ(box(), expected(res::IDS_START_FAILED, GetParam().code));
    // Teardown: library freed, the resync timer killed if it existed, the
    // period ended (even after a failed set-up), the mutex released.
    const long freeLib = indexOf("freeLibrary(uires0.dll)");
    const long endPeriod = indexOf("timeEndPeriod(");
    const long mutexClosed = indexOf("closeMutex(orbel.Quil)");
    EXPECT_GE(freeLib, 0);
    EXPECT_LT(freeLib, endPeriod);
    EXPECT_LT(endPeriod, mutexClosed);
    EXPECT_EQ(port.callsStartingWith("timeKillEvent").size(), GetParam().resyncCreated ? 1u : 0u);
    EXPECT_TRUE(port.activeTimers().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, AppTimerFailure,
    ::testing::Values(
        TimerFailure{"DevCapsFails", [](FakePort& p) { p.devCapsResult = kTimerNoCanDo; }, "1",
                     false},
        TimerFailure{"PeriodBelowDeviceMinimum",
                     [](FakePort& p) { p.devCaps = TimeCaps{250, 1000}; }, "2", false},
        TimerFailure{"PeriodAboveDeviceMaximum",
                     [](FakePort& p) { p.devCaps = TimeCaps{1, 100}; }, "2", false},
        TimerFailure{"BeginPeriodFails", [](FakePort& p) { p.beginPeriodResult = kTimerNoCanDo; },
                     "3", false},
        TimerFailure{"ResyncTimerFails",
                     [](FakePort& p) { p.failingTimerDelays.insert(600000); }, "4", false},
        TimerFailure{"TickerFails", [](FakePort& p) { p.failingTimerDelays.insert(200); }, "4",
                     true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppStart, FirstStartCreatesTheSettingsFileWithExactlyThreeKeys) {
    COrbelApp app(port);
    app.InitInstance();
    EXPECT_EQ(settingsFile(), "[Settings]\r\ntipupdate=1\r\ntsmode=0\r\ntrayicon=255\r\n");
    EXPECT_EQ(app.notification(), 0x11FFFFu);
    EXPECT_EQ(app.notifySound(), "orbel.wav");
    EXPECT_TRUE(app.tipUpdate());
}

TEST_F(AppStart, OddModeIsKeptAndOldWindowsReadsNoTipUpdate) {
    writeBytes(dir / "orbel.ini", "[Settings]\ntipupdate=1\ntsmode=7\n");
    port.osVersion = OsVersionInfo{4, 10, 0, kVerPlatformWin32Windows, 0}; // class 32
    COrbelApp app(port);
    app.InitInstance();
    EXPECT_EQ(app.tsMode(), 7);
    EXPECT_FALSE(app.tipUpdate());
    EXPECT_EQ(app.tickPeriod(), 200u); // ticks like mode 0
    EXPECT_EQ(port.callsStartingWith("timeSetEvent(200,").size(), 1u);
    EXPECT_EQ(settingsFile(), "[Settings]\ntipupdate=0\ntsmode=7\ntrayicon=255\n");
}

TEST_F(AppStart, NoBalloonsClearsTheBalloonBitWithoutWritingIt) {
    writeBytes(dir / "orbel.ini", "[Settings]\r\nnotification=4194303\r\n"); // bits 0..21
    port.shellVersion = DllVersionInfo{4, 72, 0, 0};
    COrbelApp app(port);
    app.InitInstance();
    EXPECT_EQ(app.notification(), 4194303u & ~0x200000u);
    EXPECT_NE(settingsFile().find("notification=4194303\r\n"), std::string::npos);
}

TEST_F(AppStart, BadSettingsFilesAreNotFatal) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 37);
    std::string big(10 * 1024 * 1024, 'x');
    for (std::size_t i = 80; i < big.size(); i += 81) big[i] = '\n';
    const Case cases[] = {{"garbage", "[[[=\n=\n;;\n[Settings\ntsmode==2=\n"},
                          {"binary", binary},
                          {"huge", "[Settings]\r\ntsmode=2\r\n" + big}};
    for (const Case& c : cases) {
        FakePort p;
        p.moduleFileName = port.moduleFileName;
        p.onIdle = [](FakePort&) { return false; };
        writeBytes(dir / "orbel.ini", c.bytes);
        COrbelApp app(p);
        app.InitInstance();
        EXPECT_FALSE(p.callsStartingWith("doModal(102").empty()) << c.name;
        EXPECT_TRUE(p.messageBoxes().empty()) << c.name;
        const std::string after = settingsFile();
        EXPECT_GE(after.size(), c.bytes.size()) << c.name; // nothing lost
    }
}

TEST_F(AppStart, ReadOnlySettingsFileIsLeftAloneAndTheProgramRuns) {
    const std::string original = "[Settings]\r\ntsmode=2\r\n";
    writeBytes(dir / "orbel.ini", original);
    std::filesystem::permissions(dir / "orbel.ini", std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::group_read);
    COrbelApp app(port);
    app.InitInstance();
    EXPECT_TRUE(ran());
    EXPECT_EQ(app.tsMode(), 2);
    EXPECT_EQ(settingsFile(), original);
}

TEST_F(AppStart, GetIconPicksTheResourceAndSize) {
    COrbelApp app(port);
    port.onIdle = [&](FakePort& p) {
        p.clearCalls();
        app.getIcon(0, false, true);
        app.getIcon(12, true, false);
        app.getIcon(-1, false, false);
        app.getIcon(5, true, false);
        app.getIcon(11, false, true);
        return false;
    };
    app.InitInstance();
    const auto loads = port.callsStartingWith("loadImage");
    ASSERT_EQ(loads.size(), 5u);
    EXPECT_EQ(loads[0], "loadImage(uires0.dll,102,16x16,flags=32832)");
    EXPECT_EQ(loads[1], "loadImage(uires0.dll,102,32x32,flags=64)");
    EXPECT_EQ(loads[2], "loadImage(uires0.dll,102,16x16,flags=64)");
    EXPECT_EQ(loads[3], "loadImage(uires0.dll,107,32x32,flags=64)");
    EXPECT_EQ(loads[4], "loadImage(uires0.dll,113,16x16,flags=32832)");
}

TEST_F(AppStart, ShowErrorFillsThePlaceholder) {
    COrbelApp app(port);
    app.showError(res::IDS_FATAL_ERROR, -255);
    app.showError(res::IDS_TRAY_ADD_FAILED, 7);
    EXPECT_EQ(box(0), "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : -255");
    EXPECT_EQ(box(1), res::loadString(res::IDS_TRAY_ADD_FAILED));
}

} // namespace
} // namespace orbel
