// The Windows version class and the shell version check.
#include "app/windowsClass.h"
#include "popup/shellVersion.h"
#include "ports/fake/fakePort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <thread>

namespace orbel {
namespace {

constexpr unsigned kNt = kVerPlatformWin32Nt;
constexpr unsigned k9x = kVerPlatformWin32Windows;

TEST(WindowsClass, ClassifiesAndAsksForTheExtendedRecordOnlyWhenNeeded) {
    struct Row {
        const char* name;
        OsVersionInfo version;
        int expected;
        bool asksExtended = false, queryFails = false, extendedFails = false;
    };
    // clang-format off
    const Row rows[] = {
        {"Nt351", {3, 51, 1057, kNt, 0}, 1}, {"Win95", {4, 0, 950, k9x, 0}, 16},
        {"Win98", {4, 10, 1998, k9x, 0}, 32}, {"WinMe", {4, 90, 3000, k9x, 0}, 48},
        {"NineXUnknownMinor", {4, 3, 0, k9x, 0}, 0}, {"NineXOtherMajor", {5, 0, 0, k9x, 0}, 0},
        {"Nt4", {4, 0, 1381, kNt, 0}, 64}, {"Nt2x", {2, 0, 0, kNt, 0}, 0},
        {"Nt100", {10, 0, 19045, kNt, kVerNtWorkstation}, 80}, {"Nt61", {6, 1, 7601, kNt, kVerNtServer}, 96},
        {"Nt52Server", {5, 2, 3790, kNt, kVerNtServer}, 112, true},
        {"Nt62Workstation", {6, 2, 9200, kNt, kVerNtWorkstation}, 96, true},
        {"Nt62DomainController", {6, 2, 9200, kNt, kVerNtDomainController}, 112, true},
        {"Nt62UnknownProductType", {6, 2, 9200, kNt, 7}, 0, true},
        {"Nt62ExtendedQueryFails", {6, 2, 9200, kNt, kVerNtWorkstation}, 0, true, false, true},
        {"QueryFails", {6, 1, 7601, kNt, kVerNtWorkstation}, 0, false, true},
        {"OtherPlatformAs9x", {4, 10, 0, 0, 0}, 32}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePort port;
        port.osVersion = row.version;
        port.versionQueryFails = row.queryFails;
        port.extendedVersionQueryFails = row.extendedFails;
        EXPECT_EQ(queryWindowsClass(port), row.expected);
        std::vector<std::string> expectedCalls{"getVersionEx(basic)"};
        if (row.asksExtended) expectedCalls.push_back("getVersionEx(extended)");
        EXPECT_EQ(port.callsStartingWith("getVersionEx"), expectedCalls);
    }
}

// Concurrent first calls share one query (basic and extended).
TEST(WindowsClass, AsksTheSystemOnceAndKeepsTheAnswer) {
    FakePort port;
    port.osVersion = {6, 2, 9200, kNt, kVerNtServer};
    WindowsClass windows(port);
    std::vector<int> answers(4, -1);
    std::vector<std::thread> threads;
    for (int& answer : answers)
        threads.emplace_back([&] { answer = windows.get(); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(answers, std::vector<int>(4, 112));
    port.osVersion = {4, 0, 950, k9x, 0};
    EXPECT_EQ(windows.get(), 112);
    EXPECT_EQ(port.callsStartingWith("getVersionEx").size(), 2u);
}

const std::vector<std::string> kLoadCallFree{
    "loadLibrary(Shell32.dll)=ok", "callDllGetVersion(Shell32.dll)", "freeLibrary(Shell32.dll)"};

TEST(ShellLevel, IsFourBeforeTheFirstCheck) {
    // A fresh process: the test binary re-runs just this test.
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    EXPECT_EXIT(std::exit(shellLevel()), ::testing::ExitedWithCode(4), "");
}

// The level follows the packed major version, compared unsigned; high bits
// of the parts are dropped.
TEST(ShellVersion, PacksSetsTheLevelAndReleasesTheLibrary) {
    const std::pair<DllVersionInfo, std::uint32_t> rows[] = {
        {{4, 72, 0, 0}, 0x00040048},         {{5, 0, 0, 0}, 0x00050000},
        {{5, 82, 0, 0}, 0x00050052},         {{6, 0, 0, 0}, 0x00060000},
        {{6, 1, 0, 0}, 0x00060001},          {{0x10006, 0x20001, 0, 0}, 0x00060001},
        {{0xFFFF, 0xFFFF, 0, 0}, 0xFFFFFFFF}};
    for (const auto& [version, packed] : rows) {
        SCOPED_TRACE(packed);
        FakePort port;
        port.shellVersion = version;
        EXPECT_EQ(getDllVersion(port, "Shell32.dll"), packed);
        EXPECT_EQ(port.calls(), kLoadCallFree);
        checkShellLevel(port);
        EXPECT_EQ(shellLevel(), std::min<int>(packed >> 16, 6));
        EXPECT_EQ(isBalloonAvailable(port), packed >= 0x00050000);
    }
}

// No library (nothing to release), no DllGetVersion export, a failing call
// that still wrote 6.0: all read as an old shell, and each balloon question
// asks the shell again. Any success code counts.
TEST(ShellVersion, EveryFailureReadsAsAnOldShell) {
    const std::pair<std::function<void(FakePort&)>, std::vector<std::string>> rows[] = {
        {[](FakePort& p) { p.missingLibraries.insert("Shell32.dll"); },
         {"loadLibrary(Shell32.dll)=null"}},
        {[](FakePort& p) { p.shellHasDllGetVersion = false; }, kLoadCallFree},
        {[](FakePort& p) { p.dllGetVersionResult = -2147467259; }, kLoadCallFree}}; // E_FAIL
    FakePort good;
    for (const auto& [script, calls] : rows) {
        checkShellLevel(good);
        ASSERT_EQ(shellLevel(), 6);
        FakePort port;
        script(port);
        EXPECT_EQ(getDllVersion(port, "Shell32.dll"), 0u);
        EXPECT_EQ(port.calls(), calls);
        EXPECT_FALSE(isBalloonAvailable(port));
        EXPECT_EQ(shellLevel(), 4);
    }
    EXPECT_TRUE(isBalloonAvailable(good));
    EXPECT_EQ(shellLevel(), 6);
    good.dllGetVersionResult = 1; // S_FALSE is not negative
    EXPECT_EQ(getDllVersion(good, "Shell32.dll"), 0x00060000u);
}

} // namespace
} // namespace orbel
