#include "core/collect/entry_slabs.h"

#include <utility>

namespace tarvolen {

bool EntrySlabs::AddSlab() {
    if (slabEnd_ >= kMaxEntries)
        return false;
    const auto slab = static_cast<unsigned>(bias_.size());
    const std::size_t bytes = std::size_t{SlabSize(slab)} * sizeof(StoreEntry);
    bias_.reserve(bias_.size() + 1);  // the memory below is never leaked by a throw
    char* block = memory_->Obtain(bytes, ArenaMemory::Use::Table);
    if (block == nullptr)
        return false;
    bias_.push_back(reinterpret_cast<std::uintptr_t>(block) -
                    std::uintptr_t{SlabStart(slab)} * sizeof(StoreEntry));
    slabEnd_ = SlabStart(slab) + SlabSize(slab);
    return true;
}

void EntrySlabs::Release() {
    for (unsigned slab = 0; slab < bias_.size(); ++slab) {
        memory_->Release(reinterpret_cast<char*>(bias_[slab] + std::uintptr_t{SlabStart(slab)} *
                                                                   sizeof(StoreEntry)),
                         std::size_t{SlabSize(slab)} * sizeof(StoreEntry));
    }
    bias_.clear();
    bias_.shrink_to_fit();
    carved_ = 1;
    slabEnd_ = 1;
    freeList_ = 0;
}

void EntrySlabs::Swap(EntrySlabs& other) {
    std::swap(memory_, other.memory_);
    bias_.swap(other.bias_);
    std::swap(carved_, other.carved_);
    std::swap(slabEnd_, other.slabEnd_);
    std::swap(freeList_, other.freeList_);
}

}  // namespace tarvolen
