// The settings file: the INI document and its write-through to disk.
#include "app/iniFile.h"
#include "tests/support/tempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>

namespace fs = std::filesystem;
using namespace orbel::ini;
using namespace std::string_literals;

namespace {

// CP932 characters whose trail byte is also an ASCII character.
const std::string kA = "\x83\x41";   // ア: trail 'A'
const std::string kDi = "\x83\x61";  // ヂ: trail 'a', must not match ア
const std::string kHyo = "\x95\x5C"; // 表: trail '\'
const std::string kZo = "\x83\x5D";  // ゾ: trail ']'

// Wraps like an unsigned 32-bit value.
TEST(ProfileInt, Parses) {
    // clang-format off
    const std::pair<const char*, int> rows[] = {
        {" \t12", 12}, {"+7", 7}, {"-3", -3}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"-", 0},
        {"- 5", 0}, {"4294967295", -1}, {"99999999999999999999", 1661992959},
        {"2147483648", INT_MIN}, {"-2147483648", INT_MIN}, {"0x10", 0}, {"1179647", 1179647}};
    // clang-format on
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(parseProfileInt(text), expected) << "'" << text << "'";
}

TEST(Document, LookupRulesAndDoubleByteNamesAreNotFolded) {
    const Document doc("top=0\r\n[Settings]\r\n  TsMode =  2 \r\n; tsmode=9\r\ntsmode=3\r\n"
                       "sound = \"  a b \"\r\n=orphan\r\n[broken\r\nafter=1\r\n"
                       "[settings]\r\nlate=1\r\n[ Search ]\r\nLunarAge=3");
    EXPECT_EQ(doc.get("SETTINGS", "tsmode"), "2");        // first key wins, any case
    EXPECT_EQ(doc.get("Settings", "sound"), "  a b ");    // one pair of quotes removed
    EXPECT_EQ(doc.get("Settings", "after"), "1");         // "[broken" opens no section
    EXPECT_EQ(doc.get("Settings", "late"), std::nullopt); // later duplicate section ignored
    EXPECT_EQ(doc.get("Settings", "top"), std::nullopt);
    EXPECT_EQ(doc.get("Settings", ""), std::nullopt);
    EXPECT_EQ(doc.get("Search", "tsmode"), std::nullopt);
    EXPECT_EQ(doc.getInt("Settings", "tsmode", 7), 2);
    EXPECT_EQ(doc.getInt("Settings", "missing", 7), 7);
    EXPECT_EQ(doc.get("search", "lunarage"), "3");

    const std::string text = "[" + kZo + "]\n" + kA + "B=" + kHyo + "\n" + kHyo + "=x\n";
    Document names(text);
    EXPECT_EQ(names.get(kZo, kA + "b"), kHyo); // ASCII after a double-byte char still folds
    EXPECT_EQ(names.get(kZo, kDi + "b"), std::nullopt);
    EXPECT_EQ(names.get(kZo, kHyo), "x");
    ASSERT_TRUE(names.set(kZo, kDi + "B", kHyo + kHyo));
    EXPECT_EQ(names.serialize(), text + kDi + "B=" + kHyo + kHyo + "\n");
    EXPECT_EQ(names.get(kZo, kA + "B"), kHyo);

    // Runs of lead-range bytes pair up from the bracket: 81 81 | 83 5D.
    const Document runs("[\x81\x81" + kZo + "]\nk=1\n[\x81\x81]\nk=2\n");
    EXPECT_EQ(runs.get("\x81\x81" + kZo, "k"), "1");
    EXPECT_EQ(runs.get("\x81\x81", "k"), "2");
}

TEST(Document, SetEditsOnlyWhatItMust) {
    const std::string megabyte(1 << 20, '\x88'); // 512 Ki double-byte characters (88 88)
    struct Row {
        const char* name;
        std::string before;
        std::optional<std::string> was;
        std::vector<Entry> sets;
        std::string after;
    };
    const std::vector<Entry> tsmode5 = {{"Settings", "tsmode", "5"}};
    // clang-format off
    const Row rows[] = {
        {"replace in place", "[S]\r\n  Key = old ; not a comment\r\nq=\"x\"\r\nlast=1", "old ; not a comment",
         {{"s", "KEY", "new"}, {"S", "q", "y"}, {"S", "last", "22"}}, "[S]\r\n  Key = new\r\nq=\"y\"\r\nlast=22"},
        {"insert after last key", "[A]\nx=1\n; about B\n\n[B]\ny=2\n# tail\n\n[C]\n", std::nullopt,
         {{"A", "z", "3"}, {"B", "w", "4"}, {"C", "v", "5"}},
         "[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\nw=4\n# tail\n\n[C]\nv=5\n"},
        {"lf, no section yet", "; no section yet\nunterminated", std::nullopt, {{"Search", "lunarage", "3"}},
         "; no section yet\nunterminated\n[Search]\nlunarage=3\n"},
        {"no line ending", "[S]", std::nullopt, {{"S", "k", "1"}}, "[S]\r\nk=1\r\n"},
        // A lone CR closing an LF file stays part of its line's value.
        {"lone cr", "[A]\nx=1\r", std::nullopt, {{"B", "y", "2"}}, "[A]\nx=1\r\r\n[B]\ny=2\n"},
        // Lines end at LF only: a CR-only file is one line, so its keys are
        // not seen, but not one of its bytes is lost either.
        {"cr only", "[Settings]\rtsmode=1\r", std::nullopt, tsmode5, "[Settings]\rtsmode=1\r\r\ntsmode=5\r\n"},
        {"line of one megabyte", "[Settings]\r\nsound=" + megabyte + "\r\ntsmode=1\r\n", "1", tsmode5,
         "[Settings]\r\nsound=" + megabyte + "\r\ntsmode=5\r\n"},
        {"duplicate sections and keys", "[Settings]\ntsmode=1\nTSMODE=2\n[SETTINGS]\ntsmode=3\n", "1", tsmode5,
         "[Settings]\ntsmode=5\nTSMODE=2\n[SETTINGS]\ntsmode=3\n"},
        // A lone lead byte before ']' takes it as its trail, so that bracket
        // closes nothing; bytes CP932 never uses are kept as they are.
        {"invalid CP932", "[Settings\x83]\r\ntsmode=7\r\n[Settings]\r\n\x80\xFF=\xFD\xA0\r\ntsmode=1\x81\r\n",
         "1\x81", tsmode5, "[Settings\x83]\r\ntsmode=7\r\n[Settings]\r\n\x80\xFF=\xFD\xA0\r\ntsmode=5\r\n"}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Document doc(row.before);
        EXPECT_EQ(doc.get(row.sets[0].section, row.sets[0].key), row.was);
        for (const Entry& e : row.sets)
            ASSERT_TRUE(doc.set(e.section, e.key, e.value)) << e.key;
        EXPECT_EQ(doc.serialize(), row.after);
        for (const Entry& e : row.sets)
            EXPECT_EQ(Document(row.after).get(e.section, e.key), e.value) << e.key;
    }
    EXPECT_EQ(Document("[A]\nx=1\r").get("A", "x"), "1\r");
    EXPECT_EQ(Document("[A]\nx=1\r\r\n[B]\ny=2\n").get("A", "x"), "1\r");
}

TEST(Document, ValuesReadBackAndWhatCannotIsRefused) {
    const std::vector<std::string> values = {"",      " lead", "trail\t",   "\"q\"", "\"",
                                             "a=b;c", "[x]",   kHyo + "\\", "\x83"};
    Document doc("[S]\nother=keep\n");
    for (const std::string& v : values) {
        SCOPED_TRACE(v);
        ASSERT_TRUE(doc.set("S", "k", v));
        EXPECT_EQ(doc.get("S", "k"), v);
        ASSERT_TRUE(doc.set("S", "fresh" + std::to_string(v.size()), v));
        EXPECT_EQ(Document(doc.serialize()).get("S", "fresh" + std::to_string(v.size())), v);
        EXPECT_EQ(doc.get("S", "other"), "keep");
    }
    doc = Document("[S]\nk=1\n");
    const Entry refused[] = {
        {"a]b", "k", "v"}, {"\x83", "k", "v"}, // a lone lead byte would eat ']'
        {" S", "k", "v"},  {"", "k", "v"},     {"S", "a=b", "v"},
        {"S", ";k", "v"},  {"S", "  ", "v"},   {"S", "k", "v\r\nx=1"},
    };
    for (const Entry& e : refused)
        EXPECT_FALSE(doc.set(e.section, e.key, e.value)) << e.section << "/" << e.key;
    EXPECT_EQ(doc.serialize(), "[S]\nk=1\n");
    EXPECT_TRUE(doc.set(kZo, kA, "v")); // 5D and 41 trail bytes are fine
    Document full(std::string(kMaxFileBytes - 10, 'x'));
    EXPECT_FALSE(full.set("S", "k", "v"));
    EXPECT_TRUE(Document(std::string(kMaxFileBytes + 1, 'x')).serialize().empty());
}

class IniFile : public testing::Test {
protected:
    // Only orbel.ini may be left in the folder: no temporary.
    void TearDown() override {
        EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()),
                  fs::exists(m_path) ? 1 : 0);
    }
    void put(const std::string& bytes) { orbel::test::writeBytes(m_path, bytes); }
    std::string contents() const { return orbel::test::readBytes(m_path); }

    orbel::test::TempDir m_dir;
    fs::path m_path = m_dir / "orbel.ini";
};

TEST_F(IniFile, UnusableTargetsFail) {
    Document doc("x");
    EXPECT_TRUE(readFile(m_path, doc));
    EXPECT_EQ(doc.serialize(), "");
    EXPECT_FALSE(writeProfileInt(m_dir / "missing" / "orbel.ini", "S", "k", 1));
    EXPECT_FALSE(fs::exists(m_dir / "missing"));
    fs::create_directory(m_path);
    EXPECT_FALSE(readFile(m_path, doc));
    EXPECT_FALSE(writeProfileInt(m_path, "S", "k", 1));
    EXPECT_EQ(getProfileInt(m_path, "S", "k", 9), 9);
    EXPECT_TRUE(fs::is_directory(m_path));
}

TEST_F(IniFile, WritesKeepEverythingElse) {
    put("; orbel settings\r\n[Settings]\r\ntipupdate=1\r\nTsMode = 1\r\n"
        "notification=-1\r\n\r\n[Search]\r\nlunarage=4");
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(m_path, perms);
    const auto old = fs::last_write_time(m_path) - std::chrono::hours(24);
    fs::last_write_time(m_path, old);
    ASSERT_TRUE(writeProfileInt(m_path, "SETTINGS", "TSMODE", 1));
    EXPECT_EQ(fs::last_write_time(m_path), old);

    const std::vector<Entry> two = {{"Settings", "tsmode", "2"}, {"Settings", "trayicon", "255"}};
    ASSERT_TRUE(writeProfileStrings(m_path, two));
    const std::string edited = "; orbel settings\r\n[Settings]\r\ntipupdate=1\r\nTsMode = 2\r\n"
                               "notification=-1\r\ntrayicon=255\r\n\r\n[Search]\r\nlunarage=4";
    EXPECT_EQ(contents(), edited);
#if !defined(_WIN32) // Windows files have no group or owner bits to keep
    EXPECT_EQ(fs::status(m_path).permissions(), perms);
#endif
    ASSERT_TRUE(writeProfileInt(m_path, "Search", "dayofweek", 7));
    const std::string added = edited + "\r\ndayofweek=7\r\n";
    EXPECT_EQ(contents(), added);
    EXPECT_FALSE(writeProfileStrings(
        m_path, std::vector<Entry>{{"Settings", "tsmode", "3"}, {"Settings", "=", "1"}}));
    EXPECT_EQ(contents(), added);
}

TEST_F(IniFile, GarbageIsSurvived) {
    std::string junk = "[\0\xFF]\xFF\x81\r\r\n=\n[\n \t=x\n\x81=\x83]\n"s;
    for (int i = 0; i < 256; ++i)
        junk += static_cast<char>(i);
    junk += std::string(1 << 20, '\x82') + "=" + std::string(1 << 20, '[');
    put(junk);
    EXPECT_EQ(getProfileInt(m_path, "", "", 3), 3);
    ASSERT_TRUE(writeProfileString(m_path, "Settings", "notifysound", "a.wav"));
    // The first line ending in the junk is "\r\n" (after a lone '\r').
    EXPECT_EQ(contents(), junk + "\r\n[Settings]\r\nnotifysound=a.wav\r\n");
    EXPECT_EQ(getProfileString(m_path, "Settings", "notifysound", ""), "a.wav");
}

// The edits touch the first line and one of the last of 100,000 sections,
// so every offset in between must shift.
TEST_F(IniFile, TenMegabyteFileIsEditedQuickly) {
    std::string sections;
    for (int i = 0; i < 100'000; ++i)
        sections += "[Sec" + std::to_string(i) + "]\r\nkey=" + std::string(80, 'v') + "\r\n";
    const auto file = [&](const char* mode, const char* last) {
        return std::string("[Settings]\r\ntsmode=") + mode + "\r\n" + sections +
               "[Last]\r\nkey=" + last + "\r\n[Tail]\r\nkey=1\r\n";
    };
    put(file("0", "old"));
    const std::vector<Entry> edits = {{"Settings", "tsmode", "12"}, {"LAST", "KEY", "new"}};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(writeProfileStrings(m_path, edits));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(contents(), file("12", "new"));
    // Linear work takes well under a second even with sanitizers and a busy
    // machine; anything quadratic in the line count would take minutes.
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

} // namespace
