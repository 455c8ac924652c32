#include "mpi/file_shares.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <queue>
#include <utility>

namespace tarvolen {

std::vector<int> ShareFiles(const std::vector<FileToShare>& files, int processes) {
    std::vector<int> owner(files.size(), 0);
    std::vector<std::int64_t> load(static_cast<std::size_t>(processes), 0);
    for (const FileToShare& file : files)
        if (file.firstOnly)
            load[0] += file.size;

    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&files](std::size_t a, std::size_t b) {
        return files[a].size > files[b].size;
    });

    using Slot = std::pair<std::int64_t, int>;  // bytes so far, process
    std::priority_queue<Slot, std::vector<Slot>, std::greater<>> lightest;
    for (int process = 0; process < processes; ++process)
        lightest.emplace(load[static_cast<std::size_t>(process)], process);
    for (std::size_t index : order) {
        if (files[index].firstOnly)
            continue;
        auto [bytes, process] = lightest.top();
        lightest.pop();
        owner[index] = process;
        lightest.emplace(bytes + files[index].size, process);
    }
    return owner;
}

}  // namespace tarvolen
