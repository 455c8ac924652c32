#include "core/store/word_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/store_exchange.h"
#include "core/store/word_batch.h"
#include "support/fake_arena_memory.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_store_probe.h"

namespace tarvolen {
namespace {

using ::testing::ElementsAre;
using testing::FakeArenaMemory;
using testing::FakeMessages;
using testing::StoreWords;
using testing::WordCounts;

WordStore::Options SmallArena(std::uint32_t initial = 4096, std::uint32_t step = 4096,
                              ArenaMemory* memory = nullptr) {
    WordStore::Options options;
    options.initialCapacity = initial;
    options.growthStep = step;
    options.memory = memory;
    return options;
}

// Built by appending: GCC 12 warns falsely about "literal" + std::string.
std::string Numbered(const char* prefix, int number) {
    std::string word = prefix;
    word += std::to_string(number);
    return word;
}

std::vector<std::string> IterationOrder(const WordStore& store) {
    std::vector<std::string> order;
    WordStore::Position pos = store.GetStartPosition();
    while (!(pos == WordStore::EndPosition())) {
        std::string_view word;
        std::uint32_t count = 0;
        store.GetNextEntry(pos, word, count);
        order.emplace_back(word);
    }
    return order;
}

TEST(WordStoreTest, CountsRepeatedWordOnce) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    for (int i = 0; i < 3; ++i)
        store.AddWord("apple");
    EXPECT_EQ(store.Count(), 1);
    EXPECT_EQ(StoreWords(store), (WordCounts{{"apple", 3}}));
}

TEST(WordStoreTest, ComparesBytesNotCase) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    store.AddWord("Apple");
    store.AddWord("apple");
    EXPECT_EQ(StoreWords(store), (WordCounts{{"Apple", 1}, {"apple", 1}}));
}

TEST(WordStoreTest, AllOverloadsAgree) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    store.AddWord("\xE4pfel");
    store.AddWord("\xE4pfel", 5);
    WordBatch::AddHashed(store, "\xE4pfel", 5, HashWord("\xE4pfel", 5));
    EXPECT_EQ(StoreWords(store), (WordCounts{{"\xE4pfel", 3}}));
    std::uint32_t hash = kHashSeed;
    for (unsigned char c : std::string("\xE4pfel"))
        hash = HashStep(hash, c);
    EXPECT_EQ(hash, HashWord("\xE4pfel", 5));
}

TEST(WordStoreTest, PrefixesAndExtensionsAreDistinct) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    for (const char* word : {"abc", "ab", "abcd", "a", "abc", "ab"})
        store.AddWord(word);
    EXPECT_EQ(StoreWords(store), (WordCounts{{"a", 1}, {"ab", 2}, {"abc", 2}, {"abcd", 1}}));
}

// Past the bytes an entry keeps, the rest of the text is compared: words of 12 to 24
// bytes that share their first 12 and differ in one later byte or in length.
TEST(WordStoreTest, LongWordsDifferingAfterTheKeptBytesAreDistinct) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    const std::string stem = "abcdefghijkl";
    WordCounts model;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t length = 12; length <= 24; ++length) {
            std::string word = stem + std::string(length - 12, 'x');
            store.AddWord(word.c_str());
            ++model[word];
            for (std::size_t at = 12; at < length; ++at) {
                std::string changed = word;
                changed[at] = 'y';
                store.AddWord(changed.c_str());
                ++model[changed];
            }
        }
    }
    EXPECT_EQ(StoreWords(store), model);
    EXPECT_EQ(store.Count(), static_cast<std::int32_t>(model.size()));
}

// A word of up to 15 bytes takes no text at all; a longer one takes its text with its
// NUL once, and a known word nothing more.
TEST(WordStoreTest, OnlyNewLongWordsTakeText) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    for (const char* word : {"hello", "hello", "hi", "fifteen_bytes__", "fifteen_bytes__"})
        store.AddWord(word);
    EXPECT_EQ(WordStoreProbe::BytesUsed(store), 0u);
    store.AddWord("sixteen_bytes___");
    store.AddWord("sixteen_bytes___");
    EXPECT_EQ(WordStoreProbe::BytesUsed(store), 20u);  // 17 bytes in 4-byte units
    EXPECT_EQ(
        StoreWords(store),
        (WordCounts{{"fifteen_bytes__", 2}, {"hello", 2}, {"hi", 1}, {"sixteen_bytes___", 2}}));
}

TEST(WordStoreTest, RemovingTheOnlyWordEmptiesTheStore) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    store.AddWord("only");
    store.AddWord("only");
    store.RemoveWord("only");
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.GetStartPosition(), WordStore::EndPosition());
    store.RemoveWord("only");  // absent: nothing happens
    store.AddWord("only");
    EXPECT_EQ(StoreWords(store), (WordCounts{{"only", 1}}));
}

TEST(WordStoreTest, RemoveKeepsOthersAndReAddStartsAtOne) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    for (const char* word : {"a", "b", "b", "c", "c", "c"})
        store.AddWord(word);
    store.RemoveWord("b");
    store.RemoveWord("zzz");
    store.RemoveWord("bb");
    EXPECT_EQ(StoreWords(store), (WordCounts{{"a", 1}, {"c", 3}}));
    store.AddWord("b");
    EXPECT_EQ(StoreWords(store), (WordCounts{{"a", 1}, {"b", 1}, {"c", 3}}));
}

TEST(WordStoreTest, ClearOfEmptyStoreIsSilent) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    store.Clear();
    store.Clear();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(WordStoreTest, GrowthKeepsEveryWordAndAddsExactlyOneStep) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena(4096, WordStore::kGrowthStep)));
    WordCounts expected;
    int i = 0;
    while (WordStoreProbe::Capacity(store) == 4096) {
        const std::string word = Numbered("a_longer_word", i);
        for (int k = 0; k <= i % 3; ++k) {
            store.AddWord(word.c_str());
            ++expected[word];
        }
        ++i;
    }
    EXPECT_EQ(WordStoreProbe::Capacity(store), 4096u + 52'428'800u);
    EXPECT_EQ(store.Count(), static_cast<std::int32_t>(expected.size()));
    EXPECT_EQ(StoreWords(store), expected);
    EXPECT_TRUE(messages.shown.empty());
}

// Nothing moves as the list grows: views taken of short and long words early on
// still show them after many doublings of the table and growths of the text.
TEST(WordStoreTest, ViewsStayValidThroughEveryGrowth) {
    FakeMessages messages;
    WordStore::Options options = SmallArena(64, 64);
    options.initialBuckets = 2;
    WordStore store(ReportingStoreOptions(messages, options));
    for (const char* word : {"short", "a_word_of_twenty_one", "twelve_bytes"})
        store.AddWord(word);
    std::vector<std::pair<std::string_view, std::string>> views;
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        const std::string_view word = store.WordText(held.id);
        views.emplace_back(word, std::string(word));
    });
    for (int i = 0; i < 5000; ++i)
        store.AddWord(Numbered(i % 2 == 0 ? "w" : "a_long_word_number_", i).c_str());
    ASSERT_GE(WordStoreProbe::Buckets(store), 4096u);
    ASSERT_GT(WordStoreProbe::Capacity(store), 64u * 50);
    ASSERT_EQ(views.size(), 3u);
    for (const auto& [view, text] : views) {
        EXPECT_EQ(view, text);
        EXPECT_EQ(view.data()[view.size()], '\0') << text;
    }
    EXPECT_TRUE(messages.shown.empty());
}

// One store grown (its words in its second table), the other not: each takes the
// other's words and arena, and both go on counting and growing.
TEST(WordStoreTest, SwapExchangesWordsAndBothKeepWorking) {
    FakeMessages messages;
    WordStore grown(ReportingStoreOptions(messages, SmallArena(64, 64)));
    WordCounts grownWords;
    for (int i = 0; WordStoreProbe::Capacity(grown) == 64 ||
                    WordStoreProbe::Buckets(grown) == WordStore::kInitialBuckets;
         ++i) {
        grown.AddWord(Numbered(i % 8 == 0 ? "a_grown_long_word" : "grown", i).c_str());
        ++grownWords[Numbered(i % 8 == 0 ? "a_grown_long_word" : "grown", i)];
    }
    WordStore::Options like = grown.Settings();
    like.initialCapacity = like.growthStep = 4096;
    const auto fresh = std::make_unique<WordStore>(like);
    fresh->AddWord("fresh");
    StoreExchange::Swap(grown, *fresh);
    EXPECT_EQ(StoreWords(grown), (WordCounts{{"fresh", 1}}));
    EXPECT_EQ(StoreWords(*fresh), grownWords);
    EXPECT_EQ(WordStoreProbe::Capacity(grown), 4096u);
    for (int i = 0; i < 600; ++i) {
        for (WordStore* store : {&grown, fresh.get()})
            store->AddWord(Numbered("more_and_longer", i).c_str());
        ++grownWords[Numbered("more_and_longer", i)];
    }
    EXPECT_GT(WordStoreProbe::Capacity(grown), 4096u);
    EXPECT_EQ(StoreWords(*fresh), grownWords);
    grownWords.erase(grownWords.begin(), grownWords.lower_bound("more"));
    grownWords["fresh"] = 1;
    EXPECT_EQ(StoreWords(grown), grownWords);
    EXPECT_TRUE(messages.shown.empty());
}

// The memory hears once, of the first slab, when its first part is in use: a short
// list never, a long one as its entry after that part is taken.
TEST(WordStoreTest, TheFirstPartOfTheEntriesIsReportedFilledOnce) {
    FakeArenaMemory memory;
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena(1 << 20, 64, &memory)));
    const std::size_t firstPart = ArenaMemory::kFirstPart / sizeof(StoreEntry);
    for (std::size_t i = 1; i < firstPart; ++i)  // entry 0 is none
        store.AddWord(Numbered("w", static_cast<int>(i)).c_str());
    EXPECT_TRUE(memory.filled.empty());
    for (std::size_t i = firstPart; i < firstPart + 10; ++i)
        store.AddWord(Numbered("w", static_cast<int>(i)).c_str());
    ASSERT_EQ(memory.filled.size(), 1u);
    EXPECT_EQ(memory.live.count(memory.filled[0]), 1u);
    EXPECT_EQ(store.Count(), static_cast<std::int32_t>(firstPart + 9));
}

TEST(WordStoreTest, ClearKeepsCapacityAndRewinds) {
    FakeArenaMemory memory;
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena(64, 64, &memory)));
    for (int i = 0; i < 20; ++i)
        store.AddWord(Numbered("a_longer_word_no_", i).c_str());
    ASSERT_GT(WordStoreProbe::Capacity(store), 64u);
    const std::size_t grown = WordStoreProbe::Capacity(store);
    const std::size_t textBlocks = memory.textRequests.size();
    store.Clear();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(WordStoreProbe::Capacity(store), grown);
    EXPECT_EQ(WordStoreProbe::BytesUsed(store), 0u);
    // The blocks held take the new texts before any other is asked for.
    for (int i = 0; i < 20; ++i)
        store.AddWord(Numbered("a_later_long_word", i).c_str());
    EXPECT_EQ(memory.textRequests.size(), textBlocks);
    store.Clear();
    store.AddWord("fresh");
    WordStore::Position pos = store.GetStartPosition();
    std::string_view view;
    std::uint32_t count = 0;
    store.GetNextEntry(pos, view, count);
    EXPECT_EQ(view, "fresh");
    EXPECT_EQ(pos, WordStore::EndPosition());
}

std::uint32_t BucketOf(const std::string& word, std::uint32_t buckets) {
    return BucketTable::Mix(HashWord(word.data(), word.size())) & (buckets - 1);
}

TEST(WordStoreTest, IterationVisitsBucketsInOrder) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena(1 << 16)));
    for (int i = 0; i < 5000; ++i)
        store.AddWord(Numbered("k", i * 7919 % 10000).c_str());
    ASSERT_GT(WordStoreProbe::Buckets(store), WordStore::kInitialBuckets);
    const std::vector<std::string> order = IterationOrder(store);
    ASSERT_EQ(order.size(), 5000u);
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_LE(BucketOf(order[i - 1], WordStoreProbe::Buckets(store)),
                  BucketOf(order[i], WordStoreProbe::Buckets(store)));
}

// Three distinct words that land in one bucket of the first table, found by brute
// force.
std::vector<std::string> CollidingWords() {
    auto wordOf = [](std::uint32_t i) {
        std::string word;
        for (std::uint32_t v = i; word.size() < 5; v /= 26)
            word.push_back(static_cast<char>('a' + v % 26));
        return word;
    };
    auto bucketOf = [](const std::string& word) {
        return BucketOf(word, WordStore::kInitialBuckets);
    };
    std::vector<std::uint8_t> hits(WordStore::kInitialBuckets);
    std::uint32_t last = 0;
    while (++hits[bucketOf(wordOf(last))] < 3)
        ++last;
    const std::uint32_t bucket = bucketOf(wordOf(last));
    std::vector<std::string> words;
    for (std::uint32_t i = 0; i <= last; ++i) {
        if (bucketOf(wordOf(i)) == bucket)
            words.push_back(wordOf(i));
    }
    return words;
}

TEST(WordStoreTest, WithinABucketNewestFirst) {
    const std::vector<std::string> words = CollidingWords();
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena()));
    for (const std::string& word : words)
        store.AddWord(word.c_str());
    store.AddWord(words[0].c_str());
    EXPECT_THAT(IterationOrder(store), ElementsAre(words[2], words[1], words[0]));
    EXPECT_EQ(StoreWords(store), (WordCounts{{words[0], 2}, {words[1], 1}, {words[2], 1}}));
}

TEST(WordStoreTest, RemovingEachReturnedWordVisitsEveryEntryOnce) {
    const std::vector<std::string> colliding = CollidingWords();
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena(1 << 16)));
    WordCounts expected;
    for (const std::string& word : colliding)
        expected[word] = 1;
    for (int i = 0; i < 300; ++i)
        expected[Numbered("r", i)] = static_cast<std::uint32_t>(i % 4 + 1);
    for (const auto& [word, count] : expected) {
        for (std::uint32_t k = 0; k < count; ++k)
            store.AddWord(word.c_str());
    }
    WordCounts seen;
    testing::ForEachStoredWord(store, [&](const std::string& word, std::uint32_t count) {
        EXPECT_TRUE(seen.emplace(word, count).second) << word;
        store.RemoveWord(word.c_str());
    });
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(store.Count(), 0);
}

// A list whose texts outgrow the first block is long: its later blocks are asked for as
// such, and the system's memory gives them huge pages.
TEST(WordStoreTest, TextBlocksAfterTheFirstAreAskedForAsMoreText) {
    testing::FakeArenaMemory memory;
    std::vector<ArenaMemory::Use> uses;
    memory.beforeObtain = [&uses](ArenaMemory::Use use) {
        if (use == ArenaMemory::Use::Text || use == ArenaMemory::Use::MoreText)
            uses.push_back(use);
    };
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, SmallArena(4096, 4096, &memory)));
    for (int i = 0; i < 1000; ++i)
        store.AddWord(Numbered("a word longer than its entry ", i).c_str());
    ASSERT_GE(uses.size(), 3u);
    EXPECT_EQ(uses[0], ArenaMemory::Use::Text);
    for (std::size_t i = 1; i < uses.size(); ++i)
        EXPECT_EQ(uses[i], ArenaMemory::Use::MoreText) << i;
}

TEST(WordStoreTest, RetriesAtHalfTheInitialCapacity) {
    struct HalfOnly : FakeArenaMemory {
        char* Obtain(std::size_t bytes, Use use) override {
            if (bytes == 2048 || use != Use::Text)
                return FakeArenaMemory::Obtain(bytes, use);
            requests.push_back(bytes);
            return nullptr;
        }
    } memory;
    FakeMessages messages;
    {
        WordStore store(ReportingStoreOptions(messages, SmallArena(4096, 4096, &memory)));
        EXPECT_EQ(WordStoreProbe::Capacity(store), 2048u);
        store.AddWord("works");
        EXPECT_EQ(store.Count(), 1);
    }
    EXPECT_THAT(memory.textRequests, ElementsAre(2048u));
    EXPECT_EQ(memory.requests.front(), 4096u);
    EXPECT_TRUE(memory.live.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(WordStoreTest, DefaultSizes) {
    FakeMessages messages;
    WordStore store(
        ReportingStoreOptions(messages));  // mapped lazily: costs address space, not memory
    EXPECT_EQ(WordStoreProbe::Capacity(store), 188'743'680u);
    EXPECT_EQ(WordStore::Options{}.growthStep, 52'428'800u);
    EXPECT_EQ(WordStoreProbe::Buckets(store), 0u);
    store.AddWord("word");
    EXPECT_EQ(WordStoreProbe::Buckets(store), 4096u);
    EXPECT_EQ(StoreWords(store), (WordCounts{{"word", 1}}));
}

// What the user is told, and whether the program ends, is the program's business.
TEST(WordStoreTest, NoArenaAtAllThrowsAndTellsNothing) {
    FakeArenaMemory memory;
    memory.refuseFrom = 0;
    FakeMessages messages;
    EXPECT_THROW(WordStore(ReportingStoreOptions(messages, SmallArena(4096, 4096, &memory))),
                 WordStore::Unavailable);
    EXPECT_FALSE(memory.requests.empty());
    EXPECT_TRUE(messages.shown.empty());
}

// A growth the memory refuses, whichever memory it is: the store says so once, goes on
// counting the words it holds, takes no new one (short or long) and asks for nothing
// more until Clear.
struct Refusal {
    const char* what;
    std::uint32_t initialBuckets;
    int refuseTextFrom;
    int refuseTablesFrom;
    const char* stem;   // of the new words that lead to it
    std::int32_t held;  // the words held once it came
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.what;
}

class GrowthFailureTest : public ::testing::TestWithParam<Refusal> {
  protected:
    FakeArenaMemory memory;
    FakeMessages messages;
};

TEST_P(GrowthFailureTest, KeepsCountingKnownWordsAndDropsNewOnes) {
    const Refusal& refusal = GetParam();
    memory.refuseTextFrom = refusal.refuseTextFrom;
    memory.refuseTablesFrom = refusal.refuseTablesFrom;
    {
        WordStore::Options options = SmallArena(48, 4096, &memory);
        options.initialBuckets = refusal.initialBuckets;
        WordStore store(ReportingStoreOptions(messages, options));
        WordCounts expected;
        for (int i = 0; messages.shown.empty() && i < 5000; ++i) {
            store.AddWord(Numbered(refusal.stem, i).c_str());
            ++expected[Numbered(refusal.stem, i)];
        }
        ASSERT_EQ(store.Count(), refusal.held);
        EXPECT_TRUE(WordStoreProbe::GrowthFailed(store));
        EXPECT_THAT(messages.Texts(), ElementsAre("out of memory!"));
        const std::size_t requests = memory.requests.size();

        const std::string first = Numbered(refusal.stem, 0);
        store.AddWord(first.c_str());
        ++expected[first];
        for (const char* word : {"io", "a_new_longer_word", "io"})
            store.AddWord(word);
        expected.erase(Numbered(refusal.stem, refusal.held));
        EXPECT_EQ(StoreWords(store), expected);
        EXPECT_EQ(messages.shown.size(), 1u);         // once, not once per word
        EXPECT_EQ(memory.requests.size(), requests);  // no retry per word

        // Clear asks again, and words come in again.
        memory.refuseTextFrom = memory.refuseTablesFrom = -1;
        store.Clear();
        EXPECT_FALSE(WordStoreProbe::GrowthFailed(store));
        for (const char* word : {"again", "again", "a_new_longer_word"})
            store.AddWord(word);
        EXPECT_EQ(StoreWords(store), (WordCounts{{"a_new_longer_word", 1}, {"again", 2}}));
        EXPECT_EQ(messages.shown.size(), 1u);
    }
    EXPECT_TRUE(memory.live.empty());  // guard bytes checked on release
}

INSTANTIATE_TEST_SUITE_P(
    EachMemory, GrowthFailureTest,
    ::testing::Values(
        // 48 bytes of text hold two texts of 20 and the 8 bytes a block keeps free.
        Refusal{"TextBlock", 4096, 1, -1, "a_long_long_word_", 2},
        // The heads come first, then the first slab of entries.
        Refusal{"EntrySlab", 4096, -1, 1, "w", 0},
        // The fifth word is in; the table that should double for it stays as it is.
        Refusal{"BucketDoubling", 4, -1, 2, "w", 5}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.what; });

TEST(WordStoreGrowthFailureTest, LongWordsNeverWritePastTheirBlock) {
    FakeArenaMemory memory;
    memory.refuseTextFrom = 1;
    FakeMessages messages;
    {
        WordStore store(ReportingStoreOptions(messages, SmallArena(40, 4096, &memory)));
        for (int length = 1; length < 60; ++length) {
            const std::string word(static_cast<std::size_t>(length),
                                   static_cast<char>('a' + length % 26));
            store.AddWord(word.c_str());
            store.AddWord(word.c_str());
            EXPECT_LT(WordStoreProbe::BytesUsed(store), WordStoreProbe::Capacity(store));
        }
        EXPECT_EQ(WordStoreProbe::Capacity(store), 40u);
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(store.Count(), 16);  // up to 15 bytes in the entries, 1 in the block
        for (const auto& [word, count] : StoreWords(store))
            EXPECT_EQ(count, 2u) << word;
    }
    EXPECT_TRUE(memory.live.empty());
}

TEST(WordOrderTest, SortOrders) {
    struct Item {
        std::string word;
        std::uint32_t count;
    };
    std::vector<Item> items = {{"b", 2}, {"a", 2}, {"c", 5}};
    std::sort(items.begin(), items.end(), [](const Item& x, const Item& y) {
        return FrequencyOrder(x.count, x.word, y.count, y.word);
    });
    EXPECT_EQ(items[0].word + items[1].word + items[2].word, "cab");
    std::sort(items.begin(), items.end(),
              [](const Item& x, const Item& y) { return WordOrder(x.word, y.word); });
    EXPECT_EQ(items[0].word + items[1].word + items[2].word, "abc");

    EXPECT_TRUE(WordOrder("zebra", "\xE4pfel"));
    EXPECT_FALSE(WordOrder("\xE4pfel", "zebra"));
    EXPECT_TRUE(WordOrder("\x80", "\xFF"));
    EXPECT_TRUE(WordOrder("app", "apple"));
    EXPECT_FALSE(WordOrder("apple", "app"));
    EXPECT_FALSE(WordOrder("same", "same"));
    EXPECT_TRUE(FrequencyOrder(3, "zzz", 2, "aaa"));
    EXPECT_TRUE(FrequencyOrder(4'000'000'000u, "b", 1, "a"));
}

}  // namespace
}  // namespace tarvolen
