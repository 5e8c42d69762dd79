// The %-directive engine. Texts are built by hand from the fields in a
// DateView: no strftime, no locale, so the output depends on nothing but
// the date and the format. This file is compiled with the CP932 execution
// charset, so the full-width parentheses in the composite formats below are
// the bytes 81 69 and 81 6A.

#include "render.h"

#include <cstring>

namespace orlib::detail {
namespace {

// A fixed buffer of cap bytes (cap > 0), terminator included. Pieces arrive
// as whole CP932 characters; the first character that does not fit ends
// the text for good, so a shorter piece cannot slip in after a gap.
class BufferSink {
public:
    BufferSink(char* out, std::size_t cap) noexcept : m_out(out), m_room(cap - 1) {}

    bool full() const noexcept { return m_full; }

    void put(const char* p, std::size_t n) noexcept {
        if (m_full) return;
        const std::size_t room = m_room - m_len;
        if (n <= room) {
            std::memcpy(m_out + m_len, p, n);
            m_len += n;
            return;
        }
        std::size_t take = 0;
        while (take < n) {
            const std::size_t width = isLeadByte(static_cast<unsigned char>(p[take])) ? 2 : 1;
            if (take + width > room) break;
            take += width;
        }
        std::memcpy(m_out + m_len, p, take);
        m_len += take;
        m_full = true;
    }

    std::size_t finish() noexcept {
        m_out[m_len] = '\0';
        return m_len;
    }

private:
    char* m_out;
    std::size_t m_room;
    std::size_t m_len = 0;
    bool m_full = false;
};

class StringSink {
public:
    explicit StringSink(std::string& s) noexcept : m_s(s) {}
    bool full() const noexcept { return false; }
    void put(const char* p, std::size_t n) { m_s.append(p, n); }

private:
    std::string& m_s;
};

template <class Sink> void putDecimal(Sink& sink, std::int64_t value) {
    char buf[24];
    char* end = buf + sizeof buf;
    char* p = end;
    // Through unsigned so that the most negative value negates cleanly.
    std::uint64_t u =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (value < 0) *--p = '-';
    sink.put(p, static_cast<std::size_t>(end - p));
}

template <class Sink> void putTwoDigits(Sink& sink, int value, bool noPad) {
    if (value < 0 || value > 99 || (noPad && value < 10)) {
        putDecimal(sink, value);
        return;
    }
    const char digits[2] = {static_cast<char>('0' + value / 10),
                            static_cast<char>('0' + value % 10)};
    sink.put(digits, 2);
}

template <class Sink> void putText(Sink& sink, const char* s) {
    sink.put(s, std::strlen(s));
}

template <class Sink> void render(Sink& sink, const char* fmt, const DateView& v) {
    const char* p = fmt;
    while (*p != '\0' && !sink.full()) {
        if (*p != '%') {
            // A run of literal characters, stepped character by character so
            // that a trail byte is never taken for '%'.
            const char* run = p;
            bool dangling = false;
            while (*p != '\0' && *p != '%') {
                if (isLeadByte(static_cast<unsigned char>(*p))) {
                    if (p[1] == '\0') {
                        dangling = true;
                        break;
                    }
                    p += 2;
                } else {
                    ++p;
                }
            }
            sink.put(run, static_cast<std::size_t>(p - run));
            // A lead byte with nothing after it is not a character: dropped,
            // lest it swallow whatever the caller appends to the text.
            if (dangling) ++p;
            continue;
        }

        const char* start = p++;
        bool noPad = false;
        if (*p == '#') {
            noPad = true;
            ++p;
        }
        const char c = *p;
        if (c == '\0') { // "%" or "%#" at the very end stays as it is
            sink.put(start, static_cast<std::size_t>(p - start));
            break;
        }
        ++p;
        switch (c) {
        case '%':
            sink.put("%", 1);
            break;
        case 'Y':
            putDecimal(sink, v.year);
            break;
        case 'm':
            putTwoDigits(sink, v.month, noPad);
            break;
        case 'd':
            putTwoDigits(sink, v.day, noPad);
            break;
        case 'H':
            putTwoDigits(sink, v.hour, noPad);
            break;
        case 'M':
            putTwoDigits(sink, v.min, noPad);
            break;
        case 'S':
            putTwoDigits(sink, v.sec, noPad);
            break;
        case 'a':
            putText(sink, v.weekdayName);
            break;
        case 'L':
            putText(sink, v.phaseName);
            break;
        case 'q':
            putDecimal(sink, v.phaseDay + 1);
            break;
        case 'x':
            render(sink, "%Y/%m/%d", v);
            break;
        case 'X':
            render(sink, "%H:%M:%S", v);
            break;
        case 'c':
            render(sink, "%x %X", v);
            break;
        case 'v':
            render(sink, "%Y/%#m/%#d（%a） %#H:%M", v);
            break;
        case 'Q':
            render(sink, "%x（%a） %H:%M <%L(%q)>", v);
            break;
        default:
            // Unknown: copied as written, with a double-byte character kept
            // whole (or dropped if its second byte is missing).
            if (isLeadByte(static_cast<unsigned char>(c))) {
                if (*p == '\0') {
                    sink.put(start, static_cast<std::size_t>(p - 1 - start));
                    break;
                }
                ++p;
            }
            sink.put(start, static_cast<std::size_t>(p - start));
            break;
        }
    }
}

} // namespace

std::size_t renderTo(char* out, std::size_t cap, const char* fmt, const DateView& v) noexcept {
    if (cap == 0 || out == nullptr) return 0;
    BufferSink sink(out, cap);
    if (fmt != nullptr) render(sink, fmt, v);
    return sink.finish();
}

std::string renderString(const char* fmt, const DateView& v) {
    std::string s;
    if (fmt == nullptr) return s;
    s.reserve(64);
    StringSink sink(s);
    render(sink, fmt, v);
    return s;
}

} // namespace orlib::detail
