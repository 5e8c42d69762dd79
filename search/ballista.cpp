#include "search/ballista.h"

#include <array>

namespace orbel {

namespace {

// Venues.
constexpr unsigned kJi = 1;
constexpr unsigned kPa = 2;
constexpr unsigned kMe = 4;

// Level caps 30, 40, 50, 60 and none.
constexpr unsigned kCap30 = 0x100;
constexpr unsigned kCap40 = 0x200;
constexpr unsigned kCap50 = 0x400;
constexpr unsigned kCap60 = 0x800;
constexpr unsigned kNoCap = 0x1000;

// One bit per side: a pairing is the union of its two sides, a faction's
// card the union of its bits in the two pairings it plays in.
constexpr unsigned kKeldoaHome = 0x80000;
constexpr unsigned kKeldoaAway = 0x10000;
constexpr unsigned kMirachHome = 0x100000;
constexpr unsigned kMirachAway = 0x20000;
constexpr unsigned kTarunHome = 0x200000;
constexpr unsigned kTarunAway = 0x40000;

constexpr unsigned kKeVsMi = kKeldoaHome | kMirachAway; // 0xA0000
constexpr unsigned kMiVsTa = kMirachHome | kTarunAway;  // 0x140000
constexpr unsigned kTaVsKe = kTarunHome | kKeldoaAway;  // 0x210000

// Indexed by the Orithaven day of the month, 1..30 (entry 0 unused): the
// even days carry a cap and a venue, three days per cap.
constexpr std::array<unsigned, 31> kDayTable = {
    0,                                                 //
    0, kCap30 | kJi, 0, kCap30 | kPa, 0, kCap30 | kMe, // 1..6
    0, kCap40 | kJi, 0, kCap40 | kPa, 0, kCap40 | kMe, // 7..12
    0, kCap50 | kJi, 0, kCap50 | kPa, 0, kCap50 | kMe, // 13..18
    0, kCap60 | kJi, 0, kCap60 | kPa, 0, kCap60 | kMe, // 19..24
    0, kNoCap | kJi, 0, kNoCap | kPa, 0, kNoCap | kMe, // 25..30
};

// Indexed by the Orithaven month, 1..12 (row 0 unused): the pairing at
// venues ジ, パ and メ, rotating every four months.
struct VenuePairings {
    unsigned ji, pa, me;
};
constexpr VenuePairings kFirstThird = {kKeVsMi, kMiVsTa, kTaVsKe};
constexpr VenuePairings kSecondThird = {kMiVsTa, kTaVsKe, kKeVsMi};
constexpr VenuePairings kLastThird = {kTaVsKe, kKeVsMi, kMiVsTa};
constexpr std::array<VenuePairings, 13> kMonthTable = {
    VenuePairings{0, 0, 0}, //
    kFirstThird,
    kFirstThird,
    kFirstThird,
    kFirstThird,
    kSecondThird,
    kSecondThird,
    kSecondThird,
    kSecondThird,
    kLastThird,
    kLastThird,
    kLastThird,
    kLastThird,
};

// Row and entry 0 exist only so that months and days index from 1.
bool inTable(int index, std::size_t size) {
    return index >= 1 && static_cast<std::size_t>(index) < size;
}

} // namespace

unsigned getBallistaSchedule(int month, int day) {
    if (!inTable(month, kMonthTable.size()) || !inTable(day, kDayTable.size())) return 0;
    const unsigned w = kDayTable[day];
    if (w == 0) return 0;
    const VenuePairings& row = kMonthTable[month];
    switch (w & kBallistaVenueMask) {
    case kJi:
        return w | row.ji;
    case kPa:
        return w | row.pa;
    case kMe:
        return w | row.me;
    default:
        return w;
    }
}

bool matchesBallista(int month, int day, unsigned card, unsigned level) {
    const unsigned s = getBallistaSchedule(month, day);
    return (s & kBallistaMatchMask & card) != 0 && (s & level) != 0;
}

std::string formatBallistaSchedule(int month, int day) {
    const unsigned s = getBallistaSchedule(month, day);
    std::string text;
    switch (s & kBallistaMatchMask) {
    case kKeVsMi:
        text = "ケ vs ミ";
        break;
    case kMiVsTa:
        text = "ミ vs タ";
        break;
    case kTaVsKe:
        text = "タ vs ケ";
        break;
    default:
        return text;
    }

    static constexpr struct {
        unsigned bit;
        const char* text;
    } kCaps[] = {
        {kCap30, " [30"}, {kCap40, " [40"}, {kCap50, " [50"}, {kCap60, " [60"}, {kNoCap, " [--"}};
    for (const auto& cap : kCaps) {
        if ((s & cap.bit) != 0) {
            text += cap.text;
            break;
        }
    }
    static constexpr struct {
        unsigned bit;
        const char* text;
    } kVenues[] = {{kJi, "/ジ"}, {kPa, "/パ"}, {kMe, "/メ"}};
    for (const auto& venue : kVenues) {
        if ((s & venue.bit) != 0) {
            text += venue.text;
            break;
        }
    }
    text += "]";
    return text;
}

void searchBallista(unsigned card, unsigned level, orlib::odate_t* results, int count,
                    std::time_t now) {
    if (results == nullptr || count <= 0) return;
    orlib::odate_t today(now);
    today.resetTime();

    orlib::odate_t d = today;
    int filled = 0;
    int sinceMatch = 0;
    while (filled < count && sinceMatch < orlib::kDaysPerYear) {
        if (matchesBallista(d.month(), d.day(), card, level)) {
            results[filled++] = d;
            sinceMatch = 0;
        } else {
            ++sinceMatch;
        }
        d.shiftDay(1);
    }
    // Only a filter that matches nothing at all gets here with room left.
    // Fill with a day that has no match whatever the filter, so that no
    // line shows a match the filter did not pass: of today and tomorrow,
    // one is odd.
    if (filled < count) {
        orlib::odate_t idle = today;
        if (getBallistaSchedule(idle.month(), idle.day()) != 0) idle.shiftDay(1);
        for (; filled < count; ++filled)
            results[filled] = idle;
    }
}

std::string ballistaResultText(const orlib::odate_t* results, int count) {
    std::string text;
    if (results == nullptr) return text;
    for (int i = 0; i < count; ++i) {
        text += orlib::edate_t(results[i]).format("%m/%d(%a) %H:%M  ");
        text += formatBallistaSchedule(results[i].month(), results[i].day());
        text += results[i].format(" (%m/%d)");
        text += "\r\n";
    }
    return text;
}

const std::vector<SearchItem>& ballistaCardItems() {
    static const std::vector<SearchItem> items = {
        {"全て", kKeVsMi | kMiVsTa | kTaVsKe},
        {"ケルドアの試合", kKeldoaHome | kKeldoaAway},
        {"ミラッハの試合", kMirachHome | kMirachAway},
        {"タルーンの試合", kTarunHome | kTarunAway},
        {"ケルドア vs ミラッハ", kKeVsMi},
        {"ミラッハ vs タルーン", kMiVsTa},
        {"タルーン vs ケルドア", kTaVsKe},
    };
    return items;
}

const std::vector<SearchItem>& ballistaLevelItems() {
    static const std::vector<SearchItem> items = {
        {"全て", kCap30 | kCap40 | kCap50 | kCap60 | kNoCap},
        {"30", kCap30},
        {"40", kCap40},
        {"50", kCap50},
        {"60", kCap60},
        {"制限なし", kNoCap},
    };
    return items;
}

} // namespace orbel
