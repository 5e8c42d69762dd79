// One entry of a search dialog's condition list: the text the list shows
// (CP932) and the item data the search receives. The lunar and ballista
// searches publish their lists as vectors of these; the dialogs insert
// them in order and the command line maps its list positions through them.
#pragma once

#include <string>

namespace orbel {

struct SearchItem {
    std::string text;
    unsigned data;
};

} // namespace orbel
