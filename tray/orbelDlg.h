// COrbelDlg: the hidden main window. The application runs it modally for
// the program's whole life; it receives the game clock's messages and ends
// the run on WM_CLOSE. Enter and Escape never end it.
#pragma once

#include "app/port.h"

namespace orbel {

class COrbelApp;

class COrbelDlg : public WindowHandler {
public:
    static constexpr unsigned kTemplateId = 102;

    explicit COrbelDlg(COrbelApp& app);
    ~COrbelDlg() override;
    COrbelDlg(const COrbelDlg&) = delete;
    COrbelDlg& operator=(const COrbelDlg&) = delete;

    // Runs the window until WM_CLOSE; returns the modal result.
    LResult DoModal();
    Hwnd hwnd() const { return m_hwnd; }

    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;

private:
    COrbelApp& m_app;
    Hwnd m_hwnd{};
};

} // namespace orbel
