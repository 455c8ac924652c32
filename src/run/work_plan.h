#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/decode/text_decoder.h"
#include "run/file_shares.h"

namespace tarvolen {

struct RunState;

// A run's files as its threads take them: each item is taken by one thread and read
// share by share.
struct WorkPlan {
    std::vector<std::string> files;  // in the order they are read
    // Per file: whether it is read in parts by several threads, and how its parts after
    // the first decode.
    std::vector<bool> divided;
    std::vector<PartStart> starts;
    // The streams (standard input, pipes: read only once, and to their end) first, as one
    // item in the order given; then every other file or part, the largest first.
    std::vector<std::vector<FileShare>> items;
};

// The plan for files (in the order read) under the run's reading: a regular file
// larger than a part is cut into parts of about max(leastPart, its share of a
// thread's bytes / 4), at separators, where its parts read on their own give what the
// whole file gives (StartOfParts): at blank lines only when blankLines (FindSeparator's
// rows), else wherever a word ends.
WorkPlan PlanWork(const RunState& run, std::vector<std::string> files, int threads,
                  std::int64_t leastPart, bool blankLines);

}  // namespace tarvolen
