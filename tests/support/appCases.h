// What the application tests share: a fake port whose program lives in a
// scratch folder, and questions about the calls it recorded.
#pragma once

#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace orbel::test {

// The program is `exe` in `dir` (settings and log beside it), and a modal
// loop that runs dry ends instead of waiting.
inline void placeProgram(FakePort& port, const TempDir& dir, const char* exe = "orbel.exe") {
    port.moduleFileName = (dir / exe).string();
    port.onIdle = [](FakePort&) { return false; };
}

// The position of the first call starting with `prefix`, or -1.
inline long indexOf(const FakePort& port, std::string_view prefix) {
    const auto calls = port.calls();
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
    return -1;
}

// The text after '=' of a recorded call: the value it returned.
inline std::string resultOf(const std::string& call) {
    return call.substr(call.find('=') + 1);
}

inline std::size_t countOf(std::string_view text, std::string_view needle) {
    std::size_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + 1))
        ++n;
    return n;
}

} // namespace orbel::test
