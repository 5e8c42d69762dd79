#include "res/menu.h"

#include <algorithm>

namespace orbel::res {

MenuItem loadMenu(unsigned id) {
    if (id != IDR_TRAYMENU) return {};
    MenuItem popup{0, "Popup", {}};
    popup.children = {
        {ID_DETAIL, "詳細(&D)...", {}},
        {0,
         "日和サーチ(&S)",
         {{ID_SEARCH_LUNAR, "月齢/曜日(&L)...", {}},
          {ID_SEARCH_BALLISTA, "バリスタ(&B)...", {}},
          {ID_SEARCH_TODAY, "今日は何の日?(&T)...", {}}}},
        {ID_SETTINGS, "設定(&C)...", {}},
        {ID_APP_ABOUT, "バージョン情報(&A)...", {}},
        {},
        {ID_APP_EXIT, "終了(&X)", {}},
    };
    return MenuItem{0, {}, {popup}};
}

bool deleteMenuItem(MenuItem& menu, unsigned id) {
    auto& items = menu.children;
    const auto it = std::find_if(items.begin(), items.end(), [&](const MenuItem& m) {
        return m.id == id && m.children.empty() && id != 0;
    });
    if (it != items.end()) {
        items.erase(it);
        return true;
    }
    for (MenuItem& child : items)
        if (!child.children.empty() && deleteMenuItem(child, id)) return true;
    return false;
}

} // namespace orbel::res
