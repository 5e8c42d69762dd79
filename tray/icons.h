// CTrayIconSet: the tray's pictures. Builds the moon icon (the phase icon
// with its lunar-day bar) and the eight frames of the weekday slide, owns
// them until the next build or its own end, and steps the slide over the
// process's one animation counter. Owned by the main window (COrbelDlg),
// which runs the slide's timers; UI thread only.
//
// The free functions are the pure parts of the build, for the set itself
// and for tests: the bar length, the weekday colours, one slide frame drawn
// into one image.
#pragma once

#include "app/winTypes.h"
#include "tray/raster.h"

#include <array>

namespace orbel {

class COrbelApp;

// The lunar-day bar's length for a small icon `smallIconWidth` wide.
int barLength(int smallIconWidth, int lunarDay);

// Which of the two weekday colour tables a Windows version class uses: the
// softer first one where the shell draws true-colour tray icons.
bool usesFirstColourTable(int windowsClass);
// The weekday's colour (weekday taken modulo 8) from that table.
gfx::ColorRef weekdayColour(int weekday, int windowsClass);

// How far frame 0..7 pushes the moon down in an image `height` pixels high.
int swapFrameShift(int height, int frame);

// Draws slide frame `frame` into one image of an icon in place: the weekday
// picture (two ground lines, the disc and its highlight on the background)
// with the old content pushed down below it. Called once with the colour
// image's colours and once with the mask's black and white. False for an
// empty image.
bool drawSwapFrame(gfx::Bitmap& image, gfx::ColorRef outlinePen, gfx::ColorRef linePen,
                   gfx::ColorRef discBrush, gfx::ColorRef highlightBrush,
                   gfx::ColorRef backgroundBrush, int frame);

class CTrayIconSet {
public:
    static constexpr int kFrameCount = 8;
    static constexpr int kSlideSteps = 16;
    // Animation counter -> frame: each frame stays for two steps.
    static constexpr std::array<int, kSlideSteps> kSlideSequence{0, 0, 1, 1, 2, 2, 3, 3,
                                                                 4, 4, 5, 5, 6, 6, 7, 7};

    explicit CTrayIconSet(COrbelApp& app);
    ~CTrayIconSet();
    CTrayIconSet(const CTrayIconSet&) = delete;
    CTrayIconSet& operator=(const CTrayIconSet&) = delete;

    // Rebuilds the moon icon for phase `index` with a bar for `lunarDay`
    // (-1: none) and the eight frames in `weekday`'s colour. False after a
    // failure, logged; the previous moon and frames then stay as they were.
    bool createTrayIcon(int index, int lunarDay, int weekday);
    // A new icon: `icon` with the green bar along its bottom; null on failure.
    HIcon drawBar(HIcon icon, int barLength);
    // A new icon: slide frame `frame` of `moonIcon`; null on failure.
    HIcon modifyIcon(HIcon moonIcon, gfx::ColorRef colour, int frame);

    HIcon moonIcon() const { return m_moonIcon; }
    // Frame 0..7; null outside that range or before it was built.
    HIcon frame(int i) const;

    // One step of the slide out (timer 32): the frame to show now. Sets
    // `finished` on the sixteenth step, which leaves the counter at 15.
    HIcon forwardStep(bool& finished);
    // One step of the slide back (timer 33). Sets `finished` when the
    // counter runs out (it is then 0); the caller shows the moon icon next.
    HIcon backwardStep(bool& finished);
    int animationCounter() const { return m_counter; }

private:
    COrbelApp& m_app;
    HIcon m_moonIcon{};
    std::array<HIcon, kFrameCount> m_frames{};
    // The slide position, 0..15 between steps; it survives a rebuild, so a
    // slide started after an interrupted one resumes from where that stopped.
    int m_counter = 0;
};

} // namespace orbel
