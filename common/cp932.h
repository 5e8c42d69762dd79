// CP932 (Shift-JIS) text at the program's boundaries.
//
// Texts inside the program are CP932 byte strings; they become UTF-8 (or
// UTF-16 on Windows) only where they leave it: the terminal, a toolkit, a
// file name. This module owns those conversions and the CP932-aware cutting
// of texts into fixed buffers. Called by the command line, the ports and
// every buffer writer in the core. Conversions never fail: a byte sequence
// that cannot be converted becomes a replacement character and the rest of
// the text goes on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orbel::text {

// The character that stands in for what cannot be converted.
inline constexpr char kCp932Replacement = '?';
inline constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD"; // U+FFFD

// First byte of a double-byte character. 0xA1-0xDF are single-byte
// half-width katakana, and a trail byte may be anything from 0x40 (0x5C
// included), so only a walk from the start of a text tells lead from trail.
constexpr bool isLeadByte(unsigned char c) noexcept {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Valid second byte of a double-byte character.
constexpr bool isTrailByte(unsigned char c) noexcept {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

std::string cp932ToUtf8(std::string_view cp932);
std::string utf8ToCp932(std::string_view utf8);

#if defined(_WIN32)
std::wstring cp932ToWide(std::string_view cp932);
std::string wideToCp932(std::wstring_view wide);
#endif

// Length of the longest prefix of s of at most `limit` bytes that does not
// split a double-byte character. A lead byte always claims the byte after
// it, so a lone lead byte at the end of s is never part of the prefix.
std::size_t fitCp932(std::string_view s, std::size_t limit) noexcept;

// Copies the prefix fitCp932(src, cap - 1) into dst and terminates it;
// returns the bytes copied (terminator excluded). Writes nothing when cap
// is 0.
std::size_t copyCp932(char* dst, std::size_t cap, std::string_view src) noexcept;

namespace detail {
// How many bytes one replacement stands for at the start of a sequence the
// converter refused, the same on every platform: an unassigned CP932 pair
// goes as one, a lead byte before a non-trail byte goes alone; an
// ill-formed UTF-8 sequence goes up to its longest well-formed start (at
// least one byte), a well-formed character CP932 lacks goes whole.
std::size_t badCp932Length(std::string_view rest) noexcept;
std::size_t badUtf8Length(std::string_view rest) noexcept;
} // namespace detail

} // namespace orbel::text
