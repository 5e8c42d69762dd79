// Properties any good set of these pictures has, at every size a port asks
// for (tools/dumpIcons.cpp shows the pictures themselves).
#include "res/artwork.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orbel::res {
namespace {

using gfx::ColorRef;
using gfx::IconImage;

void forEachPixel(int size, const std::function<void(int x, int y)>& f) {
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            f(x, y);
}
unsigned brightness(ColorRef c) {
    return gfx::redOf(c) + gfx::greenOf(c) + gfx::blueOf(c);
}
bool opaque(const IconImage& img, int x, int y) {
    return img.mask.at(x, y) == gfx::kBlack;
}
bool lit(const IconImage& img, int x, int y) {
    return opaque(img, x, y) && brightness(img.color.at(x, y)) >= 3 * 128;
}
int count(const IconImage& img, bool (*pixelIs)(const IconImage&, int, int)) {
    int n = 0;
    forEachPixel(img.color.width(), [&](int x, int y) { n += pixelIs(img, x, y); });
    return n;
}

void expectValidIcon(const IconImage& img, int size) {
    ASSERT_EQ(std::pair(img.color.width(), img.color.height()), std::pair(size, size));
    ASSERT_EQ(std::pair(img.mask.width(), img.mask.height()), std::pair(size, size));
    forEachPixel(size, [&](int x, int y) {
        const ColorRef m = img.mask.at(x, y);
        EXPECT_TRUE(m == gfx::kBlack || (m == gfx::kWhite && img.color.at(x, y) == gfx::kBlack))
            << x << "," << y;
    });
}

TEST(PhaseArtwork, ValidDiscsLitFromTheRightWhileWaxingAndFromTheLeftWhileWaning) {
    for (int size : {16, 20, 24, 32, 48, 8, 11}) {
        std::vector<IconImage> img;
        std::vector<int> n; // lit pixels per phase
        for (int index = 0; index < 12; ++index) {
            SCOPED_TRACE("size " + std::to_string(size) + " phase " + std::to_string(index));
            img.push_back(phaseIconImage(index, size));
            n.push_back(count(img.back(), lit));
            expectValidIcon(img.back(), size);
            // Transparent outside the inscribed circle, opaque over most of it.
            forEachPixel(size, [&](int x, int y) {
                const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
                EXPECT_TRUE(!opaque(img[index], x, y) || dx * dx + dy * dy <= size * size / 4.0)
                    << x << "," << y;
            });
            EXPECT_GE(count(img[index], opaque), size * size / 2);
            EXPECT_TRUE(opaque(img[index], size / 2, size / 2));
            if (index % 6 == 0) continue;
            forEachPixel(size, [&](int x, int y) {
                if (!lit(img[index], x, y)) return;
                // Every disc pixel further towards the lit side is lit.
                for (int o = x; o >= 0 && o < size; o += index < 6 ? 1 : -1)
                    ASSERT_TRUE(!opaque(img[index], o, y) || lit(img[index], o, y))
                        << x << "," << y;
                // Crescents and quarters stay on their own half (the waning
                // ones through the mirror below).
                EXPECT_TRUE(index > 3 || x >= size / 2) << x << "," << y;
            });
        }
        SCOPED_TRACE("size " + std::to_string(size));
        const int disc = count(img[6], opaque);
        EXPECT_EQ(n[0], 0);
        EXPECT_EQ(n[6], disc);
        // Strictly from 16 pixels on; tiny icons may repeat a step.
        const int strict = size >= 16 ? 1 : 0;
        for (std::size_t i = 0; i < 6; ++i) // and waning through the mirror
            EXPECT_LE(n[i] + strict, n[i + 1]) << i;
        // The quarters light half the disc, give or take its middle column.
        EXPECT_NEAR(n[3], disc / 2, size / 2 + 1);
        for (int k = 1; k <= 5; ++k) // the waning phases mirror their waxing twins
            forEachPixel(size, [&](int x, int y) {
                ASSERT_EQ(lit(img[6 + k], x, y), lit(img[6 - k], size - 1 - x, y))
                    << "k " << k << " at " << x << "," << y;
            });
        // The new moon is a dark disc, not transparent black, with a visible
        // rim (its first opaque pixel on the centre row).
        const ColorRef middle = img[0].color.at(size / 2, size / 2);
        int left = 0;
        while (!opaque(img[0], left, size / 2))
            ++left;
        EXPECT_GT(brightness(img[0].color.at(left, size / 2)), brightness(middle) + 60);
        EXPECT_GT(brightness(middle), 0u);
    }
}

TEST(AppArtwork, GreyMoonOnBlackWithTransparentCorners) {
    for (int size : {16, 32, 48, 24, 8}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const IconImage img = appIconImage(size);
        expectValidIcon(img, size);
        const int last = size - 1, mid = size / 2;
        for (auto [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
            EXPECT_FALSE(opaque(img, x, y)) << x << "," << y;
        // The black fills the rest: the edges' middles are opaque black, and
        // transparency stays within a quarter of the side from a corner.
        for (auto [x, y] : {std::pair{0, mid}, {mid, 0}, {last, mid}, {mid, last}})
            EXPECT_TRUE(opaque(img, x, y) && img.color.at(x, y) == gfx::kBlack) << x << "," << y;
        int greys = 0;
        const auto nearCorner = [&](int v) { return v < size / 4 || v >= size - size / 4; };
        forEachPixel(size, [&](int x, int y) {
            const ColorRef c = img.color.at(x, y);
            if (!opaque(img, x, y)) {
                EXPECT_TRUE(nearCorner(x) && nearCorner(y)) << x << "," << y;
            } else if (c != gfx::kBlack) {
                EXPECT_TRUE(gfx::redOf(c) == gfx::greenOf(c) && gfx::greenOf(c) == gfx::blueOf(c))
                    << x << "," << y;
                ++greys;
            }
        });
        // A disc of most of the icon, grey at its centre.
        EXPECT_GT(greys, size * size / 3);
        EXPECT_GE(gfx::redOf(img.color.at(mid, mid)), 96u);
        EXPECT_LE(gfx::redOf(img.color.at(mid, mid)), 224u);
    }
}

TEST(IconResources, IdsDispatchToTheirPictures) {
    for (unsigned id = 102; id <= 113; ++id)
        EXPECT_EQ(iconResource(id, 16), phaseIconImage(static_cast<int>(id - 102), 16)) << id;
    EXPECT_EQ(iconResource(128, 32), appIconImage(32));
    for (unsigned id : {0u, 101u, 114u, 127u, 129u})
        EXPECT_TRUE(iconResource(id, 16).color.empty()) << id;
    for (auto [index, size] : {std::pair{12, 16}, {-1, 16}, {3, 0}})
        EXPECT_TRUE(phaseIconImage(index, size).color.empty()) << index << " " << size;
    EXPECT_TRUE(appIconImage(0).color.empty());
}

} // namespace
} // namespace orbel::res
