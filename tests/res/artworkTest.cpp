// The icon artwork: properties that any good set of these pictures has,
// checked at every size a port asks for. The lit part grows from new moon
// to full and shrinks again, waxing light comes from the right and waning
// from the left, the images are valid icons, and icon 128 is a grey moon
// on black with transparent corners.
//
// To look at the pictures themselves, build and run tools/dumpIcons.cpp.
#include "res/artwork.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbel::res {
namespace {

using gfx::Bitmap;
using gfx::ColorRef;
using gfx::IconImage;

const std::vector<int> kSizes{16, 20, 24, 32, 48, 8, 11};

bool opaque(const IconImage& img, int x, int y) {
    return img.mask.at(x, y) == gfx::kBlack;
}

bool lit(const IconImage& img, int x, int y) {
    const ColorRef c = img.color.at(x, y);
    return opaque(img, x, y) && gfx::redOf(c) + gfx::greenOf(c) + gfx::blueOf(c) >= 3 * 128;
}

int litCount(const IconImage& img) {
    int n = 0;
    for (int y = 0; y < img.color.height(); ++y)
        for (int x = 0; x < img.color.width(); ++x)
            n += lit(img, x, y);
    return n;
}

// A valid icon: both images of the size, a pure black and white mask and
// black colour wherever the mask is transparent.
void expectValidIcon(const IconImage& img, int size) {
    ASSERT_EQ(img.color.width(), size);
    ASSERT_EQ(img.color.height(), size);
    ASSERT_EQ(img.mask.width(), size);
    ASSERT_EQ(img.mask.height(), size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const ColorRef m = img.mask.at(x, y);
            ASSERT_TRUE(m == gfx::kBlack || m == gfx::kWhite) << x << "," << y;
            if (m == gfx::kWhite) {
                ASSERT_EQ(img.color.at(x, y), gfx::kBlack) << x << "," << y;
            }
        }
    }
}

TEST(PhaseArtwork, EveryPhaseAtEverySizeIsAValidIconWithADiscInside) {
    for (int size : kSizes) {
        for (int index = 0; index < 12; ++index) {
            SCOPED_TRACE("size " + std::to_string(size) + " phase " + std::to_string(index));
            const IconImage img = phaseIconImage(index, size);
            expectValidIcon(img, size);
            // Transparent outside the circle the icon's square inscribes,
            // and a disc filling most of that circle.
            int shown = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    if (!opaque(img, x, y)) continue;
                    ++shown;
                    const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
                    ASSERT_LE(dx * dx + dy * dy, size * size / 4.0) << x << "," << y;
                }
            }
            EXPECT_GE(shown, size * size / 2);
            EXPECT_FALSE(opaque(img, 0, 0));
            EXPECT_TRUE(opaque(img, size / 2, size / 2));
        }
    }
}

TEST(PhaseArtwork, LitAreaGrowsToFullMoonAndShrinksAfter) {
    for (int size : kSizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        std::vector<int> count;
        for (int index = 0; index < 12; ++index)
            count.push_back(litCount(phaseIconImage(index, size)));
        EXPECT_EQ(count[0], 0);
        // Full moon: the whole disc.
        int disc = 0;
        const IconImage full = phaseIconImage(6, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                disc += opaque(full, x, y);
        EXPECT_EQ(count[6], disc);
        // Strictly from 16 pixels on; tiny icons may repeat a step.
        for (int i = 0; i < 6; ++i) {
            if (size >= 16) {
                EXPECT_LT(count[std::size_t(i)], count[std::size_t(i + 1)]) << i;
                EXPECT_GT(count[std::size_t(i + 6)], count[std::size_t((i + 7) % 12)]) << i + 6;
            } else {
                EXPECT_LE(count[std::size_t(i)], count[std::size_t(i + 1)]) << i;
                EXPECT_GE(count[std::size_t(i + 6)], count[std::size_t((i + 7) % 12)]) << i + 6;
            }
        }
        // The quarters light half the disc, give or take its middle column.
        EXPECT_NEAR(count[3], disc / 2, size / 2 + 1);
        EXPECT_EQ(count[3], count[9]);
    }
}

TEST(PhaseArtwork, WaxingLightComesFromTheRightAndWaningFromTheLeft) {
    for (int size : kSizes) {
        for (int index = 1; index < 12; ++index) {
            if (index == 6) continue;
            SCOPED_TRACE("size " + std::to_string(size) + " phase " + std::to_string(index));
            const IconImage img = phaseIconImage(index, size);
            const bool waxing = index < 6;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    if (!lit(img, x, y)) continue;
                    // Every disc pixel further towards the lit side is lit.
                    for (int o = x; o >= 0 && o < size; o += waxing ? 1 : -1) {
                        if (opaque(img, o, y)) {
                            ASSERT_TRUE(lit(img, o, y)) << x << "," << y;
                        }
                    }
                    // Crescents and quarters stay on their own half.
                    if (index <= 3) {
                        ASSERT_GE(x, size / 2);
                    }
                    if (index >= 9) {
                        ASSERT_LT(x, (size + 1) / 2);
                    }
                }
            }
        }
    }
}

TEST(PhaseArtwork, WaningPhasesAreLitAsTheMirrorOfTheirWaxingTwins) {
    for (int size : kSizes) {
        for (int k = 1; k <= 5; ++k) {
            const IconImage waxing = phaseIconImage(6 - k, size);
            const IconImage waning = phaseIconImage(6 + k, size);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    ASSERT_EQ(lit(waning, x, y), lit(waxing, size - 1 - x, y))
                        << "size " << size << " k " << k << " at " << x << "," << y;
        }
    }
}

TEST(PhaseArtwork, NewMoonIsADarkDiscWithAVisibleRim) {
    for (int size : kSizes) {
        const IconImage img = phaseIconImage(0, size);
        const ColorRef middle = img.color.at(size / 2, size / 2);
        // The rim pixel on the centre row, left edge of the disc.
        int left = 0;
        while (!opaque(img, left, size / 2))
            ++left;
        const ColorRef rim = img.color.at(left, size / 2);
        const auto sum = [](ColorRef c) {
            return gfx::redOf(c) + gfx::greenOf(c) + gfx::blueOf(c);
        };
        EXPECT_GT(sum(rim), sum(middle) + 60) << size;
        EXPECT_GT(sum(middle), 0u) << size; // dark, not transparent black
    }
}

TEST(AppArtwork, GreyMoonOnBlackWithTransparentCorners) {
    for (int size : {16, 32, 48, 24, 8}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const IconImage img = appIconImage(size);
        expectValidIcon(img, size);
        const int last = size - 1;
        for (auto [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
            EXPECT_FALSE(opaque(img, x, y)) << x << "," << y;
        // The black fills the rest: the edges' middles are opaque black, and
        // transparency stays within a quarter of the side from a corner.
        for (auto [x, y] :
             {std::pair{0, size / 2}, {size / 2, 0}, {last, size / 2}, {size / 2, last}}) {
            EXPECT_TRUE(opaque(img, x, y));
            EXPECT_EQ(img.color.at(x, y), gfx::kBlack);
        }
        int greys = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                if (!opaque(img, x, y)) {
                    const bool nearCornerX = x < size / 4 || x >= size - size / 4;
                    const bool nearCornerY = y < size / 4 || y >= size - size / 4;
                    EXPECT_TRUE(nearCornerX && nearCornerY) << x << "," << y;
                    continue;
                }
                const ColorRef c = img.color.at(x, y);
                if (c == gfx::kBlack) continue;
                EXPECT_EQ(gfx::redOf(c), gfx::greenOf(c)) << x << "," << y;
                EXPECT_EQ(gfx::greenOf(c), gfx::blueOf(c)) << x << "," << y;
                ++greys;
            }
        }
        // A disc of most of the icon, grey at its centre.
        EXPECT_GT(greys, size * size / 3);
        const ColorRef centre = img.color.at(size / 2, size / 2);
        EXPECT_GE(gfx::redOf(centre), 96u);
        EXPECT_LE(gfx::redOf(centre), 224u);
    }
}

TEST(IconResources, IdsDispatchToTheirPictures) {
    for (unsigned id = 102; id <= 113; ++id)
        EXPECT_EQ(iconResource(id, 16), phaseIconImage(static_cast<int>(id - 102), 16)) << id;
    EXPECT_EQ(iconResource(128, 32), appIconImage(32));
    for (unsigned id : {0u, 101u, 114u, 127u, 129u})
        EXPECT_TRUE(iconResource(id, 16).color.empty()) << id;
    EXPECT_TRUE(phaseIconImage(12, 16).color.empty());
    EXPECT_TRUE(phaseIconImage(-1, 16).color.empty());
    EXPECT_TRUE(phaseIconImage(3, 0).color.empty());
    EXPECT_TRUE(appIconImage(0).color.empty());
}

} // namespace
} // namespace orbel::res
