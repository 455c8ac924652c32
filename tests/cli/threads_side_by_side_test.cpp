// The steps after a threaded count that run side by side: the merge of the threads'
// stores and the sort of the list, each against the same step taken in turn. Stores
// of a few hundred thousand words, so that both really split.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/output/word_list_writer.h"
#include "core/store/store_merge.h"
#include "core/store/word_store.h"
#include "core/text/collation.h"
#include "run/threads_side_by_side.h"
#include "support/fake_arena_memory.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"
#include "support/word_store_probe.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::SmallStoreOptions;
using testing::ZeroTicks;

// Words some short enough to live in their entries, some long, many sharing their
// first 8 bytes; made once.
const std::vector<std::string>& Vocabulary() {
    static const std::vector<std::string> words = [] {
        std::minstd_rand random(3);
        std::vector<std::string> made(100'000);
        for (std::string& word : made) {
            word.resize(1 + random() % 24);
            for (char& c : word)
                c = static_cast<char>('a' + random() % 6);
        }
        return made;
    }();
    return words;
}

// Three stores that share many words, with documents begun here and there; the same
// seed gives the same stores.
std::vector<std::unique_ptr<WordStore>> OverlappingStores(unsigned seed) {
    std::minstd_rand random(seed);
    std::vector<std::unique_ptr<WordStore>> stores;
    for (int s = 0; s < 3; ++s) {
        stores.push_back(std::make_unique<WordStore>(SmallStoreOptions(8 << 20)));
        for (int i = 0; i < 70'000; ++i) {
            if (random() % 20'000 == 0)
                stores.back()->BeginDocument();
            const std::string& word = Vocabulary()[random() % Vocabulary().size()];
            stores.back()->AddOccurrences(word.c_str(), word.size(), 1 + random() % 5);
        }
    }
    return stores;
}

using Held = std::vector<std::tuple<std::string_view, std::uint32_t, std::uint32_t>>;

Held HeldWords(const WordStore& store) {
    Held held;
    store.ForEachEntry([&](const WordStore::HeldWord& word) {
        held.emplace_back(store.WordText(word.id), word.count, word.range);
    });
    std::sort(held.begin(), held.end());
    return held;
}

// Merged as the counted stores of threads (ranges add) and as the parts of one
// document, in turn and on three threads.
TEST(ThreadsSideBySide, MergesStoresAsOneThreadDoes) {
    for (const bool parts : {false, true}) {
        std::vector<Held> results;
        std::vector<std::uint64_t> documents;
        std::vector<std::unique_ptr<WordStore>> merged;
        for (const std::size_t width : {1u, 3u}) {
            auto stores = OverlappingStores(7);
            WordStore& into =
                *merged.emplace_back(std::make_unique<WordStore>(SmallStoreOptions(8 << 20)));
            const std::string seen = "seen";
            into.AddOccurrences(seen.c_str(), seen.size(), 1);  // not taken whole
            StoresToMerge merge;
            if (parts)
                merge.shared.push_back({stores[0].get(), stores[1].get(), stores[2].get()});
            else
                merge.counted = {stores[0].get(), stores[1].get(), stores[2].get()};
            ThreadsSideBySide side(width);
            MergeStores(into, merge, side);
            for (const auto& store : stores)
                EXPECT_EQ(store->Count(), 0);  // their memory given back
            results.push_back(HeldWords(into));
            documents.push_back(into.DocumentCount());
        }
        EXPECT_GT(results[0].size(), 60'000u);
        EXPECT_TRUE(results[0] == results[1]) << "parts " << parts;
        EXPECT_EQ(documents[0], documents[1]);
    }
}

// A store merged into another is read entry by entry, so its chain heads are given
// back before the other grows by the words it lacks, on one task and on three.
TEST(ThreadsSideBySide, AMergedStoresHeadsGoBackBeforeTheOtherGrows) {
    for (const std::size_t width : {1u, 3u}) {
        testing::FakeArenaMemory memory;
        WordStore::Options options = SmallStoreOptions(8 << 20);
        options.memory = &memory;
        WordStore into(options);
        WordStore from(options);
        into.AddWord("seen");
        for (int i = 0; i < 40'000; ++i)
            from.AddWord(("word" + std::to_string(i)).c_str());
        int tablesObtained = 0;
        memory.beforeObtain = [&](ArenaMemory::Use use) {
            if (use == ArenaMemory::Use::Table || use == ArenaMemory::Use::FirstSlab) {
                ++tablesObtained;
                EXPECT_EQ(WordStoreProbe::Buckets(from), 0u) << width << " tasks";
            }
        };
        StoresToMerge merge;
        merge.counted = {&from};
        ThreadsSideBySide side(width);
        MergeStores(into, merge, side);
        EXPECT_GT(tablesObtained, 0);
        EXPECT_EQ(into.Count(), 40'001);
    }
}

std::string Written(void (*write)(std::FILE*, const WordStore&, const RecordFormat&, SideBySide&),
                    const WordStore& store, std::size_t width, const Collation* collation) {
    std::FILE* file = std::tmpfile();
    ThreadsSideBySide side(width);
    WriterOptions options;
    options.Collate = collation;
    write(file, store, RecordFormat(options), side);
    std::string bytes(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    return bytes;
}

// Sorted in three runs and merged on the way out: the same bytes as one sort, in
// every kind of list (counts tie often here, and words share their first 8 bytes), in
// byte order and in a language's, whose sort keys each run makes for its own words.
TEST(ThreadsSideBySide, SortsTheListAsOneThreadDoes) {
    const auto stores = OverlappingStores(11);
    const std::unique_ptr<Collation> french = Collation::ForLocale("fr");
    for (const Collation* collation :
         {static_cast<const Collation*>(nullptr), static_cast<const Collation*>(french.get())})
        for (const auto write : {&WriteWordRecords, &WriteFrequencyRecords, &WriteRangeRecords}) {
            const std::string inTurn = Written(write, *stores[0], 1, collation);
            EXPECT_GT(inTurn.size(), 500'000u);
            EXPECT_TRUE(Written(write, *stores[0], 3, collation) ==
                        inTurn);  // no diff of megabytes
        }
}

// A list long enough that the tasks format its records in slices: about 200,000
// distinct words, many sharing their first 8 bytes, their counts tying often.
const WordStore& LongList() {
    static const std::unique_ptr<WordStore> store = [] {
        auto made = std::make_unique<WordStore>(SmallStoreOptions(16 << 20));
        std::minstd_rand random(5);
        std::string word;
        for (int i = 0; i < 220'000; ++i) {
            word.resize(1 + random() % 24);
            for (char& c : word)
                c = static_cast<char>('a' + random() % 6);
            made->AddOccurrences(word.c_str(), word.size(), 1 + random() % 5);
        }
        return made;
    }();
    return *store;
}

WriteOutcome WriteList(ListKind kind, const WordStore& store, const WriterOptions& options,
                       const std::string& path, const WriterHooks& hooks) {
    switch (kind) {
        case ListKind::Words:
            return WriteWordList(store, options, path, hooks);
        case ListKind::Frequency:
            return WriteFrequencyList(store, options, path, hooks);
        case ListKind::Range:
            break;
    }
    return WriteRangeList(store, options, path, hooks);
}

// Saved, and to a stream, each kind of list in each output encoding and in byte order
// and a language's: the bytes of one writer that formats every record in turn.
TEST(ThreadsSideBySide, WritesALongListInSlicesAsOneThreadDoes) {
    const WordStore& store = LongList();
    ASSERT_GT(store.Count(), 170'000);
    const std::unique_ptr<Collation> french = Collation::ForLocale("fr");
    testing::TempDir dir;
    FakeMessages messages;
    ZeroTicks ticks;
    for (const Collation* collation :
         {static_cast<const Collation*>(nullptr), static_cast<const Collation*>(french.get())})
        for (const int encoding : {0, 1, 2})
            for (const ListKind kind : {ListKind::Words, ListKind::Frequency, ListKind::Range}) {
                WriterOptions options;
                options.Collate = collation;
                options.UnicodeOutput = encoding == 1;
                options.Utf8Output = encoding == 2;
                std::vector<std::string> saved;
                for (const std::size_t width : {1u, 3u}) {
                    ThreadsSideBySide side(width);
                    WriterHooks hooks{messages, ticks};
                    hooks.side = &side;
                    const std::string path = (dir.path() / "list.txt").string();
                    ASSERT_EQ(WriteList(kind, store, options, path, hooks), WriteOutcome::Written);
                    saved.push_back(testing::TempDir::Read(path));
                }
                EXPECT_GT(saved[0].size(), 1'000'000u);
                EXPECT_TRUE(saved[0] == saved[1]) << static_cast<int>(kind) << " " << encoding;
            }
    // More tasks than the sort made runs: as many slices at once as there are runs.
    const auto write = &WriteFrequencyRecords;
    const std::string inTurn = Written(write, store, 1, nullptr);
    EXPECT_TRUE(Written(write, store, 3, nullptr) == inTurn);
    EXPECT_TRUE(Written(write, store, 40, french.get()) == Written(write, store, 1, french.get()));
}

// Asked to stop between slices, the save ends and leaves the old file as it was.
TEST(ThreadsSideBySide, AStopBetweenSlicesKeepsTheOldFile) {
    testing::TempDir dir;
    const std::string path = dir.Write("list.txt", "old list\n");
    FakeMessages messages;
    ZeroTicks ticks;
    ThreadsSideBySide side(3);
    WriterHooks hooks{messages, ticks};
    hooks.side = &side;
    int asked = 0;
    hooks.stopRequested = [&asked] { return ++asked > 2; };
    EXPECT_EQ(WriteList(ListKind::Frequency, LongList(), WriterOptions{}, path, hooks),
              WriteOutcome::Stopped);
    EXPECT_EQ(testing::TempDir::Read(path), "old list\n");
}

TEST(ThreadsSideBySide, RunsEveryTaskAndRethrowsTheFirstFailure) {
    ThreadsSideBySide side(3);
    std::vector<int> ran(7, 0);
    EXPECT_THROW(side.Run(7,
                          [&](std::size_t task) {
                              ran[task] = 1;
                              if (task == 4)
                                  throw std::runtime_error("task 4");
                          }),
                 std::runtime_error);
    // The round that failed ended; the next one was not started.
    EXPECT_EQ(ran, (std::vector<int>{1, 1, 1, 1, 1, 1, 0}));
}

}  // namespace
}  // namespace tarvolen
