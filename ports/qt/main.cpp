// orbel on a Linux desktop: the Qt application, the port and the
// application object, whose start-up routine is the program's whole life.
#include "app/orbelApp.h"
#include "ports/qt/qtPort.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // The program lives in the tray; closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    orbel::qt::QtPort port;
    orbel::COrbelApp app(port);
    port.startSystemWatchers();
    app.InitInstance();
    return 0;
}
