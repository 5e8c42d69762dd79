// CAutoScrollEdit: the search dialogs' result box (control 1015), a
// read-only multi-line edit that shows its vertical scroll bar only while
// its text is taller than the box.
//
// The port has no subclassing of a control's window procedure, so the box is
// a small object bound to its dialog and control: the search dialog sets the
// text and moves the box through it, and after each of those it re-decides
// the scroll bar. The box is read-only, so the text changes in no other way.
// UI thread only.
#pragma once

#include "app/port.h"

#include <string_view>

namespace orbel {

class CAutoScrollEdit {
public:
    explicit CAutoScrollEdit(Port& port) : m_port(port) {}

    // Binds the object to a control of a dialog (at the dialog's start).
    void attach(Hwnd dialog, int controlId) {
        m_dialog = dialog;
        m_id = controlId;
    }
    void detach() { m_dialog = Hwnd{}; }
    bool exists() const;

    // Replaces the whole text, then shows or hides the scroll bar.
    bool setText(std::string_view text);
    // Moves or resizes the box (client coordinates), then shows or hides the
    // scroll bar for the new height.
    bool move(const Rect& rect);

    // True when the lines need more height than the client area has; also
    // true when the box's font is unknown, so that nothing is ever hidden
    // without a way to scroll to it.
    bool isTextOverflowing() const;
    void updateScrollBar();

private:
    Port& m_port;
    Hwnd m_dialog{};
    int m_id = 0;
};

} // namespace orbel
