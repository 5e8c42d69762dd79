// Private state of qtIcons.cpp: the registry of icons (HIcon -> our pixel
// image and, made on first use on the UI thread, its QIcon) and the
// registry of fonts (HFont -> QFont). qtSystem.cpp reaches the icons
// through QtPort::addIcon/removeIcon; qtControls.cpp reaches the fonts
// through the functions below. Included only through qtPortImpl.h.
#pragma once

#include "app/winTypes.h"
#include "tray/raster.h"

#include <QFont>
#include <QIcon>
#include <QImage>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace orbel::qt {

struct IconEntry {
    gfx::IconImage image;
    // The mask applied: ARGB32, transparent where the platform's icon shows
    // the screen through.
    QImage argb;
    // Built on the UI thread when first asked for: pixmaps belong there.
    QIcon icon;
};

struct IconsState {
    // Icons are made on the UI thread and also released by destroyIcon on
    // any thread; one lock guards both registries.
    mutable std::mutex mutex;
    std::map<HIcon, IconEntry> icons;
    std::map<HFont, QFont> fonts;
    // Fonts that belong to windows (the dialog fonts): deleteFont leaves
    // them alone, like the platform's stock fonts.
    std::set<HFont> sharedFonts;
    std::uintptr_t nextHandle = 0x10000;
};

// The platform's icon as one image: a mask pixel of 1 (white) over a black
// colour pixel lets the screen through; over any other colour it would
// invert the screen, which a flat image cannot do, so the colour shows.
QImage iconToArgb(const gfx::IconImage& image);

// Registers a font and returns its handle. A shared font is never deleted
// by deleteFont and lives as long as the port; fonts equal to an existing
// shared one get that one's handle.
HFont addFont(IconsState& state, const QFont& font, bool shared);
// The font of a handle; nullopt when unknown.
std::optional<QFont> findFont(const IconsState& state, HFont font);

} // namespace orbel::qt
