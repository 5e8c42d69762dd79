// uires0.dll holds only resources (the phase icons), so its entry point,
// which Windows calls when a process maps or unmaps it, has nothing to set
// up or tear down. Defining it ourselves keeps the C runtime out of the DLL.
#include <windows.h>

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
