// What the Qt port's tests share: a port with a fixed clock and program
// file, a handler that records messages, and widget and pixel helpers.
#pragma once

#include "ports/qt/qtPortImpl.h"

#include <QImage>
#include <QScopeGuard>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace orbel::qt::test {

// 2026-12-06T00:00:00Z, 09:00 in Tokyo: Orithaven 944/04/06 00:00:00.
inline constexpr std::time_t kMidnight = 1796515200;

class TestPort : public QtPort {
public:
    std::time_t time() override { return now.load(); }
    std::optional<std::string> getModuleFileName() override {
        return moduleFile ? moduleFile : QtPort::getModuleFileName();
    }
    // No session bus here to ask.
    bool getScreenSaverRunning(bool& running) override {
        running = false;
        return true;
    }

    std::atomic<std::time_t> now{kMidnight};
    std::optional<std::string> moduleFile; // nullopt: the real executable
};

struct Message {
    unsigned msg;
    WParam wParam;
    LParam lParam;
    NmHdr header; // for kWmNotify, copied while it lives
};

class Recorder : public WindowHandler {
public:
    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override {
        Message m{msg, wParam, lParam, {}};
        if (msg == kWmNotify && lParam) m.header = *reinterpret_cast<const NmHdr*>(lParam);
        messages.push_back(m);
        if (msg == kWmPaint && onPaint) onPaint(hwnd);
        return 0;
    }
    std::vector<Message> of(unsigned msg) const {
        std::vector<Message> out;
        std::copy_if(messages.begin(), messages.end(), std::back_inserter(out),
                     [&](const Message& m) { return m.msg == msg; });
        return out;
    }
    std::vector<WParam> wParams(unsigned msg) const {
        std::vector<WParam> out;
        for (const Message& m : of(msg))
            out.push_back(m.wParam);
        return out;
    }
    std::vector<Message> messages;
    std::function<void(Hwnd)> onPaint;
};

template <class W = QWidget> W* widgetOf(QtPort& port, Hwnd dialog, int id) {
    return qobject_cast<W*>(findControl(port, dialog, id));
}

inline QWidget* windowWidget(QtPort& port, Hwnd hwnd) {
    return port.window(hwnd) ? port.window(hwnd)->widget.data() : nullptr;
}

inline QRect qrect(const Rect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// A window of the port's own with no template behind it.
inline Hwnd addWindow(QtPort& port, WindowHandler& handler, QWidget* widget, unsigned templateId) {
    QtWindow w;
    w.handler = &handler;
    w.widget = widget;
    w.templateId = templateId;
    return port.addWindow(std::move(w));
}

// A button's box, which answers wherever its text may end.
inline void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
}

// Pixels in `area` that differ from the background.
inline int inkIn(const QImage& image, const QRect& area, QRgb background = 0xFFFFFF) {
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ink += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
    return ink;
}

} // namespace orbel::qt::test

// Names the table row a failure inside the current scope belongs to.
#define ORBEL_ROW(name)                                                                            \
    const auto orbelRowTrace = qScopeGuard([&] {                                                   \
        if (QTest::currentTestFailed()) qWarning("in row: %s", qPrintable(QString(name)));         \
    })
