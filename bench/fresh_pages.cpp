// This machine's cost of memory no process has used lately. A virtual machine whose
// free memory goes back to the host pays the host's fault as well as the zeroing when
// such a page is first touched: on the shared VM 20 times what a page freed a moment
// ago costs (bench/README.md). Under WARM_MEMORY=1, compare.sh has it touch, right
// before each timed run, as much memory as the same command used the time before, as it
// already reads each file before timing it.
//
//   fresh_pages MIB          touches MIB of new pages and gives them back
//   fresh_pages -t MIB       the same twice, timed: ms per MiB the first time and at once again
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fresh_memory.h"

namespace {

// Milliseconds per MiB to touch `mib` MiB of fresh memory; negative when the memory
// cannot be had.
double TouchMilliseconds(std::size_t mib) {
    const double spent = tarvolen::bench::TouchFreshMemory(mib << 20);
    return spent < 0 ? spent : spent / static_cast<double>(mib);
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
