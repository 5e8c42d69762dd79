// The About box and the version resource it reads: the fixed part's
// packing, the query paths and their lookups, and what the box shows for a
// full resource, a missing one, one without a copyright and one in another
// translation.
#include "app/aboutDlg.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/dialogs.h"
#include "res/versionInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>

namespace orbel {
namespace {

constexpr const char* kCopyright = "Copyright (C) 2026 the orbel developers";

std::uint32_t dwordAt(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at + i))) << (8 * i);
    return v;
}

std::string templateText(int id) {
    for (const res::ControlTemplate& c : res::findDialogTemplate(100)->controls)
        if (c.id == id) return std::string(c.text);
    return "<none>";
}

TEST(VersionResource, FixedPartCarriesOnePointSixPointOneAsFileAndProductVersion) {
    const std::string fixed = res::versionValues().at("\\");
    ASSERT_EQ(fixed.size(), 52u);
    EXPECT_EQ(dwordAt(fixed, 0), 0xFEEF04BDu);
    EXPECT_EQ(dwordAt(fixed, 8), 0x00010006u);  // file 1.6
    EXPECT_EQ(dwordAt(fixed, 12), 0x00010000u); // file .1.0
    EXPECT_EQ(dwordAt(fixed, 16), 0x00010006u); // product 1.6
    EXPECT_EQ(dwordAt(fixed, 20), 0x00010000u); // product .1.0
}

TEST(VersionResource, TranslationKeysAreLanguageThenCodePageInLowerCaseHex) {
    EXPECT_EQ(res::translationKey(0x0411, 1200), "041104b0");
    EXPECT_EQ(res::translationKey(0x0409, 0x04E4), "040904e4");
    EXPECT_EQ(res::translationKey(0xABCD, 0xEF01), "abcdef01");
    EXPECT_EQ(res::translationKey(0, 0), "00000000");
}

// VerQueryValue over a packed block: paths match without regard to ASCII
// case, values keep embedded NULs, and a missing path or a damaged block
// answers nothing.
TEST(VersionResource, QueriesOfAPackedBlock) {
    const std::string block =
        res::packVersionBlock({{"\\VarFileInfo\\Translation", std::string("\x11\x04\xb0\x04", 4)},
                               {"\\StringFileInfo\\041104b0\\FileVersion", "1.6.1"},
                               {"\\x", std::string("a\0b", 3)}});
    struct Row {
        const char* name;
        std::string block;
        const char* path;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"exact", block, "\\VarFileInfo\\Translation", std::string("\x11\x04\xb0\x04", 4)},
        {"other case", block, "\\stringfileinfo\\041104B0\\FileVersion", "1.6.1"},
        {"embedded NUL", block, "\\x", std::string("a\0b", 3)},
        {"missing value", block, "\\StringFileInfo\\041104b0\\LegalCopyright", std::nullopt},
        {"a prefix is no match", block, "\\StringFileInfo", std::nullopt},
        {"not a block", "not a block", "\\x", std::nullopt},
        {"cut short", block.substr(0, block.size() - 1), "\\x", std::nullopt},
        {"no length", block.substr(0, block.find('\0') + 5), "\\x", std::nullopt}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(res::findInVersionBlock(row.block, row.path), row.expected);
    }
}

// Opens the box, reads its four texts at the first idle moment and closes
// it with its OK button.
std::vector<std::string> showAbout(FakePort& port) {
    COrbelApp app(port);
    CAboutDlg about(app, Hwnd{});
    std::vector<std::string> shown;
    port.onIdle = [&](FakePort& p) {
        const Hwnd h = about.hwnd();
        if (isNull(h)) return false;
        for (int id : {1008, 1009, 1011, 1012})
            shown.push_back(p.getDlgItemText(h, id));
        return p.postMessage(h, kWmCommand, kIdOkCommand, 0);
    };
    EXPECT_EQ(about.DoModal(), kIdOk);
    return shown;
}

// The version and copyright of the first translation, whatever it is, or
// the template's texts when the resource, the module name or the
// translation is missing; the home page and contact always. The last row:
// US English in Windows-1252 before a second translation that must not be
// used, the version text with its terminator.
TEST(AboutBox, ShowsWhatTheVersionResourceHolds) {
    using Values = std::map<std::string, std::string>;
    const auto without = [](const std::string& key) {
        Values values = res::versionValues();
        values.erase(key);
        return values;
    };
    const std::string tr = "\\VarFileInfo\\Translation", ja = "\\StringFileInfo\\041104b0\\",
                      en = "\\StringFileInfo\\040904e4\\";
    const std::vector<std::string> jaPaths = {tr, ja + "FileVersion", ja + "LegalCopyright"};
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
        std::vector<std::string> paths;
    };
    const std::string v10 = templateText(1008), c10 = templateText(1009);
    const Row rows[] = {
        {"full", res::versionValues(), false, false, "orbel Version 1.6.1", kCopyright, jaPaths},
        {"no resource", res::versionValues(), true, false, "orbel Version 1.0", c10, {}},
        {"no module name", res::versionValues(), false, true, v10, c10, {}},
        {"no translation", without(tr), false, false, v10, c10, {tr}},
        {"no copyright", without(ja + "LegalCopyright"), false, false, "orbel Version 1.6.1", "",
         jaPaths},
        {"first translation",
         english,
         false,
         false,
         "orbel Version 2.0.7",
         "(C) en",
         {tr, en + "FileVersion", en + "LegalCopyright"}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePort port;
        port.versionValues = row.values;
        port.versionInfoMissing = row.missing;
        if (row.noModule) port.moduleFileName.reset();
        EXPECT_EQ(showAbout(port), (std::vector<std::string>{row.version, row.copyright,
                                                             "https://orbel.example.org/",
                                                             "orbel-dev@example.org"}));
        std::vector<std::string> queries;
        for (const std::string& path : row.paths)
            queries.push_back("verQueryValue(" + path + ")");
        EXPECT_EQ(port.callsStartingWith("verQueryValue("), queries);
        EXPECT_EQ(port.callsStartingWith("getFileVersionInfo(/opt/orbel/orbel.exe)").size(),
                  row.noModule ? 0u : 1u);
    }
    EXPECT_EQ(v10, "orbel Version 1.0");
}

TEST(AboutBox, CloseBoxAndEscapeEndItWithCancel) {
    FakePort port;
    port.versionValues = res::versionValues();
    COrbelApp app(port);
    CAboutDlg about(app, Hwnd{});
    for (unsigned msg : {kWmClose, kWmCommand}) {
        port.onIdle = [&](FakePort& p) {
            const Hwnd h = about.hwnd();
            return !isNull(h) && p.postMessage(h, msg, msg == kWmCommand ? kIdCancelCommand : 0, 0);
        };
        EXPECT_EQ(about.DoModal(), kIdCancel) << msg;
        EXPECT_TRUE(isNull(about.hwnd()));
    }
    // A missing value answers -1 and leaves the output as it was.
    const std::string block = *port.getFileVersionInfo("orbel.exe");
    std::string out = "kept";
    EXPECT_EQ(
        CAboutDlg::queryVersionValue(port, block, "StringFileInfo", "041104b0", "Comments", out),
        -1);
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(
        CAboutDlg::queryVersionValue(port, block, "StringFileInfo", "041104b0", "ProductName", out),
        0);
    EXPECT_EQ(out, "orbel");
}

} // namespace
} // namespace orbel
