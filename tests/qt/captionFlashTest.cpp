// The caption flash on a private X server with a stand-in window manager
// (this test, holding the root window's redirect): the attention hint the
// port asks for on another program's active window is set and taken back,
// and the tray icon shows its flash picture for the same moment.
#include "ports/qt/qtPortImpl.h"
#include "tests/qt/qtTestSupport.h"
#include "tests/support/xServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QTest>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace orbel;
using namespace orbel::qt;
using namespace orbel::qt::test;

namespace {

// Holds the root window's redirect as a window manager does and answers
// the _NET_WM_STATE requests for the hint on the other program's window,
// which it creates and makes the active one.
class StandInWm {
public:
    StandInWm() : m_c(xcb_connect(nullptr, nullptr)) {
        const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        m_redirected = !xcb_request_check(m_c, xcb_change_window_attributes_checked(
                                                   m_c, screen->root, XCB_CW_EVENT_MASK, &mask));
        m_state = atom("_NET_WM_STATE");
        m_attention = atom("_NET_WM_STATE_DEMANDS_ATTENTION");
        m_other = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_other, screen->root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, screen->root, atom("_NET_ACTIVE_WINDOW"),
                            XCB_ATOM_WINDOW, 32, 1, &m_other);
        // A round trip: the port's connection must find all this done.
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }
    ~StandInWm() { xcb_disconnect(m_c); }

    bool redirected() const { return m_redirected; }

    void pump() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_c)) {
            const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            // data32: 0 remove, 1 add; the state's atom.
            if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE && m->window == m_other &&
                m->type == m_state && m->data.data32[1] == m_attention)
                xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_other, m_state, XCB_ATOM_ATOM,
                                    32, m->data.data32[0] == 1 ? 1 : 0, &m_attention);
            std::free(e);
        }
        xcb_flush(m_c);
    }

    // The window's _NET_WM_STATE holds the hint.
    bool hasAttention() {
        auto* reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, m_other, m_state, XCB_ATOM_ATOM, 0, 32), nullptr);
        const bool has = reply && xcb_get_property_value_length(reply) == 4 &&
                         *static_cast<const xcb_atom_t*>(xcb_get_property_value(reply)) ==
                             m_attention;
        std::free(reply);
        return has;
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    }

    xcb_connection_t* m_c;
    xcb_atom_t m_state = 0, m_attention = 0;
    xcb_window_t m_other = 0;
    bool m_redirected = false;
};

// The tray icon's 16-pixel picture, premultiplied so that fully
// transparent pixels compare equal whatever colour they once had.
QImage picture(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
    void hintAndTrayPictureLastOneFlash() {
        StandInWm wm;
        QVERIFY(wm.redirected());
        QtPort port;
        port.setFlashDuration(std::chrono::milliseconds(150));
        Recorder main;
        QtWindow w;
        w.handler = &main;
        w.templateId = 102;
        NotifyIconDataNew record{};
        record.cbSize = sizeof record;
        record.hWnd = port.addWindow(std::move(w));
        record.uID = 101;
        record.uFlags = kNifIcon;
        record.hIcon = port.loadImage(kResourceModule, 102, kImageIcon, 16, 16, 0);
        QVERIFY(port.shellNotifyIcon(kNimAdd, record));
        auto* tray = port.findChild<QSystemTrayIcon*>();
        QVERIFY(tray);
        const QImage before = picture(tray->icon());
        QImage inverted = before.convertToFormat(QImage::Format_ARGB32);
        inverted.invertPixels(QImage::InvertRgb);
        QVERIFY(inverted.convertToFormat(QImage::Format_ARGB32_Premultiplied) != before);
        QCOMPARE(port.getForegroundWindow(), kForeignWindow);

        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.flashWindow(kForeignWindow, true));
        QCOMPARE(picture(tray->icon()),
                 inverted.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        runUntil(wm, [&] { return wm.hasAttention(); });
        QVERIFY(wm.hasAttention());
        runUntil(wm, [&] { return !wm.hasAttention(); });
        QVERIFY(!wm.hasAttention());
        QCOMPARE(picture(tray->icon()), before);
        // Qt's coarse timers may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 140, QByteArray::number(clock.elapsed()));

        // The matching call without inversion ends a flash at once.
        port.setFlashDuration(std::chrono::seconds(60));
        QVERIFY(port.flashWindow(kForeignWindow, true));
        runUntil(wm, [&] { return wm.hasAttention(); });
        QVERIFY(port.flashWindow(kForeignWindow, false));
        QCOMPARE(picture(tray->icon()), before);
        QVERIFY(runUntil(wm, [&] { return !wm.hasAttention(); }) < 3000);

        // An icon the core sets during a flash is kept at its end.
        port.setFlashDuration(std::chrono::milliseconds(50));
        QVERIFY(port.flashWindow(kForeignWindow, true));
        record.hIcon = port.loadImage(kResourceModule, 108, kImageIcon, 16, 16, 0);
        QVERIFY(port.shellNotifyIcon(kNimModify, record));
        const qint64 newKey = tray->icon().cacheKey();
        runUntil(wm, [&] { return wm.hasAttention(); });
        runUntil(wm, [&] { return !wm.hasAttention(); });
        QVERIFY(!wm.hasAttention());
        QCOMPARE(tray->icon().cacheKey(), newKey);
        QVERIFY(port.shellNotifyIcon(kNimDelete, record));
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
