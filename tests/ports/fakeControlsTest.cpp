// The fake port where the product's tests only lean on it: combo boxes'
// insert positions and selection, edit line counts, geometry and line
// heights, property sheets applying only the pages that were opened, and
// surfaces drawn on one thread and copied on another. The rest of the fake
// is exercised by the dialogs', searches' and settings' own tests.
#include "ports/fake/fakePort.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace orbel {
namespace {

struct Msg {
    Hwnd hwnd;
    unsigned msg;
    WParam wParam;
    int notifyCode = 0; // kWmNotify: the header's code
    std::uintptr_t notifyId = 0;
};

struct Recorder : WindowHandler {
    std::vector<Msg> msgs;
    std::function<void(Hwnd, unsigned)> onMessage;
    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override {
        Msg m{hwnd, msg, wParam};
        if (msg == kWmNotify) {
            const auto* hdr = reinterpret_cast<const NmHdr*>(lParam);
            m.notifyCode = hdr->code;
            m.notifyId = hdr->idFrom;
        }
        msgs.push_back(m);
        if (onMessage) onMessage(hwnd, msg);
        return 0;
    }
    std::vector<unsigned> kinds() const {
        std::vector<unsigned> out;
        for (const Msg& m : msgs)
            out.push_back(m.msg);
        return out;
    }
};

LResult send(FakePort& p, Hwnd d, int id, unsigned msg, WParam w = 0, LParam l = 0) {
    return p.sendDlgItemMessage(d, id, msg, w, l);
}
LResult insert(FakePort& p, Hwnd d, int id, WParam at, const char* text) {
    return send(p, d, id, kCbInsertString, at, reinterpret_cast<LParam>(text));
}
constexpr WParam kAppend = static_cast<WParam>(-1);

struct FakeControls : ::testing::Test {
    FakePort port;
    Recorder handler;
    Hwnd search = port.createDialog(149, Hwnd{0x42}, handler);
};

TEST_F(FakeControls, ComboInsertAppendItemDataAndSelection) {
    EXPECT_EQ(insert(port, search, 1013, kAppend, "b"), 0);
    EXPECT_EQ(insert(port, search, 1013, 0, "a"), 0);
    EXPECT_EQ(insert(port, search, 1013, kAppend, "d"), 2);
    EXPECT_EQ(insert(port, search, 1013, 2, "c"), 2);
    EXPECT_EQ(insert(port, search, 1013, 5, "past the end"), kCbErr);
    EXPECT_EQ(send(port, search, 1013, kCbGetCount), 4);
    std::vector<std::string> texts;
    const auto combo = *port.controlState(search, 1013);
    for (const auto& item : combo.items)
        texts.push_back(item.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"a", "b", "c", "d"}));

    EXPECT_NE(send(port, search, 1013, kCbSetItemData, 3, 99), kCbErr);
    EXPECT_EQ(send(port, search, 1013, kCbGetItemData, 3), 99);
    EXPECT_EQ(send(port, search, 1013, kCbGetItemData, 0), 0);
    EXPECT_EQ(send(port, search, 1013, kCbSetItemData, 4, 1), kCbErr);
    EXPECT_EQ(send(port, search, 1013, kCbGetItemData, kAppend), kCbErr);

    EXPECT_EQ(send(port, search, 1013, kCbGetCurSel), -1);
    EXPECT_EQ(send(port, search, 1013, kCbSetCurSel, 3), 3);
    // Inserting above the selection keeps it on its entry.
    EXPECT_EQ(insert(port, search, 1013, 0, "first"), 0);
    EXPECT_EQ(send(port, search, 1013, kCbGetCurSel), 4);
    EXPECT_EQ(send(port, search, 1013, kCbSetCurSel, 5), kCbErr);
    EXPECT_EQ(send(port, search, 1013, kCbGetCurSel), -1);
    EXPECT_EQ(send(port, search, 1013, kCbSetCurSel, 1), 1);
    EXPECT_EQ(send(port, search, 1013, kCbSetCurSel, kAppend), kCbErr);
    EXPECT_EQ(send(port, search, 1013, kCbGetCurSel), -1);

    // The other list is separate; a missing control answers 0 and is logged.
    EXPECT_EQ(send(port, search, 1014, kCbGetCount), 0);
    EXPECT_EQ(send(port, search, 4242, kCbGetCount), 0);
    EXPECT_EQ(port.callsStartingWith("sendDlgItemMessage(" +
                                     std::to_string(static_cast<std::uintptr_t>(search)) +
                                     ",4242,326,0)")
                  .size(),
              1u);
}

TEST_F(FakeControls, EditLineCountFollowsCrLfOnly) {
    const std::pair<const char*, LResult> cases[] = {
        {"", 1}, {"a", 1}, {"a\r\nb\r\n", 3}, {"a\nb\rc", 1}, {"\r\n\r\n\r\n", 4}};
    for (auto [text, lines] : cases) {
        ASSERT_TRUE(port.setDlgItemText(search, 1015, text));
        EXPECT_EQ(send(port, search, 1015, kEmGetLineCount), lines) << text;
    }
    EXPECT_EQ(send(port, search, 1015, kWmSetText, 0, reinterpret_cast<LParam>("x\r\ny")), 1);
    EXPECT_EQ(port.getDlgItemText(search, 1015), "x\r\ny");
    EXPECT_EQ(send(port, search, 1015, kEmGetLineCount), 2);
}

TEST(FakeSheet, AppliesOnlyToCreatedPagesAndOnlyOnOk) {
    struct Case {
        std::set<int> opens;
        LResult result;
        bool firstApplied, secondCreated, secondApplied;
    };
    for (const Case& c :
         {Case{{}, kIdOk, true, false, false}, Case{{1}, kIdOk, true, true, true},
          Case{{1}, kIdCancel, false, true, false}, Case{{0, 5}, kIdOk, true, false, false}}) {
        FakePort port;
        Recorder display, notice;
        port.sheetOpensPages = c.opens;
        port.sheetResult = c.result;
        std::vector<Hwnd> seen;
        port.onSheet = [&](FakePort& p, const std::vector<Hwnd>& pages) {
            seen = pages;
            EXPECT_EQ(p.windowsOfTemplate(150), std::vector<Hwnd>{pages[0]});
            p.clickRadio(pages[0], 1018);
            EXPECT_NE(p.getParent(pages[0]), Hwnd{});
        };
        EXPECT_EQ(port.propertySheet("S", {{150, &display}, {152, &notice}}, 0x80), c.result);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(isNull(seen[1]), !c.secondCreated);
        const std::vector<unsigned> applied{kWmInitDialog, kWmCommand, kWmNotify, kWmDestroy};
        const std::vector<unsigned> cancelled{kWmInitDialog, kWmCommand, kWmDestroy};
        EXPECT_EQ(display.kinds(), c.firstApplied ? applied : cancelled);
        if (c.firstApplied) {
            EXPECT_EQ(display.msgs[2].notifyCode, kPsnApply);
        }
        std::vector<unsigned> second;
        if (c.secondCreated) second = {kWmInitDialog};
        if (c.secondApplied) second.push_back(kWmNotify);
        if (c.secondCreated) second.push_back(kWmDestroy);
        EXPECT_EQ(notice.kinds(), second);
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
    send(port, search, 1015, kWmSetFont, 0, 1);
    EXPECT_EQ(port.getTextLineHeight(search, 1015), std::nullopt); // no font
    EXPECT_EQ(port.getTextLineHeight(search, 4242), std::nullopt);
}

// Only a fill of the whole surface starts a new picture; a fill of a part
// is drawn over what is there.
TEST_F(FakeControls, SurfacesKeepWhatWasDrawnSinceTheLastFullFill) {
    HSurface s = port.createSurface(search, 100, 50);
    ASSERT_TRUE(port.drawSurfaceText(s, "old", Rect{0, 0, 10, 10}, false));
    ASSERT_TRUE(port.fillSurface(s, Rect{0, 0, 100, 49}, 0));
    EXPECT_EQ(port.surfaceTexts(s),
              (std::vector<FakePort::DrawnText>{{"old", Rect{0, 0, 10, 10}, false, false},
                                                {"", Rect{0, 0, 100, 49}, false, true}}));
    ASSERT_TRUE(port.fillSurface(s, Rect{0, 0, 100, 50}, 0));
    EXPECT_TRUE(port.surfaceTexts(s).empty());
    port.destroySurface(s);
}

// The detail window redraws on the timer thread and copies on the UI thread.
// Guarded by the caller's lock every copy sees a whole redraw; the fake
// itself must stay race-free either way (run under TSan in build/h10t).
TEST_F(FakeControls, SurfacesFromTwoThreads) {
    HSurface s = port.createSurface(search, 100, 50);
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
