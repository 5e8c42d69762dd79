// The dialog templates as data. Every port builds its windows from these
// tables, so the ids, positions and texts live in one place; the style bits
// are the Win32 ones, which lets a Win32 build emit a real template from
// them. Where a table below fixes no position, the layout is ours and says
// so in a comment.
#include "res/dialogs.h"

#include <array>

namespace orbel::res {

namespace {

// Window and dialog styles.
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_VSCROLL = 0x00200000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_GROUP = 0x00020000;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000; // on top-level windows
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;
constexpr std::uint32_t DS_SETFONT = 0x0040;
constexpr std::uint32_t DS_MODALFRAME = 0x0080;
// Static controls.
constexpr std::uint32_t SS_LEFT = 0x0000;
constexpr std::uint32_t SS_ICON = 0x0003;
constexpr std::uint32_t SS_BLACKFRAME = 0x0007;
constexpr std::uint32_t SS_ETCHEDHORZ = 0x0010;
constexpr std::uint32_t SS_NOPREFIX = 0x0080;
// Edit controls.
constexpr std::uint32_t ES_MULTILINE = 0x0004;
constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
constexpr std::uint32_t ES_READONLY = 0x0800;
// Combo boxes.
constexpr std::uint32_t CBS_DROPDOWNLIST = 0x0003;
constexpr std::uint32_t CBS_SORT = 0x0100;
// Buttons.
constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
constexpr std::uint32_t BS_AUTOCHECKBOX = 0x0003;
constexpr std::uint32_t BS_GROUPBOX = 0x0007;
constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x0009;
// Month calendar.
constexpr std::uint32_t MCS_NOTODAY = 0x0010;

constexpr int IDC_STATIC = -1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr std::uint32_t kModalDialog =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
// A property page: a child of the sheet, enabled by the sheet when shown.
constexpr std::uint32_t kPropertyPage = WS_CHILD | WS_DISABLED | WS_CAPTION | DS_SETFONT;

// A visible, enabled child control; the helpers below adjust it.
ControlTemplate control(int id, ControlKind kind, int x, int y, int cx, int cy,
                        std::string_view text, std::uint32_t style) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.x = x;
    c.y = y;
    c.cx = cx;
    c.cy = cy;
    c.text = text;
    c.style = WS_CHILD | WS_VISIBLE | style;
    return c;
}

ControlTemplate hidden(ControlTemplate c) {
    c.visible = false;
    c.style &= ~WS_VISIBLE;
    return c;
}

ControlTemplate disabled(ControlTemplate c) {
    c.disabled = true;
    c.style |= WS_DISABLED;
    return c;
}

ControlTemplate groupStart(ControlTemplate c) {
    c.groupStart = true;
    c.style |= WS_GROUP;
    return c;
}

ControlTemplate icon(int id, int x, int y, unsigned iconId) {
    ControlTemplate c = control(id, ControlKind::Icon, x, y, 20, 20, "", SS_ICON);
    c.iconId = iconId;
    return c;
}

ControlTemplate check(int id, int x, int y, int cx, std::string_view text) {
    return control(id, ControlKind::CheckBox, x, y, cx, 10, text,
                   BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP);
}

ControlTemplate radio(int id, int x, int y, int cx, std::string_view text) {
    return control(id, ControlKind::RadioButton, x, y, cx, 10, text, BS_AUTORADIOBUTTON);
}

ControlTemplate push(int id, int x, int y, std::string_view text, bool isDefault = false) {
    return control(id, ControlKind::PushButton, x, y, 50, 14, text,
                   (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP);
}

ControlTemplate groupBox(int id, int x, int y, int cx, int cy, std::string_view text) {
    return control(id, ControlKind::GroupBox, x, y, cx, cy, text, BS_GROUPBOX | WS_GROUP);
}

constexpr unsigned kProgramIcon = 128;

// About box. Only the ids are given for its controls; the layout is ours:
// icon at the top left, version and copyright lines beside it, the two
// read-only fields under them, the separator and the centred OK button at
// the bottom.
DialogTemplate aboutBox() {
    DialogTemplate d{100, "orbelのバージョン情報", "MS UI Gothic", 9, 167, 99, kModalDialog, 0, {}};
    const std::uint32_t field = ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP;
    d.controls = {
        icon(1007, 7, 7, kProgramIcon),
        control(1008, ControlKind::Static, 40, 10, 120, 8, "orbel Version 1.0",
                SS_LEFT | SS_NOPREFIX),
        // Two lines high: a copyright line wraps rather than being cut.
        control(1009, ControlKind::Static, 40, 20, 120, 16, "Copyright (C) Quil",
                SS_LEFT | SS_NOPREFIX),
        control(1011, ControlKind::Edit, 7, 40, 153, 12, "", field),
        control(1012, ControlKind::Edit, 7, 56, 153, 12, "", field),
        control(IDC_STATIC, ControlKind::EtchedLine, 7, 74, 153, 1, "", SS_ETCHEDHORZ),
        groupStart(push(IDOK, 58, 79, "OK", true)),
    };
    return d;
}

// The main window: never shown, no title and no controls. Its style also
// carries the minimize box, which the hidden window never shows.
constexpr std::uint32_t kMainWindowStyle =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT;
static_assert(kMainWindowStyle == 0x80CA00C0);

DialogTemplate mainWindow() {
    return DialogTemplate{102, "", "ＭＳ Ｐゴシック", 9, 31, 31, kMainWindowStyle, WS_EX_APPWINDOW,
                          {}};
}

DialogTemplate detailWindow() {
    DialogTemplate d{145, "orbel - 詳細", "MS UI Gothic", 9, 191, 88, kModalDialog, 0, {}};
    d.controls = {
        icon(1004, 7, 7, kProgramIcon),
        hidden(control(1006, ControlKind::Frame, 33, 7, 151, 74, "", SS_BLACKFRAME)),
        hidden(control(1010, ControlKind::Frame, 33, 7, 151, 15, "", SS_BLACKFRAME)),
    };
    return d;
}

DialogTemplate searchFrame() {
    DialogTemplate d{149, "orbel - 日和サーチ", "MS UI Gothic", 9, 150, 180, kModalDialog, 0, {}};
    const std::uint32_t list = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    // The combo boxes' heights include their dropped-down lists, which may
    // reach past the dialog's bottom edge.
    d.controls = {
        groupBox(1022, 7, 7, 135, 58, "検索条件"),
        control(1020, ControlKind::Static, 14, 23, 36, 8, "Static", SS_LEFT),
        control(1013, ControlKind::ComboBox, 60, 21, 76, 173, "", list),
        control(1021, ControlKind::Static, 14, 46, 36, 8, "曜日", SS_LEFT),
        control(1014, ControlKind::ComboBox, 60, 44, 60, 120, "", list),
        control(1023, ControlKind::MonthCalendar, 22, 64, 120, 90, "", MCS_NOTODAY | WS_TABSTOP),
        control(1015, ControlKind::Edit, 7, 72, 135, 101, "",
                ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_BORDER |
                    WS_VSCROLL),
    };
    return d;
}

DialogTemplate popup() {
    DialogTemplate d{151, "", "MS UI Gothic", 8, 200, 55, WS_POPUP | WS_BORDER | DS_SETFONT, 0, {}};
    // The two texts are placeholders, always replaced before the popup shows.
    d.controls = {
        icon(1029, 7, 7, 0),
        control(1030, ControlKind::Static, 40, 7, 153, 12, "Static", SS_LEFT | SS_NOPREFIX),
        control(1024, ControlKind::Static, 40, 22, 153, 26, "Static", SS_LEFT | SS_NOPREFIX),
        hidden(disabled(push(IDOK, 143, 34, "OK", true))),
    };
    return d;
}

// The display page. The texts and ids are fixed; the layout is ours: the
// time-format group on top with its three radio buttons, the tray-icon group
// below with its three check boxes, and the page's own OK and Cancel at the
// bottom right, which the page hides.
DialogTemplate displayPage() {
    DialogTemplate d{150, "表示", "MS UI Gothic", 9, 187, 170, kPropertyPage, 0, {}};
    d.controls = {
        groupBox(IDC_STATIC, 7, 7, 173, 62, "時刻形式"),
        groupStart(radio(1016, 14, 20, 160, "標準(&D) (944/03/26（雷） 07:07)")),
        radio(1017, 14, 34, 160, "オリサヴェン互換(&V) (944/3/26（雷） 7:07)"),
        radio(1018, 14, 48, 160, "オリサ秒も表示(&S) (944/03/26（雷） 07:07:07)"),
        groupBox(IDC_STATIC, 7, 75, 173, 62, "タスクトレイアイコン"),
        check(1031, 14, 89, 160, "月齢日数をバーで表示(&L)"),
        check(1032, 14, 104, 160, "定期的に曜日アイコンと入れ替える(&W)"),
        check(1019, 14, 119, 160, "ツールチップ時刻を更新しない(&T)"),
        push(IDOK, 76, 149, "OK", true),
        push(IDCANCEL, 130, 149, "キャンセル"),
    };
    return d;
}

// The notification page. The layout is ours: one group box holding the four
// check boxes in their display order, the page's own buttons (created
// disabled and hidden) at the bottom right.
DialogTemplate notificationPage() {
    DialogTemplate d{152, "お知らせ", "ＭＳ Ｐゴシック", 9, 187, 125, kPropertyPage, 0, {}};
    d.controls = {
        groupBox(IDC_STATIC, 7, 7, 173, 77, "お知らせ方法"),
        check(1025, 14, 21, 150, "バルーン通知(&B)"),
        check(1026, 14, 36, 150, "CDトレイ(&C)"),
        check(1028, 14, 51, 150, "ダイアログを表示(&D)"),
        check(1027, 14, 66, 150, "音を鳴らす(&S)"),
        hidden(disabled(push(IDOK, 76, 104, "OK", true))),
        hidden(disabled(push(IDCANCEL, 130, 104, "ｷｬﾝｾﾙ"))),
    };
    return d;
}

} // namespace

const DialogTemplate* findDialogTemplate(unsigned id) {
    // Built once, on first use, by whichever thread asks first.
    static const std::array<DialogTemplate, 7> templates = {
        aboutBox(),    mainWindow(), detailWindow(),     searchFrame(),
        displayPage(), popup(),      notificationPage(),
    };
    for (const DialogTemplate& t : templates)
        if (t.id == id) return &t;
    return nullptr;
}

} // namespace orbel::res
