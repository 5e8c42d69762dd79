// The pixel surfaces' drawing operations: exact pixels of rectangles, lines
// (end point left out) and ellipses (inside their box, symmetric), and
// block copies clipped at every edge.
#include "tray/raster.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace orbel::gfx {
namespace {

constexpr ColorRef kInk = rgb(10, 20, 30);
constexpr ColorRef kFill = rgb(200, 100, 50);

// The bitmap as text, one line per row: '.' for black, the legend's letter
// for its colour, '?' for anything else.
std::string render(const Bitmap& bmp, const std::map<ColorRef, char>& legend) {
    std::string out;
    for (int y = 0; y < bmp.height(); ++y) {
        for (int x = 0; x < bmp.width(); ++x) {
            const ColorRef c = bmp.at(x, y);
            auto it = legend.find(c);
            out += c == kBlack ? '.' : it != legend.end() ? it->second : '?';
        }
        out += '\n';
    }
    return out;
}
std::string render(const Bitmap& bmp) {
    return render(bmp, {{kInk, 'o'}, {kFill, 'f'}});
}

TEST(RasterFillRect, CoversLeftTopInclusiveRightBottomExclusive) {
    Bitmap bmp(6, 4);
    fillRect(bmp, Rect{1, 1, 4, 3}, kInk);
    EXPECT_EQ(render(bmp), "......\n"
                           ".ooo..\n"
                           ".ooo..\n"
                           "......\n");
}

TEST(RasterFillRect, ClipsAndIgnoresEmptyRectangles) {
    Bitmap bmp(4, 3);
    fillRect(bmp, Rect{-5, -5, 2, 1}, kInk);
    fillRect(bmp, Rect{3, 2, 100, 100}, kFill);
    fillRect(bmp, Rect{2, 0, 2, 3}, kFill); // zero width
    fillRect(bmp, Rect{3, 2, 1, 0}, kFill); // inverted
    EXPECT_EQ(render(bmp), "oo..\n"
                           "....\n"
                           "...f\n");
}

TEST(RasterLine, CosmeticLinesLeaveOutTheirEndPointInEveryDirection) {
    Bitmap bmp(7, 7);
    drawLine(bmp, Pen::cosmetic(kInk), {1, 0}, {5, 0});  // rightwards: 1..4
    drawLine(bmp, Pen::cosmetic(kInk), {5, 2}, {1, 2});  // leftwards: 5..2
    drawLine(bmp, Pen::cosmetic(kFill), {0, 1}, {0, 5}); // downwards: rows 1..4
    drawLine(bmp, Pen::cosmetic(kFill), {6, 6}, {3, 3}); // up-left diagonal
    EXPECT_EQ(render(bmp), ".oooo..\n"
                           "f......\n"
                           "f.oooo.\n"
                           "f......\n"
                           "f...f..\n"
                           ".....f.\n"
                           "......f\n");
}

TEST(RasterLine, ZeroLengthLinesDrawNothing) {
    Bitmap bmp(3, 3);
    drawLine(bmp, Pen::cosmetic(kInk), {1, 1}, {1, 1});
    drawLine(bmp, Pen::geometricFlat(2, kInk), {1, 1}, {1, 1});
    EXPECT_EQ(bmp, Bitmap(3, 3));
}

TEST(RasterLine, ShallowCosmeticLineHasOnePixelPerColumnAndStepsEvenly) {
    Bitmap bmp(9, 3);
    drawLine(bmp, Pen::cosmetic(kInk), {0, 0}, {8, 2});
    EXPECT_EQ(render(bmp), "ooo......\n"
                           "...oooo..\n"
                           ".......o.\n");
}

TEST(RasterLine, CursorDrawsAPolylineWithSharedCornersOnce) {
    // Each segment starts where the last one stopped short, so a corner is
    // drawn by the segment leaving it and the final point not at all.
    Bitmap bmp(5, 4);
    LineCursor cursor(bmp, Pen::cosmetic(kInk));
    cursor.moveTo(0, 0);
    cursor.lineTo(4, 0);
    cursor.lineTo(4, 3);
    EXPECT_EQ(cursor.position(), (Point{4, 3}));
    cursor.selectPen(Pen::cosmetic(kFill));
    cursor.lineTo(1, 3);
    EXPECT_EQ(render(bmp), "ooooo\n"
                           "....o\n"
                           "....o\n"
                           "..fff\n");
}

TEST(RasterLine, TwoPixelFlatPenCoversTheRowAboveAndTheRowOfTheLine) {
    Bitmap bmp(8, 6);
    LineCursor pen(bmp, Pen::geometricFlat(2, kInk));
    pen.moveTo(1, 2);
    pen.lineTo(5, 2); // rows 1 and 2, columns 1..4
    pen.moveTo(7, 5);
    pen.lineTo(3, 5); // leftwards along the bottom row: rows 4 and 5, 3..6
    EXPECT_EQ(render(bmp), "........\n"
                           ".oooo...\n"
                           ".oooo...\n"
                           "........\n"
                           "...oooo.\n"
                           "...oooo.\n");
}

TEST(RasterLine, TwoPixelFlatPenOnAVerticalLineCoversTwoColumns) {
    Bitmap bmp(5, 5);
    drawLine(bmp, Pen::geometricFlat(2, kInk), {3, 0}, {3, 4});
    EXPECT_EQ(render(bmp), "..oo.\n"
                           "..oo.\n"
                           "..oo.\n"
                           "..oo.\n"
                           ".....\n");
}

TEST(RasterEllipse, TwelvePixelCircleWithItsRim) {
    // The weekday disc of a 16-pixel icon. A pixel is in the figure when its
    // centre lies in the circle through the box's sides: in half-pixel
    // units about the centre, X^2 + Y^2 <= 144 for odd X, Y (rows of 4, 8, 10, 10, 12, 12, ...);
    // the rim is the figure's pixels with a side neighbour outside it.
    Bitmap bmp(12, 12);
    ellipse(bmp, kInk, kFill, 0, 0, 12, 12);
    EXPECT_EQ(render(bmp), "....oooo....\n"
                           "..ooffffoo..\n"
                           ".offffffffo.\n"
                           ".offffffffo.\n"
                           "offffffffffo\n"
                           "offffffffffo\n"
                           "offffffffffo\n"
                           "offffffffffo\n"
                           ".offffffffo.\n"
                           ".offffffffo.\n"
                           "..ooffffoo..\n"
                           "....oooo....\n");
}

TEST(RasterEllipse, SmallAndFlatBoxes) {
    Bitmap five(7, 7);
    ellipse(five, kInk, kFill, 1, 1, 6, 6); // the highlight's 5x5
    EXPECT_EQ(render(five), ".......\n"
                            "..ooo..\n"
                            ".offfo.\n"
                            ".offfo.\n"
                            ".offfo.\n"
                            "..ooo..\n"
                            ".......\n");
    Bitmap flat(7, 3);
    ellipse(flat, kInk, kFill, 0, 0, 7, 3);
    EXPECT_EQ(render(flat), ".ooooo.\n"
                            "offfffo\n"
                            ".ooooo.\n");
    Bitmap bare(7, 3);
    ellipse(bare, std::nullopt, kFill, 0, 0, 7, 3); // no pen: no rim
    EXPECT_EQ(render(bare), ".fffff.\n"
                            "fffffff\n"
                            ".fffff.\n");
}

TEST(RasterEllipse, EveryBoxGivesASymmetricFigureTouchingAllFourSides) {
    for (int w = 1; w <= 21; ++w) {
        for (int h = 1; h <= 21; ++h) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            Bitmap bmp(w + 4, h + 4);
            const int left = 2, top = 2;
            ellipse(bmp, kInk, kFill, left, top, left + w, top + h);
            bool touchesLeft = false, touchesTop = false;
            for (int y = 0; y < bmp.height(); ++y) {
                int runs = 0;
                for (int x = 0; x < bmp.width(); ++x) {
                    const ColorRef c = bmp.at(x, y);
                    const bool in = c != kBlack;
                    if (in) {
                        ASSERT_TRUE(x >= left && x < left + w && y >= top && y < top + h);
                        touchesLeft |= x == left;
                        touchesTop |= y == top;
                    }
                    if (in && bmp.at(x - 1, y) == kBlack) ++runs;
                    // Mirror images across both centre lines.
                    ASSERT_EQ(c, bmp.at(2 * left + w - 1 - x, y));
                    ASSERT_EQ(c, bmp.at(x, 2 * top + h - 1 - y));
                    // Rim exactly where a side neighbour is outside.
                    if (in) {
                        const bool edge = bmp.at(x - 1, y) == kBlack ||
                                          bmp.at(x + 1, y) == kBlack ||
                                          bmp.at(x, y - 1) == kBlack || bmp.at(x, y + 1) == kBlack;
                        ASSERT_EQ(c, edge ? kInk : kFill);
                    }
                }
                ASSERT_LE(runs, 1); // each row one span
            }
            // By the symmetry, touching left and top means all four sides.
            EXPECT_TRUE(touchesLeft);
            EXPECT_TRUE(touchesTop);
        }
    }
}

TEST(RasterEllipse, ClippedFigureIsTheVisiblePartOfTheWholeOne) {
    Bitmap whole(20, 20);
    ellipse(whole, kInk, kFill, 4, 4, 16, 16);
    Bitmap part(8, 8);
    ellipse(part, kInk, kFill, -4, -4, 8, 8); // the same, seen from (8, 8)
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(part.at(x, y), whole.at(x + 8, y + 8));
    Bitmap none(4, 4);
    ellipse(none, kInk, kFill, 2, 2, 2, 9); // empty box
    EXPECT_EQ(none, Bitmap(4, 4));
}

Bitmap numbered(int w, int h) {
    Bitmap bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp.set(x, y, rgb(1 + x, 1 + y, 7));
    return bmp;
}

TEST(RasterBitBlt, CopiesWithClippingAtEveryEdge) {
    const Bitmap src = numbered(3, 3);
    // Each offset puts the copy over a different edge or corner.
    for (int ox = -4; ox <= 6; ++ox) {
        for (int oy = -4; oy <= 6; ++oy) {
            SCOPED_TRACE(std::to_string(ox) + "," + std::to_string(oy));
            Bitmap dst(4, 4, kWhite);
            bitBlt(dst, ox, oy, src);
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const int sx = x - ox, sy = y - oy;
                    const bool from = sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
                    ASSERT_EQ(dst.at(x, y), from ? src.at(sx, sy) : kWhite);
                }
            }
        }
    }
}

TEST(RasterBitBlt, ShiftingABitmapOntoItselfCopiesTheOriginal) {
    Bitmap bmp = numbered(4, 4);
    const Bitmap before = bmp;
    bitBlt(bmp, 0, 1, bmp);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(bmp.at(x, 0), before.at(x, 0));
        for (int y = 1; y < 4; ++y)
            EXPECT_EQ(bmp.at(x, y), before.at(x, y - 1));
    }
}

} // namespace
} // namespace orbel::gfx
