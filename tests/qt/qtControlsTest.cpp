// The Qt port's controls built from the templates, their messages and the
// user's actions; and the surfaces a window paints itself with, drawn on the
// timer thread and shown on the UI thread.
#include "tests/qt/qtTestSupport.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <atomic>
#include <cmath>
#include <thread>

using namespace orbel;
using namespace orbel::qt;
using namespace orbel::qt::test;

constexpr std::uint32_t kWhite = 0x00FFFFFF;

class ControlsTest : public QObject {
    Q_OBJECT

    TestPort port;
    Recorder handler;
    std::vector<Hwnd> opened; // destroyed after each test
    Hwnd open(unsigned templateId) {
        handler.messages.clear();
        const Hwnd h = port.createDialog(templateId, Hwnd{}, handler);
        if (isNull(h)) qFatal("template %u was not built", templateId);
        return opened.emplace_back(h);
    }
    LResult send(Hwnd h, int id, unsigned msg, WParam w = 0, LParam l = 0) {
        return port.sendDlgItemMessage(h, id, msg, w, l);
    }
    LResult insert(Hwnd h, int id, std::intptr_t at, const char* text) {
        return send(h, id, kCbInsertString, static_cast<WParam>(at),
                    reinterpret_cast<LParam>(text));
    }

    Hwnd dialog{};
    HSurface surface{};
    Rect area;
    QWidget* paintArea() {
        return windowWidget(port, dialog)->findChild<QWidget*>(QStringLiteral("orbelPaintArea"));
    }
    QImage shown() { return paintArea()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QImage drawn(std::string_view text, const Rect& box, bool bold = false) {
        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, kWhite);
        port.drawSurfaceText(surface, text, box, bold);
        port.invalidateRect(dialog, area, false);
        return shown();
    }

private slots:
    void cleanup() {
        handler.onPaint = nullptr;
        if (!isNull(surface)) port.destroySurface(std::exchange(surface, HSurface{}));
        for (Hwnd h : opened)
            port.destroyWindow(h);
        opened.clear();
    }

    void templatesBuildEveryControlInsideTheirWindowInRoundedDialogUnits() {
        const DialogUnits units{7, 17};
        for (int dlu = -8; dlu <= 40; ++dlu) { // halves round away from zero, as MulDiv does
            QCOMPARE(units.x(dlu), int(std::lround(dlu * 7 / 4.0)));
            QCOMPARE(units.y(dlu), int(std::lround(dlu * 17 / 8.0)));
        }
        QCOMPARE(units.rect(7, 7, 20, 20), QRect(12, 15, 35, 43));
        for (unsigned templateId : {100u, 102u, 145u, 149u, 150u, 151u, 152u}) {
            ORBEL_ROW(QString::number(templateId));
            const res::DialogTemplate& t = *res::findDialogTemplate(templateId);
            const Hwnd h = open(templateId);
            QWidget* w = windowWidget(port, h);
            QCOMPARE(w->font().family(), QStringLiteral("Noto Sans CJK JP"));
            QCOMPARE(w->font().pointSize(), t.pointSize);
            QCOMPARE(w->windowTitle(), fromCp932(t.caption));
            const DialogUnits du = DialogUnits::of(w->font());
            const QRect client(0, 0, du.x(t.cx), du.y(t.cy));
            QCOMPARE(w->contentsRect().size(), client.size());
            for (const res::ControlTemplate& ct : t.controls) {
                if (ct.id == -1) continue;
                ORBEL_ROW(QString::number(ct.id));
                QWidget* c = widgetOf(port, h, ct.id);
                Rect r;
                QVERIFY(c && port.getDlgItemRect(h, ct.id, r));
                QCOMPARE(QPoint(r.left, r.top), QPoint(du.x(ct.x), du.y(ct.y)));
                QVERIFY(client.contains(qrect(r)));
                QCOMPARE(!c->isHidden(), ct.visible && ct.kind != res::ControlKind::Frame);
                QCOMPARE(c->isEnabled(), !ct.disabled);
                QCOMPARE(port.getDlgItemText(h, ct.id), std::string(ct.text));
            }
            QVERIFY(port.destroyWindow(h));
        }
    }

    // The bytes as given come back, whatever the control shows of them.
    void eachKindIsItsQtWidgetReportsClicksAndKeepsCp932Bytes() {
        const Hwnd search = open(149);
        QVERIFY(widgetOf<QGroupBox>(port, search, 1022));
        auto* result = widgetOf<QPlainTextEdit>(port, search, 1015);
        QVERIFY(result && result->isReadOnly());
        QCOMPARE(result->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(result->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(qobject_cast<QDialog*>(windowWidget(port, search)));

        const Hwnd about = open(100);
        QVERIFY(widgetOf<QLineEdit>(port, about, 1011)->isReadOnly());
        QVERIFY(!widgetOf<QLabel>(port, about, 1007)->pixmap().isNull()); // icon 128
        QVERIFY(widgetOf<QPushButton>(port, about, 1)->isDefault());

        const Hwnd display = open(150);
        QCOMPARE(widgetOf<QRadioButton>(port, display, 1016)->text(),
                 QStringLiteral(u"標準(&D) (944/03/26（雷） 07:07)"));
        QVERIFY(widgetOf<QCheckBox>(port, display, 1031));
        windowWidget(port, display)->show();
        click(widgetOf(port, display, 1031));
        QCOMPARE(send(display, 1031, kBmGetCheck), LResult{1});
        // A program may check a radio button and take the check away again,
        // leaving the group with none; a click checks exactly one.
        send(display, 1017, kBmSetCheck, 1);
        send(display, 1017, kBmSetCheck, 0);
        for (int id : {1016, 1017, 1018})
            QCOMPARE(send(display, id, kBmGetCheck), LResult{0});
        send(display, 1018, kBmSetCheck, 1);
        click(widgetOf(port, display, 1016));
        QCOMPARE(send(display, 1016, kBmGetCheck), LResult{1});
        QCOMPARE(send(display, 1018, kBmGetCheck), LResult{0});
        click(widgetOf(port, display, 1));
        QCoreApplication::processEvents();
        QCOMPARE(handler.wParams(kWmCommand), (std::vector<WParam>{1031, 1016, 1}));

        QVERIFY(port.setDlgItemText(search, 1020, "R&&D &Lunar&"));
        QCOMPARE(widgetOf<QLabel>(port, search, 1020)->text(), QStringLiteral("R&D Lunar"));
        QCOMPARE(port.getDlgItemText(search, 1020), std::string("R&&D &Lunar&"));

        const std::string text = "表示\\ソ\r\n"; // 95 5C, 8E A6, 5C, 83 5C: trail backslashes
        port.setDlgItemText(search, 1015, text);
        QCOMPARE(port.getDlgItemText(search, 1015), text);
        QCOMPARE(result->toPlainText(), QStringLiteral(u"表示\\ソ\n"));
        QCOMPARE(send(search, 1015, kEmGetLineCount), LResult{2});
        port.setWindowText(search, "日和");
        QCOMPARE(windowWidget(port, search)->windowTitle(), QStringLiteral(u"日和"));
        // Only CR LF breaks a line, as in the platform's edit.
        for (auto [bytes, lines] : {std::pair{"", 1}, {"a\nb\rc", 1}, {"\r\n\r\n", 3}})
            QCOMPARE(editLineCount(bytes), lines);
    }

    void comboBoxAndCalendarAnswerAsThePlatformsAndReportTheUsersChoice() {
        const Hwnd h = open(149);
        auto* combo = widgetOf<QComboBox>(port, h, 1013);
        // The combo box's template height is its open list's.
        QVERIFY(combo && combo->height() < DialogUnits::of(combo->font()).y(173));
        QVERIFY(combo->maxVisibleItems() >= 8);
        QCOMPARE(insert(h, 1013, -1, "b"), LResult{0});
        QCOMPARE(insert(h, 1013, 0, "全ての月齢"), LResult{0});
        // Qt would select the first entry; the list has no selection yet.
        QCOMPARE(send(h, 1013, kCbGetCurSel), kCbErr);
        QCOMPARE(combo->itemText(0), QStringLiteral(u"全ての月齢"));
        QCOMPARE(send(h, 1013, kCbSetCurSel, 1), LResult{1});
        QCOMPARE(insert(h, 1013, 0, "z"), LResult{0});
        QCOMPARE(send(h, 1013, kCbGetCurSel), LResult{2}); // stays on "b"
        QCOMPARE(insert(h, 1013, 4, "x"), kCbErr);
        QCOMPARE(insert(h, 1013, 3, "end"), LResult{3});
        QCOMPARE(send(h, 1013, kCbGetCount), LResult{4});
        for (LParam data : {LParam{0x3F0000}, LParam{-7}, LParam{0x123456789AB}}) {
            QCOMPARE(send(h, 1013, kCbSetItemData, 1, data), LResult{1});
            QCOMPARE(send(h, 1013, kCbGetItemData, 1), data);
        }
        QCOMPARE(send(h, 1013, kCbGetItemData, 4), kCbErr);
        QCOMPARE(send(h, 1013, kCbSetItemData, static_cast<WParam>(-1), 5), kCbErr);
        windowWidget(port, h)->show();
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QCoreApplication::processEvents();
        // The user's choice alone is reported, none of the program's calls.
        QCOMPARE(handler.wParams(kWmCommand), std::vector<WParam>{(kCbnSelChange << 16) | 1013});
        QCOMPARE(send(h, 1013, kCbGetCurSel), LResult{3});
        QCOMPARE(send(h, 1013, kCbSetCurSel, 9), kCbErr);
        QCOMPARE(send(h, 1013, kCbGetCurSel), kCbErr);

        auto* cal = widgetOf<QCalendarWidget>(port, h, 1023);
        QVERIFY(port.monthCalSetRange(h, 1023, 622944000, 4102531199 - 1));
        QCOMPARE(cal->minimumDate(), QDate(1989, 9, 28)); // local (Tokyo) dates
        QCOMPARE(cal->maximumDate(), QDate(2100, 1, 2));
        QVERIFY(port.monthCalSetFirstDayOfWeek(h, 1023, 0));
        QCOMPARE(cal->firstDayOfWeek(), Qt::Monday);
        QVERIFY(port.monthCalSetFirstDayOfWeek(h, 1023, 6));
        QCOMPARE(cal->firstDayOfWeek(), Qt::Sunday);
        QVERIFY(!port.monthCalSetFirstDayOfWeek(h, 1023, 7));
        QVERIFY(port.monthCalSetColor(h, 1023, kMcscMonthBk, 0x00332211));
        QCOMPARE(cal->palette().color(QPalette::Base), QColor(0x11, 0x22, 0x33));
        QVERIFY(port.monthCalSetColor(h, 1023, kMcscTitleBk, 0x00808080));
        auto* bar = cal->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
        QCOMPARE(bar->palette().color(bar->backgroundRole()), QColor(0x80, 0x80, 0x80));
        QVERIFY(!port.monthCalSetColor(h, 1015, kMcscText, 0)); // not a calendar

        // The user's choice arrives at once, its header still alive.
        cal->setSelectedDate(QDate(2027, 1, 1));
        const auto notes = handler.of(kWmNotify);
        QCOMPARE(notes.size(), std::size_t{1});
        QCOMPARE(notes[0].header.code, kMcnSelChange);
        QCOMPARE(notes[0].header.idFrom, std::uintptr_t{1023});
        SystemDate date;
        QVERIFY(port.monthCalGetCurSel(h, 1023, date));
        QCOMPARE(date, (SystemDate{2027, 1, 1}));
    }

    void controlsMoveInClientCoordinatesAndTakeFontsAndIcons() {
        const Hwnd h = open(151); // bordered: client (0,0) is widget (1,1)
        const Qt::WindowFlags f = windowWidget(port, h)->windowFlags();
        QVERIFY(f.testFlag(Qt::Tool) && f.testFlag(Qt::FramelessWindowHint) &&
                f.testFlag(Qt::WindowStaysOnTopHint) && f.testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(windowWidget(port, h)->testAttribute(Qt::WA_ShowWithoutActivating));
        port.setDlgItemText(h, 1024, "A&B\r\nC"); // SS_NOPREFIX
        QCOMPARE(widgetOf<QLabel>(port, h, 1024)->text(), QStringLiteral("A&B\nC"));
        const Rect to{10, 20, 110, 45};
        QVERIFY(port.moveDlgItem(h, 1030, to));
        Rect back;
        QVERIFY(port.getDlgItemRect(h, 1030, back));
        QCOMPARE(back, to);
        QCOMPARE(widgetOf(port, h, 1030)->geometry(), QRect(11, 21, 100, 25));
        QVERIFY(port.showDlgItem(h, 1030, kSwHide));
        QVERIFY(widgetOf(port, h, 1030)->isHidden());
        QVERIFY(port.enableDlgItem(h, 1030, false));
        QVERIFY(!widgetOf(port, h, 1030)->isEnabled());
        QVERIFY(!port.hasDlgItem(h, 4242));
        QVERIFY(!port.showDlgItem(h, 4242, kSwShow));
        QVERIFY(port.moveWindow(h, Rect{100, 50, 500, 200}));
        QCOMPARE(windowWidget(port, h)->geometry(), QRect(100, 50, 400, 150));
        QCOMPARE(port.getParent(h), Hwnd{});

        const Hwnd b = open(151);
        const auto dialogFont = static_cast<HFont>(send(h, 1030, kWmGetFont));
        QCOMPARE(static_cast<HFont>(send(b, 1024, kWmGetFont)), dialogFont);
        const HFont bold = port.createBoldFont(h, 1030);
        send(h, 1030, kWmSetFont, static_cast<WParam>(bold), 1);
        QWidget* title = widgetOf(port, h, 1030);
        QCOMPARE(title->font().weight(), QFont::Bold);
        QCOMPARE(title->font().pointSize(), 8);
        QCOMPARE(static_cast<HFont>(send(h, 1030, kWmGetFont)), bold);
        QCOMPARE(widgetOf(port, h, 1024)->font().weight(), QFont::Normal);
        port.deleteFont(bold);
        port.deleteFont(dialogFont); // the window's own: stays
        // A known font is taken by a control; a deleted one is not.
        send(b, 1024, kWmSetFont, static_cast<WParam>(bold), 1);
        QCOMPARE(static_cast<HFont>(send(b, 1024, kWmGetFont)), dialogFont);
        send(h, 1030, kWmSetFont, static_cast<WParam>(dialogFont), 1);
        QCOMPARE(static_cast<HFont>(send(h, 1030, kWmGetFont)), dialogFont);
        QCOMPARE(title->font().weight(), QFont::Normal);
        QCOMPARE(port.createBoldFont(h, 4242), HFont{});

        gfx::IconImage image{gfx::Bitmap(2, 2), gfx::Bitmap(2, 2)};
        image.color.set(1, 0, gfx::rgb(255, 0, 0));
        image.color.set(1, 1, gfx::rgb(0, 0, 255));
        image.mask.set(0, 0, gfx::kWhite); // black under white: see-through
        image.mask.set(1, 0, gfx::kWhite); // colour under white: shown
        const HIcon icon = port.createIconIndirect(image);
        gfx::IconImage copy;
        QVERIFY(port.getIconInfo(icon, copy));
        QVERIFY(copy == image);
        const QImage argb =
            port.qicon(icon).pixmap(2, 2).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(argb.pixel(0, 0)), 0);
        QCOMPARE(argb.pixel(1, 0), qRgb(255, 0, 0));
        QCOMPARE(argb.pixel(0, 1), qRgb(0, 0, 0));
        QCOMPARE(argb.pixel(1, 1), qRgb(0, 0, 255));

        QCOMPARE(send(h, 1029, kStmSetIcon, static_cast<WParam>(icon)), LResult{0});
        QCOMPARE(widgetOf<QLabel>(port, h, 1029)->pixmap().size(), QSize(2, 2));
        QCOMPARE(send(h, 1029, kStmSetIcon, 0), static_cast<LResult>(icon));
        QVERIFY(widgetOf<QLabel>(port, h, 1029)->pixmap().isNull());

        QVERIFY(port.destroyIcon(icon));
        QVERIFY(!port.getIconInfo(icon, copy));
        QVERIFY(port.qicon(icon).isNull());
        image.mask = gfx::Bitmap(1, 1);
        QCOMPARE(port.createIconIndirect(image), HIcon{});
    }

    void systemColoursOnEveryThreadAndVersionData() {
        const QColor face = QApplication::palette().color(QPalette::Window);
        const std::uint32_t expected = qRgb(face.blue(), face.green(), face.red()) & 0xFFFFFF;
        QCOMPARE(port.getSysColor(kColor3dFace), expected);
        std::uint32_t fromThread = 0;
        std::thread([&] { fromThread = port.getSysColor(kColor3dFace); }).join();
        QCOMPARE(fromThread, expected);
        QVERIFY(port.getSysColor(kColor3dShadow) != expected);

        const std::string block =
            port.getFileVersionInfo(port.getModuleFileName().value_or("")).value_or("");
        QCOMPARE(port.verQueryValue(block, "\\stringfileinfo\\041104B0\\FileVersion"),
                 std::optional<std::string>("1.6.1"));
        QCOMPARE(port.verQueryValue(block, "\\").value_or("").size(), std::size_t{52});
        QVERIFY(!port.getFileVersionInfo("/etc/hostname"));
    }

    // The timer thread paints red, then blue over it, then asks for a
    // repaint: every paint shows blue, never the red in between.
    void surfacePaintsThroughTheHandlerAndNeverShowsAHalfDrawnPicture() {
        dialog = open(145);
        QVERIFY(port.getDlgItemRect(dialog, 1006, area));
        surface = port.createSurface(dialog, area.right - area.left, area.bottom - area.top);
        handler.onPaint = [this](Hwnd h) {
            QVERIFY(port.blitSurface(h, surface, Point{area.left, area.top}));
        };
        const int lineHeight = QFontMetrics(windowWidget(port, dialog)->font()).height();
        QVERIFY(paintArea() && paintArea()->testAttribute(Qt::WA_OpaquePaintEvent));
        QCOMPARE(paintArea()->geometry(), qrect(area));
        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x00FF0000); // blue
        port.invalidateRect(dialog, area, false);
        const QImage image = shown();
        QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), qRgb(0, 0, 255));
        // Outside a paint there is nothing to copy into.
        QVERIFY(!port.blitSurface(dialog, surface, Point{0, 0}));
        QCOMPARE(port.createSurface(Hwnd{0x7777}, 10, 10), HSurface{});
        QCOMPARE(port.createSurface(dialog, 0, 10), HSurface{});
        const HSurface gone = port.createSurface(dialog, 4, 4);
        port.destroySurface(gone);
        QVERIFY(!port.fillSurface(gone, Rect{0, 0, 4, 4}, 0));
        QVERIFY(!port.drawSurfaceText(gone, "x", Rect{0, 0, 4, 4}, false));

        const Rect box{0, 0, 200, 3 * lineHeight};
        const QImage two = drawn("月\r\n月", box);
        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, kWhite);
        port.drawSurfaceText(surface, "月", box, false);
        port.drawSurfaceText(surface, "月", Rect{0, lineHeight, 200, 3 * lineHeight}, false);
        port.invalidateRect(dialog, area, false);
        QCOMPARE(two, shown());
        QVERIFY(inkIn(two, QRect(0, 0, 30, lineHeight)) > 0);
        const QImage one = drawn("月\n月\r月", box);
        QVERIFY(inkIn(one, QRect(0, 0, 200, lineHeight)) > 0);
        QCOMPARE(inkIn(one, QRect(0, lineHeight, 200, 2 * lineHeight)), 0);

        const Rect clip{10, 10, 70, 10 + 2 * lineHeight};
        const QImage clipped = drawn("満月満月満月満月満月満月\r\n満月\r\n満月\r\n満月", clip);
        QVERIFY(inkIn(clipped, qrect(clip)) > 0);
        QCOMPARE(inkIn(clipped, clipped.rect()), inkIn(clipped, qrect(clip)));

        const int regular = inkIn(drawn("満月(6日目)", box, false), qrect(box));
        const int bold = inkIn(drawn("満月(6日目)", box, true), qrect(box));
        QVERIFY2(bold > regular, qPrintable(QStringLiteral("%1 vs %2").arg(bold).arg(regular)));

        windowWidget(port, dialog)->show();
        QVERIFY(QTest::qWaitForWindowExposed(windowWidget(port, dialog)));
        handler.messages.clear();
        bool asked = false;
        std::thread([&] { asked = port.invalidateRect(dialog, area, false); }).join();
        QVERIFY(asked);
        QTRY_VERIFY(!handler.of(kWmPaint).empty());
        QVERIFY(!port.invalidateRect(Hwnd{0x7777}, area, false));

        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x00FF0000);
        port.invalidateRect(dialog, area, false);
        std::atomic<bool> stop{false};
        std::thread drawer([&] {
            while (!stop) {
                port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x000000FF);
                port.drawSurfaceText(surface, "満月", Rect{0, 0, 100, 40}, true);
                port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x00FF0000);
                port.invalidateRect(dialog, area, false);
            }
        });
        bool allBlue = true;
        for (int i = 0; i < 200; ++i) {
            QCoreApplication::processEvents();
            const QImage image = shown();
            allBlue = allBlue && image.pixel(5, 5) == qRgb(0, 0, 255) &&
                      image.pixel(40, 20) == qRgb(0, 0, 255);
        }
        stop = true;
        drawer.join();
        QVERIFY(allBlue);
    }
};

QTEST_MAIN(ControlsTest)
#include "qtControlsTest.moc"
