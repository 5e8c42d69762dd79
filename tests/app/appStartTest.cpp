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
    static long indexOf(const FakePort& p, const std::string& prefix) {
        const auto calls = p.calls();
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
        return -1;
    }
    long indexOf(const std::string& prefix) const { return indexOf(port, prefix); }
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
    const auto modal = port.callsStartingWith("modalEnded");
    ASSERT_EQ(modal.size(), 1u);
    EXPECT_EQ(modal[0].substr(modal[0].find('=')), "=0");

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

// Both bounds of the calendar's range run; one second outside either shows
// message 111 and touches nothing else.
TEST_F(AppStart, ClockIsCheckedAgainstTheServiceRangeWithInclusiveBounds) {
    const std::time_t start = orlib::getServiceStart(), end = orlib::getServiceEnd();
    for (const std::time_t t : {start, end, start - 1, end + 1}) {
        SCOPED_TRACE(t);
        const bool inside = t >= start && t <= end;
        FakePort p;
        p.moduleFileName = port.moduleFileName;
        p.now = t;
        p.onIdle = [](FakePort&) { return false; };
        COrbelApp app(p);
        p.clearCalls(); // the tray record measured the shell as it was built
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(indexOf(p, "doModal(102") >= 0, inside);
        ASSERT_EQ(p.messageBoxes().size(), inside ? 0u : 1u);
        if (inside) continue;
        EXPECT_EQ(p.messageBoxes()[0].text, res::loadString(res::IDS_BAD_CLOCK));
        EXPECT_EQ(p.messageBoxes()[0].caption, "orbel");
        EXPECT_EQ(p.messageBoxes()[0].type, kMbOk | kMbIconExclamation);
        EXPECT_EQ(p.calls(), std::vector<std::string>{"messageBox"});
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

// Every failure after the mutex: one box with its code, no run, and the
// teardown of what was set up so far, in order: library freed, the resync
// timer killed if it existed, the period ended (even after a failed set-up),
// the mutex released.
TEST_F(AppStart, StartFailuresShowTheirCodeAndTearDownWhatWasSetUp) {
    struct Row {
        const char* name;
        void (*script)(FakePort&);
        const char* code;
        bool libraryLoaded, timersTried, resyncCreated;
    };
    const Row rows[] = {
        {"no resource module", [](FakePort& p) { p.missingLibraries.insert("uires0.dll"); }, "16",
         false, false, false},
        {"registration fails", [](FakePort& p) { p.extensionRegistrationFails = true; }, "32", true,
         false, false},
        {"devcaps fails", [](FakePort& p) { p.devCapsResult = kTimerNoCanDo; }, "1", true, true,
         false},
        {"period below device minimum",
         [](FakePort& p) {
             p.devCaps = TimeCaps{250, 1000};
         },
         "2", true, true, false},
        {"period above device maximum",
         [](FakePort& p) {
             p.devCaps = TimeCaps{1, 100};
         },
         "2", true, true, false},
        {"begin period fails", [](FakePort& p) { p.beginPeriodResult = kTimerNoCanDo; }, "3", true,
         true, false},
        {"resync timer fails", [](FakePort& p) { p.failingTimerDelays.insert(600000); }, "4", true,
         true, false},
        {"ticker fails", [](FakePort& p) { p.failingTimerDelays.insert(200); }, "4", true, true,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePort p;
        p.moduleFileName = port.moduleFileName;
        row.script(p);
        COrbelApp app(p);
        app.InitInstance();
        EXPECT_EQ(indexOf(p, "doModal(102"), -1);
        ASSERT_EQ(p.messageBoxes().size(), 1u);
        EXPECT_EQ(p.messageBoxes()[0].text, expected(res::IDS_START_FAILED, row.code));
        const long freeLib = indexOf(p, "freeLibrary(uires0.dll)");
        const long endPeriod = indexOf(p, "timeEndPeriod(");
        const long mutexClosed = indexOf(p, "closeMutex(orbel.Quil)");
        EXPECT_EQ(freeLib >= 0, row.libraryLoaded);
        EXPECT_EQ(endPeriod >= 0, row.timersTried);
        if (!row.timersTried) {
            EXPECT_TRUE(p.callsStartingWith("timeSetEvent").empty());
        }
        EXPECT_LT(std::max(freeLib, endPeriod), mutexClosed);
        EXPECT_LT(row.timersTried ? freeLib : -2, endPeriod);
        EXPECT_EQ(p.callsStartingWith("timeKillEvent").size(), row.resyncCreated ? 1u : 0u);
        EXPECT_TRUE(p.activeTimers().empty());
    }
}

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
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 37);
    std::string big(10 * 1024 * 1024, 'x');
    for (std::size_t i = 80; i < big.size(); i += 81)
        big[i] = '\n';
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

// Phase 0 to 11 are resources 102 to 113; anything else is the new moon.
TEST_F(AppStart, GetIconPicksTheResourceAndSize) {
    struct Row {
        int phase;
        bool large, shared;
        const char* load;
    };
    const Row rows[] = {
        {0, false, true, "loadImage(uires0.dll,102,16x16,flags=32832)"},
        {1, false, false, "loadImage(uires0.dll,103,16x16,flags=64)"},
        {5, true, false, "loadImage(uires0.dll,107,32x32,flags=64)"},
        {11, false, true, "loadImage(uires0.dll,113,16x16,flags=32832)"},
        {12, true, false, "loadImage(uires0.dll,102,32x32,flags=64)"},
        {-1, false, false, "loadImage(uires0.dll,102,16x16,flags=64)"},
    };
    COrbelApp app(port);
    bool checked = false; // the icons load from the module of a running program
    port.onIdle = [&](FakePort& p) {
        checked = true;
        for (const Row& row : rows) {
            p.clearCalls();
            app.getIcon(row.phase, row.large, row.shared);
            EXPECT_EQ(p.callsStartingWith("loadImage"), std::vector<std::string>{row.load})
                << "phase " << row.phase;
        }
        return false;
    };
    app.InitInstance();
    EXPECT_TRUE(checked);
}

TEST_F(AppStart, ShowErrorFillsThePlaceholder) {
    COrbelApp app(port);
    app.showError(res::IDS_FATAL_ERROR, -255);
    app.showError(res::IDS_TRAY_ADD_FAILED, 7);
    EXPECT_EQ(box(0),
              "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : -255");
    EXPECT_EQ(box(1), res::loadString(res::IDS_TRAY_ADD_FAILED));
}

} // namespace
} // namespace orbel
