// The dialog templates: properties every template must have (controls inside
// their dialog with unique ids, texts that survive CP932, style bits that
// agree with the flags a non-Win32 port reads, radio groups that start where
// they should), and every id the code asks for present with the kind it
// drives.
#include "res/dialogs.h"

#include "app/aboutDlg.h"
#include "common/cp932.h"
#include "detail/detailDlg.h"
#include "popup/notifydlg.h"
#include "search/searchDlg.h"
#include "settings/displaySetting.h"
#include "settings/notifySetting.h"
#include "tray/orbelDlg.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace orbel::res {
namespace {

constexpr unsigned kAllIds[] = {100, 102, 145, 149, 150, 151, 152};
constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsDisabled = 0x08000000,
                        kWsGroup = 0x00020000;

const ControlTemplate* find(const DialogTemplate& d, int id) {
    for (const ControlTemplate& c : d.controls)
        if (c.id == id) return &c;
    return nullptr;
}

bool roundTrips(std::string_view cp932) {
    return text::utf8ToCp932(text::cp932ToUtf8(cp932)) == cp932;
}

TEST(DialogTemplates, OnlyOurIdsAreFound) {
    for (unsigned id : kAllIds) {
        ASSERT_NE(findDialogTemplate(id), nullptr) << id;
        EXPECT_EQ(findDialogTemplate(id)->id, id);
    }
    for (unsigned id : {0u, 101u, 103u, 129u, 146u, 153u})
        EXPECT_EQ(findDialogTemplate(id), nullptr) << id;
}

TEST(DialogTemplates, EveryControlFitsItsDialogAgreesWithItsStyleAndKeepsItsTextInCp932) {
    // A drop-down list's height includes its open list; only its closed
    // field must fit.
    constexpr int kClosedComboHeight = 14;
    // The low style bits that make a Win32 control the kind other ports read.
    struct KindStyle {
        ControlKind kind;
        std::uint32_t mask, bits;
    };
    const KindStyle kindStyles[] = {
        {ControlKind::Static, 0x1F, 0x00},      {ControlKind::Icon, 0x1F, 0x03},
        {ControlKind::Frame, 0x1F, 0x07},       {ControlKind::EtchedLine, 0x1F, 0x10},
        {ControlKind::GroupBox, 0x0F, 0x07},    {ControlKind::ComboBox, 0x03, 0x03},
        {ControlKind::PushButton, 0x0E, 0x00},  {ControlKind::CheckBox, 0x0F, 0x03},
        {ControlKind::RadioButton, 0x0F, 0x09},
    };
    for (unsigned id : kAllIds) {
        const DialogTemplate& d = *findDialogTemplate(id);
        EXPECT_TRUE(roundTrips(d.caption) && roundTrips(d.fontFace)) << id;
        EXPECT_FALSE(d.fontFace.empty()) << id;
        std::set<int> ids;
        for (const ControlTemplate& c : d.controls) {
            SCOPED_TRACE(std::to_string(id) + "/" + std::to_string(c.id));
            const int cy = c.kind == ControlKind::ComboBox ? kClosedComboHeight : c.cy;
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0);
            EXPECT_LE(c.x + c.cx, d.cx);
            EXPECT_LE(c.y + cy, d.cy);
            if (c.id != -1) {
                EXPECT_TRUE(ids.insert(c.id).second) << "repeated";
            }
            EXPECT_TRUE(roundTrips(c.text)) << c.text;
            // What the Win32 build emits and what other ports read agree.
            EXPECT_EQ(c.visible, (c.style & kWsVisible) != 0);
            EXPECT_EQ(c.disabled, (c.style & kWsDisabled) != 0);
            EXPECT_NE(c.style & kWsChild, 0u);
            if (c.groupStart) {
                EXPECT_NE(c.style & kWsGroup, 0u);
            }
            for (const KindStyle& k : kindStyles)
                if (k.kind == c.kind) {
                    EXPECT_EQ(c.style & k.mask, k.bits);
                }
            if (c.iconId != 0) {
                EXPECT_EQ(c.kind, ControlKind::Icon);
            }
        }
    }
    // 表示: a 0x5C trail byte, which a wrong source charset would not give.
    EXPECT_EQ(findDialogTemplate(150)->caption, "\x95\x5c\x8e\xa6");
}

TEST(DialogTemplates, RadioGroupsStartAtTheirFirstButtonAndEndBeforeTheNextControl) {
    int radios = 0;
    for (unsigned id : kAllIds) {
        const auto& controls = findDialogTemplate(id)->controls;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].kind != ControlKind::RadioButton) continue;
            ++radios;
            const bool first = i == 0 || controls[i - 1].kind != ControlKind::RadioButton;
            EXPECT_EQ(controls[i].groupStart, first) << id << "/" << controls[i].id;
            EXPECT_EQ((controls[i].style & kWsGroup) != 0, first) << id << "/" << controls[i].id;
            // The control after a group must not join it.
            if (i + 1 < controls.size() && controls[i + 1].kind != ControlKind::RadioButton) {
                EXPECT_NE(controls[i + 1].style & kWsGroup, 0u) << id << "/" << controls[i + 1].id;
            }
        }
    }
    EXPECT_GT(radios, 0);
}

TEST(DialogTemplates, EveryIdTheCodeUsesExistsWithTheKindItDrives) {
    using K = ControlKind;
    struct Row {
        const char* name;
        unsigned dialog;
        int id;
        K kind;
        std::uint32_t styleBits = 0; // what the Win32 build relies on
    };
    const Row rows[] = {
        {"about version", CAboutDlg::kTemplateId, CAboutDlg::kVersionLine, K::Static},
        {"about copyright", CAboutDlg::kTemplateId, CAboutDlg::kCopyrightLine, K::Static},
        {"about home page", CAboutDlg::kTemplateId, CAboutDlg::kHomePageField, K::Edit, 0x0800},
        {"about contact", CAboutDlg::kTemplateId, CAboutDlg::kContactField, K::Edit, 0x0800},
        {"detail icon", CDetailDlg::kTemplateId, CDetailDlg::kIdcIcon, K::Icon},
        {"detail area", CDetailDlg::kTemplateId, CDetailDlg::kIdcTextArea, K::Frame},
        {"detail line", CDetailDlg::kTemplateId, CDetailDlg::kIdcFirstLine, K::Frame},
        {"search first", CSearchDlg::kTemplateId, CSearchDlg::kIdcFirstList, K::ComboBox},
        {"search second", CSearchDlg::kTemplateId, CSearchDlg::kIdcSecondList, K::ComboBox},
        // Read-only and multi-line: the results are many lines nobody edits.
        {"search result", CSearchDlg::kTemplateId, CSearchDlg::kIdcResult, K::Edit, 0x0804},
        {"search label 1", CSearchDlg::kTemplateId, CSearchDlg::kIdcFirstLabel, K::Static},
        {"search label 2", CSearchDlg::kTemplateId, CSearchDlg::kIdcSecondLabel, K::Static},
        {"search group", CSearchDlg::kTemplateId, CSearchDlg::kIdcGroup, K::GroupBox},
        // No "today" line: the calendar's size is what the dialog plans for.
        {"search calendar", CSearchDlg::kTemplateId, CSearchDlg::kIdcCalendar, K::MonthCalendar,
         0x10},
        {"popup icon", CNotifyDlg::kTemplateId, CNotifyDlg::kIdcIcon, K::Icon},
        // Texts from the data, never read as & prefixes.
        {"popup title", CNotifyDlg::kTemplateId, CNotifyDlg::kIdcTitle, K::Static, 0x80},
        {"popup text", CNotifyDlg::kTemplateId, CNotifyDlg::kIdcText, K::Static, 0x80},
        {"mode 0", CDisplaySetting::kTemplateId, CDisplaySetting::kTimeModeFirst, K::RadioButton},
        {"mode 1", CDisplaySetting::kTemplateId, CDisplaySetting::kTimeModeFirst + 1,
         K::RadioButton},
        {"mode 2", CDisplaySetting::kTemplateId, CDisplaySetting::kTimeModeFirst + 2,
         K::RadioButton},
        {"bar", CDisplaySetting::kTemplateId, CDisplaySetting::kShowBar, K::CheckBox},
        {"swap", CDisplaySetting::kTemplateId, CDisplaySetting::kWeekdaySwap, K::CheckBox},
        {"tip", CDisplaySetting::kTemplateId, CDisplaySetting::kDontUpdateTip, K::CheckBox},
        {"balloon", CNotifySetting::kTemplateId, CNotifySetting::kBalloon, K::CheckBox},
        {"cd tray", CNotifySetting::kTemplateId, CNotifySetting::kCdTray, K::CheckBox},
        {"sound", CNotifySetting::kTemplateId, CNotifySetting::kSound, K::CheckBox},
        {"dialog", CNotifySetting::kTemplateId, CNotifySetting::kDialog, K::CheckBox},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const DialogTemplate* d = findDialogTemplate(r.dialog);
        ASSERT_NE(d, nullptr);
        const ControlTemplate* c = find(*d, r.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, r.kind);
        EXPECT_EQ(c->style & r.styleBits, r.styleBits);
    }
    // The main window has no controls; the program's icon is a real one.
    ASSERT_NE(findDialogTemplate(COrbelDlg::kTemplateId), nullptr);
    EXPECT_TRUE(findDialogTemplate(COrbelDlg::kTemplateId)->controls.empty());
    EXPECT_EQ(find(*findDialogTemplate(CDetailDlg::kTemplateId), CDetailDlg::kIdcIcon)->iconId,
              128u);
}

} // namespace
} // namespace orbel::res
