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
bool KeysBefore(const Keyed& a, const Keyed& b) {
    return CompareKeys(a, b) < 0;
}

// Sorts records by their keys alone, which never reads the store, and then each run of
// records whose keys tie by their words, loaded together first: a sort that compares
// the words as it meets a tie reads two texts from anywhere in the store every time,
// and the entries of words in a row tie often (many share their first 12 bytes, "of
// the ...").
template <typename Iterator>
void SortRecords(Iterator begin, Iterator end, const Order& order) {
    using Keyed = std::remove_cvref_t<decltype(*begin)>;
    std::sort(begin, end, KeysBefore<Keyed>);
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

// Fewer records than this in a run would not pay for the thread that sorts them.
inline constexpr std::size_t kLeastSortRun = std::size_t{1} << 14;

// The records parted into runs that follow one another in the order, each run the
// records whose keys lie between two pivots (quantiles of a sample), so that records
// whose keys tie (CompareKeys) are never in two runs: sorted side by side, the runs
// one after another are the list, with neither a merge nor a second array. Each
// record is swapped straight into the next free place of its run. Returns each run's
// end in items.
template <typename Keyed>
std::vector<std::size_t> SplitByKeys(std::vector<Keyed>& items, std::size_t runs) {
    const std::size_t size = items.size();
    if (runs < 2)
        return {size};
    constexpr std::size_t kSamplesPerRun = 256;
    const std::size_t samples = std::min(size, runs * kSamplesPerRun);
    std::vector<Keyed> sample;
    for (std::size_t i = 0; i < samples; ++i)
        sample.push_back(items[i * size / samples]);
    std::sort(sample.begin(), sample.end(), KeysBefore<Keyed>);
    std::vector<Keyed> pivots;
    for (std::size_t run = 1; run < runs; ++run)
        pivots.push_back(sample[run * samples / runs]);
    // A record's run: how many pivots are not after it.
    const auto runOf = [&](const Keyed& record) {
        return static_cast<std::size_t>(
            std::upper_bound(pivots.begin(), pivots.end(), record, KeysBefore<Keyed>) -
            pivots.begin());
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

// One record per stored word, sorted: in runs of keys (SplitByKeys) that the tasks sort
// side by side, each with a collator of its own under a collation.
template <typename Keyed, typename Make>
std::vector<Keyed> SortRecordsOf(const WordStore& store, const SortBy& by, Make make) {
    std::vector<Keyed> items;
    items.reserve(static_cast<std::size_t>(store.Count()));
    store.ForEachEntry([&](const WordStore::HeldWord& word) { items.push_back(make(word)); });
    const std::size_t runs =
        std::clamp<std::size_t>(items.size() / kLeastSortRun, 1, by.side.Width());
    // A collator is used by one thread at a time.
    std::vector<std::unique_ptr<Collation>> collators;
    if (by.collation != nullptr) {
        for (std::size_t run = 0; run < runs; ++run)
            collators.push_back(by.collation->Clone());
        // Only the first bytes of each word's sort key, which settle nearly every
        // comparison: a whole key costs several times more to make, and the few words
        // whose first bytes tie are compared by the collator itself.
        by.side.Run(runs, [&](std::size_t run) {
            for (std::size_t i = items.size() * run / runs; i < items.size() * (run + 1) / runs;
                 ++i) {
                Keyed& item = items[i];
                item.key = collators[run]->LeadingKey(store.WordText(item.id), by.codePage);
                if constexpr (requires { item.next; })
                    item.next = 0;
            }
        });
    }
    const std::vector<std::size_t> ends = SplitByKeys(items, runs);
    by.side.Run(runs, [&](std::size_t run) {
        const auto begin =
            items.begin() + static_cast<std::ptrdiff_t>(run == 0 ? 0 : ends[run - 1]);
        const auto end = items.begin() + static_cast<std::ptrdiff_t>(ends[run]);
        SortRecords(begin, end,
                    Order{store, collators.empty() ? nullptr : collators[run].get(), by.codePage});
    });
    return items;
}

inline std::vector<KeyedWord> SortedKeyedWords(const WordStore& store, const SortBy& by) {
    return SortRecordsOf<KeyedWord>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedWord{word.leadingBytes, word.id, word.nextBytes};
    });
}

inline std::vector<KeyedEntry> SortedKeyedEntries(const WordStore& store, const SortBy& by) {
    return SortRecordsOf<KeyedEntry>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedEntry{word.leadingBytes, word.id, word.count};
    });
}

inline std::vector<KeyedRangeEntry> SortedKeyedRanges(const WordStore& store, const SortBy& by) {
    return SortRecordsOf<KeyedRangeEntry>(store, by, [](const WordStore::HeldWord& word) {
        return KeyedRangeEntry{word.leadingBytes, word.id, word.count, word.range, word.nextBytes};
    });
}

// Hands each record from begin to below end of sorted records to write, in order,
// fetching the words a few places ahead: in sorted order they lie anywhere in the
// store. A long word's text is fetched once its entry, which names it, has come.
template <typename Keyed, typename Write>
void WalkRecords(const WordStore& store, const std::vector<Keyed>& sorted, std::size_t begin,
                 std::size_t end, Write write) {
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = begin; i < end; ++i) {
        if (i + 2 * kAhead < end)
            store.PrefetchWord(sorted[i + 2 * kAhead].id);
        if (i + kAhead < end)
            store.PrefetchWordText(sorted[i + kAhead].id);
        write(sorted[i]);
    }
}

// Every sorted record handed to write in order.
template <typename Keyed, typename Write>
void ForEachSorted(const WordStore& store, const std::vector<Keyed>& sorted, Write write) {
    WalkRecords(store, sorted, 0, sorted.size(), write);
}

// Lists shorter than this are written record by record: formatting them side by side
// would not pay for the buffers and the tasks.
inline constexpr std::size_t kLeastSlicedWrite = std::size_t{1} << 17;
// Records a slice: a round's buffers then hold a few megabytes at most.
inline constexpr std::size_t kSliceRecords = std::size_t{1} << 15;

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

// Writes sorted records in order, each by writeOne(stream, record), as ForEachSorted
// would hand them over, the records formatted by the tasks side by side: a long list
// spends as long formatting its records, each text fetched from anywhere in the store,
// as sorting them. Each task formats a slice of about kSliceRecords into a buffer of its
// own, which the calling thread then puts into stream in order; written(n) follows, on
// the calling thread, for each n records put. The bytes are those of one writer that
// formats every record in turn.
template <typename Keyed, typename WriteOne, typename Written>
void WriteSorted(std::FILE* stream, const WordStore& store, const std::vector<Keyed>& sorted,
                 SideBySide& side, WriteOne writeOne, Written written) {
    const std::size_t width = side.Width();
    if (width < 2 || sorted.size() < kLeastSlicedWrite) {
        ForEachSorted(store, sorted, [&](const Keyed& record) {
            writeOne(stream, record);
            written(std::size_t{1});
        });
        return;
    }
    const std::size_t slices = sorted.size() / kSliceRecords;
    const auto sliceBegin = [&](std::size_t slice) { return sorted.size() * slice / slices; };
    std::vector<std::unique_ptr<Formatted>> formatted(width);
    for (std::size_t first = 0; first < slices; first += width) {
        const std::size_t tasks = std::min(width, slices - first);
        side.Run(tasks, [&](std::size_t task) {
            auto slice = std::make_unique<Formatted>();
            WalkRecords(store, sorted, sliceBegin(first + task), sliceBegin(first + task + 1),
                        [&](const Keyed& record) {
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
