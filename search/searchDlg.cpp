#include "search/searchDlg.h"

#include "app/orbelApp.h"
#include "res/stringTable.h"
#include "search/searchLimits.h"

#include <array>

namespace orbel {

namespace {
// The combo box answers with an index or kCbErr; data and indices share the
// one LResult.
WParam asWParam(LResult v) {
    return static_cast<WParam>(v);
}
} // namespace

CSearchDlg::CSearchDlg(COrbelApp& app, Hwnd parent)
    : m_app(app), m_parent(parent), m_resultEdit(app.port()), m_resultCount(clampResultCount(0)) {}

LResult CSearchDlg::DoModal() {
    return m_app.port().doModal(kTemplateId, m_parent, *this);
}

void CSearchDlg::setResultCount(int count) {
    m_resultCount = clampResultCount(count);
}

LResult CSearchDlg::windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    switch (msg) {
    case kWmInitDialog:
        m_hwnd = hwnd;
        m_resultEdit.attach(hwnd, kIdcResult);
        return OnInitDialog();
    case kWmCommand: {
        const unsigned id = wParam & 0xFFFF;
        const unsigned code = (wParam >> 16) & 0xFFFF;
        if (code == kCbnSelChange && (id == kIdcFirstList || id == kIdcSecondList))
            runSearch();
        else if (code == 0 && id == kIdOkCommand)
            close(kIdOk);
        else if (code == 0 && id == kIdCancelCommand)
            close(kIdCancel);
        return 0;
    }
    case kWmNotify: {
        const auto* header = reinterpret_cast<const NmHdr*>(lParam);
        if (header && header->idFrom == static_cast<std::uintptr_t>(kIdcCalendar) &&
            header->code == kMcnSelChange)
            runSearch();
        return kDefaultProcessing;
    }
    case kWmClose:
        close(kIdCancel);
        return 0;
    case kWmDestroy:
        m_resultEdit.detach();
        m_hwnd = Hwnd{};
        return 0;
    default:
        return kDefaultProcessing;
    }
}

LResult CSearchDlg::OnInitDialog() {
    Port& port = m_app.port();
    // The calendar belongs to the today dialog alone, which shows it again.
    showControl(kIdcCalendar, false);
    if (const std::string_view title = res::loadString(m_titleId); !title.empty())
        port.setWindowText(m_hwnd, title);
    if (const std::string_view label = res::loadString(m_firstLabelId); !label.empty())
        port.setDlgItemText(m_hwnd, kIdcFirstLabel, std::string(label) + " :");
    if (const std::string_view label = res::loadString(m_secondLabelId); !label.empty())
        port.setDlgItemText(m_hwnd, kIdcSecondLabel, std::string(label) + " :");
    return 1;
}

bool CSearchDlg::getConditions(Condition& first, Condition& second) {
    Port& port = m_app.port();
    Condition values[2] = {};
    const int lists[2] = {kIdcFirstList, kIdcSecondList};
    for (int i = 0; i < 2; ++i) {
        const LResult sel = port.sendDlgItemMessage(m_hwnd, lists[i], kCbGetCurSel, 0, 0);
        if (sel == kCbErr) return false;
        const LResult data =
            port.sendDlgItemMessage(m_hwnd, lists[i], kCbGetItemData, asWParam(sel), 0);
        if (data == kCbErr) return false;
        values[i] = data;
    }
    first = values[0];
    second = values[1];
    return true;
}

void CSearchDlg::showResults(const orlib::odate_t*) {}

void CSearchDlg::saveConditions() {}

void CSearchDlg::runSearch() {
    // A fixed buffer per run: the count is bounded by it, so nothing grows
    // while searching and nothing of one search survives into the next.
    std::array<orlib::odate_t, kMaxResults> results{};
    Condition first = 0;
    Condition second = 0;
    if (!getConditions(first, second)) return;
    searchDates(first, second, results.data());
    showResults(results.data());
}

void CSearchDlg::showControl(int id, bool on) {
    Port& port = m_app.port();
    if (!port.hasDlgItem(m_hwnd, id)) return;
    port.enableDlgItem(m_hwnd, id, on);
    port.showDlgItem(m_hwnd, id, on ? kSwShow : kSwHide);
}

bool CSearchDlg::insertItem(int listId, int position, const std::string& text, LResult data) {
    Port& port = m_app.port();
    // Inserting at a position does not sort, so the list keeps our order
    // although the template asks for a sorted box.
    const LResult at = port.sendDlgItemMessage(m_hwnd, listId, kCbInsertString, asWParam(position),
                                               reinterpret_cast<LParam>(text.c_str()));
    if (at < 0) return false;
    return port.sendDlgItemMessage(m_hwnd, listId, kCbSetItemData, asWParam(at), data) != kCbErr;
}

int CSearchDlg::currentSelection(int listId) {
    return static_cast<int>(m_app.port().sendDlgItemMessage(m_hwnd, listId, kCbGetCurSel, 0, 0));
}

void CSearchDlg::selectPosition(int listId, int position) {
    m_app.port().sendDlgItemMessage(m_hwnd, listId, kCbSetCurSel, asWParam(position), 0);
}

void CSearchDlg::close(LResult result) {
    saveConditions();
    m_app.port().endDialog(m_hwnd, result);
}

} // namespace orbel
