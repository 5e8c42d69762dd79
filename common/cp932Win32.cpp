// Windows conversions through the system's own code page 932 tables, so the
// program shows exactly the characters Windows itself would. UTF-16 is the
// pivot: CP932 <-> UTF-16 <-> UTF-8.
#include "common/cp932.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

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

// UTF-16 -> multi-byte; for UTF-8 the default character must be null.
std::string fromWide(UINT codePage, DWORD flags, const char* defaultChar, std::wstring_view w) {
    if (w.empty() || !fitsInt(w.size())) return {};
    const int size = static_cast<int>(w.size());
    const int n =
        WideCharToMultiByte(codePage, flags, w.data(), size, nullptr, 0, defaultChar, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    const int written =
        WideCharToMultiByte(codePage, flags, w.data(), size, out.data(), n, defaultChar, nullptr);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

} // namespace

std::wstring cp932ToWide(std::string_view cp932) {
    if (cp932.empty() || !fitsInt(cp932.size())) return {};
    const int size = static_cast<int>(cp932.size());

    // A well-formed text, the usual case, converts in one pass.
    const int n =
        MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, cp932.data(), size, nullptr, 0);
    if (n > 0) {
        std::wstring out(static_cast<std::size_t>(n), L'\0');
        const int written = MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, cp932.data(),
                                                size, out.data(), n);
        out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
        return out;
    }

    // Something in it is not CP932. Without MB_ERR_INVALID_CHARS Windows
    // would put U+30FB (a katakana middle dot, a real character) in its
    // place, so go character by character and mark only the bad ones.
    std::wstring out;
    out.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size();) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        const bool pair = isLeadByte(b) && i + 1 < cp932.size() &&
                          isTrailByte(static_cast<unsigned char>(cp932[i + 1]));
        const int width = pair ? 2 : 1;
        wchar_t one[2];
        const int k = MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, cp932.data() + i,
                                          width, one, 2);
        if (k > 0)
            out.append(one, static_cast<std::size_t>(k));
        else
            out.push_back(kWideReplacement);
        i += static_cast<std::size_t>(width);
    }
    return out;
}

std::string wideToCp932(std::wstring_view wide) {
    // No best fit: Windows would otherwise turn characters CP932 lacks into
    // look-alikes instead of the replacement.
    static const char kDefault[] = {kCp932Replacement, '\0'};
    return fromWide(kCodePage932, WC_NO_BEST_FIT_CHARS, kDefault, wide);
}

std::string cp932ToUtf8(std::string_view cp932) {
    return fromWide(CP_UTF8, 0, nullptr, cp932ToWide(cp932));
}

std::string utf8ToCp932(std::string_view utf8) {
    if (utf8.empty() || !fitsInt(utf8.size())) return {};
    const int size = static_cast<int>(utf8.size());
    // Without MB_ERR_INVALID_CHARS ill-formed UTF-8 becomes U+FFFD, which
    // CP932 lacks, so it ends as the replacement below.
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    const int written = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wideToCp932(wide);
}

} // namespace orbel::text
