// Handle types and the numeric values of the window system that the core
// relies on (messages, flags, result codes). The values are those of the
// Windows API, so the Win32 port passes them straight through and the other
// ports translate. Names carry a k prefix because <windows.h> defines the
// plain names as macros and the Win32 port includes both.
#pragma once

#include <cstdint>

namespace orbel {

// Opaque handles; a value-initialised handle ({}) is the null handle.
enum class Hwnd : std::uintptr_t {};
enum class HModule : std::uintptr_t {};
enum class HIcon : std::uintptr_t {};
enum class HMutex : std::uintptr_t {};

inline bool isNull(Hwnd h) { return h == Hwnd{}; }
inline bool isNull(HModule h) { return h == HModule{}; }
inline bool isNull(HIcon h) { return h == HIcon{}; }
inline bool isNull(HMutex h) { return h == HMutex{}; }

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// Window messages.
inline constexpr unsigned kWmNull = 0x0000;
inline constexpr unsigned kWmDestroy = 0x0002;
inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmSettingChange = 0x001A;
inline constexpr unsigned kWmTimeChange = 0x001E;
inline constexpr unsigned kWmInitDialog = 0x0110;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr unsigned kWmSysCommand = 0x0112;
inline constexpr unsigned kWmTimer = 0x0113;
inline constexpr unsigned kWmApp = 0x8000;

// Message boxes.
inline constexpr unsigned kMbOk = 0x0000;
inline constexpr unsigned kMbIconExclamation = 0x0030;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Multimedia timers.
inline constexpr unsigned kTimerNoError = 0;     // TIMERR_NOERROR
inline constexpr unsigned kTimerNoCanDo = 97;    // TIMERR_NOCANDO
inline constexpr unsigned kTimePeriodic = 0x0001; // TIME_PERIODIC

// GetSystemMetrics indices.
inline constexpr int kSmCxIcon = 11;
inline constexpr int kSmCyIcon = 12;
inline constexpr int kSmCxSmIcon = 49;
inline constexpr int kSmCySmIcon = 50;

// LoadImage flags.
inline constexpr unsigned kImageIcon = 1;
inline constexpr unsigned kLrDefaultSize = 0x0040;
inline constexpr unsigned kLrShared = 0x8000;

// OS version answers.
inline constexpr unsigned kVerPlatformWin32Windows = 1;
inline constexpr unsigned kVerPlatformWin32Nt = 2;
inline constexpr unsigned char kVerNtWorkstation = 1;
inline constexpr unsigned char kVerNtDomainController = 2;
inline constexpr unsigned char kVerNtServer = 3;

} // namespace orbel
