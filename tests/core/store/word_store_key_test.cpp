// The shortcuts that spare the store reads of word texts: the hash computed without
// a loop, the length and leading bytes of an entry taken from its key, and the cache
// of recently counted words, which names entries by a tag mixed from the key.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_batch.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_store_probe.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;

TEST(WordStoreKeyTest, PaddedHashEqualsTheHashForEveryLength) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length <= 20; ++length) {
        for (int round = 0; round < 50; ++round) {
            // The word, its NUL, then bytes that must not count.
            std::string buffer(kKeyReach + 8, '\0');
            for (std::size_t i = 0; i < buffer.size(); ++i)
                buffer[i] = static_cast<char>(1 + random() % 255);
            buffer[length] = '\0';
            EXPECT_EQ(HashPadded(buffer.data(), length), HashWord(buffer.data(), length))
                << "length " << length;
        }
    }
}

// The hash taken eight bytes at a time is the hash taken a byte at a time.
TEST(WordStoreKeyTest, HashWordIsTheHashOfEveryStep) {
    std::mt19937 random(8);
    for (std::size_t length = 0; length <= 70; ++length) {
        for (int round = 0; round < 20; ++round) {
            std::string word(length, '\0');
            for (char& c : word)
                c = static_cast<char>(1 + random() % 255);
            std::uint32_t stepped = kHashSeed;
            for (const char c : word)
                stepped = HashStep(stepped, static_cast<unsigned char>(c));
            EXPECT_EQ(HashWord(word.data(), length), stepped) << "length " << length;
        }
    }
}

// Words of 1 to 26 random bytes (1..255), in a buffer with room to read past them.
struct TestWord {
    std::string buffer;
    std::size_t length;
};

std::vector<TestWord> RandomWords(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<TestWord> words;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t length = 1 + random() % 26;
        std::string buffer(length + kKeyReach, '\0');
        for (std::size_t k = 0; k < buffer.size(); ++k)
            buffer[k] = static_cast<char>(1 + random() % 255);
        words.push_back({buffer, length});
    }
    return words;
}

TEST(WordStoreKeyTest, PreparedWordsAgreeWithPlainOnes) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(1 << 16)));
    testing::WordCounts model;
    for (TestWord& w : RandomWords(300, 3)) {
        const std::string word = w.buffer.substr(0, w.length);
        WordBatch::PreparedWord prepared{};
        if (w.length <= kKeyBytes) {
            // Bytes past the word are read but must not count.
            WordBatch::PreparePadded(prepared, w.buffer.data(), w.length);
            w.buffer[w.length] = '\0';
            WordBatch::PreparedWord plain{};
            WordBatch::Prepare(plain, w.buffer.data(), w.length);
            EXPECT_EQ(prepared.tag, plain.tag) << word;
            EXPECT_EQ(prepared.key.a, plain.key.a) << word;
            EXPECT_EQ(prepared.key.b, plain.key.b) << word;
            EXPECT_EQ(prepared.key.c, plain.key.c) << word;
        } else {
            w.buffer[w.length] = '\0';
            WordBatch::Prepare(prepared, w.buffer.data(), w.length);
        }
        // Loading a new word's chain leaves its hash in the record.
        const bool known = model.count(word) != 0;
        WordBatch::Preload(store, &prepared, 1);
        if (!known) {
            ASSERT_TRUE(prepared.hashed);
            EXPECT_EQ(prepared.hash, HashWord(word.data(), word.size())) << word;
        }
        // Each word twice, once each way, interleaved with the others.
        WordBatch::Add(store, prepared);
        store.AddWord(word.c_str());
        model[word] += 2;
    }
    EXPECT_EQ(testing::StoreWords(store), model);
}

// Different words whose tags are equal, found by brute force: the cache names one
// where the other is looked up, and only the key comparison tells them apart.
TEST(WordStoreKeyTest, WordsSharingATagAreCountedApart) {
    std::mt19937 random(5);
    std::unordered_map<std::uint32_t, std::string> byTag;
    std::string first, second;
    for (std::uint32_t i = 0; second.empty(); ++i) {
        std::string word(9 + random() % 8, 'a');
        for (char& c : word)
            c = static_cast<char>('a' + random() % 26);
        WordBatch::PreparedWord prepared{};
        WordBatch::Prepare(prepared, word.c_str(), word.size());
        const auto [at, added] = byTag.emplace(prepared.tag, word);
        if (!added && at->second != word) {
            first = at->second;
            second = word;
        }
        ASSERT_LT(i, 4'000'000u) << "no two words with the same tag";
    }

    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(1 << 16)));
    for (int round = 0; round < 3; ++round) {
        store.AddWord(first.c_str());
        store.AddWord(second.c_str());
        store.AddWord(second.c_str());
    }
    EXPECT_EQ(testing::StoreWords(store), (testing::WordCounts{{first, 3}, {second, 6}}));
    store.RemoveWord(second.c_str());
    store.AddWord(first.c_str());
    store.AddWord(second.c_str());
    EXPECT_EQ(testing::StoreWords(store), (testing::WordCounts{{first, 4}, {second, 1}}));
}

TEST(WordStoreKeyTest, EntriesGiveTheirTextsAndLeadingBytes) {
    FakeMessages messages;
    WordStore::Options options;
    options.initialCapacity = 1 << 16;
    WordStore store(ReportingStoreOptions(messages, options));
    std::vector<std::string> words;
    for (std::size_t length = 1; length <= 26; ++length) {
        std::string word;
        for (std::size_t i = 0; i < length; ++i)
            word.push_back(static_cast<char>(i % 2 == 0 ? 'a' + i % 26 : 0xE0 + i % 31));
        words.push_back(word);
        store.AddWord(word.c_str());
    }
    std::size_t seen = 0;
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        ++seen;
        const std::string_view word = store.WordText(held.id);
        const std::uint64_t leading = held.leadingBytes;
        const std::uint32_t count = held.count;
        ASSERT_GE(word.size(), 1u);
        ASSERT_LE(word.size(), words.size());
        EXPECT_EQ(word, words[word.size() - 1]);
        EXPECT_EQ(word.data()[word.size()], '\0');
        std::uint64_t expected = 0;
        for (std::size_t i = 0; i < 8; ++i)
            expected =
                (expected << 8) | (i < word.size() ? static_cast<unsigned char>(word[i]) : 0u);
        EXPECT_EQ(leading, expected) << word.size();
        EXPECT_EQ(count, 1u);
    });
    EXPECT_EQ(seen, words.size());
}

// The cache starts small and is replaced by a larger, empty one once the list has more
// words than it has slots: the words it named before, counted in the same run of
// words as the growth, and words removed after it are counted as the model says.
TEST(WordStoreKeyTest, TheCacheGrowsWithTheListAndLosesNoCount) {
    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(1 << 20)));
    const std::size_t firstSlots = WordStoreProbe::CacheSlots(store);
    std::vector<TestWord> words = RandomWords(3 * firstSlots, 9);
    testing::WordCounts model;
    std::vector<WordBatch::PreparedWord> run;
    for (std::size_t i = 0; i < words.size(); ++i) {
        // A run of new words and the words counted most recently again.
        for (std::size_t k : {i, i / 2, i - i % 64}) {
            TestWord& w = words[k];
            w.buffer[w.length] = '\0';
            run.emplace_back();
            WordBatch::Prepare(run.back(), w.buffer.data(), w.length);
            ++model[w.buffer.substr(0, w.length)];
        }
        if (run.size() >= 192 || i + 1 == words.size()) {
            WordBatch::Preload(store, run.data(), run.size());
            WordBatch::AddRun(store, run.data(), run.size());
            run.clear();
        }
        if (i % 5000 == 4999) {
            const std::string removed = words[i / 3].buffer.substr(0, words[i / 3].length);
            store.RemoveWord(removed.c_str());
            model.erase(removed);
        }
    }
    EXPECT_GT(WordStoreProbe::CacheSlots(store), firstSlots);
    EXPECT_EQ(testing::StoreWords(store), model);
}

}  // namespace
}  // namespace tarvolen
