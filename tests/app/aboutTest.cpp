// The About box and the version resource it reads.
#include "app/aboutDlg.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/versionInfo.h"
#include "tests/support/calendarDialogs.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <tuple>

namespace orbel {
namespace {

TEST(VersionResource, FixedPartCarriesOnePointSixPointOneAsFileAndProductVersion) {
    const std::string fixed = res::versionValues().at("\\");
    ASSERT_EQ(fixed.size(), 52u);
    const std::string version("\x06\0\x01\0\0\0\x01\0", 8); // 1.6, 1.0: little-endian halves
    EXPECT_EQ(fixed.substr(0, 4), "\xBD\x04\xEF\xFE");
    EXPECT_EQ(fixed.substr(8, 16), version + version); // file, then product version
}

// What the About box leaves out: paths in another ASCII case, values with a
// NUL inside, a prefix of a path, and damaged blocks.
TEST(VersionResource, QueriesOfAPackedBlock) {
    const std::string block = res::packVersionBlock(
        {{"\\StringFileInfo\\041104b0\\FileVersion", "1.6.1"}, {"\\x", std::string("a\0b", 3)}});
    const std::tuple<std::string, const char*, std::optional<std::string>> rows[] = {
        {block, "\\stringfileinfo\\041104B0\\FileVersion", "1.6.1"},
        {block, "\\x", std::string("a\0b", 3)},
        {block, "\\StringFileInfo", std::nullopt},
        {"not a block", "\\x", std::nullopt},
        {block.substr(0, block.size() - 1), "\\x", std::nullopt},
        {block.substr(0, block.find('\0') + 5), "\\x", std::nullopt}};
    for (const auto& [b, path, expected] : rows)
        EXPECT_EQ(res::findInVersionBlock(b, path), expected) << b.size() << path;
}

// The first translation's texts, whatever it is (the last row: US English
// before an unused Japanese one, the version with its terminator), or the
// template's when something is missing. Rows take turns closing the box.
TEST(AboutBox, ShowsWhatTheVersionResourceHoldsAndClosesEachWay) {
    using Values = std::map<std::string, std::string>;
    const auto without = [](const std::string& key) {
        Values values = res::versionValues();
        values.erase(key);
        return values;
    };
    const std::string tr = "\\VarFileInfo\\Translation", ja = "\\StringFileInfo\\041104b0\\",
                      en = "\\StringFileInfo\\040904e4\\";
    const Values english = {{tr, std::string("\x09\x04\xE4\x04\x11\x04\xB0\x04", 8)},
                            {en + "FileVersion", std::string("2.0.7\0", 6)},
                            {en + "LegalCopyright", "(C) en"},
                            {ja + "FileVersion", "9.9.9"},
                            {ja + "LegalCopyright", "(C) ja"}};
    struct Row {
        const char* name;
        Values values;
        bool missing, noModule;
        std::string version, copyright;
    };
    const std::string v16 = "orbel Version 1.6.1", v10 = "orbel Version 1.0",
                      c10 = "Copyright (C) Quil", c16 = "Copyright (C) 2026 the orbel developers";
    const Row rows[] = {
        {"full", res::versionValues(), false, false, v16, c16},
        {"no resource", res::versionValues(), true, false, v10, c10},
        {"no module name", res::versionValues(), false, true, v10, c10},
        {"no translation", without(tr), false, false, v10, c10},
        {"no copyright", without(ja + "LegalCopyright"), false, false, v16, ""},
        {"first translation", english, false, false, "orbel Version 2.0.7", "(C) en"}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const auto& way = test::kCloseWays[i % std::size(test::kCloseWays)];
        SCOPED_TRACE(row.name);
        FakePort port;
        port.versionValues = row.values;
        port.versionInfoMissing = row.missing;
        if (row.noModule) port.moduleFileName.reset();
        COrbelApp app(port);
        CAboutDlg about(app, Hwnd{});
        std::vector<std::string> shown;
        EXPECT_EQ(test::runModal(port, about,
                                 [&](Hwnd h) {
                                     for (int id : {1008, 1009, 1011, 1012})
                                         shown.push_back(port.getDlgItemText(h, id));
                                     port.postMessage(h, way.first, way.second, 0);
                                 }),
                  test::closeResult(way));
        EXPECT_TRUE(isNull(about.hwnd()));
        EXPECT_EQ(shown, (std::vector<std::string>{row.version, row.copyright,
                                                   "https://orbel.example.org/",
                                                   "orbel-dev@example.org"}));
        EXPECT_EQ(port.callsStartingWith("getFileVersionInfo(/opt/orbel/orbel.exe)").size(),
                  row.noModule ? 0u : 1u);
    }
}

} // namespace
} // namespace orbel
