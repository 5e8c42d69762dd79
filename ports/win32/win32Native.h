// What the Win32 port's files share: <windows.h> with the parts they use,
// conversions between the port's opaque handles and the native ones, and
// the CP932 <-> UTF-16 boundary.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// after <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlwapi.h>
// A port operation has this name; the wide call is named in full.
#undef mciSendString

#include "common/cp932.h"
#include "ports/win32/win32Port.h"

#include <string>
#include <string_view>

namespace orbel::win32 {

inline HWND native(Hwnd h) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(h)); }
inline Hwnd handle(HWND h) { return Hwnd{reinterpret_cast<std::uintptr_t>(h)}; }
inline HICON native(HIcon h) { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(h)); }
inline HIcon handle(HICON h) { return HIcon{reinterpret_cast<std::uintptr_t>(h)}; }
inline HMODULE native(HModule h) {
    return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(h));
}
inline HModule handle(HMODULE h) { return HModule{reinterpret_cast<std::uintptr_t>(h)}; }
inline HANDLE native(HMutex h) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(h)); }
inline HFONT native(HFont h) { return reinterpret_cast<HFONT>(static_cast<std::uintptr_t>(h)); }

inline RECT native(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline Rect fromNative(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

// The CP932 texts of the program as the wide texts Windows shows.
inline std::wstring wide(std::string_view cp932) { return text::cp932ToWide(cp932); }
inline std::string narrow(std::wstring_view w) { return text::wideToCp932(w); }

// The executable's own module, where its resources are.
inline HINSTANCE exeInstance() { return GetModuleHandleW(nullptr); }

// Window procedures of the port's dialogs (win32Windows.cpp): modal and
// modeless dialogs, and property pages, each reaching its WindowHandler.
INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK pageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The notification-area records as the wide call takes them: the size that
// tells the shell the same version, the texts converted (win32Shell.cpp).
std::uint32_t notifyIconWideSize(std::uint32_t formSize);
NOTIFYICONDATAW toNative(const NotifyIconDataOld& form);
NOTIFYICONDATAW toNative(const NotifyIconDataNew& form);

// The paint under way on this thread, begun when something first draws
// into it (win32Windows.cpp); null outside a kWmPaint of that window.
HDC paintDc(HWND hwnd);

} // namespace orbel::win32
