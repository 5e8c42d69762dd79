// The files besides the dialogs: the version statement and the manifest
// with their exact texts, the string block a built program is compared
// with, and the icon files parsed back to the artwork's own pixels.
#include "ports/win32/resources/icoFile.h"
#include "ports/win32/resources/rcScript.h"
#include "res/artwork.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orbel::rc {
namespace {

TEST(RcVersion, StatementHoldsTheExactValues) {
    EXPECT_EQ(versionScript(res::versionResource()), R"(1 VERSIONINFO
FILEVERSION 1,6,1,0
PRODUCTVERSION 1,6,1,0
FILEFLAGSMASK 0x0000003F
FILEFLAGS 0x00000000
FILEOS 0x00000004
FILETYPE 0x00000001
FILESUBTYPE 0x00000000
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "041104b0"
        BEGIN
            VALUE "FileDescription", L"Moon age checker for Orithaven"
            VALUE "FileVersion", L"1.6.1"
            VALUE "LegalCopyright", L"Copyright (C) 2026 the orbel developers"
            VALUE "OriginalFilename", L"orbel.exe"
            VALUE "ProductName", L"orbel"
            VALUE "ProductVersion", L"1.6"
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x0411, 1200
    END
END
)");
    // Each of the four numbers lands in its own place.
    const res::VersionString strings[] = {{"Comments", "\x8C\x8E"}};
    const res::VersionResource other{{2, 0, 300, 65535}, {4, 3, 2, 1}, 0x0409, 1252, strings};
    const std::string s = versionScript(other);
    EXPECT_NE(s.find("\nFILEVERSION 2,0,300,65535\nPRODUCTVERSION 4,3,2,1\n"), std::string::npos);
    EXPECT_NE(s.find("BLOCK \"040904e4\""), std::string::npos);
    EXPECT_NE(s.find("VALUE \"Comments\", L\"\\x6708\""), std::string::npos);
    EXPECT_NE(s.find("VALUE \"Translation\", 0x0409, 1252"), std::string::npos);
    const res::VersionString badName[] = {{"File Description", "x"}};
    EXPECT_THROW(versionScript({{}, {}, 0x0411, 1200, badName}), RcError);
}

TEST(RcVersion, ManifestIdentifiesA64BitProgramWithCommonControls6) {
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

TEST(RcStrings, BlockHasSixteenCountedStringsInIdOrder) {
    const std::string block = stringBlock(7); // ids 96..111
    auto word = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(block.at(at)) |
                                     static_cast<unsigned char>(block.at(at + 1)) << 8);
    };
    std::size_t at = 0;
    std::vector<unsigned> lengths;
    for (int i = 0; i < 16; ++i) {
        lengths.push_back(word(at));
        at += 2 + 2 * lengths.back();
    }
    EXPECT_EQ(at, block.size());
    EXPECT_EQ(lengths[0] + lengths[1] + lengths[2] + lengths[3] + lengths[4], 0u);
    EXPECT_EQ(lengths[5], 23u);           // 101: "orbel のﾊﾞｰｼﾞｮﾝ情報(&A)..."
    EXPECT_EQ(lengths[6], 38u);           // 102, its line break two characters
    EXPECT_EQ(word(12), 0x6Fu);           // 'o'
    EXPECT_EQ(word(12 + 2 * 6), 0x306Eu); // 'の'
    EXPECT_EQ(stringBlock(1), std::string(32, '\0'));
    EXPECT_THROW(stringBlock(0), RcError);
}

TEST(RcScript, ResourceDllNamesTheTwelvePhaseIcons) {
    const std::string s = resourceDllScript();
    for (unsigned id = 102; id <= 113; ++id) {
        const std::string line =
            std::to_string(id) + " ICON \"phase" + std::to_string(id) + ".ico\"\n";
        EXPECT_NE(s.find(line), std::string::npos) << id;
    }
    EXPECT_NE(s.find("LANGUAGE 0x11, 0x01\n"), std::string::npos);
    EXPECT_EQ(s.find("114 ICON"), std::string::npos);
    EXPECT_NE(exeScript().find("\n128 ICON \"orbel.ico\"\n"), std::string::npos);
}

// An icon file read back as Windows reads it: the directory, then each
// image's header, palette, colour rows and AND mask, both bottom-up.
struct Decoded {
    int bits;
    gfx::IconImage image;
};

std::vector<Decoded> decodeIco(const std::string& f) {
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(f.at(at)) |
                                          static_cast<unsigned char>(f.at(at + 1)) << 8);
    };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    EXPECT_EQ(u16(0), 0u);
    EXPECT_EQ(u16(2), 1u);
    std::vector<Decoded> out;
    std::size_t expectedOffset = 6 + 16 * u16(4);
    for (std::size_t e = 0; e < u16(4); ++e) {
        const std::size_t dir = 6 + 16 * e;
        const int size = static_cast<unsigned char>(f.at(dir));
        const std::size_t at = u32(dir + 12);
        EXPECT_EQ(at, expectedOffset); // images follow each other without gaps
        expectedOffset += u32(dir + 8);
        EXPECT_EQ(u16(dir + 6), u16(at + 14)); // directory and header agree on depth
        EXPECT_EQ(static_cast<int>(u32(at + 4)), size);
        EXPECT_EQ(static_cast<int>(u32(at + 8)), 2 * size);
        const int bits = static_cast<int>(u16(at + 14));
        const std::size_t palette = at + 40;
        const std::size_t colour = palette + (bits == 8 ? 1024 : 0);
        const std::size_t colourRow = (static_cast<std::size_t>(size) * bits + 31) / 32 * 4;
        const std::size_t mask = colour + colourRow * static_cast<std::size_t>(size);
        const std::size_t maskRow = (static_cast<std::size_t>(size) + 31) / 32 * 4;
        EXPECT_EQ(mask + maskRow * static_cast<std::size_t>(size), at + u32(dir + 8));
        gfx::IconImage img{gfx::Bitmap(size, size), gfx::Bitmap(size, size)};
        for (int y = 0; y < size; ++y) {
            const std::size_t row = static_cast<std::size_t>(size - 1 - y);
            for (int x = 0; x < size; ++x) {
                const std::size_t px =
                    colour + row * colourRow + static_cast<std::size_t>(x) * (bits / 8);
                const std::uint32_t bgr =
                    bits == 8 ? u32(palette + 4 * static_cast<unsigned char>(f.at(px))) : u32(px);
                const bool clear = (f.at(mask + row * maskRow + static_cast<std::size_t>(x / 8)) &
                                    (0x80 >> (x % 8))) != 0;
                if (bits == 32) {
                    EXPECT_EQ(bgr >> 24, clear ? 0u : 0xFFu) << x << "," << y;
                }
                img.color.set(x, y, gfx::rgb(bgr >> 16 & 0xFF, bgr >> 8 & 0xFF, bgr & 0xFF));
                img.mask.set(x, y, clear ? gfx::kWhite : gfx::kBlack);
            }
        }
        out.push_back({bits, img});
    }
    EXPECT_EQ(expectedOffset, f.size());
    return out;
}

TEST(IcoFile, ParsesBackToTheArtworkAtEachSizeInBothDepths) {
    std::vector<unsigned> ids{res::IDR_MAINFRAME};
    for (unsigned id = res::IDI_PHASE_FIRST; id <= res::IDI_PHASE_LAST; ++id)
        ids.push_back(id);
    for (const unsigned id : ids) {
        const std::vector<Decoded> images = decodeIco(iconFile(id));
        ASSERT_EQ(images.size(), 6u) << id;
        for (std::size_t i = 0; i < images.size(); ++i) {
            const int size = kIconSizes[i / 2];
            EXPECT_EQ(images[i].bits, i % 2 ? 8 : 32);
            EXPECT_TRUE(images[i].image == res::iconResource(id, size)) << id << " at " << size;
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
    const std::vector<Decoded> images = decodeIco(encodeIco({colourful}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].bits, 32);
    EXPECT_TRUE(images[0].image == colourful);
}

} // namespace
} // namespace orbel::rc
