#include "res/versionInfo.h"

#include <cstdio>

namespace orbel::res {

namespace {

constexpr VersionString kStrings[] = {
    {"FileDescription", "Moon age checker for Orithaven"},
    {"FileVersion", "1.6.1"},
    {"LegalCopyright", "Copyright (C) 2026 the orbel developers"},
    {"OriginalFilename", "orbel.exe"},
    {"ProductName", "orbel"},
    {"ProductVersion", "1.6"},
};

constexpr std::uint16_t kLangJapanese = 0x0411;
constexpr std::uint16_t kCodePageUnicode = 1200;

// VS_FIXEDFILEINFO's constants: its signature and layout version, the flags
// that are defined at all, a 32-bit Windows file, an application.
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStrucVersion = 0x00010000;
constexpr std::uint32_t kFileFlagsMask = 0x3F;
constexpr std::uint32_t kFileOsWindows32 = 0x4;
constexpr std::uint32_t kFileTypeApp = 0x1;

void putWord(std::string& out, std::uint16_t w) {
    out.push_back(static_cast<char>(w & 0xFF));
    out.push_back(static_cast<char>(w >> 8));
}

void putDword(std::string& out, std::uint32_t d) {
    putWord(out, static_cast<std::uint16_t>(d & 0xFFFF));
    putWord(out, static_cast<std::uint16_t>(d >> 16));
}

// A version as the fixed part stores it: two DWORDs, major.minor in the
// first, build.revision in the second, each pair high word first.
void putVersion(std::string& out, const std::array<std::uint16_t, 4>& v) {
    putDword(out, static_cast<std::uint32_t>(v[0]) << 16 | v[1]);
    putDword(out, static_cast<std::uint32_t>(v[2]) << 16 | v[3]);
}

std::string fixedFileInfo(const VersionResource& r) {
    std::string out;
    out.reserve(52);
    putDword(out, kFixedSignature);
    putDword(out, kFixedStrucVersion);
    putVersion(out, r.fileVersion);
    putVersion(out, r.productVersion);
    putDword(out, kFileFlagsMask);
    putDword(out, 0); // flags: a release build
    putDword(out, kFileOsWindows32);
    putDword(out, kFileTypeApp);
    putDword(out, 0); // subtype
    putDword(out, 0); // date, high
    putDword(out, 0); // date, low
    return out;
}

} // namespace

const VersionResource& versionResource() noexcept {
    static const VersionResource resource{
        {1, 6, 1, 0}, {1, 6, 1, 0}, kLangJapanese, kCodePageUnicode, kStrings,
    };
    return resource;
}

std::string translationKey(std::uint16_t language, std::uint16_t codePage) {
    char key[9];
    std::snprintf(key, sizeof key, "%04x%04x", static_cast<unsigned>(language),
                  static_cast<unsigned>(codePage));
    return key;
}

std::map<std::string, std::string> versionValues(const VersionResource& resource) {
    std::map<std::string, std::string> values;
    values["\\"] = fixedFileInfo(resource);

    std::string translation;
    putWord(translation, resource.language);
    putWord(translation, resource.codePage);
    values["\\VarFileInfo\\Translation"] = translation;

    const std::string prefix =
        "\\StringFileInfo\\" + translationKey(resource.language, resource.codePage) + "\\";
    for (const VersionString& s : resource.strings)
        values[prefix + std::string(s.name)] = std::string(s.value);
    return values;
}

} // namespace orbel::res
