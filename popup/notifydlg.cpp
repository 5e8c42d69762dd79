#include "popup/notifydlg.h"

#include "app/logFile.h"
#include "app/orbelApp.h"

namespace orbel {

CNotifyDlg::CNotifyDlg(COrbelApp& app) : CSlideDlg(app) {}

CNotifyDlg::~CNotifyDlg() {
    // The window goes first, while this object can still take its last
    // messages; then what it showed.
    destroyPopupWindow();
    Port& port = m_app.port();
    if (!isNull(m_icon)) port.destroyIcon(m_icon);
    if (!isNull(m_titleFont)) port.deleteFont(m_titleFont);
}

int CNotifyDlg::showNotification(int slideMs, int stayMs, std::string_view title,
                                 std::string_view text, HIcon icon) {
    if (isNull(m_hwnd)) {
        // No parent: the popup must not vanish or be minimised with the
        // hidden main window's dialogs.
        if (isNull(m_app.port().createDialog(kTemplateId, Hwnd{}, *this))) {
            // The icon was handed over all the same; held here, it is
            // released with the popup instead of lost.
            setIcon(icon);
            return -1;
        }
    }
    setTexts(title, text);
    setIcon(icon);
    return start(slideMs, stayMs);
}

void CNotifyDlg::setTexts(std::string_view title, std::string_view text) {
    m_text.assign(text);
    if (isNull(m_hwnd)) return;
    Port& port = m_app.port();
    port.setDlgItemText(m_hwnd, kIdcText, m_text);
    port.setDlgItemText(m_hwnd, kIdcTitle, title);
}

void CNotifyDlg::setIcon(HIcon icon) {
    Port& port = m_app.port();
    // The same handle again is already ours; destroying it would leave the
    // control showing a dead icon.
    if (!isNull(m_icon) && m_icon != icon) port.destroyIcon(m_icon);
    m_icon = icon;
    if (!isNull(m_hwnd))
        port.sendDlgItemMessage(m_hwnd, kIdcIcon, kStmSetIcon, static_cast<WParam>(icon), 0);
}

LResult CNotifyDlg::onInitDialog(Hwnd hwnd) {
    const LResult result = CSlideDlg::onInitDialog(hwnd);
    Port& port = m_app.port();
    // Should the window ever be created a second time, the font made for
    // the first one serves again instead of leaking.
    if (isNull(m_titleFont)) m_titleFont = port.createBoldFont(hwnd, kIdcTitle);
    // Without a bold font the title keeps the template's; it still reads.
    if (!isNull(m_titleFont))
        port.sendDlgItemMessage(hwnd, kIdcTitle, kWmSetFont, static_cast<WParam>(m_titleFont), 1);
    return result;
}

// The motion mechanics live in slideDlg.cpp; the screen saver query is
// defined here because its log entry names notifydlg as its source.
bool CSlideDlg::isScreenSaverRunning() {
    // Windows 95 and NT 4.0 do not know SPI_GETSCREENSAVERRUNNING and would
    // only report an error on every tick.
    if (!canAskScreenSaver(m_app.getWindowsClass())) return false;
    bool running = false;
    if (!m_app.port().getScreenSaverRunning(running)) {
        ORBEL_LOG(m_app.log(), "SystemParametersInfo failed");
        return false;
    }
    return running;
}

} // namespace orbel
