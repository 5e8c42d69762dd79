// What a running program's window and its controls say, for the end-to-end
// test under Wine: X sees the top-level windows, but a dialog's controls
// live inside Wine only.
//   windowText.exe TITLE
// Prints one line per window, "class<TAB>text" in UTF-8, the window with
// that exact title first and then its controls in order; ends with 1 when
// no window has that title.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

// WM_GETTEXT rather than GetWindowText: for another process's control only
// the message asks the control itself.
std::wstring textOf(HWND h) {
    DWORD_PTR len = 0, got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
    std::wstring text(len + 1, L'\0');
    if (!SendMessageTimeoutW(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &got))
        return {};
    text.resize(got);
    return text;
}

void print(HWND h) {
    wchar_t cls[128] = {};
    GetClassNameW(h, cls, 128);
    std::wstring line = std::wstring(cls) + L"\t" + textOf(h);
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n') c = L' ';
    const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), out.data(), n,
                        nullptr, nullptr);
    std::printf("%s\n", out.c_str());
}

BOOL CALLBACK printChild(HWND h, LPARAM) {
    print(h);
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: windowText TITLE\n", stderr);
        return 2;
    }
    const HWND top = FindWindowW(nullptr, argv[1]);
    if (!top) {
        std::fputs("windowText: no window with that title\n", stderr);
        return 1;
    }
    _setmode(_fileno(stdout), _O_BINARY); // LF, as the shell reads it
    print(top);
    EnumChildWindows(top, printChild, 0);
    std::fflush(stdout);
    return 0;
}
