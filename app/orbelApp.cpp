#include "app/orbelApp.h"

#include "res/stringTable.h"
#include "tray/notifyIconData.h"
#include "tray/orbelDlg.h"

#include <optional>

namespace orbel {

namespace {
constexpr unsigned kResyncPeriodMs = 600000; // 10 minutes
constexpr const char* kResourceModule = "uires0.dll";
constexpr const char* kAppName = "orbel";
} // namespace

// The tray record measures the shell level as it is built, so every later
// part of the start-up sees it.
COrbelApp::COrbelApp(Port& port)
    : m_port(port), m_log(port), m_windowsClass(port),
      m_trayRecord(std::make_unique<CNotifyIconData>(port)) {}

COrbelApp::~COrbelApp() = default;

void COrbelApp::showError(unsigned id, int code) {
    std::string text(res::loadString(id));
    // '%' and '1' lie below the CP932 trail-byte range, so a byte search
    // cannot match inside a double-byte character.
    const std::string codeText = std::to_string(code);
    for (std::size_t at = text.find("%1"); at != std::string::npos;
         at = text.find("%1", at + codeText.size()))
        text.replace(at, 2, codeText);
    m_port.messageBox(Hwnd{}, text, kAppName, kMbOk | kMbIconExclamation);
}

HIcon COrbelApp::getIcon(int index, bool large, bool shared) {
    const unsigned id = (index >= 1 && index <= 11) ? 102u + static_cast<unsigned>(index) : 102u;
    const int cx = m_port.getSystemMetrics(large ? kSmCxIcon : kSmCxSmIcon);
    const int cy = m_port.getSystemMetrics(large ? kSmCyIcon : kSmCySmIcon);
    const unsigned flags = kLrDefaultSize | (shared ? kLrShared : 0u);
    return m_port.loadImage(m_hResModule, id, kImageIcon, cx, cy, flags);
}

bool COrbelApp::InitInstance() {
    // The clock must lie in the calendar's range before anything is touched;
    // both bounds themselves are fine.
    const std::time_t now = m_port.time();
    if (now < orlib::getServiceStart() || now > orlib::getServiceEnd()) {
        showError(res::IDS_BAD_CLOCK, 0);
        return false;
    }

    initPaths();

    // A second instance leaves without a word and without touching the
    // settings file.
    const HMutex mutex = m_port.createMutex(m_exeName + ".Quil");
    if (!isNull(mutex) && !m_port.tryLockMutex(mutex)) {
        m_port.closeMutex(mutex);
        return false;
    }
    if (isNull(mutex)) {
        // Without a lock we cannot tell whether another copy runs; starting
        // is better than never starting at all.
        ORBEL_LOG(m_log, "createMutex failed");
    }
    auto releaseMutex = [&] {
        if (!isNull(mutex)) m_port.closeMutex(mutex);
    };

    m_port.setJapaneseLocale();
    orlib::orlibsetlocale();

    m_hResModule = m_port.loadLibrary(kResourceModule);
    if (isNull(m_hResModule)) {
        showError(res::IDS_START_FAILED, 16);
        releaseMutex();
        return false;
    }
    if (!m_port.registerExtensionModule(m_hResModule)) {
        showError(res::IDS_START_FAILED, 32);
        m_port.freeLibrary(m_hResModule);
        m_hResModule = HModule{};
        releaseMutex();
        return false;
    }

    {
        std::lock_guard lock(m_clockLock);
        m_texts.clearTexts();
    }
    loadSettings();

    std::optional<COrbelDlg> mainDlg(std::in_place, *this);

    unsigned resyncTimer = 0;
    if (const unsigned rc = setupTimerPeriod(); rc != 0) {
        showError(res::IDS_START_FAILED, static_cast<int>(rc));
    } else {
        resyncTimer = m_port.timeSetEvent(kResyncPeriodMs, m_timerResolution,
                                          &COrbelApp::CALLBACK_resync, this, kTimePeriodic);
        if (resyncTimer == 0) {
            showError(res::IDS_START_FAILED, 4);
        } else if (const unsigned rc2 = startTicker(); rc2 != 0) {
            showError(res::IDS_START_FAILED, static_cast<int>(rc2));
        } else {
            mainDlg->DoModal();
        }
    }

    // Teardown, in this order on every way out from here.
    if (!isNull(m_hResModule)) {
        m_port.freeLibrary(m_hResModule);
        m_hResModule = HModule{};
    }
    if (resyncTimer != 0) m_port.timeKillEvent(resyncTimer);
    stopTicker();
    endTimerPeriod();
    mainDlg.reset();
    releaseMutex();
    return false;
}

} // namespace orbel
