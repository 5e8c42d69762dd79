// The pixel surfaces' drawing operations. Pictures are written row after
// row, each row ended by '|': '.' black, 'o' ink, 'f' fill, '?' anything else.
#include "tray/raster.h"

#include <gtest/gtest.h>

#include <string>

namespace orbel::gfx {
namespace {

constexpr ColorRef kInk = rgb(10, 20, 30);
constexpr ColorRef kFill = rgb(200, 100, 50);

std::string render(const Bitmap& bmp) {
    std::string out;
    for (int y = 0; y < bmp.height(); ++y) {
        for (int x = 0; x < bmp.width(); ++x) {
            const ColorRef c = bmp.at(x, y);
            out += c == kBlack ? '.' : c == kInk ? 'o' : c == kFill ? 'f' : '?';
        }
        out += '|';
    }
    return out;
}

TEST(Raster, FillRectCoversLeftTopInclusiveClipsAndIgnoresEmptyRectangles) {
    Bitmap bmp(6, 4);
    fillRect(bmp, Rect{1, 1, 4, 3}, kInk);
    EXPECT_EQ(render(bmp), "......|.ooo..|.ooo..|......|");
    Bitmap clipped(4, 3);
    fillRect(clipped, Rect{-5, -5, 2, 1}, kInk);
    fillRect(clipped, Rect{3, 2, 100, 100}, kFill);
    fillRect(clipped, Rect{2, 0, 2, 3}, kFill); // zero width
    fillRect(clipped, Rect{3, 2, 1, 0}, kFill); // inverted
    EXPECT_EQ(render(clipped), "oo..|....|...f|");
}

// A line leaves out its end point in every direction; a polyline's corner
// is drawn once, by the segment leaving it. The two-pixel flat pen (the
// tray icon's bar, always level) covers the row above the line.
TEST(Raster, Lines) {
    Bitmap bmp(7, 7);
    drawLine(bmp, Pen::cosmetic(kInk), {1, 0}, {5, 0});
    drawLine(bmp, Pen::cosmetic(kInk), {5, 2}, {1, 2});
    drawLine(bmp, Pen::cosmetic(kFill), {0, 1}, {0, 5});
    drawLine(bmp, Pen::cosmetic(kFill), {6, 6}, {3, 3});
    EXPECT_EQ(render(bmp), ".oooo..|f......|f.oooo.|f......|f...f..|.....f.|......f|");
    Bitmap shallow(9, 3); // one pixel per column, evenly stepped
    drawLine(shallow, Pen::cosmetic(kInk), {0, 0}, {8, 2});
    EXPECT_EQ(render(shallow), "ooo......|...oooo..|.......o.|");
    Bitmap none(3, 3);
    drawLine(none, Pen::cosmetic(kInk), {1, 1}, {1, 1});
    drawLine(none, Pen::geometricFlat(2, kInk), {1, 1}, {1, 1});
    EXPECT_EQ(none, Bitmap(3, 3));

    Bitmap poly(5, 4);
    LineCursor cursor(poly, Pen::cosmetic(kInk));
    cursor.moveTo(0, 0);
    cursor.lineTo(4, 0);
    cursor.lineTo(4, 3);
    EXPECT_EQ(cursor.position(), (Point{4, 3}));
    cursor.selectPen(Pen::cosmetic(kFill));
    cursor.lineTo(1, 3);
    EXPECT_EQ(render(poly), "ooooo|....o|....o|..fff|");

    Bitmap flat(8, 6);
    LineCursor pen(flat, Pen::geometricFlat(2, kInk));
    pen.moveTo(1, 2);
    pen.lineTo(5, 2);
    pen.moveTo(7, 5);
    pen.lineTo(3, 5);
    EXPECT_EQ(render(flat), "........|.oooo...|.oooo...|........|...oooo.|...oooo.|");
}

TEST(Raster, EveryBoxGivesASymmetricFigureTouchingAllFourSides) {
    for (int w = 1; w <= 21; ++w) {
        for (int h = 1; h <= 21; ++h) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            Bitmap bmp(w + 4, h + 4);
            const int left = 2, top = 2;
            ellipse(bmp, kInk, kFill, left, top, left + w, top + h);
            const auto out = [&](int x, int y) { return bmp.at(x, y) == kBlack; };
            for (int y = 0; y < bmp.height(); ++y) {
                int runs = 0;
                for (int x = 0; x < bmp.width(); ++x) {
                    const ColorRef c = bmp.at(x, y);
                    ASSERT_EQ(c, bmp.at(2 * left + w - 1 - x, y));
                    ASSERT_EQ(c, bmp.at(x, 2 * top + h - 1 - y));
                    if (out(x, y)) continue;
                    ASSERT_TRUE(x >= left && x < left + w && y >= top && y < top + h);
                    runs += out(x - 1, y);
                    const bool edge =
                        out(x - 1, y) || out(x + 1, y) || out(x, y - 1) || out(x, y + 1);
                    ASSERT_EQ(c, edge ? kInk : kFill);
                }
                ASSERT_LE(runs, 1); // each row one span
            }
            // The middle row and column are the widest; by the symmetry,
            // touching left and top with them means all four sides.
            EXPECT_NE(bmp.at(left, top + h / 2), kBlack);
            EXPECT_NE(bmp.at(left + w / 2, top), kBlack);
        }
    }
}

// A pixel is in the figure when its centre lies in the ellipse through the
// box's sides. The 12 and 5 pixel circles are the tray icon's weekday picture.
TEST(Raster, EllipsesFlatBareClippedAndEmpty) {
    Bitmap flat(7, 3);
    ellipse(flat, kInk, kFill, 0, 0, 7, 3);
    EXPECT_EQ(render(flat), ".ooooo.|offfffo|.ooooo.|");
    Bitmap bare(7, 3);
    ellipse(bare, std::nullopt, kFill, 0, 0, 7, 3);
    EXPECT_EQ(render(bare), ".fffff.|fffffff|.fffff.|");
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

TEST(Raster, BitBltCopiesWithClippingAtEveryEdgeAndOntoItself) {
    Bitmap src(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            src.set(x, y, rgb(1 + x, 1 + y, 7));
    for (int ox = -4; ox <= 6; ++ox)
        for (int oy = -4; oy <= 6; ++oy) {
            SCOPED_TRACE(std::to_string(ox) + "," + std::to_string(oy));
            Bitmap dst(4, 4, kWhite);
            bitBlt(dst, ox, oy, src);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) {
                    const int sx = x - ox, sy = y - oy;
                    const bool from = sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
                    ASSERT_EQ(dst.at(x, y), from ? src.at(sx, sy) : kWhite);
                }
        }
    Bitmap bmp = src;
    bitBlt(bmp, 0, 1, bmp);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(bmp.at(x, y), src.at(x, y ? y - 1 : 0));
}

} // namespace
} // namespace orbel::gfx
