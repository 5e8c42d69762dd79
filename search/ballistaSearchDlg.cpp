#include "search/ballistaSearchDlg.h"

#include "app/orbelApp.h"
#include "res/stringTable.h"
#include "search/ballista.h"

namespace orbel {

CBallistaSearchDlg::CBallistaSearchDlg(COrbelApp& app, Hwnd parent) : CSearchDlg(app, parent) {
    m_titleId = res::IDS_BALLISTA_SEARCH_TITLE;
    m_firstLabelId = res::IDS_LABEL_BALLISTA_CARD;
    m_secondLabelId = res::IDS_LABEL_BALLISTA_LEVEL;
}

bool CBallistaSearchDlg::fillLists() {
    for (const auto& item : ballistaCardItems())
        if (!insertItem(kIdcFirstList, -1, std::string(item.text), static_cast<LResult>(item.data)))
            return false;
    for (const auto& item : ballistaLevelItems())
        if (!insertItem(kIdcSecondList, -1, std::string(item.text),
                        static_cast<LResult>(item.data)))
            return false;
    return true;
}

LResult CBallistaSearchDlg::OnInitDialog() {
    CSearchDlg::OnInitDialog();
    // Unlike the lunar dialog this one carries on without a word: it opens
    // with what was inserted, no selection and no search, and the user can
    // still pick from the entries that made it in.
    if (!fillLists()) return 0;
    selectPosition(kIdcFirstList, m_app.getSearchInt("ballistacard", 0));
    selectPosition(kIdcSecondList, m_app.getSearchInt("ballistalevel", 0));
    runSearch();
    return 1;
}

void CBallistaSearchDlg::searchDates(Condition card, Condition level, orlib::odate_t* results) {
    // The card and level masks are bit sets below 2^22: item data as given.
    searchBallista(static_cast<unsigned>(card), static_cast<unsigned>(level), results,
                   m_resultCount, m_app.port().time());
}

void CBallistaSearchDlg::showResults(const orlib::odate_t* results) {
    if (!m_resultEdit.exists()) return;
    m_resultEdit.setText(ballistaResultText(results, m_resultCount));
}

void CBallistaSearchDlg::saveConditions() {
    m_app.setSearchInt("ballistacard", currentSelection(kIdcFirstList));
    m_app.setSearchInt("ballistalevel", currentSelection(kIdcSecondList));
}

} // namespace orbel
