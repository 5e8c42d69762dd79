// The module, the single-instance mutex, the locale, libraries, versions,
// icon resources, errors and file names.
#include "ports/win32/win32Native.h"

#include <clocale>

namespace orbel::win32 {

namespace {

// The Windows "DLLVERSIONINFO" that DllGetVersion fills.
struct NativeDllVersion {
    DWORD cbSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformID;
};
using DllGetVersionFn = HRESULT(CALLBACK*)(NativeDllVersion*);

} // namespace

std::optional<std::string> Win32Port::getModuleFileName() {
    // The long-path limit, not MAX_PATH: the core cuts it to its own buffer.
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return std::nullopt;
    path.resize(n);
    return narrow(path);
}

HMutex Win32Port::createMutex(std::string_view name) {
    return HMutex{reinterpret_cast<std::uintptr_t>(CreateMutexW(nullptr, FALSE, wide(name).c_str()))};
}

bool Win32Port::tryLockMutex(HMutex mutex) {
    // An abandoned mutex (a crashed instance) is ours now, as good as free.
    const DWORD r = WaitForSingleObject(native(mutex), 0);
    return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

void Win32Port::closeMutex(HMutex mutex) {
    if (isNull(mutex)) return;
    ReleaseMutex(native(mutex)); // fails harmlessly when not owned
    CloseHandle(native(mutex));
}

bool Win32Port::setJapaneseLocale() { return std::setlocale(LC_ALL, "Japanese") != nullptr; }

HModule Win32Port::loadLibrary(std::string_view name) {
    return handle(LoadLibraryW(wide(name).c_str()));
}

void Win32Port::freeLibrary(HModule module) {
    std::erase(m_extensionModules, module);
    if (!isNull(module)) FreeLibrary(native(module));
}

bool Win32Port::registerExtensionModule(HModule module) {
    m_extensionModules.push_back(module);
    return true;
}

std::optional<long> Win32Port::callDllGetVersion(HModule module, DllVersionInfo& info) {
    const auto fn = reinterpret_cast<DllGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(native(module), "DllGetVersion")));
    if (!fn) return std::nullopt;
    NativeDllVersion v{};
    v.cbSize = sizeof v;
    const HRESULT hr = fn(&v);
    if (SUCCEEDED(hr))
        info = DllVersionInfo{v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber, v.dwPlatformID};
    return static_cast<long>(hr);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
bool Win32Port::getVersionEx(OsVersionInfo& info, bool extended) {
    OSVERSIONINFOEXA v{};
    // The basic record is the extended one's head; its size says which.
    v.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&v))) return false;
    info.major = v.dwMajorVersion;
    info.minor = v.dwMinorVersion;
    info.build = v.dwBuildNumber;
    info.platformId = v.dwPlatformId;
    info.productType = extended ? v.wProductType : 0;
    return true;
}
#pragma GCC diagnostic pop

int Win32Port::getSystemMetrics(int index) { return GetSystemMetrics(index); }

HIcon Win32Port::loadImage(HModule module, unsigned resourceId, unsigned type, int cx, int cy,
                           unsigned flags) {
    // A null module is the program itself, then the modules registered to
    // be searched with it.
    std::vector<HINSTANCE> where;
    if (isNull(module)) {
        where.push_back(exeInstance());
        for (HModule m : m_extensionModules) where.push_back(native(m));
    } else {
        where.push_back(native(module));
    }
    for (HINSTANCE in : where) {
        if (HANDLE h = LoadImageW(in, MAKEINTRESOURCEW(resourceId), type, cx, cy, flags))
            return handle(static_cast<HICON>(h));
    }
    return HIcon{};
}

bool Win32Port::destroyIcon(HIcon icon) { return DestroyIcon(native(icon)) != 0; }

unsigned Win32Port::getLastError() { return GetLastError(); }

std::string Win32Port::formatMessage(unsigned code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = n > 0 && buffer ? narrow(std::wstring_view(buffer, n)) : std::string();
    if (buffer) LocalFree(buffer);
    return text;
}

std::filesystem::path Win32Port::nativePath(std::string_view path) {
    return std::filesystem::path(wide(path));
}

} // namespace orbel::win32
