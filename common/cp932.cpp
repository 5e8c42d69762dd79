#include "common/cp932.h"

#include <algorithm>
#include <cstring>

#if !defined(_WIN32)
#include <cerrno>
#include <iconv.h>
#endif

namespace orbel::text {

std::size_t fitCp932(std::string_view s, std::size_t limit) noexcept {
    const std::size_t end = std::min(s.size(), limit);
    std::size_t i = 0;
    while (i < end) {
        const std::size_t width = isLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (width > end - i) break; // a double-byte character across the cut
        i += width;
    }
    return i;
}

std::size_t copyCp932(char* dst, std::size_t cap, std::string_view src) noexcept {
    if (cap == 0) return 0;
    const std::size_t n = fitCp932(src, cap - 1);
    if (n > 0) std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
    return n;
}

// Bytes to skip at a CP932 character the converter refused: a lead byte takes its
// trail with it when the trail is one, so an unassigned character gives one
// replacement; a lead byte before a byte that cannot be a trail goes alone,
// so the byte after it (often a line break or an ASCII letter) survives.
std::size_t detail::badCp932Length(std::string_view rest) noexcept {
    if (rest.size() >= 2 && isLeadByte(static_cast<unsigned char>(rest[0])) &&
        isTrailByte(static_cast<unsigned char>(rest[1])))
        return 2;
    return 1;
}

// Bytes to skip at a UTF-8 sequence the converter refused. A well-formed character
// that CP932 lacks is skipped whole; an ill-formed sequence is skipped up to
// its longest well-formed start (at least one byte), so each broken
// character gives exactly one replacement.
std::size_t detail::badUtf8Length(std::string_view rest) noexcept {
    const auto b0 = static_cast<unsigned char>(rest[0]);
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF; // range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        if (b0 == 0xE0) lo = 0xA0; // overlong
        if (b0 == 0xED) hi = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        if (b0 == 0xF0) lo = 0x90; // overlong
        if (b0 == 0xF4) hi = 0x8F; // beyond U+10FFFF
    } else {
        return 1; // ASCII, a stray continuation byte or a byte UTF-8 never uses
    }
    for (std::size_t i = 1; i <= need; ++i) {
        if (i >= rest.size()) return i;
        const auto b = static_cast<unsigned char>(rest[i]);
        if (b < lo || b > hi) return i;
        lo = 0x80;
        hi = 0xBF;
    }
    return need + 1;
}

#if !defined(_WIN32)

namespace {

using detail::badCp932Length;
using detail::badUtf8Length;

using BadLength = std::size_t (*)(std::string_view) noexcept;

// One descriptor per thread and direction: opening one loads the converter
// tables, too slow for a text rendered on every clock tick, and a
// descriptor carries state, so threads cannot share it.
class Converter {
public:
    Converter(const char* to, const char* from) noexcept : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const noexcept { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const noexcept { return m_cd; }

private:
    iconv_t m_cd;
};

void appendAt(std::string& out, std::size_t& used, std::string_view bytes) {
    if (out.size() - used < bytes.size()) out.resize(used + bytes.size() + out.size() / 2 + 16);
    std::memcpy(out.data() + used, bytes.data(), bytes.size());
    used += bytes.size();
}

// Without a converter (a system without the CP932 tables) ASCII still
// passes and every other character becomes one replacement.
std::string convertAsciiOnly(std::string_view in, std::string_view replacement, BadLength bad) {
    std::string out;
    for (std::size_t i = 0; i < in.size();) {
        if (static_cast<unsigned char>(in[i]) < 0x80) {
            out.push_back(in[i]);
            ++i;
        } else {
            out.append(replacement);
            i += std::clamp<std::size_t>(bad(in.substr(i)), 1, in.size() - i);
        }
    }
    return out;
}

std::string convert(const Converter& conv, std::string_view in, std::size_t firstGuess,
                    std::string_view replacement, BadLength bad) {
    if (in.empty()) return {};
    if (!conv.valid()) return convertAsciiOnly(in, replacement, bad);

    iconv(conv.get(), nullptr, nullptr, nullptr, nullptr); // forget any earlier state
    std::string out(firstGuess, '\0');
    std::size_t used = 0;
    // glibc declares the input as char** although it never writes through it.
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(conv.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (error == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        // EILSEQ: a sequence that is ill-formed or has no counterpart;
        // EINVAL: a sequence cut off by the end of the text. Anything else
        // is not expected from a converter of stateless encodings, and ends
        // the text with one replacement rather than risk a loop.
        const std::size_t skip =
            error == EILSEQ ? std::clamp<std::size_t>(bad({inPtr, inLeft}), 1, inLeft) : inLeft;
        appendAt(out, used, replacement);
        inPtr += skip;
        inLeft -= skip;
    }
    out.resize(used);
    return out;
}

} // namespace

std::string cp932ToUtf8(std::string_view cp932) {
    thread_local const Converter conv("UTF-8", "CP932");
    // Kanji grow from 2 bytes to 3; half-width katakana from 1 to 3 (E2BIG).
    return convert(conv, cp932, cp932.size() + cp932.size() / 2 + 8, kUtf8Replacement,
                   badCp932Length);
}

std::string utf8ToCp932(std::string_view utf8) {
    thread_local const Converter conv("CP932", "UTF-8");
    // No character takes more bytes in CP932 than in UTF-8.
    return convert(conv, utf8, utf8.size() + 8, std::string_view(&kCp932Replacement, 1),
                   badUtf8Length);
}

#endif // !_WIN32

} // namespace orbel::text
