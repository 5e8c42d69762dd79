// The dialog templates: properties every template must have, and every id
// the code asks for present with the kind it drives.
#include "res/dialogs.h"

#include "app/aboutDlg.h"
#include "detail/detailDlg.h"
#include "popup/notifydlg.h"
#include "search/searchDlg.h"
#include "settings/displaySetting.h"
#include "settings/notifySetting.h"
#include "tray/orbelDlg.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace orbel::res {
namespace {

const ControlTemplate* find(const DialogTemplate& d, int id) {
    for (const ControlTemplate& c : d.controls)
        if (c.id == id) return &c;
    return nullptr;
}
constexpr std::uint32_t kWsGroup = 0x00020000;

// Flags that contradict the style bits, texts outside CP932 and empty
// rectangles are refused by the resource generator, which
// RcScript.DialogsCarryEveryControlAsTheCompilerWillBuildIt runs over every
// template; what it allows but the dialogs cannot use is checked here.
TEST(DialogTemplates, EveryControlFitsItsDialogAndRadioGroupsAndBoxesWorkByThemselves) {
    for (unsigned id : {0u, 101u, 103u, 129u, 146u, 153u})
        EXPECT_EQ(findDialogTemplate(id), nullptr) << id;
    using K = ControlKind;
    for (unsigned id : {100u, 102u, 145u, 149u, 150u, 151u, 152u}) {
        ASSERT_NE(findDialogTemplate(id), nullptr) << id;
        const DialogTemplate& d = *findDialogTemplate(id);
        EXPECT_EQ(d.id, id);
        std::set<int> ids;
        for (std::size_t i = 0; i < d.controls.size(); ++i) {
            const ControlTemplate& c = d.controls[i];
            SCOPED_TRACE(std::to_string(id) + "/" + std::to_string(c.id));
            EXPECT_LE(c.x + c.cx, d.cx);
            // A drop-down list's height includes its open list; only its
            // closed field (14 units) must fit.
            EXPECT_LE(c.y + (c.kind == K::ComboBox ? 14 : c.cy), d.cy);
            EXPECT_TRUE(c.id == -1 || ids.insert(c.id).second) << "repeated";
            // Automatic boxes: Windows checks them itself, as the other ports do.
            if (c.kind == K::CheckBox) {
                EXPECT_EQ(c.style & 0x0F, 0x03u); // BS_AUTOCHECKBOX
            }
            if (c.kind != K::RadioButton) continue;
            EXPECT_EQ(c.style & 0x0F, 0x09u); // BS_AUTORADIOBUTTON
            // Radio groups start at their first button, and the control after
            // a group must not join it.
            const bool first = i == 0 || d.controls[i - 1].kind != K::RadioButton;
            EXPECT_EQ(std::pair(c.groupStart, (c.style & kWsGroup) != 0), std::pair(first, first));
            if (i + 1 < d.controls.size() && d.controls[i + 1].kind != K::RadioButton) {
                EXPECT_TRUE(d.controls[i + 1].style & kWsGroup) << "after the group";
            }
        }
    }
    // 表示: a 0x5C trail byte, which a wrong source charset would not give.
    EXPECT_EQ(findDialogTemplate(150)->caption, "\x95\x5c\x8e\xa6");
}

TEST(DialogTemplates, EveryIdTheCodeUsesExistsWithTheKindItDrives) {
    using K = ControlKind;
    using A = CAboutDlg;
    using D = CDetailDlg;
    using S = CSearchDlg;
    using P = CDisplaySetting;
    using T = CNotifySetting;
    struct Row {
        unsigned dialog;
        K kind;
        std::uint32_t styleBits; // what the Win32 build relies on
        std::vector<int> ids;
    };
    // Edits 0x0800: read-only, 0x0804 also multi-line (the many result lines);
    // popup statics 0x80: texts from the data, never read as & prefixes; the
    // calendar 0x10: no "today" line, its size is what the dialog plans for.
    const Row rows[] = {
        {A::kTemplateId, K::Static, 0, {A::kVersionLine, A::kCopyrightLine}},
        {A::kTemplateId, K::Edit, 0x0800, {A::kHomePageField, A::kContactField}},
        {D::kTemplateId, K::Icon, 0, {D::kIdcIcon}},
        {D::kTemplateId, K::Frame, 0, {D::kIdcTextArea, D::kIdcFirstLine}},
        {S::kTemplateId, K::ComboBox, 0, {S::kIdcFirstList, S::kIdcSecondList}},
        {S::kTemplateId, K::Edit, 0x0804, {S::kIdcResult}},
        {S::kTemplateId, K::Static, 0, {S::kIdcFirstLabel, S::kIdcSecondLabel}},
        {S::kTemplateId, K::GroupBox, 0, {S::kIdcGroup}},
        {S::kTemplateId, K::MonthCalendar, 0x10, {S::kIdcCalendar}},
        {CNotifyDlg::kTemplateId, K::Icon, 0, {CNotifyDlg::kIdcIcon}},
        {CNotifyDlg::kTemplateId, K::Static, 0x80, {CNotifyDlg::kIdcTitle, CNotifyDlg::kIdcText}},
        {P::kTemplateId,
         K::RadioButton,
         0,
         {P::kTimeModeFirst, P::kTimeModeFirst + 1, P::kTimeModeFirst + 2}},
        {P::kTemplateId, K::CheckBox, 0, {P::kShowBar, P::kWeekdaySwap, P::kDontUpdateTip}},
        {T::kTemplateId, K::CheckBox, 0, {T::kBalloon, T::kCdTray, T::kSound, T::kDialog}}};
    for (const Row& r : rows)
        for (const int id : r.ids) {
            SCOPED_TRACE(std::to_string(r.dialog) + "/" + std::to_string(id));
            const DialogTemplate* d = findDialogTemplate(r.dialog);
            ASSERT_NE(d, nullptr);
            const ControlTemplate* c = find(*d, id);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->kind, r.kind);
            EXPECT_EQ(c->style & r.styleBits, r.styleBits);
        }
    // The main window has no controls; the program's icon is a real one.
    ASSERT_NE(findDialogTemplate(COrbelDlg::kTemplateId), nullptr);
    EXPECT_TRUE(findDialogTemplate(COrbelDlg::kTemplateId)->controls.empty());
    EXPECT_EQ(find(*findDialogTemplate(D::kTemplateId), D::kIdcIcon)->iconId, 128u);
}

} // namespace
} // namespace orbel::res
