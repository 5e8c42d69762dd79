// The Qt port's system side: the Earth clock and the multimedia timers, the
// executable's path, the single-instance lock file, the locale, the pseudo
// modules and their versions, icons drawn from the artwork, errors and file
// names. The watchers of system events are in qtSystemWatchers.cpp.
#include "ports/qt/qtPortImpl.h"

#include "common/cp932.h"
#include "res/artwork.h"

#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orbel::qt {

namespace {

thread_local unsigned t_lastError = 0;

constexpr unsigned kMmSysErrInvalParam = 11; // MMSYSERR_INVALPARAM
constexpr unsigned kDllVerPlatformNt = 2;    // DLLVER_PLATFORM_NT
constexpr int kSmCxScreen = 0;
constexpr int kSmCyScreen = 1;
constexpr int kLargeIcon = 32;
// The tray draws its picture at this size; trays of 22 or 24 pixels show it
// centred and sharp, where a scaled copy would blur its one-pixel bar.
constexpr int kSmallIcon = 16;

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool onGuiThread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool isAbsolute(const char* value) {
    return value && value[0] == '/';
}

} // namespace

void UniqueFd::reset(int fd) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

void setLastError(int error) {
    t_lastError = static_cast<unsigned>(error);
}
unsigned lastError() {
    return t_lastError;
}

std::filesystem::path executablePath() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) setLastError(ec.value());
    return ec ? std::filesystem::path() : exe;
}

std::filesystem::path lockDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); isAbsolute(runtime)) {
        struct stat st {};
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && ::access(runtime, W_OK | X_OK) == 0)
            return runtime;
    }
    // /tmp is shared: the folder must be ours, a real folder and private,
    // or someone else could hold our lock or read its name.
    const std::filesystem::path dir = "/tmp/orbel-" + std::to_string(::getuid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return {};
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        errno = EACCES;
        return {};
    }
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return {};
    return dir;
}

std::filesystem::path relocatedPath(const std::filesystem::path& file,
                                    const std::filesystem::path& exeDir, bool exeDirWritable,
                                    const std::function<const char*(const char*)>& env) {
    if (exeDirWritable) return file;
    if (file.parent_path().lexically_normal() != exeDir.lexically_normal()) return file;
    const std::string ext = file.extension().string();
    const bool ini = ext == ".ini";
    if (!ini && ext != ".log") return file;

    std::filesystem::path base;
    if (const char* xdg = env(ini ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME"); isAbsolute(xdg)) {
        base = xdg;
    } else if (const char* home = env("HOME"); isAbsolute(home)) {
        base = std::filesystem::path(home) / (ini ? ".config" : ".local/state");
    } else {
        return file; // nowhere better to go
    }
    return base / "orbel" / file.filename();
}

// --- ClockPort --------------------------------------------------------------

std::time_t QtPort::time() {
    return std::time(nullptr);
}

void QtPort::sleep(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

unsigned QtPort::timeGetDevCaps(TimeCaps& caps) {
    const TimerCaps limits = TimerService::caps();
    caps.periodMin = limits.periodMin;
    caps.periodMax = limits.periodMax;
    return kTimerNoError;
}

// The service always aims at exact deadlines, so a period only has to be
// one it can serve.
unsigned QtPort::timeBeginPeriod(unsigned ms) {
    const TimerCaps limits = TimerService::caps();
    return ms >= limits.periodMin && ms <= limits.periodMax ? kTimerNoError : kTimerNoCanDo;
}

unsigned QtPort::timeEndPeriod(unsigned ms) {
    return timeBeginPeriod(ms);
}

unsigned QtPort::timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc, void* user,
                              unsigned flags) {
    const unsigned id = m_impl->system.timers.setEvent(delayMs, resolutionMs, proc, user,
                                                       (flags & kTimePeriodic) != 0);
    if (id == 0) setLastError(EINVAL);
    return id;
}

unsigned QtPort::timeKillEvent(unsigned id) {
    return m_impl->system.timers.killEvent(id) ? kTimerNoError : kMmSysErrInvalParam;
}

// --- SystemPort -------------------------------------------------------------

std::optional<std::string> QtPort::getModuleFileName() {
    const std::filesystem::path exe = executablePath();
    if (exe.empty()) return std::nullopt;
    const std::string cp932 = text::utf8ToCp932(exe.string());
    // A name CP932 cannot spell would come back as another file's name.
    if (text::cp932ToUtf8(cp932) != exe.string()) {
        setLastError(EILSEQ);
        return std::nullopt;
    }
    return cp932;
}

HMutex QtPort::createMutex(std::string_view name) {
    std::string file = text::cp932ToUtf8(name);
    for (char& c : file)
        if (c == '/') c = '_';
    if (file.empty() || file == "." || file == "..") {
        setLastError(EINVAL);
        return HMutex{};
    }
    const std::filesystem::path dir = lockDirectory();
    if (dir.empty()) {
        setLastError(errno);
        return HMutex{};
    }
    UniqueFd fd(::open((dir / file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) {
        setLastError(errno);
        return HMutex{};
    }
    SystemState& s = m_impl->system;
    std::lock_guard lock(s.lockMutex);
    const HMutex handle{s.nextLock++};
    s.locks.emplace(handle, std::move(fd));
    return handle;
}

bool QtPort::tryLockMutex(HMutex mutex) {
    SystemState& s = m_impl->system;
    std::lock_guard lock(s.lockMutex);
    const auto it = s.locks.find(mutex);
    if (it == s.locks.end()) {
        setLastError(EBADF);
        return false;
    }
    if (::flock(it->second.get(), LOCK_EX | LOCK_NB) == 0) return true;
    setLastError(errno);
    return false;
}

// The file stays: removing it could let a third process lock a new file of
// the same name while a second still holds the old one.
void QtPort::closeMutex(HMutex mutex) {
    SystemState& s = m_impl->system;
    std::lock_guard lock(s.lockMutex);
    s.locks.erase(mutex);
}

bool QtPort::setJapaneseLocale() {
    // Whichever Japanese locale the system has; without one, the UTF-8 C
    // locale still lets the C library handle our texts. Never a reason not
    // to start.
    for (const char* name : {"ja_JP.UTF-8", "ja_JP.utf8", "ja_JP.UTF8", "C.UTF-8", "C.utf8"})
        if (std::setlocale(LC_ALL, name)) return true;
    return true;
}

HModule QtPort::loadLibrary(std::string_view name) {
    if (equalsNoCase(name, "uires0.dll")) return kResourceModule;
    if (equalsNoCase(name, "shell32.dll")) return kShellModule;
    setLastError(ENOENT);
    return HModule{};
}

void QtPort::freeLibrary(HModule) {}

bool QtPort::registerExtensionModule(HModule) {
    return true;
}

std::optional<long> QtPort::callDllGetVersion(HModule module, DllVersionInfo& info) {
    if (module != kShellModule) {
        setLastError(ENOSYS);
        return std::nullopt;
    }
    // Balloons exist (shell 6.0) exactly where a desktop notification can
    // be shown.
    info = DllVersionInfo{};
    info.major = desktopNotificationsAvailable() ? 6 : 4;
    info.platformId = kDllVerPlatformNt;
    return 0;
}

// Windows 7, a workstation: every feature the core switches by version
// (live tooltips, balloons, the screen saver query) is on.
bool QtPort::getVersionEx(OsVersionInfo& info, bool extended) {
    info = OsVersionInfo{};
    info.major = 6;
    info.minor = 1;
    info.build = 7601;
    info.platformId = kVerPlatformWin32Nt;
    if (extended) info.productType = kVerNtWorkstation;
    return true;
}

int QtPort::getSystemMetrics(int index) {
    switch (index) {
    case kSmCxIcon:
    case kSmCyIcon:
        return kLargeIcon;
    case kSmCxSmIcon:
    case kSmCySmIcon:
        return kSmallIcon;
    case kSmCxScreen:
    case kSmCyScreen:
        if (!onGuiThread()) return 0;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return index == kSmCxScreen ? screen->geometry().width() : screen->geometry().height();
        return 0;
    default:
        return 0;
    }
}

HIcon QtPort::loadImage(HModule module, unsigned resourceId, unsigned type, int cx, int cy,
                        unsigned flags) {
    const bool known = (module == kResourceModule && resourceId >= res::IDI_PHASE_FIRST &&
                        resourceId <= res::IDI_PHASE_LAST) ||
                       (isNull(module) && resourceId == res::IDR_MAINFRAME);
    if (type != kImageIcon || !known) {
        setLastError(ENOENT);
        return HIcon{};
    }
    // The artwork is square; a zero size means the system's large size.
    const int size = cx > 0 ? cx : (cy > 0 ? cy : kLargeIcon);
    SystemState& s = m_impl->system;
    const auto key = std::make_tuple(module, resourceId, size);
    if (flags & kLrShared) {
        std::lock_guard lock(s.iconMutex);
        if (const auto it = s.sharedIcons.find(key); it != s.sharedIcons.end()) return it->second;
    }
    const gfx::IconImage image = res::iconResource(resourceId, size);
    if (image.color.empty()) {
        setLastError(ENOENT);
        return HIcon{};
    }
    const HIcon icon = addIcon(image);
    if (isNull(icon)) {
        setLastError(ENOMEM);
        return icon;
    }
    if (flags & kLrShared) {
        std::lock_guard lock(s.iconMutex);
        s.sharedIcons.emplace(key, icon);
    }
    return icon;
}

bool QtPort::destroyIcon(HIcon icon) {
    {
        SystemState& s = m_impl->system;
        std::lock_guard lock(s.iconMutex);
        for (const auto& [key, shared] : s.sharedIcons)
            if (shared == icon) return true; // shared icons live as long as we do
    }
    if (removeIcon(icon)) return true;
    setLastError(EINVAL);
    return false;
}

unsigned QtPort::getLastError() {
    return lastError();
}

std::string QtPort::formatMessage(unsigned code) {
    if (code == 0) return {};
    char buffer[256];
    const char* message = ::strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    // The C library speaks the locale's code set: UTF-8 after
    // setJapaneseLocale, plain ASCII in the C locale (the same bytes in
    // CP932).
    const std::string_view codeset = ::nl_langinfo(CODESET);
    return codeset == "UTF-8" ? text::utf8ToCp932(message) : std::string(message);
}

std::filesystem::path QtPort::nativePath(std::string_view path) {
    const std::filesystem::path native(text::cp932ToUtf8(path));
    const std::string ext = native.extension().string();
    if (ext != ".ini" && ext != ".log") return native;
    const std::filesystem::path exe = executablePath();
    if (exe.empty()) return native;
    const std::filesystem::path dir = exe.parent_path();
    const bool writable = ::access(dir.c_str(), W_OK) == 0;
    const std::filesystem::path moved =
        relocatedPath(native, dir, writable, [](const char* name) { return std::getenv(name); });
    if (moved == native) return native;
    std::error_code ec;
    std::filesystem::create_directories(moved.parent_path(), ec);
    if (ec) setLastError(ec.value());
    return moved;
}

} // namespace orbel::qt
