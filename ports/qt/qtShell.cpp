// The Qt port's tray: the notification-area record on a QSystemTrayIcon
// (StatusNotifierItem or XEmbed, whichever the desktop has), balloons as
// desktop notifications, the tray callback's mouse messages, the watch for
// a tray host, the icon's rectangle and the cursor, and the popup menu.
// The desktop around the tray is in qtShellDesktop.cpp.
#include "ports/qt/qtPortImpl.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QEvent>
#include <QMenu>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orbel::qt {

std::uint32_t x11TrayWindow(); // qtShellDesktop.cpp

namespace {

constexpr int kHostPollMs = 2000;
const QString kNotifyService = QStringLiteral("org.freedesktop.Notifications");
const QString kNotifyPath = QStringLiteral("/org/freedesktop/Notifications");
// Qt gives each StatusNotifierItem it serves a bus connection of its own,
// named after the process and a count of the items it has made.
const QString kItemConnectionPrefix = QStringLiteral("org.kde.StatusNotifierItem-%1-");
constexpr int kMaxItemConnections = 64;
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// The fields of either record layout that this port acts on.
struct TrayRecord {
    Hwnd hWnd{};
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    HIcon hIcon{};
    std::string tip;
    std::string info;
    std::string infoTitle;
    std::uint32_t timeoutMs = 0;
};

template <std::size_t N> std::string fieldText(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    return std::string(field, end ? static_cast<const char*>(end) - field : N);
}

template <class Form> TrayRecord recordOf(const Form& form) {
    TrayRecord r;
    r.hWnd = form.hWnd;
    r.uID = form.uID;
    r.uFlags = form.uFlags;
    r.uCallbackMessage = form.uCallbackMessage;
    r.hIcon = form.hIcon;
    r.tip = fieldText(form.szTip);
    return r;
}

QString displayText(std::string_view cp932) {
    return fromCp932(cp932).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The X11 tray shows tooltips as rich text when they look like markup; ours
// hold angle brackets ("<新月(3)>"), which must stay visible as they are.
QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

// The tray's own events: hovering becomes the callback's WM_MOUSEMOVE, and
// just before a tooltip opens the core gets that message at once, so the
// text it shows is the current one.
class TrayEvents : public QObject {
public:
    TrayEvents(QtPort& port, ShellState& shell) : m_port(port), m_shell(shell) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (m_shell.callbackMessage != 0 && watched == m_shell.tray.get() &&
            e->type() == QEvent::ToolTip)
            m_port.deliver(m_shell.owner, m_shell.callbackMessage, m_shell.iconId, kWmMouseMove);
        return QObject::eventFilter(watched, e);
    }

private:
    QtPort& m_port;
    ShellState& m_shell;
};

void showBalloonFallback(ShellState& s, const QString& title, const QString& body, int ms) {
    if (s.tray && s.tray->isVisible())
        s.tray->showMessage(title, body, QSystemTrayIcon::Information, ms);
}

void sendNotify(QtPort& port, ShellState& s, const QString& title, const QString& body, int ms) {
    QDBusMessage call = QDBusMessage::createMethodCall(kNotifyService, kNotifyPath, kNotifyService,
                                                       QStringLiteral("Notify"));
    const QString shownBody = s.bodyMarkup.value_or(false) ? body.toHtmlEscaped() : body;
    call << QStringLiteral("orbel") << s.lastNotification << QStringLiteral("orbel") << title
         << shownBody << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("orbel")}} << ms;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), &port);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &port,
                     [&s, title, body, ms](QDBusPendingCallWatcher* w) {
                         const QDBusPendingReply<std::uint32_t> reply = *w;
                         if (reply.isError())
                             showBalloonFallback(s, title, body, ms);
                         else
                             s.lastNotification = reply.value();
                         w->deleteLater();
                     });
}

// A desktop notification over the session bus when a server is there (its
// capabilities asked once, without waiting), else Qt's balloon at the icon.
void showNotification(QtPort& port, ShellState& s, const QString& title, const QString& body,
                      int ms) {
    if (!QDBusConnection::sessionBus().isConnected()) {
        showBalloonFallback(s, title, body, ms);
        return;
    }
    if (s.bodyMarkup) {
        sendNotify(port, s, title, body, ms);
        return;
    }
    const QDBusMessage caps = QDBusMessage::createMethodCall(
        kNotifyService, kNotifyPath, kNotifyService, QStringLiteral("GetCapabilities"));
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(caps), &port);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &port,
                     [&port, &s, title, body, ms](QDBusPendingCallWatcher* w) {
                         const QDBusPendingReply<QStringList> reply = *w;
                         w->deleteLater();
                         if (reply.isError()) {
                             showBalloonFallback(s, title, body, ms);
                             return;
                         }
                         s.bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
                         sendNotify(port, s, title, body, ms);
                     });
}

// Whether a tray host is there. For a StatusNotifierItem the bus daemon's
// word on the watcher's name is enough (Qt registers the item again with a
// new watcher itself); Qt's own question makes a bus connection each time
// and waits for the watcher's answers on this thread.
bool hostPresent(const ShellState& s) {
    if (!s.statusNotifierItem.value_or(false)) return QSystemTrayIcon::isSystemTrayAvailable();
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(kWatcherService);
    return registered.isValid() && registered.value();
}

// Keeps watching for the tray host: says once when there is none, and
// when one appears or a new one replaces the old, tells the main window
// with the shell's "TaskbarCreated" message so the core adds its icon anew.
void checkHost(QtPort& port, ShellState& s, bool announce) {
    const bool present = hostPresent(s);
    const std::uint32_t window = present ? x11TrayWindow() : 0;
    const bool appeared = present && (!s.hostPresent || window != s.hostWindow);
    if (!present && (s.hostPresent || !announce))
        std::fprintf(stderr, "orbel: no notification area (system tray) is running; the icon "
                             "will appear as soon as one starts\n");
    s.hostPresent = present;
    s.hostWindow = window;
    if (appeared && announce)
        port.postMessage(port.mainWindow(), port.registerWindowMessage("TaskbarCreated"), 0, 0);
}

void refreshCaches(ShellState& s) {
    const QPoint cursor = QCursor::pos();
    std::optional<Rect> rect;
    if (s.tray && s.tray->isVisible()) {
        const QRect g = s.tray->geometry();
        if (!g.isEmpty()) rect = Rect{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    }
    std::lock_guard lock(s.cacheMutex);
    s.cursor = cursor;
    s.iconRect = rect;
    s.cursorRefreshQueued = false;
}

bool applyTray(QtPort& port, ShellState& s, unsigned message, const TrayRecord& r) {
    const bool ours = s.tray && r.hWnd == s.owner && r.uID == s.iconId;
    if (message == kNimDelete) {
        if (!ours) {
            setLastError(ENOENT);
            return false;
        }
        s.hostPoll.reset();
        s.tray->hide();
        s.tray.reset();
        s.trayEvents.reset();
        return true;
    }
    if (message == kNimAdd) {
        if (!s.tray) {
            s.tray = std::make_unique<QSystemTrayIcon>(&port);
            s.trayEvents = std::make_unique<TrayEvents>(port, s);
            s.tray->installEventFilter(s.trayEvents.get());
            // No Qt context menu: the core shows its own on WM_RBUTTONUP.
            QObject::connect(s.tray.get(), &QSystemTrayIcon::activated, &port,
                             [&port, &s](QSystemTrayIcon::ActivationReason reason) {
                                 if (s.callbackMessage == 0) return;
                                 for (unsigned mouse : trayMouseMessages(
                                          reason, s.statusNotifierItem.value_or(false)))
                                     port.postMessage(s.owner, s.callbackMessage, s.iconId, mouse);
                             });
        }
        // A second add of the same icon (the core's answer to a new tray
        // host) finds it already shown: Qt embeds it in the new host itself.
        s.owner = r.hWnd;
        s.iconId = r.uID;
    } else if (message != kNimModify || !ours) {
        setLastError(message == kNimModify ? ENOENT : EINVAL);
        return false;
    }

    if (r.uFlags & kNifMessage) s.callbackMessage = r.uCallbackMessage;
    if (r.uFlags & kNifIcon) s.tray->setIcon(port.qicon(r.hIcon));
    if (r.uFlags & kNifTip) {
        const QString tip = displayText(r.tip);
        if (tip != s.tip) {
            s.tip = tip;
            // A StatusNotifierItem's tooltip title is plain text already.
            s.tray->setToolTip(s.statusNotifierItem.value_or(false) ? tip : plainToolTip(tip));
            // An open tooltip keeps its old text unless shown again.
            if (QToolTip::isVisible() && s.tray->geometry().contains(QCursor::pos()))
                QToolTip::showText(QCursor::pos(), plainToolTip(tip));
        }
    }
    if (message == kNimAdd) {
        s.tray->show();
        if (!s.statusNotifierItem) {
            s.statusNotifierItem = ownStatusNotifierItemRegistered();
            // The text given before the host was known went out as markup.
            if (*s.statusNotifierItem && !s.tip.isEmpty()) s.tray->setToolTip(s.tip);
        }
        if (!s.hostPoll) {
            checkHost(port, s, false);
            s.hostPoll = std::make_unique<QTimer>();
            QObject::connect(s.hostPoll.get(), &QTimer::timeout, &port,
                             [&port, &s] { checkHost(port, s, true); });
            s.hostPoll->start(kHostPollMs);
        }
        refreshCaches(s);
    }
    if ((r.uFlags & kNifInfo) && !(r.info.empty() && r.infoTitle.empty()))
        showNotification(port, s, displayText(r.infoTitle), displayText(r.info),
                         static_cast<int>(r.timeoutMs));
    return true;
}

} // namespace

QList<unsigned> trayMouseMessages(QSystemTrayIcon::ActivationReason reason,
                                  bool statusNotifierItem) {
    QList<unsigned> out;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        out = {kWmLButtonDown};
        if (statusNotifierItem) out.append(kWmLButtonDblClk);
        break;
    case QSystemTrayIcon::DoubleClick:
        out = {kWmLButtonDblClk};
        break;
    case QSystemTrayIcon::Context:
        out = {kWmRButtonUp};
        break;
    default:
        return out;
    }
    if (!statusNotifierItem) out.prepend(kWmMouseMove);
    return out;
}

bool ownStatusNotifierItemRegistered() {
    const QString prefix = kItemConnectionPrefix.arg(QCoreApplication::applicationPid());
    for (int n = 1; n <= kMaxItemConnections; ++n) {
        const QDBusConnection item(prefix + QString::number(n));
        if (item.isConnected() && item.objectRegisteredAt(QStringLiteral("/StatusNotifierItem")))
            return true;
    }
    return false;
}

void fillMenu(QMenu& menu, const res::MenuItem& popup, unsigned defaultCommand) {
    for (const res::MenuItem& item : popup.children) {
        if (item.isSeparator()) {
            menu.addSeparator();
        } else if (!item.children.empty()) {
            QMenu* sub = menu.addMenu(fromCp932(item.text));
            fillMenu(*sub, item, defaultCommand);
        } else {
            QAction* action = menu.addAction(fromCp932(item.text));
            action->setData(item.id);
            if (item.id == defaultCommand && item.id != 0) {
                QFont bold = action->font();
                bold.setBold(true);
                action->setFont(bold);
                menu.setDefaultAction(action);
            }
        }
    }
}

bool desktopNotificationsAvailable() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(kNotifyService);
        if (registered.isValid() && registered.value()) return true;
        const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
        if (activatable.isValid() && activatable.value().contains(kNotifyService)) return true;
    }
    return QSystemTrayIcon::supportsMessages();
}

ShellState::ShellState() = default;

// The icon leaves the tray before anything it refers to goes.
ShellState::~ShellState() {
    hostPoll.reset();
    if (tray) tray->hide();
    tray.reset();
    trayEvents.reset();
}

bool QtPort::shellNotifyIcon(unsigned message, const NotifyIconDataOld& form) {
    const TrayRecord r = recordOf(form);
    if (onUiThread()) return applyTray(*this, m_impl->shell, message, r);
    // From the timer thread (the hover check's tooltip) the change is
    // handed over without waiting: the UI thread may itself be waiting for
    // that thread's callback to end.
    QMetaObject::invokeMethod(
        this, [this, message, r] { applyTray(*this, m_impl->shell, message, r); },
        Qt::QueuedConnection);
    return true;
}

bool QtPort::shellNotifyIcon(unsigned message, const NotifyIconDataNew& form) {
    TrayRecord r = recordOf(form);
    r.info = fieldText(form.szInfo);
    r.infoTitle = fieldText(form.szInfoTitle);
    r.timeoutMs = form.uTimeout;
    if (onUiThread()) return applyTray(*this, m_impl->shell, message, r);
    QMetaObject::invokeMethod(
        this, [this, message, r] { applyTray(*this, m_impl->shell, message, r); },
        Qt::QueuedConnection);
    return true;
}

std::optional<Rect> QtPort::notifyIconRect() {
    ShellState& s = m_impl->shell;
    if (onUiThread()) refreshCaches(s);
    std::lock_guard lock(s.cacheMutex);
    return s.iconRect;
}

bool QtPort::trayHostReportsHover() {
    return !m_impl->shell.statusNotifierItem.value_or(false);
}

bool QtPort::getCursorPos(Point& pt) {
    ShellState& s = m_impl->shell;
    if (onUiThread()) {
        refreshCaches(s);
    } else {
        // The timer thread gets the last position the UI thread saw and
        // asks for a fresh one for its next look; waiting here could
        // deadlock against a UI thread that is stopping this very timer.
        std::lock_guard lock(s.cacheMutex);
        if (!s.cursorRefreshQueued) {
            s.cursorRefreshQueued = true;
            QMetaObject::invokeMethod(
                this, [this] { refreshCaches(m_impl->shell); }, Qt::QueuedConnection);
        }
    }
    std::lock_guard lock(s.cacheMutex);
    if (!s.cursor) {
        setLastError(EAGAIN);
        return false;
    }
    pt = Point{s.cursor->x(), s.cursor->y()};
    return true;
}

bool QtPort::trackPopupMenu(const res::MenuItem& popup, unsigned defaultCommand, unsigned, Point at,
                            Hwnd owner) {
    QMenu menu;
    fillMenu(menu, popup, defaultCommand);
    const QAction* chosen = menu.exec(QPoint(at.x, at.y));
    if (chosen && chosen->data().isValid())
        postMessage(owner, kWmCommand, chosen->data().toUInt(), 0);
    return true;
}

// There is no system menu on this desktop; the About box stays in the
// tray menu.
bool QtPort::appendSystemMenuItem(Hwnd, unsigned, std::string_view) {
    return true;
}

} // namespace orbel::qt
