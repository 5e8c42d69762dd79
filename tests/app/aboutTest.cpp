// The About box and the version resource it reads: the fixed part's
// packing, the query paths and their lookups, and what the box shows for a
// full resource, a missing one, one without a copyright and one in another
// translation.
#include "app/aboutDlg.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "res/dialogs.h"
#include "res/versionInfo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orbel {
namespace {

using ::testing::ElementsAre;

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
        {"no length", block.substr(0, block.find('\0') + 5), "\\x", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(res::findInVersionBlock(row.block, row.path), row.expected);
    }
}

class AboutBox : public ::testing::Test {
protected:
    struct Shown {
        LResult result = -1;
        std::string version, copyright, homePage, contact;
    };

    AboutBox() { port.versionValues = res::versionValues(); }

    // Opens the box, reads its four texts at the first idle moment and
    // closes it with its OK button.
    Shown run() {
        COrbelApp app(port);
        CAboutDlg about(app, Hwnd{});
        Shown shown;
        port.onIdle = [&](FakePort& p) {
            const Hwnd h = about.hwnd();
            if (isNull(h)) return false;
            shown.version = p.getDlgItemText(h, 1008);
            shown.copyright = p.getDlgItemText(h, 1009);
            shown.homePage = p.getDlgItemText(h, 1011);
            shown.contact = p.getDlgItemText(h, 1012);
            return p.postMessage(h, kWmCommand, kIdOkCommand, 0);
        };
        shown.result = about.DoModal();
        return shown;
    }
    std::vector<std::string> queries() const { return port.callsStartingWith("verQueryValue("); }

    FakePort port;
};

TEST_F(AboutBox, ShowsTheVersionCopyrightHomePageAndContactOfTheResource) {
    const Shown s = run();
    EXPECT_EQ(s.result, kIdOk);
    EXPECT_EQ(s.version, "orbel Version 1.6.1");
    EXPECT_EQ(s.copyright, kCopyright);
    EXPECT_EQ(s.homePage, "https://orbel.example.org/");
    EXPECT_EQ(s.contact, "orbel-dev@example.org");
    EXPECT_EQ(port.callsStartingWith("getFileVersionInfo("),
              std::vector<std::string>{"getFileVersionInfo(/opt/orbel/orbel.exe)"});
    EXPECT_THAT(queries(),
                ElementsAre("verQueryValue(\\VarFileInfo\\Translation)",
                            "verQueryValue(\\StringFileInfo\\041104b0\\FileVersion)",
                            "verQueryValue(\\StringFileInfo\\041104b0\\LegalCopyright)"));
}

TEST_F(AboutBox, MissingResourceKeepsTheTemplateTextsButFillsTheFields) {
    port.versionInfoMissing = true;
    const Shown s = run();
    EXPECT_EQ(s.version, templateText(1008));
    EXPECT_EQ(s.version, "orbel Version 1.0");
    EXPECT_EQ(s.copyright, templateText(1009));
    EXPECT_EQ(s.homePage, "https://orbel.example.org/");
    EXPECT_EQ(s.contact, "orbel-dev@example.org");
    EXPECT_TRUE(queries().empty());
}

TEST_F(AboutBox, UnreadableModuleNameOrNoTranslationKeepsTheTemplateTexts) {
    port.moduleFileName.reset();
    Shown s = run();
    EXPECT_EQ(s.version, templateText(1008));
    EXPECT_EQ(s.copyright, templateText(1009));
    EXPECT_TRUE(port.callsStartingWith("getFileVersionInfo(").empty());

    port.moduleFileName = "/opt/orbel/orbel.exe";
    port.versionValues.erase("\\VarFileInfo\\Translation");
    port.clearCalls();
    s = run();
    EXPECT_EQ(s.version, templateText(1008));
    EXPECT_EQ(s.copyright, templateText(1009));
    EXPECT_THAT(queries(), ElementsAre("verQueryValue(\\VarFileInfo\\Translation)"));
}

TEST_F(AboutBox, ResourceWithoutCopyrightShowsTheVersionAndAnEmptyCopyright) {
    port.versionValues.erase("\\StringFileInfo\\041104b0\\LegalCopyright");
    const Shown s = run();
    EXPECT_EQ(s.version, "orbel Version 1.6.1");
    EXPECT_EQ(s.copyright, "");
}

TEST_F(AboutBox, ReadsTheStringsOfTheFirstTranslationWhateverItIs) {
    // US English in Windows-1252, with a second translation after it that
    // must not be used; the version text arrives with its terminator.
    port.versionValues = {
        {"\\VarFileInfo\\Translation", std::string("\x09\x04\xE4\x04\x11\x04\xB0\x04", 8)},
        {"\\StringFileInfo\\040904e4\\FileVersion", std::string("2.0.7\0", 6)},
        {"\\StringFileInfo\\040904e4\\LegalCopyright", "(C) en"},
        {"\\StringFileInfo\\041104b0\\FileVersion", "9.9.9"},
        {"\\StringFileInfo\\041104b0\\LegalCopyright", "(C) ja"},
    };
    const Shown s = run();
    EXPECT_EQ(s.version, "orbel Version 2.0.7");
    EXPECT_EQ(s.copyright, "(C) en");
    EXPECT_THAT(queries(),
                ElementsAre("verQueryValue(\\VarFileInfo\\Translation)",
                            "verQueryValue(\\StringFileInfo\\040904e4\\FileVersion)",
                            "verQueryValue(\\StringFileInfo\\040904e4\\LegalCopyright)"));
}

TEST_F(AboutBox, CloseBoxAndEscapeEndItWithCancel) {
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
}

TEST_F(AboutBox, QueryVersionValueAnswersMinusOneAndLeavesTheOutputForAMissingValue) {
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
