// What the application tests share: a program in a scratch folder on a
// fake port, and questions about the calls it recorded.
#pragma once

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <string_view>

namespace orbel::test {

// The position of the first call starting with `prefix`, or -1.
inline long indexOf(const FakePort& port, std::string_view prefix) {
    const auto calls = port.calls();
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].starts_with(prefix)) return static_cast<long>(i);
    return -1;
}

// The program is `exe` in `dir` (settings and log beside it); each start
// takes a fresh port, on which a modal loop that runs dry ends instead of
// waiting.
class ProgramCase : public ::testing::Test {
protected:
    ProgramCase() { fresh(); }
    FakePort& fresh(const char* exe = "orbel.exe") {
        app.reset();
        port = std::make_unique<FakePort>();
        port->moduleFileName = (dir / exe).string();
        port->onIdle = [](FakePort&) { return false; };
        return *port;
    }
    COrbelApp& startApp() {
        app = std::make_unique<COrbelApp>(*port);
        app->InitInstance();
        return *app;
    }
    void putSettings(const std::string& bytes) const { writeBytes(dir / "orbel.ini", bytes); }
    std::string settings() const { return readBytes(dir / "orbel.ini"); }
    // The main window's loop ran: the start-up went through.
    bool ran() const { return indexOf(*port, "doModal(102") >= 0; }
    std::size_t failedWrites() const {
        const std::string log = readBytes(dir / "orbel.log");
        const std::regex failed("WritePrivateProfileString failed");
        return std::distance(std::sregex_iterator(log.begin(), log.end(), failed), {});
    }

    TempDir dir;
    std::unique_ptr<FakePort> port;
    std::unique_ptr<COrbelApp> app; // goes before the port it holds
};

} // namespace orbel::test
