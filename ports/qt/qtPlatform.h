// Which window system the program talks to. A Wayland compositor places
// every window itself, so the popup could not slide in at its corner; with
// XWayland at hand orbel runs as an X client instead. Pure functions of the
// environment and the platform's name, so they are tested without a desktop.
#pragma once

#include <string_view>

namespace orbel::qt {

// The platform plugin to ask Qt for before QApplication exists, from the
// values of QT_QPA_PLATFORM, WAYLAND_DISPLAY and DISPLAY (nullptr: unset):
// "xcb" on a Wayland desktop that also has an X server, unless the user
// chose a platform; nullptr leaves the choice to Qt.
const char* preferredPlatform(const char* qpaPlatform, const char* waylandDisplay,
                              const char* display) noexcept;

// Whether windows on this Qt platform ("xcb", "wayland", "offscreen", ...)
// show where the program puts them.
bool platformPlacesWindows(std::string_view platformName) noexcept;

} // namespace orbel::qt
