// The core's dialogs on the Qt port, driven through the real widgets:
// what the core's own tests see on the fake port must also hold when Qt
// lays out, paints, scrolls and delivers the user's actions. Modal runs
// are driven by a timer that acts on the open dialog and then ends it.
// With ORBEL_SCREENSHOT_DIR set, each dialog is also saved as a picture.
#include "tests/qt/qtTestSupport.h"

#include "app/aboutDlg.h"
#include "app/orbelApp.h"
#include "detail/detailDlg.h"
#include "popup/notifydlg.h"
#include "res/stringTable.h"
#include "search/lunarSearchDlg.h"
#include "search/todaySearchDlg.h"
#include "settings/displaySetting.h"
#include "settings/notifySetting.h"
#include "tests/support/tempDir.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>

#include <functional>
#include <memory>

using namespace orbel;
using namespace orbel::qt;
using namespace orbel::qt::test;

namespace {

void shoot(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("ORBEL_SCREENSHOT_DIR");
    if (!dir.isEmpty() && w) w->grab().save(dir + u'/' + QLatin1String(name) + ".png");
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

    TestPort port;
    std::unique_ptr<orbel::test::TempDir> dir;
    std::unique_ptr<COrbelApp> app;
    bool m_ending = false;

    void startApp(const std::string& ini) {
        dir = std::make_unique<orbel::test::TempDir>();
        orbel::test::writeBytes(*dir / "orbel.ini", ini);
        port.moduleFile = (dir->path() / "orbel").string();
        app = std::make_unique<COrbelApp>(port);
        app->initPaths();
        app->loadSettings();
    }
    // Runs a dialog; `script` runs once inside its modal loop. A script that
    // ends the dialog itself says so with ending(); otherwise the dialog is
    // closed after it, and a watchdog ends a run that hangs.
    LResult run(TrayDialog& dlg, const std::function<void(Hwnd)>& script) {
        m_ending = false;
        QTimer::singleShot(0, [&] {
            script(dlg.hwnd());
            if (!m_ending && !isNull(dlg.hwnd())) port.postMessage(dlg.hwnd(), kWmClose, 0, 0);
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&] {
            QTest::qFail("the dialog did not end", __FILE__, __LINE__);
            if (!isNull(dlg.hwnd())) port.postMessage(dlg.hwnd(), kWmClose, 0, 0);
        });
        watchdog.start(20000);
        return dlg.DoModal();
    }
    void ending() { m_ending = true; }
    QStringList resultLines(Hwnd h) {
        return widgetOf<QPlainTextEdit>(port, h, CSearchDlg::kIdcResult)
            ->toPlainText()
            .split(u'\n');
    }
    bool scrollBarShown(Hwnd h) {
        return widgetOf<QPlainTextEdit>(port, h, CSearchDlg::kIdcResult)
                   ->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
    }
    LResult checked(Hwnd page, int id) {
        return port.sendDlgItemMessage(page, id, kBmGetCheck, 0, 0);
    }

private slots:
    void cleanup() {
        app.reset();
        dir.reset();
    }

    void detailWindowRedrawsOnTheTimerThreadAndPaints() {
        startApp("[Settings]\r\ntsmode=2\r\n"); // a redraw every 40 ms
        QCOMPARE(app->setupTimerPeriod(), 0u);
        QCOMPARE(app->startTicker(), 0u);
        CDetailDlg dlg(*app, Hwnd{});
        int paints = 0;
        QImage redrawn;
        const LResult result = run(dlg, [&](Hwnd h) {
            QWidget* w = windowWidget(port, h);
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QCOMPARE(w->windowTitle(), QStringLiteral(u"orbel - 詳細"));
            QVERIFY(!widgetOf<QLabel>(port, h, CDetailDlg::kIdcIcon)->pixmap().isNull());
            auto* area = w->findChild<QWidget*>(QStringLiteral("orbelPaintArea"));
            struct PaintCounter : QObject {
                int& n;
                explicit PaintCounter(int& count) : n(count) {}
                bool eventFilter(QObject*, QEvent* e) override {
                    n += e->type() == QEvent::Paint;
                    return false;
                }
            } counter(paints);
            area->installEventFilter(&counter);
            // Past the first Earth second: the game line and the Earth line
            // are drawn again alone.
            QTest::qWait(1100);
            area->removeEventFilter(&counter);
            app->stopTicker(); // the texts stand still
            QTest::qWait(150);
            // The bold phase line in the strip of 1010, the body below it.
            const QImage image = redrawn = area->grab().toImage();
            const QRgb face = w->palette().color(QPalette::Window).rgb();
            Rect first;
            port.getDlgItemRect(h, CDetailDlg::kIdcFirstLine, first);
            const int split = first.bottom - first.top, width = image.width();
            QVERIFY(inkIn(image, QRect(0, 0, width, split), face) > 50);
            QVERIFY(inkIn(image, QRect(0, split, width, image.height() - split), face) > 200);
            shoot(w, "detail");
        });
        QCOMPARE(result, LResult{kIdCancel}); // the close box
        QVERIFY2(paints >= 4, qPrintable(QString::number(paints)));
        QVERIFY(isNull(dlg.hwnd()));
        // Drawn line by line, the picture is the one drawn whole at once.
        CDetailDlg whole(*app, Hwnd{});
        run(whole, [&](Hwnd h) {
            QVERIFY(QTest::qWaitForWindowExposed(windowWidget(port, h)));
            auto* area =
                windowWidget(port, h)->findChild<QWidget*>(QStringLiteral("orbelPaintArea"));
            QCOMPARE(area->grab().toImage(), redrawn);
        });
        app->endTimerPeriod();
    }

    // The weekday list's key presses are new searches; the choice is kept.
    void lunarSearchSearchesOnChoiceAndKeepsIt() {
        startApp("");
        CLunarSearchDlg dlg(*app);
        dlg.setResultCount(25);
        const LResult result = run(dlg, [&](Hwnd h) {
            QCOMPARE(widgetOf<QLabel>(port, h, 1020)->text(), QStringLiteral(u"月齢 :"));
            QVERIFY(widgetOf(port, h, CSearchDlg::kIdcCalendar)->isHidden());
            QCOMPARE(widgetOf<QComboBox>(port, h, 1013)->itemText(7), QStringLiteral(u"満月"));
            QCOMPARE(widgetOf<QComboBox>(port, h, 1013)->itemData(0).toLongLong(), 12);
            QStringList lines = resultLines(h);
            QCOMPARE(lines.size(), 26); // and the empty line after the last break
            QCOMPARE(lines[0], QStringLiteral(u"2026/12/06(日) 09:57  [光] 満月"));
            QVERIFY(scrollBarShown(h));
            shoot(windowWidget(port, h), "lunarSearch");

            // Two steps down the weekday list: 炎, each a new search.
            auto* weekdays = widgetOf<QComboBox>(port, h, 1014);
            weekdays->setFocus();
            QTest::keyClick(weekdays, Qt::Key_Down);
            QTest::keyClick(weekdays, Qt::Key_Down);
            QCoreApplication::processEvents();
            lines = resultLines(h);
            QCOMPARE(lines.size(), 26);
            for (int i = 0; i < 25; ++i)
                QVERIFY2(lines[i].contains(u"  [炎] "), qPrintable(lines[i]));
            ending();
            port.postMessage(h, kWmCommand, kIdOkCommand, 0);
        });
        QCOMPARE(result, LResult{kIdOk});
        QCOMPARE(app->getSearchInt("dayofweek", -1), 2);
        QCOMPARE(app->getSearchInt("lunarage", -1), 0);
    }

    // Where the edit really puts its last line decides, not a line count.
    void resultBoxShowsItsScrollBarExactlyWhenTheLinesOverflow() {
        startApp("");
        CLunarSearchDlg dlg(*app);
        run(dlg, [&](Hwnd h) {
            auto* edit = widgetOf<QPlainTextEdit>(port, h, CSearchDlg::kIdcResult);
            QVERIFY(QTest::qWaitForWindowExposed(windowWidget(port, h)));
            const int margin = qCeil(edit->document()->documentMargin());
            int firstOverflow = 0;
            std::string text;
            for (int n = 1; n <= 20; ++n) {
                text += "2026/12/06(日) 09:57  [光] 満月\r\n";
                dlg.resultEdit().setText(text);
                QCoreApplication::processEvents();
                // The last line is the empty one after the final break.
                QTextCursor end(edit->document()->lastBlock());
                const int bottom = edit->cursorRect(end).bottom() + 1;
                const bool fits = bottom <= edit->viewport()->height() - margin;
                QVERIFY2(scrollBarShown(h) == !fits,
                         qPrintable(QStringLiteral("%1 lines, bottom %2 of %3")
                                        .arg(n + 1)
                                        .arg(bottom)
                                        .arg(edit->viewport()->height())));
                if (!fits && !firstOverflow) firstOverflow = n;
            }
            QVERIFY(firstOverflow > 3 && firstOverflow < 20);
        });
    }

    // The calendar takes the group box's place; the result box and the
    // window move down by what it is taller.
    void todaySearchPutsTheCalendarInPlaceAndListsThePickedDay() {
        startApp("");
        CTodaySearchDlg dlg(*app);
        dlg.setResultCount(26);
        run(dlg, [&](Hwnd h) {
            QWidget* w = windowWidget(port, h);
            for (int id : {1022, 1013, 1014, 1020, 1021})
                QVERIFY(widgetOf(port, h, id)->isHidden() && !widgetOf(port, h, id)->isEnabled());
            auto* cal = widgetOf<QCalendarWidget>(port, h, 1023);
            QVERIFY(!cal->isHidden() && cal->isEnabled());
            QCOMPARE(cal->firstDayOfWeek(), Qt::Monday);
            QCOMPARE(cal->minimumDate(), QDate(1989, 9, 28));
            const DialogUnits du = DialogUnits::of(w->font());
            const int growth = du.y(90) - du.y(58);
            QCOMPARE(cal->geometry(), QRect(du.x(7), du.y(7), du.x(135), du.y(90)));
            QCOMPARE(widgetOf(port, h, 1015)->geometry().top(), du.y(72) + growth);
            QCOMPARE(w->height(), du.y(180) + growth);

            cal->setSelectedDate(QDate(2027, 1, 1));
            const QStringList lines = resultLines(h);
            QCOMPARE(lines.size(), 29);
            QCOMPARE(lines[0], QStringLiteral(u"2027/01/01(金)"));
            QVERIFY(lines[2].startsWith(u"00:00 ("));
            QVERIFY(scrollBarShown(h));
            shoot(w, "todaySearch");
        });
    }

    // The sheet's tabs make a page's window when it is first shown; only
    // pages the user opened are applied, and every page's window goes with
    // the sheet however it ends.
    void settingsSheetAppliesOnlyThePagesTheUserOpened() {
        startApp("");
        const std::uint32_t given = kNotifyPopupBit | kNotifySoundBit | 0x40;
        enum class End { Ok, Cancel, Outside }; // Outside: the program quitting
        struct Row {
            const char* name;
            bool open; // whether the user shows the second page
            End end;
            LResult result;
            std::uint32_t notification;
            int timeMode;
        };
        const Row rows[] = {
            {"unseen page, OK", false, End::Ok, kIdOk, given, 2}, // the unknown bit too
            {"seen page, OK", true, End::Ok, kIdOk, given | kNotifyCdTrayBit, 2},
            {"cancel", true, End::Cancel, kIdCancel, given, 1},
            {"ended outside", true, End::Outside, kIdCancel, given, 1},
        };
        for (const Row& row : rows) {
            ORBEL_ROW(row.name);
            CSettingDlg sheet(*app);
            CDisplaySetting display(*app);
            CNotifySetting notify(*app);
            sheet.addPage(display);
            sheet.addPage(notify);
            display.set(1, 0, 1, 0);
            notify.setValue(given);
            Hwnd pages[2] = {};
            const LResult result = run(sheet, [&](Hwnd h) {
                QWidget* w = windowWidget(port, h);
                QCOMPARE(w->windowTitle(), fromCp932(res::loadString(res::IDS_SETTINGS_TITLE)));
                auto* tabs = w->findChild<QTabWidget*>();
                QCOMPARE(tabs->count(), 2);
                QCOMPARE(tabs->tabText(1), QStringLiteral(u"お知らせ"));
                pages[0] = display.hwnd();
                QVERIFY(!isNull(pages[0]) && isNull(notify.hwnd()));
                QCOMPARE(port.getParent(pages[0]), h);
                QCOMPARE(checked(pages[0], 1017), LResult{1});
                QVERIFY(widgetOf(port, pages[0], kIdOk)->isHidden());
                click(widgetOf(port, pages[0], 1018));
                if (row.open) {
                    tabs->setCurrentIndex(1);
                    pages[1] = notify.hwnd();
                    QVERIFY(!isNull(pages[1]));
                    QCOMPARE(checked(pages[1], 1028), LResult{1});
                    QCOMPARE(checked(pages[1], 1026), LResult{0});
                    click(widgetOf(port, pages[1], 1026));
                }
                shoot(w, row.open ? "settingsNotify" : "settingsDisplay");
                auto* buttons = w->findChild<QDialogButtonBox*>();
                QVERIFY(!buttons->button(QDialogButtonBox::Apply));
                ending();
                if (row.end == End::Outside)
                    port.endDialog(h, kIdCancel);
                else
                    buttons
                        ->button(row.end == End::Ok ? QDialogButtonBox::Ok
                                                    : QDialogButtonBox::Cancel)
                        ->click();
            });
            for (Hwnd page : pages)
                QVERIFY(isNull(page) || !port.isWindow(page));
            QVERIFY(isNull(display.hwnd()) && isNull(notify.hwnd()));
            int mode = -1;
            display.get(&mode, nullptr, nullptr, nullptr);
            QCOMPARE(result, row.result);
            QCOMPARE(notify.value(), row.notification);
            QCOMPARE(mode, row.timeMode);
        }
    }

    void aboutBoxShowsTheVersionDataOfTheProgram() {
        port.moduleFile.reset(); // the test program itself carries the data
        app = std::make_unique<COrbelApp>(port);
        CAboutDlg dlg(*app, Hwnd{});
        const LResult result = run(dlg, [&](Hwnd h) {
            QCOMPARE(widgetOf<QLabel>(port, h, 1008)->text(),
                     QStringLiteral("orbel Version 1.6.1"));
            QCOMPARE(itemText(port, h, 1009),
                     QStringLiteral("Copyright (C) 2026 the orbel developers"));
            shoot(windowWidget(port, h), "about");
            ending();
            QTest::mouseClick(widgetOf(port, h, 1), Qt::LeftButton);
        });
        QCOMPARE(result, LResult{kIdOk});
    }

    // The popup slides to the corner away from the panel on each edge of
    // the real screen; a click sends it off at once.
    void popupSlidesToTheCornerAwayFromThePanel() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        const int l = screen.left(), t = screen.top(), r = screen.right() + 1,
                  b = screen.bottom() + 1;
        struct Row {
            const char* name;
            Rect panel;
            QPoint (QRect::*corner)() const;
        };
        const Row rows[] = {{"left", {l, t, l + 30, b}, &QRect::bottomRight},
                            {"top", {l, t, r, t + 30}, &QRect::bottomRight},
                            {"right", {r - 30, t, r, b}, &QRect::bottomLeft},
                            {"bottom", {l, b - 30, r, b}, &QRect::topRight}};
        for (const Row& row : rows) {
            ORBEL_ROW(row.name);
            startApp("");
            port.taskbarRect = row.panel;
            CNotifyDlg popup(*app);
            QCOMPARE(popup.showNotification(100, 60000, "満月になりました",
                                            "944/04/01\r\n満月\r\n次は立待月",
                                            app->getIcon(6, true, false)),
                     0);
            QTRY_COMPARE_WITH_TIMEOUT(popup.state(), int{CSlideDlg::kStaying}, 10000);
            QWidget* w = windowWidget(port, popup.hwnd());
            const QRect at = w->frameGeometry();
            QVERIFY(work.contains(at));
            QCOMPARE((at.*row.corner)(), (work.*row.corner)());
            // The offscreen platform activates every window it shows, whatever
            // its flags; a real display shows whether the popup took the focus.
            if (QGuiApplication::platformName() != u"offscreen")
                QVERIFY(QApplication::activeWindow() != w);
            QCOMPARE(widgetOf(port, popup.hwnd(), CNotifyDlg::kIdcTitle)->font().weight(),
                     QFont::Bold);
            QCOMPARE(widgetOf<QLabel>(port, popup.hwnd(), CNotifyDlg::kIdcText)->text(),
                     QStringLiteral(u"944/04/01\n満月\n次は立待月"));
            if (row.panel.top == b - 30) shoot(w, "popup");
            QTest::mouseClick(widgetOf(port, popup.hwnd(), CNotifyDlg::kIdcText), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(popup.state(), int{CSlideDlg::kIdle}, 2000);
            QVERIFY(w->isHidden());
        }
    }
};

QTEST_MAIN(DialogsTest)
#include "qtDialogsTest.moc"
