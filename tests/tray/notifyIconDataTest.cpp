// The tray record at each shell level.
#include "tray/notifyIconData.h"

#include "ports/fake/fakePort.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace orbel {
namespace {

constexpr Hwnd kMain{0x42};
constexpr HIcon kMoon{0x77};

template <std::size_t N> std::string str(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    EXPECT_NE(end, nullptr) << "unterminated field";
    return std::string(field, end ? static_cast<const char*>(end) - field : N);
}

// The fake port with a hook inside each wait: a use made there shows that
// the record's lock is not held across the wait (it would deadlock).
class RecordPort : public FakePort {
public:
    std::function<void()> onSleep;
    void sleep(unsigned ms) override {
        FakePort::sleep(ms);
        if (onSleep) onSleep();
    }
    std::vector<std::string> trace() const {
        std::vector<std::string> out;
        std::size_t use = 0;
        const auto notes = notifyCalls();
        for (const auto& c : calls()) {
            if (c == "sleep(500)") out.push_back("wait");
            if (!c.starts_with("shellNotifyIcon(") || use >= notes.size()) continue;
            const auto& n = notes[use++];
            const char* message[] = {"add", "modify", "delete"};
            out.push_back(std::string(n.message < 3 ? message[n.message] : "?") + " " +
                          std::to_string(n.data.uFlags) + " " +
                          std::to_string(static_cast<std::uintptr_t>(n.data.hIcon)) + " " +
                          str(n.data.szTip));
            EXPECT_EQ(n.data.hWnd, kMain);
        }
        return out;
    }
};

struct TrayLevel : ::testing::TestWithParam<int> {
    void SetUp() override {
        const unsigned major[] = {4, 5, 6}, minor[] = {72, 82, 1};
        port.shellVersion = {major[GetParam() - 4], minor[GetParam() - 4], 0, 0};
        record.emplace(port);
        record->setUp(kMain, kMoon);
    }
    FakePort::NotifyCall last() const { return port.notifyCalls().back(); }
    bool old() const { return GetParam() == 4; }
    RecordPort port;
    std::optional<CNotifyIconData> record;
};

INSTANTIATE_TEST_SUITE_P(Levels, TrayLevel, ::testing::Values(4, 5, 6),
                         [](const auto& info) { return "Level" + std::to_string(info.param); });

// NIF_ICON 2, NIF_TIP 4, NIF_INFO 16; the moon is icon 119, the frame 120.
// The shell tells the levels apart by the add's size; wider handles widen it.
// A use made during a wait runs at once and leaves what the retry sends as it was.
// Random ASCII, half-width katakana and double-byte characters (trail bytes
// 0x40-0x7E): the shell gets the longest whole-character prefix that fits
// the form, the record keeps the one that fits the full field. The balloon's
// texts are cut to 63 and 255 bytes by the same rule.
TEST_P(TrayLevel, StartAddRetriesFlagsStayAsTheLastUseLeftThemAndTextsAreCutWhole) {
    const std::uint32_t size[2][3] = {{88, 488, 504}, {104, 504, 520}};
    port.shellNotifyAnswers = {false, false, false, false, false, true};
    EXPECT_TRUE(record->addWithRetry());
    const auto add = port.notifyCalls().front();
    EXPECT_EQ(add.oldForm, old());
    EXPECT_EQ(add.cbSize, size[sizeof(void*) == 8][GetParam() - 4]);
    EXPECT_EQ(add.data.uID, 101u);
    EXPECT_EQ(add.data.uCallbackMessage, 0x8000u);
    const std::vector<std::string> expected{"add 7 119 ", "wait", "modify 7 119 ",
                                            "add 7 119 ", "wait", "modify 7 119 ",
                                            "add 7 119 ", "wait", "modify 7 119 "};
    EXPECT_EQ(port.trace(), expected);

    port.shellNotifyAnswers.assign(25, false);
    EXPECT_FALSE(record->addWithRetry());
    EXPECT_EQ(port.sleptMs(), 1500u + 4500u);
    EXPECT_EQ(port.trace().size(), expected.size() + 1 + 9 * 3);

    port.onSleep = [&] { record->modifyTip("fresh"); };
    port.shellNotifyAnswers = {false, true, true}; // add times out; tip; modify
    EXPECT_TRUE(record->addWithRetry());
    record->modifyIcon(HIcon{0x78});
    record->remove(); // with NIF_ICON, as the icon change left it
    record->readd();  // "TaskbarCreated": 7 again, with the frame and the tip
    record->showBalloon("t", "x");
    record->remove();
    record->add();
    const auto trace = port.trace();
    EXPECT_EQ(std::vector<std::string>(trace.end() - 10, trace.end()),
              (std::vector<std::string>{"add 7 119 ", "wait", "modify 4 119 fresh", "modify 7 119 ",
                                        "modify 2 120 fresh", "delete 2 120 fresh",
                                        "add 7 120 fresh", "modify 16 120 fresh",
                                        "delete 16 120 fresh", "add 16 120 fresh"}));

    const std::size_t limit = old() ? 63 : 127;
    std::mt19937 rng(1234u + static_cast<unsigned>(GetParam()));
    for (int round = 0; round < 300; ++round) {
        std::string tip;
        std::size_t sent = 0, kept = 0;
        for (int i = static_cast<int>(rng() % 120); i > 0; --i) {
            const unsigned kind = rng() % 3;
            if (kind == 0) tip += static_cast<char>('!' + rng() % 90);
            if (kind == 1) tip += static_cast<char>(0xA1 + rng() % 63);
            if (kind == 2)
                tip += {static_cast<char>(0x81 + rng() % 31), static_cast<char>(0x40 + rng() % 63)};
            if (tip.size() <= limit) sent = tip.size();
            if (tip.size() <= 127) kept = tip.size();
        }
        ASSERT_TRUE(record->modifyTip(tip));
        ASSERT_EQ(str(last().data.szTip), tip.substr(0, sent)) << "round " << round;
        ASSERT_EQ(str(record->fields().szTip), tip.substr(0, kept)) << "round " << round;
    }

    ASSERT_TRUE(record->showBalloon(std::string(70, 't'), std::string(300, 'x')));
    const auto c = last();
    // The old form has no balloon fields: nothing of it reaches the shell.
    EXPECT_EQ(str(c.data.szInfoTitle), old() ? "" : std::string(63, 't'));
    EXPECT_EQ(str(c.data.szInfo), old() ? "" : std::string(255, 'x'));
    EXPECT_EQ(c.data.uTimeout, old() ? 0u : 30000u);
    EXPECT_EQ(c.data.dwInfoFlags, old() ? 0u : kNiifInfo);
    EXPECT_EQ(str(record->fields().szInfo), std::string(255, 'x'));
}

} // namespace
} // namespace orbel
