// A list held in parts that share no word (as processes hold it, by hash): the
// figures, keyword rows and sorted entries of the parts, put together, are those of
// the whole list.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/analysis/keyness.h"
#include "core/analysis/statistics_report.h"
#include "core/ingest/store_reports.h"
#include "core/output/word_list_writer.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;

struct Split {
    explicit Split(FakeMessages& messages, std::size_t parts)
        : whole(ReportingStoreOptions(messages, testing::SmallStoreOptions())) {
        for (std::size_t i = 0; i < parts; ++i)
            part.push_back(std::make_unique<WordStore>(
                ReportingStoreOptions(messages, testing::SmallStoreOptions())));
    }
    void Add(const std::string& word, std::uint32_t count, std::uint32_t range) {
        whole.AddOccurrences(word.c_str(), word.size(), count, range);
        part[HashWord(word.data(), word.size()) % part.size()]->AddOccurrences(
            word.c_str(), word.size(), count, range);
    }
    WordStore whole;
    std::vector<std::unique_ptr<WordStore>> part;
};

// Words of ASCII letters, some with an accented letter in UTF-8, counts of few values
// (ties at the top are common) and ranges.
void Fill(Split& split, std::mt19937& random, std::size_t words) {
    for (std::size_t i = 0; i < words; ++i) {
        std::string word;
        for (std::size_t n = 1 + random() % 9; n > 0; --n)
            word +=
                random() % 8 == 0 ? std::string("\xC3\xA9") : std::string(1, 'a' + random() % 26);
        split.Add(word, 1 + random() % 5, 1 + random() % 3);
    }
}

TEST(ListParts, StatisticsOfThePartsAddUpToTheWholeLists) {
    for (unsigned seed = 1; seed <= 20; ++seed)
        for (CodePage page : {CodePage::Windows1252, CodePage::Utf8}) {
            FakeMessages messages;
            std::mt19937 random(seed);
            Split split(messages, 1 + seed % 5);
            Fill(split, random, random() % 400);
            const StatisticsFigures whole = GatherStatistics(split.whole, page);
            StatisticsFigures sum = GatherStatistics(*split.part.front(), page);
            for (std::size_t i = 1; i < split.part.size(); ++i)
                AddStatistics(sum, GatherStatistics(*split.part[i], page));
            SCOPED_TRACE(seed);
            EXPECT_EQ(sum.wordCount, whole.wordCount);
            EXPECT_EQ(
                std::tie(sum.minLen, sum.maxLen, sum.sumLen, sum.topCount, sum.utf8),
                std::tie(whole.minLen, whole.maxLen, whole.sumLen, whole.topCount, whole.utf8));
            EXPECT_EQ(sum.firstLetter, whole.firstLetter);
            EXPECT_EQ(sum.allLetters, whole.allLetters);
            EXPECT_EQ(sum.lengthCount, whole.lengthCount);
            ASSERT_EQ(sum.letters.size(), whole.letters.size());
            for (std::size_t k = 0; k < sum.letters.size(); ++k)
                EXPECT_EQ(std::tie(sum.letters[k].letter, sum.letters[k].first, sum.letters[k].all),
                          std::tie(whole.letters[k].letter, whole.letters[k].first,
                                   whole.letters[k].all));
            // Of words tied at the top count, either may be named.
            if (whole.wordCount > 0) {
                EXPECT_EQ(split.whole.Occurrences(sum.topWord.c_str(), sum.topWord.size()),
                          whole.topCount);
            }
        }
}

TEST(ListParts, KeywordRowsOfThePartsAgainstTheWholeTotalsAreTheWholeLists) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        FakeMessages messages;
        std::mt19937 random(seed);
        const std::size_t parts = 1 + seed % 4;
        Split list(messages, parts), reference(messages, parts);
        Fill(list, random, random() % 300);
        Fill(reference, random, 1 + random() % 300);
        const double minKeyness = seed % 3 == 0 ? 0.5 : 0.0;
        const std::vector<KeywordRow> whole =
            CompareWithReference(list.whole, reference.whole, minKeyness);
        std::vector<KeywordRow> merged;
        for (std::size_t i = 0; i < parts; ++i) {
            const std::vector<KeywordRow> rows =
                CompareWithReference(*list.part[i], *reference.part[i], minKeyness,
                                     TotalCount(list.whole), TotalCount(reference.whole));
            merged.insert(merged.end(), rows.begin(), rows.end());
        }
        std::sort(merged.begin(), merged.end(), KeywordRowBefore);
        ASSERT_EQ(merged.size(), whole.size()) << seed;
        for (std::size_t i = 0; i < whole.size(); ++i)
            EXPECT_EQ(std::tie(merged[i].word, merged[i].count, merged[i].refCount,
                               merged[i].keyness.g2, merged[i].keyness.logRatio),
                      std::tie(whole[i].word, whole[i].count, whole[i].refCount,
                               whole[i].keyness.g2, whole[i].keyness.logRatio))
                << seed << " row " << i;
    }
}

// The lists' orders, written out plainly: bytes as unsigned, a prefix first; counts
// from the largest.
bool ModelBefore(ListKind kind, const ListEntry& a, const ListEntry& b) {
    const auto bytes = [](std::string_view word) {
        return std::vector<unsigned char>(word.begin(), word.end());
    };
    if (kind != ListKind::Words && a.count != b.count)
        return a.count > b.count;
    return bytes(a.word) < bytes(b.word);
}

TEST(ListParts, SortedEntriesOfThePartsMergeIntoTheWholeLists) {
    for (unsigned seed = 1; seed <= 20; ++seed)
        for (ListKind kind : {ListKind::Words, ListKind::Frequency, ListKind::Range}) {
            FakeMessages messages;
            std::mt19937 random(seed);
            Split split(messages, 1 + seed % 5);
            Fill(split, random, random() % 400);
            std::vector<ListEntry> model;
            for (const auto& part : split.part) {
                const std::vector<ListEntry> entries = SortedEntries(*part, kind);
                EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                                           [kind](const ListEntry& a, const ListEntry& b) {
                                               return ListBefore(kind, a, b);
                                           }));
                model.insert(model.end(), entries.begin(), entries.end());
            }
            std::sort(model.begin(), model.end(), [kind](const ListEntry& a, const ListEntry& b) {
                return ModelBefore(kind, a, b);
            });
            const std::vector<ListEntry> whole = SortedEntries(split.whole, kind);
            ASSERT_EQ(whole.size(), model.size());
            for (std::size_t i = 0; i < whole.size(); ++i) {
                const bool counted = kind != ListKind::Words;
                EXPECT_EQ(std::tie(whole[i].word, counted ? whole[i].count : model[i].count,
                                   counted ? whole[i].range : model[i].range),
                          std::tie(model[i].word, model[i].count, model[i].range))
                    << seed << " entry " << i;
            }
        }
}

}  // namespace
}  // namespace tarvolen
