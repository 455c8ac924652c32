#include "core/store/bucket_table.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace tarvolen {

namespace {
// What the heads read while none are allocated: one empty bucket. Never written.
const std::uint32_t kNoHeads[1] = {0};

std::uint32_t* NoHeads() {
    return const_cast<std::uint32_t*>(kNoHeads);
}
}  // namespace

BucketTable::BucketTable(ArenaMemory& memory, std::uint32_t initialBuckets)
    : memory_(&memory),
      initial_(std::bit_ceil(std::max(initialBuckets, std::uint32_t{1}))),
      heads_(NoHeads()) {}

void BucketTable::Swap(BucketTable& other) {
    std::swap(memory_, other.memory_);
    std::swap(initial_, other.initial_);
    std::swap(heads_, other.heads_);
    std::swap(mask_, other.mask_);
    std::swap(allocated_, other.allocated_);
}

bool BucketTable::Allocate() {
    return Replace(initial_);
}

bool BucketTable::Double() {
    if (Buckets() >= kMaxBuckets)
        return false;
    return Replace(Buckets() * 2);
}

// The new heads are obtained before the old ones go, so that a refusal leaves the
// table as it was; the old ones are released before the new ones are touched, so
// that the two are never resident together.
bool BucketTable::Replace(std::uint32_t buckets) {
    const std::size_t bytes = std::size_t{buckets} * sizeof(std::uint32_t);
    char* fresh = memory_->Obtain(bytes, ArenaMemory::Use::Table);
    if (fresh == nullptr)
        return false;
    Release();
    std::memset(fresh, 0, bytes);
    heads_ = reinterpret_cast<std::uint32_t*>(fresh);
    mask_ = buckets - 1;
    allocated_ = true;
    return true;
}

void BucketTable::Release() {
    if (allocated_)
        memory_->Release(reinterpret_cast<char*>(heads_), Buckets() * sizeof(std::uint32_t));
    heads_ = NoHeads();
    mask_ = 0;
    allocated_ = false;
}

std::uint32_t BucketTable::NextHead(std::uint32_t& bucket) const {
    const std::uint32_t buckets = Buckets();
    for (; bucket < buckets; ++bucket) {
        if (heads_[bucket] != 0)
            return heads_[bucket];
    }
    return 0;
}

}  // namespace tarvolen
