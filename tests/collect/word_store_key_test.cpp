// The shortcuts that spare the store reads of word texts: the hash computed without
// a loop, and the length and leading bytes of an entry taken from its key.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "collect/word_store.h"
#include "support/fakes.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;

TEST(WordStoreKeyTest, PaddedHashEqualsTheHashForEveryLength) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length <= 20; ++length) {
        for (int round = 0; round < 50; ++round) {
            // The word, its NUL, then bytes that must not count.
            std::string buffer(WordStore::kKeyReach + 8, '\0');
            for (std::size_t i = 0; i < buffer.size(); ++i)
                buffer[i] = static_cast<char>(1 + random() % 255);
            buffer[length] = '\0';
            EXPECT_EQ(WordStore::HashPadded(buffer.data(), length),
                      WordStore::Hash(buffer.data(), length))
                << "length " << length;
        }
    }
}

TEST(WordStoreKeyTest, EntriesGiveTheirTextsAndLeadingBytes) {
    FakeMessages messages;
    WordStore::Options options;
    options.initialCapacity = 1 << 16;
    WordStore store(messages, options);
    std::vector<std::string> words;
    for (std::size_t length = 1; length <= 26; ++length) {
        std::string word;
        for (std::size_t i = 0; i < length; ++i)
            word.push_back(static_cast<char>(i % 2 == 0 ? 'a' + i % 26 : 0xE0 + i % 31));
        words.push_back(word);
        store.AddWord(word.c_str());
    }
    std::size_t seen = 0;
    for (auto pos = store.GetStartPosition(); pos != WordStore::EndPosition(); ++seen) {
        std::string_view word;
        std::uint32_t count = 0;
        std::uint64_t leading = 0;
        store.GetNextEntry(pos, word, count, leading);
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
    }
    EXPECT_EQ(seen, words.size());
}

}  // namespace
}  // namespace tarvolen
