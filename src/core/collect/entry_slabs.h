#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "core/collect/arena_memory.h"

namespace tarvolen {

// One distinct word of the store.
struct StoreEntry {
    // The word's first 12 bytes, NUL-padded, first byte lowest: a word of at most 12
    // bytes lives here alone, and for a longer one they decide most comparisons.
    std::uint64_t keyA;  // bytes 0..7
    std::uint32_t keyB;  // bytes 8..11
    // 0 for a word held in the key bytes, which are then followed by 4 bytes of 0: so
    // such a word is NUL-terminated where it lies, as a longer one is in its text
    // block, whose position (TextBlocks) this is otherwise.
    std::uint32_t text;
    std::uint32_t next;   // the following entry of the chain or of the free list
    std::uint32_t count;  // occurrences; 0 marks a free entry
    // Documents the word was counted in, and the last of them: a word met again in the
    // same document finds its number here and leaves the range be, so the range costs
    // neither a lookup nor a set of documents.
    std::uint32_t range;
    std::uint32_t lastDocument;
};
static_assert(sizeof(StoreEntry) == 32);

// The store's entries, named by 32-bit indexes (0: none), in slabs that never move: a
// view of a word held in its entry stays valid while the word is held, and the table
// can double without touching the entries but for their links. The first slabs are
// small and each doubles the room up to 2^20 entries, so a small list maps little;
// from there on every slab holds 2^20.
class EntrySlabs {
  public:
    static constexpr std::uint32_t kMaxEntries = 1u << 31;  // Count() is signed 32-bit

    explicit EntrySlabs(ArenaMemory& memory) : memory_(&memory) {}
    ~EntrySlabs() { Release(); }
    EntrySlabs(const EntrySlabs&) = delete;
    EntrySlabs& operator=(const EntrySlabs&) = delete;
    void Swap(EntrySlabs& other);

    StoreEntry& At(std::uint32_t index) const {
        return *reinterpret_cast<StoreEntry*>(bias_[SlabOf(index)] +
                                              std::uintptr_t{index} * sizeof(StoreEntry));
    }
    // A free entry, from those given back or a slab (obtained when needed); 0 when the
    // memory refuses.
    std::uint32_t Take() {
        if (freeList_ != 0) {
            const std::uint32_t index = freeList_;
            freeList_ = At(index).next;
            return index;
        }
        if (carved_ == slabEnd_ && !AddSlab())
            return 0;
        return carved_++;
    }
    // Takes back an entry whose count the caller has set to 0.
    void Give(std::uint32_t index) {
        At(index).next = freeList_;
        freeList_ = index;
    }
    // Every slab back to the memory; no entry is left.
    void Release();
    // Every index from 1 below End() lies in a slab; the free ones have a count of 0.
    std::uint32_t End() const { return carved_; }

    // visit(index, entry) for every entry below End(), free or not, in memory order.
    template <typename Visit>
    void ForEachCarved(Visit visit) const {
        for (unsigned slab = 0; slab < bias_.size(); ++slab) {
            const std::uint32_t first = std::max(SlabStart(slab), std::uint32_t{1});
            const std::uint32_t end = std::min(SlabStart(slab) + SlabSize(slab), carved_);
            StoreEntry* entries = &At(first);
            for (std::uint32_t index = first; index < end; ++index, ++entries)
                visit(index, *entries);
        }
    }

  private:
    static constexpr int kFirstBits = 10;
    static constexpr int kLastBits = 20;
    static unsigned SlabOf(std::uint32_t index) {
        const unsigned growing = static_cast<unsigned>(
            std::max(static_cast<int>(std::bit_width(index)), kFirstBits) - kFirstBits);
        const unsigned full = (index >> kLastBits) + (kLastBits - kFirstBits);
        return (index >> kLastBits) != 0 ? full : growing;
    }
    static std::uint32_t SlabStart(unsigned slab) {
        if (slab == 0)
            return 0;
        if (slab <= kLastBits - kFirstBits)
            return 1u << (kFirstBits - 1 + slab);
        return (slab - (kLastBits - kFirstBits)) << kLastBits;
    }
    static std::uint32_t SlabSize(unsigned slab) {
        if (slab == 0)
            return 1u << kFirstBits;
        return 1u << std::min<unsigned>(kFirstBits - 1 + slab, kLastBits);
    }
    bool AddSlab();

    ArenaMemory* memory_;
    // Per slab, its address less the offset of its first index, so that an entry's
    // address is this plus its index times 32.
    std::vector<std::uintptr_t> bias_;
    std::uint32_t carved_ = 1;   // the next index never handed out
    std::uint32_t slabEnd_ = 1;  // the end of the slabs held (0 and 1: none held)
    std::uint32_t freeList_ = 0;
};

}  // namespace tarvolen
