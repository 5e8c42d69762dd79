// Handle types and the numeric values of the window system that the core
// relies on (messages, flags, result codes). The values are those of the
// Windows API, so the Win32 port passes them straight through and the other
// ports translate. Names carry a k prefix because <windows.h> defines the
// plain names as macros and the Win32 port includes both.
#pragma once

#include <cstdint>
#include <climits>

namespace orbel {

// Opaque handles; a value-initialised handle ({}) is the null handle.
enum class Hwnd : std::uintptr_t {};
enum class HModule : std::uintptr_t {};
enum class HIcon : std::uintptr_t {};
enum class HMutex : std::uintptr_t {};
enum class HFont : std::uintptr_t {};
enum class HSurface : std::uintptr_t {};

inline bool isNull(Hwnd h) { return h == Hwnd{}; }
inline bool isNull(HModule h) { return h == HModule{}; }
inline bool isNull(HIcon h) { return h == HIcon{}; }
inline bool isNull(HMutex h) { return h == HMutex{}; }
inline bool isNull(HFont h) { return h == HFont{}; }
inline bool isNull(HSurface h) { return h == HSurface{}; }

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// left, top, right, bottom; right and bottom are outside the rectangle.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The header of a kWmNotify message (lParam points to it).
struct NmHdr {
    Hwnd hwndFrom{};
    std::uintptr_t idFrom = 0;
    std::int32_t code = 0;
};

// A date as the month calendar reports its selection.
struct SystemDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    friend bool operator==(const SystemDate&, const SystemDate&) = default;
};

inline bool isRectEmpty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }
inline bool ptInRect(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// What a window procedure returns for a message it leaves to the system's
// own handling (a dialog procedure's FALSE). Ports without such handling
// take it as 0.
inline constexpr LResult kDefaultProcessing = INTPTR_MIN;
inline LResult resultOrZero(LResult r) { return r == kDefaultProcessing ? 0 : r; }

// The record a kWmWindowPosChanging message points to (WINDOWPOS).
struct WindowPos {
    Hwnd hwnd{};
    Hwnd insertAfter{};
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    std::uint32_t flags = 0;
};

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
inline constexpr unsigned kWmPaint = 0x000F;
inline constexpr unsigned kWmSetFont = 0x0030;
inline constexpr unsigned kWmGetFont = 0x0031;
inline constexpr unsigned kWmSetIcon = 0x0080;
inline constexpr unsigned kWmQueryDragIcon = 0x0037;
inline constexpr unsigned kWmWindowPosChanging = 0x0046;
inline constexpr unsigned kWmMouseMove = 0x0200;
inline constexpr unsigned kWmLButtonDown = 0x0201;
inline constexpr unsigned kWmLButtonUp = 0x0202;
inline constexpr unsigned kWmLButtonDblClk = 0x0203;
inline constexpr unsigned kWmRButtonDown = 0x0204;
inline constexpr unsigned kWmRButtonUp = 0x0205;
inline constexpr unsigned kStmSetIcon = 0x0170;
inline constexpr unsigned kTbGetButtonSize = 0x043A;
inline constexpr unsigned kTbGetTooltips = 0x0423;
inline constexpr unsigned kTtmUpdate = 0x041D;
inline constexpr WParam kIconSmall = 0;
inline constexpr WParam kIconBig = 1;
inline constexpr unsigned kIdOkCommand = 1;     // IDOK as a command id
inline constexpr unsigned kIdCancelCommand = 2; // IDCANCEL as a command id

// Notification-area calls.
inline constexpr unsigned kNimAdd = 0;
inline constexpr unsigned kNimModify = 1;
inline constexpr unsigned kNimDelete = 2;
inline constexpr unsigned kNifMessage = 0x01;
inline constexpr unsigned kNifIcon = 0x02;
inline constexpr unsigned kNifTip = 0x04;
inline constexpr unsigned kNifInfo = 0x10;
inline constexpr unsigned kNiifInfo = 0x01;
inline constexpr unsigned kErrorTimeout = 1460; // ERROR_TIMEOUT

// Window styles and positions.
inline constexpr int kGwlStyle = -16;
inline constexpr int kGwlExStyle = -20;
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsBorder = 0x00800000;
inline constexpr std::uint32_t kWsExToolWindow = 0x00000080;
inline constexpr std::uint32_t kWsExAppWindow = 0x00040000;
inline constexpr unsigned kSwHide = 0;
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoActivate = 0x0010;
inline constexpr unsigned kSwpShowWindow = 0x0040;
inline constexpr unsigned kSwpNoOwnerZOrder = 0x0200;
inline const Hwnd kHwndTopmost{static_cast<std::uintptr_t>(-1)};

// Taskbar edges.
inline constexpr unsigned kAbeLeft = 0;
inline constexpr unsigned kAbeTop = 1;
inline constexpr unsigned kAbeRight = 2;
inline constexpr unsigned kAbeBottom = 3;

// Sounds.
inline constexpr unsigned kSndAsync = 0x0001;
inline constexpr unsigned kSndNoDefault = 0x0002;
inline constexpr unsigned kSndFilename = 0x00020000;

// Controls.
inline constexpr unsigned kWmSize = 0x0005;
inline constexpr unsigned kWmSetText = 0x000C;
inline constexpr unsigned kWmNotify = 0x004E;
inline constexpr unsigned kWmChar = 0x0102;
inline constexpr unsigned kWmCut = 0x0300;
inline constexpr unsigned kCbGetCurSel = 0x0147;
inline constexpr unsigned kCbInsertString = 0x014A; // lParam: const char* (CP932)
inline constexpr unsigned kCbSetCurSel = 0x014E;
inline constexpr unsigned kCbGetItemData = 0x0150;
inline constexpr unsigned kCbSetItemData = 0x0151;
inline constexpr unsigned kCbGetCount = 0x0146;
inline constexpr LResult kCbErr = -1;
inline constexpr unsigned kCbnSelChange = 1; // notification code in HIWORD(wParam)
inline constexpr unsigned kBmGetCheck = 0x00F0;
inline constexpr unsigned kBmSetCheck = 0x00F1;
inline constexpr unsigned kEmGetLineCount = 0x00BA;
inline constexpr int kMcnSelChange = -749;  // WM_NOTIFY code of the month calendar
inline constexpr int kPsnApply = -202;      // WM_NOTIFY code: the sheet's OK reached a page
inline constexpr unsigned kSwShow = 5;
inline constexpr int kColor3dFace = 15;
inline constexpr int kColorWindowText = 8;
inline constexpr int kColor3dShadow = 16;
inline constexpr int kMcscBackground = 0;
inline constexpr int kMcscText = 1;
inline constexpr int kMcscTitleBk = 2;
inline constexpr int kMcscTitleText = 3;
inline constexpr int kMcscMonthBk = 4;

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
