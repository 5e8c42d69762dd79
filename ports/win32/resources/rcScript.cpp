#include "ports/win32/resources/rcScript.h"

#include "common/cp932.h"
#include "res/menu.h"
#include "res/stringTable.h"

#include <cstdio>

namespace orbel::rc {

namespace {

constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_GROUP = 0x00020000;
constexpr std::uint32_t DS_SETFONT = 0x0040;
// The dialogs' faces are Japanese ones.
constexpr unsigned SHIFTJIS_CHARSET = 128;

std::string hex(std::uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, static_cast<unsigned>(value));
    return buf;
}

// Decodes UTF-8 that the converter produced (so well-formed) into UTF-16.
std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? b0 : b0 & (0x7F >> len);
        for (std::size_t k = 1; k < len && i + k < utf8.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += len;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string where(const res::DialogTemplate& d, const res::ControlTemplate& c) {
    return "dialog " + std::to_string(d.id) + ", control " + std::to_string(c.id) + ": ";
}

// The window class of each kind, and the low style bits (mask, allowed
// values) that make a control of that class behave as the kind says.
struct KindInfo {
    const char* windowClass;
    std::uint32_t typeMask;
    std::vector<std::uint32_t> types;
};

KindInfo kindInfo(res::ControlKind kind) {
    using K = res::ControlKind;
    switch (kind) {
    case K::Static:
        return {"Static", 0x1F, {0x0, 0x1, 0x2}}; // left, centre, right
    case K::Icon:
        return {"Static", 0x1F, {0x3}};
    case K::Frame:
        return {"Static", 0x1F, {0x7}};
    case K::EtchedLine:
        return {"Static", 0x1F, {0x10}};
    case K::GroupBox:
        return {"Button", 0xF, {0x7}};
    case K::ComboBox:
        return {"ComboBox", 0x3, {0x3}}; // drop-down list
    case K::Edit:
        return {"Edit", 0x0, {0x0}}; // any edit style
    case K::PushButton:
        return {"Button", 0xF, {0x0, 0x1}};
    case K::CheckBox:
        return {"Button", 0xF, {0x2, 0x3}};
    case K::RadioButton:
        return {"Button", 0xF, {0x4, 0x9}};
    case K::MonthCalendar:
        return {"SysMonthCal32", 0x0, {0x0}};
    }
    throw RcError("unknown control kind " + std::to_string(static_cast<int>(kind)));
}

void checkControl(const res::DialogTemplate& d, const res::ControlTemplate& c,
                  const KindInfo& info) {
    const std::uint32_t s = c.style;
    if (!(s & WS_CHILD)) throw RcError(where(d, c) + "style lacks WS_CHILD");
    if (c.visible != ((s & WS_VISIBLE) != 0))
        throw RcError(where(d, c) + "visible flag and WS_VISIBLE disagree");
    if (c.disabled != ((s & WS_DISABLED) != 0))
        throw RcError(where(d, c) + "disabled flag and WS_DISABLED disagree");
    if (c.groupStart && !(s & WS_GROUP))
        throw RcError(where(d, c) + "starts a group without WS_GROUP");
    bool typeOk = false;
    for (std::uint32_t t : info.types)
        typeOk = typeOk || (s & info.typeMask) == t;
    if (!typeOk) throw RcError(where(d, c) + "style " + hex(s, 8) + " is not its kind's");
    if (c.iconId != 0 && c.kind != res::ControlKind::Icon)
        throw RcError(where(d, c) + "an icon id on a control that is no icon");
    if (c.cx <= 0 || c.cy <= 0 || c.x < 0 || c.y < 0)
        throw RcError(where(d, c) + "empty or negative rectangle");
}

} // namespace

std::u16string cp932ToUtf16(std::string_view cp932) {
    const std::string utf8 = text::cp932ToUtf8(cp932);
    if (utf8.find(text::kUtf8Replacement) != std::string::npos)
        throw RcError("not a CP932 text: \"" + std::string(cp932) + "\"");
    if (utf8.find('\0') != std::string::npos) throw RcError("a text holds a NUL character");
    return utf8ToUtf16(utf8);
}

std::string rcLiteral(std::string_view cp932) {
    std::string out = "L\"";
    for (const char16_t u : cp932ToUtf16(cp932)) {
        if (u == '"') {
            out += "\"\"";
        } else if (u == '\\') {
            out += "\\\\";
        } else if (u == '\r') {
            out += "\\r";
        } else if (u == '\n') {
            out += "\\n";
        } else if (u == '\t') {
            out += "\\t";
        } else if (u >= 0x20 && u < 0x7F) {
            out += static_cast<char>(u);
        } else {
            // Exactly four digits: the compiler reads at most four, so a
            // hexadecimal letter after the escape stays a letter.
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%04X", static_cast<unsigned>(u));
            out += buf;
        }
    }
    return out + "\"";
}

std::string dialogScript(const res::DialogTemplate& d) {
    if (!(d.style & DS_SETFONT))
        throw RcError("dialog " + std::to_string(d.id) + ": style lacks DS_SETFONT");
    // The compiler adds WS_CAPTION to any dialog with a caption statement.
    if (!d.caption.empty() && !(d.style & WS_CAPTION))
        throw RcError("dialog " + std::to_string(d.id) + ": a caption without WS_CAPTION");
    if (d.fontFace.empty() || d.pointSize <= 0 || d.cx <= 0 || d.cy <= 0)
        throw RcError("dialog " + std::to_string(d.id) + ": no font or an empty size");
    std::string s = std::to_string(d.id) + " DIALOGEX 0, 0, " + std::to_string(d.cx) + ", " +
                    std::to_string(d.cy) + "\n";
    s += "STYLE " + hex(d.style, 8) + "\n";
    s += "EXSTYLE " + hex(d.exStyle, 8) + "\n";
    if (!d.caption.empty()) s += "CAPTION " + rcLiteral(d.caption) + "\n";
    s += "FONT " + std::to_string(d.pointSize) + ", " + rcLiteral(d.fontFace) + ", 0, 0, " +
         hex(SHIFTJIS_CHARSET, 2) + "\n";
    s += "BEGIN\n";
    for (const res::ControlTemplate& c : d.controls) {
        const KindInfo info = kindInfo(c.kind);
        checkControl(d, c, info);
        // An icon control's text names its icon resource.
        const std::string text = c.kind == res::ControlKind::Icon && c.iconId != 0
                                     ? std::to_string(c.iconId)
                                     : rcLiteral(c.text);
        // CONTROL always adds WS_CHILD | WS_VISIBLE; NOT takes back what
        // the template leaves out.
        std::string style = hex(c.style, 8);
        if (!(c.style & WS_VISIBLE)) style += " | NOT " + hex(WS_VISIBLE, 8);
        s += "    CONTROL " + text + ", " + std::to_string(c.id) + ", \"" + info.windowClass +
             "\", " + style + ", " + std::to_string(c.x) + ", " + std::to_string(c.y) + ", " +
             std::to_string(c.cx) + ", " + std::to_string(c.cy) + "\n";
    }
    return s + "END\n";
}

namespace {
void menuItems(std::string& s, const std::vector<res::MenuItem>& items, int depth) {
    const std::string indent(4 * static_cast<std::size_t>(depth), ' ');
    for (const res::MenuItem& item : items) {
        if (item.isSeparator()) {
            s += indent + "MENUITEM SEPARATOR\n";
        } else if (!item.children.empty()) {
            s += indent + "POPUP " + rcLiteral(item.text) + "\n" + indent + "BEGIN\n";
            menuItems(s, item.children, depth + 1);
            s += indent + "END\n";
        } else {
            if (item.id == 0 || item.id > 0xFFFF)
                throw RcError("menu item \"" + std::string(item.text) + "\" has no valid id");
            s +=
                indent + "MENUITEM " + rcLiteral(item.text) + ", " + std::to_string(item.id) + "\n";
        }
    }
}
} // namespace

std::string menuScript(unsigned id) {
    const res::MenuItem bar = res::loadMenu(id);
    if (bar.children.empty()) throw RcError("no menu " + std::to_string(id));
    std::string s = std::to_string(id) + " MENU\nBEGIN\n";
    menuItems(s, bar.children, 1);
    return s + "END\n";
}

std::string stringTableScript(unsigned first, unsigned last) {
    std::string s = "STRINGTABLE\nBEGIN\n";
    for (unsigned id = first; id <= last; ++id) {
        const std::string_view text = res::loadString(id);
        if (text.empty()) throw RcError("no string " + std::to_string(id));
        s += "    " + std::to_string(id) + ", " + rcLiteral(text) + "\n";
    }
    return s + "END\n";
}

std::string phaseIconFile(unsigned id) {
    return "phase" + std::to_string(id) + ".ico";
}

} // namespace orbel::rc
