#include "core/store/store_merge.h"

#include <algorithm>
#include <string_view>

#include "core/store/word_key.h"

#include "core/store/store_exchange.h"

namespace tarvolen {

void StoreExchange::AddAll(WordStore& into, const WordStore& from, WordStore::Found found) {
    // A merge of millions of words is a walk of random buckets: each run's chain heads
    // and first entries are loaded together before any word is looked up.
    constexpr std::size_t kRun = 64;
    struct Pending {
        std::string_view word;
        WordKey key;
        std::uint32_t hash;
        std::uint32_t count;
        std::uint32_t range;
    };
    Pending run[kRun];
    std::size_t pending = 0;
    const auto flush = [&] {
        for (std::size_t i = 0; i < pending && into.buckets_.Allocated(); ++i)
            __builtin_prefetch(&into.buckets_.HeadAt(into.buckets_.BucketOf(run[i].hash)));
        for (std::size_t i = 0; i < pending && into.buckets_.Allocated(); ++i)
            if (const std::uint32_t head = into.buckets_.Head(into.buckets_.BucketOf(run[i].hash)))
                __builtin_prefetch(&into.entries_.At(head));
        for (std::size_t i = 0; i < pending; ++i)
            into.AddCounted(run[i].word.data(), run[i].word.size(), run[i].key, run[i].hash,
                            run[i].count, run[i].range, found);
        pending = 0;
    };
    const bool once = found == WordStore::Found::InDocument;
    from.ForEachEntry([&](const WordStore::HeldWord& held) {
        Pending& next = run[pending++];
        next.word = from.WordText(held.id);
        next.key = KeyOf(next.word.data(), next.word.size());
        next.hash = HashWord(next.word.data(), next.word.size());
        next.count = held.count;
        next.range = once ? 1 : held.range;
        if (pending == kRun)
            flush();
    });
    flush();
}

namespace {

// An empty store takes the largest of the stores whole, its words not copied one by
// one: a store of counted documents, or a part of a document read in parts, which then
// takes the document's other parts at once. What is left to add stays in stores.
void TakeLargest(WordStore& into, StoresToMerge& stores) {
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
    for (const WordStore* part : *document)
        if (part != largest)
            StoreExchange::AddAll(into, *part, WordStore::Found::InDocument);
    into.BeginDocument();
    stores.shared.erase(document);
}

}  // namespace

void MergeStores(WordStore& into, const StoresToMerge& toMerge) {
    StoresToMerge stores = toMerge;
    if (into.Count() == 0 && into.DocumentCount() == 0)
        TakeLargest(into, stores);
    for (const WordStore* store : stores.counted) {
        StoreExchange::AddAll(into, *store, WordStore::Found::Elsewhere);
        // Their documents count as read here.
        for (std::uint64_t document = 0; document < store->DocumentCount(); ++document)
            into.BeginDocument();
    }
    for (const std::vector<WordStore*>& parts : stores.shared) {
        into.BeginDocument();
        for (const WordStore* part : parts)
            StoreExchange::AddAll(into, *part, WordStore::Found::InDocument);
    }
}

}  // namespace tarvolen
