// CNotifyIconData: the one tray icon record. Every notification-area call of
// the program (add, modify, delete, the balloon) goes through it.
//
// It keeps the master fields in the full layout and, for each call, fills
// the form the running shell accepts: the old 88-byte form below shell level
// 5, the full form (488 bytes, or 504 with guidItem at level 6) from level 5
// on. Texts are cut on CP932 character boundaries and always terminated
// inside their field.
//
// Owned by the application object for the whole process. Callers: the main
// window on the UI thread (start, icon changes, balloon, blank tooltip,
// "TaskbarCreated", destruction) and the hover check on the timer thread
// (tooltip refresh). Each use sets fields, fills the form and sends it under
// one lock, so two uses never interleave.
#pragma once

#include "app/port.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace orbel {

// The master copy has the full layout; its cbSize is not used.
using NotifyIconFields = NotifyIconDataNew;

// cbSize of the three forms. On 32-bit Windows these are the shell's own
// numbers, 88, 488 and 504. Elsewhere the handles are wider, so the forms
// are measured from our structs: the old form and the level-6 form by their
// size, the level-5 form up to guidItem (104, 504 and 520 with 64-bit
// handles). The shell tells the versions apart by exactly these numbers.
inline constexpr std::uint32_t kNotifyIconSizeOld = sizeof(NotifyIconDataOld);
inline constexpr std::uint32_t kNotifyIconSizeV5 = offsetof(NotifyIconDataNew, guidItem);
inline constexpr std::uint32_t kNotifyIconSizeV6 = sizeof(NotifyIconDataNew);
static_assert(sizeof(void*) != 4 || (kNotifyIconSizeOld == 88 && kNotifyIconSizeV5 == 488 &&
                                     kNotifyIconSizeV6 == 504),
              "the 32-bit forms must match the shell's sizes");

class CNotifyIconData {
public:
    static constexpr std::uint32_t kIconId = 101;
    static constexpr std::uint32_t kStartFlags = kNifMessage | kNifIcon | kNifTip; // 7
    static constexpr std::uint32_t kBalloonTimeoutMs = 30000;
    static constexpr unsigned kRetryAttempts = 9;
    static constexpr unsigned kRetryWaitMs = 500;

    // Clears the fields and measures the shell level (checkShellLevel).
    CNotifyIconData(ShellPort& shell, SystemPort& system, ClockPort& clock);
    explicit CNotifyIconData(Port& port);
    CNotifyIconData(const CNotifyIconData&) = delete;
    CNotifyIconData& operator=(const CNotifyIconData&) = delete;

    // The start fields: the window, id 101, WM_APP, the icon, an empty tip
    // and uFlags 7. Sends nothing; addWithRetry adds the icon.
    void setUp(Hwnd hwnd, HIcon icon);
    // NIM_ADD with the current fields, once.
    bool add();
    // NIM_ADD; when the shell timed out (ERROR_TIMEOUT), up to nine further
    // attempts of wait 500 ms, NIM_MODIFY, NIM_ADD. At most about 4.5 s.
    bool addWithRetry();
    // "TaskbarCreated": uFlags 7 and NIM_ADD once with the fields as they are.
    bool readd();
    // NIM_MODIFY with NIF_ICON.
    bool modifyIcon(HIcon icon);
    // NIM_MODIFY with NIF_TIP; the text is cut to 127 bytes.
    bool modifyTip(std::string_view tip);
    // NIM_MODIFY with NIF_INFO: title (63 bytes), text (255 bytes), 30 s,
    // the information icon.
    bool showBalloon(std::string_view title, std::string_view text);
    // NIM_DELETE; uFlags stays as the last use left it.
    bool remove();

    // A copy of the master fields (for tests and diagnostics).
    NotifyIconFields fields() const;

private:
    // The form to send; exactly one pointer is set. Valid until the next
    // fill, so only while m_lock is held.
    struct Form {
        const NotifyIconDataOld* old = nullptr;
        const NotifyIconDataNew* full = nullptr;
    };

    // Writes the output copy for the current shell level. m_lock held.
    Form fillNotifyIconData();
    // fill + Shell_NotifyIcon. m_lock held.
    bool sendLocked(unsigned message);
    bool send(unsigned message, const Form& form);

    ShellPort& m_shell;
    SystemPort& m_system;
    ClockPort& m_clock;

    // Guards everything below: the master fields, the output copies and
    // the shell call itself.
    mutable std::mutex m_lock;
    NotifyIconFields m_fields{};
    NotifyIconDataOld m_oldForm{};
    NotifyIconDataNew m_newForm{};
};

} // namespace orbel
