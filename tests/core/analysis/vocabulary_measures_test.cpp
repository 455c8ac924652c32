// The measures of a vocabulary: the store's segments and ranges against a model of
// random documents, and the report's exact text.
#include "core/analysis/vocabulary_measures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/part_segments.h"
#include "core/store/word_batch.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_store_probe.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;

// Documents of lengths about a segment's edges, and some of any length, of words from a
// vocabulary whose size sets how many of a segment's words repeat; between them words
// of merged lists, which belong to no segment.
TEST(VocabularyMeasuresTest, SegmentsRangesAndCountsMatchAModelOfRandomDocuments) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        FakeMessages messages;
        WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(1 << 16)));
        const int vocabulary = std::uniform_int_distribution<int>(2, 3000)(random);
        const int lengths[] = {0, 1, 999, 1000, 1001, 1999, 2000, 2001, 4321};
        SegmentFigures model;
        std::map<std::string, std::uint32_t> counts, ranges;
        const int documents = std::uniform_int_distribution<int>(0, 9)(random);
        for (int d = 0; d < documents; ++d) {
            const int length = seed % 2 == 0 ? lengths[random() % std::size(lengths)]
                                             : std::uniform_int_distribution<int>(0, 6000)(random);
            store.BeginDocument();
            std::set<std::string> inDocument, inSegment;
            for (int i = 0; i < length; ++i) {
                const std::string word =
                    "w" + std::to_string(std::uniform_int_distribution<int>(1, vocabulary)(random));
                store.AddWord(word.c_str());
                ++counts[word];
                ranges[word] += inDocument.insert(word).second;
                inSegment.insert(word);
                if ((i + 1) % 1000 == 0) {
                    ++model.segments;
                    model.distinct += inSegment.size();
                    inSegment.clear();
                }
            }
            if (random() % 3 == 0) {
                store.AddOccurrences("listed", 6, 3, 2);
                counts["listed"] += 3;
                ranges["listed"] += 2;
            }
        }
        EXPECT_EQ(store.TakeSegments(), model);
        EXPECT_EQ(store.TakeSegments(), SegmentFigures{});

        VocabularyMeasures expected;
        for (const auto& [word, count] : counts) {
            EXPECT_EQ(store.RangeOf(word.c_str(), word.size()), ranges[word]) << word;
            expected.tokens += count;
            ++expected.types;
            expected.hapax += count == 1;
            expected.dis += count == 2;
        }
        const VocabularyMeasures measured = MeasureList(store);
        EXPECT_EQ(measured.tokens, expected.tokens);
        EXPECT_EQ(measured.types, expected.types);
        EXPECT_EQ(measured.hapax, expected.hapax);
        EXPECT_EQ(measured.dis, expected.dis);
    }
}

// A document read in parts, as threads and processes read one: each part counted before
// the parts ahead of it are known, in any order, several by one store (as a thread
// counts them), some near the marks' end, some within the document (as a process reads
// the file dealt in parts), whose range stays 1; the parts joined in order give the
// segments of the whole. Parts of any length: empty, shorter than a segment, a segment or two long,
// so that segments run across one cut or several; their words one at a time or in runs.
TEST(VocabularyMeasuresTest, PartsOfADocumentJoinToTheSegmentsOfTheWhole) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const int vocabulary = std::uniform_int_distribution<int>(2, 3000)(random);
        const int length = std::uniform_int_distribution<int>(0, 12000)(random);
        std::vector<std::string> words;
        SegmentFigures model;
        std::set<std::string> inSegment;
        for (int i = 0; i < length; ++i) {
            words.push_back(
                "w" + std::to_string(std::uniform_int_distribution<int>(1, vocabulary)(random)));
            inSegment.insert(words.back());
            if ((i + 1) % 1000 == 0) {
                ++model.segments;
                model.distinct += inSegment.size();
                inSegment.clear();
            }
        }
        // The cuts: at random, or a few words either side of a segment's edge.
        std::vector<int> cuts = {0, length};
        const int count = std::uniform_int_distribution<int>(0, 14)(random);
        for (int c = 0; c < count; ++c)
            cuts.push_back(seed % 3 == 0 ? std::clamp(1000 * static_cast<int>(random() % 13) +
                                                          static_cast<int>(random() % 5) - 2,
                                                      0, length)
                                         : static_cast<int>(random() % (length + 1)));
        std::ranges::sort(cuts);

        std::vector<std::unique_ptr<WordStore>> stores;
        const std::size_t readers = 1 + random() % 3;
        for (std::size_t r = 0; r < readers; ++r) {
            stores.push_back(std::make_unique<WordStore>(testing::SmallStoreOptions(1 << 16)));
            if (random() % 3 == 0)
                WordStoreProbe::MarkFrom(*stores.back(),
                                         UINT32_MAX - static_cast<std::uint32_t>(random() % 4000));
            if (random() % 2 == 0)
                stores.back()->BeginDocument();
        }
        std::vector<std::size_t> order(cuts.size() - 1);
        std::iota(order.begin(), order.end(), 0);
        std::ranges::shuffle(order, random);
        std::vector<PartSegments> parts(order.size());
        for (const std::size_t part : order) {
            WordStore& store = *stores[random() % readers];
            store.BeginPart();
            // One at a time, or in runs of any length as the word cutters hand them over.
            const std::size_t run = seed % 2 == 0 ? 0 : 1 + random() % 300;
            for (int i = cuts[part]; i < cuts[part + 1];) {
                if (run == 0) {
                    store.AddWord(words[static_cast<std::size_t>(i++)].c_str());
                    continue;
                }
                std::vector<WordBatch::PreparedWord> batch;
                for (; i < cuts[part + 1] && batch.size() < run; ++i) {
                    const std::string& word = words[static_cast<std::size_t>(i)];
                    WordBatch::Prepare(batch.emplace_back(), word.c_str(), word.size());
                }
                WordBatch::Preload(store, batch.data(), batch.size());
                WordBatch::AddRun(store, batch.data(), batch.size());
            }
            parts[part] = store.EndPart();
        }
        std::vector<const PartSegments*> inOrder;
        for (const PartSegments& part : parts)
            inOrder.push_back(&part);
        EXPECT_EQ(JoinParts(inOrder), model);
        for (const auto& store : stores) {
            if (store->DocumentCount() == 0)
                continue;
            for (const std::string& word : words)
                ASSERT_LE(store->RangeOf(word.c_str(), word.size()), 1u) << word;
        }
    }
}

TEST(VocabularyMeasuresTest, ReportsEveryFigureWithTwoDecimalsAndNotApplicableWhereNone) {
    VocabularyMeasures measures;
    measures.tokens = 1'234'567;
    measures.types = 12'345;
    measures.hapax = 5'432;
    measures.dis = 1'234;
    measures.segments = {1'234, 558'138};
    EXPECT_EQ(FormatMeasures(measures),
              "Tokens: 1,234,567\n"
              "Types: 12,345\n"
              "Type/token ratio: 1.00%\n"
              "Standardised type/token ratio: 45.23% (1,234 segments of 1,000 tokens)\n"
              "Hapax legomena: 5,432 (44.00% of types)\n"
              "Dis legomena: 1,234 (10.00% of types)\n");

    // A list merged alone: no document gave a segment.
    measures.segments = {};
    EXPECT_NE(FormatMeasures(measures).find("Standardised type/token ratio: n/a\n"),
              std::string::npos);
    EXPECT_EQ(FormatMeasures(VocabularyMeasures{}),
              "Tokens: 0\n"
              "Types: 0\n"
              "Type/token ratio: n/a\n"
              "Standardised type/token ratio: n/a\n"
              "Hapax legomena: 0\n"
              "Dis legomena: 0\n");
}

}  // namespace
}  // namespace tarvolen
