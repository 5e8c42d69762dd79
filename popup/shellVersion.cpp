#include "popup/shellVersion.h"

#include <atomic>
#include <optional>

namespace orbel {

namespace {

// Constant-initialised, so it holds 4 before any static constructor that
// runs the check (the process-wide tray record's) can read or write it.
std::atomic<int> g_shellLevel{4};

constexpr std::uint32_t kShell5 = packVersion(5, 0);
constexpr std::uint32_t kShell6 = packVersion(6, 0);

} // namespace

std::uint32_t getDllVersion(SystemPort& system, std::string_view library) {
    const HModule module = system.loadLibrary(library);
    if (isNull(module)) return 0;

    DllVersionInfo info{};
    std::uint32_t packed = 0;
    const std::optional<long> result = system.callDllGetVersion(module, info);
    // A failing DllGetVersion may have written numbers anyway; only a success
    // code makes them an answer.
    if (result && *result >= 0) packed = packVersion(info.major, info.minor);

    system.freeLibrary(module);
    return packed;
}

int shellLevelFor(std::uint32_t packed) noexcept {
    if (packed >= kShell6) return 6;
    if (packed >= kShell5) return 5;
    return 4;
}

int shellLevel() noexcept {
    return g_shellLevel.load();
}

void checkShellLevel(SystemPort& system) {
    g_shellLevel.store(shellLevelFor(getDllVersion(system, "Shell32.dll")));
}

bool isBalloonAvailable(SystemPort& system) {
    checkShellLevel(system);
    return shellLevel() >= 5;
}

} // namespace orbel
