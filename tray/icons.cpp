// The tray icon's pictures: the moon icon with its lunar-day bar, the eight
// frames of the weekday slide, and the slide's steps.
//
// Everything is drawn on our own surfaces (tray/raster.h) with the
// coordinates the platform's drawing calls would be given, and turned into
// native icons only through the port. Each build takes copies of an icon's
// two images (getIconInfo), changes them and makes a new icon of them, so
// the shared phase icon itself is never written to.
#include "tray/icons.h"

#include "app/logFile.h"
#include "app/orbelApp.h"

namespace orbel {

namespace {

// 1/7 exactly as the double the lengths and offsets are computed with;
// written out so that every build rounds the same way.
constexpr double kOneSeventh = 0.14285714285714285;

// The bar's colour: a plain green that reads on the light and the dark
// moon pictures alike.
constexpr gfx::ColorRef kBarColour = gfx::rgb(0, 255, 0);
constexpr int kBarPenWidth = 2;

// The ground lines under the weekday disc.
constexpr gfx::ColorRef kLineColour = gfx::rgb(192, 192, 192);

// The weekday colours by weekday 0..7. The first table's softer tones need
// a shell that shows tray icons in full colour; the second keeps to the
// basic sixteen-colour palette, which any shell shows without dithering.
constexpr std::array<gfx::ColorRef, 8> kWeekdayColoursA{
    gfx::rgb(249, 37, 0),    gfx::rgb(234, 194, 71),  gfx::rgb(44, 45, 210),
    gfx::rgb(109, 224, 81),  gfx::rgb(135, 206, 235), gfx::rgb(158, 40, 163),
    gfx::rgb(255, 255, 224), gfx::rgb(75, 90, 102),
};
constexpr std::array<gfx::ColorRef, 8> kWeekdayColoursB{
    gfx::rgb(255, 0, 0),   gfx::rgb(255, 255, 0), gfx::rgb(0, 0, 255),     gfx::rgb(0, 255, 0),
    gfx::rgb(0, 255, 255), gfx::rgb(128, 0, 128), gfx::rgb(255, 255, 255), gfx::rgb(0, 0, 0),
};

// The Windows version classes (app/windowsClass.h) that get the first
// table: Windows Me (48) among the old shells, and everything from Windows
// XP (96) on.
constexpr int kClassMillennium = 48;
constexpr int kClassXp = 96;

} // namespace

int barLength(int smallIconWidth, int lunarDay) {
    // A seventh of the inner width per day begun, so that the last day of a
    // phase reaches one pixel short of the right edge. The order of the
    // operations is part of the result: it decides where x.5 values fall.
    const double length = (smallIconWidth - 2) * kOneSeventh * (lunarDay + 1) + 1.0 + 0.5;
    return static_cast<int>(length);
}

bool usesFirstColourTable(int windowsClass) {
    return windowsClass >= kClassXp || windowsClass == kClassMillennium;
}

gfx::ColorRef weekdayColour(int weekday, int windowsClass) {
    const auto slot = static_cast<std::size_t>(((weekday % 8) + 8) % 8);
    return usesFirstColourTable(windowsClass) ? kWeekdayColoursA[slot] : kWeekdayColoursB[slot];
}

int swapFrameShift(int height, int frame) {
    // An eighth of the height per frame, so frame 7 pushes the moon out.
    return static_cast<int>(height * 0.125 * (frame + 1) + 0.5);
}

bool drawSwapFrame(gfx::Bitmap& image, gfx::ColorRef outlinePen, gfx::ColorRef linePen,
                   gfx::ColorRef discBrush, gfx::ColorRef highlightBrush,
                   gfx::ColorRef backgroundBrush, int frame) {
    if (image.empty()) return false;
    const int w = image.width();
    const int h = image.height();

    // The moon picture as it was; it goes back on top, shifted down.
    const gfx::Bitmap kept = image;

    gfx::fillRect(image, Rect{0, 0, w, h}, backgroundBrush);

    // The ground: two short lines at the lower right, the lower one a pixel
    // longer, which the disc partly covers.
    gfx::LineCursor line(image, gfx::Pen::cosmetic(linePen));
    line.moveTo(w / 2, h - 2);
    line.lineTo(w - 2, h - 2);
    line.moveTo(w / 2, h - 3);
    line.lineTo(w - 3, h - 3);

    // The weekday disc, then its highlight towards the upper left; both
    // rimmed with the outline pen.
    gfx::ellipse(image, outlinePen, discBrush, 2, 3, w - 2, h - 1);
    const int x0 = static_cast<int>(w * kOneSeventh + 0.5) + 2;
    const int y0 = static_cast<int>(h * kOneSeventh + 0.5) + 3;
    gfx::ellipse(image, outlinePen, highlightBrush, x0, y0, x0 + 5, y0 + 5);

    // The whole old picture, mask included, so its transparent parts stay
    // transparent and the weekday picture shows only above it.
    gfx::bitBlt(image, 0, swapFrameShift(h, frame), kept);
    return true;
}

CTrayIconSet::CTrayIconSet(COrbelApp& app) : m_app(app) {}

CTrayIconSet::~CTrayIconSet() {
    // Every icon of the set was made for it (or is a shared phase icon the
    // set was handed), so the set is the one that lets them go.
    Port& port = m_app.port();
    if (!isNull(m_moonIcon)) port.destroyIcon(m_moonIcon);
    for (HIcon icon : m_frames)
        if (!isNull(icon)) port.destroyIcon(icon);
}

HIcon CTrayIconSet::frame(int i) const {
    if (i < 0 || i >= kFrameCount) return HIcon{};
    return m_frames[static_cast<std::size_t>(i)];
}

HIcon CTrayIconSet::forwardStep(bool& finished) {
    m_counter = ((m_counter % kSlideSteps) + kSlideSteps) % kSlideSteps;
    const HIcon shown = frame(kSlideSequence[static_cast<std::size_t>(m_counter)]);
    ++m_counter;
    finished = m_counter >= kSlideSteps;
    // Parked on the last frame, so the slide back starts from it and a new
    // slide out after an interrupted hold shows it at once.
    if (finished) m_counter = kSlideSteps - 1;
    return shown;
}

HIcon CTrayIconSet::backwardStep(bool& finished) {
    m_counter = ((m_counter % kSlideSteps) + kSlideSteps) % kSlideSteps;
    const HIcon shown = frame(kSlideSequence[static_cast<std::size_t>(m_counter)]);
    --m_counter;
    finished = m_counter < 0;
    if (finished) m_counter = 0;
    return shown;
}

HIcon CTrayIconSet::drawBar(HIcon icon, int length) {
    DialogPort& port = m_app.port();
    gfx::IconImage image;
    if (!port.getIconInfo(icon, image) || image.color.empty()) return HIcon{};

    // A 2-pixel pen centred on the bottom row: half of it falls below the
    // image, so the bar covers the last two rows from x = 0 to length - 1.
    // The mask stays as it is: where the phase picture is transparent the
    // bar's green is XORed onto the taskbar, which keeps it visible there.
    const int h = image.color.height();
    gfx::LineCursor pen(image.color, gfx::Pen::geometricFlat(kBarPenWidth, kBarColour));
    pen.moveTo(0, h - 1);
    pen.lineTo(length, h - 1);

    return port.createIconIndirect(image);
}

HIcon CTrayIconSet::modifyIcon(HIcon moonIcon, gfx::ColorRef colour, int frame) {
    DialogPort& port = m_app.port();
    gfx::IconImage image;
    if (!port.getIconInfo(moonIcon, image)) return HIcon{};

    // The colour image: the disc and its rim in the weekday colour, a white
    // highlight, grey ground lines, on black (transparent under the mask).
    if (!drawSwapFrame(image.color, colour, kLineColour, colour, gfx::kWhite, gfx::kBlack, frame))
        return HIcon{};
    // The mask: everything drawn is opaque, the rest transparent.
    if (!drawSwapFrame(image.mask, gfx::kBlack, gfx::kBlack, gfx::kBlack, gfx::kBlack, gfx::kWhite,
                       frame))
        return HIcon{};

    return port.createIconIndirect(image);
}

bool CTrayIconSet::createTrayIcon(int index, int lunarDay, int weekday) {
    Port& port = m_app.port();
    LogFile& log = m_app.log();

    // Everything is built aside first: a build that fails anywhere keeps
    // the previous moon and frames, which the tray and the slide still use.
    const HIcon base = m_app.getIcon(index, false, true);
    if (isNull(base)) {
        ORBEL_LOG(log, "getIcon failed");
        return false;
    }
    HIcon moon = base;
    if (lunarDay >= 0) {
        moon = drawBar(base, barLength(port.getSystemMetrics(kSmCxSmIcon), lunarDay));
        if (isNull(moon)) {
            ORBEL_LOG(log, "drawBar failed");
            port.destroyIcon(base);
            return false;
        }
        if (!port.destroyIcon(base)) ORBEL_LOG(log, "DestroyIcon failed.");
    }

    const gfx::ColorRef colour = weekdayColour(weekday, m_app.getWindowsClass());
    std::array<HIcon, kFrameCount> frames{};
    for (std::size_t frame = 0; frame < frames.size(); ++frame) {
        frames[frame] = modifyIcon(moon, colour, static_cast<int>(frame));
        if (isNull(frames[frame])) {
            ORBEL_LOG(log, "modifyIcon failed");
            for (HIcon built : frames)
                if (!isNull(built)) port.destroyIcon(built);
            port.destroyIcon(moon);
            return false;
        }
    }

    if (!isNull(m_moonIcon) && !port.destroyIcon(m_moonIcon)) ORBEL_LOG(log, "DestroyIcon failed.");
    for (HIcon old : m_frames)
        if (!isNull(old)) port.destroyIcon(old);
    m_moonIcon = moon;
    m_frames = frames;
    return true;
}

} // namespace orbel
