#pragma once

#include <cstdint>
#include <vector>

namespace tarvolen {

// A file to share out: its size, and whether only the first process can read it
// (standard input, a pipe: whatever has no size to share by).
struct FileToShare {
    std::int64_t size = 0;
    bool firstOnly = false;
};

// The process that reads each file: the largest files first, each to the process
// with the fewest bytes so far (the lowest-numbered among equals), so that the
// processes finish close together. processes >= 1.
std::vector<int> ShareFiles(const std::vector<FileToShare>& files, int processes);

}  // namespace tarvolen
