// The recording fake port for tests.
//
// Every port call is appended to a call log in order ("name(args)"), and the
// answers are scripted through public fields. Time never moves by itself:
// tests set the Earth clock, fire timers by hand and drive modal loops with
// an idle hook. Timers can instead be handed to a real TimerService for
// thread tests.
#pragma once

#include "app/port.h"

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace orbel {

class TimerService;

class FakePort : public Port {
public:
    FakePort();
    ~FakePort() override;

    // --- the call log ---------------------------------------------------
    std::vector<std::string> calls() const;
    void clearCalls();
    // Calls whose text starts with prefix, in order.
    std::vector<std::string> callsStartingWith(std::string_view prefix) const;

    // --- scripted answers -------------------------------------------------
    std::time_t now = 1796515200; // 2026-12-06T00:00:00Z
    unsigned devCapsResult = kTimerNoError;
    TimeCaps devCaps{1, 1000000};
    unsigned beginPeriodResult = kTimerNoError;
    // timeSetEvent fails (returns 0) for timers with these delays.
    std::set<unsigned> failingTimerDelays;
    std::optional<std::string> moduleFileName = std::string("/opt/orbel/orbel.exe");
    std::set<std::string> mutexesHeldElsewhere;
    std::set<std::string> missingLibraries;
    bool extensionRegistrationFails = false;
    bool shellHasDllGetVersion = true;
    DllVersionInfo shellVersion{6, 0, 0, 0};
    long dllGetVersionResult = 0;
    bool versionQueryFails = false;
    bool extendedVersionQueryFails = false;
    OsVersionInfo osVersion{6, 1, 7601, kVerPlatformWin32Nt, kVerNtWorkstation};
    std::set<unsigned> missingIcons;
    unsigned lastError = 0;
    std::map<unsigned, std::string> errorTexts;
    // Runs when a modal loop has no message left; return false to end the
    // innermost modal loop with -1 (a test that forgets to end it can't hang).
    std::function<bool(FakePort&)> onIdle;

    // --- what happened ----------------------------------------------------
    struct Timer {
        unsigned id;
        unsigned delayMs;
        TimerProc proc;
        void* user;
        bool periodic;
    };
    std::vector<Timer> activeTimers() const;
    // The live timer with this delay, if any.
    std::optional<Timer> timerWithDelay(unsigned delayMs) const;
    // Runs a timer's callback on the calling thread; false if it is not live.
    bool fireTimer(unsigned id);
    unsigned sleptMs() const;

    struct Posted {
        Hwnd hwnd;
        unsigned msg;
        WParam wParam;
        LParam lParam;
    };
    // Messages posted and not yet delivered by a modal loop.
    std::vector<Posted> pendingMessages() const;
    std::vector<Posted> postedMessages() const; // every post ever made
    struct Box {
        std::string text;
        std::string caption;
        unsigned type;
    };
    std::vector<Box> messageBoxes() const;
    // Hands timers to a real timer service (for thread tests); null undoes.
    void useTimerService(TimerService* service);

    // --- ClockPort --------------------------------------------------------
    std::time_t time() override;
    void sleep(unsigned ms) override;
    unsigned timeGetDevCaps(TimeCaps& caps) override;
    unsigned timeBeginPeriod(unsigned ms) override;
    unsigned timeEndPeriod(unsigned ms) override;
    unsigned timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc, void* user,
                          unsigned flags) override;
    unsigned timeKillEvent(unsigned id) override;

    // --- WindowPort -------------------------------------------------------
    LResult doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) override;
    void endDialog(Hwnd hwnd, LResult result) override;
    bool postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    LResult sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) override;
    unsigned registerWindowMessage(std::string_view name) override;
    int messageBox(Hwnd owner, std::string_view text, std::string_view caption,
                   unsigned type) override;

    // --- SystemPort -------------------------------------------------------
    std::optional<std::string> getModuleFileName() override;
    HMutex createMutex(std::string_view name) override;
    bool tryLockMutex(HMutex mutex) override;
    void closeMutex(HMutex mutex) override;
    bool setJapaneseLocale() override;
    HModule loadLibrary(std::string_view name) override;
    void freeLibrary(HModule module) override;
    bool registerExtensionModule(HModule module) override;
    std::optional<long> callDllGetVersion(HModule module, DllVersionInfo& info) override;
    bool getVersionEx(OsVersionInfo& info, bool extended) override;
    int getSystemMetrics(int index) override;
    HIcon loadImage(HModule module, unsigned resourceId, unsigned type, int cx, int cy,
                    unsigned flags) override;
    bool destroyIcon(HIcon icon) override;
    unsigned getLastError() override;
    std::string formatMessage(unsigned code) override;
    std::filesystem::path nativePath(std::string_view path) override;

protected:
    void record(std::string call);

private:
    struct Window {
        WindowHandler* handler;
        bool ended = false;
        LResult result = 0;
    };
    bool deliverOne();

    mutable std::recursive_mutex m_mutex;
    std::vector<std::string> m_calls;
    std::map<unsigned, Timer> m_timers;
    unsigned m_nextTimerId = 1;
    unsigned m_sleptMs = 0;
    std::map<Hwnd, Window> m_windows;
    std::uintptr_t m_nextHandle = 0x100;
    std::vector<Posted> m_queue;
    std::vector<Posted> m_posted;
    std::vector<Box> m_boxes;
    std::map<std::string, unsigned> m_registered;
    std::map<HMutex, std::string> m_mutexes;
    std::set<HMutex> m_lockedMutexes;
    std::map<HModule, std::string> m_modules;
    TimerService* m_service = nullptr;
};

} // namespace orbel
