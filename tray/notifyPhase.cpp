// The announcement of a new lunar phase: one title, one three-line text and
// the switched-on methods in their fixed order, the popup last.
#include "app/orbelApp.h"
#include "tray/notifyIconData.h"
#include "tray/orbelDlg.h"

namespace orbel {

namespace {
constexpr unsigned kBalloon = 0x200000;
constexpr unsigned kCdDoor = 0x20000;
constexpr unsigned kKeyFlash = 0x40000;
constexpr unsigned kFlash = 0x80000;
constexpr unsigned kSound = 0x100000;
constexpr unsigned kPopup = 0x10000;
constexpr unsigned kPopupSlideMs = 2400;
constexpr unsigned kPopupStayMs = 72000;
} // namespace

void COrbelDlg::notifyPhaseChange(int newIndex, unsigned bits) {
    const orlib::odate_t now = m_app.currentDate();
    const orlib::edate_t nowEarth(now);
    const int nextIndex = (newIndex + 1) % 12;
    const orlib::odate_t next = now.nextLunarAge(nextIndex);
    const orlib::edate_t nextEarth(next);

    const std::string title = orlib::getLunarNameO(newIndex) + " になりました!";
    const std::string text =
        now.format("Orithaven [%v <%L>]") + "\r\n" + nowEarth.format("     Earth [%v]") +
        "\r\n次は " + nextEarth.format("%#m/%#d %H:%M") + " に " + orlib::getLunarNameO(nextIndex) +
        "[" + next.format("%a") + "] になります。";

    if (bits & kBalloon) m_record.showBalloon(title, text);
    if (bits & kCdDoor) m_port.mciSendString("set cdaudio door open");
    if (bits & kKeyFlash)
        m_port.shellExecute(m_hwnd, "", "keyflash.exe", "/w=500-500 /c=3 /ScrollLock", ".",
                            kSwHide);
    if (bits & kFlash) {
        const Hwnd fg = m_port.getForegroundWindow();
        if (!isNull(fg)) m_port.flashWindow(fg, true);
    }
    if (bits & kSound)
        m_port.playSound(m_app.notifySound(), kSndFilename | kSndAsync | kSndNoDefault);
    if (bits & kPopup) {
        if (m_port.canPlaceWindows()) {
            const HIcon icon = m_app.getIcon(newIndex, true, false);
            m_popup.showNotification(kPopupSlideMs, kPopupStayMs, title, text, icon);
        } else if (!(bits & kBalloon)) {
            // A popup the compositor drops anywhere would cover what the user
            // works on; the balloon carries the same title and text.
            m_record.showBalloon(title, text);
        }
    }
}

} // namespace orbel
