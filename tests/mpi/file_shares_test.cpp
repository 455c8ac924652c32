#include "mpi/file_shares.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace tarvolen {
namespace {

// The process of each file, where no file is divided.
std::vector<int> Owners(const std::vector<FileShare>& shares) {
    std::vector<int> owner;
    for (const FileShare& share : shares) {
        EXPECT_EQ(share.file, owner.size());
        owner.push_back(share.process);
    }
    return owner;
}

std::vector<std::int64_t> Loads(const std::vector<FileToShare>& files,
                                const std::vector<int>& owner, int processes) {
    std::vector<std::int64_t> load(static_cast<std::size_t>(processes), 0);
    for (std::size_t i = 0; i < files.size(); ++i)
        load[static_cast<std::size_t>(owner[i])] += files[i].size;
    return load;
}

// The least possible largest load, by trying every way to share the files out.
std::int64_t BestLargestLoad(const std::vector<FileToShare>& files, int processes) {
    std::vector<int> owner(files.size(), 0);
    std::int64_t best = INT64_MAX;
    for (;;) {
        const std::vector<std::int64_t> load = Loads(files, owner, processes);
        best = std::min(best, *std::max_element(load.begin(), load.end()));
        std::size_t digit = 0;
        while (digit < owner.size() && ++owner[digit] == processes)
            owner[digit++] = 0;
        if (digit == owner.size())
            return best;
    }
}

// Largest first onto the lightest process is within 4/3 - 1/(3P) of the best share
// (Graham's bound), whatever the sizes: no process waits long for the others.
TEST(ShareFiles, TheLargestShareIsWithinGrahamsBoundOfTheBest) {
    std::mt19937 random(27);
    for (int round = 0; round < 300; ++round) {
        const int processes = 1 + static_cast<int>(random() % 4);
        std::vector<FileToShare> files(random() % 8);
        for (FileToShare& file : files)
            file.size = random() % 3 == 0 ? 0 : static_cast<std::int64_t>(random() % 1000);
        const std::vector<int> owner = Owners(ShareFiles(files, processes));
        ASSERT_EQ(owner.size(), files.size());
        for (int process : owner)
            ASSERT_TRUE(process >= 0 && process < processes);
        const std::vector<std::int64_t> load = Loads(files, owner, processes);
        const std::int64_t largest = *std::max_element(load.begin(), load.end());
        const std::int64_t best = BestLargestLoad(files, processes);
        EXPECT_LE(largest * 3 * processes, best * (4 * processes - 1)) << "round " << round;
    }
}

TEST(ShareFiles, WhatOnlyTheFirstCanReadIsTheFirstsAndCountsAsItsLoad) {
    const std::vector<FileToShare> files = {{0, true}, {500, false}, {300, true}, {400, false}};
    const std::vector<int> owner = Owners(ShareFiles(files, 2));
    EXPECT_EQ(owner, (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(Owners(ShareFiles(files, 1)), (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace tarvolen
