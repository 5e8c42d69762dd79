// The Qt port's controls: the texts, messages, places and states of the
// widgets built from the templates, the month calendar, and the system
// colours. Every operation runs on the UI thread (callers elsewhere are
// handed over), except getSysColor, which the detail window's redraw also
// asks on the timer thread.
#include "ports/qt/qtPortImpl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>

#include <ctime>

namespace orbel::qt {

namespace {

constexpr std::uint32_t kSsNoPrefix = 0x0080;
constexpr LResult kBstChecked = 1;

QString cjkFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        const QString preferred = QStringLiteral("Noto Sans CJK JP");
        if (families.contains(preferred)) return preferred;
        for (const QString& f : QFontDatabase::families(QFontDatabase::Japanese))
            if (!QFontDatabase::isPrivateFamily(f)) return f;
        return QApplication::font().family();
    }();
    return family;
}

std::uint32_t colorRef(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
           static_cast<std::uint32_t>(c.blue()) << 16;
}

QColor fromColorRef(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

// Shows a text the way the control of its kind does; the bytes as given
// stay on the widget for getDlgItemText.
void showText(QWidget* c, std::string_view cp932) {
    c->setProperty(kPropText, QByteArray(cp932.data(), static_cast<qsizetype>(cp932.size())));
    const QString text = fromCp932(cp932).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (auto* label = qobject_cast<QLabel*>(c)) {
        if (c->property(kPropKind).toInt() == static_cast<int>(res::ControlKind::Icon)) return;
        const bool noPrefix = c->property(kPropStyle).toUInt() & kSsNoPrefix;
        label->setText(noPrefix ? text : withoutMnemonics(text));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(c)) {
        plain->setPlainText(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(c)) {
        line->setText(text);
        line->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(c)) {
        group->setTitle(text);
    }
}

// BM_SETCHECK sets one button; unchecking the checked radio button of a
// group must not be refused the way a click on it would be.
void setChecked(QAbstractButton* button, bool checked) {
    QButtonGroup* group = button->group();
    const bool exclusive = group && group->exclusive();
    if (exclusive && !checked) group->setExclusive(false);
    button->setChecked(checked);
    if (exclusive && !checked) group->setExclusive(true);
}

LResult comboMessage(QComboBox* combo, unsigned msg, WParam wParam, LParam lParam) {
    const int count = combo->count();
    const auto index = static_cast<std::intptr_t>(wParam);
    const bool inRange = index >= 0 && index < count;
    switch (msg) {
    case kCbInsertString: {
        if (index != -1 && (index < 0 || index > count)) return kCbErr;
        const int at = index == -1 ? count : static_cast<int>(index);
        const char* text = reinterpret_cast<const char*>(lParam);
        const QSignalBlocker quiet(combo);
        // Qt selects the first entry of an empty list; the platform's list
        // stays without a selection until one is set.
        const bool none = combo->currentIndex() < 0;
        combo->insertItem(at, fromCp932(text ? text : ""));
        if (none) combo->setCurrentIndex(-1);
        return at;
    }
    case kCbSetItemData:
        if (!inRange) return kCbErr;
        combo->setItemData(static_cast<int>(index),
                           QVariant::fromValue(static_cast<qlonglong>(lParam)), Qt::UserRole);
        return 1;
    case kCbGetItemData:
        if (!inRange) return kCbErr;
        return static_cast<LResult>(
            combo->itemData(static_cast<int>(index), Qt::UserRole).toLongLong());
    case kCbGetCurSel:
        return combo->currentIndex() < 0 ? kCbErr : combo->currentIndex();
    case kCbSetCurSel: {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(inRange ? static_cast<int>(index) : -1);
        return inRange ? index : kCbErr;
    }
    case kCbGetCount:
        return count;
    default:
        return 0;
    }
}

QCalendarWidget* calendarOf(QtPort& port, Hwnd dialog, int controlId) {
    return qobject_cast<QCalendarWidget*>(findControl(port, dialog, controlId));
}

QDate localDate(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int layoutLineHeight(const QFont& font) {
    QTextLayout layout(QStringLiteral(" "), font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(true);
    layout.endLayout();
    return qCeil(line.height());
}

Rect toRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}
QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

} // namespace

// --- helpers shared with the builder and the surfaces -------------------------

DialogUnits DialogUnits::of(const QFont& font) {
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogUnits{(letters + 26) / 52, fm.height()};
}

int DialogUnits::x(int dlu) const {
    const long long p = static_cast<long long>(dlu) * baseX;
    return static_cast<int>((p >= 0 ? p + 2 : p - 2) / 4);
}

int DialogUnits::y(int dlu) const {
    const long long p = static_cast<long long>(dlu) * baseY;
    return static_cast<int>((p >= 0 ? p + 4 : p - 4) / 8);
}

QRect DialogUnits::rect(int left, int top, int cx, int cy) const {
    return QRect(x(left), y(top), x(cx), y(cy));
}

QString dialogFamily(std::string_view cp932Face) {
    const QString face = fromCp932(cp932Face);
    if (face == u"MS UI Gothic" || face == u"ＭＳ Ｐゴシック" || face == u"ＭＳ ゴシック")
        return cjkFamily();
    return face;
}

QFont dialogFont(const res::DialogTemplate& t) {
    QFont font(dialogFamily(t.fontFace));
    font.setPointSize(t.pointSize);
    return font;
}

QString withoutMnemonics(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            out += u'&';
            ++i;
        }
    }
    return out;
}

int editLineCount(std::string_view cp932) {
    int lines = 1;
    for (std::size_t at = cp932.find("\r\n"); at != std::string_view::npos;
         at = cp932.find("\r\n", at + 2))
        ++lines;
    return lines;
}

QWidget* findControl(QtPort& port, Hwnd dialog, int controlId) {
    QtWindow* w = port.window(dialog);
    if (!w) return nullptr;
    const auto it = w->controls.find(controlId);
    return it == w->controls.end() ? nullptr : it->second.data();
}

QPoint clientOrigin(const QWidget* dialog) {
    return dialog ? dialog->contentsRect().topLeft() : QPoint();
}

void refreshSysColors(ControlsState& state) {
    const QPalette palette = QApplication::palette();
    state.face = colorRef(palette.color(QPalette::Window));
    state.windowText = colorRef(palette.color(QPalette::WindowText));
    state.shadow = colorRef(palette.color(QPalette::Dark));
}

// --- texts and control messages -----------------------------------------------

bool QtPort::setWindowText(Hwnd hwnd, std::string_view text) {
    bool ok = false;
    runOnUiThread([&] {
        QtWindow* w = window(hwnd);
        if (!w || !w->widget) return;
        w->widget->setWindowTitle(fromCp932(text));
        ok = true;
    });
    return ok;
}

bool QtPort::setDlgItemText(Hwnd dialog, int controlId, std::string_view text) {
    bool ok = false;
    runOnUiThread([&] {
        if (QWidget* c = findControl(*this, dialog, controlId)) {
            showText(c, text);
            ok = true;
        }
    });
    return ok;
}

std::string QtPort::getDlgItemText(Hwnd dialog, int controlId) {
    std::string text;
    runOnUiThread([&] {
        if (QWidget* c = findControl(*this, dialog, controlId))
            text = c->property(kPropText).toByteArray().toStdString();
    });
    return text;
}

LResult QtPort::sendDlgItemMessage(Hwnd dialog, int controlId, unsigned msg, WParam wParam,
                                   LParam lParam) {
    LResult result = 0;
    runOnUiThread([&] {
        QWidget* c = findControl(*this, dialog, controlId);
        if (!c) return;
        if (auto* combo = qobject_cast<QComboBox*>(c)) {
            if (msg >= kCbGetCount && msg <= kCbSetItemData) {
                result = comboMessage(combo, msg, wParam, lParam);
                return;
            }
        }
        switch (msg) {
        case kWmSetText:
            showText(c, lParam ? reinterpret_cast<const char*>(lParam) : "");
            result = 1;
            break;
        case kBmGetCheck:
            if (auto* button = qobject_cast<QAbstractButton*>(c))
                result = button->isChecked() ? kBstChecked : 0;
            break;
        case kBmSetCheck:
            if (auto* button = qobject_cast<QAbstractButton*>(c))
                setChecked(button, static_cast<LResult>(wParam) == kBstChecked);
            break;
        case kEmGetLineCount:
            result = editLineCount(c->property(kPropText).toByteArray().toStdString());
            break;
        case kStmSetIcon: {
            auto* label = qobject_cast<QLabel*>(c);
            if (!label) break;
            const auto icon = static_cast<HIcon>(wParam);
            result = static_cast<LResult>(c->property(kPropIcon).toULongLong());
            c->setProperty(kPropIcon, QVariant::fromValue(static_cast<qulonglong>(icon)));
            QImage image;
            {
                std::lock_guard lock(m_impl->icons.mutex);
                const auto it = m_impl->icons.icons.find(icon);
                if (it != m_impl->icons.icons.end()) image = it->second.argb;
            }
            if (image.isNull())
                label->clear();
            else
                label->setPixmap(QPixmap::fromImage(image));
            break;
        }
        case kWmSetFont:
            if (const std::optional<QFont> font =
                    findFont(m_impl->icons, static_cast<HFont>(wParam))) {
                c->setFont(*font);
                c->setProperty(kPropFont, QVariant::fromValue(static_cast<qulonglong>(wParam)));
            }
            break;
        case kWmGetFont:
            result = static_cast<LResult>(c->property(kPropFont).toULongLong());
            break;
        default:
            break;
        }
    });
    return result;
}

// --- places and states ----------------------------------------------------------

bool QtPort::hasDlgItem(Hwnd dialog, int controlId) {
    bool found = false;
    runOnUiThread([&] { found = findControl(*this, dialog, controlId) != nullptr; });
    return found;
}

bool QtPort::showDlgItem(Hwnd dialog, int controlId, unsigned command) {
    bool ok = false;
    runOnUiThread([&] {
        QWidget* c = findControl(*this, dialog, controlId);
        if (!c) return;
        // Frames only mark a rectangle; they never show.
        const bool frame =
            c->property(kPropKind).toInt() == static_cast<int>(res::ControlKind::Frame);
        c->setVisible(command != kSwHide && !frame);
        ok = true;
    });
    return ok;
}

bool QtPort::enableDlgItem(Hwnd dialog, int controlId, bool enable) {
    bool ok = false;
    runOnUiThread([&] {
        if (QWidget* c = findControl(*this, dialog, controlId)) {
            c->setEnabled(enable);
            ok = true;
        }
    });
    return ok;
}

bool QtPort::getDlgItemRect(Hwnd dialog, int controlId, Rect& rect) {
    bool ok = false;
    runOnUiThread([&] {
        QWidget* c = findControl(*this, dialog, controlId);
        if (!c) return;
        rect = toRect(c->geometry().translated(-clientOrigin(c->parentWidget())));
        ok = true;
    });
    return ok;
}

bool QtPort::moveDlgItem(Hwnd dialog, int controlId, const Rect& rect) {
    bool ok = false;
    runOnUiThread([&] {
        QWidget* c = findControl(*this, dialog, controlId);
        if (!c) return;
        c->setGeometry(toQRect(rect).translated(clientOrigin(c->parentWidget())));
        ok = true;
    });
    return ok;
}

bool QtPort::moveWindow(Hwnd hwnd, const Rect& rect) {
    bool ok = false;
    runOnUiThread([&] {
        QtWindow* win = window(hwnd);
        if (!win || !win->widget) return;
        QWidget* w = win->widget;
        if (!w->isWindow()) {
            w->setGeometry(toQRect(rect).translated(clientOrigin(w->parentWidget())));
            ok = true;
            return;
        }
        // The rectangle includes the frame the window manager adds; the
        // widget's size is its inside.
        const QSize frame = w->frameGeometry().size() - w->geometry().size();
        const QSize inside = toQRect(rect).size() - frame;
        if (w->minimumSize() == w->maximumSize())
            w->setFixedSize(inside);
        else
            w->resize(inside);
        w->move(rect.left, rect.top);
        ok = true;
    });
    return ok;
}

Hwnd QtPort::getParent(Hwnd hwnd) {
    std::lock_guard lock(m_impl->windows.mutex);
    const auto it = m_impl->windows.windows.find(hwnd);
    return it == m_impl->windows.windows.end() ? Hwnd{} : it->second.parent;
}

std::uint32_t QtPort::getSysColor(int index) {
    ControlsState& s = m_impl->controls;
    if (onUiThread()) refreshSysColors(s);
    // The classic scheme until the UI thread has read the palette.
    auto pick = [](std::int64_t value, std::uint32_t classic) {
        return value < 0 ? classic : static_cast<std::uint32_t>(value);
    };
    switch (index) {
    case kColor3dFace:
        return pick(s.face, 0x00C0C0C0);
    case kColor3dShadow:
        return pick(s.shadow, 0x00808080);
    case kColorWindowText:
        return pick(s.windowText, 0x00000000);
    default:
        return 0;
    }
}

// --- the month calendar -----------------------------------------------------------

bool QtPort::monthCalGetCurSel(Hwnd dialog, int controlId, SystemDate& date) {
    bool ok = false;
    runOnUiThread([&] {
        QCalendarWidget* cal = calendarOf(*this, dialog, controlId);
        if (!cal || !cal->selectedDate().isValid()) return;
        const QDate d = cal->selectedDate();
        date = SystemDate{d.year(), d.month(), d.day()};
        ok = true;
    });
    return ok;
}

bool QtPort::monthCalSetRange(Hwnd dialog, int controlId, std::time_t min, std::time_t max) {
    bool ok = false;
    runOnUiThread([&] {
        QCalendarWidget* cal = calendarOf(*this, dialog, controlId);
        if (!cal) return;
        // Not the user's choice: a selection moved into the range is no
        // selection change for the dialog.
        const QSignalBlocker quiet(cal);
        cal->setDateRange(localDate(min), localDate(max));
        ok = true;
    });
    return ok;
}

bool QtPort::monthCalSetFirstDayOfWeek(Hwnd dialog, int controlId, int day) {
    bool ok = false;
    runOnUiThread([&] {
        QCalendarWidget* cal = calendarOf(*this, dialog, controlId);
        if (!cal || day < 0 || day > 6) return;
        // 0 is Monday here, 1 in Qt.
        cal->setFirstDayOfWeek(static_cast<Qt::DayOfWeek>(day + 1));
        ok = true;
    });
    return ok;
}

bool QtPort::monthCalSetColor(Hwnd dialog, int controlId, int part, std::uint32_t color) {
    bool ok = false;
    runOnUiThread([&] {
        QCalendarWidget* cal = calendarOf(*this, dialog, controlId);
        if (!cal) return;
        const QColor c = fromColorRef(color);
        QPalette palette = cal->palette();
        QWidget* title = cal->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
        switch (part) {
        case kMcscBackground:
            palette.setColor(QPalette::Window, c);
            break;
        case kMcscMonthBk:
            palette.setColor(QPalette::Base, c);
            palette.setColor(QPalette::AlternateBase, c);
            break;
        case kMcscText: {
            // Not the disabled group: the neighbouring months' days are drawn
            // with it and keep their own colour.
            palette.setColor(QPalette::Active, QPalette::Text, c);
            palette.setColor(QPalette::Inactive, QPalette::Text, c);
            QTextCharFormat format;
            format.setForeground(c);
            cal->setWeekdayTextFormat(Qt::Saturday, format);
            cal->setWeekdayTextFormat(Qt::Sunday, format);
            break;
        }
        case kMcscTitleBk:
        case kMcscTitleText:
            if (!title) return;
            {
                QPalette bar = title->palette();
                const bool background = part == kMcscTitleBk;
                static constexpr QPalette::ColorRole kBackground[] = {
                    QPalette::Highlight, QPalette::Window, QPalette::Button};
                static constexpr QPalette::ColorRole kText[] = {
                    QPalette::HighlightedText, QPalette::WindowText, QPalette::ButtonText};
                for (QPalette::ColorRole role : background ? kBackground : kText)
                    bar.setColor(role, c);
                title->setPalette(bar);
            }
            ok = true;
            return;
        default:
            return;
        }
        cal->setPalette(palette);
        ok = true;
    });
    return ok;
}

// --- the result box -----------------------------------------------------------------

std::optional<int> QtPort::getTextLineHeight(Hwnd dialog, int controlId) {
    std::optional<int> height;
    runOnUiThread([&] {
        QWidget* c = findControl(*this, dialog, controlId);
        if (!c) return;
        // A text box's lines lie as far apart as its layout puts them, which
        // is the font's height rounded up, not down.
        height = qobject_cast<QPlainTextEdit*>(c) ? layoutLineHeight(c->font())
                                                  : QFontMetrics(c->font()).height();
    });
    return height;
}

bool QtPort::getDlgItemClientRect(Hwnd dialog, int controlId, Rect& rect) {
    bool ok = false;
    runOnUiThread([&] {
        QWidget* c = findControl(*this, dialog, controlId);
        if (!c) return;
        QRect inside = c->contentsRect();
        if (auto* area = qobject_cast<QAbstractScrollArea*>(c)) {
            // Worked out here rather than read from the viewport, whose
            // geometry waits for the first show.
            if (area->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
                inside.setWidth(inside.width() - area->verticalScrollBar()->sizeHint().width());
        }
        // The text's margin is no room for lines.
        if (auto* edit = qobject_cast<QPlainTextEdit*>(c)) {
            const int margin = qCeil(edit->document()->documentMargin());
            inside.adjust(0, 0, -2 * margin, -2 * margin);
        }
        rect = Rect{0, 0, std::max(0, inside.width()), std::max(0, inside.height())};
        ok = true;
    });
    return ok;
}

bool QtPort::showScrollBar(Hwnd dialog, int controlId, bool show) {
    bool ok = false;
    runOnUiThread([&] {
        QWidget* c = findControl(*this, dialog, controlId);
        if (!c) return;
        if (auto* area = qobject_cast<QAbstractScrollArea*>(c))
            area->setVerticalScrollBarPolicy(show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        ok = true;
    });
    return ok;
}

} // namespace orbel::qt
