// The Qt port's system and shell sides on the offscreen platform, with a
// private session bus for the notification server.
#include "app/windowsClass.h"
#include "common/cp932.h"
#include "ports/qt/qtPlatform.h"
#include "res/artwork.h"
#include "res/menu.h"
#include "tests/qt/qtTestSupport.h"
#include "tests/support/tempDir.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <thread>

#include <unistd.h>

using namespace orbel;
using namespace orbel::qt;
using namespace orbel::qt::test;

namespace {

std::atomic<int> g_fired{0};
void countFiring(unsigned, void*) {
    ++g_fired;
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

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown; // summary|body|replaced id|timeout
    QStringList capabilities;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int timeout) {
        shown.append(QStringLiteral("%1|%2|%3|%4").arg(summary, body).arg(replaces).arg(timeout));
        return 40 + static_cast<uint>(shown.size());
    }
};

} // namespace

class QtSystemTest : public QObject {
    Q_OBJECT

    orbel::test::TempDir m_runtime;
    QProcess m_bus;
    std::optional<QtPort> port; // a fresh one for each test
    Recorder main;              // the main window, which tray records name
    Hwnd hwnd{};

private slots:
    // A session bus of our own for the whole run, before anything in the
    // process connects to one.
    void initTestCase() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) return;
        m_bus.start(daemon, {"--session", "--nofork", "--print-address"});
        if (!m_bus.waitForReadyRead(5000)) return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    }
    void cleanupTestCase() {
        m_bus.kill();
        m_bus.waitForFinished();
    }
    void init() {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime.path()));
        port.emplace();
        main.messages.clear();
        hwnd = addWindow(*port, main, nullptr, 102);
    }
    void cleanup() {
        port->removeWindow(hwnd);
        port.reset();
    }

    void lockIsExclusiveWithErrorsPerThreadInAPrivateFolder() {
        const HMutex first = port->createMutex("orbel.Quil");
        const HMutex second = port->createMutex("orbel.Quil");
        const HMutex other = port->createMutex("orbel2.Quil");
        QVERIFY(std::filesystem::exists(m_runtime / "orbel.Quil"));
        QVERIFY(port->tryLockMutex(first));
        QVERIFY(!port->tryLockMutex(second));
        QCOMPARE(port->getLastError(), unsigned(EWOULDBLOCK));
        QVERIFY(port->tryLockMutex(other)); // a renamed copy runs beside us
        port->closeMutex(first);
        QVERIFY(port->tryLockMutex(second));
        port->closeMutex(second);
        port->closeMutex(other);
        // The last error belongs to its thread.
        QVERIFY(isNull(port->loadLibrary("missing.dll")));
        unsigned closed = 0;
        std::thread([&] {
            QVERIFY(!port->tryLockMutex(first));
            closed = port->getLastError();
        }).join();
        QCOMPARE(closed, unsigned(EBADF));
        QCOMPARE(port->getLastError(), unsigned(ENOENT));

        qunsetenv("XDG_RUNTIME_DIR"); // the fallback folder must be ours alone
        const std::filesystem::path dir = lockDirectory();
        QCOMPARE(dir.string(), "/tmp/orbel-" + std::to_string(::getuid()));
        const auto st = std::filesystem::symlink_status(dir);
        QVERIFY(st.type() == std::filesystem::file_type::directory &&
                st.permissions() == std::filesystem::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", "relative/run");
        QCOMPARE(lockDirectory(), dir);
    }

    void pathsLeaveReadOnlyFoldersAndKeepDoubleBytes() {
        constexpr const char* ini = "/opt/orbel/bin/orbel.ini";
        constexpr const char* log = "/opt/orbel/bin/orbel.log";
        // nullptr: the variable is unset
        const struct {
            const char *name, *expected, *file = ini;
            bool writable = false;
            const char *config = "/c", *state = "/s", *home = "/h";
        } rows[] = {
            {"writable folder", ini, ini, true},
            {"ini to config", "/c/orbel/orbel.ini"},
            {"log to state", "/s/orbel/orbel.log", log},
            {"renamed copy", "/c/orbel/moon.ini", "/opt/orbel/bin/moon.ini"},
            {"config default", "/h/.config/orbel/orbel.ini", ini, false, nullptr},
            {"state default", "/h/.local/state/orbel/orbel.log", log, false, nullptr, nullptr},
            {"relative xdg ignored", "/h/.config/orbel/orbel.ini", ini, false, "cfg"},
            {"no home", ini, ini, false, nullptr, nullptr, nullptr},
            {"other folder", "/var/orbel.ini", "/var/orbel.ini"},
            {"sound stays", "/opt/orbel/bin/orbel.wav", "/opt/orbel/bin/orbel.wav"},
        };
        for (const auto& [name, expected, file, writable, config, state, home] : rows) {
            ORBEL_ROW(name);
            auto env = [&](std::string_view var) -> const char* {
                return var == "XDG_CONFIG_HOME"  ? config
                       : var == "XDG_STATE_HOME" ? state
                       : var == "HOME"           ? home
                                                 : nullptr;
            };
            QCOMPARE(relocatedPath(file, "/opt/orbel/bin", writable, env).string(),
                     std::string(expected));
        }

        // "表" is 95 5C in CP932: the trail byte must not become a separator.
        // Our own build folder is writable: files beside us stay there.
        const std::string cp932 = text::utf8ToCp932("/tmp/表示/orbel.wav");
        QCOMPARE(port->nativePath(cp932).string(), std::string("/tmp/表示/orbel.wav"));
        const std::optional<std::string> exe = port->getModuleFileName();
        QCOMPARE(exe.value_or(""), std::filesystem::read_symlink("/proc/self/exe").string());
        const std::string beside = exe->substr(0, exe->rfind('/')) + "/orbel.ini";
        QCOMPARE(port->nativePath(beside).string(), beside);
    }

    void systemTextsLibrariesVersionsIconsAndTimers() {
        QCOMPARE(port->formatMessage(0), std::string());
        port->setJapaneseLocale();
        const std::string text = port->formatMessage(ENOENT);
        QCOMPARE(QString::fromStdString(text::cp932ToUtf8(text)),
                 QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(port->loadLibrary("UIRES0.DLL"), kResourceModule);
        QCOMPARE(port->loadLibrary("Shell32.dll"), kShellModule);
        QVERIFY(port->registerExtensionModule(kResourceModule));
        DllVersionInfo info;
        QVERIFY(!port->callDllGetVersion(kResourceModule, info));
        QCOMPARE(port->callDllGetVersion(kShellModule, info), std::optional<long>(0));
        QVERIFY(info.major == 6 || info.major == 4);
        QCOMPARE(info.major == 6, desktopNotificationsAvailable());
        QCOMPARE(queryWindowsClass(*port), kWinClassNtWorkstation);

        // Each icon is the artwork's, from where the platform keeps it;
        // shared ones are one handle per size that a destroy leaves alive.
        QCOMPARE(port->getSystemMetrics(kSmCxIcon), 32);
        QCOMPARE(port->getSystemMetrics(kSmCySmIcon), 16);
        gfx::IconImage image;
        for (unsigned id = res::IDI_PHASE_FIRST; id <= res::IDI_PHASE_LAST; ++id) {
            for (int size : {16, 32}) {
                const HIcon icon =
                    port->loadImage(kResourceModule, id, kImageIcon, size, size, kLrDefaultSize);
                QVERIFY(port->getIconInfo(icon, image));
                QVERIFY(image == res::iconResource(id, size));
                QVERIFY(port->destroyIcon(icon));
                QVERIFY(!port->destroyIcon(icon));
            }
        }
        QVERIFY(port->getIconInfo(
            port->loadImage(HModule{}, res::IDR_MAINFRAME, kImageIcon, 0, 0, kLrDefaultSize),
            image));
        QVERIFY(image == res::iconResource(res::IDR_MAINFRAME, 32));
        for (auto [module, id, type] : {std::tuple{kResourceModule, res::IDR_MAINFRAME, kImageIcon},
                                        {HModule{}, 102u, kImageIcon},
                                        {kResourceModule, 101u, kImageIcon},
                                        {kResourceModule, 102u, 0u}}) {
            QVERIFY(isNull(port->loadImage(module, id, type, 32, 32, 0)));
            QCOMPARE(port->getLastError(), unsigned(ENOENT));
        }

        auto load = [&](int size, unsigned flags) {
            return port->loadImage(kResourceModule, 108, kImageIcon, size, size, flags);
        };
        const unsigned shared = kLrDefaultSize | kLrShared;
        const HIcon a = load(16, shared);
        QCOMPARE(load(16, shared), a);
        QVERIFY(load(32, shared) != a && load(16, 0) != a);
        QVERIFY(port->destroyIcon(a));
        QVERIFY(port->getIconInfo(a, image));

        TimeCaps caps;
        QCOMPARE(port->timeGetDevCaps(caps), kTimerNoError);
        QCOMPARE(caps.periodMin, 1u);
        QVERIFY(caps.periodMax >= 600000u); // the 10-minute resynchronisation
        QCOMPARE(port->timeBeginPeriod(1), kTimerNoError);
        QCOMPARE(port->timeBeginPeriod(0), kTimerNoCanDo);
        QCOMPARE(port->timeEndPeriod(1), kTimerNoError);
        QCOMPARE(port->timeSetEvent(0, 1, &countFiring, nullptr, kTimePeriodic), 0u);
        const unsigned id = port->timeSetEvent(5, 1, &countFiring, nullptr, kTimePeriodic);
        QTRY_VERIFY_WITH_TIMEOUT(g_fired >= 3, 2000);
        QCOMPARE(port->timeKillEvent(id), kTimerNoError);
        const int after = g_fired;
        QTest::qWait(30);
        QCOMPARE(g_fired.load(), after);
        QVERIFY(port->timeKillEvent(id) != kTimerNoError);
    }

    // A balloon becomes a desktop notification with the record's title and
    // text; the next one replaces it; markup is escaped only where read.
    void balloonIsADesktopNotification() {
        if (m_bus.state() != QProcess::Running) QSKIP("no dbus-daemon for a private bus");
        auto balloon = trayForm<NotifyIconDataNew>(hwnd, kNifInfo, "");
        text::copyCp932(balloon.szInfoTitle, sizeof balloon.szInfoTitle,
                        text::utf8ToCp932("下弦 になりました!"));
        text::copyCp932(balloon.szInfo, sizeof balloon.szInfo,
                        text::utf8ToCp932("Orithaven [944/4/23 <下弦>]\r\n次は 12/7 11:31"));
        balloon.uTimeout = 30000;
        for (bool markup : {false, true}) {
            ORBEL_ROW(markup ? "markup server" : "plain server");
            cleanup(); // a port that never met a server
            init();
            QVERIFY(port->shellNotifyIcon(
                kNimAdd, trayForm<NotifyIconDataNew>(hwnd, kNifMessage | kNifTip, "a")));
            FakeNotifications server;
            server.capabilities = markup ? QStringList{"body", "body-markup"} : QStringList{"body"};
            const QString name = QStringLiteral("fake-notifications");
            QDBusConnection bus = QDBusConnection::connectToBus(
                QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), name);
            const auto gone = qScopeGuard([&] {
                bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
                QDBusConnection::disconnectFromBus(name);
            });
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllSlots));
            QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
            QVERIFY(port->shellNotifyIcon(kNimModify, balloon));
            QTRY_COMPARE(server.shown.size(), 1);
            // The id comes back through the bus daemon after the server saw
            // the call; the next one can replace it only once it is in.
            QTRY_VERIFY(port->findChildren<QDBusPendingCallWatcher*>().isEmpty());
            QVERIFY(port->shellNotifyIcon(kNimModify, balloon));
            QTRY_COMPARE(server.shown.size(), 2);
            const QString shown =
                markup ? "下弦 になりました!|Orithaven [944/4/23 &lt;下弦&gt;]\n次は 12/7 11:31"
                       : "下弦 になりました!|Orithaven [944/4/23 <下弦>]\n次は 12/7 11:31";
            QCOMPARE(server.shown, (QStringList{shown + "|0|30000", shown + "|41|30000"}));
        }
    }

    void desktopGeometryAndPlatformChoice() {
        // The panel is what the work area leaves of the screen.
        for (const QRect& screen :
             {QRect(0, 0, 1280, 800), QRect(1920, 0, 1920, 1080), QRect(-1280, 200, 1280, 1024)}) {
            for (const QMargins& m : {QMargins(48, 0, 0, 0), QMargins(0, 28, 0, 0),
                                      QMargins(0, 0, 48, 0), QMargins(0, 0, 0, 40)}) {
                const QRect work = screen - m;
                const QRect panel(QPoint(m.right() ? work.right() + 1 : screen.left(),
                                         m.bottom() ? work.bottom() + 1 : screen.top()),
                                  QPoint(m.left() ? work.left() - 1 : screen.right(),
                                         m.top() ? work.top() - 1 : screen.bottom()));
                ORBEL_ROW(QStringLiteral("%1 at %2").arg(work.x()).arg(work.y()));
                QCOMPARE(qrect(taskbarRectFor(screen, work)), panel);
            }
        }
        // No panel, or two sides alike: a line at the bottom stands in.
        const QRect left(-1280, 200, 1280, 1024), screen(0, 0, 1280, 800);
        QCOMPARE(qrect(taskbarRectFor(left, left)), QRect(-1280, 1223, 1280, 1));
        QCOMPARE(qrect(taskbarRectFor(screen, QRect(0, 24, 1280, 752))), QRect(0, 776, 1280, 24));
        QCOMPARE(qrect(taskbarRectFor(screen, QRect(0, 30, 1280, 760))), QRect(0, 0, 1280, 30));

        const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1920, 1080),
                                   QRect(-1280, 200, 1280, 1024)};
        // name, primary screen, the icon's rectangle, the screen chosen
        const std::tuple<const char*, int, std::optional<Rect>, int> rows[] = {
            {"no icon: primary", 1, std::nullopt, 1},
            {"icon on the left screen", 1, Rect{-40, 1200, -16, 1224}, 2},
            {"icon on the first screen", 2, Rect{1890, 1050, 1914, 1074}, 0},
            {"icon across a seam", 0, Rect{1910, 10, 1950, 34}, 1},
            {"centre below every screen: most of it", 0, Rect{-20, 1210, 10, 1240}, 2},
            {"icon off every screen: primary", 2, Rect{5000, 5000, 5024, 5024}, 2},
            {"no primary: the first", -1, std::nullopt, 0},
        };
        for (const auto& [name, primary, icon, expected] : rows)
            QVERIFY2(trayScreenIndex(screens, primary, icon) == expected, name);
        QCOMPARE(trayScreenIndex({}, 0, Rect{0, 0, 24, 24}), -1);

        // XWayland is chosen only where both servers are at hand and the user
        // named no platform; an empty variable counts as unset.
        const struct {
            const char *name, *wayland, *display, *chosen = nullptr, *qpa = nullptr;
        } platforms[] = {
            {"X11 only", nullptr, ":0"},
            {"Wayland with XWayland", "wayland-0", ":1", "xcb"},
            {"Wayland only", "wayland-0", nullptr},
            {"empty DISPLAY", "wayland-0", ""},
            {"empty WAYLAND_DISPLAY", "", ":0"},
            {"user chose wayland", "wayland-0", ":1", nullptr, "wayland"},
            {"empty QT_QPA_PLATFORM", "wayland-0", ":1", "xcb", ""},
        };
        for (const auto& [name, wayland, display, chosen, qpa] : platforms)
            QVERIFY2(QByteArray(preferredPlatform(qpa, wayland, display)) == chosen, name);
        // Only the compositor's platforms place windows themselves; the
        // tests' offscreen platform places them like X11.
        for (const char* name :
             {"wayland", "wayland-egl", "wayland-xcomposite-glx", "xcb", "offscreen", "minimal"})
            QVERIFY2(platformPlacesWindows(name) == !QByteArray(name).startsWith("wayland"), name);
        QVERIFY(port->canPlaceWindows());
    }

    void cdDoorOpensTheFirstDriveFound() {
        const std::tuple<const char*, std::vector<const char*>, const char*> rows[] = {
            {"nothing", {}, ""},
            {"cdrom first", {"dev/sr0", "dev/cdrom", "sys/class/block/sr0"}, "dev/cdrom"},
            {"lowest node by number", {"dev/sr10", "dev/sr2", "dev/sda", "dev/srx"}, "dev/sr2"},
            {"kernel list only", {"sys/class/block/sr1", "sys/class/block/sda"}, "dev/sr1"},
            {"nodes before the list", {"dev/sr3", "sys/class/block/sr0"}, "dev/sr3"},
            {"no drive among disks", {"dev/sda", "dev/sr", "sys/class/block/nvme0n1"}, ""},
        };
        for (const auto& [name, files, expected] : rows) {
            orbel::test::TempDir root;
            for (const char* f : files) {
                std::filesystem::create_directories((root / f).parent_path());
                std::ofstream(root / f).put('\0');
            }
            const std::filesystem::path found = findCdDevice(root.path());
            const std::string relative =
                found.empty() ? "" : found.lexically_relative(root.path()).string();
            QVERIFY2(relative == expected, name);
        }
        QVERIFY(isDoorOpenCommand("  Set  CDAudio door   OPEN ") &&
                !isDoorOpenCommand("set cdaudio door closed") && !isDoorOpenCommand(""));
        if (!findCdDevice("/").empty()) return; // a machine with a drive
        QVERIFY(port->mciSendString("set cdaudio door open") != 0);
        QCOMPARE(port->mciSendString("close cdaudio"), 0u);
    }

    void trayRecordInBothLayouts() {
        auto add = trayForm<NotifyIconDataNew>(hwnd, kNifMessage | kNifIcon | kNifTip,
                                               "944/3/26 <新月(3)>");
        add.hIcon = port->loadImage(kResourceModule, 102, kImageIcon, 16, 16, 0);
        QVERIFY(port->shellNotifyIcon(kNimAdd, add)); // even with no tray host
        auto* tray = port->findChild<QSystemTrayIcon*>();
        QVERIFY(tray && tray->isVisible() && !tray->icon().isNull());
        // Angle brackets stay text, whatever the tray makes of markup.
        QVERIFY(tray->toolTip().contains(QStringLiteral("新月(3)")));
        QVERIFY(tray->toolTip().contains(QStringLiteral("&lt;")) ||
                tray->toolTip() == QStringLiteral("944/3/26 <新月(3)>"));

        // The hover check changes the tip from the timer thread: accepted at
        // once, shown once the UI thread gets to it.
        bool fromThread = false;
        std::thread([&] {
            fromThread = port->shellNotifyIcon(
                kNimModify, trayForm<NotifyIconDataOld>(hwnd, kNifTip, "月齢 7"));
        }).join();
        QVERIFY(fromThread);
        QTRY_COMPARE(tray->toolTip(), QStringLiteral("月齢 7"));

        auto stranger = trayForm<NotifyIconDataNew>(hwnd, kNifTip, "x");
        stranger.uID = 7;
        QVERIFY(!port->shellNotifyIcon(kNimModify, stranger));
        QCOMPARE(port->getLastError(), unsigned(ENOENT));

        // Each activation is the callback message after a move onto the icon,
        // as on Windows. No watcher is on the test's bus.
        using Q = QSystemTrayIcon;
        for (Q::ActivationReason r :
             {Q::Trigger, Q::DoubleClick, Q::Context, Q::MiddleClick, Q::Unknown})
            emit tray->activated(r);
        QTRY_COMPARE(main.messages.size(), std::size_t(6));
        QList<unsigned> mouse;
        for (const Message& m : main.of(kWmApp))
            mouse.append(m.wParam == 101 ? unsigned(m.lParam) : 0u);
        QCOMPARE(mouse, (QList<unsigned>{kWmMouseMove, kWmLButtonDown, kWmMouseMove,
                                         kWmLButtonDblClk, kWmMouseMove, kWmRButtonUp}));
        QVERIFY(port->trayHostReportsHover());
        // A StatusNotifierItem host has no hover and no double click.
        QCOMPARE(trayMouseMessages(Q::Trigger, true),
                 (QList<unsigned>{kWmLButtonDown, kWmLButtonDblClk}));
        QCOMPARE(trayMouseMessages(Q::Context, true), QList<unsigned>{kWmRButtonUp});
        QCOMPARE(trayMouseMessages(Q::MiddleClick, true), QList<unsigned>{});

        QVERIFY(port->shellNotifyIcon(kNimDelete, trayForm<NotifyIconDataOld>(hwnd, 0, "")));
        QVERIFY(!port->findChild<QSystemTrayIcon*>());
        QVERIFY(!port->shellNotifyIcon(kNimDelete, add));
        QVERIFY(port->shellNotifyIcon(
            kNimAdd, trayForm<NotifyIconDataOld>(hwnd, kNifTip | kNifMessage, "a")));
        QCOMPARE(port->findChild<QSystemTrayIcon*>()->toolTip(), QStringLiteral("a"));
    }

    void menuFromTheCoreDataPostsTheChoice() {
        const res::MenuItem popup = res::loadMenu(res::IDR_TRAYMENU).children.front();
        QMenu menu;
        fillMenu(menu, popup, res::ID_DETAIL);
        std::function<void(const QMenu&, const res::MenuItem&)> same =
            [&](const QMenu& m, const res::MenuItem& of) {
                const QList<QAction*> items = m.actions();
                QCOMPARE(std::size_t(items.size()), of.children.size());
                for (std::size_t i = 0; i < of.children.size(); ++i) {
                    const res::MenuItem& want = of.children[i];
                    QCOMPARE(items[i]->isSeparator(), want.isSeparator());
                    QCOMPARE(items[i]->text(), fromCp932(want.text));
                    QCOMPARE(items[i]->data().toUInt(), want.id);
                    QCOMPARE(items[i]->font().bold(), want.id == res::ID_DETAIL);
                    QCOMPARE(items[i]->menu() != nullptr, !want.children.empty());
                    if (items[i]->menu()) same(*items[i]->menu(), want);
                }
            };
        same(menu, popup);
        QCOMPARE(menu.defaultAction(), menu.actions()[0]);

        for (const auto& [key, command] :
             {std::pair{Qt::Key_X, res::ID_APP_EXIT}, {Qt::Key_Escape, 0u}}) {
            ORBEL_ROW(QString::number(command));
            main.messages.clear();
            QTimer::singleShot(50, [key] {
                if (QWidget* open = QApplication::activePopupWidget()) QTest::keyClick(open, key);
            });
            QVERIFY(port->trackPopupMenu(popup, res::ID_DETAIL, 0, Point{100, 100}, hwnd));
            QCoreApplication::processEvents();
            QTRY_COMPARE(main.wParams(kWmCommand),
                         command ? std::vector<WParam>{command} : std::vector<WParam>{});
        }
    }

    void desktopOwnWindowsAndTheCursor() {
        Rect work, panel, viaWindow;
        QVERIFY(port->getWorkArea(work));
        QCOMPARE(qrect(work), QGuiApplication::primaryScreen()->availableGeometry());
        QCOMPARE(port->findWindow("Shell_TrayWnd"), kTaskbarWindow);
        Hwnd fromThread{};
        std::thread([&] { fromThread = port->findWindow("Shell_TrayWnd"); }).join();
        QCOMPARE(fromThread, kTaskbarWindow);
        QVERIFY(isNull(port->findWindow("Progman")));
        QVERIFY(isNull(port->findWindowEx(kTaskbarWindow, "TrayNotifyWnd")));
        QVERIFY(port->getTaskbarPos(kTaskbarWindow, panel));
        QVERIFY(port->getWindowRect(kTaskbarWindow, viaWindow));
        QCOMPARE(panel, viaWindow);
        QVERIFY(!port->getTaskbarPos(Hwnd{}, panel));
        bool running = true;
        QVERIFY(port->getScreenSaverRunning(running));
        QVERIFY(!running);

        Recorder handler;
        QWidget widget;
        widget.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        widget.setGeometry(200, 150, 120, 80);
        const Hwnd own = addWindow(*port, handler, &widget, 100);
        widget.show();
        QVERIFY(port->setForegroundWindow(own));
        QTRY_COMPARE(port->getForegroundWindow(), own);
        Rect rect;
        QVERIFY(port->getWindowRect(own, rect));
        QCOMPARE(rect.right - rect.left, 120);
        Point corner{rect.left + 5, rect.top + 7};
        QVERIFY(port->screenToClient(own, corner));
        QCOMPARE(corner, (Point{5, 7}));
        QVERIFY(!port->setForegroundWindow(Hwnd{0x4242}));
        QCOMPARE(port->getLastError(), unsigned(EINVAL));
        port->removeWindow(own);

        // The timer thread sees the position the UI thread last read, and
        // asks for a newer one without waiting for it.
        QCursor::setPos(40, 30);
        Point pt, seen;
        QVERIFY(port->getCursorPos(pt));
        QCOMPARE(pt, (Point{40, 30}));
        QCursor::setPos(90, 60);
        std::thread([&] { port->getCursorPos(seen); }).join();
        QCOMPARE(seen, (Point{40, 30}));
        QCoreApplication::processEvents();
        std::thread([&] { port->getCursorPos(seen); }).join();
        QCOMPARE(seen, (Point{90, 60}));
    }

    void keyflashRunsDetachedWithTheArguments() {
        orbel::test::TempDir dir;
        const std::filesystem::path out = dir / "args.txt";
        std::ofstream(dir / "keyflash")
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" \"$(pwd)\" > '" << out.string() << "'\n";
        std::filesystem::permissions(dir / "keyflash", std::filesystem::perms::owner_all);
        const QByteArray path = qgetenv("PATH");
        const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        const auto args = "/w=500-500 /c=3 /ScrollLock";
        QCOMPARE(port->shellExecute(Hwnd{}, "", "keyflash.exe", args, ".", kSwHide),
                 std::intptr_t(2)); // not on PATH yet
        qputenv("PATH", QByteArray::fromStdString(dir.path().string()) + ":" + path);
        QCOMPARE(port->shellExecute(Hwnd{}, "", "keyflash.exe", args, ".", kSwHide),
                 std::intptr_t(33));
        QTRY_COMPARE(QString::fromStdString(orbel::test::readBytes(out)),
                     "/w=500-500\n/c=3\n/ScrollLock\n" + QDir::currentPath() + "\n");
        QCOMPARE(port->shellExecute(Hwnd{}, "", "notepad.exe", "", ".", kSwHide),
                 std::intptr_t(31));
    }

    // The player hands every file to the sound thread and can always be
    // stopped, whatever the sound system makes of the file.
    void soundFileIsLookedUpAndPlayedAside() {
        QVERIFY(!port->playSound("no-such-sound.wav", kSndFilename | kSndAsync | kSndNoDefault));
        QCOMPARE(port->getLastError(), unsigned(ENOENT));
        QVERIFY(!port->playSound("", kSndFilename));
        // An installed copy keeps its sound in bin/../share/orbel.
        const auto exe = std::filesystem::read_symlink("/proc/self/exe");
        const auto share = exe.parent_path().parent_path() / "share";
        std::filesystem::create_directories(share / "orbel");
        { std::ofstream(share / "orbel" / "installed-chime.wav") << "RIFF"; }
        const bool installed = port->playSound("installed-chime.wav", kSndFilename | kSndAsync);
        std::error_code ec; // folders that held more than ours stay
        for (const auto& p : {share / "orbel" / "installed-chime.wav", share / "orbel", share})
            std::filesystem::remove(p, ec);
        QVERIFY(installed);
        orbel::test::TempDir dir;
        std::ofstream(dir / "chime.wav") << "RIFF";
        std::ofstream(dir / "broken.wav") << "not a wave";
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path().string()));
        const bool played = port->playSound("chime.wav", kSndFilename | kSndAsync);
        QDir::setCurrent(before);
        QVERIFY(played);
        SoundPlayer player;
        player.play((dir / "broken.wav").string());
        player.play((dir / "missing.wav").string());
        QTRY_COMPARE(player.started(), 2u);
    }
    // SIGTERM takes the road of the tray menu's Exit, after closing the
    // dialog that runs above the main window. Last: it leaves the handlers.
    void quitSignalEndsThroughExit() {
        port->removeWindow(hwnd);
        port->requestQuit(0); // no main window: nothing to do, no crash
        hwnd = addWindow(*port, main, nullptr, 102);
        QDialog open;
        open.show();
        port->startSystemWatchers();
        std::raise(SIGTERM);
        QTRY_COMPARE(main.of(kWmCommand).size(), std::size_t(1));
        QVERIFY(!open.isVisible());
        // A session end on top asks nothing more of the core.
        port->requestQuit(0);
        QTest::qWait(20);
        QCOMPARE(main.wParams(kWmCommand), std::vector<WParam>{res::ID_APP_EXIT});
    }
};

QTEST_MAIN(QtSystemTest)
#include "qtSystemTest.moc"
