// CTodaySearchDlg: "what day is it today" (tray command 32776). The user
// picks an Earth date in the month calendar, which takes the place of the
// two condition lists; the dialog lists the Orithaven days that follow one
// another from that date's local midnight on. It stores nothing.
// Constructed and run by the main window; UI thread only.
#pragma once

#include "search/searchDlg.h"

namespace orbel {

class CTodaySearchDlg : public CSearchDlg {
public:
    explicit CTodaySearchDlg(COrbelApp& app, Hwnd parent = Hwnd{});

    // The first condition is the Earth time of the selected date's local
    // midnight; the second is 0. False when the calendar has no selection.
    bool getConditions(Condition& first, Condition& second) override;
    void searchDates(Condition first, Condition second, orlib::odate_t* results) override;
    void showResults(const orlib::odate_t* results) override;

protected:
    LResult OnInitDialog() override;

private:
    void setUpCalendar();
    void arrangeAroundCalendar();
};

} // namespace orbel
