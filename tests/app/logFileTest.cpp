// The log file: exact entry texts, the file name taken from a source path,
// appending, unopenable files and the error code an entry reports.
#include "app/logFile.h"
#include "ports/fake/fakePort.h"
#include "tests/support/timeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace orbel {
namespace {

namespace fs = std::filesystem;

// 2027/03/04 01:02:03 in Tokyo; still 03/03 in UTC, so a stamp in the wrong
// zone shows.
constexpr std::time_t kNow = 1804089723;
constexpr const char* kStamp = "2027/03/04 01:02:03";

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        // ctest sets the zone; this keeps a direct run of the binary exact too.
        test::setTimeZone("Asia/Tokyo");
#if !defined(_WIN32)
        const auto pid = std::to_string(getpid());
#else
        const std::string pid = "0";
#endif
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("orbel_log_" + std::string(info->name()) + "_" + pid);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_file = m_dir / "orbel.log";
        m_port.now = kNow;
        m_log.setPath(m_file.string());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    // Read back in text mode, so the platform's line end reads as "\n".
    std::string readLog() const {
        std::ifstream in(m_file);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static std::string entry(const std::string& stamp, const std::string& where,
                             const std::string& message, const std::string& reason) {
        return stamp + " ; " + where + " ; " + message + " ; " + reason + "\n";
    }

    fs::path m_dir;
    fs::path m_file;
    FakePort m_port;
    LogFile m_log{m_port};
};

TEST_F(LogFileTest, EntryWithoutErrorCodeEndsWithTheSeparatorAndALineFeed) {
    const int line = __LINE__ + 1;
    ORBEL_LOG(m_log, "createTrayIcon failed");
    EXPECT_EQ(readLog(), entry(kStamp, "logFileTest.cpp(" + std::to_string(line) + ")",
                               "createTrayIcon failed", ""));
}

TEST_F(LogFileTest, EntriesAreWrittenExactly) {
    const std::string longWord(300, 'x'); // longer than any fixed first buffer
    struct Row {
        const char* name;
        std::function<void()> write;
        std::string expected;
    };
    const Row rows[] = {
        {"the system's error text as it gives it",
         [this] {
             m_port.lastError = 5;
             m_port.errorTexts[5] = "Access is denied.\r\n";
             m_log.writeLogHeader("C:\\src\\orbel\\tray\\orbelDlg.cpp", 629);
             m_log.writeLogMessage("createTrayIcon failed");
         },
         entry(kStamp, "orbelDlg.cpp(629)", "createTrayIcon failed", "Access is denied.\r\n")},
        {"a code without a system text leaves the reason empty",
         [this] {
             m_port.lastError = 12345;
             m_log.writeLogHeader("/home/build/orbel/tray/icons.cpp", 292);
             m_log.writeLogMessage("drawBar failed");
         },
         entry(kStamp, "icons.cpp(292)", "drawBar failed", "")},
        {"printf formatting",
         [&] {
             m_log.writeLogHeader("notifydlg.cpp", 161);
             m_log.writeLogMessage("attempt %d of %s: %s", 3, "five", longWord.c_str());
         },
         entry(kStamp, "notifydlg.cpp(161)", "attempt 3 of five: " + longWord, "")},
        {"two failures, each with its own time",
         [this] {
             m_log.writeLogHeader("orbelDlg.cpp", 656);
             m_log.writeLogMessage("refreshIcon failed");
             m_port.now = kNow + 3600 + 60 + 1;
             m_log.writeLogHeader("orbelDlg.cpp", 658);
             m_log.writeLogMessage("createTrayIcon failed");
         },
         entry(kStamp, "orbelDlg.cpp(656)", "refreshIcon failed", "") +
             entry("2027/03/04 02:03:04", "orbelDlg.cpp(658)", "createTrayIcon failed", "")},
        {"existing content is kept",
         [this] {
             std::ofstream(m_file) << "an older entry\n";
             m_log.writeLogHeader("icons.cpp", 278);
             m_log.writeLogMessage("getIcon failed");
         },
         "an older entry\n" + entry(kStamp, "icons.cpp(278)", "getIcon failed", "")},
        // Opening an existing log sets 183 on Windows; the entry reports the
        // failure's own code. A message with no header reads the code as it
        // stands.
        {"the failure's code, not the log's",
         [this] {
             m_port.errorTexts[5] = "Access is denied.\r\n";
             m_port.errorTexts[183] = "Cannot create a file when that file already exists.\r\n";
             m_port.lastError = 5;
             m_log.writeLogHeader("icons.cpp", 273);
             m_port.lastError = 183;
             m_log.writeLogMessage("DestroyIcon failed.");
             m_log.writeLogMessage("no header");
         },
         entry(kStamp, "icons.cpp(273)", "DestroyIcon failed.", "Access is denied.\r\n") +
             "no header ; Cannot create a file when that file already exists.\r\n\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(m_file);
        m_port.now = kNow;
        m_port.lastError = 0;
        m_port.errorTexts.clear();
        row.write();
        EXPECT_EQ(readLog(), row.expected);
    }
}

TEST_F(LogFileTest, FileInAMissingFolderTakesNothing) {
    const fs::path missing = m_dir / "no such folder";
    m_log.setPath((missing / "orbel.log").string());
    ORBEL_LOG(m_log, "resetIcon failed");
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(LogFileTest, EntryReportsTheCodeOfTheFailureNotOfOpeningTheLog) {
    m_port.errorTexts[5] = "Access is denied.\r\n";
    m_port.errorTexts[183] = "Cannot create a file when that file already exists.\r\n";
    m_port.lastError = 5;
    m_log.writeLogHeader("icons.cpp", 273);
    m_port.lastError = 183; // what opening an existing log does on Windows
    m_log.writeLogMessage("DestroyIcon failed.");
    // A message with no header before it reads the code as it stands.
    m_log.writeLogMessage("no header");
    EXPECT_EQ(readLog(),
              entry(kStamp, "icons.cpp(273)", "DestroyIcon failed.", "Access is denied.\r\n") +
                  "no header ; Cannot create a file when that file already exists.\r\n\n");
}

TEST(LogPath, DefaultsToANameInTheCurrentFolderAndCutsOnACharacterBoundary) {
    FakePort port;
    LogFile log(port);
    EXPECT_EQ(log.path(), "orbel.log");

    const std::string fits(LogFile::kPathCapacity - 1, 'a');
    log.setPath(fits + "b");
    EXPECT_EQ(log.path(), fits);

    // "表" (95 5C) would straddle the last byte: it goes whole.
    const std::string head(LogFile::kPathCapacity - 2, 'a');
    log.setPath(head + "\x95\x5C");
    EXPECT_EQ(log.path(), head);
}

TEST(SourceFileName, StripsDirectoriesAndDrivesButNotTrailBytes) {
    EXPECT_EQ(sourceFileName("orbelDlg.cpp"), "orbelDlg.cpp");
    EXPECT_EQ(sourceFileName("/work/main/tray/icons.cpp"), "icons.cpp");
    EXPECT_EQ(sourceFileName("C:\\orbel\\tray\\icons.cpp"), "icons.cpp");
    EXPECT_EQ(sourceFileName("C:/orbel\\popup/notifydlg.cpp"), "notifydlg.cpp");
    EXPECT_EQ(sourceFileName("C:orbelDlg.cpp"), "orbelDlg.cpp");
    EXPECT_EQ(sourceFileName("tray/"), "");
    EXPECT_EQ(sourceFileName(""), "");
    // "表示.cpp": the 5C of 表 is a trail byte, not a separator.
    EXPECT_EQ(sourceFileName("src\\\x95\x5C\x8E\xA6.cpp"), "\x95\x5C\x8E\xA6.cpp");
    // 81 81 is one character whose trail looks like a lead: only a walk from
    // the start sees that the backslash after it is a separator.
    EXPECT_EQ(sourceFileName("\x81\x81\\a.cpp"), "a.cpp");
}

} // namespace
} // namespace orbel
