#pragma once

#include <cstddef>

namespace tarvolen {

// Anonymous private mappings with no swap reservation: their pages are zero and
// cost nothing until written, so a large table that a short list hardly touches
// stays cheap.
char* MapAnonymous(std::size_t bytes);       // nullptr when it cannot be had
void Unmap(void* block, std::size_t bytes);  // nullptr is ignored

inline constexpr std::size_t kHugePage = std::size_t{2} << 20;

constexpr std::size_t RoundToHugePages(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// A mapping of `bytes` (a multiple of kHugePage) that starts on a huge-page boundary
// and asks for huge pages where the system grants them: tables whose every access
// lands on a random page are spared most of their TLB misses: all but its first
// smallBytes (a multiple of kHugePage). nullptr on failure.
void* MapHugeAligned(std::size_t bytes, std::size_t smallBytes);
// Huge pages after all for bytes that MapHugeAligned kept on small pages, made at once
// where the system can (its pages copied into huge ones), and later otherwise.
void GrantHugePages(void* block, std::size_t bytes);

}  // namespace tarvolen
