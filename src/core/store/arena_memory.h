#pragma once

#include <cstddef>

namespace tarvolen {

// Where the word store gets its memory from: the blocks that hold the texts of its
// long words, the slabs of its entries and its bucket heads. The default maps
// anonymous memory; tests substitute a source that refuses, to walk the
// out-of-memory paths.
class ArenaMemory {
  public:
    // What a block is for. Tables are read at random, so the system's source gives
    // them huge pages where it can; texts are mostly written and read in order.
    enum class Use { Text, Table };

    virtual ~ArenaMemory() = default;
    // nullptr when the memory cannot be had.
    virtual char* Obtain(std::size_t bytes, Use use) = 0;
    virtual void Release(char* block, std::size_t bytes) = 0;
};

ArenaMemory& SystemArenaMemory();

}  // namespace tarvolen
