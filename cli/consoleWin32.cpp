#include "cli/consoleWin32.h"

#include "cli/utf8Cut.h"

#include <windows.h>

#include <algorithm>

namespace orbel::cli {

namespace {

// Old consoles refuse very long WriteConsoleW calls; stay well below.
constexpr int kChunk = 8192;
// Text waits in the buffer up to this size; the program's output is a few
// lines, so in practice it goes out at the end or when asked to.
constexpr std::size_t kHold = 16384;

bool writeWide(HANDLE h, const wchar_t* s, int n) {
    while (n > 0) {
        int len = std::min(n, kChunk);
        // Never leave half a surrogate pair for the next call.
        if (len < n && s[len - 1] >= 0xD800 && s[len - 1] <= 0xDBFF) --len;
        DWORD written = 0;
        if (!WriteConsoleW(h, s, static_cast<DWORD>(len), &written, nullptr) || written == 0)
            return false;
        s += written;
        n -= static_cast<int>(written);
    }
    return true;
}

bool writeBytes(HANDLE h, const char* s, std::size_t n) {
    while (n > 0) {
        DWORD written = 0;
        const DWORD len = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 20));
        if (!WriteFile(h, s, len, &written, nullptr) || written == 0) return false;
        s += written;
        n -= written;
    }
    return true;
}

} // namespace

std::string wideToUtf8(const wchar_t* s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, -1, utf8.data(), n, nullptr, nullptr);
    utf8.pop_back(); // the terminator
    return utf8;
}

std::unique_ptr<ConsoleBuf> ConsoleBuf::open(int fd) {
    const HANDLE h = GetStdHandle(fd == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (h == nullptr || h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) return nullptr;
    return std::unique_ptr<ConsoleBuf>(new ConsoleBuf(h));
}

ConsoleBuf::~ConsoleBuf() { drain(true); }

void ConsoleBuf::setPassThrough(bool on) {
    drain(true);
    m_passThrough = on;
}

ConsoleBuf::int_type ConsoleBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    m_pending.push_back(traits_type::to_char_type(c));
    if (m_pending.size() >= kHold && !drain(false)) return traits_type::eof();
    return c;
}

std::streamsize ConsoleBuf::xsputn(const char* s, std::streamsize n) {
    m_pending.append(s, static_cast<std::size_t>(n));
    if (m_pending.size() >= kHold && !drain(false)) return 0;
    return n;
}

int ConsoleBuf::sync() { return drain(false) ? 0 : -1; }

bool ConsoleBuf::drain(bool all) {
    if (m_pending.empty()) return true;
    const HANDLE h = static_cast<HANDLE>(m_handle);
    if (m_passThrough) {
        const bool ok = writeBytes(h, m_pending.data(), m_pending.size());
        m_pending.clear();
        return ok;
    }
    const std::size_t len = all ? m_pending.size() : completeUtf8Length(m_pending);
    bool ok = true;
    if (len > 0) {
        const int wideLen = MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(len),
                                                nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(wideLen), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(len), wide.data(),
                            wideLen);
        ok = writeWide(h, wide.data(), wideLen);
    }
    m_pending.erase(0, len);
    return ok;
}

} // namespace orbel::cli
