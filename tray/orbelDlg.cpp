#include "tray/orbelDlg.h"

#include "app/orbelApp.h"

namespace orbel {

COrbelDlg::COrbelDlg(COrbelApp& app) : m_app(app) {}

COrbelDlg::~COrbelDlg() = default;

LResult COrbelDlg::DoModal() { return m_app.port().doModal(kTemplateId, Hwnd{}, *this); }

LResult COrbelDlg::windowProc(Hwnd hwnd, unsigned msg, WParam, LParam) {
    switch (msg) {
    case kWmInitDialog:
        m_hwnd = hwnd;
        // From here on the ticker's messages have somewhere to go.
        m_app.setMainWindow(hwnd);
        return 0;
    case kWmClose:
        m_app.port().endDialog(hwnd, 0);
        return 0;
    case kWmDestroy:
        m_app.setMainWindow(Hwnd{});
        m_hwnd = Hwnd{};
        return 0;
    default:
        return 0;
    }
}

} // namespace orbel
