// The log file's entries, its path and the file name taken from a source path.
#include "app/logFile.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"
#include "tests/support/timeZone.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace orbel {
namespace {

// 2027/03/04 01:02:03 in Tokyo; still 03/03 in UTC, so a stamp in the wrong
// zone shows.
constexpr std::time_t kNow = 1804089723;
constexpr const char* kStamp = "2027/03/04 01:02:03";

std::string entry(const std::string& where, const std::string& message,
                  const std::string& reason = "", const std::string& stamp = kStamp) {
    return stamp + " ; " + where + " ; " + message + " ; " + reason + "\n";
}

// Each entry opens the file again. Opening an existing log sets 183 on
// Windows: the entry reports the failure's own code, taken by the header; a
// message without a header reads the code as it stands.
TEST(LogFile, EntriesAreAppendedExactly) {
    test::setTimeZone("Asia/Tokyo"); // ctest sets it; this keeps a direct run exact too
    test::TempDir dir;
    FakePort port;
    port.now = kNow;
    LogFile log(port);
    EXPECT_EQ(log.path(), "orbel.log"); // in the current folder until told
    log.setPath((dir / "orbel.log").string());
    const std::string denied = "Access is denied.\r\n";
    const std::string exists = "Cannot create a file when that file already exists.\r\n";
    port.errorTexts = {{5, denied}, {183, exists}};
    std::ofstream(dir / "orbel.log") << "an older entry\n";

    ORBEL_LOG(log, "createTrayIcon failed");
    const std::string where = "logFileTest.cpp(" + std::to_string(__LINE__ - 1) + ")";
    std::string expected = "an older entry\n" + entry(where, "createTrayIcon failed");
    port.lastError = 5;
    log.writeLogHeader("C:\\src\\orbel\\tray\\orbelDlg.cpp", 629);
    log.writeLogMessage("createTrayIcon failed");
    expected += entry("orbelDlg.cpp(629)", "createTrayIcon failed", denied);
    port.lastError = 12345;
    log.writeLogHeader("/home/build/orbel/tray/icons.cpp", 292);
    log.writeLogMessage("drawBar failed");
    expected += entry("icons.cpp(292)", "drawBar failed");
    port.lastError = 0;
    const std::string longWord(300, 'x');
    log.writeLogHeader("notifydlg.cpp", 161);
    log.writeLogMessage("attempt %d of %s: %s", 3, "five", longWord.c_str());
    expected += entry("notifydlg.cpp(161)", "attempt 3 of five: " + longWord);
    port.now = kNow + 3600 + 60 + 1;
    port.lastError = 5;
    log.writeLogHeader("icons.cpp", 273);
    port.lastError = 183;
    log.writeLogMessage("DestroyIcon failed.");
    log.writeLogMessage("no header");
    expected += entry("icons.cpp(273)", "DestroyIcon failed.", denied, "2027/03/04 02:03:04") +
                "no header ; " + exists + "\n";
    // Read back in text mode, so the platform's line end reads as "\n".
    std::ostringstream text;
    text << std::ifstream(dir / "orbel.log").rdbuf();
    EXPECT_EQ(text.str(), expected);

    log.setPath((dir / "no such folder" / "orbel.log").string());
    ORBEL_LOG(log, "resetIcon failed");
    EXPECT_FALSE(std::filesystem::exists(dir / "no such folder"));

    // "表" (95 5C) would straddle the last byte: it goes whole.
    const std::string fits(LogFile::kPathCapacity - 1, 'a');
    log.setPath(fits + "b");
    EXPECT_EQ(log.path(), fits);
    log.setPath(fits.substr(1) + "\x95\x5C");
    EXPECT_EQ(log.path(), fits.substr(1));
}

// Plain paths are in the entries above. The 5C of 表 is a trail byte, not a
// separator; 81 81 is one character whose trail looks like a lead, so only
// a walk from the start sees that the backslash after it separates.
TEST(SourceFileName, StripsDirectoriesAndDrivesButNotTrailBytes) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:/orbel\\popup/notifydlg.cpp", "notifydlg.cpp"},
        {"C:orbelDlg.cpp", "orbelDlg.cpp"},
        {"tray/", ""},
        {"", ""},
        {"src\\\x95\x5C\x8E\xA6.cpp", "\x95\x5C\x8E\xA6.cpp"},
        {"\x81\x81\\a.cpp", "a.cpp"}};
    for (const auto& [path, name] : rows)
        EXPECT_EQ(sourceFileName(path), name) << path;
}

} // namespace
} // namespace orbel
