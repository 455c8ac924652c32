// The three filter rules on one small store, with the boundaries each comparison has.
#include "core/analysis/word_filter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;

const std::string kLongest(20, 'x');  // the tokenizer's longest word

// word -> occurrences
const std::map<std::string, int> kWords = {
    {"a", 1}, {"bb", 2}, {"ccc", 1}, {"dddd", 3}, {"eeeee", 2}, {kLongest, 1},
};

std::set<std::string> Held(const WordStore& store) {
    std::set<std::string> held;
    WordStore::Position pos = store.GetStartPosition();
    std::string word;
    std::uint32_t count = 0;
    while (pos != WordStore::EndPosition()) {
        store.GetNextWord(pos, word, count);
        held.insert(word);
    }
    return held;
}

struct FilterCase {
    const char* why;
    FilterMode mode;
    std::int32_t value;
    std::set<std::string> removed;
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.why;
}

class WordFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(WordFilterTest, RemovesExactlyTheWordsTheRulePicks) {
    const FilterCase& c = GetParam();
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    for (const auto& [word, times] : kWords) {
        for (int i = 0; i < times; ++i)
            store.AddWord(word.c_str());
    }

    std::set<std::string> expected;
    for (const auto& [word, times] : kWords) {
        if (!c.removed.count(word))
            expected.insert(word);
    }

    EXPECT_EQ(FilterWords(store, c.mode, c.value), static_cast<std::int32_t>(c.removed.size()));
    EXPECT_EQ(Held(store), expected);
    EXPECT_EQ(store.Count(), static_cast<std::int32_t>(expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WordFilterTest,
    ::testing::Values(
        FilterCase{"rare 1: every held word was seen at least once", FilterMode::Rare, 1, {}},
        FilterCase{
            "rare 2: exactly the words seen once", FilterMode::Rare, 2, {"a", "ccc", kLongest}},
        FilterCase{"rare 3: a count equal to N stays",
                   FilterMode::Rare,
                   3,
                   {"a", "bb", "ccc", "eeeee", kLongest}},
        FilterCase{"rare 10000: everything goes",
                   FilterMode::Rare,
                   10000,
                   {"a", "bb", "ccc", "dddd", "eeeee", kLongest}},
        FilterCase{"short 1: no word is shorter than one letter", FilterMode::Short, 1, {}},
        FilterCase{"short 5: words of 1 to 4 letters, the 5-letter word stays",
                   FilterMode::Short,
                   5,
                   {"a", "bb", "ccc", "dddd"}},
        FilterCase{"short 21: even the longest word goes",
                   FilterMode::Short,
                   21,
                   {"a", "bb", "ccc", "dddd", "eeeee", kLongest}},
        FilterCase{
            "long 20: no word is longer than the tokenizer allows", FilterMode::Long, 20, {}},
        FilterCase{"long 10000: nothing", FilterMode::Long, 10000, {}},
        FilterCase{"long 19: only the 20-letter word", FilterMode::Long, 19, {kLongest}},
        FilterCase{"long 4: a length equal to N stays", FilterMode::Long, 4, {"eeeee", kLongest}},
        FilterCase{"long 1: all but the one-letter word",
                   FilterMode::Long,
                   1,
                   {"bb", "ccc", "dddd", "eeeee", kLongest}}),
    [](const ::testing::TestParamInfo<FilterCase>& info) {
        std::string name;
        for (const char* p = info.param.why; *p != ':' && *p != '\0'; ++p) {
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        }
        return name;
    });

// Words in a row are as long as all their characters, spaces included; in a UTF-8
// list, characters rather than bytes.
TEST(WordFilterRowsTest, LengthsCountTheWholeEntry) {
    const std::string accented = "\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9";  // 7 characters, 11 bytes
    struct Case {
        const char* why;
        CodePage codePage;
        FilterMode mode;
        std::int32_t value;
        std::set<std::string> removed;
    };
    const std::vector<Case> cases = {
        {"short 4 of a code page", CodePage::Windows1252, FilterMode::Short, 4, {"a b"}},
        {"long 5 of a code page", CodePage::Windows1252, FilterMode::Long, 5, {accented}},
        {"long 7 of UTF-8", CodePage::Utf8, FilterMode::Long, 7, {}},
        {"long 6 of UTF-8", CodePage::Utf8, FilterMode::Long, 6, {accented}},
        {"short 6 of UTF-8", CodePage::Utf8, FilterMode::Short, 6, {"a b", "ab cd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        FakeMessages messages;
        WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
        std::set<std::string> kept = {"a b", "ab cd", accented};
        for (const std::string& entry : kept)
            store.AddWord(entry.c_str());
        for (const std::string& entry : c.removed)
            kept.erase(entry);
        EXPECT_EQ(FilterWords(store, c.mode, c.value, c.codePage),
                  static_cast<std::int32_t>(c.removed.size()));
        EXPECT_EQ(Held(store), kept);
    }
}

TEST(WordFilterLargeTest, RemovingWhileIteratingJudgesEveryWordOnce) {
    // Enough words that many chains hold several entries; every other word is rare.
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    constexpr int kWordCount = 24690;
    std::set<std::string> kept;
    for (int i = 0; i < kWordCount; ++i) {
        std::string word = "w";
        word += std::to_string(i);
        store.AddWord(word.c_str());
        if (i % 2 == 0) {
            store.AddWord(word.c_str());
            kept.insert(word);
        }
    }

    EXPECT_EQ(FilterWords(store, FilterMode::Rare, 2), kWordCount / 2);
    EXPECT_EQ(Held(store), kept);

    EXPECT_EQ(FilterWords(store, FilterMode::Rare, 3), kWordCount / 2);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.GetStartPosition(), WordStore::EndPosition());
}

TEST(WordFilterLargeTest, EmptyStoreRemovesNothing) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    EXPECT_EQ(FilterWords(store, FilterMode::Long, 1), 0);
    EXPECT_EQ(store.Count(), 0);
}

}  // namespace
}  // namespace tarvolen

namespace tarvolen {
namespace {

// One rule for the dialog and the command line: blanks around a signed decimal
// number are ignored, anything else refuses the text.
TEST(ParseFilterValueTest, TrimmedDecimalWithinTheRange) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> integer;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"1", 1, 1},
        {"10000", 10000, 10000},
        {" \t250\r\n", 250, 250},
        {"0007", 7, 7},
        {"0", 0, std::nullopt},
        {"10001", 10001, std::nullopt},
        {"-3", -3, std::nullopt},
        {"2147483647", 2147483647, std::nullopt},
        {"2147483648", std::nullopt, std::nullopt},
        {"+5", std::nullopt, std::nullopt},
        {"5x", std::nullopt, std::nullopt},
        {"5 5", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {" \t ", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseInteger(c.text), c.integer) << '"' << c.text << '"';
        EXPECT_EQ(ParseFilterValue(c.text), c.value) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace tarvolen
