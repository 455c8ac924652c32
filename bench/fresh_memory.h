#pragma once

#include <chrono>
#include <cstddef>

#include "core/store/mapped_memory.h"

namespace tarvolen::bench {

// Maps `bytes` (rounded up to whole huge pages) as the store maps its tables, touches
// every page and gives them back: what the next mapping of as much memory finds is
// then memory freed a moment ago, which a virtual machine that gives its free memory
// back to the host hands out many times cheaper than pages it must fetch again
// (bench/README.md). Milliseconds spent; negative when the memory cannot be had.
inline double TouchFreshMemory(std::size_t bytes) {
    bytes = RoundToHugePages(bytes);
    const auto start = std::chrono::steady_clock::now();
    void* block = MapHugeAligned(bytes, 0);
    if (block == nullptr)
        return -1;
    for (std::size_t at = 0; at < bytes; at += 4096)
        static_cast<volatile char*>(block)[at] = 1;
    Unmap(block, bytes);
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count();
}

}  // namespace tarvolen::bench
