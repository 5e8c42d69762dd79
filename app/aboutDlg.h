// CAboutDlg: the About box (template 100). It shows the version and
// copyright lines read at open time from the executable's own version
// resource, through the port, and the author's home page and contact
// address. The main window runs it from the tray menu (through
// runTrayDialog) and from its system menu (directly). UI thread only.
#pragma once

#include "app/port.h"
#include "tray/trayDialogs.h"

#include <optional>
#include <string>
#include <string_view>

namespace orbel {

class COrbelApp;

class CAboutDlg : public TrayDialog, public WindowHandler {
public:
    static constexpr unsigned kTemplateId = IDD_ABOUTBOX;
    static constexpr int kVersionLine = 1008;
    static constexpr int kCopyrightLine = 1009;
    static constexpr int kHomePageField = 1011;
    static constexpr int kContactField = 1012;

    CAboutDlg(COrbelApp& app, Hwnd parent) : m_app(app), m_parent(parent) {}

    LResult DoModal() override;
    Hwnd hwnd() const override { return m_hwnd; }
    LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;

    // The FileVersion and LegalCopyright texts of the first translation of
    // the executable's version resource. False when the module, its
    // resource or its translation table cannot be read; a string whose own
    // query fails is left as it was.
    bool getVersionStrings(std::string& version, std::string& copyright);

    // Asks the port for "\name[\sub1[\sub2]]" in a version block: 0 with the
    // value in `out`, -1 (out untouched) when the block has no such value.
    static int queryVersionValue(ControlPort& port, const std::string& block, std::string_view name,
                                 std::optional<std::string_view> sub1,
                                 std::optional<std::string_view> sub2, std::string& out);

private:
    bool onInitDialog();
    void fillVersion();

    COrbelApp& m_app;
    Hwnd m_parent;
    Hwnd m_hwnd{};
};

// The query path for a version value: "\StringFileInfo\041104b0\FileVersion"
// for ("StringFileInfo", "041104b0", "FileVersion").
std::string versionQueryPath(std::string_view name, std::optional<std::string_view> sub1,
                             std::optional<std::string_view> sub2);

} // namespace orbel
