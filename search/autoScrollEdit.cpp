#include "search/autoScrollEdit.h"

namespace orbel {

bool CAutoScrollEdit::exists() const {
    return !isNull(m_dialog) && m_port.hasDlgItem(m_dialog, m_id);
}

bool CAutoScrollEdit::setText(std::string_view text) {
    if (isNull(m_dialog)) return false;
    const bool ok = m_port.setDlgItemText(m_dialog, m_id, text);
    updateScrollBar();
    return ok;
}

bool CAutoScrollEdit::move(const Rect& rect) {
    if (isNull(m_dialog)) return false;
    const bool ok = m_port.moveDlgItem(m_dialog, m_id, rect);
    updateScrollBar();
    return ok;
}

bool CAutoScrollEdit::isTextOverflowing() const {
    const std::optional<int> lineHeight = m_port.getTextLineHeight(m_dialog, m_id);
    if (!lineHeight) return true;
    // An edit control counts the empty line after a final line break, so a
    // text of n lines each ending in "\r\n" takes n + 1 lines here.
    const LResult lines = m_port.sendDlgItemMessage(m_dialog, m_id, kEmGetLineCount, 0, 0);
    Rect client;
    if (!m_port.getDlgItemClientRect(m_dialog, m_id, client)) return true;
    // Signed on both sides: a client area squeezed to nothing must count as
    // overflowing, not wrap round to a huge height.
    return static_cast<long long>(*lineHeight) * static_cast<long long>(lines) >
           static_cast<long long>(client.bottom) - client.top;
}

void CAutoScrollEdit::updateScrollBar() {
    if (isNull(m_dialog)) return;
    m_port.showScrollBar(m_dialog, m_id, isTextOverflowing());
}

} // namespace orbel
