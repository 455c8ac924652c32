#include "core/store/store_merge.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/store/word_key.h"

#include "core/store/store_exchange.h"

namespace tarvolen {

// A word of a store being added to another, with what its lookup needs.
struct StoreExchange::Pending {
    std::string_view word;
    WordKey key;
    std::uint32_t hash;
    std::uint32_t count;
    std::uint32_t range;
    std::uint32_t index;  // in from

    // The word of from at index (not free), as into takes it.
    Pending(const WordStore& from, std::uint32_t at, const StoreEntry& entry, bool once)
        : word(from.WordText(at)),
          key(KeyOf(word.data(), word.size())),
          hash(HashWord(word.data(), word.size())),
          count(entry.count),
          range(once ? 1 : entry.range),
          index(at) {}
    Pending() = default;
};

namespace {

// Words a merge handles in a run: a merge of millions of words is a walk of random
// buckets, and the loads of a run's chain heads overlap.
constexpr std::size_t kRun = 64;

}  // namespace

template <typename Handle>
void StoreExchange::HandleLoaded(WordStore& into, const Pending* words, std::size_t count,
                                 Handle handle) {
    for (std::size_t i = 0; i < count && into.buckets_.Allocated(); ++i)
        __builtin_prefetch(&into.buckets_.HeadAt(into.buckets_.BucketOf(words[i].hash)));
    for (std::size_t i = 0; i < count && into.buckets_.Allocated(); ++i)
        if (const std::uint32_t head = into.buckets_.Head(into.buckets_.BucketOf(words[i].hash)))
            __builtin_prefetch(&into.entries_.At(head));
    for (std::size_t i = 0; i < count; ++i)
        handle(words[i]);
}

// The words of from (those with indexes from begin to below end) go to handle in runs.
template <typename Handle>
void StoreExchange::InRuns(WordStore& into, const WordStore& from, std::uint32_t begin,
                           std::uint32_t end, bool once, Handle handle) {
    Pending run[kRun];
    std::size_t pending = 0;
    const auto flush = [&] {
        HandleLoaded(into, run, pending, handle);
        pending = 0;
    };
    from.entries_.ForEachCarvedIn(begin, end, [&](std::uint32_t index, const StoreEntry& entry) {
        if (entry.count == 0)  // free
            return;
        run[pending++] = Pending(from, index, entry, once);
        if (pending == kRun)
            flush();
    });
    flush();
}

namespace {

// Below this many words a merge is not worth the threads it would start.
constexpr std::uint32_t kLeastSharedMerge = 1 << 14;

}  // namespace

void StoreExchange::TakeAll(WordStore& into, WordStore& from, WordStore::Found found,
                            SideBySide& side) {
    const bool once = found == WordStore::Found::InDocument;
    const std::uint32_t end = from.entries_.End();
    // from is read in the order of its entries, never through its chains: its heads
    // (4 to 8 bytes a word) go back before into grows by the words it lacks.
    from.buckets_.Release();
    const std::size_t tasks = std::min<std::size_t>(side.Width(), end / kLeastSharedMerge);
    if (tasks < 2 || !into.buckets_.Allocated()) {
        InRuns(into, from, 1, end, once, [&](const Pending& word) {
            into.AddCounted(word.word.data(), word.word.size(), word.key, word.hash, word.count,
                            word.range, found);
        });
        from.Clear();
        return;
    }
    // While the tasks look up, into does not change but for the counts of the words
    // found, each of which one task alone holds: from holds every word once.
    // The missing by their indexes in from alone: a merge of millions of words may miss
    // hundreds of thousands, and their views, keys and hashes are quickly made again.
    std::vector<std::vector<std::uint32_t>> missing(tasks);
    side.Run(tasks, [&](std::size_t task) {
        const auto share = [&](std::size_t i) {
            return static_cast<std::uint32_t>(std::uint64_t{end} * i / tasks);
        };
        InRuns(into, from, share(task), share(task + 1), once, [&](const Pending& word) {
            if (const std::uint32_t index =
                    into.Find(word.word.data(), word.word.size(), word.key, word.hash))
                into.AddToEntry(into.entries_.At(index), word.count, word.range, once);
            else
                missing[task].push_back(word.index);
        });
    });
    // In the order of from, as one task would have entered them, in runs (the words
    // lacked may be millions: words in a row). A slab of from goes back once no word
    // of the run still views it.
    Pending run[kRun];
    std::size_t pending = 0;
    const auto enter = [&] {
        HandleLoaded(into, run, pending, [&](const Pending& word) {
            into.Insert(word.word.data(), word.word.size(), word.key, word.hash, word.count,
                        word.range, once ? into.mark_ : 0);
        });
        pending = 0;
    };
    std::uint32_t slab = 0;  // from's first slab still held
    for (const std::vector<std::uint32_t>& indexes : missing)
        for (const std::uint32_t index : indexes) {
            if (slab < EntrySlabs::SlabOf(index)) {
                enter();
                for (; slab < EntrySlabs::SlabOf(index); ++slab)
                    from.entries_.ReleaseSlab(slab);
            }
            run[pending++] = Pending(from, index, from.entries_.At(index), once);
            if (pending == kRun)
                enter();
        }
    enter();
    from.Clear();
}

namespace {

// An empty store takes the largest of the stores whole, its words not copied one by
// one: a store of counted documents, or a part of a document read in parts, which then
// takes the document's other parts at once. What is left to add stays in stores.
void TakeLargest(WordStore& into, StoresToMerge& stores, SideBySide& side) {
    WordStore* largest = nullptr;
    const auto consider = [&largest](WordStore* store) {
        if (largest == nullptr || store->Count() > largest->Count())
            largest = store;
    };
    std::ranges::for_each(stores.counted, consider);
    for (const std::vector<WordStore*>& parts : stores.shared)
        std::ranges::for_each(parts, consider);
    if (largest == nullptr)
        return;
    StoreExchange::TakeWords(into, *largest);
    if (std::erase(stores.counted, largest) > 0)
        return;
    const auto document = std::ranges::find_if(stores.shared, [largest](const auto& parts) {
        return std::ranges::find(parts, largest) != parts.end();
    });
    // The part's words were counted outside any document, as into now stands: the other
    // parts add to them as in that document, and the document ends.
    for (WordStore* part : *document)
        if (part != largest)
            StoreExchange::TakeAll(into, *part, WordStore::Found::InDocument, side);
    into.BeginDocument();
    stores.shared.erase(document);
}

}  // namespace

void MergeStores(WordStore& into, const StoresToMerge& toMerge, SideBySide& side) {
    StoresToMerge stores = toMerge;
    if (into.Count() == 0 && into.DocumentCount() == 0)
        TakeLargest(into, stores, side);
    for (WordStore* store : stores.counted) {
        // Their documents count as read here.
        const std::uint64_t documents = store->DocumentCount();
        StoreExchange::TakeAll(into, *store, WordStore::Found::Elsewhere, side);
        for (std::uint64_t document = 0; document < documents; ++document)
            into.BeginDocument();
    }
    for (const std::vector<WordStore*>& parts : stores.shared) {
        into.BeginDocument();
        for (WordStore* part : parts)
            StoreExchange::TakeAll(into, *part, WordStore::Found::InDocument, side);
    }
}

}  // namespace tarvolen
