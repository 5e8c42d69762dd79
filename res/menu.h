// Menu 129, the tray menu, as data: one source for every port. Texts are
// CP932. A separator is an item with id 0 and no text.
#pragma once

#include <string_view>
#include <vector>

namespace orbel::res {

inline constexpr unsigned IDR_TRAYMENU = 129;
inline constexpr unsigned ID_DETAIL = 32771;
inline constexpr unsigned ID_SEARCH_LUNAR = 32772;
inline constexpr unsigned ID_SETTINGS = 32773;
inline constexpr unsigned ID_SEARCH_BALLISTA = 32775;
inline constexpr unsigned ID_SEARCH_TODAY = 32776;
inline constexpr unsigned ID_APP_ABOUT = 57664;
inline constexpr unsigned ID_APP_EXIT = 57665;
inline constexpr unsigned IDM_ABOUTBOX = 0x0010; // system menu item

struct MenuItem {
    unsigned id = 0;
    std::string_view text;
    std::vector<MenuItem> children; // a submenu when not empty

    bool isSeparator() const { return id == 0 && text.empty() && children.empty(); }
};

// The menu resource: a bar whose first item is the tray popup.
MenuItem loadMenu(unsigned id);

// Removes the item with this command from the menu or any submenu (like
// DeleteMenu with MF_BYCOMMAND); false when there is none.
bool deleteMenuItem(MenuItem& menu, unsigned id);

} // namespace orbel::res
