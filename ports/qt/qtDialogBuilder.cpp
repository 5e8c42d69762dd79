// The Qt port's windows from the shared templates: a QDialog (or, for the
// hidden main window and the popup, a plain window) in the template's font,
// every control a Qt widget placed absolutely in pixels converted from
// dialog units, and the user's actions on them turned into the messages the
// core's dialogs expect.
#include "ports/qt/qtPortImpl.h"

#include "res/artwork.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTextCharFormat>
#include <QTextDocument>

namespace orbel::qt {

namespace {

constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsBorder = 0x00800000;
constexpr std::uint32_t kWsHScroll = 0x00100000;
constexpr std::uint32_t kWsGroup = 0x00020000;
constexpr std::uint32_t kBsDefPushButton = 0x0001;
constexpr std::uint32_t kSsNoPrefix = 0x0080;
constexpr std::uint32_t kEsMultiline = 0x0004;
constexpr unsigned kMainWindowTemplate = 102;
constexpr unsigned kBnClicked = 0;
constexpr WParam kMkLButton = 0x0001;
constexpr int kIconSize = 32; // the system's large icon
constexpr int kEditMargin = 2;

WParam command(unsigned code, int id) {
    return (static_cast<WParam>(code) << 16) | (static_cast<WParam>(id) & 0xFFFF);
}

// The area a frame marks for the program's own drawing. Its paint is the
// window's WM_PAINT: the handler copies its surface in through blitSurface
// while the painter is current. The copy covers the area, so nothing is
// erased first (no flicker at 25 redraws a second).
class PaintArea : public QWidget {
public:
    PaintArea(QtPort& port, ControlsState& state, Hwnd hwnd, QWidget* parent)
        : QWidget(parent), m_port(port), m_state(state), m_hwnd(hwnd) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_state.painting = m_hwnd;
        m_state.painter = &painter;
        m_state.paintOrigin = pos() - clientOrigin(parentWidget());
        m_state.blitted = false;
        m_port.deliver(m_hwnd, kWmPaint, 0, 0);
        // Nothing copied in (no surface yet): the dialog's face, not garbage.
        if (!m_state.blitted) painter.fillRect(rect(), palette().color(QPalette::Window));
        m_state.painter = nullptr;
        m_state.painting = Hwnd{};
    }

private:
    QtPort& m_port;
    ControlsState& m_state;
    Hwnd m_hwnd;
};

// A press anywhere on the popup, its labels included (they pass presses on
// to it), is the core's left button down.
class PopupPress : public QObject {
public:
    PopupPress(QtPort& port, Hwnd hwnd, QObject* parent)
        : QObject(parent), m_port(port), m_hwnd(hwnd) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress) {
            const auto* press = static_cast<QMouseEvent*>(e);
            if (press->button() == Qt::LeftButton) {
                const QPoint at =
                    press->position().toPoint() - clientOrigin(static_cast<QWidget*>(watched));
                const auto lParam =
                    static_cast<LParam>((at.y() & 0xFFFF) << 16 | (at.x() & 0xFFFF));
                m_port.postMessage(m_hwnd, kWmLButtonDown, kMkLButton, lParam);
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    QtPort& m_port;
    Hwnd m_hwnd;
};

// A top-level window without a caption (WS_CAPTION is two bits, one of them
// WS_BORDER, so a bordered popup has only one of them).
bool isPopup(const res::DialogTemplate& t) {
    return !(t.style & kWsChild) && (t.style & kWsCaption) != kWsCaption &&
           t.id != kMainWindowTemplate;
}

QWidget* makeWindow(const res::DialogTemplate& t, QWidget* parent) {
    if (t.style & kWsChild) return new QWidget(parent); // a property page
    if (t.id == kMainWindowTemplate) return new QWidget(nullptr);
    if (isPopup(t)) {
        // A popup: it never takes the focus from what the user is doing and
        // shows on top of everything, with a thin border and no frame.
        auto* popup =
            new QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                    Qt::WindowDoesNotAcceptFocus);
        popup->setAttribute(Qt::WA_ShowWithoutActivating);
        if (t.style & kWsBorder) {
            popup->setFrameStyle(QFrame::Box | QFrame::Plain);
            popup->setLineWidth(1);
        }
        return popup;
    }
    auto* dialog = new QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                           Qt::WindowCloseButtonHint);
    return dialog;
}

QWidget* makeCalendar(QtPort& port, Hwnd hwnd, int id, QWidget* parent) {
    auto* calendar = new QCalendarWidget(parent);
    calendar->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setGridVisible(false);
    // Seven days must fit the template's width: the day table's columns may
    // be narrower than Qt's default minimum for the font.
    if (auto* days = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
        days->horizontalHeader()->setMinimumSectionSize(1);
        days->verticalHeader()->setMinimumSectionSize(1);
    }
    // Weekends in the text colour like the other days, as the platform's
    // month calendar shows them.
    QTextCharFormat plain;
    plain.setForeground(calendar->palette().color(QPalette::Text));
    calendar->setWeekdayTextFormat(Qt::Saturday, plain);
    calendar->setWeekdayTextFormat(Qt::Sunday, plain);
    QObject::connect(calendar, &QCalendarWidget::selectionChanged, &port, [&port, hwnd, id] {
        // Delivered at once: the header lives on this stack frame.
        NmHdr header{hwnd, static_cast<std::uintptr_t>(id), kMcnSelChange};
        port.deliver(hwnd, kWmNotify, static_cast<WParam>(id), reinterpret_cast<LParam>(&header));
    });
    return calendar;
}

QString controlText(const res::ControlTemplate& ct) {
    return fromCp932(ct.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

QWidget* QtPort::buildDialog(unsigned templateId, Hwnd hwnd, QtWindow& window, QWidget* parent) {
    const res::DialogTemplate* t = res::findDialogTemplate(templateId);
    if (!t) return nullptr;
    ControlsState& cs = m_impl->controls;
    const QFont font = dialogFont(*t);
    if (!cs.applicationFontSet) {
        // Message boxes, menus and the tooltip show Japanese in the same face.
        QFont app = QApplication::font();
        app.setFamily(font.family());
        QApplication::setFont(app);
        cs.applicationFontSet = true;
    }
    refreshSysColors(cs);

    QWidget* w = makeWindow(*t, parent);
    w->setFont(font);
    w->setWindowTitle(fromCp932(t->caption));
    w->setProperty(kPropHwnd, QVariant::fromValue(static_cast<qulonglong>(hwnd)));
    const HFont fontHandle = addFont(m_impl->icons, font, true);
    w->setProperty(kPropFont, QVariant::fromValue(static_cast<qulonglong>(fontHandle)));

    const DialogUnits du = DialogUnits::of(font);
    const QPoint origin = clientOrigin(w);
    const QSize client(du.x(t->cx), du.y(t->cy));
    const QSize outer = client + QSize(2 * origin.x(), 2 * origin.y());
    if (t->style & kWsChild)
        w->resize(outer);
    else
        w->setFixedSize(outer);

    QButtonGroup* radios = nullptr;
    bool paintAreaMade = false;
    for (const res::ControlTemplate& ct : t->controls) {
        if (ct.groupStart || (ct.style & kWsGroup)) radios = nullptr;
        QRect r = du.rect(ct.x, ct.y, ct.cx, ct.cy).translated(origin);
        const QString text = controlText(ct);
        QWidget* c = nullptr;
        switch (ct.kind) {
        case res::ControlKind::Static: {
            auto* label = new QLabel((ct.style & kSsNoPrefix) ? text : withoutMnemonics(text), w);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            c = label;
            break;
        }
        case res::ControlKind::Icon: {
            auto* label = new QLabel(w);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (ct.iconId != 0) {
                const QImage image = iconToArgb(res::iconResource(ct.iconId, kIconSize));
                if (!image.isNull()) label->setPixmap(QPixmap::fromImage(image));
            }
            c = label;
            break;
        }
        case res::ControlKind::Frame:
            c = new QWidget(w);
            // The first frame marks where the window draws itself.
            if (!paintAreaMade) {
                auto* area = new PaintArea(*this, cs, hwnd, w);
                area->setObjectName(kPaintAreaName);
                area->setGeometry(r);
                paintAreaMade = true;
            }
            break;
        case res::ControlKind::EtchedLine: {
            auto* line = new QFrame(w);
            line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            r.setHeight(std::max(r.height(), 2));
            c = line;
            break;
        }
        case res::ControlKind::GroupBox:
            c = new QGroupBox(text, w);
            break;
        case res::ControlKind::ComboBox: {
            auto* combo = new QComboBox(w);
            // A list popup, which honours the visible item count, in every
            // style: the template's height is the height of the open list.
            combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
            combo->setFont(font);
            const int closed = combo->sizeHint().height();
            const int item = QFontMetrics(font).height() + 2;
            combo->setMaxVisibleItems(std::max(1, (r.height() - closed) / item));
            r.setHeight(closed);
            const int id = ct.id;
            connect(combo, &QComboBox::activated, this, [this, hwnd, id] {
                postMessage(hwnd, kWmCommand, command(kCbnSelChange, id), 0);
            });
            c = combo;
            break;
        }
        case res::ControlKind::Edit:
            if (ct.style & kEsMultiline) {
                auto* edit = new QPlainTextEdit(w);
                edit->setReadOnly(true);
                edit->setLineWrapMode(QPlainTextEdit::NoWrap);
                // A narrow margin, like the platform's edit box; the client
                // rectangle the core measures against leaves it out.
                edit->document()->setDocumentMargin(kEditMargin);
                // Shown only when the core asks (showScrollBar).
                edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                edit->setHorizontalScrollBarPolicy(
                    (ct.style & kWsHScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
                edit->setPlainText(text);
                if (!(ct.style & kWsBorder)) edit->setFrameStyle(QFrame::NoFrame);
                c = edit;
            } else {
                auto* edit = new QLineEdit(text, w);
                edit->setReadOnly(true);
                edit->setFrame((ct.style & kWsBorder) != 0);
                c = edit;
            }
            break;
        case res::ControlKind::PushButton: {
            auto* button = new QPushButton(text, w);
            // Enter is the dialog's IDOK whatever has the focus; the button
            // must not also answer it.
            button->setAutoDefault(false);
            button->setDefault((ct.style & 0x0F) == kBsDefPushButton);
            c = button;
            break;
        }
        case res::ControlKind::CheckBox:
            c = new QCheckBox(text, w);
            break;
        case res::ControlKind::RadioButton: {
            auto* radio = new QRadioButton(text, w);
            if (!radios) radios = new QButtonGroup(w);
            radios->addButton(radio);
            c = radio;
            break;
        }
        case res::ControlKind::MonthCalendar:
            c = makeCalendar(*this, hwnd, ct.id, w);
            break;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(c)) {
            const int id = ct.id;
            connect(button, &QAbstractButton::clicked, this, [this, hwnd, id] {
                postMessage(hwnd, kWmCommand, command(kBnClicked, id), 0);
            });
        }
        c->setGeometry(r);
        c->setProperty(kPropId, ct.id);
        c->setProperty(kPropKind, static_cast<int>(ct.kind));
        c->setProperty(kPropText,
                       QByteArray(ct.text.data(), static_cast<qsizetype>(ct.text.size())));
        c->setProperty(kPropStyle, static_cast<uint>(ct.style));
        c->setProperty(kPropFont, QVariant::fromValue(static_cast<qulonglong>(fontHandle)));
        c->setEnabled(!ct.disabled);
        if (!ct.visible || ct.kind == res::ControlKind::Frame) c->hide();
        // Id -1 (no id) repeats; only the first of an id can be addressed.
        window.controls.emplace(ct.id, c);
    }

    if (isPopup(*t)) w->installEventFilter(new PopupPress(*this, hwnd, w));
    return w;
}

} // namespace orbel::qt
