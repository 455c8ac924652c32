// Keywords against a model written here: the textbook formulas in long double over
// maps of counts, the rows sorted by the printed figures' source, G2.
#include "core/analysis/keyness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::SmallStoreOptions;
using Counts = std::map<std::string, std::uint32_t>;

struct ModelRow {
    std::string word;
    std::uint32_t a;
    std::uint32_t b;
    long double g2;
    long double logRatio;
};

std::vector<ModelRow> Model(const Counts& list, const Counts& reference, double minKeyness) {
    long double c = 0, d = 0;
    for (const auto& [word, count] : list)
        c += count;
    for (const auto& [word, count] : reference)
        d += count;
    Counts both = list;
    for (const auto& [word, count] : reference)
        both.emplace(word, 0);
    std::vector<ModelRow> rows;
    for (const auto& [word, ignored] : both) {
        const long double a = list.count(word) ? list.at(word) : 0;
        const long double b = reference.count(word) ? reference.at(word) : 0;
        const long double e1 = c * (a + b) / (c + d);
        const long double e2 = d * (a + b) / (c + d);
        long double g2 =
            2 * ((a > 0 ? a * std::log(a / e1) : 0) + (b > 0 ? b * std::log(b / e2) : 0));
        if (a / c < b / d)
            g2 = -std::fabs(g2);
        else
            g2 = std::fabs(g2);
        long double lr = std::log2(((a > 0 ? a : 0.5L) / c) / ((b > 0 ? b : 0.5L) / d));
        // Never against the direction of the relative frequencies.
        if ((a / c > b / d && lr < 0) || (a / c < b / d && lr > 0))
            lr = 0;
        if (std::fabs(g2) + 1e-9L >= minKeyness)
            rows.push_back(
                {word, static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b), g2, lr});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ModelRow& x, const ModelRow& y) { return x.g2 > y.g2 + 1e-9L; });
    return rows;
}

std::string Figure(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2Lf", value);
    return std::string(text) == "-0.00" ? "0.00" : text;
}

void Fill(WordStore& store, const Counts& counts) {
    for (const auto& [word, count] : counts)
        store.AddOccurrences(word.c_str(), word.size(), count);
}

std::string Rows(const std::vector<KeywordRow>& rows) {
    std::string text;
    for (const KeywordRow& row : rows)
        text += std::string(row.word) + "," + std::to_string(row.count) + "," +
                std::to_string(row.refCount) + "," + FormatKeyness(row.keyness.g2) + "," +
                FormatKeyness(row.keyness.logRatio) + "\n";
    return text;
}

std::string Rows(const std::vector<ModelRow>& rows) {
    std::string text;
    for (const ModelRow& row : rows)
        text += row.word + "," + std::to_string(row.a) + "," + std::to_string(row.b) + "," +
                Figure(row.g2) + "," + Figure(row.logRatio) + "\n";
    return text;
}

std::string Compare(const Counts& list, const Counts& reference, double minKeyness) {
    FakeMessages messages;
    WordStore listStore(ReportingStoreOptions(messages, SmallStoreOptions()));
    WordStore referenceStore(ReportingStoreOptions(messages, SmallStoreOptions()));
    Fill(listStore, list);
    Fill(referenceStore, reference);
    return Rows(CompareWithReference(listStore, referenceStore, minKeyness));
}

// Figures worked by hand: "alpha" 10 of 100 against 1 of 100 gives G2 8.55 and a
// Log Ratio of log2(10) = 3.32; a word of the reference only has the 0.5 stand-in.
TEST(Keyness, HandWorkedRows) {
    const Counts list{{"alpha", 10}, {"rest", 90}};
    const Counts reference{{"alpha", 1}, {"rest", 90}, {"zulu", 9}};
    EXPECT_EQ(Compare(list, reference, 0),
              "alpha,10,1,8.55,3.32\n"
              "rest,90,90,0.00,0.00\n"
              "zulu,0,9,-12.48,-4.17\n");
}

// A word the small list lacks, once in a large reference, is rarer in the list: the
// 0.5 put in for its 0 would make its Log Ratio +4.07, so it is 0.00. The same for a
// word once in a large list that the small reference lacks.
TEST(Keyness, LogRatioNeverPointsAgainstTheFrequencies) {
    EXPECT_EQ(Compare({{"the", 3}}, {{"the", 100}, {"rare", 1}}, 0),
              "the,3,100,0.00,0.01\n"
              "rare,0,1,-0.06,0.00\n");
    EXPECT_EQ(Compare({{"the", 999}, {"once", 1}}, {{"the", 3}}, 0),
              "once,1,0,0.01,0.00\n"
              "the,999,3,0.00,0.00\n");
}

// Ordered by signed G2 descending, then the words' bytes; the threshold takes |G2|.
TEST(Keyness, TiesByBytesAndThresholdOnBothSides) {
    const Counts list{{"b", 5}, {"a", 5}, {"same", 50}, {"\xE9t\xE9", 5}};
    const Counts reference{{"same", 50}, {"gone", 15}};
    EXPECT_EQ(Compare(list, reference, 0),
              "a,5,0,6.93,3.32\n"
              "b,5,0,6.93,3.32\n"
              "\xE9t\xE9,5,0,6.93,3.32\n"
              "same,50,50,0.00,0.00\n"
              "gone,0,15,-20.79,-4.91\n");
    EXPECT_EQ(Compare(list, reference, 10.83), "gone,0,15,-20.79,-4.91\n");
}

// Random pairs of lists, overlapping in part, against the model.
TEST(Keyness, RandomListsMatchTheModel) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 200; ++round) {
        Counts list, reference;
        const int words = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < words; ++i) {
            const std::string word = "w" + std::to_string(random() % 60);
            const std::uint32_t count = 1 + random() % (round % 3 == 0 ? 5 : 100000);
            if (random() % 3 != 0)
                list[word] = count;
            if (random() % 3 != 0)
                reference[word] = count / (1 + random() % 4) + 1;
        }
        if (list.empty() || reference.empty())
            continue;
        const double threshold = round % 4 == 0 ? 3.84 : 0.0;
        EXPECT_EQ(Compare(list, reference, threshold), Rows(Model(list, reference, threshold)))
            << "round " << round;
    }
}

}  // namespace
}  // namespace tarvolen
