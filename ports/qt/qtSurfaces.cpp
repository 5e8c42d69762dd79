// The Qt port's off-screen surfaces: images the detail window fills and
// writes on the timer thread, and copies into its window on the UI thread
// when the window paints. Each surface has its own lock; the map of them
// has another, held only to find one.
#include "ports/qt/qtPortImpl.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <cstring>
#include <vector>

namespace orbel::qt {

namespace {

QColor fromColorRef(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

std::shared_ptr<Surface> find(ControlsState& s, HSurface surface) {
    std::lock_guard lock(s.surfaceMutex);
    const auto it = s.surfaces.find(surface);
    return it == s.surfaces.end() ? nullptr : it->second;
}

// Brings `shown` up to `image`. Under the surface's lock.
void publish(Surface& surface) {
    const QRect part = surface.drawn;
    surface.drawn = QRect();
    if (surface.shown.size() != surface.image.size()) {
        surface.shown = surface.image.copy();
        return;
    }
    if (part.isEmpty()) return;
    // Row by row into the picture paints copy: no painter, and `shown` is
    // never shared, so writing it detaches nothing.
    const qsizetype offset = part.left() * 4; // RGB32
    const qsizetype bytes = part.width() * 4;
    for (int y = part.top(); y <= part.bottom(); ++y)
        std::memcpy(surface.shown.scanLine(y) + offset, surface.image.constScanLine(y) + offset,
                    static_cast<std::size_t>(bytes));
}

} // namespace

HSurface QtPort::createSurface(Hwnd dialog, int width, int height) {
    if (width <= 0 || height <= 0) return HSurface{};
    auto surface = std::make_shared<Surface>();
    bool found = false;
    runOnUiThread([&] {
        QtWindow* w = window(dialog);
        if (!w || !w->widget) return;
        surface->font = w->widget->font();
        surface->text = w->widget->palette().color(QPalette::WindowText);
        // The bold line: the dialog's face one pixel larger, weight 700.
        surface->bold = surface->font;
        surface->bold.setPixelSize(QFontInfo(surface->font).pixelSize() + 1);
        surface->bold.setWeight(QFont::Bold);
        found = true;
    });
    if (!found) return HSurface{};
    surface->owner = dialog;
    surface->image = QImage(width, height, QImage::Format_RGB32);
    surface->image.fill(Qt::white);
    ControlsState& s = m_impl->controls;
    std::lock_guard lock(s.surfaceMutex);
    const HSurface handle{s.nextSurface++};
    s.surfaces.emplace(handle, std::move(surface));
    return handle;
}

void QtPort::destroySurface(HSurface surface) {
    ControlsState& s = m_impl->controls;
    std::shared_ptr<Surface> gone;
    {
        std::lock_guard lock(s.surfaceMutex);
        const auto it = s.surfaces.find(surface);
        if (it == s.surfaces.end()) return;
        gone = std::move(it->second);
        s.surfaces.erase(it);
    }
    // A draw still holding it finishes first; the last owner frees it.
}

bool QtPort::fillSurface(HSurface surface, const Rect& rect, std::uint32_t color) {
    const std::shared_ptr<Surface> target = find(m_impl->controls, surface);
    if (!target) return false;
    std::lock_guard lock(target->mutex);
    QPainter painter(&target->image);
    painter.fillRect(toQRect(rect), fromColorRef(color));
    target->drawn |= toQRect(rect) & target->image.rect();
    return true;
}

bool QtPort::drawSurfaceText(HSurface surface, std::string_view text, const Rect& rect, bool bold) {
    const std::shared_ptr<Surface> target = find(m_impl->controls, surface);
    if (!target) return false;
    // Converted whole before it is split, so no break can fall inside a
    // double-byte character.
    const QStringList lines = fromCp932(text).split(QStringLiteral("\r\n"));
    std::lock_guard lock(target->mutex);
    QPainter painter(&target->image);
    const QFont& font = bold ? target->bold : target->font;
    painter.setFont(font);
    painter.setPen(target->text);
    const QRect box = toQRect(rect);
    painter.setClipRect(box);
    target->drawn |= box & target->image.rect();
    const int lineHeight = QFontMetrics(font).height();
    int y = box.top();
    for (const QString& line : lines) {
        if (y >= box.bottom() + 1) break;
        // No wrapping: a line runs on past the right edge and is cut there.
        // '&' marks the next character, as the platform's text drawing does
        // unless told otherwise.
        painter.drawText(QRect(box.left(), y, std::max(box.width(), 1) * 4, lineHeight),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic |
                             Qt::TextDontClip,
                         line);
        y += lineHeight;
    }
    return true;
}

bool QtPort::invalidateRect(Hwnd hwnd, const Rect& rect, bool) {
    {
        std::lock_guard lock(m_impl->windows.mutex);
        if (!m_impl->windows.windows.count(hwnd)) return false;
    }
    // What the window's surfaces hold now is what its paints will show.
    std::vector<std::shared_ptr<Surface>> owned;
    {
        ControlsState& s = m_impl->controls;
        std::lock_guard lock(s.surfaceMutex);
        for (const auto& [handle, surface] : s.surfaces)
            if (surface->owner == hwnd) owned.push_back(surface);
    }
    for (const std::shared_ptr<Surface>& surface : owned) {
        std::lock_guard lock(surface->mutex);
        publish(*surface);
    }
    // From any thread: the repaint itself is the UI thread's, queued; Qt
    // merges the requests that pile up before it gets to them.
    QMetaObject::invokeMethod(
        this,
        [this, hwnd, rect] {
            QtWindow* w = window(hwnd);
            if (!w || !w->widget) return;
            QWidget* dialog = w->widget;
            const QRect area = toQRect(rect).translated(clientOrigin(dialog));
            // An update of the dialog would leave out the opaque paint area
            // above it: the area itself is asked.
            if (auto* paint = dialog->findChild<QWidget*>(kPaintAreaName)) {
                const QRect part =
                    area.isEmpty() ? paint->rect() : area.translated(-paint->pos()) & paint->rect();
                if (!part.isEmpty()) paint->update(part);
                if (area.isEmpty() || paint->geometry().contains(area)) return;
            }
            dialog->update(area.isEmpty() ? dialog->rect() : area);
        },
        Qt::QueuedConnection);
    return true;
}

bool QtPort::blitSurface(Hwnd hwnd, HSurface surface, Point at) {
    ControlsState& s = m_impl->controls;
    if (!onUiThread() || !s.painter || s.painting != hwnd) return false;
    const std::shared_ptr<Surface> source = find(s, surface);
    if (!source) return false;
    std::lock_guard lock(source->mutex);
    s.painter->drawImage(QPoint(at.x, at.y) - s.paintOrigin,
                         source->shown.isNull() ? source->image : source->shown);
    s.blitted = true;
    return true;
}

} // namespace orbel::qt
