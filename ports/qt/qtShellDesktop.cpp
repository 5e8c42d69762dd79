// The desktop around the tray: the taskbar stand-in and the work area, our
// windows' rectangles, the foreground window and its caption flash, the
// screen saver, and the notification methods (the CD door, the keyboard
// LED tool, the sound). X11 specifics go through the xcb connection Qt
// already holds; elsewhere they quietly do nothing.
#include "ports/qt/qtPortImpl.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <canberra.h>
#include <xcb/xcb.h>

#include "common/cp932.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace orbel::qt {

namespace {

constexpr unsigned kMciErrDeviceNotReady = 276;   // MCIERR_DEVICE_NOT_READY
constexpr std::intptr_t kShellExecuteOk = 33;     // anything above 32
constexpr std::intptr_t kSeErrFileNotFound = 2;   // SE_ERR_FNF
constexpr std::intptr_t kSeErrAccessDenied = 5;   // SE_ERR_ACCESSDENIED
constexpr std::intptr_t kSeErrNoAssociation = 31; // SE_ERR_NOASSOC
constexpr auto kScreenSaverRetry = std::chrono::seconds(10);

Rect toRect(const QRect& r) {
    return Rect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

xcb_connection_t* x11() {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

xcb_window_t x11Root(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

xcb_atom_t x11Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// The window the window manager calls active (_NET_ACTIVE_WINDOW); 0 when
// there is none or no window manager says.
std::uint32_t x11ActiveWindow() {
    xcb_connection_t* c = x11();
    if (!c) return 0;
    const xcb_atom_t active = x11Atom(c, "_NET_ACTIVE_WINDOW");
    if (active == XCB_ATOM_NONE) return 0;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, x11Root(c), active, XCB_ATOM_WINDOW, 0, 1), nullptr);
    std::uint32_t window = 0;
    if (reply && xcb_get_property_value_length(reply) >= 4)
        window = *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return window;
}

// Asks the window manager to mark a window as wanting attention (the
// taskbar entry flashes), or to stop.
bool x11DemandAttention(std::uint32_t window, bool on) {
    xcb_connection_t* c = x11();
    if (!c || window == 0) return false;
    const xcb_atom_t state = x11Atom(c, "_NET_WM_STATE");
    const xcb_atom_t attention = x11Atom(c, "_NET_WM_STATE_DEMANDS_ATTENTION");
    if (state == XCB_ATOM_NONE || attention == XCB_ATOM_NONE) return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = state;
    event.data.data32[0] = on ? 1 : 0; // _NET_WM_STATE_ADD / _REMOVE
    event.data.data32[1] = attention;
    event.data.data32[3] = 1; // from an application
    xcb_send_event(c, 0, x11Root(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
    return true;
}

// The tray picture of a flash: each size's colours inverted, alpha kept.
QIcon invertedIcon(const QIcon& icon) {
    QIcon inverted;
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty()) sizes = {QSize(16, 16), QSize(22, 22), QSize(32, 32), QSize(48, 48)};
    for (const QSize& size : sizes) {
        QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        image.invertPixels(QImage::InvertRgb);
        inverted.addPixmap(QPixmap::fromImage(image));
    }
    return inverted;
}

// Ends a caption flash under way: the hint is taken back and the tray icon
// gets its picture again, unless the core has given it a new one since.
void endCaptionFlash(ShellState& s) {
    if (s.flash.end) s.flash.end->stop();
    if (s.flash.window != 0) x11DemandAttention(s.flash.window, false);
    s.flash.window = 0;
    if (!s.flash.trayIconBefore.isNull() && s.tray &&
        s.tray->icon().cacheKey() == s.flash.flashIconKey)
        s.tray->setIcon(s.flash.trayIconBefore);
    s.flash.trayIconBefore = QIcon();
}

bool isOurX11Window(std::uint32_t window) {
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->internalWinId() == window) return true;
    return false;
}

// The registered window whose widget is (or holds) this top-level window.
Hwnd hwndOf(WindowsState& windows, const QWidget* top) {
    std::lock_guard lock(windows.mutex);
    for (const auto& [hwnd, w] : windows.windows)
        if (w.widget && w.widget == top) return hwnd;
    for (const auto& [hwnd, w] : windows.windows)
        if (w.widget && w.widget->window() == top) return hwnd;
    return Hwnd{};
}

std::filesystem::path besideExecutable(const std::filesystem::path& name) {
    const std::filesystem::path exe = executablePath();
    return exe.empty() ? std::filesystem::path() : exe.parent_path() / name;
}

bool isRegularFile(const std::filesystem::path& p) {
    std::error_code ec;
    return !p.empty() && std::filesystem::is_regular_file(p, ec);
}

} // namespace

// The tray host's window on X11 (the owner of the system tray selection),
// 0 when there is none or the desktop is not X11. Used by qtShell.cpp.
std::uint32_t x11TrayWindow() {
    xcb_connection_t* c = x11();
    if (!c) return 0;
    // The selection is per X screen: the one after the '.' of the display.
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const char* colon = std::strrchr(display, ':');
        const char* dot = colon ? std::strchr(colon, '.') : nullptr;
        if (dot) screen = std::atoi(dot + 1);
    }
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    const xcb_atom_t selection = x11Atom(c, name.c_str());
    if (selection == XCB_ATOM_NONE) return 0;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const std::uint32_t owner = reply ? reply->owner : 0;
    std::free(reply);
    return owner;
}

Rect taskbarRectFor(const QRect& screen, const QRect& available) {
    const Rect s = toRect(screen);
    const Rect a = toRect(available);
    const int top = a.top - s.top;
    const int bottom = s.bottom - a.bottom;
    const int left = a.left - s.left;
    const int right = s.right - a.right;
    const int most = std::max({top, bottom, left, right});
    const int sides = (top == most) + (bottom == most) + (left == most) + (right == most);
    if (most <= 0 || sides > 1)
        return Rect{s.left, s.bottom - std::max(bottom, 1), s.right, s.bottom};
    if (top == most) return Rect{s.left, s.top, s.right, a.top};
    if (bottom == most) return Rect{s.left, a.bottom, s.right, s.bottom};
    if (left == most) return Rect{s.left, s.top, a.left, s.bottom};
    return Rect{a.right, s.top, s.right, s.bottom};
}

int trayScreenIndex(const QList<QRect>& screens, int primary, const std::optional<Rect>& icon) {
    if (icon) {
        const QRect r(QPoint(icon->left, icon->top), QPoint(icon->right - 1, icon->bottom - 1));
        for (int i = 0; i < screens.size(); ++i)
            if (screens[i].contains(r.center())) return i;
        // An icon across two screens' gap (or a host that reports a
        // slightly outside rectangle) belongs where most of it lies.
        int best = -1;
        long long bestArea = 0;
        for (int i = 0; i < screens.size(); ++i) {
            const QRect common = screens[i].intersected(r);
            const long long area = static_cast<long long>(common.width()) * common.height();
            if (!common.isEmpty() && area > bestArea) {
                best = i;
                bestArea = area;
            }
        }
        if (best >= 0) return best;
    }
    return primary >= 0 && primary < screens.size() ? primary : (screens.isEmpty() ? -1 : 0);
}

bool isDoorOpenCommand(std::string_view command) {
    std::string words;
    for (char c : command) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!words.empty() && words.back() != ' ') words += ' ';
        } else {
            words += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!words.empty() && words.back() == ' ') words.pop_back();
    return words == "set cdaudio door open";
}

std::filesystem::path findCdDevice(const std::filesystem::path& root) {
    std::error_code ec;
    const auto present = [&](const std::filesystem::path& p) {
        return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
    };
    // The distribution's own name for the first drive wins.
    if (present(root / "dev/cdrom")) return root / "dev/cdrom";
    // Else the SCSI CD/DVD drives by number (sr10 after sr9): their nodes
    // in /dev, or the kernel's list when /dev was not scanned.
    const auto lowestDrive = [&](const std::filesystem::path& folder) -> std::string {
        std::string best;
        long bestNumber = -1;
        // Stepped with an error code: an unreadable entry ends the look
        // instead of throwing.
        for (auto it = std::filesystem::directory_iterator(folder, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.size() < 3 || name.compare(0, 2, "sr") != 0 || name.size() > 9 ||
                !std::all_of(name.begin() + 2, name.end(),
                             [](unsigned char c) { return std::isdigit(c); }))
                continue;
            const long number = std::stol(name.substr(2));
            if (bestNumber < 0 || number < bestNumber) {
                bestNumber = number;
                best = name;
            }
        }
        return best;
    };
    if (const std::string node = lowestDrive(root / "dev"); !node.empty()) return root / "dev" / node;
    if (const std::string block = lowestDrive(root / "sys/class/block"); !block.empty())
        return root / "dev" / block;
    return {};
}

QString findHelperProgram(const QString& name) {
    const std::filesystem::path beside = besideExecutable(name.toStdString());
    if (isRegularFile(beside) && ::access(beside.c_str(), X_OK) == 0)
        return QString::fromStdString(beside.string());
    return QStandardPaths::findExecutable(name);
}

// --- windows and the desktop --------------------------------------------

Hwnd QtPort::findWindow(std::string_view className) {
    ShellState& s = m_impl->shell;
    if (className != "Shell_TrayWnd") return Hwnd{};
    if (onUiThread()) {
        std::lock_guard lock(s.cacheMutex);
        s.screenPresent = QGuiApplication::primaryScreen() != nullptr;
    }
    std::lock_guard lock(s.cacheMutex);
    return s.screenPresent ? kTaskbarWindow : Hwnd{};
}

// The tray here is no toolbar of buttons: notifyIconRect answers instead.
Hwnd QtPort::findWindowEx(Hwnd, std::string_view) {
    return Hwnd{};
}

bool QtPort::getWindowRect(Hwnd hwnd, Rect& rect) {
    if (hwnd == kTaskbarWindow) return getTaskbarPos(hwnd, rect);
    QtWindow* w = window(hwnd);
    if (!w || !w->widget) {
        setLastError(EINVAL);
        return false;
    }
    rect = toRect(w->widget->isWindow()
                      ? w->widget->frameGeometry()
                      : QRect(w->widget->mapToGlobal(QPoint(0, 0)), w->widget->size()));
    return true;
}

bool QtPort::screenToClient(Hwnd hwnd, Point& pt) {
    QtWindow* w = window(hwnd);
    if (!w || !w->widget) {
        setLastError(EINVAL);
        return false;
    }
    const QPoint local = w->widget->mapFromGlobal(QPoint(pt.x, pt.y));
    pt = Point{local.x(), local.y()};
    return true;
}

bool QtPort::setForegroundWindow(Hwnd hwnd) {
    QtWindow* w = window(hwnd);
    if (!w || !w->widget) {
        setLastError(EINVAL);
        return false;
    }
    // The hidden main window stays hidden: the core only asks so that its
    // menu closes on a click elsewhere, which QMenu does by itself.
    QWidget* top = w->widget->window();
    if (top->isVisible()) {
        if (top->isMinimized()) top->showNormal();
        top->raise();
        top->activateWindow();
    }
    return true;
}

Hwnd QtPort::getForegroundWindow() {
    ShellState& s = m_impl->shell;
    if (const QWidget* active = QApplication::activeWindow()) {
        const Hwnd own = hwndOf(m_impl->windows, active);
        if (!isNull(own)) return own;
    }
    const std::uint32_t window = x11ActiveWindow();
    if (window == 0 || isOurX11Window(window)) return Hwnd{};
    s.foreignWindow = window;
    return kForeignWindow;
}

bool QtPort::flashWindow(Hwnd hwnd, bool invert) {
    if (hwnd == kForeignWindow) {
        // Windows inverts the caption once; here the other program's
        // taskbar entry asks for attention for a moment and is released
        // again, instead of staying highlighted until the user looks.
        ShellState& s = m_impl->shell;
        endCaptionFlash(s);
        if (!invert) return true;
        if (x11DemandAttention(s.foreignWindow, true)) s.flash.window = s.foreignWindow;
        // The window flashed is the active one, and KWin, Mutter and most
        // other window managers ignore the hint there: what the user sees
        // is our tray icon, inverted for the same moment.
        if (s.tray && s.tray->isVisible() && !s.tray->icon().isNull()) {
            s.flash.trayIconBefore = s.tray->icon();
            s.tray->setIcon(invertedIcon(s.flash.trayIconBefore));
            s.flash.flashIconKey = s.tray->icon().cacheKey();
        }
        if (s.flash.window == 0 && s.flash.trayIconBefore.isNull()) {
            setLastError(ENOTSUP);
            return false;
        }
        if (!s.flash.end) {
            s.flash.end = std::make_unique<QTimer>();
            s.flash.end->setSingleShot(true);
            QObject::connect(s.flash.end.get(), &QTimer::timeout, this,
                             [&s] { endCaptionFlash(s); });
        }
        s.flash.end->start(s.flash.duration);
        return true;
    }
    QtWindow* w = window(hwnd);
    if (!w || !w->widget) {
        setLastError(EINVAL);
        return false;
    }
    if (invert) QApplication::alert(w->widget->window());
    return true;
}

// The screen the panel and the popup belong to: the one showing our tray
// icon, else the primary one. Desktops with several screens put the primary
// one anywhere, and the panel with the tray need not be on it.
const QScreen* QtPort::trayScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> geometries;
    int primary = -1;
    for (const QScreen* screen : screens) {
        if (screen == QGuiApplication::primaryScreen()) primary = static_cast<int>(geometries.size());
        geometries.append(screen->geometry());
    }
    const int index = trayScreenIndex(geometries, primary, notifyIconRect());
    return index < 0 ? nullptr : screens[index];
}

void QtPort::setFlashDuration(std::chrono::milliseconds duration) {
    m_impl->shell.flash.duration = duration;
}

bool QtPort::getTaskbarPos(Hwnd taskbar, Rect& rect) {
    const QScreen* screen = trayScreen();
    if (taskbar != kTaskbarWindow || !screen) {
        setLastError(EINVAL);
        return false;
    }
    rect = taskbarRectFor(screen->geometry(), screen->availableGeometry());
    return true;
}

bool QtPort::getWorkArea(Rect& rect) {
    const QScreen* screen = trayScreen();
    if (!screen) {
        setLastError(ENODEV);
        return false;
    }
    rect = toRect(screen->availableGeometry());
    return true;
}

bool QtPort::getScreenSaverRunning(bool& running) {
    // Asked on every step of the popup's slide: a missing service is not
    // asked again for a while, and no answer is waited for long.
    ShellState& s = m_impl->shell;
    running = false;
    const auto now = std::chrono::steady_clock::now();
    if (s.screenSaverMissingSince && now - *s.screenSaverMissingSince < kScreenSaverRetry)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return true;
    const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
    for (const QString& path :
         {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
        const QDBusMessage reply = bus.call(
            QDBusMessage::createMethodCall(service, path, service, QStringLiteral("GetActive")),
            QDBus::Block, 250);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            running = reply.arguments().constFirst().toBool();
            s.screenSaverMissingSince.reset();
            return true;
        }
    }
    s.screenSaverMissingSince = now;
    return true;
}

// --- notification methods ----------------------------------------------

unsigned QtPort::mciSendString(std::string_view command) {
    if (!isDoorOpenCommand(command)) return 0;
    const std::filesystem::path device = findCdDevice("/");
    if (device.empty()) {
        std::fprintf(stderr, "orbel: no CD or DVD drive found (/dev/cdrom, /dev/sr*): its door "
                             "cannot be opened\n");
        setLastError(ENODEV);
        return kMciErrDeviceNotReady;
    }
    const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        std::fprintf(stderr, "orbel: cannot open the CD drive %s: %s\n", device.c_str(),
                     std::strerror(error));
        setLastError(error);
        return kMciErrDeviceNotReady;
    }
    // The tray takes a second or two to open; the thread owns the drive's
    // descriptor until it has.
    std::thread([fd] {
        ::ioctl(fd, CDROMEJECT, 0);
        ::close(fd);
    }).detach();
    return 0;
}

std::intptr_t QtPort::shellExecute(Hwnd, std::string_view, std::string_view file,
                                   std::string_view parameters, std::string_view directory, int) {
    const std::filesystem::path name(fromCp932(file).toStdString());
    QString base = QString::fromStdString(name.filename().string()).toLower();
    // The keyboard-LED tool is "keyflash" here; nothing else is started.
    if (base != QStringLiteral("keyflash.exe") && base != QStringLiteral("keyflash")) {
        setLastError(ENOENT);
        return kSeErrNoAssociation;
    }
    const QString program = findHelperProgram(QStringLiteral("keyflash"));
    if (program.isEmpty()) {
        setLastError(ENOENT);
        return kSeErrFileNotFound;
    }
    const QStringList args = QProcess::splitCommand(fromCp932(parameters));
    if (!QProcess::startDetached(program, args, fromCp932(directory))) {
        setLastError(EACCES);
        return kSeErrAccessDenied;
    }
    return kShellExecuteOk;
}

bool QtPort::playSound(std::string_view file, unsigned flags) {
    if (!(flags & kSndFilename) || file.empty()) {
        setLastError(EINVAL);
        return false;
    }
    // A bare name (the default "orbel.wav") is looked for beside the
    // program first, then in the data folder of an installed copy
    // (bin/../share/orbel, where no sound belongs beside the program), then
    // in the current folder.
    const std::filesystem::path path(text::cp932ToUtf8(file));
    const std::filesystem::path shared = besideExecutable("../share/orbel") / path;
    std::filesystem::path found;
    if (path.is_absolute()) {
        if (isRegularFile(path)) found = path;
    } else if (isRegularFile(besideExecutable(path))) {
        found = besideExecutable(path);
    } else if (isRegularFile(shared)) {
        found = shared.lexically_normal();
    } else if (isRegularFile(std::filesystem::absolute(path))) {
        found = std::filesystem::absolute(path);
    }
    if (found.empty()) {
        setLastError(ENOENT);
        return false;
    }
    // Always asynchronous: the UI thread never waits for a sound.
    m_impl->shell.sound.play(found.string());
    return true;
}

// --- the sound thread --------------------------------------------------

SoundPlayer::~SoundPlayer() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void SoundPlayer::play(std::string path) {
    std::lock_guard lock(m_mutex);
    // A sound server that hangs must not pile up requests behind it.
    if (m_queue.size() >= 4) return;
    m_queue.push_back(std::move(path));
    if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
    m_wake.notify_one();
}

unsigned SoundPlayer::started() const {
    std::lock_guard lock(m_mutex);
    return m_started;
}

void SoundPlayer::run() {
    for (;;) {
        std::string path;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) break;
            path = std::move(m_queue.front());
            m_queue.pop_front();
        }
        if (!m_context && ca_context_create(&m_context) == CA_SUCCESS)
            ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "orbel",
                                    CA_PROP_APPLICATION_ID, "orbel", nullptr);
        if (m_context) {
            // Returns once playback has begun; libcanberra plays on.
            ca_context_play(m_context, 1, CA_PROP_MEDIA_FILENAME, path.c_str(),
                            CA_PROP_EVENT_DESCRIPTION, "phase change", nullptr);
        }
        std::lock_guard lock(m_mutex);
        ++m_started;
    }
    if (m_context) {
        ca_context_cancel(m_context, 1);
        ca_context_destroy(m_context);
        m_context = nullptr;
    }
}

} // namespace orbel::qt
