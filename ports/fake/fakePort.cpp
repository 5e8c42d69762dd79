#include "ports/fake/fakePort.h"

#include "common/timerService.h"

namespace orbel {

namespace {
std::string num(std::uintptr_t v) {
    return std::to_string(v);
}
} // namespace

FakePort::FakePort() = default;
FakePort::~FakePort() = default;

// The name a module was loaded under, without adding unknown ones.
std::string FakePort::moduleName(HModule module) const {
    if (isNull(module)) return "exe";
    auto it = m_modules.find(module);
    return it == m_modules.end() ? std::string("unknown") : it->second;
}

void FakePort::record(std::string call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
}

std::vector<std::string> FakePort::calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void FakePort::clearCalls() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

std::vector<std::string> FakePort::callsStartingWith(std::string_view prefix) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& c : m_calls)
        if (std::string_view(c).substr(0, prefix.size()) == prefix) out.push_back(c);
    return out;
}

std::vector<FakePort::Timer> FakePort::activeTimers() const {
    std::lock_guard lock(m_mutex);
    std::vector<Timer> out;
    for (const auto& [id, t] : m_timers)
        out.push_back(t);
    return out;
}

std::optional<FakePort::Timer> FakePort::timerWithDelay(unsigned delayMs) const {
    std::lock_guard lock(m_mutex);
    for (const auto& [id, t] : m_timers)
        if (t.delayMs == delayMs) return t;
    return std::nullopt;
}

bool FakePort::fireTimer(unsigned id) {
    Timer t;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_timers.find(id);
        if (it == m_timers.end()) return false;
        t = it->second;
        if (!t.periodic) m_timers.erase(it);
    }
    t.proc(t.id, t.user);
    return true;
}

unsigned FakePort::sleptMs() const {
    std::lock_guard lock(m_mutex);
    return m_sleptMs;
}

std::vector<FakePort::Posted> FakePort::pendingMessages() const {
    std::lock_guard lock(m_mutex);
    return m_queue;
}

std::vector<FakePort::Posted> FakePort::postedMessages() const {
    std::lock_guard lock(m_mutex);
    return m_posted;
}

std::vector<FakePort::Box> FakePort::messageBoxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

void FakePort::useTimerService(TimerService* service) {
    std::lock_guard lock(m_mutex);
    m_service = service;
}

// --- ClockPort ------------------------------------------------------------

std::time_t FakePort::time() {
    std::lock_guard lock(m_mutex);
    return now;
}

void FakePort::sleep(unsigned ms) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("sleep(" + num(ms) + ")");
    m_sleptMs += ms;
}

unsigned FakePort::timeGetDevCaps(TimeCaps& caps) {
    record("timeGetDevCaps");
    std::lock_guard lock(m_mutex);
    if (devCapsResult == kTimerNoError) caps = devCaps;
    return devCapsResult;
}

unsigned FakePort::timeBeginPeriod(unsigned ms) {
    record("timeBeginPeriod(" + num(ms) + ")");
    std::lock_guard lock(m_mutex);
    return beginPeriodResult;
}

unsigned FakePort::timeEndPeriod(unsigned ms) {
    record("timeEndPeriod(" + num(ms) + ")");
    return kTimerNoError;
}

unsigned FakePort::timeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc, void* user,
                                unsigned flags) {
    const bool periodic = (flags & kTimePeriodic) != 0;
    std::lock_guard lock(m_mutex);
    unsigned id = 0;
    if (!failingTimerDelays.count(delayMs) && proc != nullptr) {
        if (m_service) {
            id = m_service->setEvent(delayMs, resolutionMs, proc, user, periodic);
        } else {
            id = m_nextTimerId++;
            m_timers[id] = Timer{id, delayMs, proc, user, periodic};
        }
    }
    m_calls.push_back("timeSetEvent(" + num(delayMs) + "," + num(resolutionMs) + "," +
                      (periodic ? "periodic" : "oneshot") + ")=" + num(id));
    return id;
}

unsigned FakePort::timeKillEvent(unsigned id) {
    TimerService* service;
    bool known;
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("timeKillEvent(" + num(id) + ")");
        service = m_service;
        known = m_timers.erase(id) > 0;
    }
    // Outside our lock: the service may wait for a running callback, which
    // may itself be calling into this port.
    if (service) known = service->killEvent(id);
    return known ? kTimerNoError : kTimerNoCanDo;
}

// --- WindowPort -----------------------------------------------------------

bool FakePort::deliverOne() {
    Posted p;
    WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.empty()) return false;
        p = m_queue.front();
        m_queue.erase(m_queue.begin());
        auto it = m_windows.find(p.hwnd);
        if (it != m_windows.end()) handler = it->second.handler;
    }
    if (handler) handler->windowProc(p.hwnd, p.msg, p.wParam, p.lParam);
    return true;
}

LResult FakePort::doModal(unsigned templateId, Hwnd parent, WindowHandler& handler) {
    Hwnd hwnd;
    {
        std::lock_guard lock(m_mutex);
        hwnd = Hwnd{m_nextHandle++};
        m_windows[hwnd] = Window{&handler, false, 0, {}};
        if (const res::DialogTemplate* t = res::findDialogTemplate(templateId))
            m_windows[hwnd].state.rect = Rect{0, 0, t->cx * kFakeDluPixels, t->cy * kFakeDluPixels};
        attachTemplate(hwnd, templateId, parent);
        m_calls.push_back("doModal(" + num(templateId) +
                          ",parent=" + num(static_cast<std::uintptr_t>(parent)) +
                          ")=" + num(static_cast<std::uintptr_t>(hwnd)));
    }
    handler.windowProc(hwnd, kWmInitDialog, 0, 0);
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_windows[hwnd].ended) break;
        }
        if (deliverOne()) continue;
        if (!onIdle || !onIdle(*this)) {
            record("modalStalled");
            endDialog(hwnd, -1);
        }
    }
    handler.windowProc(hwnd, kWmDestroy, 0, 0);
    std::lock_guard lock(m_mutex);
    const LResult result = m_windows[hwnd].result;
    m_windows.erase(hwnd);
    detachTemplate(hwnd);
    std::erase_if(m_queue, [&](const Posted& p) { return p.hwnd == hwnd; });
    m_calls.push_back("modalEnded(" + num(static_cast<std::uintptr_t>(hwnd)) +
                      ")=" + std::to_string(result));
    return result;
}

void FakePort::endDialog(Hwnd hwnd, LResult result) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("endDialog(" + num(static_cast<std::uintptr_t>(hwnd)) + "," +
                      std::to_string(result) + ")");
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) return;
    it->second.ended = true;
    it->second.state.visible = false;
    it->second.result = result;
}

bool FakePort::postMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    std::lock_guard lock(m_mutex);
    const Posted p{hwnd, msg, wParam, lParam};
    m_posted.push_back(p);
    m_calls.push_back("postMessage(" + num(static_cast<std::uintptr_t>(hwnd)) + "," + num(msg) +
                      ")");
    if (!m_windows.count(hwnd)) return false;
    m_queue.push_back(p);
    return true;
}

LResult FakePort::handlerResult(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it != m_windows.end()) handler = it->second.handler;
    }
    return handler ? handler->windowProc(hwnd, msg, wParam, lParam) : kDefaultProcessing;
}

LResult FakePort::sendMessage(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam) {
    WindowHandler* handler = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("sendMessage(" + num(static_cast<std::uintptr_t>(hwnd)) + "," + num(msg) +
                          ")");
        auto it = m_windows.find(hwnd);
        if (it != m_windows.end()) handler = it->second.handler;
    }
    if (handler) return resultOrZero(handler->windowProc(hwnd, msg, wParam, lParam));
    // A window of the system, such as the tray's toolbar.
    std::function<LResult(Hwnd, unsigned, WParam, LParam)> foreign;
    {
        std::lock_guard lock(m_mutex);
        foreign = foreignWindowProc;
    }
    return foreign ? foreign(hwnd, msg, wParam, lParam) : 0;
}

unsigned FakePort::registerWindowMessage(std::string_view name) {
    std::lock_guard lock(m_mutex);
    auto [it, added] = m_registered.emplace(std::string(name),
                                            0xC000u + static_cast<unsigned>(m_registered.size()));
    m_calls.push_back("registerWindowMessage(" + std::string(name) + ")");
    return it->second;
}

int FakePort::messageBox(Hwnd, std::string_view text, std::string_view caption, unsigned type) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("messageBox");
    m_boxes.push_back(Box{std::string(text), std::string(caption), type});
    return kIdOk;
}

// --- SystemPort -----------------------------------------------------------

std::optional<std::string> FakePort::getModuleFileName() {
    record("getModuleFileName");
    std::lock_guard lock(m_mutex);
    return moduleFileName;
}

HMutex FakePort::createMutex(std::string_view name) {
    std::lock_guard lock(m_mutex);
    const HMutex h{m_nextHandle++};
    m_mutexes[h] = std::string(name);
    m_calls.push_back("createMutex(" + std::string(name) + ")");
    return h;
}

bool FakePort::tryLockMutex(HMutex mutex) {
    std::lock_guard lock(m_mutex);
    const std::string& name = m_mutexes[mutex];
    m_calls.push_back("tryLockMutex(" + name + ")");
    if (mutexesHeldElsewhere.count(name)) return false;
    m_lockedMutexes.insert(mutex);
    return true;
}

void FakePort::closeMutex(HMutex mutex) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("closeMutex(" + m_mutexes[mutex] + ")");
    m_lockedMutexes.erase(mutex);
    m_mutexes.erase(mutex);
}

bool FakePort::setJapaneseLocale() {
    record("setJapaneseLocale");
    return true;
}

HModule FakePort::loadLibrary(std::string_view name) {
    std::lock_guard lock(m_mutex);
    HModule h{};
    if (!missingLibraries.count(std::string(name))) {
        h = HModule{m_nextHandle++};
        m_modules[h] = std::string(name);
    }
    m_calls.push_back("loadLibrary(" + std::string(name) + ")=" + (isNull(h) ? "null" : "ok"));
    return h;
}

void FakePort::freeLibrary(HModule module) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("freeLibrary(" + moduleName(module) + ")");
    m_modules.erase(module);
}

bool FakePort::registerExtensionModule(HModule module) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("registerExtensionModule(" + moduleName(module) + ")");
    return !extensionRegistrationFails;
}

std::optional<long> FakePort::callDllGetVersion(HModule module, DllVersionInfo& info) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("callDllGetVersion(" + moduleName(module) + ")");
    if (!shellHasDllGetVersion) return std::nullopt;
    // Like a real library, a failing call may still have written numbers.
    info = shellVersion;
    return dllGetVersionResult;
}

bool FakePort::getVersionEx(OsVersionInfo& info, bool extended) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(extended ? "getVersionEx(extended)" : "getVersionEx(basic)");
    if (versionQueryFails || (extended && extendedVersionQueryFails)) return false;
    info = osVersion;
    if (!extended) info.productType = 0;
    return true;
}

int FakePort::getSystemMetrics(int index) {
    switch (index) {
    case kSmCxIcon:
    case kSmCyIcon:
        return 32;
    case kSmCxSmIcon:
    case kSmCySmIcon:
        return 16;
    default:
        return 0;
    }
}

HIcon FakePort::loadImage(HModule module, unsigned resourceId, unsigned type, int cx, int cy,
                          unsigned flags) {
    std::lock_guard lock(m_mutex);
    HIcon h{};
    if (type == kImageIcon && !missingIcons.count(resourceId) &&
        (m_modules.count(module) || isNull(module))) {
        h = HIcon{m_nextHandle++};
        if (iconSource) {
            m_icons[h] = iconSource(resourceId, cx, cy);
        } else {
            // A grey square with a transparent one-pixel frame, distinct per id.
            gfx::IconImage img{gfx::Bitmap(cx, cy, gfx::rgb(resourceId & 0xFF, 128, 128)),
                               gfx::Bitmap(cx, cy, gfx::kBlack)};
            for (int i = 0; i < cx; ++i) {
                img.mask.set(i, 0, gfx::kWhite);
                img.color.set(i, 0, gfx::kBlack);
            }
            m_icons[h] = img;
        }
    }
    m_calls.push_back("loadImage(" + moduleName(module) + "," + num(resourceId) + "," +
                      std::to_string(cx) + "x" + std::to_string(cy) + ",flags=" + num(flags) + ")");
    return h;
}

bool FakePort::destroyIcon(HIcon icon) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back("destroyIcon(" + num(static_cast<std::uintptr_t>(icon)) + ")");
    return m_icons.erase(icon) > 0;
}

unsigned FakePort::getLastError() {
    std::lock_guard lock(m_mutex);
    return lastError;
}

std::string FakePort::formatMessage(unsigned code) {
    std::lock_guard lock(m_mutex);
    auto it = errorTexts.find(code);
    return it == errorTexts.end() ? std::string() : it->second;
}

std::filesystem::path FakePort::nativePath(std::string_view path) {
    // Tests use ASCII paths, which are the same bytes in CP932 and UTF-8.
    return std::filesystem::path(std::string(path));
}

} // namespace orbel
