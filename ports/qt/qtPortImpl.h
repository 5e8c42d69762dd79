// The Qt port's private state, one part per source file so each file owns
// its own members. Included only by the port's sources.
#pragma once

#include "ports/qt/qtIconsState.h"
#include "ports/qt/qtPort.h"
#include "ports/qt/qtShellState.h"
#include "ports/qt/qtSystemState.h"
#include "ports/qt/qtControlsState.h"

#include <map>
#include <mutex>
#include <string>

namespace orbel::qt {

// qtWindows.cpp: the window registry and registered messages.
struct WindowsState {
    // Guards the registry: postMessage reads it from any thread.
    mutable std::mutex mutex;
    std::map<Hwnd, QtWindow> windows;
    std::uintptr_t nextHandle = 0x1000;
    std::map<std::string, unsigned> registered;
    Hwnd main{};
};

struct QtPort::Impl {
    WindowsState windows;
    SystemState system;
    ShellState shell;
    ControlsState controls;
    IconsState icons;
};

// CP932 <-> QString at the boundary.
QString fromCp932(std::string_view text);
std::string toCp932(const QString& text);

} // namespace orbel::qt
