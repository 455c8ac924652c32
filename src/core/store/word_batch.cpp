#include "core/store/word_batch.h"

#include <algorithm>
#include <cstdint>

namespace tarvolen {

namespace {

// Keeps a value, and so the loads it was made of, from being optimised away.
inline void KeepValue(std::uint64_t value) {
#if defined(__GNUC__)
    asm volatile("" : : "r"(value));
#else
    static volatile std::uint64_t sink;
    sink = value;
#endif
}

}  // namespace

void WordBatch::AddPartRun(WordStore& store, PartTally& tally, const PreparedWord* words,
                           std::size_t count) {
    // The mark and the position stay in registers here: kept in the store and the tally,
    // each word would wait on the last one's write of them, which a write to an entry
    // could have changed for all the compiler knows. The calls that count a word
    // otherwise take them and give them back.
    std::uint32_t mark = store.mark_;
    std::uint64_t position = tally.Words();
    for (std::size_t i = 0; i < count; ++i) {
        const PreparedWord& word = words[i];
        if (CountCached(store, word.text, word.length, word.key, word.tag, [&](StoreEntry& entry) {
                store.CountInPart(entry, tally, mark, position);
            })) [[likely]]
            continue;
        store.mark_ = mark;
        tally.CountedTo(position);
        store.AddUncached(
            word.text, word.length, word.key, word.tag,
            word.hashed ? word.hash : WordStore::HashOf(word.text, word.length, word.key));
        mark = store.mark_;
        position = tally.Words();
    }
    store.mark_ = mark;
    tally.CountedTo(position);
}

void WordBatch::Preload(const WordStore& store, PreparedWord* words, std::size_t count) {
    constexpr std::size_t kRun = 256;
    std::uint32_t index[kRun];
    std::uint16_t missed[kRun];
    std::uint32_t second[kRun];
    std::uint64_t loaded = 0;
    for (std::size_t first = 0; first < count; first += kRun) {
        PreparedWord* const run = words + first;
        const std::size_t n = std::min(kRun, count - first);
        // The words the cache does not name are listed without a branch, so that
        // the next passes run over them alone. The entries the cache names are only
        // prefetched: most are frequent words, near at hand already.
        std::size_t misses = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const WordStore::CacheSlot slot = store.cache_.At(run[i].tag);
            index[i] = slot.tag == run[i].tag ? slot.index : 0;
            if (index[i] != 0)
                __builtin_prefetch(&store.entries_.At(index[i]));
            missed[misses] = static_cast<std::uint16_t>(i);
            misses += index[i] == 0;
        }
        // The hashing is kept out of the loop of loads: the fewer instructions
        // between two loads, the more of them the processor has in flight.
        for (std::size_t k = 0; k < misses; ++k) {
            PreparedWord& word = run[missed[k]];
            if (!word.hashed) {
                word.hash = HashOfKey(word.key, word.length);
                word.hashed = true;
            }
            index[missed[k]] = store.buckets_.BucketOf(word.hash);
        }
        for (std::size_t k = 0; k < misses; ++k)
            index[missed[k]] = store.buckets_.Head(index[missed[k]]);
        // The chains' first entries, then their second ones: with as many entries
        // as buckets a chain holds more than one entry often enough that a miss
        // left to the lookup itself would cost more than all the others.
        for (std::size_t k = 0; k < misses; ++k) {
            second[k] = 0;
            if (const std::uint32_t at = index[missed[k]]) {
                const StoreEntry& entry = store.entries_.At(at);
                loaded += entry.keyA;
                second[k] = entry.next;
            }
        }
        for (std::size_t k = 0; k < misses; ++k) {
            if (second[k] != 0)
                loaded += store.entries_.At(second[k]).keyA;
        }
        for (std::size_t k = 0; k < misses; ++k) {
            const std::uint32_t at = index[missed[k]];
            if (at != 0 && run[missed[k]].length > WordStore::kInlineBytes) {
                if (const std::uint32_t text = TextOfEntry(store.entries_.At(at)))
                    loaded +=
                        static_cast<unsigned char>(store.texts_.At(text)[WordStore::kKeptBytes]);
            }
        }
    }
    KeepValue(loaded);
}

}  // namespace tarvolen
