// The Word List window's snapshot and sorts, against orders built plainly from
// std::string copies of the words.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/text/collation.h"
#include "core/wordtable/list_order.h"
#include "core/wordtable/list_snapshot.h"
#include "support/collation_model.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::SmallStoreOptions;

struct Word {
    std::string text;
    std::uint32_t count;
    std::size_t rank = 0;  // 1-based, in FrequencyOrder
};

std::vector<std::string> Texts(const ListSnapshot& snapshot, const RowOrder& rows) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < rows.size(); ++i)
        texts.emplace_back(snapshot.Word(rows[i]));
    return texts;
}

class ListOrderTest : public ::testing::Test {
  protected:
    void Add(const std::string& word, int times) {
        for (int i = 0; i < times; ++i)
            store.AddWord(word.c_str());
    }

    FakeMessages messages;
    WordStore store{ReportingStoreOptions(messages, SmallStoreOptions())};
};

TEST_F(ListOrderTest, TheSnapshotIsInFrequencyOrderWithTiesByTheirBytes) {
    Add("b", 2);
    Add("a", 2);
    Add("c", 5);
    Add("\xE4pfel", 2);  // a byte above 0x7F sorts after every ASCII letter
    Add("zebra", 2);
    const ListSnapshot snapshot(store);
    EXPECT_EQ(
        Texts(snapshot, SortRows(snapshot, {ListSortKey::Rank, false}, CodePage::Windows1252)),
        (std::vector<std::string>{"c", "a", "b", "zebra", "\xE4pfel"}));
    EXPECT_EQ(snapshot.TotalOccurrences(), 13u);
    EXPECT_EQ(snapshot.Count(0), 5u);
}

TEST_F(ListOrderTest, EverySortInBothDirectionsAgreesWithAPlainModel) {
    std::mt19937 random(24);
    const std::string letters = "abcz\xE0\xE9\xFF";
    std::vector<Word> words;
    for (int i = 0; i < 600; ++i) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 12);
        for (int j = 0; j < length; ++j)
            text += letters[random() % letters.size()];
        if (std::any_of(words.begin(), words.end(), [&](const Word& w) { return w.text == text; }))
            continue;
        const auto count = static_cast<std::uint32_t>(1 + random() % 4);
        words.push_back({text, count});
        Add(text, static_cast<int>(count));
    }
    // FrequencyOrder gives the ranks; std::string compares its chars as unsigned.
    std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
        return a.count != b.count ? a.count > b.count : a.text < b.text;
    });
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i].rank = i + 1;
    const ListSnapshot snapshot(store);
    ASSERT_EQ(snapshot.size(), words.size());

    using Less = std::function<bool(const Word&, const Word&)>;
    const auto backwards = [](const std::string& s) { return std::string(s.rbegin(), s.rend()); };
    struct Case {
        ListSortKey key;
        Less ascending;
        bool ranksKeepTiesInBothDirections;
    };
    const std::vector<Case> cases = {
        {ListSortKey::Rank, [](const Word& a, const Word& b) { return a.rank < b.rank; }, false},
        {ListSortKey::Word, [](const Word& a, const Word& b) { return a.text < b.text; }, false},
        {ListSortKey::WordBackwards,
         [&](const Word& a, const Word& b) { return backwards(a.text) < backwards(b.text); },
         false},
        {ListSortKey::Count, [](const Word& a, const Word& b) { return a.count < b.count; }, true},
        {ListSortKey::Length,
         [](const Word& a, const Word& b) { return a.text.size() < b.text.size(); }, true},
    };
    for (const Case& c : cases) {
        for (const bool descending : {false, true}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(c.key)) + (descending ? " down" : " up"));
            std::vector<Word> expected = words;
            std::sort(expected.begin(), expected.end(), [&](const Word& a, const Word& b) {
                if (c.ranksKeepTiesInBothDirections) {
                    if (c.ascending(a, b) || c.ascending(b, a))
                        return descending ? c.ascending(b, a) : c.ascending(a, b);
                    return a.rank < b.rank;
                }
                return descending ? c.ascending(b, a) : c.ascending(a, b);
            });
            const RowOrder rows = SortRows(snapshot, {c.key, descending}, CodePage::Windows1252);
            ASSERT_EQ(rows.size(), expected.size());
            for (std::size_t i = 0; i < rows.size(); ++i) {
                ASSERT_EQ(snapshot.Word(rows[i]), expected[i].text) << "at " << i;
                // The rank is the row's place in FrequencyOrder, whatever the sort.
                ASSERT_EQ(rows[i] + 1, expected[i].rank);
                ASSERT_EQ(snapshot.Count(rows[i]), expected[i].count);
            }
        }
    }
}

// The Word column in a language's order, whatever the counts; read backwards the words
// keep byte order, and the other sorts ignore the language.
TEST_F(ListOrderTest, WordsSortInALanguagesOrderAsIcuGivesIt) {
    for (const testing::LanguageCase& language : testing::kLanguages) {
        WordStore words{ReportingStoreOptions(messages, SmallStoreOptions())};
        for (std::size_t i = 0; i < language.words.size(); ++i) {
            for (std::size_t n = 0; n <= i % 3; ++n)
                words.AddWord(language.words[i].c_str());
        }
        const ListSnapshot snapshot(words);
        const std::unique_ptr<Collation> collation = Collation::ForLocale(language.locale);
        std::vector<std::string> expected = testing::ModelOrder(language.words, language.locale);
        EXPECT_EQ(Texts(snapshot, SortRows(snapshot, {ListSortKey::Word, false}, CodePage::Utf8,
                                           collation.get())),
                  expected)
            << language.locale;
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(Texts(snapshot, SortRows(snapshot, {ListSortKey::Word, true}, CodePage::Utf8,
                                           collation.get())),
                  expected)
            << language.locale;
        for (const ListSort sort :
             {ListSort{ListSortKey::WordBackwards, false}, ListSort{ListSortKey::Count, false}}) {
            EXPECT_EQ(Texts(snapshot, SortRows(snapshot, sort, CodePage::Utf8, collation.get())),
                      Texts(snapshot, SortRows(snapshot, sort, CodePage::Utf8)))
                << language.locale;
        }
    }
}

TEST_F(ListOrderTest, AnEmptyStoreGivesAnEmptySnapshot) {
    const ListSnapshot snapshot(store);
    EXPECT_TRUE(snapshot.empty());
    EXPECT_EQ(SortRows(snapshot, {ListSortKey::Word, true}, CodePage::Windows1252).size(), 0u);
}

}  // namespace
}  // namespace tarvolen
