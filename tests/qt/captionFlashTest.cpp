// The caption flash on a private X server with a stand-in window manager
// (this test, holding the root window's redirect): the attention hint the
// port asks for on another program's active window is set and taken back,
// the window's other states stay, and the tray icon shows its flash
// picture for the same moment.
#include "ports/qt/qtPortImpl.h"
#include "tests/qt/qtTestSupport.h"
#include "tests/support/xServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QTest>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace orbel;
using namespace orbel::qt;
using namespace orbel::qt::test;

namespace {

// Applies _NET_WM_STATE requests to the window's property as a window
// manager does, and maps what asks to be mapped.
class StandInWm {
public:
    StandInWm() : m_c(xcb_connect(nullptr, nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        m_redirected = !xcb_request_check(
            m_c, xcb_change_window_attributes_checked(m_c, m_root, XCB_CW_EVENT_MASK, &mask));
        state = atom("_NET_WM_STATE");
        attention = atom("_NET_WM_STATE_DEMANDS_ATTENTION");
        maximized = atom("_NET_WM_STATE_MAXIMIZED_VERT");
        // The other program's window, active and already maximised.
        other = xcb_generate_id(m_c);
        const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, other, m_root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, other, state, XCB_ATOM_ATOM, 32, 1,
                            &maximized);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_root, atom("_NET_ACTIVE_WINDOW"),
                            XCB_ATOM_WINDOW, 32, 1, &other);
        // A round trip: the port's connection must find all this done.
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }
    ~StandInWm() { xcb_disconnect(m_c); }

    bool redirected() const { return m_redirected; }

    void pump() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_c)) {
            const auto type = e->response_type & 0x7F;
            if (type == XCB_MAP_REQUEST) {
                xcb_map_window(m_c, reinterpret_cast<xcb_map_request_event_t*>(e)->window);
            } else if (type == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == state) apply(m->window, m->data.data32[0], m->data.data32[1]);
            }
            std::free(e);
        }
        xcb_flush(m_c);
    }

    std::vector<xcb_atom_t> states() {
        std::vector<xcb_atom_t> atoms;
        auto* reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, other, state, XCB_ATOM_ATOM, 0, 32), nullptr);
        if (reply) {
            const auto* p = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
            atoms.assign(p, p + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return atoms;
    }

    xcb_atom_t state = 0, attention = 0, maximized = 0;
    xcb_window_t other = 0;

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    }
    // 0 remove, 1 add, 2 toggle.
    void apply(xcb_window_t window, std::uint32_t action, xcb_atom_t which) {
        if (window != other) return;
        std::vector<xcb_atom_t> atoms = states();
        const auto it = std::find(atoms.begin(), atoms.end(), which);
        const bool has = it != atoms.end();
        if (has && (action == 0 || action == 2)) atoms.erase(it);
        if (!has && (action == 1 || action == 2)) atoms.push_back(which);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, other, state, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(atoms.size()), atoms.data());
        xcb_flush(m_c);
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root = 0;
    bool m_redirected = false;
};

// The tray icon's 16-pixel picture, premultiplied so that fully
// transparent pixels compare equal whatever colour they once had.
QImage picture(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool hasAttention(StandInWm& wm) {
    const auto s = wm.states();
    return std::find(s.begin(), s.end(), wm.attention) != s.end();
}

// Runs both event loops until done() or the limit; the time it took.
template <class Done> qint64 runUntil(StandInWm& wm, Done done, int limitMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        wm.pump();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return clock.elapsed();
}

} // namespace

class CaptionFlashTest : public QObject {
    Q_OBJECT

private slots:
    void hintIsSetAndTakenBackAfterTheFlash() {
        StandInWm wm;
        QVERIFY(wm.redirected());
        QtPort port;
        port.setFlashDuration(std::chrono::milliseconds(150));
        QCOMPARE(port.getForegroundWindow(), kForeignWindow);

        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.flashWindow(kForeignWindow, true));
        runUntil(wm, [&] { return hasAttention(wm); });
        QVERIFY(hasAttention(wm));
        runUntil(wm, [&] { return !hasAttention(wm); });
        QCOMPARE(wm.states(), std::vector<xcb_atom_t>{wm.maximized});
        // Qt's coarse timers may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 140, QByteArray::number(clock.elapsed()));

        // The matching call without inversion ends a flash at once.
        port.setFlashDuration(std::chrono::seconds(60));
        QVERIFY(port.flashWindow(kForeignWindow, true));
        runUntil(wm, [&] { return hasAttention(wm); });
        QVERIFY(hasAttention(wm));
        QVERIFY(port.flashWindow(kForeignWindow, false));
        QVERIFY(runUntil(wm, [&] { return !hasAttention(wm); }) < 3000);
        QCOMPARE(wm.states(), std::vector<xcb_atom_t>{wm.maximized});
    }

    void trayIconShowsTheFlashPictureMeanwhile() {
        StandInWm wm;
        QtPort port;
        port.setFlashDuration(std::chrono::milliseconds(150));
        Recorder main;
        QtWindow w;
        w.handler = &main;
        w.templateId = 102;
        const Hwnd hwnd = port.addWindow(std::move(w));
        NotifyIconDataNew record{};
        record.cbSize = sizeof record;
        record.hWnd = hwnd;
        record.uID = 101;
        record.uFlags = kNifMessage | kNifIcon;
        record.uCallbackMessage = kWmApp;
        record.hIcon = port.loadImage(kResourceModule, 102, kImageIcon, 16, 16, 0);
        QVERIFY(port.shellNotifyIcon(kNimAdd, record));
        auto* tray = port.findChild<QSystemTrayIcon*>();
        QVERIFY(tray);
        const QImage before = picture(tray->icon());
        QCOMPARE(port.getForegroundWindow(), kForeignWindow);

        QVERIFY(port.flashWindow(kForeignWindow, true));
        QImage inverted = before.convertToFormat(QImage::Format_ARGB32);
        inverted.invertPixels(QImage::InvertRgb);
        QVERIFY(picture(tray->icon()) != before);
        QCOMPARE(picture(tray->icon()),
                 inverted.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        runUntil(wm, [&] { return picture(tray->icon()) == before; });
        QCOMPARE(picture(tray->icon()), before);

        // An icon the core sets during the flash is kept at its end.
        QVERIFY(port.flashWindow(kForeignWindow, true));
        record.uFlags = kNifIcon;
        record.hIcon = port.loadImage(kResourceModule, 108, kImageIcon, 16, 16, 0);
        QVERIFY(port.shellNotifyIcon(kNimModify, record));
        const qint64 newKey = tray->icon().cacheKey();
        runUntil(wm, [] { return false; }, 300);
        QCOMPARE(tray->icon().cacheKey(), newKey);
        QVERIFY(port.shellNotifyIcon(kNimDelete, record));
        port.removeWindow(hwnd);
    }
};

int main(int argc, char** argv) {
    orbel::test::XServer server(ORBEL_XVFB);
    if (server.display().empty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    CaptionFlashTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "captionFlashTest.moc"
