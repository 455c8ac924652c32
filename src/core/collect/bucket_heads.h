#pragma once

#include <cstdint>

namespace tarvolen {

// The chain heads of one hash table of the word store: per bucket, the index of the
// chain's first entry (0: empty).
//
// A flat array of kBucketCount heads takes 32 MB, all of it touched (and zeroed by
// the system) even by a list of a few thousand words, whose lookups then land on a
// random page each. So the heads of the buckets in use are first kept in a small
// open-addressing map keyed by bucket number, which doubles as it fills; past
// kLastSlotBits the heads move to the flat array, which serves large lists faster
// than any map. Either way a bucket that never held an entry reads as empty, and a
// bitmap of the buckets in use keeps the bucket order for iteration.
class BucketHeads {
  public:
    static constexpr std::uint32_t kBucketCount = 7'999'993;  // a prime

    BucketHeads() = default;
    ~BucketHeads() { Release(); }
    BucketHeads(const BucketHeads&) = delete;
    BucketHeads& operator=(const BucketHeads&) = delete;

    // Starts empty with the small map; throws std::bad_alloc.
    void Allocate();
    // Frees everything; Allocated() is false after.
    void Release();
    bool Allocated() const { return usedBuckets_ != nullptr; }
    void Swap(BucketHeads& other);

    // The chain of the bucket; 0 when it is empty or nothing is allocated.
    std::uint32_t Head(std::uint32_t bucket) const {
        if (flat_ != nullptr)
            return flat_[bucket];
        if (slots_ == nullptr)
            return 0;
        const std::uint32_t mask = (1u << slotBits_) - 1;
        for (std::uint32_t i = SlotOf(bucket);; i = (i + 1) & mask) {
            if (slots_[i].key == bucket + 1)
                return slots_[i].head;
            if (slots_[i].key == 0)
                return 0;
        }
    }
    // Where the bucket's head is kept, or nullptr when it never held an entry.
    std::uint32_t* FindHead(std::uint32_t bucket) const {
        if (flat_ != nullptr)
            return &flat_[bucket];
        if (slots_ == nullptr)
            return nullptr;
        const std::uint32_t mask = (1u << slotBits_) - 1;
        for (std::uint32_t i = SlotOf(bucket);; i = (i + 1) & mask) {
            if (slots_[i].key == bucket + 1)
                return &slots_[i].head;
            if (slots_[i].key == 0)
                return nullptr;
        }
    }
    // Where the bucket's head is kept, made when missing (the map may grow); valid
    // until the next call. Marks the bucket as in use. Needs Allocated().
    std::uint32_t& HeadFor(std::uint32_t bucket);
    // The head of the first non-empty bucket from `bucket` on, which it updates; 0
    // when there is none.
    std::uint32_t NextHead(std::uint32_t& bucket) const;

  private:
    struct HeadSlot {
        std::uint32_t key;   // bucket + 1; 0 marks a free slot
        std::uint32_t head;  // first entry of the chain, 0 when the chain is empty
    };
    static constexpr unsigned kFirstSlotBits = 12;
    // 64K slots, 512 KB: beyond that the map would stop fitting the caches that make
    // it worth its probing, and the array takes over.
    static constexpr unsigned kLastSlotBits = 16;
    static constexpr std::uint32_t kBitmapWords = (kBucketCount + 63) / 64;
    static constexpr std::uint32_t kSummaryWords = (kBitmapWords + 63) / 64;

    std::uint32_t SlotOf(std::uint32_t bucket) const {
        return ((bucket + 1) * 0x9E3779B1u) >> (32 - slotBits_);
    }
    void GrowSlots();
    void MoveToFlat();

    // Exactly one of slots_ and flat_ is set while allocated.
    HeadSlot* slots_ = nullptr;
    unsigned slotBits_ = 0;
    std::uint32_t slotsUsed_ = 0;
    std::uint32_t* flat_ = nullptr;  // kBucketCount heads
    // One bit per bucket that has held an entry since Allocate, and one bit per word
    // of that bitmap with any bit set: iteration finds the next bucket in use without
    // reading the heads of the empty ones.
    std::uint64_t* usedBuckets_ = nullptr;
    std::uint64_t* usedSummary_ = nullptr;
};

}  // namespace tarvolen
