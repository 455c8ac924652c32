#pragma once

#include <cstddef>
#include <cstdint>

#include "core/store/word_store.h"

namespace tarvolen {

// What the tests look at inside a store: the bytes of the text blocks held and of
// those taken by texts, the buckets of the table (0 while empty), and whether the
// memory refused a growth since the last Clear, the slots of the cache of recent words;
// and the segments' marks.
struct WordStoreProbe {
    static std::size_t Capacity(const WordStore& store) { return store.texts_.Capacity(); }
    static std::size_t BytesUsed(const WordStore& store) { return store.texts_.Used(); }
    static std::uint32_t Buckets(const WordStore& store) { return store.buckets_.Buckets(); }
    static bool GrowthFailed(const WordStore& store) { return store.growthFailed_; }
    static std::size_t CacheSlots(const WordStore& store) { return store.cache_.Slots(); }
    // Brings the marks near their end, where they begin again.
    static void MarkFrom(WordStore& store, std::uint32_t mark) { store.mark_ = mark; }
};

}  // namespace tarvolen
