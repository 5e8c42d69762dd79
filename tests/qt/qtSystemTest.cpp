// The Qt port's system side on the offscreen platform: the lock file, the
// paths, the pseudo modules and versions, icons, errors, the multimedia
// timers and the quit signals.
#include "app/windowsClass.h"
#include "common/cp932.h"
#include "ports/qt/qtPlatform.h"
#include "ports/qt/qtPortImpl.h"
#include "res/artwork.h"
#include "res/menu.h"
#include "tests/qt/qtTestSupport.h"
#include "tests/support/tempDir.h"

#include <QDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace orbel;
using namespace orbel::qt;
using orbel::qt::test::Recorder;

namespace {

std::atomic<int> g_fired{0};
void countFiring(unsigned, void*) {
    ++g_fired;
}

} // namespace

class QtSystemTest : public QObject {
    Q_OBJECT

private:
    orbel::test::TempDir m_runtime;

private slots:
    void init() { qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime.path())); }

    void lockIsExclusiveAndReleasedOnClose() {
        QtPort port;
        const HMutex first = port.createMutex("orbel.Quil");
        const HMutex second = port.createMutex("orbel.Quil");
        const HMutex other = port.createMutex("orbel2.Quil");
        QVERIFY(!isNull(first) && !isNull(second) && first != second);
        QVERIFY(std::filesystem::exists(m_runtime / "orbel.Quil"));
        QVERIFY(port.tryLockMutex(first));
        QVERIFY(!port.tryLockMutex(second));
        QCOMPARE(port.getLastError(), unsigned(EWOULDBLOCK));
        QVERIFY(port.tryLockMutex(other)); // a renamed copy runs beside us
        port.closeMutex(first);
        QVERIFY(port.tryLockMutex(second));
        port.closeMutex(second);
        port.closeMutex(other);
        QVERIFY(!port.tryLockMutex(first));
        QCOMPARE(port.getLastError(), unsigned(EBADF));
    }

    // Another process's lock holds us off and goes with that process.
    void lockHeldByAnotherProcessUntilItDies() {
        const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
        if (flock.isEmpty()) QSKIP("flock(1) is not installed");
        const QString file = QString::fromStdString((m_runtime / "held.Quil").string());
        QProcess holder;
        // -o: only flock itself holds the lock, not the command it runs.
        holder.start(flock, {QStringLiteral("-o"), file, QStringLiteral("sh"), QStringLiteral("-c"),
                             QStringLiteral("echo locked; exec sleep 30")});
        QVERIFY(holder.waitForReadyRead(5000));
        QtPort port;
        const HMutex mutex = port.createMutex("held.Quil");
        QVERIFY(!port.tryLockMutex(mutex));
        holder.kill();
        QVERIFY(holder.waitForFinished());
        QVERIFY(port.tryLockMutex(mutex));
        // And ours holds the other way round.
        QProcess probe;
        probe.start(flock, {QStringLiteral("-n"), file, QStringLiteral("true")});
        QVERIFY(probe.waitForFinished());
        QCOMPARE(probe.exitCode(), 1);
        port.closeMutex(mutex);
    }

    void lockFolderWithoutRuntimeDirIsPrivate() {
        qunsetenv("XDG_RUNTIME_DIR");
        const std::filesystem::path dir = lockDirectory();
        QCOMPARE(dir.string(), "/tmp/orbel-" + std::to_string(::getuid()));
        struct stat st {};
        QCOMPARE(::lstat(dir.c_str(), &st), 0);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(st.st_mode & 0777, 0700u);
        qputenv("XDG_RUNTIME_DIR", "relative/run");
        QCOMPARE(lockDirectory(), dir);
    }

    void relocation_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        const QString ini = QStringLiteral("/opt/orbel/bin/orbel.ini");
        const QString log = QStringLiteral("/opt/orbel/bin/orbel.log");
        QTest::newRow("writable folder") << ini << true << "/c"
                                         << "/s"
                                         << "/h" << ini;
        QTest::newRow("ini to config") << ini << false << "/c"
                                       << "/s"
                                       << "/h"
                                       << "/c/orbel/orbel.ini";
        QTest::newRow("log to state") << log << false << "/c"
                                      << "/s"
                                      << "/h"
                                      << "/s/orbel/orbel.log";
        QTest::newRow("renamed copy") << "/opt/orbel/bin/moon.ini" << false << "/c"
                                      << ""
                                      << "/h"
                                      << "/c/orbel/moon.ini";
        QTest::newRow("config default") << ini << false << ""
                                        << ""
                                        << "/h"
                                        << "/h/.config/orbel/orbel.ini";
        QTest::newRow("state default") << log << false << ""
                                       << ""
                                       << "/h"
                                       << "/h/.local/state/orbel/orbel.log";
        QTest::newRow("relative xdg ignored") << ini << false << "cfg"
                                              << ""
                                              << "/h"
                                              << "/h/.config/orbel/orbel.ini";
        QTest::newRow("no home") << ini << false << ""
                                 << ""
                                 << "" << ini;
        QTest::newRow("other folder") << "/var/orbel.ini" << false << "/c"
                                      << "/s"
                                      << "/h"
                                      << "/var/orbel.ini";
        QTest::newRow("sound stays") << "/opt/orbel/bin/orbel.wav" << false << "/c"
                                     << "/s"
                                     << "/h"
                                     << "/opt/orbel/bin/orbel.wav";
    }

    void relocation() {
        QFETCH(QString, file);
        QFETCH(bool, writable);
        QFETCH(QString, config);
        QFETCH(QString, state);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        const std::map<std::string, std::string> vars{{"XDG_CONFIG_HOME", config.toStdString()},
                                                      {"XDG_STATE_HOME", state.toStdString()},
                                                      {"HOME", home.toStdString()}};
        auto env = [&](const char* name) -> const char* {
            const auto it = vars.find(name);
            return it == vars.end() || it->second.empty() ? nullptr : it->second.c_str();
        };
        QCOMPARE(QString::fromStdString(
                     relocatedPath(file.toStdString(), "/opt/orbel/bin", writable, env).string()),
                 expected);
    }

    // "表" is 95 5C in CP932: the trail byte must not become a separator.
    void nativePathKeepsDoubleByteCharacters() {
        QtPort port;
        const std::string cp932 = text::utf8ToCp932("/tmp/表示/orbel.wav");
        QVERIFY(cp932.find("\x95\x5C") != std::string::npos);
        QCOMPARE(port.nativePath(cp932).string(), std::string("/tmp/表示/orbel.wav"));
    }

    // Our own build folder is writable: files beside us stay there.
    void nativePathBesideWritableExecutable() {
        QtPort port;
        const std::optional<std::string> exe = port.getModuleFileName();
        QVERIFY(exe);
        QCOMPARE(*exe, std::filesystem::read_symlink("/proc/self/exe").string());
        const std::string ini = exe->substr(0, exe->rfind('/')) + "/orbel.ini";
        QCOMPARE(port.nativePath(ini).string(), ini);
    }

    void lastErrorBelongsToItsThread() {
        QtPort port;
        QVERIFY(isNull(port.loadLibrary("missing.dll")));
        QCOMPARE(port.getLastError(), unsigned(ENOENT));
        unsigned other = 0;
        std::thread([&] {
            port.tryLockMutex(HMutex{12345});
            other = port.getLastError();
        }).join();
        QCOMPARE(other, unsigned(EBADF));
        QCOMPARE(port.getLastError(), unsigned(ENOENT));
    }

    void formatMessageIsTheSystemText() {
        QtPort port;
        QCOMPARE(port.formatMessage(0), std::string());
        port.setJapaneseLocale();
        const std::string text = port.formatMessage(ENOENT);
        QVERIFY(!text.empty());
        // Whatever the language, it is CP932 that converts back cleanly.
        QCOMPARE(text::utf8ToCp932(text::cp932ToUtf8(text)), text);
        QCOMPARE(QString::fromStdString(text::cp932ToUtf8(text)),
                 QString::fromLocal8Bit(std::strerror(ENOENT)));
    }

    void librariesAndVersions() {
        QtPort port;
        QCOMPARE(port.loadLibrary("UIRES0.DLL"), kResourceModule);
        QCOMPARE(port.loadLibrary("Shell32.dll"), kShellModule);
        QVERIFY(port.registerExtensionModule(kResourceModule));
        DllVersionInfo info;
        QVERIFY(!port.callDllGetVersion(kResourceModule, info));
        const std::optional<long> rc = port.callDllGetVersion(kShellModule, info);
        QVERIFY(rc && *rc == 0);
        QVERIFY(info.major == 6 || info.major == 4);
        QCOMPARE(info.minor, 0u);
        QCOMPARE(info.major == 6, desktopNotificationsAvailable());
        // The core reads the version as a Windows 7 workstation.
        QCOMPARE(queryWindowsClass(port), kWinClassNtWorkstation);
    }

    void iconsComeFromTheArtwork() {
        QtPort port;
        QCOMPARE(port.getSystemMetrics(kSmCxIcon), 32);
        QCOMPARE(port.getSystemMetrics(kSmCySmIcon), 16);
        for (unsigned id = res::IDI_PHASE_FIRST; id <= res::IDI_PHASE_LAST; ++id) {
            for (int size : {16, 32}) {
                const HIcon icon =
                    port.loadImage(kResourceModule, id, kImageIcon, size, size, kLrDefaultSize);
                gfx::IconImage image;
                QVERIFY(port.getIconInfo(icon, image));
                QVERIFY(image == res::iconResource(id, size));
                QVERIFY(port.destroyIcon(icon));
                QVERIFY(!port.destroyIcon(icon));
            }
        }
        gfx::IconImage app;
        const HIcon appIcon =
            port.loadImage(HModule{}, res::IDR_MAINFRAME, kImageIcon, 0, 0, kLrDefaultSize);
        QVERIFY(port.getIconInfo(appIcon, app));
        QVERIFY(app == res::iconResource(res::IDR_MAINFRAME, 32));
        // Each resource lives where the platform keeps it.
        QVERIFY(isNull(port.loadImage(kResourceModule, res::IDR_MAINFRAME, kImageIcon, 32, 32, 0)));
        QVERIFY(isNull(port.loadImage(HModule{}, 102, kImageIcon, 32, 32, 0)));
        QVERIFY(isNull(port.loadImage(kResourceModule, 101, kImageIcon, 32, 32, 0)));
        QVERIFY(isNull(port.loadImage(kResourceModule, 102, 0, 32, 32, 0)));
        QCOMPARE(port.getLastError(), unsigned(ENOENT));
    }

    void sharedIconsAreOneHandleThatStays() {
        QtPort port;
        const unsigned flags = kLrDefaultSize | kLrShared;
        const HIcon a = port.loadImage(kResourceModule, 108, kImageIcon, 16, 16, flags);
        const HIcon b = port.loadImage(kResourceModule, 108, kImageIcon, 16, 16, flags);
        const HIcon big = port.loadImage(kResourceModule, 108, kImageIcon, 32, 32, flags);
        const HIcon own = port.loadImage(kResourceModule, 108, kImageIcon, 16, 16, 0);
        QVERIFY(!isNull(a));
        QCOMPARE(a, b);
        QVERIFY(big != a && own != a);
        QVERIFY(port.destroyIcon(a));
        gfx::IconImage image;
        QVERIFY(port.getIconInfo(a, image));
    }

    void multimediaTimers() {
        QtPort port;
        TimeCaps caps;
        QCOMPARE(port.timeGetDevCaps(caps), kTimerNoError);
        QCOMPARE(caps.periodMin, 1u);
        QVERIFY(caps.periodMax >= 600000u); // the 10-minute resynchronisation
        QCOMPARE(port.timeBeginPeriod(1), kTimerNoError);
        QCOMPARE(port.timeBeginPeriod(0), kTimerNoCanDo);
        QCOMPARE(port.timeEndPeriod(1), kTimerNoError);
        QCOMPARE(port.timeSetEvent(0, 1, &countFiring, nullptr, kTimePeriodic), 0u);
        g_fired = 0;
        const unsigned id = port.timeSetEvent(5, 1, &countFiring, nullptr, kTimePeriodic);
        QVERIFY(id != 0);
        QTRY_VERIFY_WITH_TIMEOUT(g_fired >= 3, 2000);
        QCOMPARE(port.timeKillEvent(id), kTimerNoError);
        const int after = g_fired;
        QTest::qWait(30);
        QCOMPARE(g_fired.load(), after);
        QVERIFY(port.timeKillEvent(id) != kTimerNoError);
    }

    // SIGTERM takes the road of the tray menu's Exit, after closing the
    // dialog that runs above the main window.
    void quitSignalEndsThroughExit() {
        QtPort port;
        port.requestQuit(0); // no main window yet: nothing to do, no crash
        Recorder main;
        QtWindow w;
        w.handler = &main;
        w.templateId = 102;
        const Hwnd hwnd = port.addWindow(std::move(w));
        QCOMPARE(port.mainWindow(), hwnd);
        QDialog open;
        open.show();
        port.startSystemWatchers();
        std::raise(SIGTERM);
        QTRY_COMPARE(main.count(kWmCommand, res::ID_APP_EXIT), 1);
        QVERIFY(!open.isVisible());
        // A session end on top asks nothing more of the core.
        port.requestQuit(0);
        QTest::qWait(20);
        QCOMPARE(main.count(kWmCommand, res::ID_APP_EXIT), 1);
        port.removeWindow(hwnd);
    }

    // XWayland is chosen only where both servers are at hand and the user
    // named no platform; an empty variable counts as unset.
    void platformChoice_data() {
        QTest::addColumn<QByteArray>("qpa");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("chosen");
        const QByteArray unset; // a null array stands for an unset variable
        QTest::newRow("X11 only") << unset << unset << QByteArray(":0") << unset;
        QTest::newRow("Wayland with XWayland") << unset << QByteArray("wayland-0")
                                               << QByteArray(":1") << QByteArray("xcb");
        QTest::newRow("Wayland only") << unset << QByteArray("wayland-0") << unset << unset;
        QTest::newRow("empty DISPLAY") << unset << QByteArray("wayland-0") << QByteArray("")
                                       << unset;
        QTest::newRow("empty WAYLAND_DISPLAY") << unset << QByteArray("") << QByteArray(":0")
                                               << unset;
        QTest::newRow("user chose wayland") << QByteArray("wayland") << QByteArray("wayland-0")
                                            << QByteArray(":1") << unset;
        QTest::newRow("user chose xcb") << QByteArray("xcb") << unset << QByteArray(":0") << unset;
        QTest::newRow("empty QT_QPA_PLATFORM") << QByteArray("") << QByteArray("wayland-0")
                                               << QByteArray(":1") << QByteArray("xcb");
        QTest::newRow("no display at all") << unset << unset << unset << unset;
    }
    void platformChoice() {
        QFETCH(QByteArray, qpa);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, chosen);
        const auto arg = [](const QByteArray& a) { return a.isNull() ? nullptr : a.constData(); };
        const char* got = preferredPlatform(arg(qpa), arg(wayland), arg(display));
        QCOMPARE(QByteArray(got), chosen);
    }

    // Only the compositor's platforms place windows themselves; the tests'
    // offscreen platform places them like X11.
    void placementByPlatform() {
        for (const char* name : {"wayland", "wayland-egl", "wayland-xcomposite-glx"})
            QVERIFY2(!platformPlacesWindows(name), name);
        for (const char* name : {"xcb", "offscreen", "minimal"})
            QVERIFY2(platformPlacesWindows(name), name);
        QtPort port;
        QVERIFY(port.canPlaceWindows());
    }
};

QTEST_MAIN(QtSystemTest)
#include "qtSystemTest.moc"
