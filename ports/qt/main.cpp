// orbel on a Linux desktop: the Qt application, the port and the
// application object, whose start-up routine is the program's whole life.
#include "app/orbelApp.h"
#include "ports/qt/qtPlatform.h"
#include "ports/qt/qtPort.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    // On a Wayland desktop with XWayland, run as an X client: only there
    // does the popup appear at the corner it slides in from.
    const char* platform = orbel::qt::preferredPlatform(
        std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    if (platform) qputenv("QT_QPA_PLATFORM", platform);
    QApplication qapp(argc, argv);
    // The programs orbel starts (keyflash) see the session as it is.
    if (platform) qunsetenv("QT_QPA_PLATFORM");
    // The program lives in the tray; closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    orbel::qt::QtPort port;
    orbel::COrbelApp app(port);
    port.startSystemWatchers();
    app.InitInstance();
    return 0;
}
