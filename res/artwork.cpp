#include "res/artwork.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orbel::res {

namespace {

using gfx::ColorRef;
using gfx::rgb;

constexpr double kPi = 3.14159265358979323846;

// The moon's tones. The lit side is a pale gold that stays bright on the
// light and the dark taskbars; the dark side is a deep slate, and its rim a
// lighter slate so the new moon still shows as a disc.
constexpr ColorRef kLit = rgb(252, 238, 170);
constexpr ColorRef kLitMare = rgb(228, 212, 140);
constexpr ColorRef kLitRim = rgb(206, 184, 104);
constexpr ColorRef kDark = rgb(34, 38, 54);
constexpr ColorRef kDarkRim = rgb(98, 104, 124);

// The program's icon: a grey moon on black.
constexpr ColorRef kGrey = rgb(172, 172, 172);
constexpr ColorRef kGreyMare = rgb(134, 134, 134);
constexpr ColorRef kGreyRim = rgb(118, 118, 118);

// The seas, as circles in disc units (centre offsets and radius over the
// disc's radius), where a real moon has them. Below 16 pixels they would
// be single stray pixels, so small icons go without.
struct Mare {
    double u, v, r;
};
constexpr std::array<Mare, 3> kMaria{
    {{-0.28, -0.30, 0.24}, {0.30, -0.02, 0.20}, {-0.06, 0.40, 0.17}}};
constexpr int kMariaMinSize = 16;

// A disc centred in a square of `size`, tested at pixel centres.
struct Disc {
    double centre;
    double radius;

    double dx(int x) const { return x + 0.5 - centre; }
    double dy(int y) const { return y + 0.5 - centre; }
    bool contains(int x, int y) const { return dx(x) * dx(x) + dy(y) * dy(y) <= radius * radius; }
    // On the disc with a side neighbour off it: a one-pixel rim.
    bool onRim(int x, int y) const {
        return contains(x, y) && (!contains(x - 1, y) || !contains(x + 1, y) ||
                                  !contains(x, y - 1) || !contains(x, y + 1));
    }
    bool inMare(int x, int y) const {
        for (const Mare& m : kMaria) {
            const double u = dx(x) / radius - m.u;
            const double v = dy(y) / radius - m.v;
            if (u * u + v * v <= m.r * m.r) return true;
        }
        return false;
    }
};

Disc discFor(int size, double radius) {
    return Disc{size / 2.0, radius};
}

// Whether the pixel at (x, y) of the disc is lit in phase `index`. The
// terminator is the half-ellipse of the lit hemisphere seen side on: on a
// row whose half-chord is s, it stands at s * cos(angle) from the centre,
// where angle is the phase's distance from new moon. A waning phase is the
// mirror of the waxing one as far from full, computed with the same cosine,
// so the pair is lit exactly alike.
bool isLit(const Disc& disc, int index, int x, int y) {
    if (index == 0) return false;
    if (index == 6) return true;
    const double dy = disc.dy(y);
    const double s = std::sqrt(std::max(0.0, disc.radius * disc.radius - dy * dy));
    const bool waxing = index < 6;
    const double c = std::cos(kPi * (waxing ? index : 12 - index) / 6.0);
    return waxing ? disc.dx(x) > s * c : disc.dx(x) < -s * c;
}

gfx::IconImage transparentImage(int size) {
    return gfx::IconImage{gfx::Bitmap(size, size, gfx::kBlack),
                          gfx::Bitmap(size, size, gfx::kWhite)};
}

} // namespace

gfx::IconImage phaseIconImage(int index, int size) {
    if (index < 0 || index > 11 || size < 1) return {};
    gfx::IconImage image = transparentImage(size);
    // A margin of a sixteenth (at least a pixel) keeps the disc off the
    // icon's edge, where the tray would crop its rim.
    const Disc disc = discFor(size, size / 2.0 - std::max(1.0, size / 16.0));
    const bool maria = size >= kMariaMinSize;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!disc.contains(x, y)) continue;
            const bool rim = disc.onRim(x, y);
            ColorRef c;
            if (isLit(disc, index, x, y))
                c = rim ? kLitRim : (maria && disc.inMare(x, y)) ? kLitMare : kLit;
            else
                c = rim ? kDarkRim : kDark;
            image.color.set(x, y, c);
            image.mask.set(x, y, gfx::kBlack);
        }
    }
    return image;
}

gfx::IconImage appIconImage(int size) {
    if (size < 1) return {};
    gfx::IconImage image = transparentImage(size);
    // The black ground: the whole square but for corners rounded with a
    // quarter of the side, tested at pixel centres.
    const double corner = size / 4.0;
    auto inCorner = [&](int x, int y) {
        const double px = x + 0.5;
        const double py = y + 0.5;
        const double cx = px < corner ? corner : px > size - corner ? size - corner : px;
        const double cy = py < corner ? corner : py > size - corner ? size - corner : py;
        return (px - cx) * (px - cx) + (py - cy) * (py - cy) > corner * corner;
    };
    const Disc disc = discFor(size, size * 0.38);
    const bool maria = size >= kMariaMinSize;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (inCorner(x, y)) continue;
            ColorRef c = gfx::kBlack;
            if (disc.contains(x, y))
                c = disc.onRim(x, y) ? kGreyRim : (maria && disc.inMare(x, y)) ? kGreyMare : kGrey;
            image.color.set(x, y, c);
            image.mask.set(x, y, gfx::kBlack);
        }
    }
    return image;
}

gfx::IconImage iconResource(unsigned id, int size) {
    if (id >= IDI_PHASE_FIRST && id <= IDI_PHASE_LAST)
        return phaseIconImage(static_cast<int>(id - IDI_PHASE_FIRST), size);
    if (id == IDR_MAINFRAME) return appIconImage(size);
    return {};
}

} // namespace orbel::res
