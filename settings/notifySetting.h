// CNotifySetting: the settings sheet's page "お知らせ" (template 152): which
// ways of announcing a lunar phase change are on. It carries the whole
// "notification" bit set in and out: the settings command sets it before
// the sheet runs and reads it after an OK. The bit set is rebuilt from the
// page's four boxes only when the sheet's OK reaches the page, which it
// does only if the user opened the page; otherwise it comes back as it
// went in, bits the page has no box for included. UI thread only.
#pragma once

#include "settings/settingDlg.h"

#include <cstdint>

namespace orbel {

// Bits of "notification" with a box on the page.
inline constexpr std::uint32_t kNotifyPopupBit = 0x10000;    // bit 16
inline constexpr std::uint32_t kNotifyCdTrayBit = 0x20000;   // bit 17
inline constexpr std::uint32_t kNotifySoundBit = 0x100000;   // bit 20
inline constexpr std::uint32_t kNotifyBalloonBit = 0x200000; // bit 21

class CNotifySetting : public CSettingPage {
public:
    static constexpr unsigned kTemplateId = IDD_SETTING_NOTIFY;
    static constexpr int kBalloon = 1025; // check boxes
    static constexpr int kCdTray = 1026;
    static constexpr int kSound = 1027;
    static constexpr int kDialog = 1028;

    explicit CNotifySetting(COrbelApp& app) : CSettingPage(app, kTemplateId) {}

    void setValue(std::uint32_t value) { m_value = value; }
    std::uint32_t value() const { return m_value; }

protected:
    void onInitPage() override;
    void onApply() override;

private:
    // Fields to controls (toControls) or back, in the order 1025, 1027,
    // 1028, 1026.
    void exchange(bool toControls);

    int m_balloon = 0;
    int m_sound = 0;
    int m_dialog = 0;
    int m_cdTray = 0;
    std::uint32_t m_value = 0;
};

} // namespace orbel
