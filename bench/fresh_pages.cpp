// This machine's cost of memory no process has used lately. A virtual machine whose
// free memory goes back to the host pays the host's fault as well as the zeroing when
// such a page is first touched: on the shared VM 20 times what a page freed a moment
// ago costs (bench/README.md). Under WARM_MEMORY=1, compare.sh has it touch, right
// before each timed run, as much memory as the same command used the time before, as it
// already reads each file before timing it.
//
//   fresh_pages MIB          touches MIB of new pages and gives them back
//   fresh_pages -t MIB       the same twice, timed: ms per MiB the first time and at once again
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/store/mapped_memory.h"

namespace {

// Milliseconds per MiB to map `mib` MiB (rounded up to whole huge pages) as the store
// maps its tables, touch every page and give them back; negative when the memory
// cannot be had.
double TouchMilliseconds(std::size_t mib) {
    const std::size_t bytes = tarvolen::RoundToHugePages(mib << 20);
    const auto start = std::chrono::steady_clock::now();
    void* block = tarvolen::MapHugeAligned(bytes, 0);
    if (block == nullptr)
        return -1;
    for (std::size_t at = 0; at < bytes; at += 4096)
        static_cast<volatile char*>(block)[at] = 1;
    tarvolen::Unmap(block, bytes);
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / static_cast<double>(mib);
}

}  // namespace

int main(int argc, char** argv) {
    const bool timed = argc == 3 && std::strcmp(argv[1], "-t") == 0;
    if (argc != 2 && !timed) {
        std::fprintf(stderr, "usage: fresh_pages [-t] MIB\n");
        return 2;
    }
    const std::size_t mib = std::strtoul(argv[argc - 1], nullptr, 10);
    if (mib == 0)
        return 0;
    const double first = TouchMilliseconds(mib);
    if (first < 0)
        return 1;
    if (timed)
        std::printf("%zu MiB of new pages: %.3f ms/MiB, and at once again %.3f ms/MiB\n", mib,
                    first, TouchMilliseconds(mib));
    return 0;
}
