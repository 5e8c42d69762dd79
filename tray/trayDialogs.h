// What the main window needs of a dialog it runs from the tray: a modal run
// and the window to bring forward or forward a message to.
#pragma once

#include "app/port.h"

namespace orbel {

class TrayDialog {
public:
    virtual ~TrayDialog() = default;
    virtual LResult DoModal() = 0;
    // The dialog's window while it runs; null otherwise.
    virtual Hwnd hwnd() const = 0;
};

// Template ids of the dialogs run from the tray.
inline constexpr unsigned IDD_ABOUTBOX = 100;
inline constexpr unsigned IDD_DETAIL = 145;
inline constexpr unsigned IDD_SEARCH = 149;
inline constexpr unsigned IDD_SETTING_DISPLAY = 150;
inline constexpr unsigned IDD_NOTIFY_POPUP = 151;
inline constexpr unsigned IDD_SETTING_NOTIFY = 152;

} // namespace orbel
