#include "core/store/mapped_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

namespace tarvolen {

char* MapAnonymous(std::size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return block == MAP_FAILED ? nullptr : static_cast<char*>(block);
}

void Unmap(void* block, std::size_t bytes) {
    if (block != nullptr)
        munmap(block, bytes);
}

void* MapHugeAligned(std::size_t bytes, std::size_t smallBytes) {
    const std::size_t mapped = bytes + kHugePage;
    void* block = MapAnonymous(mapped);
    if (block == nullptr)
        return nullptr;
    // Trim to a huge-page boundary at both ends.
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        munmap(block, aligned - start);
    const std::uintptr_t tail = aligned + bytes;
    if (start + mapped > tail)
        munmap(reinterpret_cast<void*>(tail), start + mapped - tail);
    void* result = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(result, bytes, MADV_HUGEPAGE);
#endif
#ifdef MADV_NOHUGEPAGE
    // Where huge pages are the system's default, they must be refused outright.
    if (smallBytes != 0)
        madvise(result, std::min(bytes, smallBytes), MADV_NOHUGEPAGE);
#endif
    return result;
}

void GrantHugePages(void* block, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    madvise(block, bytes, MADV_HUGEPAGE);
#endif
    // Linux 6.1 on, which glibc 2.36's headers do not name yet; older kernels refuse it,
    // and khugepaged collapses the pages in its own time.
    constexpr int kCollapse = 25;  // MADV_COLLAPSE
    madvise(block, bytes, kCollapse);
}

}  // namespace tarvolen
