// Helpers shared by the detail and search dialog tests on the fake port.
// Include only from targets compiled with CP932 literals.
#pragma once

#include "app/winTypes.h"
#include "ports/fake/fakePort.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace orbel::test {

// Runs a modal dialog; `script` runs once inside its loop and should end it
// (a loop left waiting ends with -1).
template <class Dialog>
LResult runModal(FakePort& port, Dialog& dlg, std::function<void(Hwnd)> script) {
    bool ran = false;
    port.onIdle = [&](FakePort&) {
        if (ran) return false;
        ran = true;
        script(dlg.hwnd());
        return true;
    };
    return dlg.DoModal();
}

// Enter, Escape and the close box, each with the result it must give.
inline const std::pair<unsigned, WParam> kCloseWays[] = {
    {kWmCommand, WParam{kIdOkCommand}}, {kWmCommand, WParam{kIdCancelCommand}}, {kWmClose, 0}};
inline LResult closeResult(const std::pair<unsigned, WParam>& way) {
    return way.second == kIdOkCommand ? kIdOk : kIdCancel;
}

// The fatal end: one error box with the code, then one close posted to the
// main window (after `postedBefore` earlier posts), without a stalled loop.
inline void expectFatalEnd(const FakePort& port, int code, Hwnd main,
                           std::size_t postedBefore = 0) {
    ASSERT_EQ(port.messageBoxes().size(), 1u);
    EXPECT_EQ(port.messageBoxes()[0].text,
              "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : " +
                  std::to_string(code));
    const auto posted = port.postedMessages();
    ASSERT_EQ(posted.size(), postedBefore + 1);
    EXPECT_EQ(posted.back().hwnd, main);
    EXPECT_EQ(posted.back().msg, kWmClose);
    EXPECT_TRUE(port.callsStartingWith("modalStalled").empty());
}

} // namespace orbel::test
