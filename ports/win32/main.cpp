// orbel on Windows: the port and the application object, whose start-up
// routine is the program's whole life.
#include "app/orbelApp.h"
#include "ports/win32/win32Native.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The month calendar and the version 6 controls the manifest asks for
    // are there only once registered.
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_STANDARD_CLASSES | ICC_DATE_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&icc);
    orbel::win32::Win32Port port;
    orbel::COrbelApp app(port);
    app.InitInstance();
    return 0;
}
