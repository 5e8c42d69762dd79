// The log file: where failures that do not end the program are written, one
// line per failure, naming the source file and line that saw it, the local
// time, a short message and the system's text for the last error code.
//
// Owned by the application object, which sets the path beside the executable
// at start-up; every other subsystem writes through ORBEL_LOG. The file is
// only ever appended to, opened and closed again by each call, and a file
// that cannot be opened loses the entry silently. UI thread only.
#pragma once

#include "app/port.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace orbel {

class LogFile {
public:
    // The path buffer's size, terminator included.
    static constexpr std::size_t kPathCapacity = 260;

    LogFile(ClockPort& clock, SystemPort& system) noexcept;
    explicit LogFile(Port& port) noexcept : LogFile(port, port) {}
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Replaces the path (CP932), cut to kPathCapacity - 1 bytes on a
    // character boundary.
    void setPath(std::string_view path) noexcept;
    std::string_view path() const noexcept { return m_path; }

    // The first half of an entry: the time and the caller's file name and
    // line. Also takes the last error code for the message that follows, so
    // the code is that of the failure and not of opening this file.
    void writeLogHeader(const char* sourcePath, int line);

    // The second half: the message formatted like printf, then " ; ", the
    // system's text for the error code and a line feed.
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void
    writeLogMessage(const char* format, ...);

private:
    ClockPort& m_clock;
    SystemPort& m_system;
    char m_path[kPathCapacity] = "orbel.log";
    // The code captured by the last header, until a message uses it.
    std::optional<unsigned> m_pendingError;
};

// The file name and extension of a source path: what follows the last '/'
// or '\' (a CP932 trail byte 0x5C is not one) or a leading drive "X:".
std::string_view sourceFileName(std::string_view sourcePath) noexcept;

} // namespace orbel

// Writes one entry naming the calling file and line:
// ORBEL_LOG(app.log(), "createTrayIcon failed");
#define ORBEL_LOG(logFile, ...)                                                                    \
    do {                                                                                           \
        (logFile).writeLogHeader(__FILE__, __LINE__);                                              \
        (logFile).writeLogMessage(__VA_ARGS__);                                                    \
    } while (0)
