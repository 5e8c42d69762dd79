// The three search dialogs on the fake port: lists, stored positions, a new
// search on every change, the result box's scroll bar, fill failures, and
// the today dialog's calendar and layout.
#include "search/ballistaSearchDlg.h"
#include "search/lunarSearchDlg.h"
#include "search/todaySearchDlg.h"

#include "app/orbelApp.h"
#include "ports/fake/fakePort.h"
#include "tests/support/calendarCases.h"
#include "tests/support/calendarDialogs.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

namespace orbel {
namespace {

using Items = std::vector<std::pair<std::string, LParam>>;

constexpr Hwnd kMain{0x42};
// 2026-12-06T00:00:00Z, 09:00 in Tokyo: 944/04/06 00:00:00, age 47 (満月).
constexpr std::time_t kMidnight = 1796515200;

template <class List> Items itemsOf(const List& list) {
    Items out;
    for (const auto& item : list)
        out.emplace_back(item.text, item.data);
    return out;
}
std::string lunarText(unsigned L, unsigned W, int n) {
    return test::lunarText(L, W, n, kMidnight);
}
std::string ballistaText(int card, int level, int n) {
    return test::ballistaText(ballistaCardItems()[card].data, ballistaLevelItems()[level].data, n,
                              kMidnight);
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
    LResult run(CSearchDlg& dlg, int results, std::function<void(Hwnd)> script) {
        dlg.setResultCount(results);
        return test::runModal(port, dlg, std::move(script));
    }
    FakePort::ControlState control(Hwnd h, int id) const {
        return port.controlState(h, id).value();
    }
    std::string result(Hwnd h) const { return control(h, CSearchDlg::kIdcResult).text; }
    Items items(Hwnd h, int id) const { return itemsOf(control(h, id).items); }
    void press(Hwnd h, unsigned msg, WParam wParam) { port.postMessage(h, msg, wParam, 0); }

    test::TempDir dir;
    FakePort port;
    COrbelApp app{port};
};

TEST_F(SearchDlgTest, LunarDialogListsPhasesAndWeekdaysInOrderAndSearchesAtOnce) {
    CLunarSearchDlg dlg(app);
    run(dlg, 1000, [&](Hwnd h) {
        EXPECT_EQ(port.windowText(h), "orbel - 日和サーチ : 月齢/曜日");
        EXPECT_EQ(control(h, 1020).text + control(h, 1021).text, "月齢 :曜日 :");
        EXPECT_FALSE(control(h, 1023).visible || control(h, 1023).enabled);
        EXPECT_EQ(items(h, 1013), itemsOf(lunarAgeItems()));
        EXPECT_EQ(items(h, 1014), itemsOf(lunarWeekdayItems()));
        EXPECT_EQ(std::pair(control(h, 1013).curSel, control(h, 1014).curSel), std::pair(0, 0));
        EXPECT_EQ(result(h), lunarText(12, 8, 256));
        port.selectComboItem(h, 1014, 2);
        EXPECT_EQ(result(h), lunarText(12, 1, 256));
        // The scroll bar appears exactly on the first line that does not fit:
        // 256 lines count 257 (an edit control counts the empty one after the
        // last break); the box's client area is 4 pixels less than its height.
        const auto shown = [&] { return control(h, 1015).scrollBarShown; };
        CAutoScrollEdit& edit = dlg.resultEdit();
        port.lineHeight = 12;
        port.selectComboItem(h, 1013, 0);
        const Rect r = control(h, 1015).rect;
        edit.move(Rect{r.left, r.top, r.right, r.top + 257 * 12 + 4});
        EXPECT_FALSE(shown());
        edit.move(Rect{r.left, r.top, r.right, r.top + 257 * 12 + 3});
        EXPECT_TRUE(shown());
        port.lineHeight = std::nullopt; // no font: always shown
        edit.setText("x");
        EXPECT_TRUE(shown());
        press(h, kWmClose, 0);
    });
    EXPECT_EQ(dlg.resultCount(), 256);
}

TEST_F(SearchDlgTest, BallistaDialogListsCardsAndCapsAndAppliesStoredPositions) {
    settings("[Search]\r\nballistacard=4\r\nballistalevel=1\r\n");
    CBallistaSearchDlg dlg(app);
    run(dlg, 25, [&](Hwnd h) {
        EXPECT_EQ(port.windowText(h), "orbel - 日和サーチ : バリスタ");
        EXPECT_EQ(control(h, 1020).text + control(h, 1021).text, "対戦カード :レベル制限 :");
        EXPECT_EQ(items(h, 1013), itemsOf(ballistaCardItems()));
        EXPECT_EQ(items(h, 1014), itemsOf(ballistaLevelItems()));
        EXPECT_EQ(std::pair(control(h, 1013).curSel, control(h, 1014).curSel), std::pair(4, 1));
        EXPECT_EQ(result(h), ballistaText(4, 1, 25));
        port.selectComboItem(h, 1013, 6);
        port.selectComboItem(h, 1014, 5);
        press(h, kWmCommand, kIdOkCommand);
    });
    EXPECT_EQ(app.getSearchInt("ballistacard", 0), 6);
    EXPECT_EQ(app.getSearchInt("ballistalevel", 0), 5);
}

// Stored positions outside the lists leave no selection and no search until
// the user has chosen both; every way out stores the positions, none as -1.
TEST_F(SearchDlgTest, EveryWayOutKeepsThePositionsAndANoneAsMinusOne) {
    for (const auto& way : test::kCloseWays) {
        SCOPED_TRACE(testing::Message() << way.first << "," << way.second);
        settings("[Search]\r\nlunarage=99\r\ndayofweek=-1\r\n");
        CLunarSearchDlg dlg(app);
        const LResult r = run(dlg, 0, [&](Hwnd h) {
            EXPECT_EQ(std::pair(control(h, 1013).curSel, control(h, 1014).curSel),
                      std::pair(-1, -1));
            EXPECT_TRUE(result(h).empty());
            port.selectComboItem(h, 1013, 7); // 満月
            EXPECT_TRUE(result(h).empty());
            port.selectComboItem(h, 1014, 0);
            EXPECT_EQ(result(h), lunarText(6, 8, 8));
            port.selectComboItem(h, 1014, 42);
            press(h, way.first, way.second);
        });
        EXPECT_EQ(r, test::closeResult(way));
        EXPECT_EQ(settingsFile(), "[Search]\r\nlunarage=7\r\ndayofweek=-1\r\n");
    }
}

TEST_F(SearchDlgTest, FillFailures) {
    // The lunar dialog ends the program: with a parent or without (as the
    // tray runs it), through the main window.
    for (Hwnd parent : {kMain, Hwnd{}}) {
        FakePort failing;
        failing.moduleFileName = port.moduleFileName;
        failing.comboInsertFailsAfter = 5;
        COrbelApp failingApp(failing);
        failingApp.initPaths();
        failingApp.setMainWindow(kMain);
        CLunarSearchDlg dlg(failingApp, parent);
        failing.onIdle = [&](FakePort&) { return false; };
        EXPECT_EQ(dlg.DoModal(), 0);
        test::expectFatalEnd(failing, 255, kMain);
    }
    // The ballista dialog opens quietly without searching.
    port.comboInsertFailsAfter = 9; // all 7 cards, then 2 caps
    CBallistaSearchDlg dlg(app);
    run(dlg, 25, [&](Hwnd h) {
        EXPECT_TRUE(port.messageBoxes().empty());
        EXPECT_EQ(control(h, 1013).curSel, -1);
        EXPECT_TRUE(result(h).empty());
        port.selectComboItem(h, 1013, 0);
        port.selectComboItem(h, 1014, 1);
        EXPECT_EQ(result(h), ballistaText(0, 1, 25));
        press(h, kWmClose, 0);
    });
}

TEST_F(SearchDlgTest, TodayDialogPutsTheCalendarInPlaceAndListsTheChosenDay) {
    settings("[Search]\r\nlunarage=3\r\n");
    const std::string before = settingsFile();
    CTodaySearchDlg dlg(app);
    run(dlg, 26, [&](Hwnd h) {
        EXPECT_EQ(port.windowText(h), "orbel - 日和サーチ : 今日は何の日?");
        for (int id : {1022, 1013, 1014, 1020, 1021})
            EXPECT_FALSE(control(h, id).visible || control(h, id).enabled) << id;
        const auto cal = control(h, 1023);
        EXPECT_TRUE(cal.visible && cal.enabled);
        EXPECT_EQ(cal.firstDayOfWeek, 0);
        EXPECT_EQ(cal.calColors, (std::map<int, std::uint32_t>{
                                     {0, 0xC0C0C0}, {1, 0}, {2, 0x808080}, {3, 0}, {4, 0xC0C0C0}}));
        EXPECT_EQ(std::pair(cal.calMin, cal.calMax),
                  std::pair(std::time_t{622944000}, std::time_t{4102531199 - 1}));
        // Group box (14,14)-(284,130); the calendar is 180 high, 64 more:
        // (90 - 58) units of 2 pixels.
        EXPECT_EQ(cal.rect, (Rect{14, 14, 284, 194}));
        Rect window;
        ASSERT_TRUE(port.getWindowRect(h, window));
        EXPECT_EQ(window, (Rect{0, 0, 300, 424}));
        EXPECT_EQ(control(h, 1015).rect, (Rect{14, 208, 284, 410}));
        EXPECT_EQ(control(h, 1015).text, test::todayText(toEarthTime({2026, 12, 6}), 26));
        port.setMonthCalSel(h, 1023, SystemDate{2027, 1, 1});
        EXPECT_EQ(control(h, 1015).text, test::todayText(toEarthTime({2027, 1, 1}), 26));
        press(h, kWmCommand, kIdOkCommand);
    });
    EXPECT_EQ(settingsFile(), before);
}

} // namespace
} // namespace orbel
