// The icon artwork: properties any good set of these pictures has, at every
// size a port asks for (tools/dumpIcons.cpp shows the pictures themselves).
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

const std::vector<int> kSizes{16, 20, 24, 32, 48, 8, 11};

void forEachPixel(int size, const std::function<void(int x, int y)>& f) {
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            f(x, y);
}
const auto brightness = [](ColorRef c) -> unsigned {
    return gfx::redOf(c) + gfx::greenOf(c) + gfx::blueOf(c);
};
const auto opaque = [](const IconImage& img, int x, int y) {
    return img.mask.at(x, y) == gfx::kBlack;
};
const auto lit = [](const IconImage& img, int x, int y) {
    return opaque(img, x, y) && brightness(img.color.at(x, y)) >= 3 * 128;
};
int count(const IconImage& img, bool (*pixelIs)(const IconImage&, int, int)) {
    int n = 0;
    forEachPixel(img.color.width(), [&](int x, int y) { n += pixelIs(img, x, y); });
    return n;
}
const auto at = [](int x, int y) { return std::to_string(x) + "," + std::to_string(y); };

// A valid icon: both images of the size, a pure black and white mask and
// black colour wherever the mask is transparent.
void expectValidIcon(const IconImage& img, int size) {
    ASSERT_EQ(std::pair(img.color.width(), img.color.height()), std::pair(size, size));
    ASSERT_EQ(std::pair(img.mask.width(), img.mask.height()), std::pair(size, size));
    forEachPixel(size, [&](int x, int y) {
        const ColorRef m = img.mask.at(x, y);
        EXPECT_TRUE(m == gfx::kBlack || (m == gfx::kWhite && img.color.at(x, y) == gfx::kBlack))
            << at(x, y);
    });
}

TEST(PhaseArtwork, EveryPhaseAtEverySizeIsAValidIconWithADiscInside) {
    for (int size : kSizes) {
        for (int index = 0; index < 12; ++index) {
            SCOPED_TRACE("size " + std::to_string(size) + " phase " + std::to_string(index));
            const IconImage img = phaseIconImage(index, size);
            expectValidIcon(img, size);
            // Transparent outside the circle the icon's square inscribes,
            // and a disc filling most of that circle.
            forEachPixel(size, [&](int x, int y) {
                const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
                EXPECT_TRUE(!opaque(img, x, y) || dx * dx + dy * dy <= size * size / 4.0)
                    << at(x, y);
            });
            EXPECT_GE(count(img, opaque), size * size / 2);
            EXPECT_FALSE(opaque(img, 0, 0));
            EXPECT_TRUE(opaque(img, size / 2, size / 2));
        }
    }
}

TEST(PhaseArtwork, LitAreaGrowsFromADarkNewMoonToFullAndShrinksAfter) {
    for (int size : kSizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        std::vector<int> n;
        for (int index = 0; index < 12; ++index)
            n.push_back(count(phaseIconImage(index, size), lit));
        const int disc = count(phaseIconImage(6, size), opaque);
        EXPECT_EQ(n[0], 0);
        EXPECT_EQ(n[6], disc); // full moon: the whole disc
        // Strictly from 16 pixels on; tiny icons may repeat a step.
        const int strict = size >= 16 ? 1 : 0;
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_LE(n[i] + strict, n[i + 1]) << i;
            EXPECT_GE(n[i + 6], n[(i + 7) % 12] + strict) << i + 6;
        }
        // The quarters light half the disc, give or take its middle column.
        EXPECT_NEAR(n[3], disc / 2, size / 2 + 1);
        EXPECT_EQ(n[3], n[9]);
        // The new moon is a dark disc with a visible rim.
        const IconImage img = phaseIconImage(0, size);
        const ColorRef middle = img.color.at(size / 2, size / 2);
        // The rim pixel on the centre row, left edge of the disc.
        int left = 0;
        while (!opaque(img, left, size / 2))
            ++left;
        EXPECT_GT(brightness(img.color.at(left, size / 2)), brightness(middle) + 60) << size;
        EXPECT_GT(brightness(middle), 0u) << size; // dark, not transparent black
    }
}

TEST(PhaseArtwork, WaxingLightComesFromTheRightAndWaningFromTheLeft) {
    for (int size : kSizes) {
        for (int index = 1; index < 12; ++index) {
            if (index == 6) continue;
            SCOPED_TRACE("size " + std::to_string(size) + " phase " + std::to_string(index));
            const IconImage img = phaseIconImage(index, size);
            const int step = index < 6 ? 1 : -1;
            forEachPixel(size, [&](int x, int y) {
                if (!lit(img, x, y)) return;
                // Every disc pixel further towards the lit side is lit.
                for (int o = x; o >= 0 && o < size; o += step)
                    ASSERT_TRUE(!opaque(img, o, y) || lit(img, o, y)) << at(x, y);
                // Crescents and quarters stay on their own half.
                EXPECT_TRUE(index > 3 || x >= size / 2) << at(x, y);
                EXPECT_TRUE(index < 9 || x < (size + 1) / 2) << at(x, y);
            });
        }
        for (int k = 1; k <= 5; ++k) { // the waning phases mirror their waxing twins
            const IconImage waxing = phaseIconImage(6 - k, size),
                            waning = phaseIconImage(6 + k, size);
            forEachPixel(size, [&](int x, int y) {
                ASSERT_EQ(lit(waning, x, y), lit(waxing, size - 1 - x, y))
                    << "size " << size << " k " << k << " at " << at(x, y);
            });
        }
    }
}

TEST(AppArtwork, GreyMoonOnBlackWithTransparentCorners) {
    for (int size : {16, 32, 48, 24, 8}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const IconImage img = appIconImage(size);
        expectValidIcon(img, size);
        const int last = size - 1, mid = size / 2;
        for (auto [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
            EXPECT_FALSE(opaque(img, x, y)) << at(x, y);
        // The black fills the rest: the edges' middles are opaque black, and
        // transparency stays within a quarter of the side from a corner.
        for (auto [x, y] : {std::pair{0, mid}, {mid, 0}, {last, mid}, {mid, last}})
            EXPECT_TRUE(opaque(img, x, y) && img.color.at(x, y) == gfx::kBlack) << at(x, y);
        int greys = 0;
        forEachPixel(size, [&](int x, int y) {
            const ColorRef c = img.color.at(x, y);
            if (!opaque(img, x, y)) {
                const bool nearX = x < size / 4 || x >= size - size / 4;
                EXPECT_TRUE(nearX && (y < size / 4 || y >= size - size / 4)) << at(x, y);
            } else if (c != gfx::kBlack) {
                EXPECT_TRUE(gfx::redOf(c) == gfx::greenOf(c) && gfx::greenOf(c) == gfx::blueOf(c))
                    << at(x, y);
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
