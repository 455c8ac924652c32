// The store against std::map: long random sequences of adds, removals, clears and
// growths forced by a tiny arena must always hold exactly what the map holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/collect/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::WordCounts;

WordCounts Contents(const WordStore& store) {
    WordCounts words;
    WordStore::Position pos = store.GetStartPosition();
    while (!(pos == WordStore::EndPosition())) {
        std::string_view word;
        std::uint32_t count = 0;
        store.GetNextEntry(pos, word, count);
        EXPECT_GE(count, 1u);
        EXPECT_TRUE(words.emplace(word, count).second) << "listed twice: " << word;
    }
    return words;
}

// The same through the walk in storage order, which must skip the freed entries.
WordCounts WalkedContents(const WordStore& store) {
    WordCounts words;
    store.ForEachEntry([&](std::string_view word, std::uint32_t count, std::uint64_t leading) {
        std::uint64_t expected = 0;
        for (std::size_t i = 0; i < 8; ++i)
            expected =
                (expected << 8) | (i < word.size() ? static_cast<unsigned char>(word[i]) : 0u);
        EXPECT_EQ(leading, expected) << word;
        EXPECT_TRUE(words.emplace(word, count).second) << "walked twice: " << word;
    });
    return words;
}

class Vocabulary {
  public:
    explicit Vocabulary(std::mt19937& rng) : rng_(rng) {
        // Bytes 1..255, lengths 1..40: shares prefixes often, so lookups compare
        // prefixes and extensions of stored texts.
        std::uniform_int_distribution<int> length(1, 40);
        std::uniform_int_distribution<int> byte(1, 255);
        std::uniform_int_distribution<int> small(0, 3);
        for (int i = 0; i < 400; ++i) {
            std::string word;
            const int n = length(rng_);
            for (int k = 0; k < n; ++k) {
                word.push_back(static_cast<char>(k % 3 == 0 ? byte(rng_) : 'a' + small(rng_)));
            }
            words_.push_back(word);
            words_.push_back(word.substr(0, word.size() / 2 + 1));
        }
    }
    const std::string& Pick() {
        std::uniform_int_distribution<std::size_t> index(0, words_.size() - 1);
        return words_[index(rng_)];
    }

  private:
    std::mt19937& rng_;
    std::vector<std::string> words_;
};

TEST(WordStoreModelTest, RandomOperationsMatchAMap) {
    std::mt19937 rng(7);
    Vocabulary vocabulary(rng);
    testing::FakeMessages messages;
    WordStore store(messages, testing::SmallStoreOptions(4096));
    WordCounts model;
    std::uniform_int_distribution<int> operation(0, 1999);
    std::uint32_t capacity = store.Capacity();
    int growths = 0;
    int clears = 0;

    for (int step = 0; step < 30'000; ++step) {
        const int op = operation(rng);
        const std::string& word = vocabulary.Pick();
        if (op < 1400) {
            store.AddWord(word.c_str());
            ++model[word];
        } else if (op < 1995) {
            store.RemoveWord(word.c_str());
            model.erase(word);
        } else if (op < 1998) {
            store.Clear();
            model.clear();
            ++clears;
            ASSERT_EQ(store.BytesUsed(), 0u);
        } else {
            // Force a growth: new long words until the capacity moves.
            for (int i = 0; store.Capacity() == capacity; ++i) {
                const std::string filler = "filler" + std::to_string(step) + "_" +
                                           std::to_string(i) + std::string(50, 'f');
                store.AddWord(filler.c_str());
                ++model[filler];
            }
        }
        if (store.Capacity() != capacity) {
            ASSERT_EQ(store.Capacity(), capacity + 4096u);
            capacity = store.Capacity();
            ++growths;
            ASSERT_EQ(Contents(store), model) << "after the growth at step " << step;
        }
        ASSERT_EQ(store.Count(), static_cast<std::int32_t>(model.size())) << "step " << step;
        ASSERT_LT(store.BytesUsed(), store.Capacity());
        if (step % 5000 == 0 || step % 997 == 0) {
            ASSERT_EQ(Contents(store), model) << "step " << step;
            ASSERT_EQ(WalkedContents(store), model) << "step " << step;
        }
    }
    EXPECT_EQ(Contents(store), model);
    EXPECT_EQ(WalkedContents(store), model);
    EXPECT_GT(growths, 10);
    EXPECT_GT(clears, 10);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(WordStoreModelTest, RemovingDuringIterationVisitsEachEntryOnce) {
    std::mt19937 rng(11);
    Vocabulary vocabulary(rng);
    testing::FakeMessages messages;
    WordStore store(messages, testing::SmallStoreOptions(4096));
    std::bernoulli_distribution removeIt(0.5);

    for (int round = 0; round < 6; ++round) {
        WordCounts model;
        for (int i = 0; i < 3000; ++i) {
            const std::string& word = vocabulary.Pick();
            store.AddWord(word.c_str());
            ++model[word];
        }
        // Like the Filter: some returned words are removed on the spot.
        WordCounts seen;
        WordCounts kept;
        testing::ForEachStoredWord(store, [&](const std::string& word, std::uint32_t count) {
            EXPECT_TRUE(seen.emplace(word, count).second) << "visited twice: " << word;
            if (round % 2 == 0 || removeIt(rng)) {
                store.RemoveWord(word.c_str());
            } else {
                kept[word] = count;
            }
        });
        ASSERT_EQ(seen, model);
        ASSERT_EQ(Contents(store), kept);
        ASSERT_EQ(WalkedContents(store), kept);
        store.Clear();
    }
}

}  // namespace
}  // namespace tarvolen
