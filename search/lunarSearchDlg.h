// CLunarSearchDlg: the search by lunar phase and Orithaven weekday (tray
// command 32772). Lists the next Orithaven days after the current one that
// lie in the chosen phase and fall on the chosen weekday; keeps the chosen
// positions as "lunarage" and "dayofweek" in the "Search" settings.
// Constructed and run by the main window; UI thread only.
#pragma once

#include "search/searchDlg.h"

namespace orbel {

class CLunarSearchDlg : public CSearchDlg {
public:
    explicit CLunarSearchDlg(COrbelApp& app, Hwnd parent = Hwnd{});

    void searchDates(Condition lunar, Condition weekday, orlib::odate_t* results) override;
    void showResults(const orlib::odate_t* results) override;
    void saveConditions() override;

protected:
    LResult OnInitDialog() override;

private:
    bool fillLists();
};

} // namespace orbel
