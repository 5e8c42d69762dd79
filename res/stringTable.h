// The program's string table (ids 101 to 113): the one source of these
// texts for every port. Texts are CP932 bytes.
#pragma once

#include <string_view>

namespace orbel::res {

inline constexpr unsigned IDS_ABOUTBOX = 101;          // system menu item
inline constexpr unsigned IDS_START_FAILED = 102;      // start-up failure, "%1" = code
inline constexpr unsigned IDS_FATAL_ERROR = 103;       // fatal failure while running
inline constexpr unsigned IDS_LUNAR_SEARCH_TITLE = 104;
inline constexpr unsigned IDS_BALLISTA_SEARCH_TITLE = 105;
inline constexpr unsigned IDS_LABEL_LUNAR_AGE = 106;
inline constexpr unsigned IDS_LABEL_WEEKDAY = 107;
inline constexpr unsigned IDS_LABEL_BALLISTA_CARD = 108;
inline constexpr unsigned IDS_LABEL_BALLISTA_LEVEL = 109;
inline constexpr unsigned IDS_TODAY_SEARCH_TITLE = 110;
inline constexpr unsigned IDS_BAD_CLOCK = 111;         // Earth clock outside the service range
inline constexpr unsigned IDS_TRAY_ADD_FAILED = 112;   // tray icon could not be added
inline constexpr unsigned IDS_SETTINGS_TITLE = 113;

// The text of a string id; empty for an id the table does not hold.
std::string_view loadString(unsigned id) noexcept;

} // namespace orbel::res
