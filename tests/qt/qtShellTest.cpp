// The Qt port's tray and desktop on the offscreen platform: the record in
// both layouts, the callback's mouse messages, the menu, the taskbar's
// rectangle as the core reads it, values for the timer thread, and the
// notification methods.
#include "common/cp932.h"
#include "popup/slideDlg.h"
#include "ports/qt/qtPortImpl.h"
#include "res/menu.h"
#include "tests/qt/qtTestSupport.h"
#include "tests/support/tempDir.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <fstream>
#include <thread>

#include <unistd.h>

using namespace orbel;
using namespace orbel::qt;
using orbel::qt::test::Recorder;

namespace {

Hwnd addWindow(QtPort& port, WindowHandler& handler, QWidget* widget, unsigned templateId) {
    QtWindow w;
    w.handler = &handler;
    w.widget = widget;
    w.templateId = templateId;
    return port.addWindow(std::move(w));
}

template <class Form> Form trayForm(Hwnd hwnd, unsigned flags, std::string_view utf8Tip) {
    Form f{};
    f.cbSize = sizeof f;
    f.hWnd = hwnd;
    f.uID = 101;
    f.uFlags = flags;
    f.uCallbackMessage = kWmApp;
    text::copyCp932(f.szTip, sizeof f.szTip, text::utf8ToCp932(utf8Tip));
    return f;
}

std::string firstLines(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::string all, line;
    while (std::getline(in, line))
        all += line + "|";
    return all;
}

// A notification server on the test's private session bus, recording
// what it is asked to show.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString summary;
        QString body;
        uint replaces;
        int timeout;
    };
    QList<Shown> shown;
    QStringList capabilities;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int timeout) {
        shown.append({summary, body, replaces, timeout});
        return 40 + static_cast<uint>(shown.size());
    }
};

} // namespace

class QtShellTest : public QObject {
    Q_OBJECT

    QProcess m_bus;

private slots:
    // A session bus of our own for the whole run, before anything in the
    // process connects to one.
    void initTestCase() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) return;
        m_bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                             QStringLiteral("--print-address")});
        if (!m_bus.waitForReadyRead(5000)) return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    }
    void cleanupTestCase() {
        m_bus.kill();
        m_bus.waitForFinished();
    }

    // A balloon becomes a desktop notification with the record's title and
    // text; the next one replaces it; markup is escaped only where read.
    void balloonIsADesktopNotification_data() {
        QTest::addColumn<bool>("markup");
        QTest::newRow("plain server") << false;
        QTest::newRow("markup server") << true;
    }
    void balloonIsADesktopNotification() {
        QFETCH(bool, markup);
        if (m_bus.state() != QProcess::Running) QSKIP("no dbus-daemon for a private bus");
        FakeNotifications server;
        server.capabilities = markup ? QStringList{"body", "body-markup"} : QStringList{"body"};
        QDBusConnection serverBus = QDBusConnection::connectToBus(
            QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
            QStringLiteral("fake-notifications"));
        QVERIFY(serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(desktopNotificationsAvailable());

        QtPort port;
        Recorder main;
        const Hwnd hwnd = addWindow(port, main, nullptr, 102);
        QVERIFY(port.shellNotifyIcon(
            kNimAdd, trayForm<NotifyIconDataNew>(hwnd, kNifMessage | kNifTip, "a")));
        auto balloon = trayForm<NotifyIconDataNew>(hwnd, kNifInfo, "");
        text::copyCp932(balloon.szInfoTitle, sizeof balloon.szInfoTitle,
                        text::utf8ToCp932("下弦 になりました!"));
        text::copyCp932(balloon.szInfo, sizeof balloon.szInfo,
                        text::utf8ToCp932("Orithaven [944/4/23 <下弦>]\r\n次は 12/7 11:31"));
        balloon.uTimeout = 30000;
        QVERIFY(port.shellNotifyIcon(kNimModify, balloon));
        QTRY_COMPARE(server.shown.size(), 1);
        QCOMPARE(server.shown[0].summary, QStringLiteral("下弦 になりました!"));
        QCOMPARE(server.shown[0].body,
                 markup ? QStringLiteral("Orithaven [944/4/23 &lt;下弦&gt;]\n次は 12/7 11:31")
                        : QStringLiteral("Orithaven [944/4/23 <下弦>]\n次は 12/7 11:31"));
        QCOMPARE(server.shown[0].replaces, 0u);
        QCOMPARE(server.shown[0].timeout, 30000);
        QVERIFY(port.shellNotifyIcon(kNimModify, balloon));
        QTRY_COMPARE(server.shown.size(), 2);
        QCOMPARE(server.shown[1].replaces, 41u);
        serverBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
        port.removeWindow(hwnd);
    }

    void mouseMessages_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<unsigned>("message");
        QTest::newRow("click") << int(QSystemTrayIcon::Trigger) << kWmLButtonDown;
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << kWmLButtonDblClk;
        QTest::newRow("context") << int(QSystemTrayIcon::Context) << kWmRButtonUp;
        QTest::newRow("middle") << int(QSystemTrayIcon::MiddleClick) << 0u;
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << 0u;
    }
    void mouseMessages() {
        QFETCH(int, reason);
        QFETCH(unsigned, message);
        QCOMPARE(trayMouseMessage(QSystemTrayIcon::ActivationReason(reason)), message);
    }

    void trayRecordInBothLayouts() {
        QtPort port;
        Recorder main;
        const Hwnd hwnd = addWindow(port, main, nullptr, 102);
        const HIcon icon = port.loadImage(kResourceModule, 102, kImageIcon, 16, 16, 0);
        const auto add = trayForm<NotifyIconDataNew>(hwnd, kNifMessage | kNifIcon | kNifTip,
                                                     "944/3/26 <新月(3)>");
        auto withIcon = add;
        withIcon.hIcon = icon;
        QVERIFY(port.shellNotifyIcon(kNimAdd, withIcon)); // even with no tray host
        auto* tray = port.findChild<QSystemTrayIcon*>();
        QVERIFY(tray);
        QVERIFY(tray->isVisible());
        QVERIFY(!tray->icon().isNull());
        // Angle brackets stay text, whatever the tray makes of markup.
        QVERIFY(tray->toolTip().contains(QStringLiteral("新月(3)")));
        QVERIFY(tray->toolTip().contains(QStringLiteral("&lt;")) ||
                tray->toolTip() == QStringLiteral("944/3/26 <新月(3)>"));

        // The hover check changes the tip from the timer thread: accepted at
        // once, shown once the UI thread gets to it.
        bool fromThread = false;
        std::thread([&] {
            fromThread = port.shellNotifyIcon(kNimModify,
                                              trayForm<NotifyIconDataOld>(hwnd, kNifTip, "月齢 7"));
        }).join();
        QVERIFY(fromThread);
        QTRY_COMPARE(tray->toolTip(), QStringLiteral("月齢 7"));

        auto stranger = trayForm<NotifyIconDataNew>(hwnd, kNifTip, "x");
        stranger.uID = 7;
        QVERIFY(!port.shellNotifyIcon(kNimModify, stranger));
        QCOMPARE(port.getLastError(), unsigned(ENOENT));

        // Activations reach the record's window as the callback message.
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        emit tray->activated(QSystemTrayIcon::Context);
        emit tray->activated(QSystemTrayIcon::MiddleClick);
        QTRY_COMPARE(main.messages.size(), std::size_t(2));
        QCOMPARE(main.messages[0].msg, kWmApp);
        QCOMPARE(main.messages[0].wParam, WParam(101));
        QCOMPARE(main.messages[0].lParam, LParam(kWmLButtonDblClk));
        QCOMPARE(main.messages[1].lParam, LParam(kWmRButtonUp));

        QVERIFY(port.shellNotifyIcon(kNimDelete, trayForm<NotifyIconDataOld>(hwnd, 0, "")));
        QVERIFY(!port.findChild<QSystemTrayIcon*>());
        QVERIFY(!port.shellNotifyIcon(kNimModify, add));
        QVERIFY(!port.shellNotifyIcon(kNimDelete, add));
        // The old layout adds as well.
        QVERIFY(port.shellNotifyIcon(
            kNimAdd, trayForm<NotifyIconDataOld>(hwnd, kNifTip | kNifMessage, "a")));
        QCOMPARE(port.findChild<QSystemTrayIcon*>()->toolTip(), QStringLiteral("a"));
        port.removeWindow(hwnd);
    }

    void menuFromTheCoreData() {
        const res::MenuItem popup = res::loadMenu(res::IDR_TRAYMENU).children.front();
        QMenu menu;
        fillMenu(menu, popup, res::ID_DETAIL);
        const QList<QAction*> items = menu.actions();
        QCOMPARE(items.size(), 6);
        QCOMPARE(items[0]->text(), QStringLiteral("詳細(&D)..."));
        QVERIFY(items[0]->font().bold());
        QCOMPARE(menu.defaultAction(), items[0]);
        QCOMPARE(items[0]->data().toUInt(), res::ID_DETAIL);
        QCOMPARE(items[1]->text(), QStringLiteral("日和サーチ(&S)"));
        QVERIFY(items[1]->menu());
        QCOMPARE(items[1]->menu()->actions().size(), 3);
        QCOMPARE(items[1]->menu()->actions()[2]->text(), QStringLiteral("今日は何の日?(&T)..."));
        QCOMPARE(items[1]->menu()->actions()[2]->data().toUInt(), res::ID_SEARCH_TODAY);
        QVERIFY(!items[2]->font().bold());
        QVERIFY(items[4]->isSeparator());
        QCOMPARE(items[5]->text(), QStringLiteral("終了(&X)"));
        QCOMPARE(items[5]->data().toUInt(), res::ID_APP_EXIT);
    }

    // The chosen command reaches the owner; keyboard mnemonics work.
    void popupMenuPostsTheChoice_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<unsigned>("command");
        QTest::newRow("settings") << "c" << res::ID_SETTINGS;
        QTest::newRow("submenu") << "sl" << res::ID_SEARCH_LUNAR;
        QTest::newRow("exit") << "x" << res::ID_APP_EXIT;
        QTest::newRow("escape") << "" << 0u;
    }
    void popupMenuPostsTheChoice() {
        QFETCH(QString, keys);
        QFETCH(unsigned, command);
        QtPort port;
        Recorder owner;
        const Hwnd hwnd = addWindow(port, owner, nullptr, 102);
        std::function<void(int)> press = [&](int at) {
            QWidget* popup = QApplication::activePopupWidget();
            if (!popup || at > keys.size()) return;
            if (at == keys.size())
                QTest::keyClick(popup, keys.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
            else
                QTest::keyClick(popup, keys[at].toLatin1());
            if (at < keys.size()) QTimer::singleShot(50, [&, at] { press(at + 1); });
        };
        QTimer::singleShot(50, [&] { press(0); });
        const res::MenuItem popup = res::loadMenu(res::IDR_TRAYMENU).children.front();
        QVERIFY(port.trackPopupMenu(popup, res::ID_DETAIL, 0, Point{100, 100}, hwnd));
        QCoreApplication::processEvents();
        if (command == 0) {
            QVERIFY(owner.messages.empty());
        } else {
            QTRY_COMPARE(owner.messages.size(), std::size_t(1));
            QCOMPARE(owner.messages[0].msg, kWmCommand);
            QCOMPARE(owner.messages[0].wParam, WParam(command));
        }
        port.removeWindow(hwnd);
    }

    // The panel's side as the popup code reads it back from our rectangle.
    void taskbarRect_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("panel"); // x, y, width, height
        QTest::addColumn<unsigned>("edge");
        const QRect s(0, 0, 1280, 800);
        QTest::newRow("bottom") << s << QRect(0, 0, 1280, 768) << QRect(0, 768, 1280, 32)
                                << kAbeBottom;
        QTest::newRow("top") << s << QRect(0, 28, 1280, 772) << QRect(0, 0, 1280, 28) << kAbeTop;
        QTest::newRow("left") << s << QRect(48, 0, 1232, 800) << QRect(0, 0, 48, 800) << kAbeLeft;
        QTest::newRow("right") << s << QRect(0, 0, 1232, 800) << QRect(1232, 0, 48, 800)
                               << kAbeRight;
        QTest::newRow("none") << s << s << QRect(0, 799, 1280, 1) << kAbeBottom;
        QTest::newRow("tie") << s << QRect(0, 24, 1280, 752) << QRect(0, 776, 1280, 24)
                             << kAbeBottom;
        QTest::newRow("top and small bottom")
            << s << QRect(0, 30, 1280, 760) << QRect(0, 0, 1280, 30) << kAbeTop;
    }
    void taskbarRect() {
        QFETCH(QRect, screen);
        QFETCH(QRect, available);
        QFETCH(QRect, panel);
        QFETCH(unsigned, edge);
        const Rect r = taskbarRectFor(screen, available);
        QCOMPARE(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), panel);
        QCOMPARE(getTaskbarEdge(r), edge);
    }

    void desktopFromThePrimaryScreen() {
        QtPort port;
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        Rect work;
        QVERIFY(port.getWorkArea(work));
        QCOMPARE(QRect(work.left, work.top, work.right - work.left, work.bottom - work.top),
                 available);
        const Hwnd taskbar = port.findWindow("Shell_TrayWnd");
        QCOMPARE(taskbar, kTaskbarWindow);
        Hwnd fromThread{};
        std::thread([&] { fromThread = port.findWindow("Shell_TrayWnd"); }).join();
        QCOMPARE(fromThread, kTaskbarWindow);
        QVERIFY(isNull(port.findWindow("Progman")));
        QVERIFY(isNull(port.findWindowEx(taskbar, "TrayNotifyWnd")));
        Rect panel, viaWindow;
        QVERIFY(port.getTaskbarPos(taskbar, panel));
        QVERIFY(port.getWindowRect(taskbar, viaWindow));
        QCOMPARE(panel, viaWindow);
        QVERIFY(!port.getTaskbarPos(Hwnd{}, panel));
        bool running = true;
        QVERIFY(port.getScreenSaverRunning(running));
        QVERIFY(!running);
    }

    void ownWindows() {
        QtPort port;
        Recorder handler;
        QWidget widget;
        widget.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        widget.setGeometry(200, 150, 120, 80);
        const Hwnd hwnd = addWindow(port, handler, &widget, 100);
        widget.show();
        QVERIFY(port.setForegroundWindow(hwnd));
        QTRY_COMPARE(port.getForegroundWindow(), hwnd);
        Rect rect;
        QVERIFY(port.getWindowRect(hwnd, rect));
        QCOMPARE(rect.right - rect.left, 120);
        Point corner{rect.left + 5, rect.top + 7};
        QVERIFY(port.screenToClient(hwnd, corner));
        QCOMPARE(corner, (Point{5, 7}));
        QVERIFY(port.flashWindow(hwnd, true));
        QVERIFY(!port.setForegroundWindow(Hwnd{0x4242}));
        QCOMPARE(port.getLastError(), unsigned(EINVAL));
        port.removeWindow(hwnd);
    }

    // The timer thread sees the position the UI thread last read, and
    // asks for a newer one without waiting for it.
    void cursorForTheTimerThread() {
        QtPort port;
        QCursor::setPos(40, 30);
        Point pt;
        QVERIFY(port.getCursorPos(pt));
        QCOMPARE(pt, (Point{40, 30}));
        QCursor::setPos(90, 60);
        Point seen;
        std::thread([&] { port.getCursorPos(seen); }).join();
        QCOMPARE(seen, (Point{40, 30}));
        QCoreApplication::processEvents();
        std::thread([&] { port.getCursorPos(seen); }).join();
        QCOMPARE(seen, (Point{90, 60}));
    }

    void doorCommand_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("door");
        QTest::newRow("as sent") << "set cdaudio door open" << true;
        QTest::newRow("spaced") << "  Set  CDAudio door   OPEN " << true;
        QTest::newRow("close") << "set cdaudio door closed" << false;
        QTest::newRow("other") << "play cdaudio" << false;
        QTest::newRow("empty") << "" << false;
    }
    void doorCommand() {
        QFETCH(QString, command);
        QFETCH(bool, door);
        QCOMPARE(isDoorOpenCommand(command.toStdString()), door);
    }

    void cdDoorWithoutDrive() {
        if (QFile::exists(QStringLiteral("/dev/cdrom"))) QSKIP("this machine has a CD drive");
        QtPort port;
        QVERIFY(port.mciSendString("set cdaudio door open") != 0);
        QCOMPARE(port.mciSendString("close cdaudio"), 0u);
    }

    void keyflashRunsDetachedWithTheArguments() {
        orbel::test::TempDir dir;
        const std::filesystem::path out = dir / "args.txt";
        {
            std::ofstream script(dir / "keyflash");
            script << "#!/bin/sh\nprintf '%s\\n' \"$@\" \"$(pwd)\" > '" << out.string() << "'\n";
        }
        std::filesystem::permissions(dir / "keyflash", std::filesystem::perms::owner_all);
        const QByteArray path = qgetenv("PATH");
        QtPort port;
        const auto args = "/w=500-500 /c=3 /ScrollLock";
        QCOMPARE(port.shellExecute(Hwnd{}, "", "keyflash.exe", args, ".", kSwHide),
                 std::intptr_t(2)); // not on PATH yet
        qputenv("PATH", QByteArray::fromStdString(dir.path().string()) + ":" + path);
        QCOMPARE(port.shellExecute(Hwnd{}, "", "keyflash.exe", args, ".", kSwHide),
                 std::intptr_t(33));
        QTRY_VERIFY(std::filesystem::exists(out) && !firstLines(out).empty());
        QCOMPARE(QString::fromStdString(firstLines(out)),
                 QStringLiteral("/w=500-500|/c=3|/ScrollLock|") + QDir::currentPath() + "|");
        QCOMPARE(port.shellExecute(Hwnd{}, "", "notepad.exe", "", ".", kSwHide), std::intptr_t(31));
        qputenv("PATH", path);
    }

    void soundFileIsLookedUpAndPlayedAside() {
        QtPort port;
        QVERIFY(!port.playSound("no-such-sound.wav", kSndFilename | kSndAsync | kSndNoDefault));
        QCOMPARE(port.getLastError(), unsigned(ENOENT));
        orbel::test::TempDir dir;
        { std::ofstream(dir / "chime.wav") << "RIFF"; }
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path().string()));
        const bool played = port.playSound("chime.wav", kSndFilename | kSndAsync);
        QDir::setCurrent(before);
        QVERIFY(played);
        QVERIFY(!port.playSound("", kSndFilename));
        // An installed copy keeps its sound in bin/../share/orbel.
        const auto exe = std::filesystem::read_symlink("/proc/self/exe");
        const auto share = exe.parent_path().parent_path() / "share";
        std::filesystem::create_directories(share / "orbel");
        { std::ofstream(share / "orbel" / "installed-chime.wav") << "RIFF"; }
        const bool installed = port.playSound("installed-chime.wav", kSndFilename | kSndAsync);
        std::error_code ec; // folders that held more than ours stay
        for (const auto& p : {share / "orbel" / "installed-chime.wav", share / "orbel", share})
            std::filesystem::remove(p, ec);
        QVERIFY(installed);
    }

    // The player hands every file to the sound thread and can always be
    // stopped, whatever the sound system makes of the file.
    void soundPlayerNeverHoldsTheCaller() {
        orbel::test::TempDir dir;
        { std::ofstream(dir / "broken.wav") << "not a wave"; }
        SoundPlayer player;
        player.play((dir / "broken.wav").string());
        player.play((dir / "missing.wav").string());
        QTRY_COMPARE(player.started(), 2u);
    }
};

QTEST_MAIN(QtShellTest)
#include "qtShellTest.moc"
