// The main window's settings command: runs the settings sheet and, on OK,
// stores what it returns and makes it take effect at once.
#include "app/orbelApp.h"
#include "settings/displaySetting.h"
#include "settings/notifySetting.h"
#include "settings/settingDlg.h"
#include "tray/orbelDlg.h"

namespace orbel {

void COrbelDlg::runSettings() {
    CSettingDlg sheet(m_app);
    // The hover check reads the settings the sheet is about to change; it
    // stays off while the sheet is open and restarts with what it leaves.
    m_hover.stopTimer();

    CDisplaySetting display(m_app);
    CNotifySetting notify(m_app);
    sheet.addPage(display);
    sheet.addPage(notify);

    const unsigned oldTrayIcon = m_app.trayIcon();
    display.set(m_app.tsMode(), m_app.tipUpdate() ? 0 : 1, (oldTrayIcon & 2) ? 1 : 0,
                (oldTrayIcon & 1) ? 1 : 0);
    notify.setValue(m_app.notification());

    if (runTrayDialog(&sheet) == kIdOk) {
        int timeMode = 0;
        int dontUpdateTip = 0;
        int showBar = 0;
        int weekdaySwap = 0;
        display.get(&timeMode, &dontUpdateTip, &showBar, &weekdaySwap);
        const unsigned newTrayIcon = (showBar ? 2u : 0u) | (weekdaySwap ? 1u : 0u);

        // The ticker renders with the mode's formats and step: it must not
        // run while they change. Write results are not ours to act on.
        m_app.stopTicker();
        m_app.setTsMode(timeMode);
        m_app.setTipUpdate(dontUpdateTip == 0);
        m_app.setTrayIcon(newTrayIcon);
        m_app.setNotification(notify.value());
        m_app.startTicker();

        // Only the two low bits are stored, so the default 255 always counts
        // as a change on the first OK.
        if (newTrayIcon != oldTrayIcon && refreshIcon() == 0)
            ORBEL_LOG(m_app.log(), "resetIcon failed");
    }
    m_hover.startTimer();
}

} // namespace orbel
