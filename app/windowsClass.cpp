#include "app/windowsClass.h"

namespace orbel {

namespace {

int classifyNt(SystemPort& system, const OsVersionInfo& basic) {
    if (basic.major == 3) return kWinClassNt3;
    if (basic.major == 4) return kWinClassNt4;
    if (basic.major < 5) return kWinClassUnknown;
    if (basic.minor == 0) return kWinClassNtMinor0;
    if (basic.minor == 1) return kWinClassNtWorkstation;

    // From minor 2 on the version alone no longer tells a workstation from a
    // server; only the extended record carries the product type.
    OsVersionInfo extended;
    if (!system.getVersionEx(extended, true)) return kWinClassUnknown;
    switch (extended.productType) {
    case kVerNtWorkstation:
        return kWinClassNtWorkstation;
    case kVerNtDomainController:
    case kVerNtServer:
        return kWinClassNtServer;
    default:
        return kWinClassUnknown;
    }
}

int classify9x(const OsVersionInfo& basic) {
    if (basic.major != 4) return kWinClassUnknown;
    switch (basic.minor) {
    case 0:
        return kWinClass95;
    case 10:
        return kWinClass98;
    case 90:
        return kWinClassMe;
    default:
        return kWinClassUnknown;
    }
}

} // namespace

int queryWindowsClass(SystemPort& system) {
    OsVersionInfo basic;
    if (!system.getVersionEx(basic, false)) return kWinClassUnknown;
    // Every platform other than NT is judged like the 9x line, by its version
    // numbers alone.
    if (basic.platformId == kVerPlatformWin32Nt) return classifyNt(system, basic);
    return classify9x(basic);
}

int WindowsClass::get() {
    std::call_once(m_once, [this] { m_class = queryWindowsClass(m_system); });
    return m_class;
}

} // namespace orbel
