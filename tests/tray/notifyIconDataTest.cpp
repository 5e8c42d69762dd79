// The tray record: the form and size at each shell level, the byte limits
// of its texts on CP932 character boundaries, the flags each use leaves
// behind, and the time-out retry of the first add.
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
constexpr HIcon kFrame{0x78};
const std::string kHyo = "\x95\x5C"; // "表": its trail byte is a backslash's

// A text field as a string; a field without its terminator fails the test.
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
    // The shell calls and waits in order: "add", "modify", "delete", "wait".
    std::vector<std::string> trace() const {
        std::vector<std::string> out;
        for (const auto& c : calls()) {
            if (c == "sleep(500)") out.push_back("wait");
            if (c.starts_with("shellNotifyIcon("))
                out.push_back(c[16] == '0' ? "add" : c[16] == '1' ? "modify" : "delete");
        }
        return out;
    }
};

struct TrayRecord : ::testing::Test {
    RecordPort port;
    CNotifyIconData record{port};
    void SetUp() override { record.setUp(kMain, kMoon); }
};

// The shell level, scripted before the record measures it.
struct TrayLevel : ::testing::TestWithParam<int> {
    void SetUp() override {
        const unsigned major[] = {4, 5, 6}, minor[] = {72, 82, 1};
        port.shellVersion = {major[GetParam() - 4], minor[GetParam() - 4], 0, 0};
        record.emplace(port);
        record->setUp(kMain, kMoon);
    }
    FakePort::NotifyCall last() const { return port.notifyCalls().back(); }
    bool old() const { return GetParam() == 4; }
    FakePort port;
    std::optional<CNotifyIconData> record;
};

TEST_P(TrayLevel, StartAddCarriesTheStartFieldsInTheLevelsFormAndSize) {
    const bool is32 = sizeof(void*) == 4; // the shell's numbers; measured on 64 bits
    EXPECT_EQ(kNotifyIconSizeOld, is32 ? 88u : 104u);
    EXPECT_EQ(kNotifyIconSizeV5, is32 ? 488u : 504u);
    EXPECT_EQ(kNotifyIconSizeV6, is32 ? 504u : 520u);
    ASSERT_TRUE(record->add());
    ASSERT_EQ(port.notifyCalls().size(), 1u);
    const auto c = last();
    EXPECT_EQ(c.message, kNimAdd);
    EXPECT_EQ(c.oldForm, old());
    const std::uint32_t size[] = {kNotifyIconSizeOld, kNotifyIconSizeV5, kNotifyIconSizeV6};
    EXPECT_EQ(c.cbSize, size[GetParam() - 4]);
    // Only level 6's size takes guidItem in.
    EXPECT_EQ(c.cbSize >= offsetof(NotifyIconDataNew, guidItem) + 16, GetParam() == 6);
    EXPECT_EQ(c.data.hWnd, kMain);
    EXPECT_EQ(c.data.uID, 101u);
    EXPECT_EQ(c.data.uFlags, 7u);
    EXPECT_EQ(c.data.uCallbackMessage, 0x8000u);
    EXPECT_EQ(c.data.hIcon, kMoon);
    EXPECT_EQ(str(c.data.szTip), "");
}

TEST_P(TrayLevel, TipIsCutToTheFormsFieldWithoutSplittingACharacter) {
    struct Row {
        std::string tip;
        std::size_t sent, kept; // bytes that reach the shell, bytes the record keeps
    };
    std::string doubleBytes;
    for (int i = 0; i < 80; ++i)
        doubleBytes += kHyo;
    const Row rows[] = {
        {std::string(70, 'a'), old() ? 63u : 70u, 70},
        {std::string(200, 'a'), old() ? 63u : 127u, 127},
        {std::string(62, 'a') + kHyo, old() ? 62u : 64u, 64},
        {std::string(126, 'a') + kHyo, old() ? 63u : 126u, 126},
        {doubleBytes, old() ? 62u : 126u, 126},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tip.size());
        ASSERT_TRUE(record->modifyTip(row.tip));
        EXPECT_EQ(str(last().data.szTip), row.tip.substr(0, row.sent));
        EXPECT_EQ(last().message, kNimModify);
        EXPECT_EQ(last().data.uFlags, kNifTip);
        EXPECT_EQ(str(record->fields().szTip), row.tip.substr(0, row.kept));
    }
    // Random texts of ASCII, half-width katakana and double-byte characters
    // (trail bytes 0x40-0x7E, 0x5C among them): what reaches the shell is
    // the longest whole-character prefix that fits.
    const std::size_t limit = old() ? 63 : 127;
    std::mt19937 rng(1234u + static_cast<unsigned>(GetParam()));
    for (int round = 0; round < 300; ++round) {
        std::string tip;
        std::size_t expected = 0;
        for (int i = static_cast<int>(rng() % 120); i > 0; --i) {
            const unsigned kind = rng() % 3;
            if (kind == 0) tip += static_cast<char>('!' + rng() % 90);
            if (kind == 1) tip += static_cast<char>(0xA1 + rng() % 63);
            if (kind == 2)
                tip += {static_cast<char>(0x81 + rng() % 31), static_cast<char>(0x40 + rng() % 63)};
            if (tip.size() <= limit) expected = tip.size();
        }
        record->modifyTip(tip);
        ASSERT_EQ(str(last().data.szTip), tip.substr(0, expected)) << "round " << round;
    }
}

TEST_P(TrayLevel, BalloonTextsAreCutTo255And63BytesOnCharacterBoundaries) {
    struct Row {
        std::string title, text;
        std::size_t titleSent, textSent;
    };
    const Row rows[] = {
        {"Phase", "Line one\r\nLine two", 5, 18},
        {std::string(70, 't'), std::string(300, 'x'), 63, 255},
        {std::string(62, 't') + kHyo, std::string(254, 'x') + kHyo, 62, 254},
        {std::string(61, 't') + kHyo, std::string(253, 'x') + kHyo, 63, 255},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(record->showBalloon(row.title, row.text));
        const auto c = last();
        EXPECT_EQ(c.data.uFlags, kNifInfo);
        // The old form has no balloon fields: nothing of it reaches the shell.
        EXPECT_EQ(str(c.data.szInfoTitle), old() ? "" : row.title.substr(0, row.titleSent));
        EXPECT_EQ(str(c.data.szInfo), old() ? "" : row.text.substr(0, row.textSent));
        EXPECT_EQ(c.data.uTimeout, old() ? 0u : 30000u);
        EXPECT_EQ(c.data.dwInfoFlags, old() ? 0u : kNiifInfo);
        EXPECT_EQ(str(record->fields().szInfo), row.text.substr(0, row.textSent));
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, TrayLevel, ::testing::Values(4, 5, 6),
                         [](const auto& info) { return "Level" + std::to_string(info.param); });

TEST_F(TrayRecord, FlagsStayAsTheLastUseLeftThem) {
    record.add();
    record.modifyTip("tip");
    record.modifyIcon(kFrame);
    record.remove(); // with NIF_ICON, as the icon change left it
    record.readd();  // "TaskbarCreated": 7 again, with the frame and the tip
    record.showBalloon("t", "x");
    record.remove();
    // Each use as "<message> <flags> <icon> <tip>": NIF_ICON 2, NIF_TIP 4,
    // NIF_INFO 16; the moon is icon 119, the frame 120.
    std::vector<std::string> uses;
    for (const auto& c : port.notifyCalls()) {
        const char* message[] = {"add", "modify", "delete"};
        uses.push_back(std::string(c.message < 3 ? message[c.message] : "?") + " " +
                       std::to_string(c.data.uFlags) + " " +
                       std::to_string(static_cast<std::uintptr_t>(c.data.hIcon)) + " " +
                       str(c.data.szTip));
        EXPECT_EQ(c.data.hWnd, kMain);
    }
    EXPECT_EQ(uses, (std::vector<std::string>{"add 7 119 ", "modify 4 119 tip", "modify 2 120 tip",
                                              "delete 2 120 tip", "add 7 120 tip",
                                              "modify 16 120 tip", "delete 16 120 tip"}));
}

// --- the retry of the first add ---------------------------------------------

TEST_F(TrayRecord, RetryAfterTimeOutsSucceedsOnTheThirdFurtherAttempt) {
    port.shellNotifyAnswers = {false, false, false, false, false, true};
    EXPECT_TRUE(record.addWithRetry());
    EXPECT_EQ(port.sleptMs(), 1500u);
    EXPECT_EQ(port.trace(), (std::vector<std::string>{"add", "wait", "modify", "add", "wait",
                                                      "modify", "add", "wait", "modify"}));
    for (const auto& c : port.notifyCalls())
        EXPECT_EQ(c.data.uFlags, 7u);
}

TEST_F(TrayRecord, AnotherErrorFailsAtOnceAndNineFailedRetriesGiveUp) {
    port.shellNotifyError = 5; // ERROR_ACCESS_DENIED
    port.shellNotifyAnswers = {false, true};
    EXPECT_FALSE(record.addWithRetry());
    EXPECT_EQ(port.trace(), std::vector<std::string>{"add"});

    port.shellNotifyError = kErrorTimeout;
    port.shellNotifyAnswers.assign(25, false);
    port.clearCalls();
    EXPECT_FALSE(record.addWithRetry());
    EXPECT_EQ(port.sleptMs(), 4500u);
    EXPECT_EQ(port.trace().size(), 1u + 9 * 3); // the add, then nine of wait, modify, add
}

TEST_F(TrayRecord, AUseDuringAWaitRunsAndDoesNotChangeWhatTheRetrySends) {
    port.onSleep = [&] { record.modifyTip("fresh"); };
    port.shellNotifyAnswers = {false, true, true}; // add times out; tip; modify
    EXPECT_TRUE(record.addWithRetry());
    const auto calls = port.notifyCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(str(calls[1].data.szTip), "fresh");
    EXPECT_EQ(calls[2].message, kNimModify);
    EXPECT_EQ(calls[2].data.uFlags, 7u);
    EXPECT_EQ(str(calls[2].data.szTip), "");
    EXPECT_EQ(str(record.fields().szTip), "fresh");
}

} // namespace
} // namespace orbel
