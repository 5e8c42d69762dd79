// The fake port's controls behave like the platform's for the messages the
// dialogs send; property sheets apply only to the pages that were opened;
// surfaces can be drawn on one thread and copied on another.
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

TEST_F(FakeControls, BuiltFromTheTemplateAtTwoPixelsPerUnit) {
    auto result = port.controlState(search, 1015);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, res::ControlKind::Edit);
    EXPECT_EQ(result->rect, (Rect{14, 144, 284, 346}));
    Rect client;
    ASSERT_TRUE(port.getDlgItemClientRect(search, 1015, client));
    EXPECT_EQ(client, (Rect{0, 0, 266, 198}));
    EXPECT_EQ(port.windowText(search), "orbel - \x93\xfa\x98\x61\x83T\x81[\x83`");
    EXPECT_EQ(port.getDlgItemText(search, 1021), "\x97j\x93\xfa");
    EXPECT_EQ(port.getParent(search), Hwnd{0x42});
    EXPECT_EQ(port.windowsOfTemplate(149), std::vector<Hwnd>{search});
    EXPECT_FALSE(port.hasDlgItem(search, 1004));
    EXPECT_FALSE(port.setDlgItemText(search, 1004, "x")); // not a control of 149

    // A modal window measures its template; its controls go with it.
    Recorder modal;
    Hwnd detail{};
    port.onIdle = [&](FakePort& p) {
        detail = p.windowsOfTemplate(145).at(0);
        Rect r;
        EXPECT_TRUE(p.getWindowRect(detail, r));
        EXPECT_EQ(r, (Rect{0, 0, 382, 176}));
        EXPECT_FALSE(p.controlState(detail, 1006)->visible);
        EXPECT_EQ(p.getParent(detail), search);
        p.endDialog(detail, 7);
        return true;
    };
    EXPECT_EQ(port.doModal(145, search, modal), 7);
    EXPECT_FALSE(port.controlState(detail, 1004));
    EXPECT_TRUE(port.windowsOfTemplate(145).empty());
    EXPECT_TRUE(port.destroyWindow(search));
    EXPECT_FALSE(port.hasDlgItem(search, 1015));
    EXPECT_EQ(port.getParent(search), Hwnd{});
}

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

TEST_F(FakeControls, ScriptedInsertionFailure) {
    port.comboInsertFailsAfter = 2;
    EXPECT_EQ(insert(port, search, 1013, kAppend, "a"), 0);
    EXPECT_EQ(insert(port, search, 1014, kAppend, "b"), 0);
    EXPECT_EQ(insert(port, search, 1013, kAppend, "c"), kCbErr);
    EXPECT_EQ(insert(port, search, 1014, 0, "d"), kCbErr);
    EXPECT_EQ(send(port, search, 1013, kCbGetCount), 1);
    EXPECT_EQ(send(port, search, 1014, kCbGetCount), 1);
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

TEST_F(FakeControls, IconFontVisibilityAndGeometry) {
    EXPECT_EQ(send(port, search, 1015, kStmSetIcon, 0x77), 0);
    EXPECT_EQ(send(port, search, 1015, kStmSetIcon, 0x78), 0x77);
    const LResult dialogFont = send(port, search, 1015, kWmGetFont);
    EXPECT_NE(dialogFont, 0);
    EXPECT_EQ(send(port, search, 1013, kWmGetFont), dialogFont);
    send(port, search, 1015, kWmSetFont, 0x99, 1);
    EXPECT_EQ(send(port, search, 1015, kWmGetFont), 0x99);
    EXPECT_EQ(port.getTextLineHeight(search, 1015), 12);
    send(port, search, 1015, kWmSetFont, 0, 1);
    EXPECT_EQ(port.getTextLineHeight(search, 1015), std::nullopt); // no font
    port.lineHeight = 15;
    EXPECT_EQ(port.getTextLineHeight(search, 1013), 15);
    EXPECT_EQ(port.getTextLineHeight(search, 4242), std::nullopt);

    EXPECT_TRUE(port.showDlgItem(search, 1023, kSwHide));
    EXPECT_TRUE(port.enableDlgItem(search, 1023, false));
    EXPECT_FALSE(port.controlState(search, 1023)->visible);
    EXPECT_FALSE(port.controlState(search, 1023)->enabled);
    EXPECT_TRUE(port.showDlgItem(search, 1023, kSwShow));
    EXPECT_TRUE(port.controlState(search, 1023)->visible);
    EXPECT_FALSE(port.showDlgItem(search, 4242, kSwShow));
    EXPECT_TRUE(port.showScrollBar(search, 1015, true));
    EXPECT_TRUE(port.controlState(search, 1015)->scrollBarShown);

    ASSERT_TRUE(port.moveDlgItem(search, 1015, Rect{10, 20, 30, 23}));
    Rect r;
    ASSERT_TRUE(port.getDlgItemRect(search, 1015, r));
    EXPECT_EQ(r, (Rect{10, 20, 30, 23}));
    ASSERT_TRUE(port.getDlgItemClientRect(search, 1015, r));
    EXPECT_EQ(r, (Rect{0, 0, 16, 0})); // a border wider than the box leaves nothing
    EXPECT_TRUE(port.moveWindow(search, Rect{5, 6, 7, 8}));
    EXPECT_EQ(port.windowState(search)->rect, (Rect{5, 6, 7, 8}));
    EXPECT_TRUE(port.setWindowText(search, "t"));
    EXPECT_EQ(port.windowText(search), "t");
    EXPECT_EQ(port.getSysColor(kColor3dFace), 0x00C0C0C0u);
    EXPECT_EQ(port.getSysColor(kColorWindowText), 0u);
}

TEST_F(FakeControls, UserActionsReachTheHandler) {
    for (int i = 0; i < 3; ++i)
        insert(port, search, 1014, kAppend, "x");
    port.selectComboItem(search, 1014, 2);
    EXPECT_EQ(send(port, search, 1014, kCbGetCurSel), 2);
    port.selectComboItem(search, 1014, 3);
    EXPECT_EQ(send(port, search, 1014, kCbGetCurSel), -1);

    // Today in the machine's zone (Tokyo in tests) is the first selection.
    SystemDate d;
    ASSERT_TRUE(port.monthCalGetCurSel(search, 1023, d));
    EXPECT_EQ(d, (SystemDate{2026, 12, 6}));
    handler.onMessage = [&](Hwnd h, unsigned msg) {
        SystemDate seen;
        if (msg == kWmNotify && port.monthCalGetCurSel(h, 1023, seen)) {
            EXPECT_EQ(seen, (SystemDate{2027, 1, 31}));
        }
    };
    port.setMonthCalSel(search, 1023, SystemDate{2027, 1, 31});
    ASSERT_EQ(handler.msgs.size(), 4u); // init, two selections, the calendar
    EXPECT_EQ(handler.msgs[1].wParam, (WParam{1} << 16) | 1014);
    EXPECT_EQ(handler.msgs[2].wParam, (WParam{1} << 16) | 1014);
    EXPECT_EQ(handler.msgs[3].msg, kWmNotify);
    EXPECT_EQ(handler.msgs[3].notifyCode, kMcnSelChange);
    EXPECT_EQ(handler.msgs[3].notifyId, 1023u);

    EXPECT_FALSE(port.monthCalGetCurSel(search, 1015, d)); // not a calendar
    EXPECT_FALSE(port.monthCalSetRange(search, 1013, 0, 1));
    EXPECT_TRUE(port.monthCalSetRange(search, 1023, 100, 200));
    EXPECT_TRUE(port.monthCalSetFirstDayOfWeek(search, 1023, 6));
    EXPECT_TRUE(port.monthCalSetColor(search, 1023, kMcscTitleBk, 0x123456));
    const auto cal = *port.controlState(search, 1023);
    EXPECT_EQ(cal.calMin, 100);
    EXPECT_EQ(cal.calMax, 200);
    EXPECT_EQ(cal.firstDayOfWeek, 6);
    EXPECT_EQ(cal.calColors.at(kMcscTitleBk), 0x123456u);
}

TEST_F(FakeControls, ChecksAndRadioGroups) {
    Recorder page;
    Hwnd display = port.createDialog(150, Hwnd{}, page);
    auto checked = [&](int id) { return send(port, display, id, kBmGetCheck) == 1; };
    port.clickCheck(display, 1031);
    EXPECT_TRUE(checked(1031));
    port.clickCheck(display, 1031);
    EXPECT_FALSE(checked(1031));
    EXPECT_EQ(page.msgs.back().wParam, WParam{1031});
    send(port, display, 1032, kBmSetCheck, 1);
    EXPECT_TRUE(checked(1032));

    // BM_SETCHECK sets one button; a click on a radio clears its group.
    send(port, display, 1016, kBmSetCheck, 1);
    send(port, display, 1018, kBmSetCheck, 1);
    port.clickRadio(display, 1017);
    EXPECT_EQ(std::vector<bool>({checked(1016), checked(1017), checked(1018), checked(1032)}),
              std::vector<bool>({false, true, false, true}));
    port.clickRadio(display, 1016);
    EXPECT_EQ(std::vector<bool>({checked(1016), checked(1017), checked(1018)}),
              std::vector<bool>({true, false, false}));
    EXPECT_EQ(page.msgs.back().wParam, WParam{1016});
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

TEST(FakeVersion, BlockAndValues) {
    FakePort port;
    port.versionValues = {{"\\VarFileInfo\\Translation", std::string("\x11\x04\xb0\x04", 4)},
                          {"\\StringFileInfo\\041104b0\\FileVersion", "1.6.1"},
                          {"\\x", std::string("a\0b", 3)}};
    auto block = port.getFileVersionInfo("/opt/orbel/orbel.exe");
    ASSERT_TRUE(block && !block->empty());
    EXPECT_EQ(port.verQueryValue(*block, "\\VarFileInfo\\Translation"),
              std::string("\x11\x04\xb0\x04", 4));
    EXPECT_EQ(port.verQueryValue(*block, "\\stringfileinfo\\041104B0\\FileVersion"), "1.6.1");
    EXPECT_EQ(port.verQueryValue(*block, "\\x"), std::string("a\0b", 3));
    EXPECT_EQ(port.verQueryValue(*block, "\\StringFileInfo\\041104b0\\LegalCopyright"),
              std::nullopt);
    EXPECT_EQ(port.verQueryValue("not a block", "\\x"), std::nullopt);
    port.versionValues.clear(); // a block already read keeps its values
    EXPECT_EQ(port.verQueryValue(*block, "\\x"), std::string("a\0b", 3));
    port.versionInfoMissing = true;
    EXPECT_EQ(port.getFileVersionInfo("/opt/orbel/orbel.exe"), std::nullopt);
}

TEST_F(FakeControls, SurfacesKeepWhatWasDrawnSinceTheLastFullFill) {
    EXPECT_TRUE(isNull(port.createSurface(Hwnd{0x9999}, 10, 10)));
    HSurface s = port.createSurface(search, 100, 50);
    ASSERT_FALSE(isNull(s));
    EXPECT_TRUE(port.drawSurfaceText(s, "old", Rect{0, 0, 10, 10}, false));
    EXPECT_TRUE(port.fillSurface(s, Rect{0, 0, 100, 49}, 0)); // not all of it
    EXPECT_EQ(port.surfaceTexts(s).size(), 1u);
    EXPECT_TRUE(port.fillSurface(s, Rect{0, 0, 100, 50}, 0));
    EXPECT_TRUE(port.drawSurfaceText(s, "phase", Rect{0, 0, 100, 15}, true));
    EXPECT_TRUE(port.drawSurfaceText(s, "body", Rect{0, 15, 100, 50}, false));
    using DT = FakePort::DrawnText;
    EXPECT_EQ(port.surfaceTexts(s), (std::vector<DT>{{"phase", Rect{0, 0, 100, 15}, true},
                                                     {"body", Rect{0, 15, 100, 50}, false}}));
    EXPECT_TRUE(port.blitSurface(search, s, Point{66, 14}));
    port.destroySurface(s);
    EXPECT_FALSE(port.blitSurface(search, s, Point{}));
    EXPECT_FALSE(port.drawSurfaceText(s, "gone", Rect{}, false));
    ASSERT_EQ(port.blits().size(), 1u);
    EXPECT_EQ(port.blits()[0].texts.size(), 2u);
    EXPECT_EQ(port.blits()[0].at, (Point{66, 14}));
    EXPECT_EQ(port.liveSurfaces(), 0u);
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
