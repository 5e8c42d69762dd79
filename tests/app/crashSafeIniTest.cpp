// The settings file against the two ways a write dies half-way: the process
// killed at a random moment while it rewrites every key over and over, and
// a disk that takes no more bytes. Either way orbel.ini must hold a whole
// file, byte for byte the one before or the one after. POSIX only: the
// writer is a forked child and the full disk is RLIMIT_FSIZE.
#include "app/iniFile.h"
#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orbel {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

struct Settings {
    std::vector<ini::Entry> entries;
    std::string bytes; // what writing `entries` over the other set leaves
    int tsMode;
    bool tipUpdate;
    unsigned notification;
    unsigned trayIcon;
    const char* sound;
};

// Every value differs between the two, and so does the length of the file.
const Settings kOld{{{"Settings", "tipupdate", "1"},
                     {"Settings", "tsmode", "0"},
                     {"Settings", "notification", "1179647"},
                     {"Settings", "notifysound", "orbel.wav"},
                     {"Settings", "trayicon", "255"},
                     {"Search", "lunarage", "0"}},
                    "[Settings]\r\ntipupdate=1\r\ntsmode=0\r\nnotification=1179647\r\n"
                    "notifysound=orbel.wav\r\ntrayicon=255\r\n[Search]\r\nlunarage=0\r\n",
                    0,
                    true,
                    1179647,
                    255,
                    "orbel.wav"};
const Settings kNew{{{"Settings", "tipupdate", "0"},
                     {"Settings", "tsmode", "2"},
                     {"Settings", "notification", "1114111"},
                     {"Settings", "notifysound", "full-moon-chime.wav"},
                     {"Settings", "trayicon", "3"},
                     {"Search", "lunarage", "11"}},
                    "[Settings]\r\ntipupdate=0\r\ntsmode=2\r\nnotification=1114111\r\n"
                    "notifysound=full-moon-chime.wav\r\ntrayicon=3\r\n[Search]\r\nlunarage=11\r\n",
                    2,
                    false,
                    1114111,
                    3,
                    "full-moon-chime.wav"};

// The child: rewrites the whole file, new then old then new..., until it is
// killed. One byte on `ready` once the first write is through, so that the
// kill's delay counts from a running loop and not from the fork.
[[noreturn]] void writeForever(const fs::path& ini, int ready) {
    for (unsigned i = 0;; ++i) {
        ini::writeProfileStrings(ini, i % 2 == 0 ? kNew.entries : kOld.entries);
        if (i == 0) {
            const char byte = 1;
            if (::write(ready, &byte, 1) != 1) ::_exit(3);
            ::close(ready);
        }
    }
}

// Reads the file as the program does at start-up and checks every setting.
void expectLoads(const TempDir& dir, const Settings& s) {
    FakePort port;
    port.moduleFileName = (dir / "orbel.exe").string();
    COrbelApp app(port);
    app.initPaths();
    app.loadSettings();
    EXPECT_EQ(app.tsMode(), s.tsMode);
    EXPECT_EQ(app.tipUpdate(), s.tipUpdate);
    EXPECT_EQ(app.notification(), s.notification);
    EXPECT_EQ(app.trayIcon(), s.trayIcon);
    EXPECT_EQ(app.notifySound(), s.sound);
    EXPECT_EQ(app.getSearchInt("lunarage", -1), std::stoi(s.entries[5].value));
}

TEST(CrashSafeIni, HundredKillsInTheMiddleOfRewritesLeaveAWholeFile) {
    TempDir dir;
    const fs::path ini = dir / "orbel.ini";
    ASSERT_TRUE(ini::writeProfileStrings(ini, kOld.entries));
    ASSERT_EQ(readBytes(ini), kOld.bytes);
    ASSERT_TRUE(ini::writeProfileStrings(ini, kNew.entries));
    ASSERT_EQ(readBytes(ini), kNew.bytes);

    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    int oldCount = 0, newCount = 0, torn = 0, reads = 0, tornReads = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int trial = 0; trial < 100; ++trial) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            writeForever(ini, pipeFds[1]);
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
            ++reads;
            if (seen != kOld.bytes && seen != kNew.bytes) ++tornReads;
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(running) << "trial " << trial;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "trial " << trial;

        const std::string after = readBytes(ini);
        if (after == kOld.bytes) {
            ++oldCount;
            expectLoads(dir, kOld);
        } else if (after == kNew.bytes) {
            ++newCount;
            expectLoads(dir, kNew);
        } else {
            ++torn;
            ADD_FAILURE() << "trial " << trial << " left " << after.size() << " bytes";
        }
        EXPECT_EQ(readBytes(ini), after) << "loading rewrote the file";
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();

    // A kill between creating the temporary and renaming it leaves the
    // temporary behind. Nothing reads it: only orbel.ini is ever opened, as
    // the loads above show; it is named so nobody takes it for settings.
    const std::regex tempName(R"(orbel\.ini\.[0-9a-f]{16}\.tmp)");
    int strays = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name == "orbel.ini") continue;
        ++strays;
        EXPECT_TRUE(std::regex_match(name, tempName)) << name;
    }
    std::printf("seed %u: 100 kills in %lld ms: %d old, %d new, %d torn; %d left a temporary; "
                "%d reads during the writes, %d torn\n",
                seed, static_cast<long long>(ms), oldCount, newCount, torn, strays, reads,
                tornReads);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(tornReads, 0);
    // Both outcomes: the kills really fell while the child was flipping it.
    EXPECT_GT(oldCount, 0);
    EXPECT_GT(newCount, 0);
}

// RLIMIT_FSIZE makes every write past `bytes` fail with EFBIG, as a full
// disk does with ENOSPC; SIGXFSZ, which would kill the process, is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool set() const { return m_set; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_set = false;
};

TEST(CrashSafeIni, FullDiskKeepsTheOldFileAndLogsTheFailure) {
    TempDir dir;
    const fs::path ini = dir / "orbel.ini";
    // Padded so that the limit also leaves room for the log's entries.
    const std::string old = "; " + std::string(1000, '-') +
                            "\r\n[Settings]\r\nnotification=1179647\r\n[Search]\r\nlunarage=0\r\n";
    writeBytes(ini, old);
    FakePort port;
    port.moduleFileName = (dir / "orbel.exe").string();
    COrbelApp app(port);
    app.initPaths();

    bool settingWritten = true, searchWritten = true, sameSizeWritten = false, limited = false;
    std::string during;
    {
        // Writes up to the old file's size still fit; anything longer not.
        const FileSizeLimit limit(old.size());
        limited = limit.set();
        settingWritten = app.setNotification(0x7FFFFFFF); // 7 digits -> 10
        searchWritten = app.setSearchInt("lunarage", 11);
        during = readBytes(ini);
        sameSizeWritten = app.setNotification(1179648);
    }
    ASSERT_TRUE(limited);
    EXPECT_FALSE(settingWritten);
    EXPECT_FALSE(searchWritten);
    EXPECT_EQ(during, old);
    EXPECT_TRUE(sameSizeWritten); // the limit, not something else, refused the others
    EXPECT_EQ(app.notification(), 1179648u);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2) << "a temporary was left beside orbel.ini and orbel.log";

    const std::string log = readBytes(dir / "orbel.log");
    const std::regex entry(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d ; settingsStore\.cpp\(\d+\) ; )"
                           R"(WritePrivateProfileString failed ; \n)");
    const auto lines =
        std::distance(std::sregex_iterator(log.begin(), log.end(), entry), std::sregex_iterator());
    EXPECT_EQ(lines, 2) << log;
    EXPECT_EQ(static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n')), 2u) << log;

    // The disk has room again: the same write goes through.
    EXPECT_TRUE(app.setSearchInt("lunarage", 11));
    EXPECT_EQ(ini::getProfileInt(ini, "Search", "lunarage", -1), 11);
}

} // namespace
} // namespace orbel
