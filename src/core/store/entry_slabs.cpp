#include "core/store/entry_slabs.h"

#include <utility>

namespace tarvolen {

bool EntrySlabs::Grow() {
    if ((carved_ & kSlabMask) == 0)
        return AddSlab();
    if (carved_ == kFirstPartMask + 1)
        memory_->FirstPartFilled(reinterpret_cast<char*>(slabs_[0]));
    return true;
}

bool EntrySlabs::AddSlab() {
    if (carved_ >= kMaxEntries)
        return false;
    slabs_.reserve(slabs_.size() + 1);  // so that the block below cannot be lost
    char* block = memory_->Obtain(
        kSlabBytes, slabs_.empty() ? ArenaMemory::Use::FirstSlab : ArenaMemory::Use::Table);
    if (block == nullptr)
        return false;
    slabs_.push_back(reinterpret_cast<StoreEntry*>(block));
    if (carved_ == 0)
        carved_ = 1;
    return true;
}

void EntrySlabs::ReleaseSlab(std::uint32_t slab) {
    if (slab >= slabs_.size() || slabs_[slab] == nullptr)
        return;
    memory_->Release(reinterpret_cast<char*>(slabs_[slab]), kSlabBytes);
    slabs_[slab] = nullptr;
}

void EntrySlabs::Release() {
    for (StoreEntry* slab : slabs_)
        if (slab != nullptr)
            memory_->Release(reinterpret_cast<char*>(slab), kSlabBytes);
    slabs_.clear();
    slabs_.shrink_to_fit();
    carved_ = 0;
    freeList_ = 0;
}

void EntrySlabs::Swap(EntrySlabs& other) {
    std::swap(memory_, other.memory_);
    slabs_.swap(other.slabs_);
    std::swap(carved_, other.carved_);
    std::swap(freeList_, other.freeList_);
}

}  // namespace tarvolen
