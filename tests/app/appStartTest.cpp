// Start-up and teardown of the application object on the fake port.
#include "res/stringTable.h"
#include "tests/support/appAccess.h"
#include "tests/support/appCases.h"

#include <functional>
#include <sstream>
#include <tuple>

namespace orbel {
namespace {

using namespace test;

using AppStart = ProgramCase;

TEST_F(AppStart, RunsUntilCloseAndTearsDownInOrder) {
    port->devCaps = TimeCaps{10, 1000};
    COrbelApp app(*port);
    port->onIdle = [&](FakePort& p) { return p.postMessage(app.mainWindow(), kWmClose, 0, 0); };
    EXPECT_FALSE(app.InitInstance());
    // Each timer is killed by the id its one creation returned.
    const auto killOf = [&](const char* set) {
        const auto made = port->callsStartingWith(set);
        EXPECT_EQ(made.size(), 1u) << set;
        return "timeKillEvent(" + made.at(0).substr(made.at(0).find('=') + 1) + ")";
    };
    std::istringstream order(
        "getModuleFileName createMutex(orbel.Quil) tryLockMutex setJapaneseLocale "
        "loadLibrary(uires0.dll) registerExtensionModule timeGetDevCaps timeBeginPeriod(10) "
        "timeSetEvent(600000 timeSetEvent(200 doModal(102 modalEnded freeLibrary(uires0.dll) " +
        killOf("timeSetEvent(600000,10,periodic)=") + " " +
        killOf("timeSetEvent(200,10,periodic)=") + " timeEndPeriod(10) closeMutex(orbel.Quil)");
    long last = -1;
    for (std::string call; order >> call; last = indexOf(*port, call))
        EXPECT_LT(last, indexOf(*port, call)) << call; // each present, after the one before
    EXPECT_TRUE(isNull(app.mainWindow()));
}

TEST_F(AppStart, ClockIsCheckedAgainstTheServiceRangeWithInclusiveBounds) {
    const std::time_t start = orlib::getServiceStart(), end = orlib::getServiceEnd();
    for (const std::time_t t : {start, end, start - 1, end + 1}) {
        SCOPED_TRACE(t);
        fresh().now = t;
        COrbelApp app(*port);
        port->clearCalls(); // the tray record measured the shell as it was built
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(ran(), t >= start && t <= end);
        if (ran()) continue;
        EXPECT_EQ(port->calls(), std::vector<std::string>{"messageBox"});
        const auto box = port->messageBoxes().at(0);
        EXPECT_EQ(
            std::tie(box.text, box.caption, box.type),
            std::tuple(res::loadString(res::IDS_BAD_CLOCK), "orbel", kMbOk | kMbIconExclamation));
    }
}

TEST_F(AppStart, SecondInstanceLeavesSilentlyAndARenamedProgramIsAnotherOne) {
    port->mutexesHeldElsewhere.insert("orbel.Quil");
    startApp();
    EXPECT_FALSE(ran());
    EXPECT_TRUE(port->messageBoxes().empty());
    EXPECT_GE(indexOf(*port, "closeMutex(orbel.Quil)"), 0);
    EXPECT_EQ(indexOf(*port, "loadLibrary(uires0.dll"), -1);
    EXPECT_FALSE(std::filesystem::exists(dir / "orbel.ini"));

    fresh("other.exe").mutexesHeldElsewhere.insert("orbel.Quil");
    EXPECT_EQ(startApp().logPath(), (dir / "other.log").string());
    EXPECT_TRUE(ran());
    EXPECT_GE(indexOf(*port, "createMutex(other.Quil)"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "other.ini"));
}

// A failed set-up of the period still ends it.
TEST_F(AppStart, StartFailuresShowTheirCodeAndTearDownWhatWasSetUp) {
    struct Row {
        const char* name;
        std::function<void(FakePort&)> script;
        const char* code;
        const char* teardown = "freeLibrary(uires0 timeEndPeriod closeMutex";
    };
    // clang-format off
    const Row rows[] = {
        {"no resource module", [](FakePort& p) { p.missingLibraries.insert("uires0.dll"); }, "16", "closeMutex"},
        {"registration fails", [](FakePort& p) { p.extensionRegistrationFails = true; }, "32", "freeLibrary(uires0 closeMutex"},
        {"devcaps fails", [](FakePort& p) { p.devCapsResult = kTimerNoCanDo; }, "1"},
        {"period below device minimum", [](FakePort& p) { p.devCaps = TimeCaps{250, 1000}; }, "2"},
        {"period above device maximum", [](FakePort& p) { p.devCaps = TimeCaps{1, 100}; }, "2"},
        {"begin period fails", [](FakePort& p) { p.beginPeriodResult = kTimerNoCanDo; }, "3"},
        {"resync timer fails", [](FakePort& p) { p.failingTimerDelays.insert(600000); }, "4"},
        {"ticker fails", [](FakePort& p) { p.failingTimerDelays.insert(200); }, "4", "freeLibrary(uires0 timeKillEvent timeEndPeriod closeMutex"},
        {"mode 2 on a 50 ms device", [this](FakePort& p) { p.devCaps = TimeCaps{50, 1000};
             putSettings("[Settings]\r\ntsmode=2\r\n"); }, "2"}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.script(fresh());
        startApp();
        EXPECT_FALSE(ran());
        std::string text(res::loadString(res::IDS_START_FAILED));
        text.replace(text.find("%1"), 2, row.code);
        ASSERT_EQ(port->messageBoxes().size(), 1u);
        EXPECT_EQ(port->messageBoxes()[0].text, text);
        std::string teardown;
        for (const std::string& call : port->calls())
            for (const char* undo :
                 {"freeLibrary(uires0", "timeKillEvent", "timeEndPeriod", "closeMutex"})
                if (call.starts_with(undo))
                    teardown += std::string(teardown.empty() ? "" : " ") + undo;
        EXPECT_EQ(teardown, row.teardown);
        EXPECT_TRUE(port->activeTimers().empty());
    }
}

// Windows 98 reads no tip update; a shell without balloons clears their
// bit without writing it.
TEST_F(AppStart, SettingsAtStart) {
    EXPECT_EQ(startApp().notification(), 0x11FFFFu);
    EXPECT_EQ(settings(), "[Settings]\r\ntipupdate=1\r\ntsmode=0\r\ntrayicon=255\r\n");
    fresh().osVersion = OsVersionInfo{4, 10, 0, kVerPlatformWin32Windows, 0}; // class 32
    putSettings("[Settings]\ntipupdate=1\ntsmode=7\n");
    EXPECT_FALSE(startApp().tipUpdate());
    EXPECT_EQ(settings(), "[Settings]\ntipupdate=0\ntsmode=7\ntrayicon=255\n");
    fresh().shellVersion = DllVersionInfo{4, 72, 0, 0};
    putSettings("[Settings]\r\nnotification=4194303\r\n"); // bits 0..21
    EXPECT_EQ(startApp().notification(), 4194303u & ~0x200000u);
    EXPECT_NE(settings().find("notification=4194303\r\n"), std::string::npos);
}

// Anything but phase 0 to 11 is the new moon.
TEST_F(AppStart, GetIconPicksTheResourceAndSize) {
    COrbelApp app(*port);
    AppTestAccess::setResourceModule(app, port->loadLibrary("uires0.dll"));
    for (const int phase : {0, 1, 5, 11, 12, -1}) {
        const bool large = phase % 2 != 0, shared = phase > 4; // all four pairs
        port->clearCalls();
        app.getIcon(phase, large, shared);
        const std::string load = "loadImage(uires0.dll," +
                                 std::to_string(phase >= 0 && phase <= 11 ? 102 + phase : 102) +
                                 (large ? ",32x32" : ",16x16") +
                                 (shared ? ",flags=32832)" : ",flags=64)");
        EXPECT_EQ(port->callsStartingWith("loadImage"), std::vector<std::string>{load}) << phase;
    }
}

} // namespace
} // namespace orbel
