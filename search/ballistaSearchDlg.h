// CBallistaSearchDlg: the schedule of ballista matches (tray command 32775,
// which the menu does not offer). Lists the next Orithaven days, from the
// current one on, whose match passes the chosen card and level cap; keeps
// the chosen positions as "ballistacard" and "ballistalevel" in the
// "Search" settings. Constructed and run by the main window; UI thread only.
#pragma once

#include "search/searchDlg.h"

namespace orbel {

class CBallistaSearchDlg : public CSearchDlg {
public:
    explicit CBallistaSearchDlg(COrbelApp& app, Hwnd parent = Hwnd{});

    void searchDates(Condition card, Condition level, orlib::odate_t* results) override;
    void showResults(const orlib::odate_t* results) override;
    void saveConditions() override;

protected:
    LResult OnInitDialog() override;

private:
    bool fillLists();
};

} // namespace orbel
