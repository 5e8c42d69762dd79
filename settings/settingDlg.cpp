#include "settings/settingDlg.h"

#include "app/orbelApp.h"
#include "res/stringTable.h"

namespace orbel {

namespace {
constexpr LResult kPsnRetNoError = 0;
} // namespace

LResult CSettingPage::windowProc(Hwnd hwnd, unsigned msg, WParam, LParam lParam) {
    switch (msg) {
    case kWmInitDialog:
        m_hwnd = hwnd;
        onInitPage();
        return 1;
    case kWmNotify: {
        const auto* header = reinterpret_cast<const NmHdr*>(lParam);
        if (header && header->code == kPsnApply) {
            onApply();
            return kPsnRetNoError;
        }
        return kDefaultProcessing;
    }
    case kWmDestroy:
        m_hwnd = Hwnd{};
        return 0;
    default:
        return kDefaultProcessing;
    }
}

bool CSettingPage::isChecked(int controlId) {
    return m_app.port().sendDlgItemMessage(m_hwnd, controlId, kBmGetCheck, 0, 0) != 0;
}

void CSettingPage::setChecked(int controlId, bool checked) {
    m_app.port().sendDlgItemMessage(m_hwnd, controlId, kBmSetCheck, checked ? 1 : 0, 0);
}

LResult CSettingDlg::DoModal() {
    std::vector<PropertyPage> pages;
    pages.reserve(m_pages.size());
    for (CSettingPage* page : m_pages)
        pages.push_back({page->templateId(), page});
    return m_app.port().propertySheet(res::loadString(res::IDS_SETTINGS_TITLE), pages, kNoApplyNow);
}

Hwnd CSettingDlg::hwnd() const {
    for (const CSettingPage* page : m_pages) {
        if (isNull(page->hwnd())) continue;
        const Hwnd sheet = m_app.port().getParent(page->hwnd());
        return isNull(sheet) ? page->hwnd() : sheet;
    }
    return Hwnd{};
}

} // namespace orbel
