// The Windows port on the real system calls (under Wine in the cross
// build): the tray records as the wide call takes them, the multimedia
// timers, icons through GDI and back, and the version resource of the
// built program.
#include "ports/win32/win32Native.h"
#include "res/artwork.h"
#include "tray/notifyIconData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <cwchar>
#include <filesystem>

namespace orbel::win32 {
namespace {

// The 64-bit records, measured: the wide forms the shell tells apart.
TEST(Win32NotifyIcon, EachFormKeepsItsVersionFieldsAndTextsInWideForm) {
    static_assert(kNotifyIconSizeOld == 104 && kNotifyIconSizeV5 == 504 &&
                  kNotifyIconSizeV6 == 520);
    EXPECT_EQ(notifyIconWideSize(kNotifyIconSizeOld), NOTIFYICONDATAW_V1_SIZE);
    EXPECT_EQ(notifyIconWideSize(kNotifyIconSizeV5), NOTIFYICONDATAW_V2_SIZE);
    EXPECT_EQ(notifyIconWideSize(kNotifyIconSizeV6), sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(NOTIFYICONDATAW_V1_SIZE, 168u);
    EXPECT_EQ(NOTIFYICONDATAW_V2_SIZE, 952u);
    EXPECT_EQ(sizeof(NOTIFYICONDATAW), 976u);

    NotifyIconDataOld old;
    old.cbSize = kNotifyIconSizeOld;
    old.hWnd = Hwnd{0x1234};
    old.uID = 101;
    old.uFlags = 7;
    old.uCallbackMessage = kWmApp;
    old.hIcon = HIcon{0x5678};
    std::strcpy(old.szTip, "944/04/06(\x88\xc5) 0:00"); // 闇
    const NOTIFYICONDATAW a = toNative(old);
    EXPECT_EQ(a.cbSize, NOTIFYICONDATAW_V1_SIZE);
    EXPECT_EQ(a.hWnd, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(a.uID, 101u);
    EXPECT_EQ(a.uFlags, 7u);
    EXPECT_EQ(a.uCallbackMessage, 0x8000u);
    EXPECT_EQ(a.hIcon, reinterpret_cast<HICON>(0x5678));
    EXPECT_STREQ(a.szTip, L"944/04/06(\u95c7) 0:00");

    NotifyIconDataNew full;
    full.cbSize = kNotifyIconSizeV6;
    full.uFlags = kNifInfo;
    std::memset(full.szTip, 'x', sizeof full.szTip - 1); // 127 bytes: the whole field
    std::strcpy(full.szInfo, "\x90\x56\x8c\x8e\r\nline");  // 新月
    std::strcpy(full.szInfoTitle, "orbel");
    full.uTimeout = 15000;
    full.dwInfoFlags = kNiifInfo;
    full.guidItem[0] = 0xAB;
    NOTIFYICONDATAW b = toNative(full);
    EXPECT_EQ(b.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(std::wcslen(b.szTip), 127u);
    EXPECT_STREQ(b.szInfo, L"\u65b0\u6708\r\nline");
    EXPECT_STREQ(b.szInfoTitle, L"orbel");
    EXPECT_EQ(b.uTimeout, 15000u);
    EXPECT_EQ(b.dwInfoFlags, 1u);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&b.guidItem)[0], 0xAB);

    full.cbSize = kNotifyIconSizeV5; // ends before the GUID: none goes out
    b = toNative(full);
    EXPECT_EQ(b.cbSize, NOTIFYICONDATAW_V2_SIZE);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&b.guidItem)[0], 0);
}

TEST(Win32Timers, LongDelaysSplitIntoWholeEqualParts) {
    EXPECT_EQ(Win32Port::splitDelay(600000, 1000000), std::make_pair(600000u, 1u));
    EXPECT_EQ(Win32Port::splitDelay(600000, 65535), std::make_pair(60000u, 10u));
    EXPECT_EQ(Win32Port::splitDelay(200, 0), std::make_pair(200u, 1u));
    for (unsigned max : {1000u, 4097u, 65535u})
        for (unsigned delay : {1u, 999u, 1001u, 65536u, 600000u, 600001u, 4294967295u}) {
            const auto [period, ticks] = Win32Port::splitDelay(delay, max);
            EXPECT_LE(period, max) << delay << "/" << max;
            EXPECT_EQ(std::uint64_t{period} * ticks, delay) << delay << "/" << max;
            EXPECT_GE(period, 1u);
        }
}

struct Count {
    std::mutex mutex;
    std::condition_variable changed;
    int n = 0;
    unsigned killAt = 0; // kills its own timer on that callback
    Win32Port* port = nullptr;
};

void countTick(unsigned id, void* user) {
    auto* c = static_cast<Count*>(user);
    std::lock_guard lock(c->mutex);
    ++c->n;
    if (c->killAt != 0 && static_cast<unsigned>(c->n) == c->killAt) c->port->timeKillEvent(id);
    c->changed.notify_all();
}

TEST(Win32Timers, PeriodicTimerFiresAtItsPeriodAndStopsWhenItKillsItself) {
    Win32Port port;
    TimeCaps caps;
    ASSERT_EQ(port.timeGetDevCaps(caps), kTimerNoError);
    EXPECT_GE(caps.periodMax, caps.periodMin);
    Count c;
    c.port = &port;
    c.killAt = 5;
    const auto start = std::chrono::steady_clock::now();
    const unsigned id = port.timeSetEvent(20, 1, countTick, &c, kTimePeriodic);
    ASSERT_NE(id, 0u);
    std::unique_lock lock(c.mutex);
    ASSERT_TRUE(c.changed.wait_for(lock, std::chrono::seconds(5), [&] { return c.n >= 5; }));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Five periods of 20 ms: not before 80 ms have passed.
    EXPECT_GE(elapsed, std::chrono::milliseconds(80));
    // Killed from its own callback: no sixth tick in the next periods.
    EXPECT_FALSE(c.changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return c.n > 5; }));
}

TEST(Win32Timers, OneShotFiresOnceAndAKillFromAnotherThreadStopsAPeriodic) {
    Win32Port port;
    Count once;
    ASSERT_NE(port.timeSetEvent(10, 1, countTick, &once, 0), 0u);
    Count periodic;
    const unsigned id = port.timeSetEvent(10, 1, countTick, &periodic, kTimePeriodic);
    ASSERT_NE(id, 0u);
    {
        std::unique_lock lock(periodic.mutex);
        ASSERT_TRUE(periodic.changed.wait_for(lock, std::chrono::seconds(5),
                                              [&] { return periodic.n >= 3; }));
    }
    EXPECT_EQ(port.timeKillEvent(id), kTimerNoError);
    int after = 0;
    {
        std::lock_guard lock(periodic.mutex);
        after = periodic.n;
    }
    std::unique_lock lock(periodic.mutex);
    EXPECT_FALSE(periodic.changed.wait_for(lock, std::chrono::milliseconds(60),
                                           [&] { return periodic.n != after; }));
    std::lock_guard onceLock(once.mutex);
    EXPECT_EQ(once.n, 1);
}

TEST(Win32Icons, ArtworkSurvivesTheTripThroughAnIconHandle) {
    Win32Port port;
    for (int size : {16, 32}) {
        const gfx::IconImage art = res::iconResource(108, size); // the full moon
        const HIcon icon = port.createIconIndirect(art);
        ASSERT_FALSE(isNull(icon)) << size;
        gfx::IconImage back;
        ASSERT_TRUE(port.getIconInfo(icon, back));
        EXPECT_EQ(back.mask, art.mask) << size;
        // Colour counts only where the mask shows it.
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (art.mask.at(x, y) == gfx::kBlack) {
                    ASSERT_EQ(back.color.at(x, y), art.color.at(x, y)) << x << "," << y;
                }
        EXPECT_TRUE(port.destroyIcon(icon));
    }
    EXPECT_TRUE(isNull(port.createIconIndirect(gfx::IconImage{})));
}

TEST(Win32Version, TheBuiltProgramCarriesItsVersionResource) {
    Win32Port port;
    const std::optional<std::string> self = port.getModuleFileName();
    ASSERT_TRUE(self);
    const auto exe = std::filesystem::path(text::cp932ToWide(*self)).parent_path() / "orbel.exe";
    if (!std::filesystem::exists(exe)) GTEST_SKIP() << "orbel.exe is not built beside the tests";
    const std::optional<std::string> block = port.getFileVersionInfo(narrow(exe.wstring()));
    ASSERT_TRUE(block);
    EXPECT_EQ(port.verQueryValue(*block, "\\VarFileInfo\\Translation"),
              std::string("\x11\x04\xb0\x04", 4));
    EXPECT_EQ(port.verQueryValue(*block, "\\StringFileInfo\\041104b0\\FileVersion"), "1.6.1");
    EXPECT_EQ(port.verQueryValue(*block, "\\StringFileInfo\\041104b0\\ProductName"), "orbel");
    EXPECT_EQ(port.verQueryValue(*block, "\\StringFileInfo\\041104b0\\NoSuchValue"), std::nullopt);
    EXPECT_EQ(port.getFileVersionInfo("no-such-file.exe"), std::nullopt);
}

} // namespace
} // namespace orbel::win32
