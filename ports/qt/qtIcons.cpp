// The Qt port's icons and fonts: handles for our own pixel images (the
// tray icon, the phase icons) turned into QIcons, and handles for the bold
// fonts the core asks for.
#include "ports/qt/qtPortImpl.h"

#include <QPixmap>
#include <QWidget>

namespace orbel::qt {

QImage iconToArgb(const gfx::IconImage& image) {
    const gfx::Bitmap& color = image.color;
    if (color.empty()) return {};
    const bool masked =
        image.mask.width() == color.width() && image.mask.height() == color.height();
    QImage out(color.width(), color.height(), QImage::Format_ARGB32);
    for (int y = 0; y < color.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < color.width(); ++x) {
            const gfx::ColorRef c = color.at(x, y);
            const bool through = masked && image.mask.at(x, y) != gfx::kBlack && c == gfx::kBlack;
            line[x] = through
                          ? qRgba(0, 0, 0, 0)
                          : qRgb(static_cast<int>(gfx::redOf(c)), static_cast<int>(gfx::greenOf(c)),
                                 static_cast<int>(gfx::blueOf(c)));
        }
    }
    return out;
}

HFont addFont(IconsState& state, const QFont& font, bool shared) {
    std::lock_guard lock(state.mutex);
    if (shared) {
        for (const HFont handle : state.sharedFonts)
            if (state.fonts.at(handle) == font) return handle;
    }
    const HFont handle{state.nextHandle++};
    state.fonts.emplace(handle, font);
    if (shared) state.sharedFonts.insert(handle);
    return handle;
}

std::optional<QFont> findFont(const IconsState& state, HFont font) {
    std::lock_guard lock(state.mutex);
    const auto it = state.fonts.find(font);
    if (it == state.fonts.end()) return std::nullopt;
    return it->second;
}

HIcon QtPort::addIcon(const gfx::IconImage& image) {
    if (image.color.empty()) return HIcon{};
    IconEntry entry{image, iconToArgb(image), QIcon()};
    IconsState& s = m_impl->icons;
    std::lock_guard lock(s.mutex);
    const HIcon handle{s.nextHandle++};
    s.icons.emplace(handle, std::move(entry));
    return handle;
}

bool QtPort::removeIcon(HIcon icon) {
    IconsState& s = m_impl->icons;
    IconEntry gone;
    {
        std::lock_guard lock(s.mutex);
        const auto it = s.icons.find(icon);
        if (it == s.icons.end()) return false;
        gone = std::move(it->second);
        s.icons.erase(it);
    }
    // A QIcon holds pixmaps, which may only be released on the UI thread.
    if (!gone.icon.isNull() && !onUiThread())
        QMetaObject::invokeMethod(
            this, [icon = std::move(gone.icon)] {}, Qt::QueuedConnection);
    return true;
}

QIcon QtPort::qicon(HIcon icon) const {
    IconsState& s = m_impl->icons;
    std::lock_guard lock(s.mutex);
    const auto it = s.icons.find(icon);
    if (it == s.icons.end()) return QIcon();
    if (it->second.icon.isNull() && onUiThread())
        it->second.icon = QIcon(QPixmap::fromImage(it->second.argb));
    return it->second.icon;
}

HIcon QtPort::createIconIndirect(const gfx::IconImage& image) {
    if (image.color.empty() || image.mask.width() != image.color.width() ||
        image.mask.height() != image.color.height())
        return HIcon{};
    return addIcon(image);
}

bool QtPort::getIconInfo(HIcon icon, gfx::IconImage& image) {
    IconsState& s = m_impl->icons;
    std::lock_guard lock(s.mutex);
    const auto it = s.icons.find(icon);
    if (it == s.icons.end()) return false;
    image = it->second.image;
    return true;
}

HFont QtPort::createBoldFont(Hwnd dialog, int controlId) {
    std::optional<QFont> bold;
    runOnUiThread([&] {
        QtWindow* w = window(dialog);
        if (!w) return;
        const auto it = w->controls.find(controlId);
        if (it == w->controls.end() || !it->second) return;
        QFont font = it->second->font();
        font.setWeight(QFont::Bold); // 700
        bold = font;
    });
    if (!bold) return HFont{};
    return addFont(m_impl->icons, *bold, false);
}

void QtPort::deleteFont(HFont font) {
    IconsState& s = m_impl->icons;
    std::lock_guard lock(s.mutex);
    if (s.sharedFonts.count(font)) return;
    s.fonts.erase(font);
}

} // namespace orbel::qt
