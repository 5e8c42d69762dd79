// The fake port's controls, surfaces, property sheets and version resource:
// in-memory stand-ins that answer the messages the dialogs send the way the
// platform's controls do, so dialog tests can read back what a user would see.
#include "ports/fake/fakePort.h"
#include "res/versionInfo.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace orbel {

namespace {

std::string num(std::uintptr_t v) {
    return std::to_string(v);
}
std::string num(Hwnd h) {
    return std::to_string(static_cast<std::uintptr_t>(h));
}
std::string num(HSurface h) {
    return std::to_string(static_cast<std::uintptr_t>(h));
}

// Button states of BM_GETCHECK / BM_SETCHECK.
constexpr LResult kBstUnchecked = 0;
constexpr LResult kBstChecked = 1;
// The code of a button click in HIWORD(wParam) of WM_COMMAND.
constexpr unsigned kBnClicked = 0;

// The colours of the classic Windows scheme, as 0x00BBGGRR; any index not
// listed answers black.
std::uint32_t classicSysColor(int index) {
    switch (index) {
    case kColor3dFace:
        return 0x00C0C0C0;
    case kColor3dShadow:
        return 0x00808080;
    case kColorWindowText:
    default:
        return 0x00000000;
    }
}

SystemDate localDate(std::time_t t) {
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return SystemDate{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

std::string rectText(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

bool coversWhole(const Rect& r, int width, int height) {
    return r.left <= 0 && r.top <= 0 && r.right >= width && r.bottom >= height;
}

} // namespace

// --- windows built from templates ------------------------------------------

void FakePort::attachTemplate(Hwnd hwnd, unsigned templateId, Hwnd parent) {
    DialogData d;
    d.templateId = templateId;
    d.parent = parent;
    d.font = HFont{m_nextHandle++};
    if (const res::DialogTemplate* t = res::findDialogTemplate(templateId)) {
        d.caption = std::string(t->caption);
        for (const res::ControlTemplate& ct : t->controls) {
            ControlState c;
            c.kind = ct.kind;
            c.text = std::string(ct.text);
            c.visible = ct.visible;
            c.enabled = !ct.disabled;
            c.rect = Rect{ct.x * kFakeDluPixels, ct.y * kFakeDluPixels,
                          (ct.x + ct.cx) * kFakeDluPixels, (ct.y + ct.cy) * kFakeDluPixels};
            c.font = d.font;
            if (ct.kind == res::ControlKind::MonthCalendar) c.calSel = localDate(now);
            // Id -1 (IDC_STATIC) may repeat; only the first can be addressed.
            if (d.controls.emplace(ct.id, c).second) d.order.push_back(ct.id);
        }
    }
    m_dialogs[hwnd] = std::move(d);
}

void FakePort::detachTemplate(Hwnd hwnd) {
    m_dialogs.erase(hwnd);
}

FakePort::ControlState* FakePort::findControl(Hwnd dialog, int id) {
    auto d = m_dialogs.find(dialog);
    if (d == m_dialogs.end()) return nullptr;
    auto c = d->second.controls.find(id);
    return c == d->second.controls.end() ? nullptr : &c->second;
}

void FakePort::deliver(Hwnd dialog, unsigned msg, WParam wParam, LParam lParam) {
    WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(dialog);
        if (it != m_windows.end()) handler = it->second.handler;
    }
    if (handler) handler->windowProc(dialog, msg, wParam, lParam);
}

std::optional<FakePort::ControlState> FakePort::controlState(Hwnd dialog, int id) const {
    std::lock_guard lock(m_mutex);
    auto d = m_dialogs.find(dialog);
    if (d == m_dialogs.end()) return std::nullopt;
    auto c = d->second.controls.find(id);
    if (c == d->second.controls.end()) return std::nullopt;
    return c->second;
}

std::string FakePort::windowText(Hwnd hwnd) const {
    std::lock_guard lock(m_mutex);
    auto d = m_dialogs.find(hwnd);
    return d == m_dialogs.end() ? std::string() : d->second.caption;
}

std::vector<Hwnd> FakePort::windowsOfTemplate(unsigned templateId) const {
    std::lock_guard lock(m_mutex);
    std::vector<Hwnd> out;
    // Handles only grow, so map order is creation order.
    for (const auto& [h, d] : m_dialogs)
        if (d.templateId == templateId && m_windows.count(h)) out.push_back(h);
    return out;
}

// --- what a user does ---------------------------------------------------------

void FakePort::selectComboItem(Hwnd dialog, int id, int index) {
    {
        std::lock_guard lock(m_mutex);
        ControlState* c = findControl(dialog, id);
        if (!c) return;
        c->curSel = index >= 0 && index < static_cast<int>(c->items.size()) ? index : -1;
    }
    deliver(dialog, kWmCommand, (WParam{kCbnSelChange} << 16) | static_cast<WParam>(id), 0);
}

void FakePort::setMonthCalSel(Hwnd dialog, int id, SystemDate date) {
    {
        std::lock_guard lock(m_mutex);
        ControlState* c = findControl(dialog, id);
        if (!c || c->kind != res::ControlKind::MonthCalendar) return;
        c->calSel = date;
    }
    NmHdr hdr{Hwnd{}, static_cast<std::uintptr_t>(id), kMcnSelChange};
    deliver(dialog, kWmNotify, static_cast<WParam>(id), reinterpret_cast<LParam>(&hdr));
}

void FakePort::clickCheck(Hwnd dialog, int id) {
    {
        std::lock_guard lock(m_mutex);
        ControlState* c = findControl(dialog, id);
        if (!c) return;
        c->checked = !c->checked;
    }
    deliver(dialog, kWmCommand, (WParam{kBnClicked} << 16) | static_cast<WParam>(id), 0);
}

void FakePort::clickRadio(Hwnd dialog, int id) {
    {
        std::lock_guard lock(m_mutex);
        auto d = m_dialogs.find(dialog);
        if (d == m_dialogs.end() || !d->second.controls.count(id)) return;
        const res::DialogTemplate* t = res::findDialogTemplate(d->second.templateId);
        // The group: walk back to its groupStart, then forward to its end.
        std::vector<int> group{id};
        if (t) {
            const auto& cs = t->controls;
            auto at = std::find_if(cs.begin(), cs.end(), [&](const auto& c) { return c.id == id; });
            if (at != cs.end() && at->kind == res::ControlKind::RadioButton) {
                auto first = at;
                while (!first->groupStart && first != cs.begin() &&
                       std::prev(first)->kind == res::ControlKind::RadioButton)
                    --first;
                group.clear();
                for (auto it = first; it != cs.end() && it->kind == res::ControlKind::RadioButton &&
                                      (it == first || !it->groupStart);
                     ++it)
                    group.push_back(it->id);
            }
        }
        for (int member : group)
            if (ControlState* c = findControl(dialog, member)) c->checked = member == id;
    }
    deliver(dialog, kWmCommand, (WParam{kBnClicked} << 16) | static_cast<WParam>(id), 0);
}

// --- control messages -------------------------------------------------------

LResult FakePort::controlMessage(ControlState& c, unsigned msg, WParam wParam, LParam lParam) {
    const bool combo = c.kind == res::ControlKind::ComboBox;
    const int count = static_cast<int>(c.items.size());
    const auto index = static_cast<std::intptr_t>(wParam);
    const bool inRange = index >= 0 && index < count;
    switch (msg) {
    case kCbInsertString: {
        if (!combo) return 0;
        const int n = m_comboInserts++;
        if (comboInsertFailsAfter && n >= *comboInsertFailsAfter) return kCbErr;
        if (index != -1 && (index < 0 || index > count)) return kCbErr;
        const int pos = index == -1 ? count : static_cast<int>(index);
        const char* text = reinterpret_cast<const char*>(lParam);
        c.items.insert(c.items.begin() + pos, ComboItem{text ? text : "", 0});
        // The selection stays on its entry, which moves down by one.
        if (c.curSel >= pos) ++c.curSel;
        return pos;
    }
    case kCbSetItemData:
        if (!combo || !inRange) return kCbErr;
        c.items[static_cast<std::size_t>(index)].data = lParam;
        return 1;
    case kCbGetItemData:
        if (!combo || !inRange) return kCbErr;
        return c.items[static_cast<std::size_t>(index)].data;
    case kCbGetCurSel:
        return combo ? c.curSel : kCbErr;
    case kCbSetCurSel:
        if (!combo) return kCbErr;
        c.curSel = inRange ? static_cast<int>(index) : -1;
        return inRange ? index : kCbErr;
    case kCbGetCount:
        return combo ? count : kCbErr;
    case kBmGetCheck:
        return c.checked ? kBstChecked : kBstUnchecked;
    case kBmSetCheck:
        c.checked = static_cast<LResult>(wParam) == kBstChecked;
        return 0;
    case kEmGetLineCount: {
        LResult lines = 1;
        for (std::size_t at = c.text.find("\r\n"); at != std::string::npos;
             at = c.text.find("\r\n", at + 2))
            ++lines;
        return lines;
    }
    case kWmSetText:
        c.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return 1;
    case kStmSetIcon: {
        const HIcon old = c.icon;
        c.icon = static_cast<HIcon>(wParam);
        return static_cast<LResult>(old);
    }
    case kWmSetFont:
        c.font = static_cast<HFont>(wParam);
        return 0;
    case kWmGetFont:
        return static_cast<LResult>(c.font);
    default:
        return 0;
    }
}

LResult FakePort::sendDlgItemMessage(Hwnd dialog, int controlId, unsigned msg, WParam wParam,
                                     LParam lParam) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("sendDlgItemMessage(" + num(dialog) + "," + std::to_string(controlId) + "," +
                      num(msg) + "," + num(wParam) + ")");
    ControlState* c = findControl(dialog, controlId);
    return c ? controlMessage(*c, msg, wParam, lParam) : 0;
}

// --- ControlPort ------------------------------------------------------------

bool FakePort::setWindowText(Hwnd hwnd, std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("setWindowText(" + num(hwnd) + "," + std::string(text) + ")");
    auto d = m_dialogs.find(hwnd);
    if (d == m_dialogs.end()) return false;
    d->second.caption = std::string(text);
    return true;
}

std::string FakePort::getDlgItemText(Hwnd dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    if (const ControlState* c = findControl(dialog, controlId)) return c->text;
    // Windows without a template keep what setDlgItemText gave them.
    auto w = m_windows.find(dialog);
    if (w == m_windows.end()) return {};
    auto t = w->second.state.texts.find(controlId);
    return t == w->second.state.texts.end() ? std::string() : t->second;
}

bool FakePort::hasDlgItem(Hwnd dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    return findControl(dialog, controlId) != nullptr;
}

bool FakePort::showDlgItem(Hwnd dialog, int controlId, unsigned command) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("showDlgItem(" + num(dialog) + "," + std::to_string(controlId) + "," +
                      num(command) + ")");
    ControlState* c = findControl(dialog, controlId);
    if (!c) return false;
    c->visible = command != kSwHide;
    return true;
}

bool FakePort::enableDlgItem(Hwnd dialog, int controlId, bool enable) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("enableDlgItem(" + num(dialog) + "," + std::to_string(controlId) + "," +
                      (enable ? "true" : "false") + ")");
    ControlState* c = findControl(dialog, controlId);
    if (!c) return false;
    c->enabled = enable;
    return true;
}

bool FakePort::getDlgItemRect(Hwnd dialog, int controlId, Rect& rect) {
    std::lock_guard lock(m_mutex);
    const ControlState* c = findControl(dialog, controlId);
    if (!c) return false;
    rect = c->rect;
    return true;
}

bool FakePort::moveDlgItem(Hwnd dialog, int controlId, const Rect& rect) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("moveDlgItem(" + num(dialog) + "," + std::to_string(controlId) + "," +
                      rectText(rect) + ")");
    ControlState* c = findControl(dialog, controlId);
    if (!c) return false;
    c->rect = rect;
    return true;
}

bool FakePort::moveWindow(Hwnd hwnd, const Rect& rect) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("moveWindow(" + num(hwnd) + "," + rectText(rect) + ")");
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return false;
    it->second.state.rect = rect;
    return true;
}

Hwnd FakePort::getParent(Hwnd hwnd) {
    std::lock_guard lock(m_mutex);
    auto d = m_dialogs.find(hwnd);
    return d == m_dialogs.end() || !m_windows.count(hwnd) ? Hwnd{} : d->second.parent;
}

std::uint32_t FakePort::getSysColor(int index) {
    return classicSysColor(index);
}

bool FakePort::monthCalGetCurSel(Hwnd dialog, int controlId, SystemDate& date) {
    std::lock_guard lock(m_mutex);
    const ControlState* c = findControl(dialog, controlId);
    if (!c || c->kind != res::ControlKind::MonthCalendar) return false;
    date = c->calSel;
    return true;
}

bool FakePort::monthCalSetRange(Hwnd dialog, int controlId, std::time_t min, std::time_t max) {
    std::lock_guard lock(m_mutex);
    ControlState* c = findControl(dialog, controlId);
    if (!c || c->kind != res::ControlKind::MonthCalendar) return false;
    c->calMin = min;
    c->calMax = max;
    return true;
}

bool FakePort::monthCalSetFirstDayOfWeek(Hwnd dialog, int controlId, int day) {
    std::lock_guard lock(m_mutex);
    ControlState* c = findControl(dialog, controlId);
    if (!c || c->kind != res::ControlKind::MonthCalendar) return false;
    c->firstDayOfWeek = day;
    return true;
}

bool FakePort::monthCalSetColor(Hwnd dialog, int controlId, int part, std::uint32_t color) {
    std::lock_guard lock(m_mutex);
    ControlState* c = findControl(dialog, controlId);
    if (!c || c->kind != res::ControlKind::MonthCalendar) return false;
    c->calColors[part] = color;
    return true;
}

std::optional<int> FakePort::getTextLineHeight(Hwnd dialog, int controlId) {
    std::lock_guard lock(m_mutex);
    const ControlState* c = findControl(dialog, controlId);
    if (!c || isNull(c->font)) return std::nullopt;
    return lineHeight;
}

bool FakePort::getDlgItemClientRect(Hwnd dialog, int controlId, Rect& rect) {
    std::lock_guard lock(m_mutex);
    const ControlState* c = findControl(dialog, controlId);
    if (!c) return false;
    // A 2-pixel border on each side, as a sunken edit box has.
    rect = Rect{0, 0, std::max(0, c->rect.right - c->rect.left - 4),
                std::max(0, c->rect.bottom - c->rect.top - 4)};
    return true;
}

bool FakePort::showScrollBar(Hwnd dialog, int controlId, bool show) {
    std::lock_guard lock(m_mutex);
    ControlState* c = findControl(dialog, controlId);
    if (!c) return false;
    c->scrollBarShown = show;
    return true;
}

// --- surfaces -----------------------------------------------------------------

HSurface FakePort::createSurface(Hwnd dialog, int width, int height) {
    std::lock_guard lock(m_mutex);
    HSurface h{};
    if (m_windows.count(dialog) && width > 0 && height > 0) {
        h = HSurface{m_nextHandle++};
        m_surfaces[h] = Surface{width, height, 0, {}};
    }
    m_calls.push_back("createSurface(" + num(dialog) + "," + std::to_string(width) + "x" +
                      std::to_string(height) + ")=" + num(h));
    return h;
}

void FakePort::destroySurface(HSurface surface) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("destroySurface(" + num(surface) + ")");
    m_surfaces.erase(surface);
}

bool FakePort::fillSurface(HSurface surface, const Rect& rect, std::uint32_t) {
    std::lock_guard lock(m_mutex);
    auto it = m_surfaces.find(surface);
    if (it == m_surfaces.end()) return false;
    Surface& s = it->second;
    if (coversWhole(rect, s.width, s.height)) {
        s.texts.clear();
        ++s.fills;
    } else {
        s.texts.push_back(DrawnText{{}, rect, false, true});
    }
    return true;
}

bool FakePort::drawSurfaceText(HSurface surface, std::string_view text, const Rect& rect,
                               bool bold) {
    std::lock_guard lock(m_mutex);
    auto it = m_surfaces.find(surface);
    if (it == m_surfaces.end()) return false;
    it->second.texts.push_back(DrawnText{std::string(text), rect, bold});
    return true;
}

bool FakePort::invalidateRect(Hwnd hwnd, const Rect& rect, bool erase) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("invalidateRect(" + num(hwnd) + "," + rectText(rect) + "," +
                      (erase ? "erase" : "noerase") + ")");
    return m_windows.count(hwnd) > 0;
}

bool FakePort::blitSurface(Hwnd hwnd, HSurface surface, Point at) {
    std::lock_guard lock(m_mutex);
    auto it = m_surfaces.find(surface);
    if (it == m_surfaces.end() || !m_windows.count(hwnd)) return false;
    m_blits.push_back(Blit{hwnd, surface, at, it->second.texts, it->second.fills});
    return true;
}

std::vector<FakePort::DrawnText> FakePort::surfaceTexts(HSurface surface) const {
    std::lock_guard lock(m_mutex);
    auto it = m_surfaces.find(surface);
    return it == m_surfaces.end() ? std::vector<DrawnText>{} : it->second.texts;
}

std::vector<FakePort::Blit> FakePort::blits() const {
    std::lock_guard lock(m_mutex);
    return m_blits;
}

std::size_t FakePort::liveSurfaces() const {
    std::lock_guard lock(m_mutex);
    return m_surfaces.size();
}

// --- property sheets ----------------------------------------------------------

Hwnd FakePort::createPage(const PropertyPage& page, Hwnd sheet) {
    Hwnd hwnd;
    {
        std::lock_guard lock(m_mutex);
        hwnd = Hwnd{m_nextHandle++};
        Window w{page.handler, false, 0, {}};
        w.state.visible = true;
        if (const res::DialogTemplate* t = res::findDialogTemplate(page.templateId))
            w.state.rect = Rect{0, 0, t->cx * kFakeDluPixels, t->cy * kFakeDluPixels};
        m_windows[hwnd] = w;
        attachTemplate(hwnd, page.templateId, sheet);
        m_calls.push_back("createPage(" + num(page.templateId) + ")=" + num(hwnd));
    }
    if (page.handler) page.handler->windowProc(hwnd, kWmInitDialog, 0, 0);
    return hwnd;
}

LResult FakePort::propertySheet(std::string_view caption, const std::vector<PropertyPage>& pages,
                                unsigned) {
    Hwnd sheet;
    std::set<int> opens;
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("propertySheet(" + std::string(caption) + ")");
        // The sheet's frame is no window of ours; its handle is the pages'
        // parent and nothing else.
        sheet = Hwnd{m_nextHandle++};
        opens = sheetOpensPages;
    }
    std::vector<Hwnd> windows(pages.size());
    if (!pages.empty()) windows[0] = createPage(pages[0], sheet);
    for (int i : opens)
        if (i > 0 && i < static_cast<int>(pages.size()))
            windows[static_cast<std::size_t>(i)] =
                createPage(pages[static_cast<std::size_t>(i)], sheet);
    if (onSheet) onSheet(*this, windows);
    LResult result;
    {
        std::lock_guard lock(m_mutex);
        result = sheetResult;
    }
    if (result == kIdOk) {
        for (Hwnd w : windows) {
            if (isNull(w)) continue;
            NmHdr hdr{sheet, 0, kPsnApply};
            deliver(w, kWmNotify, 0, reinterpret_cast<LParam>(&hdr));
        }
    }
    for (Hwnd w : windows) {
        if (isNull(w)) continue;
        deliver(w, kWmDestroy, 0, 0);
        std::lock_guard lock(m_mutex);
        m_windows.erase(w);
        detachTemplate(w);
        std::erase_if(m_queue, [&](const Posted& p) { return p.hwnd == w; });
    }
    record("propertySheetEnded=" + std::to_string(result));
    return result;
}

// --- the version resource -----------------------------------------------------

std::optional<std::string> FakePort::getFileVersionInfo(std::string_view file) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("getFileVersionInfo(" + std::string(file) + ")");
    if (versionInfoMissing) return std::nullopt;
    return res::packVersionBlock(versionValues);
}

std::optional<std::string> FakePort::verQueryValue(const std::string& block,
                                                   std::string_view subBlock) {
    record("verQueryValue(" + std::string(subBlock) + ")");
    return res::findInVersionBlock(block, subBlock);
}

} // namespace orbel
