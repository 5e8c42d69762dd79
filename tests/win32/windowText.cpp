// What a running program's window and its controls say, for the end-to-end
// test under Wine: X sees the top-level windows, but a dialog's controls
// live inside Wine only.
//   windowText.exe TITLE
// Prints "class<TAB>text" in UTF-8 for the window with that exact title,
// then for each of its controls in order; ends with 1 when there is none.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

BOOL CALLBACK print(HWND h, LPARAM) {
    wchar_t cls[128] = {};
    GetClassNameW(h, cls, 128);
    // WM_GETTEXT rather than GetWindowText: for another process's control
    // only the message asks the control itself. The texts the end-to-end test
    // reads are far shorter than the buffer.
    static wchar_t text[32768];
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, 32768, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             2000, &got))
        got = 0;
    std::wstring line = std::wstring(cls) + L"\t" + std::wstring(text, got);
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n') c = L' ';
    std::string out(4 * line.size() + 1, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(
        CP_UTF8, 0, line.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
    std::printf("%s\n", out.c_str());
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const HWND top = argc == 2 ? FindWindowW(nullptr, argv[1]) : nullptr;
    if (!top) {
        std::fputs("usage: windowText TITLE (of a window that exists)\n", stderr);
        return 1;
    }
    _setmode(_fileno(stdout), _O_BINARY); // LF, as the shell reads it
    print(top, 0);
    EnumChildWindows(top, print, 0);
    std::fflush(stdout);
    return 0;
}
