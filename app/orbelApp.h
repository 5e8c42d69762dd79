// COrbelApp: the application object. InitInstance is the program's whole
// life: it checks the clock, takes the single-instance mutex, loads the
// resource module and the settings, starts the timers, runs the hidden main
// window until the user quits and tears everything down in a fixed order.
//
// It also owns the state the other subsystems read: the current Orithaven
// moment, the three display texts, the tick and its timers, and the
// settings. The game clock's state is shared with the timer thread and
// guarded by one lock (see gameClock.cpp); everything else is UI-thread only.
#pragma once

#include "app/logFile.h"
#include "app/port.h"
#include "app/timeTexts.h"
#include "app/windowsClass.h"

#include <orlib/orlib.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace orbel {

class CNotifyIconData;

// Posted to the main window when a resynchronisation could not restart the
// ticker: the UI thread shows the fatal box and ends the program, so the
// timer thread never waits on it (a teardown on the UI thread may be
// waiting for that very callback).
inline constexpr unsigned kWmClockLost = kWmApp + 4;

class COrbelApp {
public:
    explicit COrbelApp(Port& port);
    ~COrbelApp();
    COrbelApp(const COrbelApp&) = delete;
    COrbelApp& operator=(const COrbelApp&) = delete;

    // The whole run; always false, like a dialog-based program's start-up.
    bool InitInstance();

    // The fatal error box: string `id` with "%1" replaced by `code`.
    void showError(unsigned id, int code);
    // A phase icon (102 + index for 1..11, else 102) from the resource module.
    HIcon getIcon(int index, bool large, bool shared);

    // --- settings (settingsStore.cpp) -------------------------------------
    void initPaths();
    void loadSettings();
    bool setTipUpdate(bool on);
    bool setTsMode(int mode);
    bool setNotification(unsigned bits);
    bool setTrayIcon(unsigned bits);
    // Section "Search" of the same file, for the search dialogs.
    int getSearchInt(const char* key, int def);
    bool setSearchInt(const char* key, int value);

    // --- game clock (gameClock.cpp) ---------------------------------------
    unsigned setupTimerPeriod();
    void endTimerPeriod();
    unsigned startTicker();
    void stopTicker();
    bool isTickerRunning() const;
    // Stops and starts the ticker as one step that never interleaves with a
    // restart on another thread; returns startTicker's code.
    unsigned restartTicker();
    void onTick();
    void onResync();

    // --- display texts: copies taken under the clock's lock ---------------
    std::string getTipText() const;
    std::string getGameLineText() const;
    std::string getEarthLineText() const;
    // The same without allocating: copies into a caller's buffer (cut on a
    // character boundary) and returns the bytes copied.
    std::size_t copyTipText(char* out, std::size_t cap) const;
    // A copy of the current Orithaven moment.
    orlib::odate_t currentDate() const;

    // The main window that the ticker posts to; null when there is none.
    void setMainWindow(Hwnd hwnd) { m_mainWnd.store(hwnd); }
    Hwnd mainWindow() const { return m_mainWnd.load(); }

    Port& port() { return m_port; }
    // The process's one tray icon record.
    CNotifyIconData& trayRecord() { return *m_trayRecord; }
    LogFile& log() { return m_log; }
    int getWindowsClass() { return m_windowsClass.get(); }
    const std::string& exeName() const { return m_exeName; }
    const std::string& settingsPath() const { return m_settingsPath; }
    std::string_view logPath() const { return m_log.path(); }

    // Settings and tick values (read on the UI thread; the tick reads the
    // two bit sets under the clock lock).
    int tsMode() const { return m_tsMode; }
    bool tipUpdate() const { return m_tipUpdate; }
    unsigned notification() const;
    unsigned trayIcon() const;
    const std::string& notifySound() const { return m_notifySound; }
    unsigned tickPeriod() const;
    unsigned timerResolution() const { return m_timerResolution; }
    HModule resourceModule() const { return m_hResModule; }

private:
    friend class AppTestAccess; // tests/support/appAccess.h

    bool writeSetting(const char* key, long long value);
    static void CALLBACK_tick(unsigned id, void* user);
    static void CALLBACK_resync(unsigned id, void* user);

    Port& m_port;
    LogFile m_log;
    WindowsClass m_windowsClass;
    std::unique_ptr<CNotifyIconData> m_trayRecord;

    // Guarded by m_clockLock: the moment, the texts and formats, the step
    // and period, the ticker id and the two bit sets the tick posts.
    mutable std::mutex m_clockLock;
    orlib::odate_t m_curDate;
    orlib::gtime_t m_tickStep;
    unsigned m_tickerId = 0;
    unsigned m_tickPeriod = 40;
    TimeTexts m_texts;
    unsigned m_notification = 0;
    unsigned m_trayIcon = 0;

    // Serialises restarts (stop + start) between the UI and timer threads.
    std::recursive_mutex m_restartLock;

    unsigned m_timerResolution = 1;
    int m_tsMode = -1;
    bool m_tipUpdate = false;
    HModule m_hResModule{};
    std::string m_notifySound;
    std::atomic<Hwnd> m_mainWnd{Hwnd{}};

    std::string m_exeName = "orbel";
    std::string m_settingsPath = "orbel.ini";
    std::filesystem::path m_settingsFile{"orbel.ini"};
};

} // namespace orbel
