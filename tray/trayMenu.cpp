// The tray icon's mouse rules, the tray menu and its commands, and the one
// dialog at a time that runs from the tray.
#include "app/aboutDlg.h"
#include "app/orbelApp.h"
#include "detail/detailDlg.h"
#include "res/menu.h"
#include "search/ballistaSearchDlg.h"
#include "search/lunarSearchDlg.h"
#include "search/todaySearchDlg.h"
#include "tray/notifyIconData.h"
#include "tray/orbelDlg.h"

namespace orbel {

LResult COrbelDlg::runTrayDialog(TrayDialog* dialog) {
    if (!dialog) return kIdCancel;
    m_activeDialog = dialog;
    const LResult result = dialog->DoModal();
    m_activeDialog = nullptr;
    return result;
}

void COrbelDlg::blankTooltip() {
    m_hover.setMenuOpen(true);
    m_record.modifyTip("");
}

void COrbelDlg::unblankTooltip() {
    m_hover.setMenuOpen(false);
}

void COrbelDlg::bringActiveDialogForward() {
    if (m_activeDialog && !isNull(m_activeDialog->hwnd()))
        m_port.setForegroundWindow(m_activeDialog->hwnd());
}

void COrbelDlg::onTrayCallback(WParam wParam, LParam lParam) {
    if (wParam != kTrayIconId || lParam < kWmMouseMove || lParam > kWmRButtonUp) return;
    Point pt;
    switch (static_cast<unsigned>(lParam)) {
    case kWmMouseMove:
        if (m_port.getCursorPos(pt)) m_hover.updateIconRect(pt.x, pt.y);
        // With live updates off, the tooltip the shell is about to show
        // must already carry the current time.
        if (!m_app.tipUpdate()) m_hover.hoverCheck();
        break;
    case kWmLButtonDown:
        bringActiveDialogForward();
        break;
    case kWmLButtonDblClk:
        if (m_activeDialog)
            bringActiveDialogForward();
        else
            onCommand(res::ID_DETAIL);
        break;
    case kWmRButtonUp:
        if (m_activeDialog) {
            bringActiveDialogForward();
        } else {
            const Rect r = m_hover.iconRect();
            if (r == Rect{} || (m_port.getCursorPos(pt) && ptInRect(r, pt))) showTrayMenu();
        }
        break;
    default:
        break;
    }
}

void COrbelDlg::showTrayMenu() {
    res::MenuItem bar = res::loadMenu(res::IDR_TRAYMENU);
    if (bar.children.empty()) return;
    res::MenuItem popup = bar.children.front();
    Point pt;
    m_port.getCursorPos(pt);
    // The menu only closes on a click elsewhere when our window is in the
    // foreground, and it needs a message afterwards to close at once.
    m_port.setForegroundWindow(m_hwnd);
    blankTooltip();
    res::deleteMenuItem(popup, res::ID_SEARCH_BALLISTA);
    m_port.trackPopupMenu(popup, res::ID_DETAIL, 0, pt, m_hwnd);
    m_port.postMessage(m_hwnd, kWmNull, 0, 0);
    unblankTooltip();
}

void COrbelDlg::onCommand(unsigned id) {
    switch (id) {
    case res::ID_DETAIL: {
        CDetailDlg detail(m_app, m_hwnd);
        blankTooltip();
        runTrayDialog(&detail);
        unblankTooltip();
        break;
    }
    case res::ID_SEARCH_LUNAR: {
        CLunarSearchDlg search(m_app);
        search.setResultCount(25);
        runTrayDialog(&search);
        break;
    }
    case res::ID_SEARCH_BALLISTA: {
        CBallistaSearchDlg search(m_app);
        search.setResultCount(25);
        runTrayDialog(&search);
        break;
    }
    case res::ID_SEARCH_TODAY: {
        CTodaySearchDlg search(m_app);
        search.setResultCount(26);
        runTrayDialog(&search);
        break;
    }
    case res::ID_SETTINGS:
        runSettings();
        break;
    case res::ID_APP_ABOUT: {
        CAboutDlg about(m_app, m_hwnd);
        runTrayDialog(&about);
        break;
    }
    case res::ID_APP_EXIT:
        m_port.sendMessage(m_hwnd, kWmClose, 0, 0);
        break;
    default: // IDOK and IDCANCEL (Enter, Escape) do nothing here
        break;
    }
}

} // namespace orbel
