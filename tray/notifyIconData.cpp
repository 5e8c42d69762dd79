#include "tray/notifyIconData.h"

#include "common/cp932.h"
#include "popup/shellVersion.h"

#include <cstring>
#include <optional>

namespace orbel {

namespace {

// The text held in a fixed field: up to its terminator, never past the field.
template <std::size_t N> std::string_view fieldText(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    return std::string_view(field, end ? static_cast<const char*>(end) - field : N);
}

// Byte-limited copy into a fixed field: never splits a double-byte
// character and always leaves a terminator inside the field.
template <std::size_t N> void copyField(char (&field)[N], std::string_view text) {
    text::copyCp932(field, N, text);
}

} // namespace

CNotifyIconData::CNotifyIconData(ShellPort& shell, SystemPort& system, ClockPort& clock)
    : m_shell(shell), m_system(system), m_clock(clock) {
    // Value-initialised members already hold zero everywhere; the level is
    // measured here so that every user of the record sees it.
    checkShellLevel(m_system);
}

CNotifyIconData::CNotifyIconData(Port& port) : CNotifyIconData(port, port, port) {}

void CNotifyIconData::setUp(Hwnd hwnd, HIcon icon) {
    std::lock_guard lock(m_lock);
    m_fields.hWnd = hwnd;
    m_fields.uID = kIconId;
    m_fields.uCallbackMessage = kWmApp;
    m_fields.hIcon = icon;
    m_fields.szTip[0] = '\0';
    m_fields.uFlags = kStartFlags;
}

bool CNotifyIconData::add() {
    std::lock_guard lock(m_lock);
    return sendLocked(kNimAdd);
}

// The retry waits up to 4.5 s. Holding the lock through the waits would
// stall the hover check, and with it every callback of the one timer
// thread (the ticker too), for that long. So the lock is held only for the
// first add and for each attempt's modify-and-add pair, and every attempt
// sends the form the first add sent, kept in a local copy: a use that runs
// between attempts (a tooltip refresh) is serialised whole against them
// and cannot change what the retry sends. At start-up the retry runs
// before the hover timer exists, so in practice nothing comes between.
bool CNotifyIconData::addWithRetry() {
    std::optional<NotifyIconDataOld> oldForm;
    std::optional<NotifyIconDataNew> newForm;
    {
        std::lock_guard lock(m_lock);
        const Form form = fillNotifyIconData();
        if (send(kNimAdd, form)) return true;
        // The last error belongs to the failed add: read it before any
        // other use can make another call.
        if (m_system.getLastError() != kErrorTimeout) return false;
        if (form.old) oldForm = *form.old;
        if (form.full) newForm = *form.full;
    }
    const Form snapshot{oldForm ? &*oldForm : nullptr, newForm ? &*newForm : nullptr};

    for (unsigned attempt = 0; attempt < kRetryAttempts; ++attempt) {
        m_clock.sleep(kRetryWaitMs);
        std::lock_guard lock(m_lock);
        // A timed-out add may have reached the shell after all; then only
        // a modify can succeed.
        if (send(kNimModify, snapshot)) return true;
        if (send(kNimAdd, snapshot)) return true;
    }
    return false;
}

bool CNotifyIconData::readd() {
    std::lock_guard lock(m_lock);
    m_fields.uFlags = kStartFlags;
    return sendLocked(kNimAdd);
}

bool CNotifyIconData::modifyIcon(HIcon icon) {
    std::lock_guard lock(m_lock);
    m_fields.uFlags = kNifIcon;
    m_fields.hIcon = icon;
    return sendLocked(kNimModify);
}

bool CNotifyIconData::modifyTip(std::string_view tip) {
    std::lock_guard lock(m_lock);
    m_fields.uFlags = kNifTip;
    copyField(m_fields.szTip, tip);
    return sendLocked(kNimModify);
}

bool CNotifyIconData::showBalloon(std::string_view title, std::string_view text) {
    std::lock_guard lock(m_lock);
    m_fields.uFlags = kNifInfo;
    copyField(m_fields.szInfoTitle, title);
    copyField(m_fields.szInfo, text);
    m_fields.uTimeout = kBalloonTimeoutMs;
    m_fields.dwInfoFlags = kNiifInfo;
    return sendLocked(kNimModify);
}

bool CNotifyIconData::remove() {
    std::lock_guard lock(m_lock);
    return sendLocked(kNimDelete);
}

NotifyIconFields CNotifyIconData::fields() const {
    std::lock_guard lock(m_lock);
    return m_fields;
}

CNotifyIconData::Form CNotifyIconData::fillNotifyIconData() {
    const int level = shellLevel();
    const NotifyIconFields& f = m_fields;
    if (level < 5) {
        m_oldForm = NotifyIconDataOld{};
        m_oldForm.cbSize = kNotifyIconSizeOld;
        m_oldForm.hWnd = f.hWnd;
        m_oldForm.uID = f.uID;
        m_oldForm.uFlags = f.uFlags;
        m_oldForm.uCallbackMessage = f.uCallbackMessage;
        m_oldForm.hIcon = f.hIcon;
        copyField(m_oldForm.szTip, fieldText(f.szTip));
        return Form{&m_oldForm, nullptr};
    }

    m_newForm = NotifyIconDataNew{};
    m_newForm.cbSize = level >= 6 ? kNotifyIconSizeV6 : kNotifyIconSizeV5;
    m_newForm.hWnd = f.hWnd;
    m_newForm.uID = f.uID;
    m_newForm.uFlags = f.uFlags;
    m_newForm.uCallbackMessage = f.uCallbackMessage;
    m_newForm.hIcon = f.hIcon;
    copyField(m_newForm.szTip, fieldText(f.szTip));
    m_newForm.dwState = f.dwState;
    m_newForm.dwStateMask = f.dwStateMask;
    copyField(m_newForm.szInfo, fieldText(f.szInfo));
    m_newForm.uTimeout = f.uTimeout;
    copyField(m_newForm.szInfoTitle, fieldText(f.szInfoTitle));
    m_newForm.dwInfoFlags = f.dwInfoFlags;
    // Level 5's cbSize ends before guidItem; the shell does not read it.
    if (level >= 6) std::memcpy(m_newForm.guidItem, f.guidItem, sizeof f.guidItem);
    return Form{nullptr, &m_newForm};
}

bool CNotifyIconData::sendLocked(unsigned message) {
    return send(message, fillNotifyIconData());
}

bool CNotifyIconData::send(unsigned message, const Form& form) {
    return form.old ? m_shell.shellNotifyIcon(message, *form.old)
                    : m_shell.shellNotifyIcon(message, *form.full);
}

} // namespace orbel
