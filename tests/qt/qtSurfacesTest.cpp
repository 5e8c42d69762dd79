// The Qt port's surfaces and painting: text placed, broken and clipped as
// the platform draws it, the bold line, WM_PAINT with a painter that the
// blit uses, repaints asked from another thread, and paints that never show
// a picture the timer thread is still drawing.
#include "tests/qt/qtTestSupport.h"

#include <QPainter>

#include <atomic>
#include <thread>

using namespace orbel;
using namespace orbel::qt;
using namespace orbel::qt::test;

constexpr std::uint32_t kWhite = 0x00FFFFFF;

class SurfacesTest : public QObject {
    Q_OBJECT

private:
    TestPort port;
    Recorder handler;
    Hwnd dialog{};
    HSurface surface{};
    Rect area; // frame 1006, where the window draws itself
    int lineHeight = 0;

    QWidget* paintArea() {
        return windowWidget(port, dialog)->findChild<QWidget*>(QStringLiteral("orbelPaintArea"));
    }
    // What the window shows of the surface: a paint of its drawing area.
    QImage shown() { return paintArea()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QImage drawn(std::string_view text, const Rect& box, bool bold = false) {
        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, kWhite);
        port.drawSurfaceText(surface, text, box, bold);
        port.invalidateRect(dialog, area, false);
        return shown();
    }

private slots:
    void init() {
        handler.messages.clear();
        dialog = port.createDialog(145, Hwnd{}, handler);
        QVERIFY(port.getDlgItemRect(dialog, 1006, area));
        surface = port.createSurface(dialog, area.right - area.left, area.bottom - area.top);
        QVERIFY(!isNull(surface));
        handler.onPaint = [this](Hwnd h) {
            QVERIFY(port.blitSurface(h, surface, Point{area.left, area.top}));
        };
        lineHeight = QFontMetrics(windowWidget(port, dialog)->font()).height();
    }
    void cleanup() {
        handler.onPaint = nullptr;
        port.destroySurface(surface);
        port.destroyWindow(dialog);
    }

    void paintAreaCoversTheFrameAndPaintsThroughTheHandler() {
        QVERIFY(paintArea() && paintArea()->testAttribute(Qt::WA_OpaquePaintEvent));
        QCOMPARE(paintArea()->geometry(), qrect(area));
        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x00FF0000); // blue
        port.invalidateRect(dialog, area, false);
        const QImage image = shown();
        QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), qRgb(0, 0, 255));
        QVERIFY(!handler.of(kWmPaint).empty());
        // Outside a paint there is nothing to copy into.
        QVERIFY(!port.blitSurface(dialog, surface, Point{0, 0}));
    }

    void linesBreakOnlyAtCrLfAndStartTopLeft() {
        const Rect box{0, 0, 200, 3 * lineHeight};
        const QImage two = drawn("月\r\n月", box);
        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, kWhite);
        port.drawSurfaceText(surface, "月", box, false);
        port.drawSurfaceText(surface, "月", Rect{0, lineHeight, 200, 3 * lineHeight}, false);
        port.invalidateRect(dialog, area, false);
        QCOMPARE(two, shown());
        QVERIFY(inkIn(two, QRect(0, 0, 30, lineHeight)) > 0);

        // A lone line feed or carriage return is no line break.
        const QImage one = drawn("月\n月\r月", box);
        QVERIFY(inkIn(one, QRect(0, 0, 200, lineHeight)) > 0);
        QCOMPARE(inkIn(one, QRect(0, lineHeight, 200, 2 * lineHeight)), 0);
    }

    void textIsClippedToItsRectangle() {
        const Rect box{10, 10, 70, 10 + 2 * lineHeight};
        const QImage image = drawn("満月満月満月満月満月満月\r\n満月\r\n満月\r\n満月", box);
        const QRect inside(10, 10, 60, 2 * lineHeight);
        QVERIFY(inkIn(image, inside) > 0);
        QCOMPARE(inkIn(image, image.rect()), inkIn(image, inside));
    }

    void boldLineIsHeavier() {
        const Rect box{0, 0, 200, 2 * lineHeight};
        const QRect all = qrect(box);
        const int regular = inkIn(drawn("満月(6日目)", box, false), all);
        const int bold = inkIn(drawn("満月(6日目)", box, true), all);
        QVERIFY2(bold > regular, qPrintable(QStringLiteral("%1 vs %2").arg(bold).arg(regular)));
    }

    void repaintsAskedFromAnotherThreadArrive() {
        windowWidget(port, dialog)->show();
        QVERIFY(QTest::qWaitForWindowExposed(windowWidget(port, dialog)));
        handler.messages.clear();
        bool asked = false;
        std::thread([&] { asked = port.invalidateRect(dialog, area, false); }).join();
        QVERIFY(asked);
        QTRY_VERIFY(!handler.of(kWmPaint).empty());
        QVERIFY(!port.invalidateRect(Hwnd{0x7777}, area, false));
    }

    void paintsNeverShowAHalfDrawnPicture() {
        // The timer thread paints red, then blue over it, then asks for a
        // repaint; every paint must show blue, never the red in between.
        windowWidget(port, dialog)->show();
        port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x00FF0000);
        port.invalidateRect(dialog, area, false);
        std::atomic<bool> stop{false};
        std::thread drawer([&] {
            while (!stop) {
                port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x000000FF);
                port.drawSurfaceText(surface, "満月", Rect{0, 0, 100, 40}, true);
                port.fillSurface(surface, Rect{0, 0, 1000, 1000}, 0x00FF0000);
                port.invalidateRect(dialog, area, false);
            }
        });
        bool allBlue = true;
        for (int i = 0; i < 200; ++i) {
            QCoreApplication::processEvents();
            const QImage image = shown();
            allBlue = allBlue && image.pixel(5, 5) == qRgb(0, 0, 255) &&
                      image.pixel(40, 20) == qRgb(0, 0, 255);
        }
        stop = true;
        drawer.join();
        QVERIFY(allBlue);
    }

    void surfacesNeedAWindowAndASize() {
        QCOMPARE(port.createSurface(Hwnd{0x7777}, 10, 10), HSurface{});
        QCOMPARE(port.createSurface(dialog, 0, 10), HSurface{});
        const HSurface gone = port.createSurface(dialog, 4, 4);
        port.destroySurface(gone);
        QVERIFY(!port.fillSurface(gone, Rect{0, 0, 4, 4}, 0));
        QVERIFY(!port.drawSurfaceText(gone, "x", Rect{0, 0, 4, 4}, false));
    }
};

QTEST_MAIN(SurfacesTest)
#include "qtSurfacesTest.moc"
