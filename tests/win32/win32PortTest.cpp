// The Windows port on the real system calls (under Wine in the cross
// build): the tray records as the wide call takes them, the multimedia
// timers, icons through GDI and back, and the version resource of the
// built program.
#include "ports/win32/win32Native.h"
#include "res/artwork.h"
#include "res/versionInfo.h"
#include "tray/notifyIconData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <thread>
#include <tuple>

namespace orbel::win32 {
namespace {

// The 64-bit records: the wide forms the shell tells apart.
TEST(Win32NotifyIcon, EachFormKeepsItsVersionFieldsAndTextsInWideForm) {
    NotifyIconDataOld old{kNotifyIconSizeOld, Hwnd{0x1234}, 101, 7, kWmApp, HIcon{0x5678}, {}};
    std::strcpy(old.szTip, "944/04/06(\x88\xc5) 0:00"); // 闇
    const NOTIFYICONDATAW a = toNative(old);
    EXPECT_EQ(std::tuple(a.cbSize, a.hWnd, a.uID, a.uFlags, a.uCallbackMessage, a.hIcon),
              std::tuple(DWORD{NOTIFYICONDATAW_V1_SIZE}, reinterpret_cast<HWND>(0x1234), 101u, 7u,
                         0x8000u, reinterpret_cast<HICON>(0x5678)));
    EXPECT_STREQ(a.szTip, L"944/04/06(\u95c7) 0:00");

    NotifyIconDataNew full;
    full.cbSize = kNotifyIconSizeV6;
    full.uFlags = kNifInfo;
    std::memset(full.szTip, 'x', sizeof full.szTip - 1);  // 127 bytes: the whole field
    std::strcpy(full.szInfo, "\x90\x56\x8c\x8e\r\nline"); // 新月
    std::strcpy(full.szInfoTitle, "orbel");
    full.uTimeout = 15000;
    full.dwInfoFlags = kNiifInfo;
    full.guidItem[0] = 0xAB;
    NOTIFYICONDATAW b = toNative(full);
    EXPECT_EQ(b.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(std::wcslen(b.szTip), 127u);
    EXPECT_STREQ(b.szInfo, L"\u65b0\u6708\r\nline");
    EXPECT_STREQ(b.szInfoTitle, L"orbel");
    EXPECT_EQ(std::tuple(b.uTimeout, b.dwInfoFlags), std::tuple(15000u, 1u));
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
            EXPECT_TRUE(period >= 1 && period <= max && std::uint64_t{period} * ticks == delay)
                << delay << "/" << max << ": " << period << " x " << ticks;
        }
}

// Counts a timer's callbacks; kills its own timer on the killAt-th.
struct Count {
    std::atomic<int> n{0};
    int killAt = 0;
    Win32Port* port = nullptr;
};

void countTick(unsigned id, void* user) {
    auto* c = static_cast<Count*>(user);
    if (++c->n == c->killAt) c->port->timeKillEvent(id);
}

// Whether `done` comes true within `limit`.
template <class Done> bool within(std::chrono::milliseconds limit, Done done) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

TEST(Win32Timers, PeriodicFiresAtItsPeriodAndStopsWhenKilledFromItsCallbackOrAnotherThread) {
    using std::chrono::milliseconds;
    Win32Port port;
    TimeCaps caps;
    ASSERT_EQ(port.timeGetDevCaps(caps), kTimerNoError);
    EXPECT_GE(caps.periodMax, caps.periodMin);
    Count self;
    self.killAt = 5;
    self.port = &port;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_NE(port.timeSetEvent(20, 1, countTick, &self, kTimePeriodic), 0u);
    ASSERT_TRUE(within(milliseconds(5000), [&] { return self.n >= 5; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(4 * 20));
    EXPECT_FALSE(within(milliseconds(100), [&] { return self.n > 5; }));

    Count once, periodic;
    ASSERT_NE(port.timeSetEvent(10, 1, countTick, &once, 0), 0u);
    const unsigned id = port.timeSetEvent(10, 1, countTick, &periodic, kTimePeriodic);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(within(milliseconds(5000), [&] { return periodic.n >= 3; }));
    EXPECT_EQ(port.timeKillEvent(id), kTimerNoError);
    const int after = periodic.n;
    EXPECT_FALSE(within(milliseconds(60), [&] { return periodic.n != after; }));
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
    // Byte for byte what the other ports hand out, the fixed part too.
    for (const auto& [path, value] : res::versionValues())
        EXPECT_EQ(port.verQueryValue(*block, path), value) << path;
    EXPECT_EQ(port.verQueryValue(*block, "\\StringFileInfo\\041104b0\\NoSuchValue"), std::nullopt);
    EXPECT_EQ(port.getFileVersionInfo("no-such-file.exe"), std::nullopt);
}

} // namespace
} // namespace orbel::win32
