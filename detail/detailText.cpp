#include "detail/detailText.h"

namespace orbel {

namespace {

constexpr int kNewMoon = 0;
constexpr int kFullMoon = 6;

constexpr const char* kEarthStart = "%m/%d(%a) %H:%M";

} // namespace

std::string detailPhaseLine(const orlib::odate_t& date) {
    return date.format("%L %q日目");
}

std::string nextChangeLine(const orlib::odate_t& date) {
    const int target = (date.getLunarIndex() + 1) % orlib::kPhases;
    const orlib::odate_t begins = date.nextLunarAge(target);
    std::string line = orlib::edate_t(begins).format(kEarthStart);
    line += begins.format("  [%a] %L");
    line += "\r\n";
    return line;
}

std::string phaseSpanLine(const orlib::odate_t& date, int index) {
    const orlib::odate_t begins = date.nextLunarAge(index);
    orlib::odate_t lastDay = begins.nextLunarAge((index + 1) % orlib::kPhases);
    // The end's Earth time is the moment the next phase begins; the weekday
    // shown beside it is that of the phase's own last day, a day earlier.
    const orlib::edate_t ends(lastDay);
    lastDay.shiftDay(-1);

    std::string line = orlib::edate_t(begins).format(kEarthStart);
    line += " [";
    line += begins.format("%a");
    line += "] → ";
    line += ends.format("%H:%M");
    line += " [";
    line += lastDay.format("%a");
    line += "]\r\n";
    return line;
}

std::string buildDetailText(const orlib::odate_t& date, std::string_view gameLine,
                            std::string_view earthLine) {
    std::string text;
    text.reserve(256);
    text += gameLine;
    text += "\r\n";
    text += earthLine;
    text += "\r\n\r\n";
    text += "月齢替わり : ";
    text += nextChangeLine(date);
    text += "\r\n";
    text += "次の新月 : ";
    text += phaseSpanLine(date, kNewMoon);
    text += "次の満月 : ";
    text += phaseSpanLine(date, kFullMoon);
    return text;
}

} // namespace orbel
