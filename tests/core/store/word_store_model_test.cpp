// The store against std::map: long random sequences of adds, removals, clears and
// growths forced by a tiny arena must always hold exactly what the map holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/store_exchange.h"
#include "core/store/word_store.h"
#include "support/fake_arena_memory.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_store_probe.h"

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
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        const std::string_view word = store.WordText(held.id);
        const std::uint32_t count = held.count;
        const std::uint64_t leading = held.leadingBytes;
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
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(4096)));
    WordCounts model;
    std::uniform_int_distribution<int> operation(0, 1999);
    std::uint32_t capacity = WordStoreProbe::Capacity(store);
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
            ASSERT_EQ(WordStoreProbe::BytesUsed(store), 0u);
        } else {
            // Force a growth: new long words until the capacity moves.
            for (int i = 0; WordStoreProbe::Capacity(store) == capacity; ++i) {
                const std::string filler = "filler" + std::to_string(step) + "_" +
                                           std::to_string(i) + std::string(50, 'f');
                store.AddWord(filler.c_str());
                ++model[filler];
            }
        }
        if (WordStoreProbe::Capacity(store) != capacity) {
            ASSERT_EQ(WordStoreProbe::Capacity(store), capacity + 4096u);
            capacity = WordStoreProbe::Capacity(store);
            ++growths;
            ASSERT_EQ(Contents(store), model) << "after the growth at step " << step;
        }
        ASSERT_EQ(store.Count(), static_cast<std::int32_t>(model.size())) << "step " << step;
        ASSERT_LT(WordStoreProbe::BytesUsed(store), WordStoreProbe::Capacity(store));
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
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(4096)));
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

// A store handing the words it does not own elsewhere while the words it owns come in
// from others, as the processes of a cluster exchange them: growths and an emptying
// in the middle of the sweep start it over, and still every word leaves exactly once
// and the store ends with exactly what it owns.
TEST(WordStoreModelTest, SweepHandsOffWhileWordsComeIn) {
    struct Record {
        std::uint32_t count = 0;
        std::uint32_t range = 0;
        bool operator==(const Record&) const = default;
    };
    using Records = std::map<std::string, Record>;
    const auto owned = [](std::string_view word) { return word.size() % 2 == 1; };
    std::mt19937 rng(19);
    Vocabulary vocabulary(rng);
    testing::FakeMessages messages;
    std::uniform_int_distribution<std::uint32_t> amount(1, 5);

    for (int round = 0; round < 8; ++round) {
        WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(2048)));
        // Odd rounds hold only words that all leave, so the store empties midway.
        Records leaving, kept;
        for (int i = 0; i < 2000; ++i) {
            const std::string& word = vocabulary.Pick();
            if (round % 2 == 1 && owned(word))
                continue;
            const std::uint32_t count = amount(rng), range = amount(rng);
            store.AddOccurrences(word.c_str(), word.size(), count, range);
            Record& record = (owned(word) ? kept : leaving)[word];
            record.count += count;
            record.range += range;
        }
        const std::uint32_t capacity = WordStoreProbe::Capacity(store);
        Records left;
        std::bernoulli_distribution arrives(round % 2 == 1 ? 0.0 : 0.3);
        std::string_view word;
        std::uint32_t count = 0, range = 0;
        bool inDocument = false;
        int arrived = 0;
        for (StoreExchange::Sweep sweep = StoreExchange::BeginSweep(store);
             StoreExchange::NextInSweep(store, sweep, word, count, range, inDocument);) {
            EXPECT_FALSE(inDocument) << word;
            if (!owned(word)) {
                EXPECT_TRUE(left.emplace(word, Record{count, range}).second) << "twice: " << word;
                store.RemoveWord(std::string(word).c_str());
            }
            while (arrives(rng)) {
                // Now and then a long new word, so that the arena must grow.
                std::string in = vocabulary.Pick();
                if (++arrived % 7 == 0)
                    in = "arrived" + std::to_string(arrived) + std::string(60, 'a');
                if (!owned(in))
                    in += 'x';
                const std::uint32_t inCount = amount(rng), inRange = amount(rng);
                store.AddOccurrences(in.c_str(), in.size(), inCount, inRange);
                kept[in].count += inCount;
                kept[in].range += inRange;
            }
        }
        EXPECT_EQ(left, leaving) << "round " << round;
        Records held;
        store.ForEachEntry([&](const WordStore::HeldWord& word) {
            held[std::string(store.WordText(word.id))] = Record{word.count, word.range};
        });
        EXPECT_EQ(held, kept) << "round " << round;
        if (round % 2 == 0)
            EXPECT_GT(WordStoreProbe::Capacity(store), capacity) << "no growth in round " << round;
        else
            EXPECT_EQ(store.Count(), 0);
    }
    EXPECT_TRUE(messages.shown.empty());
}

// One document counted in parts (the store's own, and parts that arrive as records,
// some with it counted in their ranges, some without) adds one to the range of each
// of its words however many parts held it, through growths of a tiny arena; the sweep
// tells which words it holds, and a word of it met again in it adds no range.
TEST(WordStoreModelTest, ADocumentCountedInPartsCountsOnce) {
    struct Record {
        std::uint32_t count = 0;
        std::uint32_t range = 0;
        bool operator==(const Record&) const = default;
    };
    std::mt19937 rng(23);
    Vocabulary vocabulary(rng);
    testing::FakeMessages messages;
    std::uniform_int_distribution<std::uint32_t> amount(1, 4);
    std::bernoulli_distribution coin(0.5);
    for (int round = 0; round < 6; ++round) {
        WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(1024)));
        std::map<std::string, Record> model;
        std::map<std::string, bool> inShared;
        for (int document = 0; document < 3; ++document) {
            store.BeginDocument();
            std::map<std::string, bool> seen;
            for (int i = 0; i < 60; ++i) {
                const std::string& word = vocabulary.Pick();
                store.AddWord(word.c_str(), word.size());
                model[word].count += 1;
                model[word].range += !seen[word];
                seen[word] = true;
            }
        }
        // The shared document: first the store's own part (in odd rounds none).
        store.BeginDocument();
        for (int i = 0; round % 2 == 0 && i < 80; ++i) {
            const std::string& word = vocabulary.Pick();
            store.AddWord(word.c_str(), word.size());
            model[word].count += 1;
            model[word].range += !inShared[word];
            inShared[word] = true;
        }
        for (int i = 0; i < 600; ++i) {
            std::string word = vocabulary.Pick();
            if (i % 9 == 0)
                word += std::to_string(i) + std::string(50, 'z');
            const std::uint32_t count = amount(rng);
            const std::uint32_t elsewhere = amount(rng) - 1;
            if (coin(rng)) {
                store.AddOccurrences(word.c_str(), word.size(), count, elsewhere + 1,
                                     WordStore::Found::InDocument);
                model[word].range += elsewhere + !inShared[word];
                inShared[word] = true;
            } else {
                store.AddOccurrences(word.c_str(), word.size(), count, elsewhere + 1);
                model[word].range += elsewhere + 1;
            }
            model[word].count += count;
        }
        std::map<std::string, Record> held;
        std::string_view word;
        std::uint32_t count = 0, range = 0;
        bool inDocument = false;
        for (StoreExchange::Sweep sweep = StoreExchange::BeginSweep(store);
             StoreExchange::NextInSweep(store, sweep, word, count, range, inDocument);) {
            held[std::string(word)] = Record{count, range};
            EXPECT_EQ(inDocument, inShared[std::string(word)]) << word;
        }
        EXPECT_EQ(held, model) << "round " << round;
        // Read on in the same document: only the words it did not hold yet gain.
        for (const auto& [text, record] : model) {
            store.AddWord(text.c_str(), text.size());
            EXPECT_EQ(store.RangeOf(text.c_str(), text.size()), record.range + !inShared[text])
                << text;
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

// From a table of one bucket and text blocks of 64 bytes, through many doublings and
// growths, words added one by one and with counts and ranges, in documents and
// outside them, removed and cleared, must be held exactly as a map holds them. In
// some rounds the memory refuses from some request on: from the refusal to the next
// Clear no new word comes in (but the one a table that cannot double was making
// room for), and the words held go on counting.
TEST(WordStoreModelTest, GrowingFromATinyTableMatchesAMap) {
    struct Record {
        std::uint32_t count = 0;
        std::uint32_t range = 0;
        std::uint32_t lastDocument = 0;
        bool operator==(const Record& other) const {
            return count == other.count && range == other.range;
        }
    };
    using Records = std::map<std::string, Record>;
    std::mt19937 rng(29);
    Vocabulary vocabulary(rng);
    std::uniform_int_distribution<int> operation(0, 999);
    std::uniform_int_distribution<std::uint32_t> amount(1, 6);
    std::uniform_int_distribution<int> refusal(5, 60);

    for (int round = 0; round < 8; ++round) {
        testing::FakeArenaMemory memory;
        if (round % 2 == 1)
            memory.refuseFrom = refusal(rng);
        testing::FakeMessages messages;
        WordStore::Options options = testing::SmallStoreOptions(64);
        options.initialBuckets = 1;
        options.memory = &memory;
        std::uint32_t mostBuckets = 0;
        {
            WordStore store(ReportingStoreOptions(messages, options));
            Records model;
            std::uint32_t document = 0;
            bool refused = false;
            // What the store holds of word now, against the model, after an addition
            // that may have been the one refused.
            const auto settle = [&](const std::string& word, const Record& made) {
                const bool refusedNow = !refused && !messages.shown.empty();
                refused = refused || refusedNow;
                if (model.count(word) != 0 || !refused ||
                    (refusedNow && store.Occurrences(word.c_str(), word.size()) != 0))
                    model[word] = made;
            };
            for (int step = 0; step < 6000; ++step) {
                const int op = operation(rng);
                std::string word = vocabulary.Pick();
                if (op % 5 == 0)
                    word += "_made_longer_than_twelve";
                Record record = model.count(word) != 0 ? model[word] : Record{};
                const bool known = model.count(word) != 0;
                if (op < 500) {
                    store.AddWord(word.c_str(), word.size());
                    record.range += !known || record.lastDocument != document;
                    record.count += 1;
                    record.lastDocument = document;
                    settle(word, record);
                } else if (op < 700) {
                    const std::uint32_t count = amount(rng), range = amount(rng);
                    store.AddOccurrences(word.c_str(), word.size(), count, range);
                    record.count += count;
                    record.range += range;
                    settle(word, record);
                } else if (op < 800 && document != 0) {
                    const std::uint32_t count = amount(rng), range = amount(rng);
                    store.AddOccurrences(word.c_str(), word.size(), count, range,
                                         WordStore::Found::InDocument);
                    record.count += count;
                    record.range += range - (known && record.lastDocument == document);
                    record.lastDocument = document;
                    settle(word, record);
                } else if (op < 830) {
                    store.BeginDocument();
                    ++document;
                } else if (op < 997) {
                    store.RemoveWord(word.c_str());
                    model.erase(word);
                } else {
                    store.Clear();
                    model.clear();
                    document = 0;
                    refused = false;
                    memory.refuseFrom = -1;
                    messages.shown.clear();
                }
                mostBuckets = std::max(mostBuckets, WordStoreProbe::Buckets(store));
                ASSERT_EQ(store.Count(), static_cast<std::int32_t>(model.size()))
                    << "round " << round << " step " << step;
                ASSERT_EQ(WordStoreProbe::GrowthFailed(store), refused) << "step " << step;
                ASSERT_LE(messages.shown.size(), 1u);
                if (step % 500 == 0 || step == 5999) {
                    Records held;
                    store.ForEachEntry([&](const WordStore::HeldWord& w) {
                        held[std::string(store.WordText(w.id))] = Record{w.count, w.range, 0};
                    });
                    ASSERT_EQ(held, model) << "round " << round << " step " << step;
                }
            }
            if (round % 2 == 0) {
                EXPECT_GT(WordStoreProbe::Capacity(store), 64u * 20) << "round " << round;
            }
        }
        EXPECT_GE(mostBuckets, 256u) << "round " << round;
        EXPECT_TRUE(memory.live.empty()) << "round " << round;
    }
}

}  // namespace
}  // namespace tarvolen
