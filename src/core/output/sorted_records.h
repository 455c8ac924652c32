#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/output/my_exception.h"
#include "core/ports/side_by_side.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "core/text/collation.h"

// The writers' sorts: every stored word as a small record, sorted in runs side by side
// and merged as the records are written. Only word_list_writer.cpp includes it.
namespace tarvolen::sorted_records {

// Each word by reference (its id in the store), with the first eight bytes of its
// text as one big-endian number, NUL-padded, and the next four the same way in what
// would otherwise be the record's padding, which the store gives without reading the
// text. Words hold no NUL, so unequal keys order two words exactly as WordOrder does;
// only on equal keys must the sort look at the texts themselves, which lie scattered
// over the store and cost a cache miss each (entries of words in a row share their
// first eight bytes often: "of the ..."). 16 bytes a word: for millions of words the
// sort array is the largest block of memory after the store itself. Under a
// collation the key is the first eight bytes of the word's sort key instead,
// zero-padded when it is shorter, and the next key is 0.
struct KeyedWord {
    std::uint64_t key;
    WordStore::WordId id;
    std::uint32_t next;
};

struct KeyedEntry {
    std::uint64_t key;
    WordStore::WordId id;
    std::uint32_t count;
};

// A KeyedEntry that also carries the word's range, for the lists that write it, and
// KeyedWord's next key in what would otherwise be padding.
struct KeyedRangeEntry {
    std::uint64_t key;
    WordStore::WordId id;
    std::uint32_t count;
    std::uint32_t range;
    std::uint32_t next;
};

static_assert(sizeof(KeyedWord) == 16 && sizeof(KeyedRangeEntry) == 24);

// The key after key, where the record has room for one, else 0 (equal for all).
template <typename Keyed>
std::uint32_t NextKey(const Keyed& keyed) {
    if constexpr (requires { keyed.next; })
        return keyed.next;
    else
        return 0;
}

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
// array alone. CompareKeys is that part: below 0 when a comes first, above when b
// does, 0 when only the words can tell.
template <typename Keyed>
int CompareKeys(const Keyed& a, const Keyed& b) {
    if constexpr (requires { a.count; })
        if (a.count != b.count)
            return a.count > b.count ? -1 : 1;
    if (a.key != b.key)
        return a.key < b.key ? -1 : 1;
    if (NextKey(a) != NextKey(b))
        return NextKey(a) < NextKey(b) ? -1 : 1;
    return 0;
}

template <typename Keyed>
bool Before(const Order& order, const Keyed& a, const Keyed& b) {
    const int keys = CompareKeys(a, b);
    return keys != 0 ? keys < 0 : order.WordsBefore(a.id, b.id);
}

// Sorts records by their keys alone, which never reads the store, and then each run of
// records whose keys tie by their words, loaded together first: a sort that compares
// the words as it meets a tie reads two texts from anywhere in the store every time,
// and the entries of words in a row tie often (many share their first 12 bytes, "of
// the ...").
template <typename Iterator>
void SortRecords(Iterator begin, Iterator end, const Order& order) {
    using Keyed = std::remove_cvref_t<decltype(*begin)>;
    std::sort(begin, end, [](const Keyed& a, const Keyed& b) { return CompareKeys(a, b) < 0; });
    for (Iterator first = begin; first != end;) {
        Iterator last = first + 1;
        while (last != end && CompareKeys(*first, *last) == 0)
            ++last;
        if (last - first > 1) {
            for (Iterator record = first; record != last; ++record)
                order.store.PrefetchWord(record->id);
            for (Iterator record = first; record != last; ++record)
                order.store.PrefetchWordText(record->id);
            std::sort(first, last, [&order](const Keyed& a, const Keyed& b) {
                return order.WordsBefore(a.id, b.id);
            });
        }
        first = last;
    }
}

// Records sorted in runs, one per task that sorted them, the runs one after another in
// the order (SplitByKeys), which ForEachSorted merges as it goes: a merge into a second
// array would cost as much memory again.
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

// The records parted into runs that follow one another in the order, each run the
// records whose keys lie between two pivots (quantiles of a sample), so that records
// whose keys tie (CompareKeys) are never in two runs: sorted side by side, the runs
// one after another are the list, and a merge of them never compares two words. Each
// record is swapped straight into the next free place of its run, without a second
// array. Returns each run's end in items.
template <typename Keyed>
std::vector<std::size_t> SplitByKeys(std::vector<Keyed>& items, std::size_t runs) {
    const std::size_t size = items.size();
    if (runs < 2)
        return {size};
    const auto less = [](const Keyed& a, const Keyed& b) { return CompareKeys(a, b) < 0; };
    constexpr std::size_t kSamplesPerRun = 256;
    const std::size_t samples = std::min(size, runs * kSamplesPerRun);
    std::vector<Keyed> sample;
    for (std::size_t i = 0; i < samples; ++i)
        sample.push_back(items[i * size / samples]);
    std::sort(sample.begin(), sample.end(), less);
    std::vector<Keyed> pivots;
    for (std::size_t run = 1; run < runs; ++run)
        pivots.push_back(sample[run * samples / runs]);
    // A record's run: how many pivots are not after it.
    const auto runOf = [&](const Keyed& record) {
        return static_cast<std::size_t>(
            std::upper_bound(pivots.begin(), pivots.end(), record, less) - pivots.begin());
    };
    std::vector<std::size_t> ends(runs, 0);
    for (const Keyed& record : items)
        ++ends[runOf(record)];
    std::vector<std::size_t> free(runs, 0);
    for (std::size_t run = 1; run < runs; ++run) {
        ends[run] += ends[run - 1];
        free[run] = ends[run - 1];
    }
    for (std::size_t run = 0; run < runs; ++run)
        while (free[run] < ends[run]) {
            const std::size_t to = runOf(items[free[run]]);
            if (to == run)
                ++free[run];
            else
                std::swap(items[free[run]], items[free[to]++]);
        }
    return ends;
}

// One record per stored word, in no particular order, parted into runs that are sorted
// side by side.
template <typename Keyed, typename Make>
SortedRuns<Keyed> SortInRuns(const WordStore& store, const SortBy& by, Make make) {
    SortedRuns<Keyed> sorted;
    sorted.items.reserve(static_cast<std::size_t>(store.Count()));
    store.ForEachEntry(
        [&](const WordStore::HeldWord& word) { sorted.items.push_back(make(word)); });
    const std::size_t runs =
        std::clamp<std::size_t>(sorted.items.size() / kLeastSortRun, 1, by.side.Width());
    sorted.codePage = by.codePage;
    // A collator is used by one thread at a time.
    if (by.collation != nullptr) {
        for (std::size_t run = 0; run <= runs; ++run)
            sorted.collators.push_back(by.collation->Clone());
        // Only the first bytes of each word's sort key, which settle nearly every
        // comparison: a whole key costs several times more to make, and the few words
        // whose first bytes tie are compared by the collator itself.
        by.side.Run(runs, [&](std::size_t run) {
            const std::size_t size = sorted.items.size();
            for (std::size_t i = size * run / runs; i < size * (run + 1) / runs; ++i) {
                Keyed& item = sorted.items[i];
                item.key = sorted.collators[run]->LeadingKey(store.WordText(item.id), by.codePage);
                if constexpr (requires { item.next; })
                    item.next = 0;
            }
        });
    }
    sorted.ends = SplitByKeys(sorted.items, runs);
    by.side.Run(runs, [&](std::size_t run) {
        const auto begin =
            sorted.items.begin() + static_cast<std::ptrdiff_t>(run == 0 ? 0 : sorted.ends[run - 1]);
        const auto end = sorted.items.begin() + static_cast<std::ptrdiff_t>(sorted.ends[run]);
        SortRecords(begin, end, sorted.OrderOf(store, run));
    });
    return sorted;
}

inline SortedRuns<KeyedWord> SortedKeyedWords(const WordStore& store, const SortBy& by) {
    return SortInRuns<KeyedWord>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedWord{word.leadingBytes, word.id, word.nextBytes};
    });
}

inline SortedRuns<KeyedEntry> SortedKeyedEntries(const WordStore& store, const SortBy& by) {
    return SortInRuns<KeyedEntry>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedEntry{word.leadingBytes, word.id, word.count};
    });
}

inline SortedRuns<KeyedRangeEntry> SortedKeyedRanges(const WordStore& store, const SortBy& by) {
    return SortInRuns<KeyedRangeEntry>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedRangeEntry{word.leadingBytes, word.id, word.count, word.range, word.nextBytes};
    });
}

// Where each run's records begin and end: [first, second) of sorted.items.
using RunBounds = std::vector<std::pair<std::size_t, std::size_t>>;

template <typename Keyed>
RunBounds WholeRuns(const SortedRuns<Keyed>& sorted) {
    RunBounds runs;
    for (std::size_t run = 0; run < sorted.ends.size(); ++run)
        runs.emplace_back(run == 0 ? 0 : sorted.ends[run - 1], sorted.ends[run]);
    return runs;
}

// Walks the runs within bounds, merged, and hands each record to write, fetching the
// words a few places ahead: in sorted order they lie anywhere in the store. A long
// word's text is fetched once its entry, which names it, has come. The order compares
// with collator (SortedRuns::OrderOf), which no other thread may use meanwhile.
template <typename Keyed, typename Write>
void MergeRuns(const WordStore& store, const SortedRuns<Keyed>& sorted, RunBounds runs,
               std::size_t collator, Write write) {
    constexpr std::size_t kAhead = 8;
    const std::vector<Keyed>& keyed = sorted.items;
    const Order order = sorted.OrderOf(store, collator);
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

// Every record of the sorted runs, merged, handed to write in order.
template <typename Keyed, typename Write>
void ForEachSorted(const WordStore& store, const SortedRuns<Keyed>& sorted, Write write) {
    MergeRuns(store, sorted, WholeRuns(sorted), sorted.ends.size(), write);
}

// Lists shorter than this are written as they are merged: formatting them side by side
// would not pay for the buffers and the tasks.
inline constexpr std::size_t kLeastSlicedWrite = std::size_t{1} << 17;
// Records a slice: a round's buffers then hold a few megabytes at most.
inline constexpr std::size_t kSliceRecords = std::size_t{1} << 15;

// The merged order cut into slices of about kSliceRecords each: each slice holds, of
// every run, the records between its bounds. The runs follow one another in the order
// (SplitByKeys), so a slice's bounds are its places in the whole list.
template <typename Keyed>
std::vector<RunBounds> Slices(const SortedRuns<Keyed>& sorted) {
    const RunBounds whole = WholeRuns(sorted);
    const std::size_t slices = std::max<std::size_t>(1, sorted.items.size() / kSliceRecords);
    std::vector<RunBounds> bounds(slices, whole);
    for (std::size_t s = 1; s < slices; ++s) {
        const std::size_t at = sorted.items.size() * s / slices;
        for (std::size_t run = 0; run < whole.size(); ++run)
            bounds[s - 1][run].second = bounds[s][run].first =
                std::clamp(at, whole[run].first, whole[run].second);
    }
    return bounds;
}

// A slice's records as formatted into memory by a task: a stream over a buffer of its
// own, freed with it, however the task ends.
struct Formatted {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::size_t records = 0;
    std::FILE* stream = nullptr;

    Formatted() : stream(open_memstream(&bytes, &size)) {
        if (stream == nullptr)
            throw std::bad_alloc();
    }
    ~Formatted() {
        if (stream != nullptr)
            std::fclose(stream);
        std::free(bytes);
    }
    Formatted(const Formatted&) = delete;
    Formatted& operator=(const Formatted&) = delete;
    // Ends the stream, which sets bytes and size; false when a write to it failed.
    bool Close() {
        const bool failed = std::ferror(stream) != 0;
        std::fclose(stream);
        stream = nullptr;
        return !failed;
    }
};

// Writes the records of sorted runs in their merged order, each by
// writeOne(stream, record), as ForEachSorted would hand them over, the records formatted
// by the tasks side by side: a long list spends as long formatting its records, each
// text fetched from anywhere in the store, as sorting them. Each task formats a slice of
// the order into a buffer of its own, which the calling thread then puts into stream in
// order; written(n) follows, on the calling thread, for each n records put. The
// bytes are those of one writer that formats every record in turn.
template <typename Keyed, typename WriteOne, typename Written>
void WriteSorted(std::FILE* stream, const WordStore& store, const SortedRuns<Keyed>& sorted,
                 SideBySide& side, WriteOne writeOne, Written written) {
    // Each run was sorted by a task with a collator of its own: as many tasks at once
    // now, each with a run's collator.
    const std::size_t width = std::min(side.Width(), sorted.ends.size());
    if (width < 2 || sorted.items.size() < kLeastSlicedWrite) {
        ForEachSorted(store, sorted, [&](const Keyed& record) {
            writeOne(stream, record);
            written(std::size_t{1});
        });
        return;
    }
    const std::vector<RunBounds> slices = Slices(sorted);
    std::vector<std::unique_ptr<Formatted>> formatted(width);
    for (std::size_t first = 0; first < slices.size(); first += width) {
        const std::size_t tasks = std::min(width, slices.size() - first);
        side.Run(tasks, [&](std::size_t task) {
            auto slice = std::make_unique<Formatted>();
            MergeRuns(store, sorted, slices[first + task], task, [&](const Keyed& record) {
                writeOne(slice->stream, record);
                ++slice->records;
            });
            if (!slice->Close())
                throw std::bad_alloc();  // the memory refused the bytes
            formatted[task] = std::move(slice);
        });
        for (std::size_t task = 0; task < tasks; ++task) {
            const Formatted& slice = *formatted[task];
            if (slice.size != 0 && std::fwrite(slice.bytes, slice.size, 1, stream) != 1)
                ThrowOutputError();  // as a record written in turn would
            written(slice.records);
            formatted[task].reset();
        }
    }
}

}  // namespace tarvolen::sorted_records
