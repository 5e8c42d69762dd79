// The property sheet and the version resource.
#include "ports/win32/win32Native.h"

namespace orbel::win32 {

Win32Port::Win32Port() = default;
Win32Port::~Win32Port() = default;

LResult Win32Port::propertySheet(std::string_view caption, const std::vector<PropertyPage>& pages,
                                 unsigned flags) {
    if (pages.empty()) return kIdCancel;
    std::vector<PROPSHEETPAGEW> sheets(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PROPSHEETPAGEW& p = sheets[i];
        p.dwSize = sizeof p;
        p.dwFlags = PSP_DEFAULT;
        p.hInstance = exeInstance();
        p.pszTemplate = MAKEINTRESOURCEW(pages[i].templateId);
        p.pfnDlgProc = pageProc;
        p.lParam = reinterpret_cast<LPARAM>(pages[i].handler);
    }
    const std::wstring title = wide(caption);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | flags;
    header.hInstance = exeInstance();
    header.pszCaption = title.c_str();
    header.nPages = static_cast<UINT>(sheets.size());
    header.ppsp = sheets.data();
    // Positive when the user confirmed; 0 for Cancel, -1 when it failed.
    return PropertySheetW(&header) > 0 ? kIdOk : kIdCancel;
}

std::optional<std::string> Win32Port::getFileVersionInfo(std::string_view file) {
    const std::wstring name = wide(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::string block(size, '\0');
    if (!GetFileVersionInfoW(name.c_str(), 0, size, block.data())) return std::nullopt;
    return block;
}

std::optional<std::string> Win32Port::verQueryValue(const std::string& block,
                                                    std::string_view subBlock) {
    void* value = nullptr;
    UINT length = 0;
    // The function only reads the block, though older headers say otherwise.
    if (!VerQueryValueW(const_cast<char*>(block.data()), wide(subBlock).c_str(), &value,
                        &length) ||
        !value)
        return std::nullopt;
    // The string values are UTF-16 whose length counts characters with the
    // terminator; the fixed part and the translations are raw bytes.
    if (subBlock.size() > 15 && subBlock.substr(0, 15) == "\\StringFileInfo") {
        std::wstring_view text(static_cast<const wchar_t*>(value), length);
        while (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
        return narrow(text);
    }
    return std::string(static_cast<const char*>(value), length);
}

} // namespace orbel::win32
