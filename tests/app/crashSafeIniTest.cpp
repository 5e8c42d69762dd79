// The settings file against a writer killed half-way and a full disk:
// orbel.ini must hold a whole file, byte for byte the one before or after.
// POSIX only: the writer is a forked child, the full disk RLIMIT_FSIZE.
#include "app/iniFile.h"
#include "tests/support/appCases.h"

#include <chrono>
#include <csignal>
#include <random>
#include <regex>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orbel {
namespace {

namespace fs = std::filesystem;
using namespace test;
using CrashSafeIni = ProgramCase;

TEST_F(CrashSafeIni, HundredKillsInTheMiddleOfRewritesLeaveAWholeFile) {
    const std::vector<ini::Entry> kOld{{"Settings", "tsmode", "0"},
                                       {"Settings", "notifysound", "orbel.wav"},
                                       {"Search", "lunarage", "0"}};
    const std::vector<ini::Entry> kNew{{"Settings", "tsmode", "2"},
                                       {"Settings", "notifysound", "full-moon-chime.wav"},
                                       {"Search", "lunarage", "11"}};
    const fs::path ini = dir / "orbel.ini";
    ASSERT_TRUE(ini::writeProfileStrings(ini, kOld));
    const std::string kOldBytes = readBytes(ini);
    ASSERT_TRUE(ini::writeProfileStrings(ini, kNew));
    const std::string kNewBytes = readBytes(ini);
    ASSERT_NE(kOldBytes.size(), kNewBytes.size());

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    int oldCount = 0, newCount = 0, tornReads = 0;
    for (int trial = 0; trial < 100; ++trial) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Rewrites new, old, new... until killed. One byte on the pipe once
            // the first write is through: the kill's delay counts from a
            // running loop, not from the fork.
            ::close(pipeFds[0]);
            for (unsigned i = 0;; ++i)
                if (ini::writeProfileStrings(ini, i % 2 == 0 ? kNew : kOld) && i == 0 &&
                    (::write(pipeFds[1], "", 1) != 1 || ::close(pipeFds[1]) != 0))
                    ::_exit(3);
        }
        ::close(pipeFds[1]);
        char byte = 0;
        const bool running = ::read(pipeFds[0], &byte, 1) == 1;
        ::close(pipeFds[0]);
        // Busy-reading the file meanwhile is the wait: a reader that opens it
        // while the child renames over it must see a whole file too.
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(delayUs(rng));
        while (running && std::chrono::steady_clock::now() < until) {
            const std::string seen = readBytes(ini);
            tornReads += seen != kOldBytes && seen != kNewBytes;
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(running) << "trial " << trial;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "trial " << trial;

        const std::string after = readBytes(ini);
        oldCount += after == kOldBytes;
        newCount += after == kNewBytes;
    }
    // A kill between creating the temporary and renaming it leaves the
    // temporary behind, named so nobody takes it for settings.
    const std::regex tempName(R"(orbel\.ini\.[0-9a-f]{16}\.tmp)");
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "orbel.ini" || std::regex_match(name, tempName)) << name;
    }
    EXPECT_EQ(oldCount + newCount, 100);
    EXPECT_EQ(tornReads, 0);
    // Both outcomes: the kills really fell while the child was flipping it.
    EXPECT_GT(oldCount, 0);
    EXPECT_GT(newCount, 0);
}

TEST_F(CrashSafeIni, FullDiskKeepsTheOldFileAndLogsTheFailure) {
    // Padded so that the limit also leaves room for the log's entries.
    const std::string old = "; " + std::string(1000, '-') +
                            "\r\n[Settings]\r\nnotification=1179647\r\n[Search]\r\nlunarage=0\r\n";
    putSettings(old);
    COrbelApp app(*port);
    app.initPaths();

    // Writes past the old file's size fail with EFBIG, as on a full disk with
    // ENOSPC; SIGXFSZ would kill the process.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = old.size();
    const bool limited = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    const bool settingWritten = app.setNotification(0x7FFFFFFF); // 7 digits -> 10
    const bool searchWritten = app.setSearchInt("lunarage", 11);
    const std::string during = settings();
    const bool sameSizeWritten = app.setNotification(1179648);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);

    ASSERT_TRUE(limited);
    EXPECT_FALSE(settingWritten);
    EXPECT_FALSE(searchWritten);
    EXPECT_EQ(during, old);
    EXPECT_TRUE(sameSizeWritten); // the limit, not something else, refused the others
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "a temporary was left beside orbel.ini and orbel.log";
    EXPECT_EQ(failedWrites(), 2u);
    // The disk has room again: the same write goes through.
    EXPECT_TRUE(app.setSearchInt("lunarage", 11));
    EXPECT_EQ(ini::getProfileInt(dir / "orbel.ini", "Search", "lunarage", -1), 11);
}

} // namespace
} // namespace orbel
