// The tray icon set on the fake port: the bar and the slide frames pixel by
// pixel (expected pictures worked out from the drawing coordinates), which
// weekday colour table a system gets and what sets the two apart, the
// failures and their log entries, no icon leaks across rebuilds, and the
// slide's steps.
#include "tray/icons.h"
#include "tests/support/appAccess.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <array>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace orbel {

namespace {

using gfx::Bitmap;
using gfx::ColorRef;
using gfx::IconImage;
using gfx::rgb;

// The fake port with a chosen small icon size and scripted failures of
// single icon calls (counted from 1 over the port's life).
class IconPort : public FakePort {
public:
    int smallIconSize = 16;
    std::set<int> failingCreations;
    std::set<int> failingReleases;
    int creations = 0;
    int releases = 0;

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

// A moon picture whose every pixel tells where it came from: colour from
// its position and the resource id, and a diagonal pattern of transparent
// pixels (black under a white mask).
IconImage knownMoon(unsigned id, int size) {
    IconImage img{Bitmap(size, size), Bitmap(size, size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool clear = (x + 2 * y) % 7 == 0;
            img.color.set(x, y, clear ? gfx::kBlack : rgb(16 + 8 * x, 16 + 8 * y, id));
            img.mask.set(x, y, clear ? gfx::kWhite : gfx::kBlack);
        }
    }
    return img;
}

Bitmap fromArt(const std::vector<std::string>& rows, const std::map<char, ColorRef>& legend) {
    Bitmap bmp(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            bmp.set(static_cast<int>(x), static_cast<int>(y), legend.at(rows[y][x]));
    return bmp;
}

// The picture above the moon as a mask: all that is drawn is opaque.
std::vector<std::string> maskOf(std::vector<std::string> art) {
    for (auto& row : art)
        for (char& c : row)
            c = c == '.' ? '.' : '#';
    return art;
}
const std::map<char, ColorRef> kMaskLegend{{'.', gfx::kWhite}, {'#', gfx::kBlack}};

constexpr ColorRef kSunday = rgb(249, 37, 0); // weekday 0, first table
constexpr ColorRef kGrey = rgb(192, 192, 192);
constexpr ColorRef kGreen = rgb(0, 255, 0);

std::map<char, ColorRef> colourLegend(ColorRef disc) {
    return {{'.', gfx::kBlack}, {'c', disc}, {'w', gfx::kWhite}, {'g', kGrey}};
}

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

// The top half of a 24-pixel one: disc Ellipse(2,3,22,23), highlight
// Ellipse(5,6,10,11).
const std::vector<std::string> kWeekday24Top{
    "........................", "........................", "........................",
    ".........cccccc.........", ".......cccccccccc.......", ".....cccccccccccccc.....",
    "....cccccccccccccccc....", "....ccwwwccccccccccc....", "...cccwwwcccccccccccc...",
    "...cccwwwcccccccccccc...", "..cccccccccccccccccccc..", "..cccccccccccccccccccc..",
};

// The weekday picture's rows above `shift`, the moon's rows below it.
Bitmap stacked(const Bitmap& above, const Bitmap& moon, int shift) {
    Bitmap out(moon.width(), moon.height());
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            out.set(x, y, y < shift ? above.at(x, y) : moon.at(x, y - shift));
    return out;
}

struct LogEntry {
    std::string where;
    std::string message;
};

class IconSetTest : public ::testing::Test {
protected:
    IconSetTest() {
        app.log().setPath((dir / "orbel.log").string());
        AppTestAccess::setResourceModule(app, port.loadLibrary("uires0.dll"));
        port.iconSource = [](unsigned id, int cx, int) { return knownMoon(id, cx); };
    }

    IconImage imageOf(HIcon icon) const {
        auto image = port.iconImage(icon);
        return image ? *image : IconImage{};
    }
    std::array<HIcon, 8> frames() const {
        std::array<HIcon, 8> all{};
        for (int i = 0; i < 8; ++i)
            all[static_cast<std::size_t>(i)] = icons->frame(i);
        return all;
    }
    // Every entry of the log, or a failure for a line of another shape.
    std::vector<LogEntry> logEntries() const {
        std::vector<LogEntry> entries;
        std::ifstream in(dir / "orbel.log");
        const std::regex shape(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d ; (icons\.cpp\(\d+\)) ; (.*) ; )");
        for (std::string line; std::getline(in, line);) {
            std::smatch m;
            EXPECT_TRUE(std::regex_match(line, m, shape)) << line;
            if (!m.empty()) entries.push_back({m[1], m[2]});
        }
        return entries;
    }
    void clearLog() const { std::filesystem::remove(dir / "orbel.log"); }
    std::vector<std::string> logMessages() const {
        std::vector<std::string> out;
        for (const auto& e : logEntries())
            out.push_back(e.message);
        return out;
    }

    test::TempDir dir;
    IconPort port;
    COrbelApp app{port};
    std::optional<CTrayIconSet> icons{std::in_place, app};
};

TEST(IconMaths, BarLengthsForEachDayOfAPhase) {
    // (width - 2) / 7 per day begun, plus 1.5, truncated.
    const std::array<int, 7> at16{3, 5, 7, 9, 11, 13, 15};
    const std::array<int, 7> at20{4, 6, 9, 11, 14, 16, 19};
    const std::array<int, 7> at32{5, 10, 14, 18, 22, 27, 31};
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(barLength(16, day), at16[static_cast<std::size_t>(day)]) << day;
        EXPECT_EQ(barLength(20, day), at20[static_cast<std::size_t>(day)]) << day;
        EXPECT_EQ(barLength(32, day), at32[static_cast<std::size_t>(day)]) << day;
    }
}

TEST(IconMaths, FramesPushTheMoonDownByAnEighthRounded) {
    // 20 / 8 = 2.5 pixels per frame, rounded half up.
    const std::array<int, 8> at20{3, 5, 8, 10, 13, 15, 18, 20};
    for (int f = 0; f < 8; ++f)
        EXPECT_EQ(swapFrameShift(20, f), at20[std::size_t(f)]) << f;
}

TEST(IconMaths, WeekdayColourTablesAndWhichClassUsesWhich) {
    // Windows Me and everything from XP on get the soft table.
    for (int cls : {48, 96, 112, 113})
        EXPECT_TRUE(usesFirstColourTable(cls)) << cls;
    for (int cls : {0, 1, 16, 32, 47, 49, 64, 80, 95})
        EXPECT_FALSE(usesFirstColourTable(cls)) << cls;
    // The basic sixteen colours, which any shell shows without dithering.
    const std::set<ColorRef> basic{
        rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
        rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(192, 192, 192),
        rgb(128, 128, 128), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
        rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};
    std::set<ColorRef> soft, plain;
    for (int d = 0; d < 8; ++d) {
        const ColorRef a = weekdayColour(d, 96), b = weekdayColour(d, 80);
        soft.insert(a);
        plain.insert(b);
        EXPECT_EQ(basic.count(b), 1u) << d;
        EXPECT_EQ(basic.count(a), 0u) << d; // the soft tones are never the plain ones
        // Weekdays wrap: 8 and -8 away is the same day.
        EXPECT_EQ(weekdayColour(d + 8, 96), a);
        EXPECT_EQ(weekdayColour(d - 8, 80), b);
    }
    EXPECT_EQ(soft.size(), 8u); // every weekday its own colour
    EXPECT_EQ(plain.size(), 8u);
    EXPECT_EQ(weekdayColour(0, 48), kSunday);
}

TEST(IconMaths, FrameOfAnEmptyImageFails) {
    Bitmap empty;
    EXPECT_FALSE(drawSwapFrame(empty, 1, 2, 3, 4, 5, 0));
}

TEST_F(IconSetTest, BarOnDaysZeroAndSixAt16) {
    // A plain picture, transparent along its top row.
    port.iconSource = [](unsigned, int cx, int cy) {
        IconImage img{Bitmap(cx, cy, rgb(60, 60, 60)), Bitmap(cx, cy)};
        for (int x = 0; x < cx; ++x) {
            img.color.set(x, 0, gfx::kBlack);
            img.mask.set(x, 0, gfx::kWhite);
        }
        return img;
    };
    const std::map<char, ColorRef> legend{
        {'.', gfx::kBlack}, {'m', rgb(60, 60, 60)}, {'G', kGreen}};
    std::vector<std::string> day0(16, "mmmmmmmmmmmmmmmm");
    day0[0] = "................";
    std::vector<std::string> day6 = day0;
    day0[14] = day0[15] = "GGGmmmmmmmmmmmmm";
    day6[14] = day6[15] = "GGGGGGGGGGGGGGGm";

    const IconImage base = port.iconSource(102, 16, 16);
    ASSERT_TRUE(icons->createTrayIcon(0, 0, 0));
    EXPECT_EQ(imageOf(icons->moonIcon()).color, fromArt(day0, legend));
    EXPECT_EQ(imageOf(icons->moonIcon()).mask, base.mask);
    ASSERT_TRUE(icons->createTrayIcon(0, 6, 0));
    EXPECT_EQ(imageOf(icons->moonIcon()).color, fromArt(day6, legend));
    EXPECT_EQ(imageOf(icons->moonIcon()).mask, base.mask);
}

TEST_F(IconSetTest, BarLengthsAt20) {
    port.smallIconSize = 20;
    const std::array<int, 7> lengths{4, 6, 9, 11, 14, 16, 19};
    for (int day = 0; day < 7; ++day) {
        ASSERT_TRUE(icons->createTrayIcon(5, day, 0));
        const IconImage moon = knownMoon(107, 20);
        const IconImage got = imageOf(icons->moonIcon());
        ASSERT_EQ(got.color.width(), 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool bar = y >= 18 && x < lengths[std::size_t(day)];
                ASSERT_EQ(got.color.at(x, y), bar ? kGreen : moon.color.at(x, y))
                    << "day " << day << " at " << x << "," << y;
            }
        EXPECT_EQ(got.mask, moon.mask);
    }
}

TEST_F(IconSetTest, NoBarKeepsThePhaseIconItself) {
    ASSERT_TRUE(icons->createTrayIcon(4, -1, 0));
    EXPECT_EQ(imageOf(icons->moonIcon()), knownMoon(106, 16));
    // It is the loaded icon, not a copy: nothing was released.
    EXPECT_TRUE(port.callsStartingWith("destroyIcon").empty());
    EXPECT_EQ(port.liveIcons(), 9u);
}

TEST_F(IconSetTest, PhaseIndexesOutsideOneToElevenUseTheNewMoon) {
    for (int index : {0, 12, -1}) {
        ASSERT_TRUE(icons->createTrayIcon(index, -1, 0));
        EXPECT_EQ(imageOf(icons->moonIcon()), knownMoon(102, 16)) << index;
    }
    ASSERT_TRUE(icons->createTrayIcon(11, -1, 0));
    EXPECT_EQ(imageOf(icons->moonIcon()), knownMoon(113, 16));
}

TEST_F(IconSetTest, EveryFrameAt16ShowsTheWeekdayPictureAboveThePushedDownMoon) {
    ASSERT_TRUE(icons->createTrayIcon(0, -1, 0));
    const IconImage moon = knownMoon(102, 16);
    const Bitmap colourArt = fromArt(kWeekday16, colourLegend(kSunday));
    const Bitmap maskArt = fromArt(maskOf(kWeekday16), kMaskLegend);
    const std::array<int, 8> shifts{2, 4, 6, 8, 10, 12, 14, 16};
    for (int f = 0; f < 8; ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        const IconImage got = imageOf(icons->frame(f));
        const int shift = shifts[std::size_t(f)];
        EXPECT_EQ(got.color, stacked(colourArt, moon.color, shift));
        EXPECT_EQ(got.mask, stacked(maskArt, moon.mask, shift));
    }
    // Frame 0's top rows are background only: transparent black.
    const IconImage first = imageOf(icons->frame(0));
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(first.mask.at(x, 1), gfx::kWhite);
        EXPECT_EQ(first.color.at(x, 1), gfx::kBlack);
    }
    // Frame 7 is the weekday picture alone.
    EXPECT_EQ(imageOf(icons->frame(7)).color, colourArt);
}

TEST_F(IconSetTest, FrameThreeAt24) {
    port.smallIconSize = 24;
    ASSERT_TRUE(icons->createTrayIcon(0, -1, 0));
    const IconImage moon = knownMoon(102, 24);
    const IconImage got = imageOf(icons->frame(3)); // pushed down by 12
    EXPECT_EQ(got.color, stacked(fromArt(kWeekday24Top, colourLegend(kSunday)), moon.color, 12));
    EXPECT_EQ(got.mask, stacked(fromArt(maskOf(kWeekday24Top), kMaskLegend), moon.mask, 12));
}

// The weekday disc's colour in frame 7 when the system reports `version`.
ColorRef discColourOn(const OsVersionInfo& version, int weekday) {
    test::TempDir dir;
    IconPort port;
    port.osVersion = version;
    COrbelApp app(port);
    app.log().setPath((dir / "orbel.log").string());
    AppTestAccess::setResourceModule(app, port.loadLibrary("uires0.dll"));
    CTrayIconSet icons(app);
    if (!icons.createTrayIcon(0, -1, weekday)) return 0xFFFFFFFFu;
    return port.iconImage(icons.frame(7))->color.at(8, 12);
}

TEST(IconColours, TheSystemVersionPicksTheColourTable) {
    const OsVersionInfo vista{6, 0, 6000, kVerPlatformWin32Nt, kVerNtWorkstation}; // 80
    const OsVersionInfo seven{6, 1, 7601, kVerPlatformWin32Nt, kVerNtWorkstation}; // 96
    const OsVersionInfo me{4, 90, 3000, kVerPlatformWin32Windows, 0};              // 48
    const OsVersionInfo nt4{4, 0, 1381, kVerPlatformWin32Nt, 0};                   // 64
    EXPECT_EQ(discColourOn(seven, 2), rgb(44, 45, 210));
    EXPECT_EQ(discColourOn(me, 2), rgb(44, 45, 210));
    EXPECT_EQ(discColourOn(vista, 2), rgb(0, 0, 255));
    EXPECT_EQ(discColourOn(nt4, 2), rgb(0, 0, 255));
}

TEST_F(IconSetTest, WeekdaySixOnTheSecondTableIsAllWhite) {
    port.osVersion = OsVersionInfo{6, 0, 6000, kVerPlatformWin32Nt, kVerNtWorkstation};
    ASSERT_TRUE(icons->createTrayIcon(0, -1, 6));
    EXPECT_EQ(imageOf(icons->frame(7)).color, fromArt(kWeekday16, colourLegend(gfx::kWhite)));
}

TEST_F(IconSetTest, AFailedRebuildKeepsThePreviousMoonAndFramesAndLeaksNothing) {
    struct Row {
        const char* name;
        std::function<void(IconPort&)> breakIt;
        const char* logged;
    };
    const std::vector<Row> rows = {
        {"phase icon missing", [](IconPort& p) { p.missingIcons.insert(105); }, "getIcon failed"},
        // The build creates the bar first, then frames 0 to 7.
        {"bar", [](IconPort& p) { p.failingCreations.insert(p.creations + 1); }, "drawBar failed"},
        {"frame 3", [](IconPort& p) { p.failingCreations.insert(p.creations + 5); },
         "modifyIcon failed"},
        {"frame 7", [](IconPort& p) { p.failingCreations.insert(p.creations + 9); },
         "modifyIcon failed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(icons->createTrayIcon(2, 2, 0));
        const HIcon moon = icons->moonIcon();
        const auto before = frames();
        port.missingIcons.clear();
        port.failingCreations.clear();
        clearLog();
        row.breakIt(port);
        EXPECT_FALSE(icons->createTrayIcon(3, 3, 1));
        EXPECT_EQ(logMessages(), std::vector<std::string>{row.logged});
        EXPECT_EQ(icons->moonIcon(), moon);
        EXPECT_TRUE(port.iconImage(moon).has_value());
        EXPECT_EQ(frames(), before);
        for (HIcon f : before)
            EXPECT_TRUE(port.iconImage(f).has_value());
        EXPECT_EQ(port.liveIcons(), 9u);
    }
}

TEST_F(IconSetTest, FailedReleasesAreLoggedAndTheBuildGoesOn) {
    ASSERT_TRUE(icons->createTrayIcon(3, 2, 0));
    // The old moon icon's release, then the phase icon's after the bar.
    port.failingReleases = {port.releases + 1, port.releases + 2};
    EXPECT_TRUE(icons->createTrayIcon(3, 3, 0));
    const auto entries = logEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "DestroyIcon failed.");
    EXPECT_EQ(entries[1].message, "DestroyIcon failed.");
    EXPECT_NE(entries[0].where, entries[1].where); // two different places
    EXPECT_EQ(port.liveIcons(), 9u);
}

TEST_F(IconSetTest, RebuildsNeverLeakIcons) {
    ASSERT_TRUE(icons->createTrayIcon(0, 0, 0));
    const std::size_t live = port.liveIcons();
    EXPECT_EQ(live, 9u); // the moon and eight frames
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(icons->createTrayIcon(i % 12, i % 8 - 1, i % 8));
        ASSERT_EQ(port.liveIcons(), live) << i;
    }
    // Failed builds, then a good one, then the set's end.
    port.missingIcons.insert(104);
    EXPECT_FALSE(icons->createTrayIcon(2, 1, 0));
    port.failingCreations.insert(port.creations + 3);
    EXPECT_FALSE(icons->createTrayIcon(5, 1, 0));
    ASSERT_TRUE(icons->createTrayIcon(5, 1, 0));
    EXPECT_EQ(port.liveIcons(), live);
    icons.reset();
    EXPECT_EQ(port.liveIcons(), 0u);
}

TEST_F(IconSetTest, SlideOutTakesSixteenStepsAndEndsOnTheLastFrame) {
    ASSERT_TRUE(icons->createTrayIcon(0, 0, 0));
    const std::array<int, 16> sequence{0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7};
    for (int step = 0; step < 16; ++step) {
        bool finished = true;
        EXPECT_EQ(icons->forwardStep(finished), icons->frame(sequence[std::size_t(step)]));
        EXPECT_EQ(finished, step == 15) << step;
    }
    EXPECT_EQ(icons->animationCounter(), 15);

    // Back again: the frames in reverse, finished with the counter at 0.
    for (int step = 15; step >= 0; --step) {
        bool finished = true;
        EXPECT_EQ(icons->backwardStep(finished), icons->frame(sequence[std::size_t(step)]));
        EXPECT_EQ(finished, step == 0) << step;
    }
    EXPECT_EQ(icons->animationCounter(), 0);
    EXPECT_TRUE(isNull(icons->frame(8))); // only frames 0..7 exist
}

TEST_F(IconSetTest, SlideAfterAnInterruptedHoldShowsTheLastFrameAtOnce) {
    ASSERT_TRUE(icons->createTrayIcon(0, 0, 0));
    bool finished = false;
    while (!finished)
        icons->forwardStep(finished);
    // A refresh rebuilds the icons during the hold; the counter stays.
    ASSERT_TRUE(icons->createTrayIcon(1, 1, 3));
    EXPECT_EQ(icons->animationCounter(), 15);
    finished = false;
    EXPECT_EQ(icons->forwardStep(finished), icons->frame(7));
    EXPECT_TRUE(finished);
    EXPECT_EQ(icons->animationCounter(), 15);
}

} // namespace
} // namespace orbel
