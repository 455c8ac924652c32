#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/store/arena_memory.h"

namespace tarvolen {

// One distinct word of the store.
struct StoreEntry {
    // The word's first 16 bytes, NUL-padded, first byte lowest. A word of at most 15
    // bytes lives here alone, NUL-terminated where it lies, as a longer one is in its
    // text block. A longer word keeps its first 12 bytes here, which decide most
    // comparisons, and in bytes 12..15 its text's position (TextBlocks), whose highest
    // byte is never 0, where a word held here has its NUL at the latest.
    std::uint64_t keyA;   // bytes 0..7
    std::uint64_t keyB;   // bytes 8..15
    std::uint32_t next;   // the following entry of the chain or of the free list
    std::uint32_t count;  // occurrences; 0 marks a free entry
    // Documents the word was counted in, and the mark of the segment it was last counted
    // in (WordStore): a word met again in the same document finds a mark of it here and
    // leaves the range be, so the range costs neither a lookup nor a set of documents,
    // and the segment's distinct words are counted without one either.
    std::uint32_t range;
    std::uint32_t lastMark;
};
static_assert(sizeof(StoreEntry) == 32);

// Whether the entry keeps its word's text in the text blocks: byte 15 is not 0.
inline bool HasText(const StoreEntry& entry) {
    return (entry.keyB >> 56) != 0;
}

// The position of the entry's text, 0 for a word held in the entry.
inline std::uint32_t TextOfEntry(const StoreEntry& entry) {
    return HasText(entry) ? static_cast<std::uint32_t>(entry.keyB >> 32) : 0;
}

// The key bytes 8..15 of a longer word whose text is at position text (whose highest
// byte TextBlocks never leaves 0).
inline std::uint64_t KeyWithText(std::uint64_t keyB, std::uint32_t text) {
    return (keyB & 0xffffffffu) | (std::uint64_t{text} << 32);
}

// The store's entries, named by 32-bit indexes (0: none), in slabs of 2^20 that never
// move: a view of a word held in its entry stays valid while the word is held, and the
// table can double without touching the entries but for their links. A slab is
// obtained when the first entry needs it, and only the pages actually used cost
// memory.
class EntrySlabs {
  public:
    static constexpr std::uint32_t kMaxEntries = 1u << 31;  // Count() is signed 32-bit

    explicit EntrySlabs(ArenaMemory& memory) : memory_(&memory) {}
    ~EntrySlabs() { Release(); }
    EntrySlabs(const EntrySlabs&) = delete;
    EntrySlabs& operator=(const EntrySlabs&) = delete;
    void Swap(EntrySlabs& other);

    StoreEntry& At(std::uint32_t index) const {
        return slabs_[index >> kSlabBits][index & kSlabMask];
    }
    // A free entry, from those given back or a slab (obtained when needed); 0 when the
    // memory refuses.
    std::uint32_t Take() {
        if (freeList_ != 0) {
            const std::uint32_t index = freeList_;
            freeList_ = At(index).next;
            return index;
        }
        // One test for both: a slab is full, or the first slab's first part.
        if ((carved_ & kFirstPartMask) == 0 && !Grow())
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
    // The slab that holds entries from slab * 2^20 back to the memory ahead of the rest:
    // none of its entries may be used again, and only Release may follow.
    void ReleaseSlab(std::uint32_t slab);
    static constexpr std::uint32_t SlabOf(std::uint32_t index) { return index >> kSlabBits; }
    // Every index from 1 below End() lies in a slab; the free ones have a count of 0.
    std::uint32_t End() const { return carved_; }

    // visit(index, entry) for every entry below End(), free or not, in memory order.
    template <typename Visit>
    void ForEachCarved(Visit visit) const {
        ForEachCarvedIn(1, carved_, visit);
    }
    // The same for the indexes from begin to below end (at most End()).
    template <typename Visit>
    void ForEachCarvedIn(std::uint32_t begin, std::uint32_t end, Visit visit) const {
        for (std::uint32_t index = std::max(begin, 1u); index < end;) {
            StoreEntry* entries = slabs_[index >> kSlabBits];
            const std::uint32_t slabEnd = std::min(end, ((index >> kSlabBits) + 1) << kSlabBits);
            for (; index < slabEnd; ++index)
                visit(index, entries[index & kSlabMask]);
        }
    }

  private:
    static constexpr unsigned kSlabBits = 20;
    static constexpr std::uint32_t kSlabEntries = 1u << kSlabBits;
    static constexpr std::uint32_t kSlabMask = kSlabEntries - 1;
    static constexpr std::size_t kSlabBytes = std::size_t{kSlabEntries} * sizeof(StoreEntry);
    static constexpr std::uint32_t kFirstPartMask =
        ArenaMemory::kFirstPart / sizeof(StoreEntry) - 1;
    static_assert((kFirstPartMask & kSlabMask) == kFirstPartMask);
    // A slab obtained when the last is full; the memory told when the first slab's
    // first part is. False when the memory refuses.
    bool Grow();
    bool AddSlab();

    ArenaMemory* memory_;
    std::vector<StoreEntry*> slabs_;
    // The next index never handed out; 0 is none, so the first slab starts at 1.
    std::uint32_t carved_ = 0;
    std::uint32_t freeList_ = 0;
};

}  // namespace tarvolen
