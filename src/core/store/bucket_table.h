#pragma once

#include <cstdint>

#include "core/store/arena_memory.h"

namespace tarvolen {

// The chain heads of the word store: per bucket, the index of the chain's first entry
// (0: empty). A power of two of them, from a small number on; the store doubles them
// when its entries come to outnumber them, and then links every entry anew: the
// entries themselves stay where they are.
//
// A word's bucket comes from a mix of its hash rather than from the hash's low bits,
// which for the store's hash (h = 33 h + byte) depend on the last bytes alone.
class BucketTable {
  public:
    static constexpr std::uint32_t kMaxBuckets = 1u << 31;

    BucketTable(ArenaMemory& memory, std::uint32_t initialBuckets);
    ~BucketTable() { Release(); }
    BucketTable(const BucketTable&) = delete;
    BucketTable& operator=(const BucketTable&) = delete;
    void Swap(BucketTable& other);

    static std::uint32_t Mix(std::uint32_t hash) {
        hash ^= hash >> 16;
        hash *= 0x7feb352du;
        hash ^= hash >> 15;
        hash *= 0x846ca68bu;
        hash ^= hash >> 16;
        return hash;
    }
    // While none are allocated every bucket reads as empty.
    std::uint32_t BucketOf(std::uint32_t hash) const { return Mix(hash) & mask_; }
    std::uint32_t Head(std::uint32_t bucket) const { return heads_[bucket]; }
    // Needs Allocated().
    std::uint32_t& HeadAt(std::uint32_t bucket) { return heads_[bucket]; }

    bool Allocated() const { return allocated_; }
    std::uint32_t Buckets() const { return allocated_ ? mask_ + 1 : 0; }
    // The first heads, all empty; false when the memory refuses.
    bool Allocate();
    // Twice the heads, all empty, for the caller to link every entry again; false,
    // with the heads as they were, when the memory refuses.
    bool Double();
    void Release();

    // The head of the first non-empty bucket from `bucket` on, which it updates; 0
    // when there is none.
    std::uint32_t NextHead(std::uint32_t& bucket) const;

  private:
    bool Replace(std::uint32_t buckets);

    ArenaMemory* memory_;
    std::uint32_t initial_;
    std::uint32_t* heads_;
    std::uint32_t mask_ = 0;
    bool allocated_ = false;
};

}  // namespace tarvolen
