// The shell version check: the version of the shell library reduced to a
// shell level, 4 (older than 5.0, or unknown), 5 (5.x) or 6 (6.0 and later).
// Balloon tips and the larger tray record that carries them exist from
// level 5 on.
//
// The tray icon record's constructor runs checkShellLevel and picks its
// layout by shellLevel(); the settings store and the notification page ask
// isBalloonAvailable. Every failure reads as an old shell, never as an error.
#pragma once

#include "app/port.h"

#include <cstdint>
#include <string_view>

namespace orbel {

// Packed versions: major in the high 16 bits, minor in the low 16 bits.
inline constexpr std::uint32_t packVersion(std::uint32_t major, std::uint32_t minor) noexcept {
    return (major & 0xFFFFu) << 16 | (minor & 0xFFFFu);
}

// The library's packed version as its DllGetVersion export reports it; 0 when
// the library cannot be loaded, has no such export or the call fails. The
// library is released again before returning.
std::uint32_t getDllVersion(SystemPort& system, std::string_view library);

// The shell level for a packed version.
int shellLevelFor(std::uint32_t packed) noexcept;

// The process-wide level; 4 until the first check.
int shellLevel() noexcept;

// Sets the level from the version of "Shell32.dll".
void checkShellLevel(SystemPort& system);

// Checks again and answers whether balloon tips can be used (level 5 or 6).
bool isBalloonAvailable(SystemPort& system);

} // namespace orbel
