#pragma once

// Bytes of the process in memory: what was allocated and touched. A large block whose
// end was never written (a QList grown to the next power of two) costs the heap its
// whole size but memory only the pages written.
#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>

namespace tarvolen::bench {

inline std::size_t Resident() {
    // Free memory at the top of the heap goes back first, so that it is not counted.
    malloc_trim(0);
    std::size_t size = 0;
    std::size_t resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%zu %zu", &size, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace tarvolen::bench
