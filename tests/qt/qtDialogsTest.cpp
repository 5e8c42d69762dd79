// The core's dialogs on the Qt port where Qt itself has the last word: the
// real layout, the settings sheet's tabs and buttons, the real screen.
#include "tests/qt/qtTestSupport.h"

#include "app/orbelApp.h"
#include "popup/notifydlg.h"
#include "res/stringTable.h"
#include "search/lunarSearchDlg.h"
#include "settings/displaySetting.h"
#include "settings/notifySetting.h"
#include "tests/support/tempDir.h"

#include <QDialogButtonBox>
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

class DialogsTest : public QObject {
    Q_OBJECT

    TestPort port;
    std::unique_ptr<orbel::test::TempDir> dir;
    std::unique_ptr<COrbelApp> app;

    // Runs a dialog; `script` runs once inside its modal loop. A dialog the
    // script did not end is closed after it; a watchdog ends a run that hangs.
    LResult run(TrayDialog& dlg, const std::function<void(Hwnd)>& script) {
        QTimer::singleShot(0, [&] {
            script(dlg.hwnd());
            if (!port.window(dlg.hwnd())->ended) port.postMessage(dlg.hwnd(), kWmClose, 0, 0);
        });
        QObject watchdog; // goes with this run
        QTimer::singleShot(20000, &watchdog, [&] {
            QTest::qFail("the dialog did not end", __FILE__, __LINE__);
            if (!isNull(dlg.hwnd())) port.postMessage(dlg.hwnd(), kWmClose, 0, 0);
        });
        return dlg.DoModal();
    }

private slots:
    void init() {
        app.reset();
        dir = std::make_unique<orbel::test::TempDir>();
        port.moduleFile = (dir->path() / "orbel").string();
        app = std::make_unique<COrbelApp>(port);
        app->initPaths();
        app->loadSettings();
    }

    // Where the edit really puts its last line decides, not a line count.
    void resultBoxShowsItsScrollBarExactlyWhenTheLinesOverflow() {
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
                ORBEL_ROW(QStringLiteral("%1 lines, bottom %2").arg(n + 1).arg(bottom));
                QCOMPARE(edit->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn, !fits);
                if (!fits && !firstOverflow) firstOverflow = n;
            }
            QVERIFY(firstOverflow > 3 && firstOverflow < 20);
        });
    }

    // The sheet's tabs make a page's window when it is first shown; only
    // pages the user opened are applied, and every page's window goes with
    // the sheet however it ends.
    void settingsSheetAppliesOnlyThePagesTheUserOpened() {
        const std::uint32_t given = kNotifyPopupBit | kNotifySoundBit | 0x40;
        enum class End { Ok, Cancel, Outside }; // Outside: the program quitting
        // name, whether the user shows the second page, how the sheet ends
        const std::tuple<const char*, bool, End> rows[] = {{"unseen page, OK", false, End::Ok},
                                                           {"seen page, OK", true, End::Ok},
                                                           {"cancel", true, End::Cancel},
                                                           {"ended outside", true, End::Outside}};
        for (const auto& [name, opened, end] : rows) {
            ORBEL_ROW(name);
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
                QCOMPARE(tabs->tabText(1), QStringLiteral(u"お知らせ"));
                pages[0] = display.hwnd();
                QVERIFY(!isNull(pages[0]) && isNull(notify.hwnd()));
                QCOMPARE(port.getParent(pages[0]), h);
                QVERIFY(widgetOf(port, pages[0], kIdOk)->isHidden());
                click(widgetOf(port, pages[0], 1018));
                if (opened) {
                    tabs->setCurrentIndex(1);
                    pages[1] = notify.hwnd();
                    QVERIFY(!isNull(pages[1]));
                    click(widgetOf(port, pages[1], 1026));
                }
                auto* buttons = w->findChild<QDialogButtonBox*>();
                QVERIFY(!buttons->button(QDialogButtonBox::Apply));
                if (end == End::Outside)
                    port.endDialog(h, kIdCancel);
                else
                    buttons
                        ->button(end == End::Ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                        ->click();
            });
            for (Hwnd page : pages)
                QVERIFY(isNull(page) || !port.isWindow(page));
            QVERIFY(isNull(display.hwnd()) && isNull(notify.hwnd()));
            int mode = -1;
            display.get(&mode, nullptr, nullptr, nullptr);
            const bool ok = end == End::Ok;
            QCOMPARE(result, ok ? LResult{kIdOk} : LResult{kIdCancel});
            QCOMPARE(notify.value(), ok && opened ? given | kNotifyCdTrayBit : given);
            QCOMPARE(mode, ok ? 2 : 1);
        }
    }

    // The real screen has no panel, which counts as one at the bottom: the
    // popup's frame ends in the work area's top right corner; a click sends
    // it off at once.
    void popupSlidesIntoTheWorkAreaAndLeavesOnAClick() {
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        CNotifyDlg popup(*app);
        QCOMPARE(
            popup.showNotification(100, 60000, "満月になりました", "944/04/01\r\n満月", HIcon{}),
            0);
        QTRY_COMPARE_WITH_TIMEOUT(popup.state(), int{CSlideDlg::kStaying}, 10000);
        QWidget* w = windowWidget(port, popup.hwnd());
        QCOMPARE(w->frameGeometry().topRight(), work.topRight());
        QTest::mouseClick(widgetOf(port, popup.hwnd(), CNotifyDlg::kIdcText), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(popup.state(), int{CSlideDlg::kIdle}, 2000);
        QVERIFY(w->isHidden());
    }
};

QTEST_MAIN(DialogsTest)
#include "qtDialogsTest.moc"
