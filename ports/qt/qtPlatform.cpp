#include "ports/qt/qtPlatform.h"

#include "ports/qt/qtPort.h"

#include <QGuiApplication>

namespace orbel::qt {

namespace {
bool isSet(const char* value) {
    return value && *value;
}
} // namespace

const char* preferredPlatform(const char* qpaPlatform, const char* waylandDisplay,
                              const char* display) noexcept {
    if (isSet(qpaPlatform)) return nullptr;
    return isSet(waylandDisplay) && isSet(display) ? "xcb" : nullptr;
}

bool platformPlacesWindows(std::string_view platformName) noexcept {
    // "wayland", "wayland-egl", "wayland-xcomposite-glx": all the
    // compositor's placement.
    return !platformName.starts_with("wayland");
}

bool QtPort::canPlaceWindows() {
    return platformPlacesWindows(QGuiApplication::platformName().toStdString());
}

} // namespace orbel::qt
