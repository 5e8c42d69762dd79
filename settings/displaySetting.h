// CDisplaySetting: the settings sheet's page "表示" (template 150): the
// tooltip's time format and the look of the tray icon. The settings command
// fills it with set() before the sheet runs and reads it with get() after
// an OK. UI thread only.
#pragma once

#include "settings/settingDlg.h"

namespace orbel {

class CDisplaySetting : public CSettingPage {
public:
    static constexpr unsigned kTemplateId = IDD_SETTING_DISPLAY;
    static constexpr int kDontUpdateTip = 1019; // check box
    static constexpr int kWeekdaySwap = 1032;   // check box
    static constexpr int kShowBar = 1031;       // check box
    static constexpr int kTimeModeFirst = 1016; // radio group 1016..1018
    static constexpr int kTimeModeCount = 3;

    explicit CDisplaySetting(COrbelApp& app) : CSettingPage(app, kTemplateId) {}

    // A time mode outside 0..2 is taken as 0, the standard format.
    void set(int timeMode, int dontUpdateTip, int showBar, int weekdaySwap);
    // Null outputs are skipped.
    void get(int* timeMode, int* dontUpdateTip, int* showBar, int* weekdaySwap) const;

protected:
    void onInitPage() override;
    void onApply() override;

private:
    // Fields to controls (toControls) or back, in the order 1019, 1032,
    // 1031, radio group.
    void exchange(bool toControls);

    int m_dontUpdateTip = 0;
    int m_weekdaySwap = 0;
    int m_showBar = 0;
    int m_timeMode = -1; // no radio button checked
};

// Whether check box 1019 can be changed on a Windows version class: not on
// an unknown system, NT 3, 95, 98 or NT 4, whose tray cannot redraw a shown
// tooltip. The box still shows and returns its state there.
bool tipUpdateChoiceAvailable(int windowsClass);

} // namespace orbel
