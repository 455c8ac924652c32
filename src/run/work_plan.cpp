#include "run/work_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "core/ingest/file_parts.h"
#include "core/ingest/run_state.h"
#include "core/input/input_file.h"

namespace tarvolen {

namespace {

std::int64_t Bytes(const std::vector<FileShare>& item) {
    std::int64_t bytes = 0;
    for (const FileShare& share : item)
        bytes += share.end - share.begin;
    return bytes;
}

// A regular file's size; -1 for a stream (standard input, a pipe, a terminal, a
// socket), which has none; 0 for a path that cannot be examined now or a directory,
// read whole so that its reading says what is wrong.
std::int64_t SizeToShare(const std::string& path) {
    struct stat facts {};
    if (path == kStandardInputPath)
        return -1;
    if (::stat(path.c_str(), &facts) != 0 || S_ISDIR(facts.st_mode))
        return 0;
    return S_ISREG(facts.st_mode) ? static_cast<std::int64_t>(facts.st_size) : -1;
}

}  // namespace

WorkPlan PlanWork(const RunState& run, std::vector<std::string> files, int threads,
                  std::int64_t leastPart, bool blankLines) {
    WorkPlan plan;
    plan.files = std::move(files);
    plan.divided.assign(plan.files.size(), false);
    plan.starts.assign(plan.files.size(), PartStart::None);
    std::vector<std::int64_t> sizes(plan.files.size(), -1);  // -1: a stream
    std::int64_t total = 0;
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        sizes[i] = SizeToShare(plan.files[i]);
        total += std::max<std::int64_t>(sizes[i], 0);
    }
    // Parts small enough that the threads finish close together, dealt largest first:
    // the last part a thread takes is what the others may wait for at the end (12 a
    // thread measured faster than 4 on en_mix_x5 and zipf3m; see bench/README.md).
    const std::int64_t partSize =
        std::max<std::int64_t>(leastPart, total / (12 * std::max(threads, 1)));

    std::vector<FileShare> streams;
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const std::int64_t size = sizes[i];
        if (size < 0) {
            streams.push_back({i, 0, 0, 0});
            continue;
        }
        if (threads > 1 && size > partSize)
            plan.starts[i] = StartOfParts(run, plan.files[i], size);
        if (plan.starts[i] == PartStart::None) {
            plan.items.push_back({{i, 0, size, 0}});
            continue;
        }
        const std::int64_t parts = (size + partSize - 1) / partSize;
        std::vector<FileShare> cut;
        for (std::int64_t part = 0; part < parts; ++part)
            cut.push_back({i, size * part / parts, size * (part + 1) / parts, 0});
        // A cut with no separator near it is dropped, the part before it taking the bytes.
        CutAtSeparators(
            cut, [&plan, blankLines](std::size_t file, std::int64_t from, std::int64_t limit) {
                return FindSeparator(plan.files[file], from, limit, blankLines);
            });
        plan.divided[i] = cut.size() > 1;
        if (!plan.divided[i])
            plan.starts[i] = PartStart::None;
        for (const FileShare& share : cut)
            plan.items.push_back({share});
    }
    std::stable_sort(plan.items.begin(), plan.items.end(),
                     [](const auto& a, const auto& b) { return Bytes(a) > Bytes(b); });
    if (!streams.empty())
        plan.items.insert(plan.items.begin(), std::move(streams));
    return plan;
}

}  // namespace tarvolen
