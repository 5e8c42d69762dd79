#include "app/aboutDlg.h"

#include "app/orbelApp.h"
#include "res/versionInfo.h"

#include <cstdint>

namespace orbel {

namespace {
// GetModuleFileNameA's buffer: a longer path arrives cut and names no file.
constexpr std::size_t kMaxPath = 260;

// Strings in a version block end at their terminator when the platform
// hands one over with the text.
std::string textOf(const std::string& value) {
    return value.substr(0, value.find('\0'));
}
} // namespace

std::string versionQueryPath(std::string_view name, std::optional<std::string_view> sub1,
                             std::optional<std::string_view> sub2) {
    std::string path;
    path.reserve(1 + name.size() + (sub1 ? 1 + sub1->size() : 0) + (sub2 ? 1 + sub2->size() : 0));
    path += '\\';
    path += name;
    if (sub1) {
        path += '\\';
        path += *sub1;
    }
    if (sub2) {
        path += '\\';
        path += *sub2;
    }
    return path;
}

int CAboutDlg::queryVersionValue(ControlPort& port, const std::string& block, std::string_view name,
                                 std::optional<std::string_view> sub1,
                                 std::optional<std::string_view> sub2, std::string& out) {
    std::optional<std::string> value =
        port.verQueryValue(block, versionQueryPath(name, sub1, sub2));
    if (!value) return -1;
    out = std::move(*value);
    return 0;
}

bool CAboutDlg::getVersionStrings(std::string& version, std::string& copyright) {
    Port& port = m_app.port();
    const std::optional<std::string> module = port.getModuleFileName();
    if (!module || module->empty() || module->size() >= kMaxPath) return false;

    const std::optional<std::string> block = port.getFileVersionInfo(*module);
    if (!block || block->empty()) return false;

    std::string translation;
    if (queryVersionValue(port, *block, "VarFileInfo", "Translation", std::nullopt, translation) !=
        0)
        return false;
    // The first entry: the language word, then the code page word.
    if (translation.size() < 4) return false;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(translation[i]); };
    const auto language = static_cast<std::uint16_t>(byte(0) | byte(1) << 8);
    const auto codePage = static_cast<std::uint16_t>(byte(2) | byte(3) << 8);
    const std::string key = res::translationKey(language, codePage);

    std::string value;
    if (queryVersionValue(port, *block, "StringFileInfo", key, "FileVersion", value) == 0)
        version = textOf(value);
    if (queryVersionValue(port, *block, "StringFileInfo", key, "LegalCopyright", value) == 0)
        copyright = textOf(value);
    return true;
}

void CAboutDlg::fillVersion() {
    // The copyright starts empty and is written whenever the resource could
    // be read, so a resource without one blanks the template's line.
    std::string version;
    std::string copyright;
    if (!getVersionStrings(version, copyright)) return;
    Port& port = m_app.port();
    port.setDlgItemText(m_hwnd, kVersionLine, "orbel Version " + version);
    port.setDlgItemText(m_hwnd, kCopyrightLine, copyright);
}

bool CAboutDlg::onInitDialog() {
    fillVersion();
    Port& port = m_app.port();
    port.setDlgItemText(m_hwnd, kHomePageField, res::kHomePage);
    port.setDlgItemText(m_hwnd, kContactField, res::kContactAddress);
    return true; // the default focus
}

LResult CAboutDlg::DoModal() {
    return m_app.port().doModal(kTemplateId, m_parent, *this);
}

LResult CAboutDlg::windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam) {
    switch (msg) {
    case kWmInitDialog:
        m_hwnd = hwnd;
        return onInitDialog() ? 1 : 0;
    case kWmCommand: {
        const auto id = static_cast<unsigned>(wParam & 0xFFFF);
        if (id == kIdOkCommand || id == kIdCancelCommand)
            m_app.port().endDialog(hwnd, static_cast<LResult>(id));
        return 0;
    }
    case kWmClose:
        m_app.port().endDialog(hwnd, kIdCancel);
        return 0;
    case kWmDestroy:
        m_hwnd = Hwnd{};
        return 0;
    default:
        return kDefaultProcessing;
    }
}

} // namespace orbel
