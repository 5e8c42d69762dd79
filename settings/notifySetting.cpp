#include "settings/notifySetting.h"

#include "app/orbelApp.h"
#include "popup/shellVersion.h"

namespace orbel {

void CNotifySetting::exchange(bool toControls) {
    if (toControls) {
        setChecked(kBalloon, m_balloon != 0);
        setChecked(kSound, m_sound != 0);
        setChecked(kDialog, m_dialog != 0);
        setChecked(kCdTray, m_cdTray != 0);
        return;
    }
    m_balloon = isChecked(kBalloon) ? 1 : 0;
    m_sound = isChecked(kSound) ? 1 : 0;
    m_dialog = isChecked(kDialog) ? 1 : 0;
    m_cdTray = isChecked(kCdTray) ? 1 : 0;
}

void CNotifySetting::onInitPage() {
    exchange(true);
    // A shell without balloon tips offers no balloon, whatever the file says.
    Port& port = m_app.port();
    if (!isBalloonAvailable(port)) {
        m_balloon = 0;
        port.enableDlgItem(hwnd(), kBalloon, false);
    } else {
        m_balloon = (m_value & kNotifyBalloonBit) ? 1 : 0;
    }
    m_cdTray = (m_value & kNotifyCdTrayBit) ? 1 : 0;
    m_sound = (m_value & kNotifySoundBit) ? 1 : 0;
    m_dialog = (m_value & kNotifyPopupBit) ? 1 : 0;
    exchange(true);
}

void CNotifySetting::onApply() {
    exchange(false);
    // Only the bits with a box here change: the LED tool and the caption
    // flash can be switched on only in the file, and merely opening this
    // page must not switch them off.
    constexpr std::uint32_t kBoxes =
        kNotifyBalloonBit | kNotifyCdTrayBit | kNotifySoundBit | kNotifyPopupBit;
    std::uint32_t value = m_value & ~kBoxes;
    if (m_balloon) value |= kNotifyBalloonBit;
    if (m_cdTray) value |= kNotifyCdTrayBit;
    if (m_sound) value |= kNotifySoundBit;
    if (m_dialog) value |= kNotifyPopupBit;
    m_value = value;
}

} // namespace orbel
