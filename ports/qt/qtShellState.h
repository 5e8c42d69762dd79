// Private state of qtShell.cpp and qtShellDesktop.cpp: the tray icon and
// what the core last told it, the watch for a tray host, values cached for
// the timer thread, the desktop notifications and the sound player.
// Included only through qtPortImpl.h; the helpers below are also reached by
// the port's tests.
#pragma once

#include "app/winTypes.h"
#include "res/menu.h"

#include <QIcon>
#include <QList>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QMenu;
class QObject;
class QTimer;
struct ca_context;

namespace orbel::qt {

// Stand-ins for windows that are not ours: the taskbar (there is always
// one while a screen exists) and "some other application's window" that
// was active when the core asked.
inline constexpr Hwnd kTaskbarWindow{0x7FFF'0001};
inline constexpr Hwnd kForeignWindow{0x7FFF'0002};

// Plays sound files on its own thread, so neither a slow sound server nor
// a missing one ever holds up the UI thread. One libcanberra context,
// created on first use and owned by the thread.
class SoundPlayer {
public:
    SoundPlayer() = default;
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Queues a file (UTF-8 path) and returns at once.
    void play(std::string path);
    // Files whose playback has been asked of libcanberra (for tests).
    unsigned started() const;

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::string> m_queue;
    bool m_stop = false;
    unsigned m_started = 0;
    std::thread m_thread;
    ca_context* m_context = nullptr; // the worker's alone
};

// A caption flash under way (qtShellDesktop.cpp): the other program's
// window that was given the attention hint, the tray icon's picture to put
// back, and the timer that ends both.
struct CaptionFlash {
    std::chrono::milliseconds duration{1000};
    std::unique_ptr<QTimer> end;
    std::uint32_t window = 0;
    QIcon trayIconBefore; // null: the tray icon was not flashed
    qint64 flashIconKey = 0;
};

struct ShellState {
    ShellState();
    ~ShellState();

    // The tray icon and the record fields it was given (UI thread).
    std::unique_ptr<QSystemTrayIcon> tray;
    std::unique_ptr<QObject> trayEvents;
    Hwnd owner{};
    std::uint32_t iconId = 0;
    std::uint32_t callbackMessage = 0;
    QString tip;
    // Whether Qt put the icon on a StatusNotifierItem host (D-Bus) rather
    // than an XEmbed tray: such a host shows the tooltip text itself and
    // reports neither the mouse over the icon nor the icon's place. Qt
    // makes that choice once per process, so it is looked at once.
    std::optional<bool> statusNotifierItem;

    // The watch for a tray host: polled while the icon exists, so a host
    // that appears late or restarts is noticed.
    std::unique_ptr<QTimer> hostPoll;
    bool hostPresent = false;
    std::uint32_t hostWindow = 0; // the X11 tray's window, 0 elsewhere

    // Answers for the timer thread, refreshed on the UI thread.
    std::mutex cacheMutex;
    std::optional<QPoint> cursor;
    std::optional<Rect> iconRect;
    bool cursorRefreshQueued = false;
    bool screenPresent = true;

    // The other application's window behind kForeignWindow.
    std::uint32_t foreignWindow = 0;
    CaptionFlash flash;

    // Desktop notifications: the server's id of our last one (replaced by
    // the next) and whether it reads markup in the body.
    std::uint32_t lastNotification = 0;
    std::optional<bool> bodyMarkup;

    // The screen saver's service, when it was last found missing.
    std::optional<std::chrono::steady_clock::time_point> screenSaverMissingSince;

    SoundPlayer sound;
};

// The tray callback's mouse messages for an activation, in order; none
// for an activation the core does not know. An XEmbed tray's clicks come
// after a move onto the icon, as on Windows, so the core takes the icon's
// place at the click (the icon may have moved since it was last hovered).
// A StatusNotifierItem host has no double click: its primary activation is
// the whole click-and-double-click.
QList<unsigned> trayMouseMessages(QSystemTrayIcon::ActivationReason reason,
                                  bool statusNotifierItem);

// Whether this process has put a StatusNotifierItem on the session bus.
bool ownStatusNotifierItemRegistered();

// Fills a menu from the core's menu data: submenus, separators, CP932 texts
// with their '&' mnemonics, the default command bold. Each command's
// action carries its id as data.
void fillMenu(QMenu& menu, const res::MenuItem& popup, unsigned defaultCommand);

// The panel's rectangle on a screen whose whole and available geometries
// are given: the side where they differ most; with no difference or a tie,
// a thin strip along the bottom.
Rect taskbarRectFor(const QRect& screen, const QRect& available);

// Which of these screens (geometries) holds the tray icon: the one with
// the icon's centre, else the one most of it lies on, else the primary one
// (else the first); -1 with no screens.
int trayScreenIndex(const QList<QRect>& screens, int primary, const std::optional<Rect>& icon);

// True for the MCI command that opens the CD drive's door, however spaced
// and cased.
bool isDoorOpenCommand(std::string_view command);

// The first CD/DVD drive's device below root ("/" but in tests):
// dev/cdrom, else the lowest-numbered dev/srN, else dev/srN for the lowest
// sys/class/block/srN; empty when there is none.
std::filesystem::path findCdDevice(const std::filesystem::path& root);

// A program of this name beside the executable, else on PATH; empty when
// there is none.
QString findHelperProgram(const QString& name);

// Whether desktop notifications can be shown: a notification service on
// the session bus, or Qt's own balloons for the tray.
bool desktopNotificationsAvailable();

} // namespace orbel::qt
