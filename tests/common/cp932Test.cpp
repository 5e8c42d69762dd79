// Narrow literals in this file are CP932 (the target re-encodes them); u8
// literals stay UTF-8.
#include "common/cp932.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace orbel::text;

namespace {

std::string utf8(std::u8string_view s) {
    return {reinterpret_cast<const char*>(s.data()), s.size()};
}

// Kana, kanji whose trail byte is 0x5C (表 ソ 能 十 予), half-width
// katakana, full-width parentheses, an ASCII backslash and a 0x81 trail (＝).
const std::string kMixedCp932 = "表示ソフト（能力）ｵﾘｻｳﾞｪﾝ 十予 a\\b＝ー";
const std::string kMixedUtf8 = utf8(u8"表示ソフト（能力）ｵﾘｻｳﾞｪﾝ 十予 a\\b＝ー");

struct Row {
    const char* name;
    std::string in, out;
};

} // namespace

TEST(Cp932Bytes, LiteralsAreCp932AndLeadBytesAreExactlyTheTwoRanges) {
    // If the build stopped re-encoding literals, every other test would be
    // comparing UTF-8 with itself.
    EXPECT_EQ(std::string("表ソ（）ｱ"), "\x95\x5C\x83\x5C\x81\x69\x81\x6A\xB1");
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(isLeadByte(static_cast<unsigned char>(c)),
                  (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
            << c;
}

TEST(Cp932Convert, GoodTextRoundTripsBothWaysOnEveryThread) {
    std::string kanaUtf8;
    for (int i = 0; i < 5000; ++i)
        kanaUtf8 += utf8(u8"ｱ");
    const Row rows[] = {
        {"mixed", kMixedCp932, kMixedUtf8},
        // A converter that took 0x5C for a backslash would split these pairs.
        {"trail 5C before backslashes", "表\\ソ\\", utf8(u8"表\\ソ\\")},
        {"trail 5C before backslash n", "\x94\x5C\x5Cn", utf8(u8"能\\n")},
        {"empty", "", ""},
        // Three UTF-8 bytes a byte: twice the room first given to the output.
        {"half-width katakana", std::string(5000, '\xB1') + "表", kanaUtf8 + utf8(u8"表")},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cp932ToUtf8(row.in), row.out) << row.name;
        EXPECT_EQ(utf8ToCp932(row.out), row.in) << row.name;
    }
    std::atomic<int> failures{0}; // each thread converts with its own converters
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&failures] {
            for (int i = 0; i < 300; ++i)
                failures += (cp932ToUtf8(kMixedCp932) != kMixedUtf8) +
                            (utf8ToCp932(kMixedUtf8) != kMixedCp932);
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(Cp932Convert, BadCp932BecomesOneReplacementEach) {
    const std::string r = utf8(u8"\uFFFD");
    const Row rows[] = {
        {"lone lead at the end", "A\x81", "A" + r},
        {"lead before a non-trail keeps the next byte", "\x81 B", r + " B"},
        {"lead before a line break", "\x95\n表", r + "\n" + utf8(u8"表")},
        {"unassigned pair goes as one", "\x85\x40\x41", r + "A"},
        {"bytes no character uses", "\x80\xA0表\xFD\xFF", r + r + utf8(u8"表") + r + r},
        {"only a lead byte", "\xE0", r},
    };
    for (const Row& row : rows)
        EXPECT_EQ(cp932ToUtf8(row.in), row.out) << row.name;
    // Half-width kana triple in UTF-8, so a short text can fill the first
    // guess before the bad byte; the replacement must still be appended whole.
    std::string kana;
    for (int n = 0; n <= 40; ++n, kana += utf8(u8"ｱ"))
        EXPECT_EQ(cp932ToUtf8(std::string(n, '\xB1') + '\x80'), kana + r) << n;
}

TEST(Cp932Convert, BadOrForeignUtf8BecomesQuestionMarks) {
    const Row rows[] = {
        {"stray continuation byte", "a\x80z", "a?z"},
        {"cut at the end", "a\xE3\x81", "a?"},
        {"cut before ASCII", "\xE3\x81\x41", "?A"},
        {"cut four-byte before a kanji", "\xF0\x9F\x98\xE8\xA1\xA8", "?表"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"overlong three-byte", "\xE0\x80\x80", "???"},
        {"three-byte letter CP932 lacks", "\xE1\x80\x80z", "?z"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"never-used bytes", "\xFE\xFF", "??"},
        {"emoji CP932 lacks", utf8(u8"a😀b"), "a?b"},
        {"accented Latin CP932 lacks", utf8(u8"café"), "caf?"},
        {"euro sign", utf8(u8"€1"), "?1"},
        {"U+FFFD itself", utf8(u8"\uFFFD"), "?"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(utf8ToCp932(row.in), row.out) << row.name;
}

// A copy into `limit` bytes holds the fit for one byte less and its end.
TEST(Cp932Fit, EveryLimitCutsOnACharacterKeepsAllThatFitsAndCopiesNoFurther) {
    constexpr char kGuard = '\x7F';
    std::size_t previous = 0;
    for (std::size_t limit = 0; limit <= kMixedCp932.size() + 2; ++limit) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        const std::size_t n = fitCp932(kMixedCp932, limit);
        const std::size_t most = std::min(limit, kMixedCp932.size());
        ASSERT_LE(n, most);
        ASSERT_GE(n, previous) << "shorter for a larger limit";
        const std::string prefix = cp932ToUtf8(kMixedCp932.substr(0, n));
        ASSERT_EQ(kMixedUtf8.compare(0, prefix.size(), prefix), 0);
        ASSERT_EQ(prefix.find(utf8(u8"\uFFFD")), std::string::npos);
        // Characters are at most two bytes: at most one byte is given up.
        ASSERT_GE(n + 1, most);
        previous = n;
        std::vector<char> buf(limit + 8, kGuard);
        const std::size_t copied = copyCp932(buf.data(), limit, kMixedCp932);
        for (std::size_t i = limit; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], kGuard);
        ASSERT_EQ(copied, limit == 0 ? 0 : fitCp932(kMixedCp932, limit - 1));
        const std::string written(buf.data(), std::min(limit, copied + 1));
        ASSERT_EQ(written, (kMixedCp932.substr(0, copied) + '\0').substr(0, limit));
    }
    EXPECT_EQ(fitCp932(kMixedCp932, kMixedCp932.size()), kMixedCp932.size());
    EXPECT_EQ(fitCp932("AB\x81", 10), 2u); // a lone lead byte is never kept
    EXPECT_EQ(fitCp932("", 5), 0u);
    char buf[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(copyCp932(buf, sizeof buf, ""), 0u);
    EXPECT_EQ(buf[0], '\0');
}
