#include "search/todaySearchDlg.h"

#include "app/orbelApp.h"
#include "res/stringTable.h"
#include "search/todaySearch.h"

namespace orbel {

CTodaySearchDlg::CTodaySearchDlg(COrbelApp& app, Hwnd parent) : CSearchDlg(app, parent) {
    m_titleId = res::IDS_TODAY_SEARCH_TITLE;
}

LResult CTodaySearchDlg::OnInitDialog() {
    CSearchDlg::OnInitDialog();
    for (int id : {kIdcGroup, kIdcFirstList, kIdcSecondList, kIdcFirstLabel, kIdcSecondLabel})
        showControl(id, false);
    showControl(kIdcCalendar, true);
    setUpCalendar();
    arrangeAroundCalendar();
    // The calendar selects today's date when it is created.
    runSearch();
    return 1;
}

void CTodaySearchDlg::setUpCalendar() {
    Port& port = m_app.port();
    port.monthCalSetFirstDayOfWeek(m_hwnd, kIdcCalendar, 0); // Monday
    struct Colour {
        int part;
        int sysColor;
    };
    // The trailing days of the neighbouring months keep their own colour.
    constexpr Colour kColours[] = {
        {kMcscBackground, kColor3dFace},    {kMcscMonthBk, kColor3dFace},
        {kMcscText, kColorWindowText},      {kMcscTitleBk, kColor3dShadow},
        {kMcscTitleText, kColorWindowText},
    };
    for (const Colour& c : kColours)
        port.monthCalSetColor(m_hwnd, kIdcCalendar, c.part, port.getSysColor(c.sysColor));
    // The end itself lies outside the calendar library's range.
    port.monthCalSetRange(m_hwnd, kIdcCalendar, orlib::getServiceStart(),
                          orlib::getServiceEnd() - 1);
}

void CTodaySearchDlg::arrangeAroundCalendar() {
    Port& port = m_app.port();
    Rect group;
    Rect calendar;
    if (!port.getDlgItemRect(m_hwnd, kIdcGroup, group) ||
        !port.getDlgItemRect(m_hwnd, kIdcCalendar, calendar))
        return;
    // The calendar is taller than the group box it replaces; the dialog and
    // the result box below make room for the difference.
    const int growth = (calendar.bottom - calendar.top) - (group.bottom - group.top);
    port.moveDlgItem(
        m_hwnd, kIdcCalendar,
        Rect{group.left, group.top, group.right, group.top + (calendar.bottom - calendar.top)});
    if (Rect dialog; port.getWindowRect(m_hwnd, dialog))
        port.moveWindow(m_hwnd,
                        Rect{dialog.left, dialog.top, dialog.right, dialog.bottom + growth});
    if (Rect result; port.getDlgItemRect(m_hwnd, kIdcResult, result))
        m_resultEdit.move(
            Rect{result.left, result.top + growth, result.right, result.bottom + growth});
}

bool CTodaySearchDlg::getConditions(Condition& first, Condition& second) {
    SystemDate selected;
    if (!m_app.port().monthCalGetCurSel(m_hwnd, kIdcCalendar, selected)) return false;
    first = static_cast<Condition>(toEarthTime(selected));
    second = 0;
    return true;
}

void CTodaySearchDlg::searchDates(Condition first, Condition, orlib::odate_t* results) {
    searchToday(static_cast<std::time_t>(first), results, m_resultCount);
}

void CTodaySearchDlg::showResults(const orlib::odate_t* results) {
    if (!m_resultEdit.exists()) return;
    m_resultEdit.setText(todayResultText(results, m_resultCount));
}

} // namespace orbel
