// The dialog templates: every control inside its dialog, ids unique, the
// fixed texts as CP932 bytes, the fixed positions, and style bits that agree
// with the flags a non-Win32 port reads.
#include "res/dialogs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace orbel::res {
namespace {

constexpr unsigned kAllIds[] = {100, 102, 145, 149, 150, 151, 152};

const ControlTemplate* find(const DialogTemplate& d, int id) {
    for (const ControlTemplate& c : d.controls)
        if (c.id == id) return &c;
    return nullptr;
}

const DialogTemplate& get(unsigned id) {
    const DialogTemplate* d = findDialogTemplate(id);
    EXPECT_NE(d, nullptr) << id;
    static const DialogTemplate empty;
    return d ? *d : empty;
}

TEST(DialogTemplates, KnownIdsOnly) {
    for (unsigned id : kAllIds)
        EXPECT_EQ(get(id).id, id);
    for (unsigned id : {0u, 101u, 103u, 129u, 146u, 153u})
        EXPECT_EQ(findDialogTemplate(id), nullptr);
}

TEST(DialogTemplates, ControlsLieInsideTheirDialogWithUniqueIds) {
    // A drop-down list's height includes its open list; only its closed
    // field must fit.
    constexpr int kClosedComboHeight = 14;
    for (unsigned id : kAllIds) {
        const DialogTemplate& d = get(id);
        std::set<int> ids;
        for (const ControlTemplate& c : d.controls) {
            const int cy = c.kind == ControlKind::ComboBox ? kClosedComboHeight : c.cy;
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0) << id << "/" << c.id;
            EXPECT_LE(c.x + c.cx, d.cx) << id << "/" << c.id;
            EXPECT_LE(c.y + cy, d.cy) << id << "/" << c.id;
            if (c.id != -1) {
                EXPECT_TRUE(ids.insert(c.id).second) << id << " repeats " << c.id;
            }
            // What the Win32 build emits and what other ports read agree.
            EXPECT_EQ(c.visible, (c.style & 0x10000000u) != 0) << id << "/" << c.id;
            EXPECT_EQ(c.disabled, (c.style & 0x08000000u) != 0) << id << "/" << c.id;
            EXPECT_NE(c.style & 0x40000000u, 0u) << "WS_CHILD " << id << "/" << c.id;
        }
    }
}

TEST(DialogTemplates, FramesCaptionsAndFonts) {
    struct Row {
        unsigned id;
        int cx, cy, points;
        std::string caption, font;
    };
    const std::string msUiGothic = "MS UI Gothic";
    const std::string msPGothic = "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N"; // ＭＳ Ｐゴシック
    const Row rows[] = {
        {100, 167, 99, 9, "orbel\x82\xcc\x83o\x81[\x83W\x83\x87\x83\x93\x8f\xee\x95\xf1",
         msUiGothic},
        {102, 31, 31, 9, "", msPGothic},
        {145, 191, 88, 9, "orbel - \x8f\xda\x8d\xd7", msUiGothic},
        {149, 150, 180, 9, "orbel - \x93\xfa\x98\x61\x83T\x81[\x83`", msUiGothic},
        {150, 187, 170, 9, "\x95\x5c\x8e\xa6", msUiGothic}, // 表示: a 0x5C trail byte
        {151, 200, 55, 8, "", msUiGothic},
        {152, 187, 125, 9, "\x82\xa8\x92m\x82\xe7\x82\xb9", msPGothic},
    };
    for (const Row& r : rows) {
        const DialogTemplate& d = get(r.id);
        EXPECT_EQ(d.cx, r.cx) << r.id;
        EXPECT_EQ(d.cy, r.cy) << r.id;
        EXPECT_EQ(d.pointSize, r.points) << r.id;
        EXPECT_EQ(std::string(d.caption), r.caption) << r.id;
        EXPECT_EQ(std::string(d.fontFace), r.font) << r.id;
    }
    EXPECT_EQ(get(102).style, 0x80CA00C0u);
    EXPECT_EQ(get(102).exStyle, 0x00040000u);
    EXPECT_TRUE(get(102).controls.empty());
    EXPECT_EQ(get(151).style, 0x80800040u); // WS_POPUP | WS_BORDER | DS_SETFONT
    EXPECT_EQ(get(145).style, 0x80C800C0u);
}

TEST(DialogTemplates, ControlTexts) {
    struct Row {
        unsigned dialog;
        int id;
        std::string text;
    };
    const Row rows[] = {
        {100, 1008, "orbel Version 1.0"},
        {100, 1, "OK"},
        {151, 1, "OK"},
        {149, 1022, "\x8c\x9f\x8d\xf5\x8f\xf0\x8c\x8f"}, // 検索条件
        {149, 1020, "Static"},
        {149, 1021, "\x97j\x93\xfa"}, // 曜日
        {150, 1016, "\x95W\x8f\x80(&D) (944/03/26\x81i\x97\x8b\x81j 07:07)"},
        {150, 1017,
         "\x83I\x83\x8a\x83T\x83\x94\x83\x46\x83\x93\x8c\xdd\x8a\xb7(&V) "
         "(944/3/26\x81i\x97\x8b\x81j 7:07)"},
        {150, 1018,
         "\x83I\x83\x8a\x83T\x95\x62\x82\xe0\x95\x5c\x8e\xa6(&S) "
         "(944/03/26\x81i\x97\x8b\x81j 07:07:07)"},
        {150, 1031,
         "\x8c\x8e\x97\xee\x93\xfa\x90\x94\x82\xf0\x83o\x81[\x82\xc5\x95\x5c\x8e\xa6(&L)"},
        {150, 1032,
         "\x92\xe8\x8a\xfa\x93I\x82\xc9\x97j\x93\xfa\x83\x41\x83\x43\x83R\x83\x93\x82\xc6"
         "\x93\xfc\x82\xea\x91\xd6\x82\xa6\x82\xe9(&W)"},
        {150, 1019,
         "\x83\x63\x81[\x83\x8b\x83`\x83\x62\x83v\x8e\x9e\x8d\x8f\x82\xf0\x8dX\x90V\x82\xb5"
         "\x82\xc8\x82\xa2(&T)"},
        {150, 1, "OK"},
        {150, 2, "\x83L\x83\x83\x83\x93\x83Z\x83\x8b"}, // キャンセル
        {152, 1025, "\x83o\x83\x8b\x81[\x83\x93\x92\xca\x92m(&B)"},
        {152, 1026, "CD\x83g\x83\x8c\x83\x43(&C)"},
        {152, 1028, "\x83_\x83\x43\x83\x41\x83\x8d\x83O\x82\xf0\x95\x5c\x8e\xa6(&D)"},
        {152, 1027, "\x89\xb9\x82\xf0\x96\xc2\x82\xe7\x82\xb7(&S)"},
        {152, 1, "OK"},
        {152, 2, "\xb7\xac\xdd\xbe\xd9"}, // ｷｬﾝｾﾙ, half-width
    };
    for (const Row& r : rows) {
        const ControlTemplate* c = find(get(r.dialog), r.id);
        ASSERT_NE(c, nullptr) << r.dialog << "/" << r.id;
        EXPECT_EQ(std::string(c->text), r.text) << r.dialog << "/" << r.id;
    }
    // The two group boxes of the pages, found by kind.
    std::set<std::string> groups;
    for (unsigned id : {150u, 152u})
        for (const ControlTemplate& c : get(id).controls)
            if (c.kind == ControlKind::GroupBox) groups.insert(std::string(c.text));
    EXPECT_EQ(
        groups,
        (std::set<std::string>{
            "\x8e\x9e\x8d\x8f\x8c`\x8e\xae",                                     // 時刻形式
            "\x83^\x83X\x83N\x83g\x83\x8c\x83\x43\x83\x41\x83\x43\x83R\x83\x93", // タスクトレイアイコン
            "\x82\xa8\x92m\x82\xe7\x82\xb9\x95\xfb\x96@", // お知らせ方法
        }));
}

TEST(DialogTemplates, FixedPositionsKindsAndFlags) {
    struct Row {
        unsigned dialog;
        int id;
        ControlKind kind;
        int x, y, cx, cy;
        bool visible, disabled;
    };
    using K = ControlKind;
    const Row rows[] = {
        {145, 1004, K::Icon, 7, 7, 20, 20, true, false},
        {145, 1006, K::Frame, 33, 7, 151, 74, false, false},
        {145, 1010, K::Frame, 33, 7, 151, 15, false, false},
        {149, 1022, K::GroupBox, 7, 7, 135, 58, true, false},
        {149, 1020, K::Static, 14, 23, 36, 8, true, false},
        {149, 1013, K::ComboBox, 60, 21, 76, 173, true, false},
        {149, 1021, K::Static, 14, 46, 36, 8, true, false},
        {149, 1014, K::ComboBox, 60, 44, 60, 120, true, false},
        {149, 1023, K::MonthCalendar, 22, 64, 120, 90, true, false},
        {149, 1015, K::Edit, 7, 72, 135, 101, true, false},
        {151, 1029, K::Icon, 7, 7, 20, 20, true, false},
        {151, 1030, K::Static, 40, 7, 153, 12, true, false},
        {151, 1024, K::Static, 40, 22, 153, 26, true, false},
        {151, 1, K::PushButton, 143, 34, 50, 14, false, true},
    };
    for (const Row& r : rows) {
        const ControlTemplate* c = find(get(r.dialog), r.id);
        ASSERT_NE(c, nullptr) << r.dialog << "/" << r.id;
        EXPECT_EQ(c->kind, r.kind) << r.id;
        EXPECT_EQ(c->x, r.x) << r.id;
        EXPECT_EQ(c->y, r.y) << r.id;
        EXPECT_EQ(c->cx, r.cx) << r.id;
        EXPECT_EQ(c->cy, r.cy) << r.id;
        EXPECT_EQ(c->visible, r.visible) << r.id;
        EXPECT_EQ(c->disabled, r.disabled) << r.id;
    }
    // The search dialog's controls come in this template order.
    std::vector<int> order;
    for (const ControlTemplate& c : get(149).controls)
        order.push_back(c.id);
    EXPECT_EQ(order, (std::vector<int>{1022, 1020, 1013, 1021, 1014, 1023, 1015}));
    EXPECT_EQ(find(get(145), 1004)->iconId, 128u);
    EXPECT_EQ(find(get(100), 1007)->iconId, 128u);
    EXPECT_EQ(find(get(100), 1007)->kind, K::Icon);
    EXPECT_EQ(find(get(100), 1011)->kind, K::Edit);
    EXPECT_EQ(find(get(100), 1012)->kind, K::Edit);
    EXPECT_EQ(find(get(100), -1)->kind, K::EtchedLine);
    // Style bits a Win32 build relies on.
    EXPECT_EQ(find(get(149), 1023)->style & 0x10u, 0x10u);     // MCS_NOTODAY
    EXPECT_EQ(find(get(149), 1015)->style & 0x0804u, 0x0804u); // read-only, multi-line
    EXPECT_EQ(find(get(149), 1013)->style & 0x0103u, 0x0103u); // drop-down list, sort
    EXPECT_EQ(find(get(145), 1006)->style & 0x1Fu, 0x07u);     // SS_BLACKFRAME
    EXPECT_EQ(find(get(151), 1029)->style & 0x1Fu, 0x03u);     // SS_ICON
    EXPECT_EQ(find(get(151), 1030)->style & 0x80u, 0x80u);     // SS_NOPREFIX
    for (int id : {1, 2}) {
        EXPECT_TRUE(find(get(152), id)->disabled && !find(get(152), id)->visible) << id;
        EXPECT_TRUE(!find(get(150), id)->disabled && find(get(150), id)->visible) << id;
    }
}

bool inside(const ControlTemplate& inner, const ControlTemplate& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
           inner.y + inner.cy <= outer.y + outer.cy;
}

TEST(DialogTemplates, PageGroups) {
    const DialogTemplate& display = get(150);
    std::vector<const ControlTemplate*> radios, boxes;
    for (const ControlTemplate& c : display.controls) {
        if (c.kind == ControlKind::RadioButton) radios.push_back(&c);
        if (c.kind == ControlKind::GroupBox) boxes.push_back(&c);
    }
    ASSERT_EQ(radios.size(), 3u);
    ASSERT_EQ(boxes.size(), 2u);
    // One group from 1016: it alone starts it, and the control after the
    // last radio starts something else.
    EXPECT_EQ(radios[0]->id, 1016);
    EXPECT_EQ(radios[1]->id, 1017);
    EXPECT_EQ(radios[2]->id, 1018);
    EXPECT_TRUE(radios[0]->groupStart);
    EXPECT_NE(radios[0]->style & 0x00020000u, 0u); // WS_GROUP
    EXPECT_FALSE(radios[1]->groupStart || radios[2]->groupStart);
    EXPECT_EQ(radios[1]->style & 0x00020000u, 0u);
    for (const ControlTemplate* r : radios)
        EXPECT_TRUE(inside(*r, *boxes[0])) << r->id;
    for (int id : {1031, 1032, 1019}) {
        EXPECT_EQ(find(display, id)->kind, ControlKind::CheckBox);
        EXPECT_TRUE(inside(*find(display, id), *boxes[1])) << id;
    }

    // The notification page shows its boxes top to bottom as 1025, 1026,
    // 1028, 1027, all inside its one group box.
    const DialogTemplate& notice = get(152);
    const ControlTemplate* box = nullptr;
    for (const ControlTemplate& c : notice.controls)
        if (c.kind == ControlKind::GroupBox) box = &c;
    ASSERT_NE(box, nullptr);
    int lastY = -1;
    for (int id : {1025, 1026, 1028, 1027}) {
        const ControlTemplate* c = find(notice, id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, ControlKind::CheckBox);
        EXPECT_GT(c->y, lastY) << id;
        lastY = c->y;
        EXPECT_TRUE(inside(*c, *box)) << id;
    }
}

} // namespace
} // namespace orbel::res
