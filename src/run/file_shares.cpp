#include "run/file_shares.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <queue>
#include <utility>

namespace tarvolen {

namespace {

std::int64_t MeanShare(const std::vector<FileToShare>& files, int processes) {
    std::int64_t total = 0;
    for (const FileToShare& file : files)
        total += file.size;
    return (total + processes - 1) / processes;
}

}  // namespace

std::int64_t DividedAbove(const std::vector<FileToShare>& files, int processes,
                          std::int64_t leastDivided) {
    if (processes < 2)
        return INT64_MAX;
    return std::max(MeanShare(files, processes), leastDivided);
}

std::vector<FileShare> ShareFiles(const std::vector<FileToShare>& files, int processes,
                                  std::int64_t leastDivided) {
    std::vector<std::int64_t> load(static_cast<std::size_t>(processes), 0);
    for (const FileToShare& file : files)
        if (file.firstOnly)
            load[0] += file.size;
    const std::int64_t mean = MeanShare(files, processes);
    const std::int64_t dividedAbove = DividedAbove(files, processes, leastDivided);

    std::vector<FileShare> shares;
    for (std::size_t index = 0; index < files.size(); ++index) {
        const FileToShare& file = files[index];
        std::int64_t parts = 1;
        if (file.divisible && !file.firstOnly && file.size > dividedAbove)
            parts = std::min<std::int64_t>(processes, (file.size + mean - 1) / mean);
        for (std::int64_t part = 0; part < parts; ++part)
            shares.push_back({index, file.size * part / parts, file.size * (part + 1) / parts, 0});
    }

    std::vector<std::size_t> order(shares.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&shares](std::size_t a, std::size_t b) {
        return shares[a].end - shares[a].begin > shares[b].end - shares[b].begin;
    });

    using Slot = std::pair<std::int64_t, int>;  // bytes so far, process
    std::priority_queue<Slot, std::vector<Slot>, std::greater<>> lightest;
    for (int process = 0; process < processes; ++process)
        lightest.emplace(load[static_cast<std::size_t>(process)], process);
    for (std::size_t index : order) {
        FileShare& share = shares[index];
        if (files[share.file].firstOnly)
            continue;
        auto [bytes, process] = lightest.top();
        lightest.pop();
        share.process = process;
        lightest.emplace(bytes + share.end - share.begin, process);
    }
    return shares;
}

void CutAtSeparators(std::vector<FileShare>& shares, const SeparatorSearch& separator) {
    std::vector<FileShare> cut;
    for (const FileShare& share : shares) {
        if (cut.empty() || cut.back().file != share.file) {
            cut.push_back(share);
            continue;
        }
        FileShare& before = cut.back();
        const std::int64_t at = separator(share.file, share.begin - 1, share.end - 1);
        if (at < 0) {
            before.end = share.end;
            continue;
        }
        before.end = at + 1;
        cut.push_back({share.file, at + 1, share.end, share.process});
    }
    shares = std::move(cut);
}

std::vector<std::size_t> DividedFiles(const std::vector<FileShare>& shares) {
    std::vector<std::size_t> divided;
    for (std::size_t i = 1; i < shares.size(); ++i)
        if (shares[i].file == shares[i - 1].file &&
            (divided.empty() || divided.back() != shares[i].file))
            divided.push_back(shares[i].file);
    return divided;
}

std::vector<std::size_t> DealtFiles(const std::vector<FileShare>& shares,
                                    const std::vector<FileToShare>& files) {
    const std::vector<std::size_t> divided = DividedFiles(shares);
    std::vector<std::size_t> dealt;
    for (std::size_t file = 0; file < files.size(); ++file)
        if (!files[file].firstOnly && !std::binary_search(divided.begin(), divided.end(), file))
            dealt.push_back(file);
    std::stable_sort(dealt.begin(), dealt.end(), [&files](std::size_t a, std::size_t b) {
        return files[a].size > files[b].size;
    });
    return dealt;
}

}  // namespace tarvolen
