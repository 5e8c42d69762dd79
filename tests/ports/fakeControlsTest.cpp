// The fake port's controls at the edges the dialogs' own tests never reach,
// so that they keep answering as Windows does.
#include "ports/fake/fakePort.h"
#include "tests/support/trayCases.h"

#include <gtest/gtest.h>

namespace orbel {
namespace {

constexpr WParam kAppend = static_cast<WParam>(-1);

struct Silent : WindowHandler {
    LResult windowProc(Hwnd, unsigned, WParam, LParam) override { return 0; }
};

struct FakeControls : ::testing::Test {
    FakePort port;
    Silent handler;
    Hwnd search = port.createDialog(149, Hwnd{0x42}, handler);
    LResult send(int id, unsigned msg, WParam w = 0, LParam l = 0) {
        return port.sendDlgItemMessage(search, id, msg, w, l);
    }
    LResult insert(WParam at, const char* text) {
        return send(1013, kCbInsertString, at, reinterpret_cast<LParam>(text));
    }
};

TEST_F(FakeControls, ComboInsertAppendItemDataAndSelection) {
    EXPECT_EQ(insert(kAppend, "b"), 0);
    EXPECT_EQ(insert(0, "a"), 0);
    EXPECT_EQ(insert(kAppend, "d"), 2);
    EXPECT_EQ(insert(2, "c"), 2);
    EXPECT_EQ(insert(5, "past the end"), kCbErr);
    std::string texts;
    const auto combo = port.controlState(search, 1013).value();
    for (const auto& item : combo.items)
        texts += item.text;
    EXPECT_EQ(texts, "abcd");

    EXPECT_NE(send(1013, kCbSetItemData, 3, 99), kCbErr);
    EXPECT_EQ(send(1013, kCbGetItemData, 3), 99);
    EXPECT_EQ(send(1013, kCbGetItemData, 0), 0);
    EXPECT_EQ(send(1013, kCbSetItemData, 4, 1), kCbErr);
    EXPECT_EQ(send(1013, kCbGetItemData, kAppend), kCbErr);

    EXPECT_EQ(send(1013, kCbGetCurSel), -1);
    EXPECT_EQ(send(1013, kCbSetCurSel, 3), 3);
    EXPECT_EQ(insert(0, "first"), 0); // above the selection: it stays on its entry
    EXPECT_EQ(send(1013, kCbGetCurSel), 4);
    EXPECT_EQ(send(1013, kCbSetCurSel, 1), 1);
    EXPECT_EQ(send(1013, kCbSetCurSel, kAppend), kCbErr);
    EXPECT_EQ(send(1013, kCbGetCurSel), -1);

    // A missing control answers 0 and is logged, so a wrong id shows.
    EXPECT_EQ(send(1014, kCbGetCount), 0);
    EXPECT_EQ(send(4242, kCbGetCount), 0);
    const std::string missing = "sendDlgItemMessage(" + test::num(search) + ",4242,326,0)";
    EXPECT_EQ(port.callsStartingWith(missing).size(), 1u);
}

TEST_F(FakeControls, EditLineCountFollowsCrLfOnly) {
    const std::pair<const char*, LResult> cases[] = {
        {"", 1}, {"a", 1}, {"a\r\nb\r\n", 3}, {"a\nb\rc", 1}, {"\r\n\r\n\r\n", 4}};
    for (auto [text, lines] : cases) {
        ASSERT_TRUE(port.setDlgItemText(search, 1015, text));
        EXPECT_EQ(send(1015, kEmGetLineCount), lines) << text;
    }
    EXPECT_EQ(send(1015, kWmSetText, 0, reinterpret_cast<LParam>("x\r\ny")), 1);
    EXPECT_EQ(send(1015, kEmGetLineCount), 2);
}

} // namespace
} // namespace orbel
