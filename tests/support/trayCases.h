// What the tray, popup and main-window tests read back from the log file
// and the fake port's call log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace orbel::test {

struct LogEntry {
    std::string where; // "file.cpp(line)"
    std::string message;
};

// Every entry of a log file; a line of another shape, or one written from
// another source file than `file`, fails the test.
inline std::vector<LogEntry> logEntries(const std::filesystem::path& log, const std::string& file) {
    const std::regex shape(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d ; (([\w.]+)\(\d+\)) ; (.*) ; )");
    std::vector<LogEntry> out;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back(); // Windows line ends
        std::smatch m;
        EXPECT_TRUE(std::regex_match(line, m, shape) && m[2] == file) << line;
        if (!m.empty()) out.push_back({m[1], m[3]});
    }
    return out;
}

// A handle as the fake port's call log writes it.
template <class Handle> std::string num(Handle h) {
    return std::to_string(static_cast<std::uintptr_t>(h));
}

} // namespace orbel::test
