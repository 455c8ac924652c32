#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarvolen {

// What a run left out without stopping: documents that are no text, and files and
// folders that could not be read where the run was told to go past them.
struct SkippedFiles {
    std::vector<std::string> notText;     // paths
    std::vector<std::string> unreadable;  // "path: reason", the reason by strerror
};

// A summary names this many of a kind, then says how many more there are.
inline constexpr std::size_t kSkippedNamed = 10;

// The summary's lines about what was skipped, each ending in "\r\n"; empty when
// nothing was. "2 files skipped: not text", followed by their paths; "1 file or
// folder skipped: cannot be read", followed by each with its reason. At most
// kSkippedNamed of a kind are named, then "and N more".
std::string DescribeSkipped(const SkippedFiles& skipped);

}  // namespace tarvolen
