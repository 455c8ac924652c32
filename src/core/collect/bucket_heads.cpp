#include "core/collect/bucket_heads.h"

#include <bit>
#include <cstdlib>
#include <new>
#include <utility>

#include "core/util/mapped_memory.h"

namespace tarvolen {

namespace {
constexpr std::size_t kFlatBytes =
    RoundToHugePages(BucketHeads::kBucketCount * sizeof(std::uint32_t));
}  // namespace

void BucketHeads::Allocate() {
    usedBuckets_ = static_cast<std::uint64_t*>(std::calloc(kBitmapWords, sizeof(std::uint64_t)));
    usedSummary_ = static_cast<std::uint64_t*>(std::calloc(kSummaryWords, sizeof(std::uint64_t)));
    slots_ =
        static_cast<HeadSlot*>(std::calloc(std::size_t{1} << kFirstSlotBits, sizeof(HeadSlot)));
    slotBits_ = kFirstSlotBits;
    slotsUsed_ = 0;
    if (usedBuckets_ == nullptr || usedSummary_ == nullptr || slots_ == nullptr) {
        Release();
        throw std::bad_alloc();
    }
}

void BucketHeads::Release() {
    Unmap(flat_, kFlatBytes);
    flat_ = nullptr;
    std::free(slots_);
    slots_ = nullptr;
    slotBits_ = 0;
    slotsUsed_ = 0;
    std::free(usedBuckets_);
    usedBuckets_ = nullptr;
    std::free(usedSummary_);
    usedSummary_ = nullptr;
}

void BucketHeads::Swap(BucketHeads& other) {
    std::swap(slots_, other.slots_);
    std::swap(slotBits_, other.slotBits_);
    std::swap(slotsUsed_, other.slotsUsed_);
    std::swap(flat_, other.flat_);
    std::swap(usedBuckets_, other.usedBuckets_);
    std::swap(usedSummary_, other.usedSummary_);
}

void BucketHeads::GrowSlots() {
    const unsigned bits = slotBits_ + 1;
    auto* slots = static_cast<HeadSlot*>(std::calloc(std::size_t{1} << bits, sizeof(HeadSlot)));
    if (slots == nullptr)
        throw std::bad_alloc();
    HeadSlot* old = slots_;
    const std::uint32_t oldSize = 1u << slotBits_;
    slots_ = slots;
    slotBits_ = bits;
    slotsUsed_ = 0;
    const std::uint32_t mask = (1u << bits) - 1;
    // Buckets whose chains were emptied by removals are left behind.
    for (std::uint32_t i = 0; i < oldSize; ++i) {
        if (old[i].key == 0 || old[i].head == 0)
            continue;
        std::uint32_t at = SlotOf(old[i].key - 1);
        while (slots[at].key != 0)
            at = (at + 1) & mask;
        slots[at] = old[i];
        ++slotsUsed_;
    }
    std::free(old);
}

void BucketHeads::MoveToFlat() {
    auto* flat = static_cast<std::uint32_t*>(MapHugeAligned(kFlatBytes));
    if (flat == nullptr)
        throw std::bad_alloc();
    const std::uint32_t size = 1u << slotBits_;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (slots_[i].key != 0)
            flat[slots_[i].key - 1] = slots_[i].head;
    }
    std::free(slots_);
    slots_ = nullptr;
    slotBits_ = 0;
    slotsUsed_ = 0;
    flat_ = flat;
}

std::uint32_t& BucketHeads::HeadFor(std::uint32_t bucket) {
    usedBuckets_[bucket >> 6] |= std::uint64_t{1} << (bucket & 63);
    usedSummary_[bucket >> 12] |= std::uint64_t{1} << ((bucket >> 6) & 63);
    if (flat_ != nullptr)
        return flat_[bucket];
    if (std::uint32_t* head = FindHead(bucket))
        return *head;
    // A new bucket: keep the map at most three quarters full.
    if ((slotsUsed_ + 1) * 4 > (3u << slotBits_)) {
        if (slotBits_ >= kLastSlotBits) {
            MoveToFlat();
            return flat_[bucket];
        }
        GrowSlots();
    }
    const std::uint32_t mask = (1u << slotBits_) - 1;
    std::uint32_t at = SlotOf(bucket);
    while (slots_[at].key != 0)
        at = (at + 1) & mask;
    slots_[at].key = bucket + 1;
    slots_[at].head = 0;
    ++slotsUsed_;
    return slots_[at].head;
}

std::uint32_t BucketHeads::NextHead(std::uint32_t& bucket) const {
    if (!Allocated())
        return 0;
    while (bucket < kBucketCount) {
        std::uint32_t word = bucket >> 6;
        std::uint64_t bits = usedBuckets_[word] & (~std::uint64_t{0} << (bucket & 63));
        if (bits == 0) {
            // The next bitmap word with a bucket in use, by the summary.
            std::uint32_t next = word + 1;
            std::uint64_t summary = 0;
            while (next < kBitmapWords) {
                summary = usedSummary_[next >> 6] & (~std::uint64_t{0} << (next & 63));
                if (summary != 0)
                    break;
                next = ((next >> 6) + 1) << 6;
            }
            if (next >= kBitmapWords)
                break;
            word = (next & ~63u) + static_cast<std::uint32_t>(std::countr_zero(summary));
            bits = usedBuckets_[word];
        }
        bucket = (word << 6) + static_cast<std::uint32_t>(std::countr_zero(bits));
        if (const std::uint32_t head = Head(bucket))
            return head;
        ++bucket;  // emptied by removals
    }
    bucket = kBucketCount;
    return 0;
}

}  // namespace tarvolen
