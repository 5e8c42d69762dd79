// Private state of qtSystem.cpp and qtSystemWatchers.cpp: the multimedia
// timers, the single-instance lock files, the pseudo modules, the shared
// icons, and the watchers that turn clock changes, screen changes, signals
// and the end of the session into the main window's messages. Included only
// through qtPortImpl.h; the helpers below are also reached by the port's
// tests.
#pragma once

#include "app/winTypes.h"
#include "common/timerService.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

class QSocketNotifier;

namespace orbel::qt {

// A file descriptor with one owner; closed when the owner goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// The libraries the core asks for by name exist here only as pseudo
// modules: the resource module's icons are drawn by res/artwork, and the
// shell's version tells whether desktop notifications exist.
inline constexpr HModule kResourceModule{0x0052'4553};
inline constexpr HModule kShellModule{0x0053'4845};

struct SystemState {
    SystemState();
    ~SystemState();

    // The one callback thread of every multimedia timer.
    TimerService timers;

    // Lock files by handle; closing the descriptor releases the lock, and
    // the kernel does the same when the process dies.
    std::mutex lockMutex;
    std::map<HMutex, UniqueFd> locks;
    std::uintptr_t nextLock = 1;

    // LR_SHARED icons: one handle per module, resource and size, kept for
    // the process's life like the platform's shared icons.
    std::mutex iconMutex;
    std::map<std::tuple<HModule, unsigned, int>, HIcon> sharedIcons;

    // Watchers (UI thread). Notifiers go before their descriptors.
    UniqueFd timeChangeFd;
    UniqueFd signalRead;
    UniqueFd signalWrite;
    std::unique_ptr<QSocketNotifier> timeChangeNotifier;
    std::unique_ptr<QSocketNotifier> signalNotifier;
    bool watchersStarted = false;
    bool quitRequested = false;
};

// The calling thread's last error (an errno value), as getLastError answers
// it; every failing operation of the port records its cause here.
void setLastError(int error);
unsigned lastError();

// The folder of the lock files: $XDG_RUNTIME_DIR when it is a usable
// folder, else a private folder (mode 0700) under /tmp that we own. Empty
// when neither can be had (errno set).
std::filesystem::path lockDirectory();

// Where a settings (".ini") or log (".log") file beside the executable
// really goes: beside it while `exeDir` is writable, else
// $XDG_CONFIG_HOME/orbel/<name>.ini or $XDG_STATE_HOME/orbel/<name>.log
// (defaults ~/.config and ~/.local/state). Other files, and files in other
// folders, stay where they are. `env` reads an environment variable (null
// when unset); the folders are not created here.
std::filesystem::path relocatedPath(const std::filesystem::path& file,
                                    const std::filesystem::path& exeDir, bool exeDirWritable,
                                    const std::function<const char*(const char*)>& env);

// The running executable's path (UTF-8), empty when it cannot be read.
std::filesystem::path executablePath();

} // namespace orbel::qt
