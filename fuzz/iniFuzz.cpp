// The settings document on arbitrary bytes: read every key the bytes seem
// to hold, write one key, parse the result afresh. A write may touch only
// its own line (or add lines), must read back as written, must leave every
// other key's value alone, and the document's running index must agree
// with a fresh parse of its bytes.
//
// Input: the file's bytes, optionally followed by "\0section\0key\0value"
// (split at the last three NULs) naming the write; without them the write
// goes to the first key line's names, so a plain INI file is a good seed.
#include "app/iniFile.h"
#include "fuzz/fuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using orbel::ini::Document;

struct Name {
    std::string section;
    std::string key;
};

// Enough to cover what a settings file holds while keeping the quadratic
// re-reads of a long input cheap.
constexpr std::size_t kMaxNames = 64;

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A much cruder reading than the document's (byte-wise, blind to double-byte
// characters): its names are only questions to ask, and a name the document
// does not hold must read as missing before and after the write alike.
std::vector<Name> namesIn(std::string_view bytes) {
    std::vector<Name> names;
    std::string section;
    while (!bytes.empty() && names.size() < kMaxNames) {
        const std::size_t nl = bytes.find('\n');
        std::string_view line = trim(bytes.substr(0, nl));
        bytes = nl == std::string_view::npos ? std::string_view() : bytes.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line = trim(line.substr(0, line.size() - 1));
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            section = std::string(trim(line.substr(1, line.find(']') - 1)));
        } else if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
            names.push_back({section, std::string(trim(line.substr(0, eq)))});
        }
    }
    return names;
}

// Byte-wise ASCII folding matches at least every pair the document matches
// (it folds only single-byte letters), so "not equal here" means "another
// key" there.
bool foldEqual(std::string_view a, std::string_view b) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

// The bytes between the longest common prefix and suffix: what a write
// removed from `before` and put into `after`.
std::pair<std::string_view, std::string_view> difference(std::string_view before,
                                                         std::string_view after) {
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t p = 0;
    while (p < shorter && before[p] == after[p])
        ++p;
    std::size_t s = 0;
    while (s < shorter - p && before[before.size() - 1 - s] == after[after.size() - 1 - s])
        ++s;
    return {before.substr(p, before.size() - p - s), after.substr(p, after.size() - p - s)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string bytes = input;
    std::vector<Name> names;
    Name target{"S", "k"};
    std::string value = "1";

    std::vector<std::size_t> nuls;
    for (std::size_t at = input.size(); nuls.size() < 3 && at-- > 0;)
        if (input[at] == '\0') nuls.insert(nuls.begin(), at);
    if (nuls.size() == 3) {
        bytes = input.substr(0, nuls[0]);
        target.section = input.substr(nuls[0] + 1, nuls[1] - nuls[0] - 1);
        target.key = input.substr(nuls[1] + 1, nuls[2] - nuls[1] - 1);
        value = input.substr(nuls[2] + 1);
        names = namesIn(bytes);
    } else {
        names = namesIn(bytes);
        if (!names.empty()) target = names.front();
    }
    names.push_back(target);

    Document doc;
    FUZZ_CHECK(doc.assign(bytes));
    FUZZ_CHECK(doc.serialize() == bytes);
    std::vector<std::optional<std::string>> before;
    for (const Name& n : names) {
        before.push_back(doc.get(n.section, n.key));
        const int asInt = doc.getInt(n.section, n.key, -7);
        FUZZ_CHECK(before.back() || asInt == -7);
    }

    const bool written = doc.set(target.section, target.key, value);
    const std::string& after = doc.serialize();
    FUZZ_CHECK((doc.edits() == 0) == (after == bytes));
    if (!written) {
        FUZZ_CHECK(after == bytes);
        return 0;
    }
    FUZZ_CHECK(doc.get(target.section, target.key) == value);

    // One line changed in place, or whole lines added: never a line break
    // removed, and a changed line gains none.
    const auto [removed, added] = difference(bytes, after);
    FUZZ_CHECK(removed.find('\n') == std::string_view::npos);
    FUZZ_CHECK(removed.empty() || added.find_first_of("\r\n") == std::string_view::npos);

    const Document fresh(after);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Name& n = names[i];
        const std::optional<std::string> now = doc.get(n.section, n.key);
        FUZZ_CHECK(fresh.get(n.section, n.key) == now);
        if (!foldEqual(n.section, target.section) || !foldEqual(n.key, target.key))
            FUZZ_CHECK(now == before[i]);
    }

    // Writing what the document already holds changes nothing.
    const std::size_t edits = doc.edits();
    FUZZ_CHECK(doc.set(target.section, target.key, value));
    FUZZ_CHECK(doc.edits() == edits);
    FUZZ_CHECK(doc.serialize() == fresh.serialize());
    return 0;
}
