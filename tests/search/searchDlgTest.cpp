// The three search dialogs on the fake port: their lists in order with
// their item data, the stored positions (also broken ones), a new search
// on every change, the positions kept on every way of closing, the result
// box's scroll bar at the exact overflow line, the two fill failures, and
// the today dialog's calendar, layout and text.
#include "search/ballistaSearchDlg.h"
#include "search/lunarSearchDlg.h"
#include "search/todaySearchDlg.h"

#include "search/ballista.h"
#include "search/lunarSearch.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace orbel {
namespace {

using Items = std::vector<std::pair<std::string, LParam>>;

Items itemsOf(const std::vector<SearchItem>& list) {
    Items out;
    for (const SearchItem& item : list)
        out.emplace_back(item.text, item.data);
    return out;
}

constexpr Hwnd kMain{0x42};
// 2026-12-06T00:00:00Z, 09:00 in Tokyo: Orithaven 944/04/06 00:00:00, day
// 339575, weekday 7, lunar age 47 (満月, its 6th day).
constexpr std::time_t kMidnight = 1796515200;

int lineCount(const std::string& text) {
    int n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++n;
    return n;
}
std::string line(const std::string& text, int index) {
    std::size_t from = 0;
    for (int i = 0; i < index; ++i)
        from = text.find("\r\n", from) + 2;
    return text.substr(from, text.find("\r\n", from) + 2 - from);
}
std::string lines(int n, bool trailingBreak) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i + 1 < n || trailingBreak) ? "x\r\n" : "x";
    return s;
}

class SearchDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.moduleFileName = (dir.path() / "orbel.exe").string();
        port.now = kMidnight;
        app.initPaths();
    }
    void settings(const std::string& ini) { test::writeBytes(dir / "orbel.ini", ini); }
    std::string settingsFile() const { return test::readBytes(dir / "orbel.ini"); }
    // Runs a dialog; `script` runs once inside its modal loop and should end
    // it (a loop left waiting ends with -1).
    LResult run(CSearchDlg& dlg, std::function<void(Hwnd)> script) {
        bool ran = false;
        port.onIdle = [&, script](FakePort&) {
            if (ran) return false;
            ran = true;
            script(dlg.hwnd());
            return true;
        };
        return dlg.DoModal();
    }
    FakePort::ControlState control(Hwnd h, int id) const {
        return port.controlState(h, id).value();
    }
    std::string result(Hwnd h) const { return control(h, CSearchDlg::kIdcResult).text; }
    Items items(Hwnd h, int id) const {
        Items out;
        for (const auto& item : control(h, id).items)
            out.emplace_back(item.text, item.data);
        return out;
    }
    void press(Hwnd h, unsigned msg, WParam wParam) { port.postMessage(h, msg, wParam, 0); }

    test::TempDir dir;
    FakePort port;
    COrbelApp app{port};
};

TEST_F(SearchDlgTest, LunarDialogListsPhasesAndWeekdaysInOrderAndSearchesAtOnce) {
    CLunarSearchDlg dlg(app);
    dlg.setResultCount(25);
    run(dlg, [&](Hwnd h) {
        EXPECT_EQ(port.windowText(h), "orbel - 日和サーチ : 月齢/曜日");
        EXPECT_EQ(control(h, 1020).text, "月齢 :");
        EXPECT_EQ(control(h, 1021).text, "曜日 :");
        EXPECT_FALSE(control(h, 1023).visible);
        EXPECT_FALSE(control(h, 1023).enabled);
        // The lists as the searches define them, in their order.
        EXPECT_EQ(items(h, 1013), itemsOf(lunarAgeItems()));
        EXPECT_EQ(items(h, 1014), itemsOf(lunarWeekdayItems()));
        EXPECT_EQ(control(h, 1013).curSel, 0);
        EXPECT_EQ(control(h, 1014).curSel, 0);
        // The 25 days after the current one, each from 00:00 Orithaven time.
        const std::string text = result(h);
        EXPECT_EQ(lineCount(text), 25);
        EXPECT_EQ(line(text, 0), "2026/12/06(日) 09:57  [光] 満月\r\n");
        EXPECT_EQ(line(text, 24), "2026/12/07(月) 09:00  [光] 下弦\r\n");

        // Choosing a weekday replaces the whole text by a new search.
        port.selectComboItem(h, 1014, 2);
        const std::string fire = result(h);
        EXPECT_EQ(lineCount(fire), 25);
        for (int i = 0; i < 25; ++i)
            EXPECT_NE(line(fire, i).find("  [炎] "), std::string::npos) << line(fire, i);
        press(h, kWmClose, 0);
    });
}

TEST_F(SearchDlgTest, BallistaDialogListsCardsAndCapsAndAppliesStoredPositions) {
    settings("[Search]\r\nballistacard=4\r\nballistalevel=1\r\n");
    CBallistaSearchDlg dlg(app);
    dlg.setResultCount(25);
    run(dlg, [&](Hwnd h) {
        EXPECT_EQ(port.windowText(h), "orbel - 日和サーチ : バリスタ");
        EXPECT_EQ(control(h, 1020).text, "対戦カード :");
        EXPECT_EQ(control(h, 1021).text, "レベル制限 :");
        EXPECT_EQ(items(h, 1013), itemsOf(ballistaCardItems()));
        EXPECT_EQ(items(h, 1014), itemsOf(ballistaLevelItems()));
        EXPECT_EQ(control(h, 1013).curSel, 4);
        EXPECT_EQ(control(h, 1014).curSel, 1);
        // ケ vs ミ at cap 30: once a month, day 6 in months 5 to 8.
        EXPECT_EQ(line(result(h), 0), "12/07(月) 13:48  ケ vs ミ [30/メ] (05/06)\r\n");
        port.selectComboItem(h, 1013, 6);
        port.selectComboItem(h, 1014, 5);
        press(h, kWmCommand, kIdOkCommand);
    });
    EXPECT_EQ(app.getSearchInt("ballistacard", 0), 6);
    EXPECT_EQ(app.getSearchInt("ballistalevel", 0), 5);
}

TEST_F(SearchDlgTest, PositionsOutsideTheListsLeaveNoSelectionUntilTheUserChooses) {
    settings("[Search]\r\nlunarage=99\r\ndayofweek=-1\r\n");
    CLunarSearchDlg dlg(app);
    dlg.setResultCount(25);
    run(dlg, [&](Hwnd h) {
        EXPECT_EQ(control(h, 1013).curSel, -1);
        EXPECT_EQ(control(h, 1014).curSel, -1);
        EXPECT_EQ(result(h), "");
        port.selectComboItem(h, 1013, 7); // 満月; the weekday is still missing
        EXPECT_EQ(result(h), "");
        port.selectComboItem(h, 1014, 0);
        const std::string text = result(h);
        EXPECT_EQ(lineCount(text), 25);
        for (int i = 0; i < 25; ++i)
            EXPECT_TRUE(line(text, i).ends_with("] 満月\r\n"));
        press(h, kWmCommand, kIdCancelCommand);
    });
    EXPECT_EQ(app.getSearchInt("lunarage", 0), 7);
    EXPECT_EQ(app.getSearchInt("dayofweek", -5), 0);
}

class SearchClose : public SearchDlgTest,
                    public ::testing::WithParamInterface<std::pair<unsigned, WParam>> {};

TEST_P(SearchClose, KeepsThePositionsAndANoneAsMinusOne) {
    CLunarSearchDlg dlg(app);
    const LResult r = run(dlg, [&](Hwnd h) {
        port.selectComboItem(h, 1013, 3);
        port.selectComboItem(h, 1014, 42); // out of range: no selection
        press(h, GetParam().first, GetParam().second);
    });
    EXPECT_EQ(r, GetParam().second == kIdOkCommand ? kIdOk : kIdCancel);
    EXPECT_NE(settingsFile().find("[Search]\r\nlunarage=3\r\ndayofweek=-1\r\n"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(EnterEscapeCloseBox, SearchClose,
                         ::testing::Values(std::pair{kWmCommand, WParam{kIdOkCommand}},
                                           std::pair{kWmCommand, WParam{kIdCancelCommand}},
                                           std::pair{kWmClose, WParam{0}}));

TEST_F(SearchDlgTest, ResultCountIsClampedAndDecidesTheLines) {
    for (auto [asked, lines] : {std::pair{0, 8}, {1000, 256}, {25, 25}}) {
        CLunarSearchDlg dlg(app);
        dlg.setResultCount(asked);
        EXPECT_EQ(dlg.resultCount(), lines);
        run(dlg, [&](Hwnd h) {
            EXPECT_EQ(lineCount(result(h)), lines);
            press(h, kWmClose, 0);
        });
    }
}

TEST_F(SearchDlgTest, ScrollBarAppearsExactlyOnTheFirstLineThatDoesNotFit) {
    CLunarSearchDlg dlg(app);
    dlg.setResultCount(25);
    run(dlg, [&](Hwnd h) {
        auto shown = [&] { return control(h, 1015).scrollBarShown; };
        CAutoScrollEdit& edit = dlg.resultEdit();
        // The box is 135x101 units: a client area 198 pixels high.
        port.lineHeight = 11; // 18 lines fill it exactly
        edit.setText(lines(18, false));
        EXPECT_FALSE(shown());
        edit.setText(lines(19, false));
        EXPECT_TRUE(shown());
        edit.setText(lines(17, true)); // the empty last line counts
        EXPECT_FALSE(shown());
        edit.setText(lines(18, true));
        EXPECT_TRUE(shown());

        // The 25-line result counts 26 lines of 12 pixels: 312.
        port.lineHeight = 12;
        port.selectComboItem(h, 1013, 0);
        const Rect r = control(h, 1015).rect;
        edit.move(Rect{r.left, r.top, r.right, r.top + 312 + 4});
        EXPECT_FALSE(shown());
        edit.move(Rect{r.left, r.top, r.right, r.top + 311 + 4});
        EXPECT_TRUE(shown());

        port.lineHeight = std::nullopt; // no font: always shown
        edit.setText("x");
        EXPECT_TRUE(shown());
        press(h, kWmClose, 0);
    });
}

TEST_F(SearchDlgTest, LunarFillFailureEndsTheProgram) {
    for (Hwnd parent : {kMain, Hwnd{}}) {
        FakePort failing;
        failing.moduleFileName = port.moduleFileName;
        failing.comboInsertFailsAfter = 5;
        COrbelApp failingApp(failing);
        failingApp.initPaths();
        failingApp.setMainWindow(kMain);
        CLunarSearchDlg dlg(failingApp, parent);
        failing.onIdle = [&](FakePort&) { return false; };
        const std::size_t before = failing.postedMessages().size();
        EXPECT_EQ(dlg.DoModal(), 0);
        // Neither a stored position applied (CB_SETCURSEL) nor a search run
        // (CB_GETCURSEL).
        for (const std::string& call : failing.callsStartingWith("sendDlgItemMessage")) {
            EXPECT_EQ(call.find(",334,"), std::string::npos) << call;
            EXPECT_EQ(call.find(",327,"), std::string::npos) << call;
        }
        ASSERT_EQ(failing.messageBoxes().size(), 1u);
        EXPECT_EQ(failing.messageBoxes()[0].text,
                  "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : 255");
        EXPECT_TRUE(failing.callsStartingWith("modalStalled").empty());
        // With a parent or without (as the tray runs it), the main window
        // is the one that ends the program.
        const auto posted = failing.postedMessages();
        ASSERT_EQ(posted.size(), before + 1);
        EXPECT_EQ(posted.back().hwnd, kMain);
        EXPECT_EQ(posted.back().msg, kWmClose);
    }
}

TEST_F(SearchDlgTest, BallistaFillFailureOpensQuietlyWithoutSearching) {
    port.comboInsertFailsAfter = 9; // all 7 cards, then 2 caps
    CBallistaSearchDlg dlg(app);
    dlg.setResultCount(25);
    run(dlg, [&](Hwnd h) {
        EXPECT_TRUE(port.messageBoxes().empty());
        EXPECT_EQ(control(h, 1013).items.size(), 7u);
        EXPECT_EQ(control(h, 1014).items.size(), 2u);
        EXPECT_EQ(control(h, 1013).curSel, -1);
        EXPECT_EQ(result(h), "");
        port.selectComboItem(h, 1013, 0);
        port.selectComboItem(h, 1014, 1);
        const std::string text = result(h);
        EXPECT_EQ(lineCount(text), 25);
        for (int i = 0; i < 25; ++i)
            EXPECT_NE(line(text, i).find(" [30/"), std::string::npos);
        press(h, kWmClose, 0);
    });
}

TEST_F(SearchDlgTest, TodayDialogPutsTheCalendarInPlaceAndListsTheChosenDay) {
    settings("[Search]\r\nlunarage=3\r\n");
    const std::string before = settingsFile();
    CTodaySearchDlg dlg(app);
    dlg.setResultCount(26);
    run(dlg, [&](Hwnd h) {
        EXPECT_EQ(port.windowText(h), "orbel - 日和サーチ : 今日は何の日?");
        EXPECT_EQ(control(h, 1020).text, "Static");
        for (int id : {1022, 1013, 1014, 1020, 1021}) {
            EXPECT_FALSE(control(h, id).visible) << id;
            EXPECT_FALSE(control(h, id).enabled) << id;
        }
        const auto cal = control(h, 1023);
        EXPECT_TRUE(cal.visible && cal.enabled);
        EXPECT_EQ(cal.firstDayOfWeek, 0);
        EXPECT_EQ(cal.calColors, (std::map<int, std::uint32_t>{
                                     {0, 0xC0C0C0}, {1, 0}, {2, 0x808080}, {3, 0}, {4, 0xC0C0C0}}));
        EXPECT_EQ(cal.calMin, 622944000);
        EXPECT_EQ(cal.calMax, 4102531199 - 1);
        // Group box (14,14)-(284,130); the calendar is 180 high, 64 more:
        // (90 - 58) units of 2 pixels.
        EXPECT_EQ(cal.rect, (Rect{14, 14, 284, 194}));
        Rect window;
        ASSERT_TRUE(port.getWindowRect(h, window));
        EXPECT_EQ(window, (Rect{0, 0, 300, 424}));
        EXPECT_EQ(control(h, 1015).rect, (Rect{14, 208, 284, 410}));

        // Tokyo midnight of 12/06 is 944/03/26 15:00, lunar age 37.
        std::string text = result(h);
        EXPECT_EQ(lineCount(text), 28);
        EXPECT_EQ(line(text, 0), "2026/12/06(日)\r\n");
        EXPECT_EQ(line(text, 1), "---------------\r\n");
        EXPECT_EQ(line(text, 2), "00:00 (03/26[雷]) <十三夜(3)>\r\n");
        EXPECT_EQ(line(text, 3), "00:57 (03/27[氷]) \r\n");
        EXPECT_EQ(line(text, 7), "04:48 (04/01[水]) <満月> \r\n");

        port.setMonthCalSel(h, 1023, SystemDate{2027, 1, 1});
        text = result(h);
        EXPECT_EQ(lineCount(text), 28);
        EXPECT_EQ(line(text, 0), "2027/01/01(金)\r\n");
        const std::string hs = std::to_string(static_cast<std::uintptr_t>(h));
        EXPECT_TRUE(port.callsStartingWith("sendDlgItemMessage(" + hs + ",1013,").empty());
        press(h, kWmCommand, kIdOkCommand);
    });
    EXPECT_EQ(settingsFile(), before);
}

} // namespace
} // namespace orbel
