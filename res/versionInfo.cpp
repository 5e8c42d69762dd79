#include "res/versionInfo.h"

#include <charconv>
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

namespace {
// Marks a block as ours, so a foreign or truncated one is refused.
constexpr std::string_view kBlockMagic = "ORBELVER";

bool samePath(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}
} // namespace

std::string packVersionBlock(const std::map<std::string, std::string>& values) {
    std::string block(kBlockMagic);
    for (const auto& [key, value] : values) {
        char length[9];
        std::snprintf(length, sizeof length, "%08zx", value.size());
        block += key;
        block += '\0';
        block += length;
        block += value;
    }
    return block;
}

std::optional<std::string> findInVersionBlock(std::string_view block, std::string_view path) {
    if (block.substr(0, kBlockMagic.size()) != kBlockMagic) return std::nullopt;
    std::size_t at = kBlockMagic.size();
    while (at < block.size()) {
        const std::size_t nul = block.find('\0', at);
        if (nul == std::string_view::npos || nul + 9 > block.size()) return std::nullopt;
        const std::string_view key = block.substr(at, nul - at);
        std::size_t length = 0;
        const char* digits = block.data() + nul + 1;
        if (std::from_chars(digits, digits + 8, length, 16).ptr != digits + 8) return std::nullopt;
        const std::size_t value = nul + 9;
        if (length > block.size() - value) return std::nullopt;
        if (samePath(key, path)) return std::string(block.substr(value, length));
        at = value + length;
    }
    return std::nullopt;
}

} // namespace orbel::res
