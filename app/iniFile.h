// The settings file layer: an INI document that keeps every byte of the file
// it was read from, and the read/write-through functions the application
// object and the search dialogs call with the settings path. Keys, values and
// section names are CP932 byte strings; paths are native paths built by the
// caller. Nothing here throws across the module boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orbel::ini {

// A settings file is a few hundred bytes; anything past this is not ours to
// read or rewrite, so it is left alone.
inline constexpr std::uintmax_t kMaxFileBytes = 16u * 1024u * 1024u;

// Integer reading in the private-profile manner: leading blanks, an optional
// sign, decimal digits up to the first non-digit; no digits reads as 0.
// Accumulates modulo 2^32 and returns the two's-complement value, so
// "4294967295" reads as -1.
int parseProfileInt(std::string_view value) noexcept;

// One INI file in memory. Lookups ignore ASCII letter case in section and key
// names (double-byte characters compare exactly); the first matching section
// and the first matching key in it win. set() touches only the bytes it has
// to: every other line, comment, unknown line and line ending stays as read.
class Document {
public:
    Document() = default;
    explicit Document(std::string bytes) { assign(std::move(bytes)); }

    // False, leaving the document empty, for more than kMaxFileBytes.
    bool assign(std::string bytes);

    // The value with blanks trimmed and one enclosing pair of double quotes
    // removed; nullopt when the section or key is missing.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    int getInt(std::string_view section, std::string_view key, int def) const;

    // Replaces the existing value (keeping the key's spelling, the blanks
    // around it, its quotes and the line ending), or inserts "key=value" after
    // the section's last key line, or appends the section at the end. False,
    // with the document unchanged, when the names or the value cannot be
    // stored so that they read back the same (see isStorable* in the source)
    // or the document would grow past kMaxFileBytes.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    // The line ending new lines get: the first one in the file, "\r\n" when
    // the file has none, so a fresh file is the same on every platform.
    std::string_view lineEnding() const noexcept;

    const std::string& serialize() const noexcept { return m_bytes; }

    // Counts the set() calls that changed a byte, so a caller can skip
    // rewriting a file that would come out the same.
    std::size_t edits() const noexcept { return m_edits; }

private:
    enum class Kind : std::uint8_t { Blank, Comment, Section, Key, Other };

    // Offsets of name and value are relative to the line's begin, so that a
    // splice only has to shift the begin of the lines after it. 32 bits are
    // enough below kMaxFileBytes and keep a 10 MB file's index small.
    struct Line {
        std::uint32_t begin = 0;
        std::uint32_t length = 0; // bytes before the line ending
        std::uint32_t nameBegin = 0;
        std::uint32_t nameLength = 0;
        std::uint32_t valueBegin = 0;
        std::uint32_t valueLength = 0;
        std::uint8_t endLength = 0; // 0, 1 ("\n") or 2 ("\r\n")
        Kind kind = Kind::Other;
    };

    static Line parseLine(std::string_view bytes, std::size_t begin, std::size_t length);
    std::string_view name(const Line& line) const noexcept;
    std::string_view rawValue(const Line& line) const noexcept;
    std::optional<std::size_t> findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(std::size_t sectionLine, std::string_view key) const;
    void replaceValue(std::size_t lineIndex, std::string_view value);
    void insertLines(std::size_t lineIndex, std::string_view text);

    std::string m_bytes;
    std::vector<Line> m_lines;
    std::size_t m_edits = 0;
};

// False when the file exists but cannot be read (a directory, unreadable, or
// larger than kMaxFileBytes). A missing file reads as an empty document.
bool readFile(const std::filesystem::path& path, Document& doc);

// Missing file, unreadable file or missing key give the default.
int getProfileInt(const std::filesystem::path& path, std::string_view section, std::string_view key,
                  int def);
std::string getProfileString(const std::filesystem::path& path, std::string_view section,
                             std::string_view key, std::string_view def);

// Read, change, write back atomically through a temporary file in the same
// folder renamed over the target. False, with the file untouched, when the
// target is read-only, unreadable or too large, the folder is missing or not
// writable, or the key or value cannot be stored. Writing a value the file
// already holds succeeds without rewriting the file, read-only or not.
bool writeProfileString(const std::filesystem::path& path, std::string_view section,
                        std::string_view key, std::string_view value);
bool writeProfileInt(const std::filesystem::path& path, std::string_view section,
                     std::string_view key, int value);

// Several keys with one read and one write; all of them or none.
struct Entry {
    std::string_view section;
    std::string_view key;
    std::string value;
};
bool writeProfileStrings(const std::filesystem::path& path, std::span<const Entry> entries);

} // namespace orbel::ini
