#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/side_by_side.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "core/text/collation.h"

// The writers' sorts: every stored word as a small record, sorted in runs side by side
// and merged as the records are written. Only word_list_writer.cpp includes it.
namespace tarvolen::sorted_records {

// Each word by reference (its id in the store), with the first eight bytes of its
// text as one big-endian number, NUL-padded, which the store gives without reading
// the text. Words hold no NUL, so unequal keys order two words exactly as WordOrder
// does; only on equal keys must the sort look at the texts themselves, which lie
// scattered over the store and cost a cache miss each. 16 bytes a word: for millions
// of words the sort array is the largest block of memory after the store itself.
// Under a collation the key is the first eight bytes of the word's sort key instead,
// zero-padded when it is shorter.
struct KeyedWord {
    std::uint64_t key;
    WordStore::WordId id;
};

struct KeyedEntry {
    std::uint64_t key;
    WordStore::WordId id;
    std::uint32_t count;
};

// A KeyedEntry that also carries the word's range, for the lists that write it.
struct KeyedRangeEntry {
    std::uint64_t key;
    WordStore::WordId id;
    std::uint32_t count;
    std::uint32_t range;
};

// How a list is sorted: by the tasks side by side, in byte order or a collation's.
struct SortBy {
    SideBySide& side;
    const Collation* collation = nullptr;
    CodePage codePage = CodePage::Windows1252;  // the words' (for the collation)
};

// Two records' words compared once their keys are equal: under a collation by the
// collator (which a partial key leaves undecided only for words that share the first
// eight bytes of their keys), then by the bytes (which also order the words a
// collation finds equal). The collator is the sorting task's own.
struct Order {
    const WordStore& store;
    const Collation* collation = nullptr;
    CodePage codePage = CodePage::Windows1252;
    bool WordsBefore(WordStore::WordId a, WordStore::WordId b) const {
        if (collation != nullptr)
            return collation->Before(store.WordText(a), store.WordText(b), codePage);
        // strcmp orders as unsigned bytes, a prefix first: WordOrder, without measuring
        // either text (n-gram entries tie often on their first 8 bytes, and are long).
        return std::strcmp(store.WordChars(a), store.WordChars(b)) < 0;
    }
};

// KeyedWord's order is the words'. FrequencyOrder decides by the counts when they
// differ, and then by the words, which unequal keys decide as well; so only equal
// counts with equal keys need the texts, and everything else is settled from the
// array alone.
inline bool Before(const Order& order, const KeyedWord& a, const KeyedWord& b) {
    if (a.key != b.key)
        return a.key < b.key;
    return order.WordsBefore(a.id, b.id);
}

template <typename Keyed>
bool FrequencyBefore(const Order& order, const Keyed& a, const Keyed& b) {
    if (a.count != b.count)
        return a.count > b.count;
    if (a.key != b.key)
        return a.key < b.key;
    return order.WordsBefore(a.id, b.id);
}

inline bool Before(const Order& order, const KeyedEntry& a, const KeyedEntry& b) {
    return FrequencyBefore(order, a, b);
}

inline bool Before(const Order& order, const KeyedRangeEntry& a, const KeyedRangeEntry& b) {
    return FrequencyBefore(order, a, b);
}

// Records sorted in runs, one per task that sorted them, which ForEachSorted merges as
// it goes: a merge into a second array would cost as much memory again.
template <typename Keyed>
struct SortedRuns {
    std::vector<Keyed> items;
    std::vector<std::size_t> ends;  // each run's end in items, the last items.size()
    // Under a collation: a collator for each run's task, and one for the merge.
    std::vector<std::unique_ptr<Collation>> collators;
    CodePage codePage = CodePage::Windows1252;

    Order OrderOf(const WordStore& store, std::size_t collator) const {
        return {store, collators.empty() ? nullptr : collators[collator].get(), codePage};
    }
};

// Fewer records than this in a run would not pay for the thread that sorts them.
inline constexpr std::size_t kLeastSortRun = std::size_t{1} << 14;

// One record per stored word, in no particular order, each sorted into its run.
template <typename Keyed, typename Make>
SortedRuns<Keyed> SortInRuns(const WordStore& store, const SortBy& by, Make make) {
    SortedRuns<Keyed> sorted;
    sorted.items.reserve(static_cast<std::size_t>(store.Count()));
    store.ForEachEntry(
        [&](const WordStore::HeldWord& word) { sorted.items.push_back(make(word)); });
    const std::size_t runs =
        std::clamp<std::size_t>(sorted.items.size() / kLeastSortRun, 1, by.side.Width());
    for (std::size_t run = 1; run <= runs; ++run)
        sorted.ends.push_back(sorted.items.size() * run / runs);
    sorted.codePage = by.codePage;
    // A collator is used by one thread at a time.
    if (by.collation != nullptr)
        for (std::size_t run = 0; run <= runs; ++run)
            sorted.collators.push_back(by.collation->Clone());
    by.side.Run(runs, [&](std::size_t run) {
        const auto begin =
            sorted.items.begin() + static_cast<std::ptrdiff_t>(run == 0 ? 0 : sorted.ends[run - 1]);
        const auto end = sorted.items.begin() + static_cast<std::ptrdiff_t>(sorted.ends[run]);
        // Only the first bytes of each word's sort key, which settle nearly every
        // comparison: a whole key costs several times more to make, and the few words
        // whose first bytes tie are compared by the collator itself.
        if (!sorted.collators.empty())
            for (auto item = begin; item != end; ++item)
                item->key =
                    sorted.collators[run]->LeadingKey(store.WordText(item->id), by.codePage);
        const Order order = sorted.OrderOf(store, run);
        std::sort(begin, end,
                  [&order](const Keyed& a, const Keyed& b) { return Before(order, a, b); });
    });
    return sorted;
}

inline SortedRuns<KeyedWord> SortedKeyedWords(const WordStore& store, const SortBy& by) {
    return SortInRuns<KeyedWord>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedWord{word.leadingBytes, word.id};
    });
}

inline SortedRuns<KeyedEntry> SortedKeyedEntries(const WordStore& store, const SortBy& by) {
    return SortInRuns<KeyedEntry>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedEntry{word.leadingBytes, word.id, word.count};
    });
}

inline SortedRuns<KeyedRangeEntry> SortedKeyedRanges(const WordStore& store, const SortBy& by) {
    return SortInRuns<KeyedRangeEntry>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedRangeEntry{word.leadingBytes, word.id, word.count, word.range};
    });
}

// Walks sorted runs, merged, and hands each record to write, fetching the words a few
// places ahead: in sorted order they lie anywhere in the store. A long word's text is
// fetched once its entry, which names it, has come.
template <typename Keyed, typename Write>
void ForEachSorted(const WordStore& store, const SortedRuns<Keyed>& sorted, Write write) {
    constexpr std::size_t kAhead = 8;
    const std::vector<Keyed>& keyed = sorted.items;
    const Order order = sorted.OrderOf(store, sorted.ends.size());
    // The next record of each run, and its end.
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t run = 0; run < sorted.ends.size(); ++run)
        runs.emplace_back(run == 0 ? 0 : sorted.ends[run - 1], sorted.ends[run]);
    std::erase_if(runs, [](const auto& run) { return run.first == run.second; });
    while (!runs.empty()) {
        std::size_t next = 0;
        for (std::size_t run = 1; run < runs.size(); ++run)
            if (Before(order, keyed[runs[run].first], keyed[runs[next].first]))
                next = run;
        auto& [i, end] = runs[next];
        if (i + 2 * kAhead < end)
            store.PrefetchWord(keyed[i + 2 * kAhead].id);
        if (i + kAhead < end)
            store.PrefetchWordText(keyed[i + kAhead].id);
        write(keyed[i]);
        if (++i == end)
            runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(next));
    }
}

}  // namespace tarvolen::sorted_records
