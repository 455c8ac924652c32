// Growths of many entries: the full-size arena grown for real (180 MiB of text, then
// one step of 50 MiB), and a growth that shrinks a table of over a million entries.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_store_probe.h"

namespace tarvolen {
namespace {

// Distinct words of 63 bytes from an index; long words keep the entry count (and
// the test's memory) modest while filling the arena.
std::string WordOf(std::uint32_t index) {
    std::string word(63, 'x');
    for (int i = 0; i < 7; ++i, index /= 26)
        word[static_cast<std::size_t>(i)] = static_cast<char>('a' + index % 26);
    return word;
}

std::uint32_t IndexOf(std::string_view word) {
    std::uint32_t index = 0;
    for (int i = 6; i >= 0; --i)
        index = index * 26 + static_cast<std::uint32_t>(word[static_cast<std::size_t>(i)] - 'a');
    return index;
}

TEST(WordStoreGrowthSlowTest, DefaultArenaGrowsByOneStepAndKeepsEverything) {
    testing::FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages));
    ASSERT_EQ(WordStoreProbe::Capacity(store), WordStore::kInitialCapacity);

    // Each word occurs index % 3 + 1 times; the repeats go in a second pass so that
    // known words also cross the growth.
    std::uint32_t words = 0;
    while (WordStoreProbe::Capacity(store) == WordStore::kInitialCapacity) {
        store.AddWord(WordOf(words).c_str(), 63);
        ++words;
    }
    const std::uint32_t extra = words / 10;  // some more after the growth
    for (std::uint32_t i = 0; i < extra; ++i)
        store.AddWord(WordOf(words + i).c_str(), 63);
    words += extra;
    for (std::uint32_t i = 0; i < words; ++i) {
        for (std::uint32_t k = 0; k < i % 3; ++k)
            store.AddWord(WordOf(i).c_str(), 63);
    }

    EXPECT_EQ(WordStoreProbe::Capacity(store),
              WordStore::kInitialCapacity + WordStore::kGrowthStep);
    ASSERT_EQ(store.Count(), static_cast<std::int32_t>(words));
    EXPECT_EQ(WordStoreProbe::BytesUsed(store), std::size_t{words} * 64);
    EXPECT_TRUE(messages.shown.empty());

    std::vector<bool> seen(words, false);
    std::uint32_t visited = 0;
    WordStore::Position pos = store.GetStartPosition();
    while (!(pos == WordStore::EndPosition())) {
        std::string_view word;
        std::uint32_t count = 0;
        store.GetNextEntry(pos, word, count);
        ASSERT_EQ(word.size(), 63u);
        const std::uint32_t index = IndexOf(word);
        ASSERT_LT(index, words);
        ASSERT_EQ(word, WordOf(index));
        ASSERT_FALSE(seen[index]) << "visited twice: " << index;
        seen[index] = true;
        ASSERT_EQ(count, index % 3 + 1) << index;
        ++visited;
    }
    EXPECT_EQ(visited, words);
}

// Over a million entries fill more than one of the table's slabs; after most are
// removed, a growth moves the rest into a table of one slab. The words counted last
// are those the cache of recent words names, and it must not name their old places.
TEST(WordStoreGrowthSlowTest, GrowthAfterRemovalsForgetsTheOldPlaces) {
    constexpr std::uint32_t kWords = 1'100'000;
    constexpr std::uint32_t kKept = 2'000;
    auto wordOf = [](std::uint32_t index) {
        std::string word(5, 'a');
        for (char& c : word) {
            c = static_cast<char>('a' + index % 26);
            index /= 26;
        }
        return word;
    };
    testing::FakeMessages messages;
    // Room for the words and a little more, so that a few long words grow it.
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(kWords * 6 + 64)));
    for (std::uint32_t i = 0; i < kWords; ++i)
        store.AddWord(wordOf(i).c_str());
    for (std::uint32_t i = 0; i < kWords - kKept; ++i)
        store.RemoveWord(wordOf(i).c_str());
    const std::uint32_t capacity = WordStoreProbe::Capacity(store);
    testing::WordCounts model;
    for (int i = 0; WordStoreProbe::Capacity(store) == capacity; ++i) {
        const std::string filler = "filler" + std::to_string(i) + std::string(40, 'f');
        store.AddWord(filler.c_str());
        model[filler] = 1;
    }
    for (std::uint32_t i = kWords - kKept; i < kWords; ++i) {
        store.AddWord(wordOf(i).c_str());
        model[wordOf(i)] = 2;
    }
    EXPECT_EQ(testing::StoreWords(store), model);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace tarvolen
