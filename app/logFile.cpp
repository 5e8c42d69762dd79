#include "app/logFile.h"

#include "common/cp932.h"

#include <orlib/orlib.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <string>

namespace orbel {

namespace {

std::string formatV(const char* format, std::va_list args) {
    std::va_list probe;
    va_copy(probe, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, format, probe);
    va_end(probe);
    if (n < 0) return {};
    const auto len = static_cast<std::size_t>(n);
    if (len < sizeof small) return std::string(small, len);
    std::string out(len, '\0');
    std::vsnprintf(out.data(), len + 1, format, args);
    return out;
}

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatString(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string out = formatV(format, args);
    va_end(args);
    return out;
}

// Appends text to the log in text mode, so a line feed is the platform's line
// end. A file that cannot be opened (no such folder, no permission) takes
// nothing, and nobody is told: the log must never be the reason the program
// stops.
void append(SystemPort& system, std::string_view path, std::string_view text) {
    std::ofstream out(system.nativePath(path), std::ios::out | std::ios::app);
    if (!out) return;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

} // namespace

std::string_view sourceFileName(std::string_view sourcePath) noexcept {
    std::size_t start = 0;
    if (sourcePath.size() >= 2 && sourcePath[1] == ':') start = 2;
    // Walk character by character: the second byte of a double-byte
    // character can be 0x5C, which is not a directory separator.
    for (std::size_t i = start; i < sourcePath.size(); ++i) {
        const auto c = static_cast<unsigned char>(sourcePath[i]);
        if (text::isLeadByte(c) && i + 1 < sourcePath.size()) {
            ++i;
        } else if (c == '/' || c == '\\') {
            start = i + 1;
        }
    }
    return sourcePath.substr(start);
}

LogFile::LogFile(ClockPort& clock, SystemPort& system) noexcept
    : m_clock(clock), m_system(system) {}

void LogFile::setPath(std::string_view path) noexcept {
    text::copyCp932(m_path, sizeof m_path, path);
}

void LogFile::writeLogHeader(const char* sourcePath, int line) {
    // Before anything here can touch the error code: opening an existing
    // file sets ERROR_ALREADY_EXISTS on Windows and may set errno elsewhere.
    m_pendingError = m_system.getLastError();

    const orlib::edate_t now(m_clock.time());
    const std::string stamp = formatString("%4d/%02d/%02d %02d:%02d:%02d", now.year(), now.month(),
                                           now.day(), now.hour(), now.min(), now.sec());
    const std::string_view name = sourceFileName(sourcePath ? sourcePath : "");
    append(m_system, m_path,
           formatString("%s ; %.*s(%d) ; ", stamp.c_str(), static_cast<int>(name.size()),
                        name.data(), line));
}

void LogFile::writeLogMessage(const char* format, ...) {
    const unsigned code = m_pendingError ? *m_pendingError : m_system.getLastError();
    m_pendingError.reset();

    std::va_list args;
    va_start(args, format);
    std::string entry = formatV(format, args);
    va_end(args);

    const std::string reason = code == 0 ? std::string() : m_system.formatMessage(code);
    entry += " ; ";
    entry += reason;
    entry += '\n';
    append(m_system, m_path, entry);
}

} // namespace orbel
