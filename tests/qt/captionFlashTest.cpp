// The caption flash on a private X server with this test as the window
// manager: the attention hint on another program's active window is set and
// taken back, and the tray icon shows its flash picture meanwhile.
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

// Holds the root window's redirect, makes "the other program's" window the
// active one and answers the _NET_WM_STATE requests for the hint on it.
struct StandInWm {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_atom_t state = atom("_NET_WM_STATE"), attention = atom("_NET_WM_STATE_DEMANDS_ATTENTION");
    xcb_window_t other = xcb_generate_id(c);
    bool redirected = false;

    StandInWm() {
        const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        redirected = !xcb_request_check(
            c, xcb_change_window_attributes_checked(c, screen->root, XCB_CW_EVENT_MASK, &mask));
        xcb_create_window(c, XCB_COPY_FROM_PARENT, other, screen->root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom("_NET_ACTIVE_WINDOW"),
                            XCB_ATOM_WINDOW, 32, 1, &other);
        // A round trip: the port's connection must find all this done.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    ~StandInWm() { xcb_disconnect(c); }

    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    }
    bool hasAttention() {
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, other, state, XCB_ATOM_ATOM, 0, 32), nullptr);
        const bool has =
            reply && xcb_get_property_value_length(reply) == 4 &&
            *static_cast<const xcb_atom_t*>(xcb_get_property_value(reply)) == attention;
        std::free(reply);
        return has;
    }
    // Runs both event loops until the hint is as wanted or 3 s have passed.
    bool waitFor(bool wanted) {
        QElapsedTimer clock;
        clock.start();
        while (hasAttention() != wanted && clock.elapsed() < 3000) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                // data32: 0 remove, 1 add; the state's atom.
                if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE && m->window == other &&
                    m->type == state && m->data.data32[1] == attention)
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, other, state, XCB_ATOM_ATOM, 32,
                                        m->data.data32[0] == 1 ? 1 : 0, &attention);
                std::free(e);
            }
            xcb_flush(c);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
        }
        return hasAttention() == wanted;
    }
};

// The tray icon's 16-pixel picture, premultiplied so that fully
// transparent pixels compare equal whatever colour they once had.
QImage picture(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class CaptionFlashTest : public QObject {
    Q_OBJECT

private slots:
    void hintAndTrayPictureLastOneFlash() {
        StandInWm wm;
        QVERIFY(wm.redirected);
        QtPort port;
        Recorder main;
        NotifyIconDataNew record{};
        record.cbSize = sizeof record;
        record.hWnd = addWindow(port, main, nullptr, 102);
        record.uFlags = kNifIcon;
        record.hIcon = port.loadImage(kResourceModule, 102, kImageIcon, 16, 16, 0);
        QVERIFY(port.shellNotifyIcon(kNimAdd, record));
        auto* tray = port.findChild<QSystemTrayIcon*>();
        QVERIFY(tray);
        const QImage before = picture(tray->icon());
        QImage inverted = before.convertToFormat(QImage::Format_ARGB32);
        inverted.invertPixels(QImage::InvertRgb);
        inverted = inverted.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(inverted != before);
        QCOMPARE(port.getForegroundWindow(), kForeignWindow);

        port.setFlashDuration(std::chrono::milliseconds(150));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.flashWindow(kForeignWindow, true));
        QCOMPARE(picture(tray->icon()), inverted);
        QVERIFY(wm.waitFor(true));
        QVERIFY(wm.waitFor(false));
        QCOMPARE(picture(tray->icon()), before);
        // Qt's coarse timers may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 140, QByteArray::number(clock.elapsed()));

        // The matching call without inversion ends a flash at once.
        port.setFlashDuration(std::chrono::seconds(60));
        QVERIFY(port.flashWindow(kForeignWindow, true));
        QVERIFY(wm.waitFor(true));
        QVERIFY(port.flashWindow(kForeignWindow, false));
        QCOMPARE(picture(tray->icon()), before);
        QVERIFY(wm.waitFor(false));

        // An icon the core sets during a flash is kept at its end.
        port.setFlashDuration(std::chrono::milliseconds(50));
        QVERIFY(port.flashWindow(kForeignWindow, true));
        record.hIcon = port.loadImage(kResourceModule, 108, kImageIcon, 16, 16, 0);
        QVERIFY(port.shellNotifyIcon(kNimModify, record));
        const qint64 newKey = tray->icon().cacheKey();
        QVERIFY(wm.waitFor(true));
        QVERIFY(wm.waitFor(false));
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
