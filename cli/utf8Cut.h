// Where a stream of UTF-8 bytes may be cut without splitting a character.
// orbel-cli hands its console text to Windows in pieces; a character split
// between two pieces would come out as two replacement marks.
#pragma once

#include <cstddef>
#include <string_view>

namespace orbel::cli {

// Length of the longest prefix of s that does not end inside a character
// whose remaining bytes may still follow: a trailing lead byte with fewer
// continuation bytes than it announces is held back; anything ill-formed
// is let through (the converter marks it) so nothing waits for ever.
constexpr std::size_t completeUtf8Length(std::string_view s) noexcept {
    const std::size_t n = s.size();
    // A character is at most four bytes: look at the last three for a lead.
    for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
        const auto c = static_cast<unsigned char>(s[n - back]);
        if ((c & 0xC0) == 0x80) continue; // a continuation byte: look further back
        std::size_t need = 0;
        if (c >= 0xC2 && c <= 0xDF) need = 2;
        else if (c >= 0xE0 && c <= 0xEF) need = 3;
        else if (c >= 0xF0 && c <= 0xF4) need = 4;
        return need > back ? n - back : n;
    }
    return n;
}

} // namespace orbel::cli
