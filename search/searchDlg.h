// CSearchDlg: the frame shared by the three search dialogs run from the
// tray (lunar phase and weekday, ballista matches, today). It owns the
// controls of template 149, runs a complete search whenever a condition
// changes and shows the result as plain text in the result box, whose
// scroll bar appears only on overflow (CAutoScrollEdit).
//
// A subclass sets its title and label ids, fills its condition lists, does
// the search, composes the text and stores its conditions in the "Search"
// section of the settings. The main window constructs one as a local
// object, calls setResultCount and runs it with runTrayDialog. UI thread
// only.
#pragma once

#include "app/port.h"
#include "search/autoScrollEdit.h"
#include "tray/trayDialogs.h"

#include <orlib/orlib.h>

#include <cstdint>
#include <string>

namespace orbel {

class COrbelApp;

class CSearchDlg : public TrayDialog, public WindowHandler {
public:
    static constexpr unsigned kTemplateId = 149;
    static constexpr int kIdcFirstList = 1013;
    static constexpr int kIdcSecondList = 1014;
    static constexpr int kIdcResult = 1015;
    static constexpr int kIdcFirstLabel = 1020;
    static constexpr int kIdcSecondLabel = 1021;
    static constexpr int kIdcGroup = 1022;
    static constexpr int kIdcCalendar = 1023;

    // A condition is an item's data or, in the today dialog, an Earth time,
    // which would not fit an int after 2038.
    using Condition = std::int64_t;

    CSearchDlg(COrbelApp& app, Hwnd parent);
    ~CSearchDlg() override = default;
    CSearchDlg(const CSearchDlg&) = delete;
    CSearchDlg& operator=(const CSearchDlg&) = delete;

    LResult DoModal() override;
    Hwnd hwnd() const override { return m_hwnd; }
    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;

    // How many results one search lists, clamped to 8..256.
    virtual void setResultCount(int count);
    int resultCount() const { return m_resultCount; }

    // Reads the two conditions from the controls; false when a list has no
    // selection (then no search runs and the result box keeps its text).
    virtual bool getConditions(Condition& first, Condition& second);
    // Fills results[0] .. results[resultCount() - 1].
    virtual void searchDates(Condition first, Condition second, orlib::odate_t* results) = 0;
    virtual void showResults(const orlib::odate_t* results);
    virtual void saveConditions();

    // One complete search: conditions, search, text. Nothing survives it.
    void runSearch();
    // Shows and enables a control, or hides and disables it.
    void showControl(int id, bool on);

    CAutoScrollEdit& resultEdit() { return m_resultEdit; }

protected:
    // Every subclass calls this first; hides the calendar and sets the
    // title and labels from the string table. Returns TRUE.
    virtual LResult OnInitDialog();

    // Inserts an entry at a position (-1: the end) and gives it its item
    // data; false when the list refused either.
    bool insertItem(int listId, int position, const std::string& text, LResult data);
    // The selected position of a list, -1 when none.
    int currentSelection(int listId);
    // Selects a position; one outside the list leaves it without selection.
    void selectPosition(int listId, int position);

    COrbelApp& m_app;
    Hwnd m_parent;
    Hwnd m_hwnd{};
    CAutoScrollEdit m_resultEdit;
    int m_resultCount;
    unsigned m_titleId = 0;
    unsigned m_firstLabelId = 0;
    unsigned m_secondLabelId = 0;

private:
    // Enter, Escape and the close box all keep the conditions first.
    void close(LResult result);
};

} // namespace orbel
