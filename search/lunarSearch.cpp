#include "search/lunarSearch.h"

namespace orbel {

namespace {

orlib::odate_t dayAfter(const orlib::odate_t& d) {
    orlib::odate_t next = d;
    next.shiftDay(1);
    return next;
}

// Weekday only: the first of the next eight days with weekday W.
orlib::odate_t nextWeekday(const orlib::odate_t& from, unsigned W) {
    orlib::odate_t d = from;
    for (int k = 1; k <= orlib::kDaysPerWeek; ++k) {
        d.shiftDay(1);
        if (static_cast<unsigned>(d.getDayOfWeek()) == W) {
            d.resetTime();
            return d;
        }
    }
    return d; // from + 8 days, its time of day kept
}

// The start of the occurrence of phase L that the search goes on from:
// tomorrow at 00:00 when tomorrow still lies in L, else the next time L
// begins (a midnight, as nextLunarAge answers it).
orlib::odate_t phaseStartAfter(const orlib::odate_t& from, unsigned L) {
    orlib::odate_t tomorrow = dayAfter(from);
    if (static_cast<unsigned>(tomorrow.getLunarIndex()) == L) {
        tomorrow.resetTime();
        return tomorrow;
    }
    return from.nextLunarAge(static_cast<int>(L));
}

} // namespace

orlib::odate_t nextLunarDateWithin(const orlib::odate_t& from, unsigned L, unsigned W,
                                   int maxOccurrences) {
    if (L >= kAnyPhase) {
        if (W >= kAnyWeekday) {
            orlib::odate_t d = dayAfter(from);
            d.resetTime();
            return d;
        }
        return nextWeekday(from, W);
    }

    orlib::odate_t cursor = from;
    for (int occurrence = 0; occurrence < maxOccurrences; ++occurrence) {
        orlib::odate_t d = phaseStartAfter(cursor, L);
        if (W >= kAnyWeekday) return d;
        while (static_cast<unsigned>(d.getLunarIndex()) == L) {
            if (static_cast<unsigned>(d.getDayOfWeek()) == W) return d;
            d.shiftDay(1);
        }
        // d is the first day after this occurrence: go on from it, as if
        // the search had been asked again from there.
        cursor = d;
    }
    if (cursor == from) {
        cursor = dayAfter(from);
        cursor.resetTime();
    }
    return cursor;
}

orlib::odate_t nextLunarDate(const orlib::odate_t& from, unsigned L, unsigned W) {
    return nextLunarDateWithin(from, L, W, kMaxPhaseOccurrences);
}

void findLunarDates(unsigned L, unsigned W, orlib::odate_t* results, int count, std::time_t now) {
    if (results == nullptr || count <= 0) return;
    const orlib::odate_t start(now);
    results[0] = nextLunarDate(start, L, W);
    for (int i = 1; i < count; ++i)
        results[i] = nextLunarDate(results[i - 1], L, W);
}

std::string lunarResultText(const orlib::odate_t* results, int count) {
    std::string text;
    if (results == nullptr) return text;
    for (int i = 0; i < count; ++i) {
        text += orlib::edate_t(results[i]).format("%Y/%m/%d(%a) %H:%M");
        text += results[i].format("  [%a] %L");
        text += "\r\n";
    }
    return text;
}

std::vector<SearchItem> lunarAgeItems() {
    std::vector<SearchItem> items;
    items.reserve(orlib::kPhases + 1);
    items.push_back({"全ての月齢", kAnyPhase});
    for (int i = 0; i < orlib::kPhases; ++i)
        items.push_back({orlib::getLunarNameO(i), static_cast<unsigned>(i)});
    return items;
}

std::vector<SearchItem> lunarWeekdayItems() {
    std::vector<SearchItem> items;
    items.reserve(orlib::kDaysPerWeek + 1);
    items.push_back({"全ての曜日", kAnyWeekday});
    for (int i = 0; i < orlib::kDaysPerWeek; ++i)
        items.push_back({orlib::getWeekdayNameO(i), static_cast<unsigned>(i)});
    return items;
}

} // namespace orbel
