// The Windows resource scripts, written from the res/ data by the host tool
// orbel_rcgen while the Windows program builds: nothing in them is typed
// by hand. The scripts are pure ASCII: every text goes out as a wide
// literal whose non-ASCII characters are \x escapes of UTF-16 code units,
// so the resource compiler's own code page never touches a Japanese text.
// Called by rcgen.cpp and the tests; pure functions. Bad data (a text that
// is not CP932, flags that contradict the style bits, an unknown id) is
// refused with RcError, which the tool reports and exits on.
#pragma once

#include "res/dialogs.h"
#include "res/menu.h"
#include "res/stringTable.h"
#include "res/versionInfo.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orbel::rc {

class RcError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The dialogs, menu and string ids the program's script holds.
inline constexpr unsigned kDialogIds[] = {100, 102, 145, 149, 150, 151, 152};
inline constexpr unsigned kMenuId = res::IDR_TRAYMENU;
inline constexpr unsigned kFirstStringId = res::IDS_ABOUTBOX;
inline constexpr unsigned kLastStringId = res::IDS_SETTINGS_TITLE;

// The manifest's own identity; its description is the version resource's.
inline constexpr std::string_view kAssemblyName = "Quil.orbel.orbel";
inline constexpr std::string_view kAssemblyVersion = "1.0.0.0";

// A CP932 text as UTF-16 code units; RcError when it is not valid CP932 or
// holds a NUL.
std::u16string cp932ToUtf16(std::string_view cp932);

// A CP932 text as a wide resource-script literal, quotes included:
// printable ASCII as itself, `"` doubled, `\` doubled, CR, LF and tab as
// \r, \n and \t, everything else as \xHHHH. `&` stays: in the data it
// already marks the mnemonic.
std::string rcLiteral(std::string_view cp932);

// One DIALOGEX statement, its controls in template order.
std::string dialogScript(const res::DialogTemplate& dialog);
// The MENU statement of a menu resource.
std::string menuScript(unsigned id);
// One STRINGTABLE holding the ids first..last.
std::string stringTableScript(unsigned first, unsigned last);
// The VERSIONINFO statement; its fixed fields are read back from the same
// 52 bytes the other ports hand out, so both agree bit for bit.
std::string versionScript(const res::VersionResource& version);
// The application manifest (UTF-8 XML).
std::string manifestXml(const res::VersionResource& version);

// The files the program's script names beside itself.
inline constexpr std::string_view kExeIconFile = "orbel.ico";
inline constexpr std::string_view kManifestFile = "orbel.manifest";
// The phase icon file of a resource id ("phase102.ico").
std::string phaseIconFile(unsigned id);

// orbel.rc: every dialog, the menu, the strings, icon 128, the version and
// the manifest, all in the Japanese language.
std::string exeScript();
// uires0.rc: the phase icons 102..113.
std::string resourceDllScript();

// String table block `block` (ids (block-1)*16 .. block*16-1) exactly as
// Windows stores it: sixteen UTF-16LE strings, each after its length word.
// Lets a check compare what the resource compiler made of our literals
// with the texts themselves.
std::string stringBlock(unsigned block);

} // namespace orbel::rc
