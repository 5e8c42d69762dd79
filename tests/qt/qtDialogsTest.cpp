// Every dialog of the core on the Qt port, driven the way a user drives it:
// the detail window redrawn from the timer thread and painted, the three
// search dialogs' lists, calendar, result texts and scroll bar, the
// settings sheet's pages and bit rules, the About box's version lines, and
// the popup's place at each edge of the screen. Modal runs are driven by a
// timer that acts on the open dialog and then ends it. With
// ORBEL_SCREENSHOT_DIR set, each dialog is also saved as a picture.
#include "tests/qt/qtTestSupport.h"

#include "app/aboutDlg.h"
#include "app/orbelApp.h"
#include "detail/detailDlg.h"
#include "popup/notifydlg.h"
#include "res/stringTable.h"
#include "search/ballistaSearchDlg.h"
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
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <functional>
#include <memory>

using namespace orbel;
using namespace orbel::qt;
using namespace orbel::qt::test;

namespace {

QStringList resultLines(QtPort& port, Hwnd h) {
    return widgetOf<QPlainTextEdit>(port, h, CSearchDlg::kIdcResult)->toPlainText().split(u'\n');
}

void shoot(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("ORBEL_SCREENSHOT_DIR");
    if (dir.isEmpty() || !w) return;
    w->grab().save(dir + u'/' + QLatin1String(name) + QStringLiteral(".png"));
}

// A button's box, which answers wherever its text may end.
void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
}

int inkIn(const QImage& image, const QRect& area, QRgb background) {
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) ++ink;
    return ink;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private:
    TestPort port;
    std::unique_ptr<orbel::test::TempDir> dir;
    std::unique_ptr<COrbelApp> app;

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
        const LResult result = dlg.DoModal();
        watchdog.stop();
        return result;
    }
    void ending() { m_ending = true; }
    bool m_ending = false;

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
                    if (e->type() == QEvent::Paint) ++n;
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
            const int split = first.bottom - first.top;
            QVERIFY(inkIn(image, QRect(0, 0, image.width(), split), face) > 50);
            QVERIFY(inkIn(image, QRect(0, split, image.width(), image.height() - split), face) >
                    200);
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

    void lunarSearchListsSearchesOnChoiceAndKeepsIt() {
        startApp("");
        CLunarSearchDlg dlg(*app);
        dlg.setResultCount(25);
        const LResult result = run(dlg, [&](Hwnd h) {
            QCOMPARE(windowWidget(port, h)->windowTitle(),
                     QStringLiteral(u"orbel - 日和サーチ : 月齢/曜日"));
            QCOMPARE(widgetOf<QLabel>(port, h, 1020)->text(), QStringLiteral(u"月齢 :"));
            QVERIFY(widgetOf(port, h, CSearchDlg::kIdcCalendar)->isHidden());
            auto* phases = widgetOf<QComboBox>(port, h, 1013);
            auto* weekdays = widgetOf<QComboBox>(port, h, 1014);
            QCOMPARE(phases->count(), 13);
            QCOMPARE(phases->itemText(0), QStringLiteral(u"全ての月齢"));
            QCOMPARE(phases->itemText(7), QStringLiteral(u"満月"));
            QCOMPARE(phases->itemData(0).toLongLong(), 12);
            QCOMPARE(weekdays->count(), 9);
            QCOMPARE(weekdays->currentIndex(), 0);
            QStringList lines = resultLines(port, h);
            QCOMPARE(lines.size(), 26); // and the empty line after the last break
            QCOMPARE(lines[0], QStringLiteral(u"2026/12/06(日) 09:57  [光] 満月"));
            QCOMPARE(lines[24], QStringLiteral(u"2026/12/07(月) 09:00  [光] 下弦"));
            auto* edit = widgetOf<QPlainTextEdit>(port, h, CSearchDlg::kIdcResult);
            QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            shoot(windowWidget(port, h), "lunarSearch");

            // Two steps down the weekday list: 炎, each a new search.
            weekdays->setFocus();
            QTest::keyClick(weekdays, Qt::Key_Down);
            QTest::keyClick(weekdays, Qt::Key_Down);
            QCoreApplication::processEvents();
            lines = resultLines(port, h);
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

    void resultBoxShowsItsScrollBarExactlyWhenTheLinesOverflow() {
        startApp("");
        CLunarSearchDlg dlg(*app);
        run(dlg, [&](Hwnd h) {
            auto* edit = widgetOf<QPlainTextEdit>(port, h, CSearchDlg::kIdcResult);
            QVERIFY(QTest::qWaitForWindowExposed(windowWidget(port, h)));
            const int margin = qCeil(edit->document()->documentMargin());
            int firstOverflow = 0;
            for (int n = 1; n <= 20; ++n) {
                std::string text;
                for (int i = 0; i < n; ++i)
                    text += "2026/12/06(日) 09:57  [光] 満月\r\n";
                dlg.resultEdit().setText(text);
                QCoreApplication::processEvents();
                // Where the edit really puts its last line, the empty one
                // after the final break.
                QTextCursor end(edit->document()->lastBlock());
                const int bottom = edit->cursorRect(end).bottom() + 1;
                const bool fits = bottom <= edit->viewport()->height() - margin;
                const bool shown = edit->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
                QVERIFY2(shown == !fits, qPrintable(QStringLiteral("%1 lines, bottom %2 of %3")
                                                        .arg(n + 1)
                                                        .arg(bottom)
                                                        .arg(edit->viewport()->height())));
                if (shown && !firstOverflow) firstOverflow = n;
            }
            // The box holds some lines and not all twenty.
            QVERIFY(firstOverflow > 3 && firstOverflow < 20);
        });
    }

    void ballistaSearchStartsFromTheStoredPositions() {
        startApp("[Search]\r\nballistacard=4\r\nballistalevel=1\r\n");
        CBallistaSearchDlg dlg(*app);
        dlg.setResultCount(8);
        run(dlg, [&](Hwnd h) {
            QCOMPARE(windowWidget(port, h)->windowTitle(),
                     QStringLiteral(u"orbel - 日和サーチ : バリスタ"));
            auto* cards = widgetOf<QComboBox>(port, h, 1013);
            QCOMPARE(cards->currentIndex(), 4);
            QCOMPARE(cards->currentText(), QStringLiteral(u"ケルドア vs ミラッハ"));
            QCOMPARE(widgetOf<QComboBox>(port, h, 1014)->currentIndex(), 1);
            QCOMPARE(resultLines(port, h)[0],
                     QStringLiteral(u"12/07(月) 13:48  ケ vs ミ [30/メ] (05/06)"));
            // Eight lines fit the box: no scroll bar.
            QCOMPARE(widgetOf<QPlainTextEdit>(port, h, 1015)->verticalScrollBarPolicy(),
                     Qt::ScrollBarAlwaysOff);
            shoot(windowWidget(port, h), "ballistaSearch");
        });
    }

    void todaySearchPutsTheCalendarInPlaceAndListsThePickedDay() {
        startApp("");
        CTodaySearchDlg dlg(*app);
        dlg.setResultCount(26);
        run(dlg, [&](Hwnd h) {
            QWidget* w = windowWidget(port, h);
            QCOMPARE(w->windowTitle(), QStringLiteral(u"orbel - 日和サーチ : 今日は何の日?"));
            for (int id : {1022, 1013, 1014, 1020, 1021})
                QVERIFY(widgetOf(port, h, id)->isHidden() && !widgetOf(port, h, id)->isEnabled());
            auto* cal = widgetOf<QCalendarWidget>(port, h, 1023);
            QVERIFY(!cal->isHidden() && cal->isEnabled());
            QCOMPARE(cal->firstDayOfWeek(), Qt::Monday);
            QCOMPARE(cal->minimumDate(), QDate(1989, 9, 28));

            // The calendar takes the group box's place; the result box and
            // the window move down by what it is taller.
            const DialogUnits du = DialogUnits::of(w->font());
            const int growth = du.y(90) - du.y(58);
            QCOMPARE(cal->geometry(), QRect(du.x(7), du.y(7), du.x(135), du.y(90)));
            QCOMPARE(widgetOf(port, h, 1015)->geometry().top(), du.y(72) + growth);
            QCOMPARE(w->height(), du.y(180) + growth);

            cal->setSelectedDate(QDate(2027, 1, 1));
            const QStringList lines = resultLines(port, h);
            QCOMPARE(lines.size(), 29);
            QCOMPARE(lines[0], QStringLiteral(u"2027/01/01(金)"));
            QCOMPARE(lines[1], QStringLiteral(u"---------------"));
            QVERIFY(lines[2].startsWith(u"00:00 ("));
            QCOMPARE(widgetOf<QPlainTextEdit>(port, h, 1015)->verticalScrollBarPolicy(),
                     Qt::ScrollBarAlwaysOn);
            shoot(w, "todaySearch");
        });
    }

    void settingsSheetAppliesOnlyThePagesTheUserOpened() {
        startApp("");
        const std::uint32_t given = kNotifyPopupBit | kNotifySoundBit | 0x40;
        struct Outcome {
            LResult result;
            std::uint32_t notification;
            int timeMode;
        };
        // open: whether the user shows the second page; then OK or Cancel,
        // or the sheet's window ended from outside (the program quitting).
        enum class End { Ok, Cancel, Outside };
        auto sheetRun = [&](bool open, End end, Outcome& out) {
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
                QCOMPARE(tabs->tabText(0), QStringLiteral(u"表示"));
                QCOMPARE(tabs->tabText(1), QStringLiteral(u"お知らせ"));
                pages[0] = display.hwnd();
                QVERIFY(!isNull(pages[0]));
                QVERIFY(isNull(notify.hwnd())); // made when first shown
                QCOMPARE(port.getParent(pages[0]), h);
                QCOMPARE(port.sendDlgItemMessage(pages[0], 1017, kBmGetCheck, 0, 0), LResult{1});
                QCOMPARE(port.sendDlgItemMessage(pages[0], 1031, kBmGetCheck, 0, 0), LResult{1});
                QVERIFY(widgetOf(port, pages[0], kIdOk)->isHidden());
                click(widgetOf(port, pages[0], 1018));
                if (open) {
                    tabs->setCurrentIndex(1);
                    pages[1] = notify.hwnd();
                    QVERIFY(!isNull(pages[1]));
                    QCOMPARE(port.sendDlgItemMessage(pages[1], 1028, kBmGetCheck, 0, 0),
                             LResult{1});
                    QCOMPARE(port.sendDlgItemMessage(pages[1], 1027, kBmGetCheck, 0, 0),
                             LResult{1});
                    QCOMPARE(port.sendDlgItemMessage(pages[1], 1026, kBmGetCheck, 0, 0),
                             LResult{0});
                    click(widgetOf(port, pages[1], 1026));
                    shoot(w, "settingsNotify");
                } else {
                    shoot(w, "settingsDisplay");
                }
                auto* buttons = w->findChild<QDialogButtonBox*>();
                QVERIFY(!buttons->button(QDialogButtonBox::Apply));
                ending();
                if (end == End::Outside)
                    port.endDialog(h, kIdCancel);
                else
                    buttons
                        ->button(end == End::Ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                        ->click();
            });
            // Every page's window is gone with the sheet.
            for (Hwnd page : pages)
                QVERIFY(isNull(page) || !port.isWindow(page));
            QVERIFY(isNull(display.hwnd()) && isNull(notify.hwnd()));
            int mode = -1;
            display.get(&mode, nullptr, nullptr, nullptr);
            out = Outcome{result, notify.value(), mode};
        };

        Outcome unseen{}, seen{}, cancelled{};
        sheetRun(false, End::Ok, unseen);
        QCOMPARE(unseen.result, LResult{kIdOk});
        QCOMPARE(unseen.notification, given); // every bit, the unknown one too
        QCOMPARE(unseen.timeMode, 2);

        sheetRun(true, End::Ok, seen);
        QCOMPARE(seen.result, LResult{kIdOk});
        // The page changes its own boxes' bits only (the CD tray here).
        QCOMPARE(seen.notification, given | kNotifyCdTrayBit);

        for (End end : {End::Cancel, End::Outside}) {
            sheetRun(true, end, cancelled);
            QCOMPARE(cancelled.result, LResult{kIdCancel});
            QCOMPARE(cancelled.notification, given);
            QCOMPARE(cancelled.timeMode, 1);
        }
    }

    void aboutBoxShowsTheVersionDataOfTheProgram() {
        port.moduleFile.reset(); // the test program itself carries the data
        app = std::make_unique<COrbelApp>(port);
        CAboutDlg dlg(*app, Hwnd{});
        const LResult result = run(dlg, [&](Hwnd h) {
            QCOMPARE(windowWidget(port, h)->windowTitle(),
                     QStringLiteral(u"orbelのバージョン情報"));
            QCOMPARE(widgetOf<QLabel>(port, h, 1008)->text(),
                     QStringLiteral("orbel Version 1.6.1"));
            QCOMPARE(itemText(port, h, 1009),
                     QStringLiteral("Copyright (C) 2026 the orbel developers"));
            QCOMPARE(itemText(port, h, 1011), QStringLiteral("https://orbel.example.org/"));
            QCOMPARE(itemText(port, h, 1012), QStringLiteral("orbel-dev@example.org"));
            shoot(windowWidget(port, h), "about");
            ending();
            QTest::mouseClick(widgetOf(port, h, 1), Qt::LeftButton);
        });
        QCOMPARE(result, LResult{kIdOk});
    }

    void popupSlidesToTheCornerAwayFromThePanel_data() {
        QTest::addColumn<int>("edge");
        QTest::addRow("left") << static_cast<int>(kAbeLeft);
        QTest::addRow("top") << static_cast<int>(kAbeTop);
        QTest::addRow("right") << static_cast<int>(kAbeRight);
        QTest::addRow("bottom") << static_cast<int>(kAbeBottom);
    }
    void popupSlidesToTheCornerAwayFromThePanel() {
        QFETCH(int, edge);
        startApp("");
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        const int l = screen.left(), t = screen.top(), r = screen.right() + 1,
                  b = screen.bottom() + 1;
        const Rect panels[] = {
            {l, t, l + 30, b}, {l, t, r, t + 30}, {r - 30, t, r, b}, {l, b - 30, r, b}};
        port.taskbarRect = panels[edge];

        CNotifyDlg popup(*app);
        const HIcon icon = app->getIcon(6, true, false);
        QCOMPARE(popup.showNotification(100, 60000, "満月になりました",
                                        "944/04/01\r\n満月\r\n次は立待月", icon),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(popup.state(), int{CSlideDlg::kStaying}, 10000);
        QWidget* w = windowWidget(port, popup.hwnd());
        const QRect at = w->frameGeometry();
        QVERIFY(work.contains(at));
        switch (edge) {
        case kAbeBottom:
            QCOMPARE(at.topRight(), work.topRight());
            break;
        case kAbeRight:
            QCOMPARE(at.bottomLeft(), work.bottomLeft());
            break;
        default:
            QCOMPARE(at.bottomRight(), work.bottomRight());
        }
        // The offscreen platform activates every window it shows, whatever
        // its flags; a real display shows whether the popup took the focus.
        if (QGuiApplication::platformName() != u"offscreen")
            QVERIFY(QApplication::activeWindow() != w);
        QCOMPARE(widgetOf(port, popup.hwnd(), CNotifyDlg::kIdcTitle)->font().weight(), QFont::Bold);
        QCOMPARE(widgetOf<QLabel>(port, popup.hwnd(), CNotifyDlg::kIdcText)->text(),
                 QStringLiteral(u"944/04/01\n満月\n次は立待月"));
        if (edge == kAbeBottom) shoot(w, "popup");

        // A click sends it off at once, faster than it came.
        QTest::mouseClick(widgetOf(port, popup.hwnd(), CNotifyDlg::kIdcText), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(popup.state(), int{CSlideDlg::kIdle}, 2000);
        QVERIFY(w->isHidden());
    }
};

QTEST_MAIN(DialogsTest)
#include "qtDialogsTest.moc"
