#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/store/arena_memory.h"

namespace tarvolen {

// The texts of the store's long words (those its entries cannot hold), NUL-terminated,
// packed in blocks that never move: the first block of the initial capacity, then one
// of the growth step at a time. A text never straddles two blocks. Texts are never
// moved or freed one by one; Rewind starts filling the blocks held from the first
// again.
//
// A text is named by 32 bits: its place in a virtual space of 16 GiB counted in
// 4-byte units, in which every block begins on a 256 KiB boundary. A small table per
// 256 KiB of that space turns a name into an address with one load. The first 64 MiB
// of the space are left out, so that no name has a highest byte of 0: an entry tells a
// name from the end of a word it holds by that byte.
class TextBlocks {
  public:
    // Bytes that may be read past the end of a text's place, for the comparisons of
    // word ends that load whole words: every block keeps them free at its end.
    static constexpr std::size_t kReadPast = 8;

    TextBlocks(ArenaMemory& memory, std::size_t growthStep)
        : memory_(&memory), growthStep_(growthStep) {}
    ~TextBlocks() { Release(); }
    TextBlocks(const TextBlocks&) = delete;
    TextBlocks& operator=(const TextBlocks&) = delete;
    void Swap(TextBlocks& other);

    // The first block: initialCapacity bytes, else half as many; false when neither
    // can be had.
    bool ObtainFirst(std::size_t initialCapacity);
    // Copies the text of length bytes (text[length] is its NUL) into a block; its
    // name, never 0, or 0 when a block is needed and the memory refuses it.
    std::uint32_t Place(const char* text, std::size_t length);
    const char* At(std::uint32_t name) const {
        return reinterpret_cast<const char*>(bias_[name >> (kSpanShift - kUnitShift)] +
                                             (std::uintptr_t{name} << kUnitShift));
    }
    // Every text is abandoned; the blocks stay.
    void Rewind();
    void Release();

    // The bytes of all blocks held, and those taken by texts since the last Rewind.
    std::size_t Capacity() const { return capacity_; }
    std::size_t Used() const { return used_; }

  private:
    static constexpr unsigned kUnitShift = 2;   // 4-byte units
    static constexpr unsigned kSpanShift = 18;  // 256 KiB
    static constexpr std::uint64_t kSpaceBytes = std::uint64_t{1} << (32 + kUnitShift);
    static constexpr std::uint64_t kFirstBytes = std::uint64_t{1} << (24 + kUnitShift);

    struct Block {
        char* base;
        std::size_t bytes;
        std::uint64_t start;  // in the virtual space, bytes
    };
    bool AddBlock(std::size_t bytes);

    ArenaMemory* memory_;
    std::size_t growthStep_;
    std::vector<Block> blocks_;
    // Per 256 KiB of the virtual space: the address of its block less the block's
    // start in the space.
    std::vector<std::uintptr_t> bias_;
    std::size_t current_ = 0;  // the block being filled
    std::size_t filled_ = 0;   // bytes of it taken
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

}  // namespace tarvolen
