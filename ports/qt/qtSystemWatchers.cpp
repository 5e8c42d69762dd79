// System events that the Windows build receives as window messages, turned
// into the same messages to the main window: a change of the system clock
// (WM_TIMECHANGE), of the screens' geometry (WM_SETTINGCHANGE), and the
// requests to end (SIGTERM, SIGINT, SIGHUP, the end of the desktop
// session), which take the same road as the tray menu's Exit.
#include "ports/qt/qtPortImpl.h"

#include "res/menu.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QSessionManager>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace orbel::qt {

namespace {

constexpr WParam kSpiSetWorkArea = 0x002F;
constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the signal pipe; the handler may only make
// async-signal-safe calls, so it writes the signal number and leaves.
std::atomic<int> g_signalPipe{-1};

extern "C" void onQuitSignal(int sig) {
    const int saved = errno;
    const int fd = g_signalPipe.load();
    const auto byte = static_cast<unsigned char>(sig);
    if (fd >= 0 && ::write(fd, &byte, 1) < 0) {
        // A full pipe already holds a request; nothing else can be done here.
    }
    errno = saved;
}

// Arms the timer far ahead: it exists only to be cancelled when someone
// sets the clock (TFD_TIMER_CANCEL_ON_SET), never to expire.
bool armClockWatch(int fd) {
    itimerspec when{};
    when.it_value.tv_sec = std::time(nullptr) + 10L * 365 * 24 * 3600;
    return ::timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr) == 0;
}

} // namespace

SystemState::SystemState() = default;

SystemState::~SystemState() {
    if (signalWrite.valid()) {
        g_signalPipe.store(-1);
        for (int sig : kQuitSignals)
            std::signal(sig, SIG_DFL);
    }
    signalNotifier.reset();
    timeChangeNotifier.reset();
}

void QtPort::startSystemWatchers() {
    SystemState& s = m_impl->system;
    if (s.watchersStarted) return;
    s.watchersStarted = true;

    // The system clock: read() fails with ECANCELED once it has been set.
    s.timeChangeFd.reset(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC));
    if (s.timeChangeFd.valid() && armClockWatch(s.timeChangeFd.get())) {
        s.timeChangeNotifier =
            std::make_unique<QSocketNotifier>(s.timeChangeFd.get(), QSocketNotifier::Read);
        connect(s.timeChangeNotifier.get(), &QSocketNotifier::activated, this, [this] {
            SystemState& st = m_impl->system;
            std::uint64_t expirations = 0;
            const ssize_t n = ::read(st.timeChangeFd.get(), &expirations, sizeof expirations);
            const bool clockSet = n < 0 && errno == ECANCELED;
            armClockWatch(st.timeChangeFd.get());
            if (clockSet) postMessage(mainWindow(), kWmTimeChange, 0, 0);
        });
    } else {
        std::fprintf(stderr, "orbel: cannot watch the system clock; a change of it is noticed "
                             "at the next resynchronisation\n");
        s.timeChangeFd.reset();
    }

    // The screens: the work area moves with a panel, a resolution or a
    // monitor, and the popup's corner with it.
    auto settingChanged = [this] {
        postMessage(mainWindow(), kWmSettingChange, kSpiSetWorkArea, 0);
    };
    auto watchScreen = [this, settingChanged](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, settingChanged);
        connect(screen, &QScreen::availableGeometryChanged, this, settingChanged);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watchScreen, settingChanged](QScreen* s) {
        watchScreen(s);
        settingChanged();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, settingChanged);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, settingChanged);

    // Signals, through a pipe the event loop watches.
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        s.signalRead.reset(fds[0]);
        s.signalWrite.reset(fds[1]);
        g_signalPipe.store(fds[1]);
        struct sigaction action {};
        action.sa_handler = onQuitSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : kQuitSignals)
            ::sigaction(sig, &action, nullptr);
        s.signalNotifier =
            std::make_unique<QSocketNotifier>(s.signalRead.get(), QSocketNotifier::Read);
        connect(s.signalNotifier.get(), &QSocketNotifier::activated, this, [this] {
            unsigned char sig = 0;
            int last = 0;
            while (::read(m_impl->system.signalRead.get(), &sig, 1) == 1)
                last = sig;
            if (last != 0) requestQuit(last);
        });
    }

    // The end of the desktop session. Settings are written as they change,
    // so there is nothing to save first: ending is all we do.
    connect(
        qApp, &QGuiApplication::commitDataRequest, this,
        [this](QSessionManager&) { requestQuit(0); }, Qt::DirectConnection);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { requestQuit(0); });
}

void QtPort::requestQuit(int signal) {
    const Hwnd main = mainWindow();
    // With no main window nothing runs yet that could end in order (a
    // start-up error box, say), and a second signal while the first is
    // still being served (a stuck dialog, an impatient Ctrl+C) must not be
    // ignored: a signal then ends us the default way. The lock goes with
    // the process and the settings file is only ever replaced whole.
    if (isNull(main) || (signal != 0 && m_impl->system.quitRequested)) {
        if (signal != 0) {
            std::signal(signal, SIG_DFL);
            std::raise(signal);
        }
        return;
    }
    if (m_impl->system.quitRequested) return;
    m_impl->system.quitRequested = true;
    // A dialog run from the tray holds the main window's loop below its
    // own: close it first (its close box becomes WM_CLOSE for the core),
    // and message boxes with it.
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && qobject_cast<QDialog*>(widget)) widget->close();
    postMessage(main, kWmCommand, res::ID_APP_EXIT, 0);
}

} // namespace orbel::qt
