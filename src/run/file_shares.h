#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace tarvolen {

// A file to share out: its size, whether only the first process can read it
// (standard input, a pipe: whatever has no size to share by), and whether it may be
// cut into parts that several processes read (see ShareFiles).
struct FileToShare {
    std::int64_t size = 0;
    bool firstOnly = false;
    bool divisible = false;
};

// Bytes begin to end of a file, and the process that reads them.
struct FileShare {
    std::size_t file = 0;
    std::int64_t begin = 0;
    std::int64_t end = 0;
    int process = 0;
};

// At or below this a file is never cut, whatever the share (tests lower it).
inline constexpr std::int64_t kLeastDivided = 8 << 20;

// The size above which a divisible file is divided: the mean share of a process, and
// never leastDivided or less; none for one process.
std::int64_t DividedAbove(const std::vector<FileToShare>& files, int processes,
                          std::int64_t leastDivided = kLeastDivided);

// The shares of the files, in the order of the files and of each file's bytes: the
// largest first, each to the process with the fewest bytes so far (the
// lowest-numbered among equals), so that the processes finish close together. A
// divisible file larger than DividedAbove first becomes as many equal parts as the
// mean share goes into it (no more parts than processes), each shared out on its own.
// processes >= 1.
std::vector<FileShare> ShareFiles(const std::vector<FileToShare>& files, int processes,
                                  std::int64_t leastDivided = kLeastDivided);

// The first separator of the file at or after from and before limit, or -1.
using SeparatorSearch =
    std::function<std::int64_t(std::size_t file, std::int64_t from, std::int64_t limit)>;

// Moves each cut between two parts of a file forward to just after a separator (the
// first at or after the byte before the cut), so that no word spans two parts; a
// part left with no byte of its own after the cut joins the part before it.
void CutAtSeparators(std::vector<FileShare>& shares, const SeparatorSearch& separator);

// The files read in parts by several processes, in order, of shares in the order of
// the files.
std::vector<std::size_t> DividedFiles(const std::vector<FileShare>& shares);

// The files that are dealt to the processes as they come free rather than shared out
// beforehand: the files read whole that any process can read, largest first (ties in
// the order of the files). A process that its files or its processor slow down then
// reads fewer of them, where shares fixed by size alone would keep the others waiting.
std::vector<std::size_t> DealtFiles(const std::vector<FileShare>& shares,
                                    const std::vector<FileToShare>& files);

}  // namespace tarvolen
