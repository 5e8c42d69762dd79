// The generated resource files as the resource compiler and Windows read
// them; bad data must stop the generator. The string blocks and
// icon groups a built module holds are checked by win32_resources_present.
#include "ports/win32/resources/rcScript.h"
#include "ports/win32/resources/icoFile.h"
#include "res/artwork.h"
#include "res/menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>

namespace orbel::rc {
namespace {

std::vector<std::string> lines(const std::string& script) {
    std::vector<std::string> out;
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);)
        out.push_back(line.substr(std::min(line.size(), line.find_first_not_of(' '))));
    return out;
}

TEST(RcLiteral, EscapesWhatTheCompilerWouldReadOtherwise) {
    // 0x95 0x5C is one character whose trail byte is no backslash; half-width
    // katakana are single bytes; the escape stops at four digits.
    const std::pair<std::string, std::string> rows[] = {
        {"a\"b\\c\r\n\td&&e(&X)", R"rc(L"a""b\\c\r\n\td&&e(&X)")rc"},
        {"\x95\x5C\x61\xB1", R"(L"\x8868a\xFF71")"},
        {"\x81\x8B\x61", R"(L"\x00B0a")"},                            // not U+0B0A
        {"\x81\x8B\x46\x61\"\x81\x5F\\", R"(L"\x00B0Fa""\xFF3C\\")"}, // F and a: hex digits
        {"", "L\"\""}};
    for (const auto& [bytes, literal] : rows)
        EXPECT_EQ(rcLiteral(bytes), literal);
    for (const char* bad : {"\x81", "ok\x81 ", "\x85\x40"})
        EXPECT_THROW(rcLiteral(bad), RcError) << bad;
    EXPECT_THROW(rcLiteral(std::string_view("a\0b", 3)), RcError);
}

TEST(RcScript, IsAsciiInTheJapaneseLanguage) {
    for (const std::string& s : {exeScript(), resourceDllScript()}) {
        for (const char c : s)
            ASSERT_LT(static_cast<unsigned char>(c), 0x80u);
        EXPECT_NE(s.find("\nLANGUAGE 0x11, 0x01\n"), std::string::npos);
    }
    EXPECT_NE(exeScript().find("\nSTRINGTABLE\nBEGIN\n    101, L\""), std::string::npos);
    EXPECT_THROW(stringTableScript(100, 101), RcError);
    EXPECT_EQ(stringBlock(1), std::string(32, '\0'));
    EXPECT_THROW(stringBlock(0), RcError);
}

TEST(RcScript, DialogsCarryEveryControlAsTheCompilerWillBuildIt) {
    using K = res::ControlKind;
    const std::map<K, const char*> kClasses = {
        {K::ComboBox, "ComboBox"}, {K::Edit, "Edit"},         {K::MonthCalendar, "SysMonthCal32"},
        {K::GroupBox, "Button"},   {K::PushButton, "Button"}, {K::CheckBox, "Button"},
        {K::RadioButton, "Button"}};
    const auto all = lines(exeScript());
    for (const unsigned id : kDialogIds) {
        const res::DialogTemplate& d = *res::findDialogTemplate(id);
        auto it = std::find(all.begin(), all.end(),
                            std::to_string(id) + " DIALOGEX 0, 0, " + std::to_string(d.cx) + ", " +
                                std::to_string(d.cy));
        ASSERT_NE(it, all.end()) << id;
        char styles[64];
        std::snprintf(styles, sizeof styles, "STYLE 0x%08X/EXSTYLE 0x%08X", d.style, d.exStyle);
        EXPECT_EQ(it[1] + "/" + it[2], styles);
        it += 2;
        if (!d.caption.empty()) {
            EXPECT_EQ(*++it, "CAPTION " + rcLiteral(d.caption)) << id;
        }
        EXPECT_EQ(*++it, "FONT " + std::to_string(d.pointSize) + ", " + rcLiteral(d.fontFace) +
                             ", 0, 0, 0x80"); // Shift-JIS faces
        ASSERT_EQ(*++it, "BEGIN");
        for (const res::ControlTemplate& c : d.controls) {
            // An icon control names its icon by number.
            const std::string head =
                "CONTROL " + (c.iconId ? std::to_string(c.iconId) : rcLiteral(c.text));
            std::string_view line = *++it;
            ASSERT_EQ(line.substr(0, head.size()), head) << id << "/" << c.id;
            line.remove_prefix(head.size());
            static const std::regex form(R"re(, (-?\d+), "(\w+)", (0x[0-9A-F]{8}))re"
                                         R"re((?: \| NOT (0x[0-9A-F]{8}))?)re"
                                         R"re(, (-?\d+), (-?\d+), (\d+), (\d+))re");
            std::cmatch m;
            ASSERT_TRUE(std::regex_match(line.data(), line.data() + line.size(), m, form)) << line;
            auto num = [&](int i) { return m[i].matched ? std::stoll(m[i].str(), nullptr, 0) : 0; };
            const auto cls = kClasses.find(c.kind);
            const std::string expected = cls == kClasses.end() ? "Static" : cls->second;
            // CONTROL adds WS_CHILD | WS_VISIBLE before NOT takes bits away.
            EXPECT_EQ(std::tuple(num(1), m[2].str(), (num(3) | 0x50000000) & ~num(4), num(5),
                                 num(6), num(7), num(8)),
                      std::tuple(c.id, expected, c.style, c.x, c.y, c.cx, c.cy))
                << id << "/" << c.id;
        }
        EXPECT_EQ(*++it, "END") << id;
    }
}

TEST(RcScript, RefusesTemplatesTheCompilerWouldBuildDifferently) {
    res::DialogTemplate d = *res::findDialogTemplate(145);
    EXPECT_NO_THROW(dialogScript(d));
    auto broken = [&](auto change) {
        res::DialogTemplate copy = d;
        change(copy);
        return copy;
    };
    for (const auto& bad : {
             broken([](auto& t) { t.controls[1].visible = true; }),       // style says hidden
             broken([](auto& t) { t.controls[0].style &= ~0x40000000; }), // no WS_CHILD
             broken([](auto& t) { t.controls[0].kind = res::ControlKind::PushButton; }),
             broken([](auto& t) { t.controls[1].iconId = 128; }), // a frame with an icon
             broken([](auto& t) { t.style &= ~0x00C00000u; }),    // caption, no WS_CAPTION
             broken([](auto& t) { t.style &= ~0x40u; }),          // no DS_SETFONT
             broken([](auto& t) { t.caption = "\x82"; }),
         })
        EXPECT_THROW(dialogScript(bad), RcError);
}

TEST(RcScript, MenuNestsTheSameTreeInOrder) {
    std::vector<std::string> want{"129 MENU", "BEGIN"};
    std::function<void(const res::MenuItem&)> nest = [&](const res::MenuItem& m) {
        for (const res::MenuItem& c : m.children) {
            if (!c.children.empty()) {
                want.insert(want.end(), {"POPUP " + rcLiteral(c.text), "BEGIN"});
                nest(c);
                want.push_back("END");
            } else {
                want.push_back(c.id ? "MENUITEM " + rcLiteral(c.text) + ", " + std::to_string(c.id)
                                    : "MENUITEM SEPARATOR");
            }
        }
    };
    nest(res::loadMenu(kMenuId));
    want.push_back("END");
    EXPECT_EQ(lines(menuScript(kMenuId)), want);
    EXPECT_THROW(menuScript(130), RcError);
}

// The program's own values are compared with the built program's
// resource by Win32Version.TheBuiltProgramCarriesItsVersionResource.
TEST(RcVersion, StatementAndManifestPutEachValueInItsPlace) {
    const res::VersionString strings[] = {{"Comments", "\x8C\x8E"}};
    const res::VersionResource other{{2, 0, 300, 65535}, {4, 3, 2, 1}, 0x0409, 1252, strings};
    const std::string s = versionScript(other);
    EXPECT_EQ(s.rfind("1 VERSIONINFO\nFILEVERSION 2,0,300,65535\nPRODUCTVERSION 4,3,2,1\n", 0), 0u)
        << s;
    EXPECT_NE(s.find("BLOCK \"040904e4\""), std::string::npos);
    EXPECT_NE(s.find("VALUE \"Comments\", L\"\\x6708\""), std::string::npos);
    EXPECT_NE(s.find("VALUE \"Translation\", 0x0409, 1252"), std::string::npos);
    const res::VersionString badName[] = {{"File Description", "x"}};
    EXPECT_THROW(versionScript({{}, {}, 0x0411, 1200, badName}), RcError);

    // A 64-bit program with common controls 6.
    EXPECT_EQ(manifestXml(res::versionResource()),
              R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity name="Quil.orbel.orbel" version="1.0.0.0" type="win32" processorArchitecture="amd64"/>
  <description>Moon age checker for Orithaven</description>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture="amd64" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
</assembly>
)");
    const res::VersionString markup[] = {{"FileDescription", "a <b>"}};
    EXPECT_THROW(manifestXml({{}, {}, 0x0411, 1200, markup}), RcError);
    EXPECT_THROW(manifestXml({{}, {}, 0x0411, 1200, {}}), RcError);
}

// An icon file read back as Windows reads it: the directory, then each
// image's header, palette, colour rows and AND mask, both bottom-up; the
// images follow each other without gaps.
std::vector<std::pair<int, gfx::IconImage>> decodeIco(const std::string& f) {
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(f.at(at)) |
                                          static_cast<unsigned char>(f.at(at + 1)) << 8);
    };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    EXPECT_EQ(u32(0), 0x10000u);
    std::vector<std::pair<int, gfx::IconImage>> out;
    const std::size_t end = 6 + 16 * u16(4);
    std::size_t next = end;
    for (std::size_t dir = 6; dir < end; dir += 16) {
        const std::size_t n = static_cast<unsigned char>(f.at(dir)), at = u32(dir + 12);
        const std::size_t bits = u16(at + 14), palette = at + 40;
        EXPECT_EQ(at, next);
        next += u32(dir + 8);
        // The height counts colour and mask.
        EXPECT_EQ(std::tuple(u16(dir + 6), u32(at + 4), u32(at + 8)), std::tuple(bits, n, 2 * n));
        const std::size_t colour = palette + (bits == 8 ? 1024 : 0);
        const std::size_t colourRow = (n * bits + 31) / 32 * 4, maskRow = (n + 31) / 32 * 4;
        const std::size_t mask = colour + colourRow * n;
        EXPECT_EQ(mask + maskRow * n, next);
        gfx::IconImage img{gfx::Bitmap(n, n), gfx::Bitmap(n, n)};
        for (std::size_t y = 0, row = n - 1; y < n; ++y, --row) {
            for (std::size_t x = 0; x < n; ++x) {
                const std::size_t px = colour + row * colourRow + x * (bits / 8);
                const std::uint32_t bgr =
                    bits == 8 ? u32(palette + 4 * static_cast<unsigned char>(f.at(px))) : u32(px);
                const bool clear = f.at(mask + row * maskRow + x / 8) & (0x80 >> (x % 8));
                EXPECT_TRUE(bits != 32 || bgr >> 24 == (clear ? 0u : 0xFFu)) << x << "," << y;
                img.color.set(x, y, gfx::rgb(bgr >> 16 & 0xFF, bgr >> 8 & 0xFF, bgr & 0xFF));
                img.mask.set(x, y, clear ? gfx::kWhite : gfx::kBlack);
            }
        }
        out.emplace_back(static_cast<int>(bits), img);
    }
    EXPECT_EQ(next, f.size());
    return out;
}

TEST(IcoFile, ParsesBackToTheArtworkAtEachSizeInBothDepths) {
    std::vector<unsigned> ids{res::IDR_MAINFRAME};
    for (unsigned id = res::IDI_PHASE_FIRST; id <= res::IDI_PHASE_LAST; ++id)
        ids.push_back(id);
    for (const unsigned id : ids) {
        const auto images = decodeIco(iconFile(id));
        ASSERT_EQ(images.size(), 6u) << id;
        for (std::size_t i = 0; i < images.size(); ++i) {
            const int size = kIconSizes[i / 2];
            EXPECT_EQ(images[i].first, i % 2 ? 8 : 32);
            EXPECT_TRUE(images[i].second == res::iconResource(id, size)) << id << " at " << size;
        }
    }
    EXPECT_THROW(iconFile(114), RcError);
}

TEST(IcoFile, RefusesWhatAnIconCannotHoldAndSkipsInexact8BitImages) {
    const gfx::IconImage good = res::iconResource(128, 16);
    gfx::IconImage inverting = good;
    inverting.color.set(0, 0, gfx::kWhite); // corner is transparent in the mask
    gfx::IconImage oddMask = good;
    oddMask.mask = gfx::Bitmap(15, 16);
    const gfx::IconImage wide{gfx::Bitmap(16, 8), gfx::Bitmap(16, 8)};
    for (const auto& bad : std::vector<std::vector<gfx::IconImage>>{
             {}, {inverting}, {oddMask}, {wide}, {gfx::IconImage{}}})
        EXPECT_THROW(encodeIco(bad), RcError);

    gfx::IconImage colourful{gfx::Bitmap(17, 17), gfx::Bitmap(17, 17)}; // 289 colours
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x)
            colourful.color.set(x, y,
                                gfx::rgb(static_cast<unsigned>(x), static_cast<unsigned>(y), 9));
    const auto images = decodeIco(encodeIco({colourful}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].first, 32);
    EXPECT_TRUE(images[0].second == colourful);
}

} // namespace
} // namespace orbel::rc
