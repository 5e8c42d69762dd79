// The Windows version class: the running system reduced to one of a few
// numbers (0, 1, 16, 32, 48, 64, 80, 96, 112) that the features depending on
// the Windows version compare with their own thresholds (the tooltip's live
// refresh, the weekday icon's colours, the screen saver test before the
// popup, the settings page's check box).
//
// The application object owns one WindowsClass and answers getWindowsClass()
// from it; the system is asked on the first call only. Any thread.
#pragma once

#include "app/port.h"

#include <mutex>

namespace orbel {

// Class values.
inline constexpr int kWinClassUnknown = 0;
inline constexpr int kWinClassNt3 = 1;
inline constexpr int kWinClass95 = 16;
inline constexpr int kWinClass98 = 32;
inline constexpr int kWinClassMe = 48;
inline constexpr int kWinClassNt4 = 64;
inline constexpr int kWinClassNtMinor0 = 80;
inline constexpr int kWinClassNtWorkstation = 96;
inline constexpr int kWinClassNtServer = 112;

// Asks the system every time: the basic version record, and the extended one
// only where the product type decides (NT 5 or later with minor 2 or more).
int queryWindowsClass(SystemPort& system);

class WindowsClass {
public:
    explicit WindowsClass(SystemPort& system) noexcept : m_system(system) {}
    WindowsClass(const WindowsClass&) = delete;
    WindowsClass& operator=(const WindowsClass&) = delete;

    // The class, queried once per object and kept.
    int get();

private:
    SystemPort& m_system;
    // call_once orders the one write before every reader's return.
    std::once_flag m_once;
    int m_class = kWinClassUnknown;
};

} // namespace orbel
