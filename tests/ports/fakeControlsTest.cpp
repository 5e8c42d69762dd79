// The fake port where the product's tests only lean on it: combo boxes'
// insert positions and selection, edit line counts, geometry and line
// heights, property sheets applying only the pages that were opened, and
// surfaces drawn on one thread and copied on another. The rest of the fake
// is exercised by the dialogs', searches' and settings' own tests.
#include "ports/fake/fakePort.h"
#include "tests/support/trayCases.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace orbel {
namespace {

// The messages a window got: "init", "command", "notify <code>", "destroy"
// or the number of any other.
struct Recorder : WindowHandler {
    std::vector<std::string> msgs;
    LResult windowProc(Hwnd, unsigned msg, WParam, LParam lParam) override {
        const std::map<unsigned, std::string> names{
            {kWmInitDialog, "init"}, {kWmCommand, "command"}, {kWmDestroy, "destroy"}};
        if (msg == kWmNotify) {
            msgs.push_back("notify " +
                           std::to_string(reinterpret_cast<const NmHdr*>(lParam)->code));
        } else {
            msgs.push_back(names.count(msg) ? names.at(msg) : std::to_string(msg));
        }
        return 0;
    }
};

constexpr WParam kAppend = static_cast<WParam>(-1);

struct FakeControls : ::testing::Test {
    FakePort port;
    Recorder handler;
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
    EXPECT_EQ(send(1013, kCbGetCount), 4);
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
    EXPECT_EQ(send(1013, kCbSetCurSel, 5), kCbErr);
    EXPECT_EQ(send(1013, kCbGetCurSel), -1);
    EXPECT_EQ(send(1013, kCbSetCurSel, 1), 1);
    EXPECT_EQ(send(1013, kCbSetCurSel, kAppend), kCbErr);
    EXPECT_EQ(send(1013, kCbGetCurSel), -1);

    // The other list is separate; a missing control answers 0 and is logged.
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
    EXPECT_EQ(port.getDlgItemText(search, 1015), "x\r\ny");
    EXPECT_EQ(send(1015, kEmGetLineCount), 2);
}

TEST(FakeSheet, AppliesOnlyToCreatedPagesAndOnlyOnOk) {
    const std::string apply = "notify " + std::to_string(kPsnApply);
    using Msgs = std::vector<std::string>;
    struct Row {
        std::set<int> opens;
        LResult result;
        Msgs first, second;
    };
    const Row rows[] = {
        {{}, kIdOk, {"init", "command", apply, "destroy"}, {}},
        {{1}, kIdOk, {"init", "command", apply, "destroy"}, {"init", apply, "destroy"}},
        {{1}, kIdCancel, {"init", "command", "destroy"}, {"init", "destroy"}},
        {{0, 5}, kIdOk, {"init", "command", apply, "destroy"}, {}},
    };
    for (const Row& row : rows) {
        FakePort port;
        Recorder display, notice;
        port.sheetOpensPages = row.opens;
        port.sheetResult = row.result;
        std::vector<Hwnd> seen;
        port.onSheet = [&](FakePort& p, const std::vector<Hwnd>& pages) {
            seen = pages;
            EXPECT_EQ(p.windowsOfTemplate(150), std::vector<Hwnd>{pages[0]});
            p.clickRadio(pages[0], 1018);
            EXPECT_NE(p.getParent(pages[0]), Hwnd{});
        };
        EXPECT_EQ(port.propertySheet("S", {{150, &display}, {152, &notice}}, 0x80), row.result);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(isNull(seen[1]), row.second.empty());
        EXPECT_EQ(display.msgs, row.first);
        EXPECT_EQ(notice.msgs, row.second);
        EXPECT_TRUE(port.windowsOfTemplate(150).empty());
        EXPECT_FALSE(port.isWindow(seen[0]));
        EXPECT_EQ(port.callsStartingWith("propertySheet(S)").size(), 1u);
    }
}

// What the dialogs' own tests measure against: two pixels per dialog unit,
// a client area inside a border, and line heights from the font.
TEST_F(FakeControls, GeometryAndLineHeights) {
    EXPECT_EQ(port.controlState(search, 1015)->rect, (Rect{14, 144, 284, 346}));
    Rect r;
    ASSERT_TRUE(port.getDlgItemClientRect(search, 1015, r));
    EXPECT_EQ(r, (Rect{0, 0, 266, 198}));
    ASSERT_TRUE(port.moveDlgItem(search, 1015, Rect{10, 20, 30, 23}));
    ASSERT_TRUE(port.getDlgItemClientRect(search, 1015, r));
    EXPECT_EQ(r, (Rect{0, 0, 16, 0})); // a border wider than the box leaves nothing

    EXPECT_EQ(port.getTextLineHeight(search, 1015), 12);
    port.lineHeight = 15;
    EXPECT_EQ(port.getTextLineHeight(search, 1013), 15);
    send(1015, kWmSetFont, 0, 1);
    EXPECT_EQ(port.getTextLineHeight(search, 1015), std::nullopt); // no font
    EXPECT_EQ(port.getTextLineHeight(search, 4242), std::nullopt);
}

// Only a fill of the whole surface starts a new picture; a fill of a part
// is drawn over what is there. The detail window redraws on the timer thread
// and copies on the UI thread: guarded by the caller's lock every copy sees
// a whole redraw; the fake itself must stay race-free either way (TSan).
TEST_F(FakeControls, SurfacesKeepWhatWasDrawnSinceTheLastFullFillFromAnyThread) {
    HSurface s = port.createSurface(search, 100, 50);
    ASSERT_TRUE(port.drawSurfaceText(s, "old", Rect{0, 0, 10, 10}, false));
    ASSERT_TRUE(port.fillSurface(s, Rect{0, 0, 100, 49}, 0));
    EXPECT_EQ(port.surfaceTexts(s),
              (std::vector<FakePort::DrawnText>{{"old", Rect{0, 0, 10, 10}, false, false},
                                                {"", Rect{0, 0, 100, 49}, false, true}}));
    ASSERT_TRUE(port.fillSurface(s, Rect{0, 0, 100, 50}, 0));
    EXPECT_TRUE(port.surfaceTexts(s).empty());
    port.destroySurface(s);

    s = port.createSurface(search, 100, 50); // nothing filled yet

    std::mutex frame;
    std::thread drawer([&] {
        for (int i = 0; i < 500; ++i) {
            std::lock_guard lock(frame);
            port.fillSurface(s, Rect{0, 0, 100, 50}, 0);
            port.drawSurfaceText(s, "phase", Rect{0, 0, 100, 15}, true);
            port.drawSurfaceText(s, "body " + std::to_string(i), Rect{0, 15, 100, 50}, false);
        }
    });
    std::thread unguarded([&] {
        for (int i = 0; i < 500; ++i)
            port.surfaceTexts(s);
    });
    for (int i = 0; i < 500; ++i) {
        std::lock_guard lock(frame);
        port.blitSurface(search, s, Point{});
    }
    drawer.join();
    unguarded.join();
    for (const auto& b : port.blits())
        EXPECT_EQ(b.texts.size(), b.fills == 0 ? 0u : 2u) << b.fills;
    EXPECT_EQ(port.surfaceTexts(s).back().text, "body 499");
}

} // namespace
} // namespace orbel
