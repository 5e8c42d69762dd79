// The Qt port's windows: the Hwnd registry, messages between threads,
// modal loops, modeless windows, window timers and message boxes.
#include "ports/qt/qtPortImpl.h"

#include "common/cp932.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

namespace orbel::qt {

QString fromCp932(std::string_view text) {
    return QString::fromStdString(text::cp932ToUtf8(text));
}

std::string toCp932(const QString& text) { return text::utf8ToCp932(text.toStdString()); }

namespace {

// A message on its way to the UI thread.
class MessageEvent : public QEvent {
public:
    static QEvent::Type type() {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    MessageEvent(Hwnd h, unsigned m, WParam w, LParam l)
        : QEvent(type()), hwnd(h), msg(m), wParam(w), lParam(l) {}
    Hwnd hwnd;
    unsigned msg;
    WParam wParam;
    LParam lParam;
};

// Turns the platform's close box, Enter and Escape into the messages a
// dialog of the core expects; the core decides whether the window ends.
class DialogEvents : public QObject {
public:
    // Owned by the widget it watches.
    DialogEvents(QtPort& port, Hwnd hwnd, QObject* owner)
        : QObject(owner), m_port(port), m_hwnd(hwnd) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Close) {
            e->ignore();
            m_port.postMessage(m_hwnd, kWmClose, 0, 0);
            return true;
        }
        if (e->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(e);
            if (key->key() == Qt::Key_Escape) {
                m_port.postMessage(m_hwnd, kWmCommand, kIdCancelCommand, 0);
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                key->modifiers() == Qt::NoModifier) {
                m_port.postMessage(m_hwnd, kWmCommand, kIdOkCommand, 0);
                return true;
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    QtPort& m_port;
    Hwnd m_hwnd;
};

} // namespace

QtWindow* QtPort::window(Hwnd hwnd) {
    std::lock_guard lock(m_impl->windows.mutex);
    auto it = m_impl->windows.windows.find(hwnd);
    return it == m_impl->windows.windows.end() ? nullptr : &it->second;
}

Hwnd QtPort::mainWindow() const {
    std::lock_guard lock(m_impl->windows.mutex);
    return m_impl->windows.main;
}

Hwnd QtPort::addWindow(QtWindow w) {
    std::lock_guard lock(m_impl->windows.mutex);
    const Hwnd hwnd{m_impl->windows.nextHandle++};
    if (w.templateId == 102 && isNull(m_impl->windows.main)) m_impl->windows.main = hwnd;
    m_impl->windows.windows.emplace(hwnd, std::move(w));
    return hwnd;
}

void QtPort::removeWindow(Hwnd hwnd) {
    QtWindow gone;
    {
        std::lock_guard lock(m_impl->windows.mutex);
        auto it = m_impl->windows.windows.find(hwnd);
        if (it == m_impl->windows.windows.end()) return;
        gone = std::move(it->second);
        m_impl->windows.windows.erase(it);
        if (m_impl->windows.main == hwnd) m_impl->windows.main = Hwnd{};
    }
    for (auto& [id, timer] : gone.timers) delete timer;
    if (gone.widget) gone.widget->deleteLater();
}

bool QtPort::onUiThread() const { return QThread::currentThread() == thread(); }

void QtPort::runOnUiThread(const std::function<void()>& fn) {
    if (onUiThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(this, fn, Qt::BlockingQueuedConnection);
}

LResult QtPort::deliver(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(m_impl->windows.mutex);
        auto it = m_impl->windows.windows.find(hwnd);
        if (it != m_impl->windows.windows.end()) handler = it->second.handler;
    }
    return handler ? resultOrZero(handler->windowProc(hwnd, msg, wParam, lParam)) : 0;
}

bool QtPort::event(QEvent* e) {
    if (e->type() == MessageEvent::type()) {
        const auto* m = static_cast<MessageEvent*>(e);
        deliver(m->hwnd, m->msg, m->wParam, m->lParam);
        return true;
    }
    return QObject::event(e);
}

bool QtPort::postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    {
        std::lock_guard lock(m_impl->windows.mutex);
        if (!m_impl->windows.windows.count(hwnd)) return false;
    }
    QCoreApplication::postEvent(this, new MessageEvent(hwnd, msg, wParam, lParam));
    return true;
}

LResult QtPort::sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    LResult result = 0;
    runOnUiThread([&] { result = deliver(hwnd, msg, wParam, lParam); });
    return result;
}

unsigned QtPort::registerWindowMessage(std::string_view name) {
    std::lock_guard lock(m_impl->windows.mutex);
    auto& reg = m_impl->windows.registered;
    auto [it, added] = reg.emplace(std::string(name), 0xC000u + static_cast<unsigned>(reg.size()));
    return it->second;
}

LResult QtPort::doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) {
    QtWindow w;
    w.handler = &handler;
    w.templateId = templateId;
    w.parent = parent;
    const Hwnd hwnd = addWindow(std::move(w));
    QtWindow* win = window(hwnd);
    QWidget* parentWidget = nullptr;
    if (QtWindow* p = window(parent)) parentWidget = p->widget;
    QWidget* widget = buildDialog(templateId, hwnd, *win, parentWidget);
    {
        std::lock_guard lock(m_impl->windows.mutex);
        win->widget = widget;
    }
    if (widget) widget->installEventFilter(new DialogEvents(*this, hwnd, widget));

    QEventLoop loop;
    {
        std::lock_guard lock(m_impl->windows.mutex);
        win->loop = &loop;
    }
    deliver(hwnd, kWmInitDialog, 0, 0);
    bool ended;
    {
        std::lock_guard lock(m_impl->windows.mutex);
        ended = win->ended;
    }
    // The main window (template 102) is never shown: it only owns the tray.
    if (!ended && widget && templateId != 102) {
        widget->show();
        widget->raise();
        widget->activateWindow();
    }
    if (!ended) loop.exec();
    if (widget) widget->hide();
    deliver(hwnd, kWmDestroy, 0, 0);
    LResult result;
    {
        std::lock_guard lock(m_impl->windows.mutex);
        result = win->result;
        win->loop = nullptr;
    }
    removeWindow(hwnd);
    return result;
}

void QtPort::endDialog(Hwnd hwnd, LResult result) {
    runOnUiThread([&] {
        QEventLoop* loop = nullptr;
        {
            std::lock_guard lock(m_impl->windows.mutex);
            auto it = m_impl->windows.windows.find(hwnd);
            if (it == m_impl->windows.windows.end()) return;
            it->second.ended = true;
            it->second.result = result;
            loop = it->second.loop;
        }
        if (loop) loop->exit(0);
    });
}

Hwnd QtPort::createDialog(unsigned templateId, Hwnd parent, WindowHandler& handler) {
    Hwnd hwnd{};
    runOnUiThread([&] {
        QtWindow w;
        w.handler = &handler;
        w.templateId = templateId;
        w.parent = parent;
        hwnd = addWindow(std::move(w));
        QtWindow* win = window(hwnd);
        QWidget* widget = buildDialog(templateId, hwnd, *win, nullptr);
        if (!widget) {
            removeWindow(hwnd);
            hwnd = Hwnd{};
            return;
        }
        {
            std::lock_guard lock(m_impl->windows.mutex);
            win->widget = widget;
        }
        widget->installEventFilter(new DialogEvents(*this, hwnd, widget));
        deliver(hwnd, kWmInitDialog, 0, 0);
    });
    return hwnd;
}

bool QtPort::destroyWindow(Hwnd hwnd) {
    bool found = false;
    runOnUiThread([&] {
        if (!window(hwnd)) return;
        found = true;
        deliver(hwnd, kWmDestroy, 0, 0);
        removeWindow(hwnd);
    });
    return found;
}

bool QtPort::isWindow(Hwnd hwnd) { return window(hwnd) != nullptr; }

// The main window is never shown and no Qt window is minimised to an icon
// drawn by the program, so there is nothing to paint here.
bool QtPort::isIconic(Hwnd) { return false; }
bool QtPort::getClientRect(Hwnd hwnd, Rect& rect) {
    bool ok = false;
    runOnUiThread([&] {
        QtWindow* w = window(hwnd);
        if (!w || !w->widget) return;
        rect = Rect{0, 0, w->widget->width(), w->widget->height()};
        ok = true;
    });
    return ok;
}
bool QtPort::drawIcon(Hwnd, Point, HIcon) { return false; }

bool QtPort::showWindow(Hwnd hwnd, unsigned command) {
    bool ok = false;
    runOnUiThread([&] {
        QtWindow* w = window(hwnd);
        if (!w || !w->widget) return;
        w->widget->setVisible(command != kSwHide);
        ok = true;
    });
    return ok;
}

bool QtPort::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                          unsigned flags) {
    bool ok = false;
    runOnUiThread([&] {
        QtWindow* w = window(hwnd);
        if (!w || !w->widget) return;
        QWidget* widget = w->widget;
        if (!(flags & kSwpNoSize)) widget->resize(cx, cy);
        widget->move(x, y);
        if (flags & kSwpShowWindow) {
            if (!widget->isVisible()) widget->show();
            // Above everything, unless the core anchors it below a window.
            if (insertAfter == kHwndTopmost) widget->raise();
        }
        ok = true;
    });
    return ok;
}

std::uint32_t QtPort::getWindowLong(Hwnd hwnd, int index) {
    std::lock_guard lock(m_impl->windows.mutex);
    auto it = m_impl->windows.windows.find(hwnd);
    if (it == m_impl->windows.windows.end()) return 0;
    return index == kGwlExStyle ? it->second.exStyle : it->second.style;
}

std::uint32_t QtPort::setWindowLong(Hwnd hwnd, int index, std::uint32_t value) {
    // Styles are kept for the core; the widgets' own flags already say what
    // they mean on this platform (tool window, frameless, no taskbar entry).
    std::lock_guard lock(m_impl->windows.mutex);
    auto it = m_impl->windows.windows.find(hwnd);
    if (it == m_impl->windows.windows.end()) return 0;
    std::uint32_t& field = index == kGwlExStyle ? it->second.exStyle : it->second.style;
    const std::uint32_t old = field;
    field = value;
    return old;
}

bool QtPort::setTimer(Hwnd hwnd, unsigned id, unsigned ms) {
    bool ok = false;
    runOnUiThread([&] {
        QtWindow* w = window(hwnd);
        if (!w) return;
        QTimer*& timer = w->timers[id];
        if (!timer) {
            timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this, hwnd, id] {
                deliver(hwnd, kWmTimer, id, 0);
            });
        }
        timer->start(static_cast<int>(ms));
        ok = true;
    });
    return ok;
}

bool QtPort::killTimer(Hwnd hwnd, unsigned id) {
    bool ok = false;
    runOnUiThread([&] {
        QtWindow* w = window(hwnd);
        if (!w) return;
        auto it = w->timers.find(id);
        if (it == w->timers.end()) return;
        delete it->second;
        w->timers.erase(it);
        ok = true;
    });
    return ok;
}

int QtPort::messageBox(Hwnd owner, std::string_view text, std::string_view caption,
                       unsigned type) {
    const QString body = fromCp932(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString title = fromCp932(caption);
    int result = kIdOk;
    runOnUiThread([&] {
        QWidget* parent = nullptr;
        if (QtWindow* w = window(owner)) parent = w->widget;
        QMessageBox box(parent);
        box.setWindowTitle(title);
        box.setText(body);
        box.setIcon((type & kMbIconExclamation) ? QMessageBox::Warning
                                                : QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        result = kIdOk;
    });
    return result;
}

} // namespace orbel::qt

namespace orbel::qt {

QtPort::QtPort() : m_impl(std::make_unique<Impl>()) {}

// Windows go first: their handlers may still reach the other parts.
QtPort::~QtPort() {
    std::map<Hwnd, QtWindow> left;
    {
        std::lock_guard lock(m_impl->windows.mutex);
        left.swap(m_impl->windows.windows);
    }
    for (auto& [hwnd, w] : left) {
        for (auto& [id, timer] : w.timers) delete timer;
        delete w.widget.data();
    }
}

} // namespace orbel::qt
