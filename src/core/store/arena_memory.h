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
    // them huge pages where it can; texts are mostly written and read in order. A
    // store's first slab of entries starts on small pages, kFirstPart bytes of them:
    // a short list fills a fraction of that, and a huge page costs a process as long
    // to clear as counting a few megabytes of text. A text block after the first
    // (MoreText) belongs to a list of millions of long entries (words in a row), whose
    // texts its sort and its writer read in the list's order, anywhere in the
    // blocks: they get huge pages as the tables do.
    enum class Use { Text, MoreText, Table, FirstSlab };
    static constexpr std::size_t kFirstPart = std::size_t{2} << 20;

    virtual ~ArenaMemory() = default;
    // nullptr when the memory cannot be had.
    virtual char* Obtain(std::size_t bytes, Use use) = 0;
    virtual void Release(char* block, std::size_t bytes) = 0;
    // The first kFirstPart bytes of a FirstSlab block are in use: the list is long
    // after all, and its most frequent entries, which lie there, gain from huge pages.
    virtual void FirstPartFilled(char* /*block*/) {}
};

ArenaMemory& SystemArenaMemory();

}  // namespace tarvolen
