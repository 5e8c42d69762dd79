#include "search/todaySearch.h"

namespace orbel {

std::time_t toEarthTime(const SystemDate& d) {
    const orlib::edate_t e(d.year, d.month, d.day, 0, 0, 0);
    return e;
}

void searchToday(std::time_t first, orlib::odate_t* results, int count) {
    if (results == nullptr || count <= 0) return;
    orlib::edate_t e(first);
    e.resetLocalTime();
    const orlib::odate_t start(static_cast<const std::time_t&>(e));
    for (int i = 0; i < count; ++i) {
        results[i] = start;
        results[i].shiftDay(i);
    }
}

std::string todayResultText(const orlib::odate_t* results, int count) {
    std::string text;
    if (results == nullptr || count <= 0) return text;
    const orlib::edate_t e(results[0]);
    text += e.format("%x(%a)\r\n");
    text += "---------------\r\n";
    text += e.format("%H:%M ");
    text += results[0].format("(%m/%d[%a]) ");
    text += results[0].format("<%L(%q)>\r\n");
    for (int i = 1; i < count; ++i) {
        text += orlib::edate_t(results[i]).format("%H:%M ");
        text += results[i].format("(%m/%d[%a]) ");
        if (results[i].getLunarAge() % orlib::kDaysPerPhase == 0)
            text += results[i].format("<%L> ");
        text += "\r\n";
    }
    return text;
}

} // namespace orbel
