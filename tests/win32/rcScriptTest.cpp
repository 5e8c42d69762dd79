// The generated resource script read back the way the resource compiler
// reads it: literals unescaped to UTF-16 and back to the CP932 bytes of the
// data, CONTROL styles evaluated with the bits the compiler adds, and the
// menu rebuilt as a tree. Bad data must stop the generator.
#include "ports/win32/resources/rcScript.h"
#include "common/cp932.h"
#include "res/menu.h"
#include "res/stringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <functional>
#include <sstream>

namespace orbel::rc {
namespace {

// Reads one literal at the front of `in` (L"..." or a bare number) and
// drops it; UTF-16 as the compiler stores it.
std::u16string takeLiteral(std::string_view& in) {
    std::u16string out;
    if (in.substr(0, 2) != "L\"") {
        const std::size_t end = in.find(',');
        for (const char c : in.substr(0, end))
            out.push_back(static_cast<char16_t>(c));
        in.remove_prefix(end);
        return out;
    }
    std::size_t i = 2;
    while (i < in.size()) {
        const char c = in[i++];
        if (c == '"') {
            if (i < in.size() && in[i] == '"') {
                out.push_back('"');
                ++i;
                continue;
            }
            break;
        }
        if (c != '\\') {
            out.push_back(static_cast<char16_t>(c));
            continue;
        }
        if (i == in.size()) break;
        const char e = in[i++];
        if (e == 'x') {
            unsigned v = 0;
            for (int k = 0;
                 k < 4 && i < in.size() && std::isxdigit(static_cast<unsigned char>(in[i])); ++k)
                v = v * 16 + static_cast<unsigned>(std::stoi(std::string(1, in[i++]), nullptr, 16));
            out.push_back(static_cast<char16_t>(v));
        } else {
            out.push_back(e == 'r' ? u'\r' : e == 'n' ? u'\n' : e == 't' ? u'\t' : e);
        }
    }
    in.remove_prefix(i);
    return out;
}

std::string toCp932(const std::u16string& s) {
    std::string utf8;
    for (const char16_t u : s) {
        if (u < 0x80) {
            utf8 += static_cast<char>(u);
        } else if (u < 0x800) {
            utf8 += static_cast<char>(0xC0 | u >> 6);
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | u >> 12);
            utf8 += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return text::utf8ToCp932(utf8);
}

std::string literalBytes(std::string literal) {
    std::string_view in = literal;
    const std::string out = toCp932(takeLiteral(in));
    EXPECT_TRUE(in.empty()) << "left over: " << in;
    return out;
}

std::vector<std::string> lines(const std::string& script) {
    std::vector<std::string> out;
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);)
        out.push_back(line.substr(std::min(line.size(), line.find_first_not_of(' '))));
    return out;
}

TEST(RcLiteral, EscapesWhatTheCompilerWouldReadOtherwise) {
    EXPECT_EQ(rcLiteral("a\"b\\c\r\n\td&&e(&X)"), R"rc(L"a""b\\c\r\n\td&&e(&X)")rc");
    // 0x95 0x5C is one character whose trail byte is no backslash; half-width
    // katakana are single bytes; the escape stops at four digits.
    EXPECT_EQ(rcLiteral("\x95\x5C"
                        "a\xB1"),
              R"(L"\x8868a\xFF71")");
    EXPECT_EQ(rcLiteral("\x81\x8B"
                        "a"),
              R"(L"\x00B0a")"); // not U+0B0A
    EXPECT_EQ(literalBytes(rcLiteral("\x81\x8B"
                                     "Fa\"\x81\x5F\\")),
              "\x81\x8B"
              "Fa\"\x81\x5F\\");
    EXPECT_EQ(rcLiteral(""), "L\"\"");
    for (const char* bad : {"\x81", "ok\x81 ", "\x85\x40"})
        EXPECT_THROW(rcLiteral(bad), RcError) << bad;
    EXPECT_THROW(rcLiteral(std::string_view("a\0b", 3)), RcError);
}

TEST(RcScript, IsAsciiAndEveryStringRoundTripsToItsCp932Bytes) {
    const std::string script = exeScript();
    for (const char c : script)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80u);
    const auto all = lines(script);
    auto it = std::find(all.begin(), all.end(), "STRINGTABLE");
    ASSERT_NE(it, all.end());
    ASSERT_EQ(*++it, "BEGIN");
    for (unsigned id = kFirstStringId; id <= kLastStringId; ++id) {
        const std::string prefix = std::to_string(id) + ", ";
        ASSERT_EQ((++it)->substr(0, prefix.size()), prefix);
        EXPECT_EQ(literalBytes(it->substr(prefix.size())), res::loadString(id)) << id;
    }
    EXPECT_EQ(*++it, "END");
    EXPECT_THROW(stringTableScript(100, 101), RcError);
}

TEST(RcScript, DialogsCarryEveryControlAsTheCompilerWillBuildIt) {
    const auto all = lines(exeScript());
    for (const unsigned id : kDialogIds) {
        const res::DialogTemplate& d = *res::findDialogTemplate(id);
        auto it = std::find(all.begin(), all.end(),
                            std::to_string(id) + " DIALOGEX 0, 0, " + std::to_string(d.cx) + ", " +
                                std::to_string(d.cy));
        ASSERT_NE(it, all.end()) << id;
        char style[32], ex[32];
        std::snprintf(style, sizeof style, "STYLE 0x%08X", d.style);
        std::snprintf(ex, sizeof ex, "EXSTYLE 0x%08X", d.exStyle);
        EXPECT_EQ(*++it, style);
        EXPECT_EQ(*++it, ex);
        if (!d.caption.empty()) {
            EXPECT_EQ(literalBytes((++it)->substr(8)), d.caption) << id;
        }
        std::string_view font = *++it;
        const std::string size = "FONT " + std::to_string(d.pointSize) + ", ";
        ASSERT_EQ(font.substr(0, size.size()), size);
        font.remove_prefix(size.size());
        EXPECT_EQ(toCp932(takeLiteral(font)), d.fontFace);
        EXPECT_EQ(font, ", 0, 0, 0x80"); // Shift-JIS faces
        ASSERT_EQ(*++it, "BEGIN");
        for (const res::ControlTemplate& c : d.controls) {
            std::string_view line = *++it;
            ASSERT_EQ(line.substr(0, 8), "CONTROL ") << id << "/" << c.id;
            line.remove_prefix(8);
            const std::u16string text = takeLiteral(line);
            // An icon control names its icon by number.
            EXPECT_EQ(toCp932(text), c.iconId ? std::to_string(c.iconId) : std::string(c.text));
            unsigned ctlId = 0, add = 0, remove = 0;
            int x, y, cx, cy;
            char cls[32] = "";
            const std::string rest(line);
            const bool notVisible = rest.find("| NOT") != std::string::npos;
            const int n = notVisible
                              ? std::sscanf(rest.c_str(),
                                            ", %u, \"%31[^\"]\", %x | NOT %x, "
                                            "%d, %d, %d, %d",
                                            &ctlId, cls, &add, &remove, &x, &y, &cx, &cy)
                              : std::sscanf(rest.c_str(), ", %u, \"%31[^\"]\", %x, %d, %d, %d, %d",
                                            &ctlId, cls, &add, &x, &y, &cx, &cy);
            ASSERT_EQ(n, notVisible ? 8 : 7) << rest;
            EXPECT_EQ(static_cast<int>(ctlId), c.id);
            // CONTROL adds WS_CHILD | WS_VISIBLE before NOT takes bits away.
            EXPECT_EQ((add | 0x50000000u) & ~remove, c.style) << id << "/" << c.id;
            EXPECT_EQ(x, c.x);
            EXPECT_EQ(y, c.y);
            EXPECT_EQ(cx, c.cx);
            EXPECT_EQ(cy, c.cy);
            using K = res::ControlKind;
            const char* expected = c.kind == K::ComboBox        ? "ComboBox"
                                   : c.kind == K::Edit          ? "Edit"
                                   : c.kind == K::MonthCalendar ? "SysMonthCal32"
                                   : c.kind == K::GroupBox || c.kind == K::PushButton ||
                                           c.kind == K::CheckBox || c.kind == K::RadioButton
                                       ? "Button"
                                       : "Static";
            EXPECT_STREQ(cls, expected) << id << "/" << c.id;
        }
        EXPECT_EQ(*++it, "END") << id;
    }
}

TEST(RcScript, RefusesTemplatesTheCompilerWouldBuildDifferently) {
    res::DialogTemplate d = *res::findDialogTemplate(145);
    EXPECT_NO_THROW(dialogScript(d));
    auto broken = [&](auto change) {
        res::DialogTemplate copy = d;
        change(copy);
        return copy;
    };
    for (const auto& bad : {
             broken([](auto& t) { t.controls[1].visible = true; }),       // style says hidden
             broken([](auto& t) { t.controls[0].style &= ~0x40000000; }), // no WS_CHILD
             broken([](auto& t) { t.controls[0].kind = res::ControlKind::PushButton; }),
             broken([](auto& t) { t.controls[1].iconId = 128; }), // a frame with an icon
             broken([](auto& t) { t.style &= ~0x00C00000u; }),    // caption, no WS_CAPTION
             broken([](auto& t) { t.style &= ~0x40u; }),          // no DS_SETFONT
             broken([](auto& t) { t.caption = "\x82"; }),
         })
        EXPECT_THROW(dialogScript(bad), RcError);
}

TEST(RcScript, MenuRebuildsToTheSameTree) {
    const auto all = lines(menuScript(kMenuId));
    ASSERT_EQ(all.at(0), "129 MENU");
    std::deque<std::string> texts; // what the rebuilt items' views point into
    std::vector<res::MenuItem> stack{res::MenuItem{}};
    for (std::size_t i = 2; i + 1 < all.size(); ++i) {
        std::string_view line = all[i];
        if (line == "BEGIN") continue;
        if (line == "END") {
            res::MenuItem done = std::move(stack.back());
            stack.pop_back();
            stack.back().children.push_back(std::move(done));
        } else if (line == "MENUITEM SEPARATOR") {
            stack.back().children.push_back({});
        } else if (line.substr(0, 6) == "POPUP ") {
            line.remove_prefix(6);
            stack.push_back({0, {}, {}});
            stack.back().text = texts.emplace_back(toCp932(takeLiteral(line)));
        } else {
            ASSERT_EQ(line.substr(0, 9), "MENUITEM ");
            line.remove_prefix(9);
            const std::string_view text = texts.emplace_back(toCp932(takeLiteral(line)));
            const unsigned id = static_cast<unsigned>(std::stoul(std::string(line.substr(2))));
            stack.back().children.push_back({id, text, {}});
        }
    }
    ASSERT_EQ(stack.size(), 1u);
    const res::MenuItem want = res::loadMenu(kMenuId);
    std::function<void(const res::MenuItem&, const res::MenuItem&)> same =
        [&](const res::MenuItem& a, const res::MenuItem& b) {
            EXPECT_EQ(a.id, b.id);
            EXPECT_EQ(a.text, b.text);
            ASSERT_EQ(a.children.size(), b.children.size()) << b.text;
            for (std::size_t k = 0; k < a.children.size(); ++k)
                same(a.children[k], b.children[k]);
        };
    same(stack[0], want);
    EXPECT_THROW(menuScript(130), RcError);
}

} // namespace
} // namespace orbel::rc
