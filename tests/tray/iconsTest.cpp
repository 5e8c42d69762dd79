// The tray icon set on the fake port, pixel by pixel.
#include "tray/icons.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "tests/support/appAccess.h"
#include "tests/support/tempDir.h"
#include "tests/support/trayCases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace orbel {
namespace {

using gfx::Bitmap;
using gfx::ColorRef;
using gfx::IconImage;
using gfx::rgb;

// Failures of single icon calls, counted from 1 over the port's life.
class IconPort : public FakePort {
public:
    int smallIconSize = 16;
    std::set<int> failingCreations, failingReleases;
    int creations = 0, releases = 0;

    int getSystemMetrics(int index) override {
        if (index == kSmCxSmIcon || index == kSmCySmIcon) return smallIconSize;
        return FakePort::getSystemMetrics(index);
    }
    HIcon createIconIndirect(const IconImage& image) override {
        if (failingCreations.count(++creations)) return HIcon{};
        return FakePort::createIconIndirect(image);
    }
    // The icon goes either way; the answer is what a failed release says.
    bool destroyIcon(HIcon icon) override {
        const bool gone = FakePort::destroyIcon(icon);
        return failingReleases.count(++releases) ? false : gone;
    }
};

// A moon whose every pixel tells where it came from, with a diagonal
// pattern of transparent pixels (black under a white mask).
IconImage knownMoon(unsigned id, int size) {
    IconImage img{Bitmap(size, size), Bitmap(size, size)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool clear = (x + 2 * y) % 7 == 0;
            img.color.set(x, y, clear ? gfx::kBlack : rgb(16 + 8 * x, 16 + 8 * y, id));
            img.mask.set(x, y, clear ? gfx::kWhite : gfx::kBlack);
        }
    return img;
}

constexpr ColorRef kSunday = rgb(249, 37, 0); // weekday 0, first table

// The weekday picture of a 16-pixel frame: the disc Ellipse(2,3,14,15) with
// its highlight Ellipse(4,5,9,10) (white inside a one-pixel rim in the disc
// colour), and the ground lines (8..13, 14) and (8..12, 13) where the disc
// leaves them visible.
const std::vector<std::string> kWeekday16{
    "................", "................", "................", "......cccc......",
    "....cccccccc....", "...cccccccccc...", "...ccwwwccccc...", "..cccwwwcccccc..",
    "..cccwwwcccccc..", "..cccccccccccc..", "..cccccccccccc..", "...cccccccccc...",
    "...cccccccccc...", "....ccccccccg...", "......ccccgggg..", "................",
};
// The top half of a 24-pixel one: Ellipse(2,3,22,23) and Ellipse(5,6,10,11).
const std::vector<std::string> kWeekday24Top{
    "........................", "........................", "........................",
    ".........cccccc.........", ".......cccccccccc.......", ".....cccccccccccccc.....",
    "....cccccccccccccccc....", "....ccwwwccccccccccc....", "...cccwwwcccccccccccc...",
    "...cccwwwcccccccccccc...", "..cccccccccccccccccccc..", "..cccccccccccccccccccc..",
};

// The weekday picture above the moon pushed down by `shift` rows.
IconImage framed(const std::vector<std::string>& art, ColorRef disc, const IconImage& moon,
                 int shift) {
    const std::map<char, ColorRef> legend{
        {'.', gfx::kBlack}, {'c', disc}, {'w', gfx::kWhite}, {'g', rgb(192, 192, 192)}};
    IconImage out = moon;
    for (int y = 0; y < moon.color.height(); ++y)
        for (int x = 0; x < moon.color.width(); ++x) {
            const char c = y < shift ? art[std::size_t(y)][std::size_t(x)] : '\0';
            out.color.set(x, y, c ? legend.at(c) : moon.color.at(x, y - shift));
            out.mask.set(x, y,
                         c ? (c == '.' ? gfx::kWhite : gfx::kBlack) : moon.mask.at(x, y - shift));
        }
    return out;
}

class IconSetTest : public ::testing::Test {
protected:
    IconSetTest() {
        app.log().setPath((dir / "orbel.log").string());
        AppTestAccess::setResourceModule(app, port.loadLibrary("uires0.dll"));
        port.iconSource = [](unsigned id, int cx, int) { return knownMoon(id, cx); };
    }
    IconImage imageOf(HIcon icon) const { return port.iconImage(icon).value_or(IconImage{}); }
    std::array<HIcon, 9> iconsShown() const {
        std::array<HIcon, 9> all{icons->moonIcon()};
        for (int i = 0; i < 8; ++i)
            all[std::size_t(i) + 1] = icons->frame(i);
        return all;
    }
    std::vector<test::LogEntry> log() const {
        return test::logEntries(dir / "orbel.log", "icons.cpp");
    }

    test::TempDir dir;
    IconPort port;
    COrbelApp app{port};
    std::optional<CTrayIconSet> icons{std::in_place, app};
};

TEST(IconMaths, FrameShiftsColourTablesAndAnEmptyFrame) {
    for (int f = 0; f < 8; ++f) // 20 / 8 = 2.5 pixels per frame, rounded half up
        EXPECT_EQ(swapFrameShift(20, f), (5 * f + 6) / 2) << f;
    Bitmap empty;
    EXPECT_FALSE(drawSwapFrame(empty, 1, 2, 3, 4, 5, 0));

    // Windows Me and everything from XP on get the soft table.
    for (int cls : {0, 47, 48, 49, 64, 95, 96, 113})
        EXPECT_EQ(usesFirstColourTable(cls), cls == 48 || cls >= 96) << cls;
    // The basic sixteen colours, which any shell shows without dithering.
    std::set<ColorRef> basic{rgb(192, 192, 192)};
    for (int m = 0; m < 8; ++m)
        for (int v : {128, 255})
            basic.insert(rgb(m & 1 ? v : 0, m & 2 ? v : 0, m & 4 ? v : 0));
    std::set<ColorRef> soft, plain; // every weekday its own colour, and weekdays wrap
    for (int d = 0; d < 8; ++d) {
        soft.insert(weekdayColour(d, 96));
        plain.insert(weekdayColour(d, 80));
        EXPECT_EQ(weekdayColour(d + 8, 96), weekdayColour(d, 96)) << d;
        EXPECT_EQ(weekdayColour(d - 8, 80), weekdayColour(d, 80)) << d;
    }
    EXPECT_EQ(soft.size(), 8u);
    EXPECT_EQ(plain.size(), 8u);
    EXPECT_TRUE(std::ranges::includes(basic, plain));
    for (ColorRef c : soft)
        EXPECT_EQ(basic.count(c), 0u) << c;
}

// Without a bar the moon is the loaded phase icon itself, not a copy;
// unknown phases use the new moon. The bar is (width - 2) / 7 per day begun
// plus 1.5, truncated (never a whole number exactly, so integer maths agrees).
TEST_F(IconSetTest, TheMoonWithItsBarAndEveryFrameWithTheWeekdayPictureInTheSystemsColour) {
    ASSERT_TRUE(icons->createTrayIcon(4, -1, 0));
    EXPECT_EQ(imageOf(icons->moonIcon()), knownMoon(106, 16));
    EXPECT_TRUE(port.callsStartingWith("destroyIcon").empty());
    for (auto [index, id] : {std::pair{11, 113}, {12, 102}, {-1, 102}, {0, 102}}) {
        ASSERT_TRUE(icons->createTrayIcon(index, -1, 0));
        EXPECT_EQ(imageOf(icons->moonIcon()), knownMoon(unsigned(id), 16)) << index;
    }
    for (int f = 0; f < 8; ++f)
        EXPECT_EQ(imageOf(icons->frame(f)),
                  framed(kWeekday16, kSunday, knownMoon(102, 16), 2 * f + 2))
            << "frame " << f;

    port.smallIconSize = 24;
    ASSERT_TRUE(icons->createTrayIcon(0, -1, 0));
    EXPECT_EQ(imageOf(icons->frame(3)), framed(kWeekday24Top, kSunday, knownMoon(102, 24), 12));

    const std::tuple<OsVersionInfo, int, ColorRef> rows[] = {
        {{4, 90, 3000, kVerPlatformWin32Windows, 0}, 2, rgb(44, 45, 210)},      // Me, class 48
        {{6, 0, 6000, kVerPlatformWin32Nt, kVerNtWorkstation}, 6, gfx::kWhite}, // Vista, 80
    };
    for (const auto& [version, weekday, disc] : rows) {
        IconPort p;
        p.osVersion = version;
        COrbelApp a(p);
        AppTestAccess::setResourceModule(a, p.loadLibrary("uires0.dll"));
        CTrayIconSet set(a);
        ASSERT_TRUE(set.createTrayIcon(0, -1, weekday));
        EXPECT_EQ(p.iconImage(set.frame(7))->color,
                  framed(kWeekday16, disc, knownMoon(0, 16), 16).color)
            << weekday;
    }
    for (int size : {16, 20, 32}) {
        port.smallIconSize = size;
        const IconImage moon = knownMoon(107, size);
        for (int day = 0; day < 7; ++day) {
            SCOPED_TRACE(::testing::Message() << size << " pixels, day " << day);
            ASSERT_TRUE(icons->createTrayIcon(5, day, 0));
            Bitmap want = moon.color;
            for (int y = size - 2; y < size; ++y)
                for (int x = 0; x < (2 * (size - 2) * (day + 1) + 21) / 14; ++x)
                    want.set(x, y, rgb(0, 255, 0));
            EXPECT_EQ(imageOf(icons->moonIcon()), (IconImage{want, moon.mask}));
        }
    }
}

TEST_F(IconSetTest, SlideStepsThenRebuildsLeakNothingAndAFailedOneKeepsTheOldIcons) {
    ASSERT_TRUE(icons->createTrayIcon(0, 0, 0));
    for (int i = 0; i < 32; ++i) {
        bool finished = false;
        const HIcon shown = i < 16 ? icons->forwardStep(finished) : icons->backwardStep(finished);
        EXPECT_EQ(shown, icons->frame((i < 16 ? i : 31 - i) / 2)) << i;
        EXPECT_EQ(finished, i == 15 || i == 31) << i;
        EXPECT_TRUE(!finished || icons->animationCounter() == (i == 15 ? 15 : 0)) << i;
        if (i != 15) continue;
        // A refresh rebuilds the icons during the hold; the counter stays.
        ASSERT_TRUE(icons->createTrayIcon(1, 1, 3));
        finished = false;
        EXPECT_EQ(icons->forwardStep(finished), icons->frame(7));
        EXPECT_TRUE(finished);
        EXPECT_EQ(icons->animationCounter(), 15);
    }
    EXPECT_TRUE(isNull(icons->frame(8)));
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(icons->createTrayIcon(i % 12, i % 8 - 1, i % 8));
        ASSERT_EQ(port.liveIcons(), 9u) << i; // the moon and eight frames
    }
    // The creation that fails: the bar is the first, frames 0 to 7 follow;
    // 0 is the phase icon missing instead.
    const std::pair<int, const char*> rows[] = {{0, "getIcon failed"},
                                                {1, "drawBar failed"},
                                                {5, "modifyIcon failed"},
                                                {9, "modifyIcon failed"}};
    for (const auto& [failing, logged] : rows) {
        SCOPED_TRACE(failing);
        const auto before = iconsShown();
        std::filesystem::remove(dir / "orbel.log");
        port.missingIcons = {failing ? 0u : 105u};
        port.failingCreations = {port.creations + failing};
        EXPECT_FALSE(icons->createTrayIcon(3, 3, 1));
        ASSERT_EQ(log().size(), 1u);
        EXPECT_EQ(log()[0].message, logged);
        EXPECT_EQ(iconsShown(), before);
        for (HIcon f : before)
            EXPECT_TRUE(port.iconImage(f).has_value());
        EXPECT_EQ(port.liveIcons(), 9u);
    }
    std::filesystem::remove(dir / "orbel.log");
    // Failed releases are logged and the build goes on: the old moon icon's,
    // then the phase icon's after the bar.
    port.failingReleases = {port.releases + 1, port.releases + 2};
    EXPECT_TRUE(icons->createTrayIcon(3, 3, 0));
    const auto released = log();
    ASSERT_EQ(released.size(), 2u);
    EXPECT_EQ(released[0].message, "DestroyIcon failed.");
    EXPECT_EQ(released[1].message, "DestroyIcon failed.");
    EXPECT_NE(released[0].where, released[1].where); // two different places
    EXPECT_EQ(port.liveIcons(), 9u);
    icons.reset();
    EXPECT_EQ(port.liveIcons(), 0u);
}

} // namespace
} // namespace orbel
