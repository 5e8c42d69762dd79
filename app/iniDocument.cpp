// The byte-preserving INI document: parsing, lookup and in-place edits that
// keep every other byte of the file. See iniFile.h for the contract.
#include "app/iniFile.h"

#include <cstring>

namespace orbel::ini {

namespace {

constexpr std::size_t npos = std::string_view::npos;

constexpr bool isBlank(char c) noexcept {
    return c == ' ' || c == '\t';
}

constexpr bool isLeadByte(unsigned char c) noexcept {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

constexpr bool isTrailByte(unsigned char c) noexcept {
    return c >= 0x40 && c <= 0xFC;
}

// 2 when a lead byte and its trail byte start at i, else 1. A trail byte can
// be '[', '\\', ']' or an ASCII letter (ア is 83 41, 表 is 95 5C), so every
// scan steps over whole characters.
std::size_t charWidth(std::string_view s, std::size_t i) noexcept {
    if (isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
        isTrailByte(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

// First single-byte ASCII character c at or after the character boundary
// `from`. Searches byte-wise and then decides whether a hit is a trail byte:
// the run of lead-range bytes just before it starts on a boundary (it
// follows `from` or a byte that ends a character) and pairs up from there,
// so an odd run means the hit completes a pair. Runs before two hits never
// overlap, so a long line costs one pass.
std::size_t findChar(std::string_view s, char c, std::size_t from = 0) noexcept {
    while (from < s.size()) {
        const void* hit = std::memchr(s.data() + from, c, s.size() - from);
        if (!hit) return npos;
        const std::size_t j = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
        if (!isTrailByte(static_cast<unsigned char>(c))) return j;
        std::size_t run = 0;
        while (j - run > from && isLeadByte(static_cast<unsigned char>(s[j - run - 1])))
            ++run;
        if (run % 2 == 0) return j;
        from = j + 1;
    }
    return npos;
}

// True when the last byte of s is a lead byte without its trail: written
// before ']' it would swallow the bracket as its trail byte.
bool endsWithLoneLead(std::string_view s) noexcept {
    std::size_t i = 0;
    std::size_t last = 0;
    while (i < s.size()) {
        last = i;
        i += charWidth(s, i);
    }
    return !s.empty() && i - last == 1 && isLeadByte(static_cast<unsigned char>(s[last]));
}

constexpr char foldAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII letters match in either case; double-byte characters match exactly.
bool sameName(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t w = charWidth(a, i);
        if (w == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
        i += w;
    }
    return true;
}

std::size_t skipBlanks(std::string_view s, std::size_t from) noexcept {
    while (from < s.size() && isBlank(s[from]))
        ++from;
    return from;
}

// Blanks are below 0x40, so they are never a trail byte: trimming from the
// right cannot cut a character.
std::size_t trimRight(std::string_view s, std::size_t begin, std::size_t end) noexcept {
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return end;
}

bool hasLineBreak(std::string_view s) noexcept {
    return s.find_first_of("\r\n") != npos;
}

bool hasOuterBlank(std::string_view s) noexcept {
    return !s.empty() && (isBlank(s.front()) || isBlank(s.back()));
}

// Offsets fit: a document never holds more than kMaxFileBytes.
constexpr std::uint32_t u32(std::size_t n) noexcept {
    return static_cast<std::uint32_t>(n);
}

bool isQuoted(std::string_view v) noexcept {
    return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

// Names that would not read back as themselves are refused rather than
// written into a file that then means something else.
bool isStorableSection(std::string_view s) noexcept {
    return !s.empty() && !hasLineBreak(s) && !hasOuterBlank(s) && findChar(s, ']') == npos &&
           !endsWithLoneLead(s);
}

bool isStorableKey(std::string_view k) noexcept {
    return !k.empty() && !hasLineBreak(k) && !hasOuterBlank(k) && k.front() != '[' &&
           k.front() != ';' && k.front() != '#' && findChar(k, '=') == npos;
}

// Reading trims blanks and strips one pair of quotes; a value that would lose
// something that way is written inside quotes so that it reads back as is.
std::string encodeValue(std::string_view value, bool quote) {
    if (!quote && !hasOuterBlank(value) && !isQuoted(value)) return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    out += value;
    out += '"';
    return out;
}

} // namespace

int parseProfileInt(std::string_view value) noexcept {
    std::size_t i = skipBlanks(value, 0);
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps modulo 2^32 by definition, so an overlong
    // number has a defined result instead of overflowing.
    std::uint32_t acc = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        acc = acc * 10u + static_cast<std::uint32_t>(value[i] - '0');
    if (negative) acc = 0u - acc;
    return static_cast<int>(acc);
}

Document::Line Document::parseLine(std::string_view bytes, std::size_t begin, std::size_t length) {
    const std::string_view text = bytes.substr(begin, length);
    Line line;
    line.begin = u32(begin);
    line.length = u32(length);
    const std::size_t first = skipBlanks(text, 0);
    if (first == text.size()) {
        line.kind = Kind::Blank;
        return line;
    }
    const char c = text[first];
    if (c == ';' || c == '#') {
        line.kind = Kind::Comment;
        return line;
    }
    if (c == '[') {
        // A bracket that never closes is not a section: the line is kept
        // and ignored, and the keys after it stay in the current section.
        const std::size_t close = findChar(text, ']', first + 1);
        if (close == npos) return line;
        line.kind = Kind::Section;
        const std::size_t nameBegin = skipBlanks(text, first + 1);
        line.nameBegin = u32(nameBegin);
        line.nameLength = u32(trimRight(text, nameBegin, close) - nameBegin);
        return line;
    }
    const std::size_t eq = findChar(text, '=', first);
    if (eq == npos) return line;
    const std::size_t keyEnd = trimRight(text, first, eq);
    if (keyEnd == first) return line; // "=value" has no key to look up
    line.kind = Kind::Key;
    line.nameBegin = u32(first);
    line.nameLength = u32(keyEnd - first);
    const std::size_t valueBegin = skipBlanks(text, eq + 1);
    line.valueBegin = u32(valueBegin);
    line.valueLength = u32(trimRight(text, valueBegin, text.size()) - valueBegin);
    return line;
}

bool Document::assign(std::string bytes) {
    m_lines.clear();
    m_edits = 0;
    if (bytes.size() > kMaxFileBytes) {
        m_bytes.clear();
        return false;
    }
    m_bytes = std::move(bytes);
    const char* data = m_bytes.data();
    const std::size_t size = m_bytes.size();
    // Counting first saves the index from growing step by step, which for
    // a large file costs more than the parse itself.
    std::size_t lines = 1;
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(
                                    p, '\n', size - static_cast<std::size_t>(p - data))));
         ++p)
        ++lines;
    m_lines.reserve(lines);
    // '\r' and '\n' are never trail bytes, so lines split byte-wise.
    for (std::size_t pos = 0; pos < size;) {
        const void* nl = std::memchr(data + pos, '\n', size - pos);
        const std::size_t end =
            nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - data) : size;
        std::size_t contentEnd = end;
        std::uint8_t endLength = 0;
        if (nl) {
            endLength = 1;
            if (end > pos && data[end - 1] == '\r') {
                --contentEnd;
                endLength = 2;
            }
        }
        Line line = parseLine(m_bytes, pos, contentEnd - pos);
        line.endLength = endLength;
        m_lines.push_back(line);
        pos = nl ? end + 1 : size;
    }
    return true;
}

std::string_view Document::name(const Line& line) const noexcept {
    return std::string_view(m_bytes).substr(line.begin + line.nameBegin, line.nameLength);
}

std::string_view Document::rawValue(const Line& line) const noexcept {
    return std::string_view(m_bytes).substr(line.begin + line.valueBegin, line.valueLength);
}

std::string_view Document::lineEnding() const noexcept {
    for (const Line& line : m_lines) {
        if (line.endLength == 2) return "\r\n";
        if (line.endLength == 1) return "\n";
    }
    return "\r\n";
}

std::optional<std::size_t> Document::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Kind::Section && sameName(name(m_lines[i]), section)) return i;
    return std::nullopt;
}

std::optional<std::size_t> Document::findKey(std::size_t sectionLine, std::string_view key) const {
    for (std::size_t i = sectionLine + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section) break;
        if (line.kind == Kind::Key && sameName(name(line), key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> Document::get(std::string_view section, std::string_view key) const {
    const auto s = findSection(section);
    if (!s) return std::nullopt;
    const auto k = findKey(*s, key);
    if (!k) return std::nullopt;
    std::string_view v = rawValue(m_lines[*k]);
    if (isQuoted(v)) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

int Document::getInt(std::string_view section, std::string_view key, int def) const {
    const auto v = get(section, key);
    return v ? parseProfileInt(*v) : def;
}

void Document::replaceValue(std::size_t lineIndex, std::string_view value) {
    Line& line = m_lines[lineIndex];
    if (rawValue(line) == value) return;
    m_bytes.replace(line.begin + line.valueBegin, line.valueLength, value);
    ++m_edits;
    // Unsigned wrap-around makes a shrinking delta come out right as well.
    const std::uint32_t delta = u32(value.size()) - line.valueLength;
    line.length += delta;
    line.valueLength = u32(value.size());
    for (std::size_t i = lineIndex + 1; i < m_lines.size(); ++i)
        m_lines[i].begin += delta;
}

void Document::insertLines(std::size_t lineIndex, std::string_view text) {
    const std::string_view ending = lineEnding();
    // Only the file's last line can lack an ending; it needs one before
    // anything can follow it.
    if (lineIndex == m_lines.size() && !m_lines.empty() && m_lines.back().endLength == 0) {
        Line& last = m_lines.back();
        // A '\r' that ends the file belongs to the line (its value, even):
        // a bare "\n" after it would make the pair a CRLF ending and take
        // the byte out of the line, so that line gets a CRLF of its own.
        const bool endsInCr = last.length > 0 && m_bytes[last.begin + last.length - 1] == '\r';
        const std::string_view close = endsInCr ? std::string_view("\r\n") : ending;
        m_bytes.append(close);
        last.endLength = static_cast<std::uint8_t>(close.size());
    }
    const std::size_t pos = lineIndex < m_lines.size() ? m_lines[lineIndex].begin : m_bytes.size();
    m_bytes.insert(pos, text);
    ++m_edits;
    for (std::size_t i = lineIndex; i < m_lines.size(); ++i)
        m_lines[i].begin += u32(text.size());

    // The inserted text is whole lines ending in `ending`.
    std::vector<Line> added;
    for (std::size_t at = pos; at < pos + text.size();) {
        const std::size_t end = m_bytes.find(ending, at);
        Line line = parseLine(m_bytes, at, end - at);
        line.endLength = static_cast<std::uint8_t>(ending.size());
        added.push_back(line);
        at = end + ending.size();
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(lineIndex), added.begin(),
                   added.end());
}

bool Document::set(std::string_view section, std::string_view key, std::string_view value) {
    if (!isStorableSection(section) || !isStorableKey(key) || hasLineBreak(value)) return false;
    // Bounds the growth by what a new section could add, so the document
    // never outgrows what readFile accepts (or its 32-bit offsets).
    if (m_bytes.size() + section.size() + key.size() + value.size() + 16 > kMaxFileBytes)
        return false;

    const auto s = findSection(section);
    if (s) {
        if (const auto k = findKey(*s, key)) {
            // A value the user quoted stays quoted.
            replaceValue(*k, encodeValue(value, isQuoted(rawValue(m_lines[*k]))));
            return true;
        }
    }

    const std::string_view ending = lineEnding();
    std::string text;
    if (!s) {
        text += '[';
        text += section;
        text += ']';
        text += ending;
    }
    text += key;
    text += '=';
    text += encodeValue(value, false);
    text += ending;
    if (!s) {
        insertLines(m_lines.size(), text);
        return true;
    }
    // After the section's last key, so comments and blank lines that close
    // the section stay below it.
    std::size_t after = *s;
    for (std::size_t i = *s + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i)
        if (m_lines[i].kind == Kind::Key) after = i;
    insertLines(after + 1, text);
    return true;
}

} // namespace orbel::ini
