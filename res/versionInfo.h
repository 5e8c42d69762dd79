// The executable's version resource as data: the fixed version numbers, the
// one translation and its string values, and the author's home page and
// contact address that the About box shows beside them.
//
// The Win32 build compiles the same values into its resource script; ports
// without version resources answer VerQueryValue from versionValues(). The
// About box reads these values only through the port, never from here, so
// what it shows is what the executable carries. Texts are CP932.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orbel::res {

struct VersionString {
    std::string_view name;
    std::string_view value;
};

struct VersionResource {
    // major, minor, build, revision
    std::array<std::uint16_t, 4> fileVersion{};
    std::array<std::uint16_t, 4> productVersion{};
    std::uint16_t language = 0; // Windows language id
    std::uint16_t codePage = 0; // 1200: the strings are UTF-16 in the file
    std::span<const VersionString> strings;
};

// orbel's own version resource.
const VersionResource& versionResource() noexcept;

// The About box's two read-only fields.
inline constexpr std::string_view kHomePage = "https://orbel.example.org/";
inline constexpr std::string_view kContactAddress = "orbel-dev@example.org";

// The block name of a translation's strings: language then code page, four
// lower-case hexadecimal digits each ("041104b0").
std::string translationKey(std::uint16_t language, std::uint16_t codePage);

// Every answer VerQueryValue gives for a resource, keyed by the query path:
//   "\"                               the 52-byte fixed file information
//   "\VarFileInfo\Translation"        language word, code page word (little
//                                     endian, 4 bytes)
//   "\StringFileInfo\<key>\<name>"    each string's text
// Paths are spelt as the resource spells them; lookups that ignore case are
// the port's business.
std::map<std::string, std::string> versionValues(const VersionResource& resource);
inline std::map<std::string, std::string> versionValues() {
    return versionValues(versionResource());
}

// The block a port without version resources hands out from
// GetFileVersionInfo: the query paths and their values packed one after
// another (path, NUL, 8 hexadecimal digits of length, value).
std::string packVersionBlock(const std::map<std::string, std::string>& values);
// The value of a query path in such a block, the path compared without
// regard to ASCII case as the version API does; nullopt when it is missing
// or the block is malformed.
std::optional<std::string> findInVersionBlock(std::string_view block, std::string_view path);

} // namespace orbel::res
