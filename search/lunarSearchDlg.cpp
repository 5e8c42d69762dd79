#include "search/lunarSearchDlg.h"

#include "app/orbelApp.h"
#include "res/stringTable.h"
#include "search/lunarSearch.h"

namespace orbel {

namespace {
constexpr int kFillFailedCode = 255;
} // namespace

CLunarSearchDlg::CLunarSearchDlg(COrbelApp& app, Hwnd parent) : CSearchDlg(app, parent) {
    m_titleId = res::IDS_LUNAR_SEARCH_TITLE;
    m_firstLabelId = res::IDS_LABEL_LUNAR_AGE;
    m_secondLabelId = res::IDS_LABEL_WEEKDAY;
}

bool CLunarSearchDlg::fillLists() {
    int position = 0;
    for (const auto& item : lunarAgeItems())
        if (!insertItem(kIdcFirstList, position++, std::string(item.text),
                        static_cast<LResult>(item.data)))
            return false;
    position = 0;
    for (const auto& item : lunarWeekdayItems())
        if (!insertItem(kIdcSecondList, position++, std::string(item.text),
                        static_cast<LResult>(item.data)))
            return false;
    return true;
}

LResult CLunarSearchDlg::OnInitDialog() {
    CSearchDlg::OnInitDialog();
    if (!fillLists()) {
        // Lists this dialog cannot fill mean the process is out of memory or
        // the control is broken: the program ends, as on any fatal error.
        Port& port = m_app.port();
        m_app.showError(res::IDS_FATAL_ERROR, kFillFailedCode);
        port.endDialog(m_hwnd, 0);
        // The main window ends the program, as the box has just said; the
        // tray runs this dialog without a parent, so not "the parent".
        if (const Hwnd main = m_app.mainWindow(); !isNull(main))
            port.postMessage(main, kWmClose, 0, 0);
        return 1;
    }
    selectPosition(kIdcFirstList, m_app.getSearchInt("lunarage", 0));
    selectPosition(kIdcSecondList, m_app.getSearchInt("dayofweek", 0));
    runSearch();
    return 1;
}

void CLunarSearchDlg::searchDates(Condition lunar, Condition weekday, orlib::odate_t* results) {
    findLunarDates(static_cast<unsigned>(lunar), static_cast<unsigned>(weekday), results,
                   m_resultCount, m_app.port().time());
}

void CLunarSearchDlg::showResults(const orlib::odate_t* results) {
    if (!m_resultEdit.exists()) return;
    m_resultEdit.setText(lunarResultText(results, m_resultCount));
}

void CLunarSearchDlg::saveConditions() {
    m_app.setSearchInt("lunarage", currentSelection(kIdcFirstList));
    m_app.setSearchInt("dayofweek", currentSelection(kIdcSecondList));
}

} // namespace orbel
