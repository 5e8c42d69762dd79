// The settings store: the "Settings" and "Search" sections of the INI file
// beside the executable. Members are the truth; each setter writes through.
#include "app/iniFile.h"
#include "app/orbelApp.h"
#include "app/timeFormats.h"
#include "popup/shellVersion.h"

#include <string_view>

namespace orbel {

namespace {
constexpr std::string_view kSettings = "Settings";
constexpr std::string_view kSearch = "Search";
constexpr std::size_t kMaxPath = 260;
constexpr unsigned kBalloonBit = 0x200000;
constexpr unsigned kDefaultNotification = 1179647; // 0x11FFFF
constexpr unsigned kDefaultTrayIcon = 255;

bool isLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Splits a module path into folder (with its separator) and base name,
// walking by characters so that a 0x5C trail byte is not taken for '\'.
void splitModulePath(const std::string& path, std::string& dir, std::string& base) {
    std::size_t nameStart = 0;
    std::size_t dot = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (isLead(c) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || c == ':') {
            nameStart = i + 1;
            dot = std::string::npos;
        } else if (c == '.') {
            dot = i;
        }
    }
    dir = path.substr(0, nameStart);
    base = path.substr(nameStart, dot == std::string::npos ? std::string::npos : dot - nameStart);
}
} // namespace

void COrbelApp::initPaths() {
    const std::optional<std::string> module = m_port.getModuleFileName();
    if (!module || module->empty() || module->size() >= kMaxPath) return;
    std::string dir, base;
    splitModulePath(*module, dir, base);
    if (base.empty()) return;
    const std::string settings = dir + base + ".ini";
    if (settings.size() >= kMaxPath) return;
    m_exeName = base;
    m_settingsPath = settings;
    m_settingsFile = m_port.nativePath(settings);
    m_log.setPath(dir + base + ".log");
}

void COrbelApp::loadSettings() {
    // One read for the whole section; a file that cannot be read gives the
    // defaults, as a missing one does.
    ini::Document doc;
    ini::readFile(m_settingsFile, doc);

    bool tip = false;
    if (getWindowsClass() >= 48) tip = doc.getInt(kSettings, "tipupdate", 1) != 0;
    setTipUpdate(tip);

    setTsMode(doc.getInt(kSettings, "tsmode", 0));

    unsigned notification =
        static_cast<unsigned>(doc.getInt(kSettings, "notification", kDefaultNotification));
    if (!isBalloonAvailable(m_port)) notification &= ~kBalloonBit;
    {
        std::lock_guard lock(m_clockLock);
        m_notification = notification;
    }

    m_notifySound = doc.get(kSettings, "notifysound").value_or("orbel.wav");

    setTrayIcon(static_cast<unsigned>(doc.getInt(kSettings, "trayicon", kDefaultTrayIcon)));
}

bool COrbelApp::writeSetting(const char* key, long long value) {
    if (ini::writeProfileString(m_settingsFile, kSettings, key, std::to_string(value))) return true;
    // The member already holds the new value, so the program goes on with
    // it; the log is the only trace that it will not survive a restart.
    ORBEL_LOG(m_log, "WritePrivateProfileString failed");
    return false;
}

bool COrbelApp::setTipUpdate(bool on) {
    m_tipUpdate = on;
    return writeSetting("tipupdate", on ? 1 : 0);
}

bool COrbelApp::setTsMode(int mode) {
    const int step = timeFormatsFor(mode).stepSeconds;
    {
        std::lock_guard lock(m_clockLock);
        m_texts.setFormats(mode);
        m_tickStep = orlib::gtime_t{};
        m_tickStep.sec = step;
        m_tickPeriod = static_cast<unsigned>(40.0 * step);
    }
    m_tsMode = mode;
    return writeSetting("tsmode", mode);
}

bool COrbelApp::setNotification(unsigned bits) {
    {
        std::lock_guard lock(m_clockLock);
        m_notification = bits;
    }
    // Written as signed decimal, as the profile functions read it back.
    return writeSetting("notification", static_cast<int>(bits));
}

bool COrbelApp::setTrayIcon(unsigned bits) {
    {
        std::lock_guard lock(m_clockLock);
        m_trayIcon = bits;
    }
    return writeSetting("trayicon", static_cast<int>(bits));
}

unsigned COrbelApp::notification() const {
    std::lock_guard lock(m_clockLock);
    return m_notification;
}

unsigned COrbelApp::trayIcon() const {
    std::lock_guard lock(m_clockLock);
    return m_trayIcon;
}

int COrbelApp::getSearchInt(const char* key, int def) {
    return ini::getProfileInt(m_settingsFile, kSearch, key, def);
}

bool COrbelApp::setSearchInt(const char* key, int value) {
    if (ini::writeProfileInt(m_settingsFile, kSearch, key, value)) return true;
    ORBEL_LOG(m_log, "WritePrivateProfileString failed");
    return false;
}

} // namespace orbel
