// Windows conversions through the system's own code page 932 tables, so the
// program shows exactly the characters Windows itself would. UTF-16 is the
// pivot: CP932 <-> UTF-16 <-> UTF-8. What cannot be converted gives the
// same replacements as on every other platform (detail::bad*Length).
#include "common/cp932.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <climits>

namespace orbel::text {

namespace {

constexpr UINT kCodePage932 = 932;
constexpr wchar_t kWideReplacement = 0xFFFD;

// The system converters take int lengths; a longer text is not one this
// program makes, and converting it to nothing beats overflowing.
bool fitsInt(std::size_t n) noexcept {
    return n <= static_cast<std::size_t>(INT_MAX);
}

// Windows maps the single bytes Shift-JIS leaves unassigned (0x80, 0xA0,
// 0xFD to 0xFF) to private characters so they round-trip; to a reader they
// are no characters at all.
bool isUnusedByte(unsigned char b) noexcept {
    return b == 0x80 || b == 0xA0 || b >= 0xFD;
}

// MultiByteToWideChar refusing anything ill-formed; empty on refusal.
std::wstring toWideStrict(UINT codePage, std::string_view s) {
    if (s.empty() || !fitsInt(s.size())) return {};
    const int size = static_cast<int>(s.size());
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, s.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    const int written =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, s.data(), size, out.data(), n);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

// UTF-16 -> multi-byte. For CP932 the default character is reported through
// usedDefault; for UTF-8 both must be null.
std::string fromWide(UINT codePage, DWORD flags, const char* defaultChar, BOOL* usedDefault,
                     std::wstring_view w) {
    if (w.empty() || !fitsInt(w.size())) return {};
    const int size = static_cast<int>(w.size());
    const int n = WideCharToMultiByte(codePage, flags, w.data(), size, nullptr, 0, defaultChar,
                                      usedDefault);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    const int written = WideCharToMultiByte(codePage, flags, w.data(), size, out.data(), n,
                                            defaultChar, usedDefault);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

// One CP932 character of the text at i: its width and whether it is one.
std::size_t cp932Width(std::string_view s, std::size_t i) noexcept {
    const auto b = static_cast<unsigned char>(s[i]);
    return isLeadByte(b) && i + 1 < s.size() && isTrailByte(static_cast<unsigned char>(s[i + 1]))
               ? 2
               : 1;
}

bool hasUnusedByte(std::string_view s) noexcept {
    for (std::size_t i = 0; i < s.size(); i += cp932Width(s, i))
        if (isUnusedByte(static_cast<unsigned char>(s[i]))) return true;
    return false;
}

// No best fit: Windows would otherwise turn characters CP932 lacks into
// look-alikes instead of the replacement.
constexpr DWORD kNoBestFit = WC_NO_BEST_FIT_CHARS;
const char kDefault[] = {kCp932Replacement, '\0'};

// A wide text to CP932; false when some character has no CP932 form.
bool wideToCp932Exact(std::wstring_view wide, std::string& out) {
    BOOL usedDefault = FALSE;
    out = fromWide(kCodePage932, kNoBestFit, kDefault, &usedDefault, wide);
    return !usedDefault && !out.empty();
}

} // namespace

std::wstring cp932ToWide(std::string_view cp932) {
    if (cp932.empty() || !fitsInt(cp932.size())) return {};

    // A well-formed text, the usual case, converts in one pass.
    if (!hasUnusedByte(cp932)) {
        std::wstring whole = toWideStrict(kCodePage932, cp932);
        if (!whole.empty()) return whole;
    }

    // Something in it is not CP932. Without MB_ERR_INVALID_CHARS Windows
    // would put U+30FB (a katakana middle dot, a real character) in its
    // place, so go character by character and mark only the bad ones.
    std::wstring out;
    out.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size();) {
        const std::string_view rest = cp932.substr(i);
        const std::size_t width = cp932Width(cp932, i);
        const std::wstring one = isUnusedByte(static_cast<unsigned char>(rest[0]))
                                     ? std::wstring()
                                     : toWideStrict(kCodePage932, rest.substr(0, width));
        if (!one.empty()) {
            out += one;
            i += width;
        } else {
            out.push_back(kWideReplacement);
            i += std::clamp<std::size_t>(detail::badCp932Length(rest), 1, rest.size());
        }
    }
    return out;
}

std::string wideToCp932(std::wstring_view wide) {
    return fromWide(kCodePage932, kNoBestFit, kDefault, nullptr, wide);
}

std::string cp932ToUtf8(std::string_view cp932) {
    return fromWide(CP_UTF8, 0, nullptr, nullptr, cp932ToWide(cp932));
}

std::string utf8ToCp932(std::string_view utf8) {
    if (utf8.empty() || !fitsInt(utf8.size())) return {};
    std::string out;
    if (const std::wstring whole = toWideStrict(CP_UTF8, utf8);
        !whole.empty() && wideToCp932Exact(whole, out))
        return out;

    // Ill-formed UTF-8 or characters CP932 lacks: one replacement for each
    // broken sequence or missing character, as the other platforms give.
    out.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        const std::string_view rest = utf8.substr(i);
        if (static_cast<unsigned char>(rest[0]) < 0x80) {
            out.push_back(rest[0]);
            ++i;
            continue;
        }
        const std::size_t len = std::clamp<std::size_t>(detail::badUtf8Length(rest), 1, rest.size());
        const std::wstring wide = toWideStrict(CP_UTF8, rest.substr(0, len));
        std::string one;
        if (!wide.empty() && wideToCp932Exact(wide, one))
            out += one;
        else
            out.push_back(kCp932Replacement);
        i += len;
    }
    return out;
}

} // namespace orbel::text
