// The settings sheet and what its pages share.
//
// CSettingPage is the base of the sheet's pages (CDisplaySetting,
// CNotifySetting): it holds the page's template and window and turns the
// sheet's messages into the two moments a page cares about, its
// initialisation and the sheet's OK reaching it. CSettingDlg is the sheet
// itself, run modally by the main window's settings command. The sheet and
// its pages are local objects of that command; UI thread only.
#pragma once

#include "app/port.h"
#include "tray/trayDialogs.h"

#include <vector>

namespace orbel {

class COrbelApp;

class CSettingPage : public WindowHandler {
public:
    CSettingPage(COrbelApp& app, unsigned templateId) : m_app(app), m_templateId(templateId) {}
    CSettingPage(const CSettingPage&) = delete;
    CSettingPage& operator=(const CSettingPage&) = delete;

    unsigned templateId() const { return m_templateId; }
    // The page's window while it exists; null before the user first shows
    // the page and after the sheet has closed.
    Hwnd hwnd() const { return m_hwnd; }

    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;

protected:
    // The page's window was created: move the fields into the controls.
    virtual void onInitPage() = 0;
    // The sheet's OK: move the controls back into the fields. The sheet
    // sends it only to pages whose window was created.
    virtual void onApply() = 0;

    // Check boxes and radio buttons; any non-zero state reads as checked.
    bool isChecked(int controlId);
    void setChecked(int controlId, bool checked);

    COrbelApp& m_app;

private:
    unsigned m_templateId;
    Hwnd m_hwnd{};
};

class CSettingDlg : public TrayDialog {
public:
    // PSH_NOAPPLYNOW: OK and Cancel, no Apply button.
    static constexpr unsigned kNoApplyNow = 0x80;

    explicit CSettingDlg(COrbelApp& app) : m_app(app) {}

    // Pages show in the order they are added; the first is active at
    // opening. The pages must outlive the sheet's run.
    void addPage(CSettingPage& page) { m_pages.push_back(&page); }

    // Runs the sheet with caption string 113; kIdOk or kIdCancel.
    LResult DoModal() override;
    // The sheet's window while it runs (the parent of a created page).
    Hwnd hwnd() const override;

private:
    COrbelApp& m_app;
    std::vector<CSettingPage*> m_pages;
};

} // namespace orbel
