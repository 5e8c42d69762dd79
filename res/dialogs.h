// The dialog templates (100, 102, 145, 149, 150, 151, 152) as data: one
// source for every port. Positions and sizes are in dialog units; texts are
// CP932. Ports build their windows from these; the fake port builds
// in-memory controls from them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orbel::res {

enum class ControlKind {
    Static,        // static text
    Icon,          // static, icon style
    Frame,         // invisible black frame marking a drawing area
    EtchedLine,    // etched horizontal separator
    GroupBox,
    ComboBox,      // drop-down list
    Edit,          // (multi-line, read-only where the style says so)
    PushButton,
    CheckBox,
    RadioButton,   // groupStart marks the first of a group
    MonthCalendar,
};

struct ControlTemplate {
    int id = -1;
    ControlKind kind = ControlKind::Static;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string_view text;
    std::uint32_t style = 0; // the platform style bits, for the Win32 build
    bool visible = true;
    bool disabled = false;
    bool groupStart = false;
    unsigned iconId = 0; // Icon: the initial icon resource
};

struct DialogTemplate {
    unsigned id = 0;
    std::string_view caption;
    std::string_view fontFace;
    int pointSize = 9;
    int cx = 0, cy = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::vector<ControlTemplate> controls;
};

// The template of an id; null for an id we do not have.
const DialogTemplate* findDialogTemplate(unsigned id);

} // namespace orbel::res
