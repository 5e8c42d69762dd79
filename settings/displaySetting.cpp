#include "settings/displaySetting.h"

#include "app/orbelApp.h"
#include "app/windowsClass.h"

namespace orbel {

bool tipUpdateChoiceAvailable(int windowsClass) {
    switch (windowsClass) {
    case kWinClassUnknown:
    case kWinClassNt3:
    case kWinClass95:
    case kWinClass98:
    case kWinClassNt4:
        return false;
    default:
        return true;
    }
}

void CDisplaySetting::set(int timeMode, int dontUpdateTip, int showBar, int weekdaySwap) {
    // "tsmode" may hold anything; the texts treat an unknown mode as the
    // standard one, so the page offers that.
    m_timeMode = (timeMode >= 0 && timeMode < kTimeModeCount) ? timeMode : 0;
    m_dontUpdateTip = dontUpdateTip;
    m_showBar = showBar;
    m_weekdaySwap = weekdaySwap;
}

void CDisplaySetting::get(int* timeMode, int* dontUpdateTip, int* showBar, int* weekdaySwap) const {
    if (timeMode) *timeMode = m_timeMode;
    if (dontUpdateTip) *dontUpdateTip = m_dontUpdateTip;
    if (showBar) *showBar = m_showBar;
    if (weekdaySwap) *weekdaySwap = m_weekdaySwap;
}

void CDisplaySetting::exchange(bool toControls) {
    if (toControls) {
        setChecked(kDontUpdateTip, m_dontUpdateTip != 0);
        setChecked(kWeekdaySwap, m_weekdaySwap != 0);
        setChecked(kShowBar, m_showBar != 0);
        // Exactly the field's button checked; none for -1.
        for (int i = 0; i < kTimeModeCount; ++i)
            setChecked(kTimeModeFirst + i, i == m_timeMode);
        return;
    }
    m_dontUpdateTip = isChecked(kDontUpdateTip) ? 1 : 0;
    m_weekdaySwap = isChecked(kWeekdaySwap) ? 1 : 0;
    m_showBar = isChecked(kShowBar) ? 1 : 0;
    m_timeMode = -1;
    for (int i = 0; i < kTimeModeCount; ++i) {
        if (isChecked(kTimeModeFirst + i)) {
            m_timeMode = i;
            break;
        }
    }
}

void CDisplaySetting::onInitPage() {
    exchange(true);
    // The template carries its own OK and Cancel; the sheet has its own.
    Port& port = m_app.port();
    for (int button : {kIdOk, kIdCancel}) {
        port.enableDlgItem(hwnd(), button, false);
        port.showDlgItem(hwnd(), button, kSwHide);
    }
    port.enableDlgItem(hwnd(), kDontUpdateTip, tipUpdateChoiceAvailable(m_app.getWindowsClass()));
}

void CDisplaySetting::onApply() {
    exchange(false);
}

} // namespace orbel
