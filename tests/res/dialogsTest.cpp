// The dialog templates: properties every template must have, and every id
// the code asks for present with the kind it drives.
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

#include <map>
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
bool hasGroup(const ControlTemplate& c) {
    return (c.style & kWsGroup) != 0;
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
    // field (14 units) must fit.
    using K = ControlKind;
    // The low style bits that make a Win32 control the kind other ports read.
    const std::map<K, std::pair<std::uint32_t, std::uint32_t>> kindStyles = {
        {K::Static, {0x1F, 0x00}},     {K::Icon, {0x1F, 0x03}},     {K::Frame, {0x1F, 0x07}},
        {K::EtchedLine, {0x1F, 0x10}}, {K::GroupBox, {0x0F, 0x07}}, {K::ComboBox, {0x03, 0x03}},
        {K::PushButton, {0x0E, 0x00}}, {K::CheckBox, {0x0F, 0x03}}, {K::RadioButton, {0x0F, 0x09}}};
    int radios = 0;
    for (unsigned id : kAllIds) {
        const DialogTemplate& d = *findDialogTemplate(id);
        EXPECT_TRUE(roundTrips(d.caption) && roundTrips(d.fontFace) && !d.fontFace.empty()) << id;
        std::set<int> ids;
        for (std::size_t i = 0; i < d.controls.size(); ++i) {
            const ControlTemplate& c = d.controls[i];
            SCOPED_TRACE(std::to_string(id) + "/" + std::to_string(c.id));
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0);
            EXPECT_LE(c.x + c.cx, d.cx);
            EXPECT_LE(c.y + (c.kind == K::ComboBox ? 14 : c.cy), d.cy);
            EXPECT_TRUE(c.id == -1 || ids.insert(c.id).second) << "repeated";
            EXPECT_TRUE(roundTrips(c.text)) << c.text;
            // What the Win32 build emits and what other ports read agree.
            EXPECT_EQ(c.visible, (c.style & kWsVisible) != 0);
            EXPECT_EQ(c.disabled, (c.style & kWsDisabled) != 0);
            EXPECT_NE(c.style & kWsChild, 0u);
            EXPECT_TRUE(!c.groupStart || hasGroup(c));
            if (const auto k = kindStyles.find(c.kind); k != kindStyles.end()) {
                EXPECT_EQ(c.style & k->second.first, k->second.second);
            }
            EXPECT_TRUE(c.iconId == 0 || c.kind == K::Icon);
            // Radio groups start at their first button, and the control after
            // a group must not join it.
            if (c.kind != K::RadioButton) continue;
            ++radios;
            const bool first = i == 0 || d.controls[i - 1].kind != K::RadioButton;
            EXPECT_EQ(c.groupStart, first);
            EXPECT_EQ(hasGroup(c), first);
            if (i + 1 < d.controls.size() && d.controls[i + 1].kind != K::RadioButton) {
                EXPECT_TRUE(hasGroup(d.controls[i + 1])) << "after the group";
            }
        }
    }
    EXPECT_GT(radios, 0);
    // 表示: a 0x5C trail byte, which a wrong source charset would not give.
    EXPECT_EQ(findDialogTemplate(150)->caption, "\x95\x5c\x8e\xa6");
}

TEST(DialogTemplates, EveryIdTheCodeUsesExistsWithTheKindItDrives) {
    using K = ControlKind;
    using A = CAboutDlg;
    using D = CDetailDlg;
    using S = CSearchDlg;
    using N = CNotifyDlg;
    using P = CDisplaySetting;
    using T = CNotifySetting;
    struct Row {
        const char* name;
        unsigned dialog;
        int id;
        K kind;
        std::uint32_t styleBits = 0; // what the Win32 build relies on
    };
    // Edits 0x0800: read-only, 0x0804 also multi-line (the many result lines);
    // popup statics 0x80: texts from the data, never read as & prefixes; the
    // calendar 0x10: no "today" line, its size is what the dialog plans for.
    const Row rows[] = {
        {"about version", A::kTemplateId, A::kVersionLine, K::Static},
        {"about copyright", A::kTemplateId, A::kCopyrightLine, K::Static},
        {"about home page", A::kTemplateId, A::kHomePageField, K::Edit, 0x0800},
        {"about contact", A::kTemplateId, A::kContactField, K::Edit, 0x0800},
        {"detail icon", D::kTemplateId, D::kIdcIcon, K::Icon},
        {"detail area", D::kTemplateId, D::kIdcTextArea, K::Frame},
        {"detail line", D::kTemplateId, D::kIdcFirstLine, K::Frame},
        {"search first", S::kTemplateId, S::kIdcFirstList, K::ComboBox},
        {"search second", S::kTemplateId, S::kIdcSecondList, K::ComboBox},
        {"search result", S::kTemplateId, S::kIdcResult, K::Edit, 0x0804},
        {"search label 1", S::kTemplateId, S::kIdcFirstLabel, K::Static},
        {"search label 2", S::kTemplateId, S::kIdcSecondLabel, K::Static},
        {"search group", S::kTemplateId, S::kIdcGroup, K::GroupBox},
        {"search calendar", S::kTemplateId, S::kIdcCalendar, K::MonthCalendar, 0x10},
        {"popup icon", N::kTemplateId, N::kIdcIcon, K::Icon},
        {"popup title", N::kTemplateId, N::kIdcTitle, K::Static, 0x80},
        {"popup text", N::kTemplateId, N::kIdcText, K::Static, 0x80},
        {"mode 0", P::kTemplateId, P::kTimeModeFirst, K::RadioButton},
        {"mode 1", P::kTemplateId, P::kTimeModeFirst + 1, K::RadioButton},
        {"mode 2", P::kTemplateId, P::kTimeModeFirst + 2, K::RadioButton},
        {"bar", P::kTemplateId, P::kShowBar, K::CheckBox},
        {"swap", P::kTemplateId, P::kWeekdaySwap, K::CheckBox},
        {"tip", P::kTemplateId, P::kDontUpdateTip, K::CheckBox},
        {"balloon", T::kTemplateId, T::kBalloon, K::CheckBox},
        {"cd tray", T::kTemplateId, T::kCdTray, K::CheckBox},
        {"sound", T::kTemplateId, T::kSound, K::CheckBox},
        {"dialog", T::kTemplateId, T::kDialog, K::CheckBox}};
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
    EXPECT_EQ(find(*findDialogTemplate(D::kTemplateId), D::kIdcIcon)->iconId, 128u);
}

} // namespace
} // namespace orbel::res
