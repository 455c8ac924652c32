#include "run/file_shares.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
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

// Dealt: the files read whole that any process can read, largest first, ties in file
// order; not a divided file's parts, not what only the first can read.
TEST(DealtFiles, WholeFilesAnyProcessCanReadLargestFirst) {
    const std::vector<FileToShare> files = {{300, false}, {0, true},    {900, false, true},
                                            {300, false}, {500, false}, {0, false}};
    const std::vector<FileShare> shares = {{0, 0, 300, 1},   {1, 0, 0, 0},   {2, 0, 450, 0},
                                           {2, 450, 900, 1}, {3, 0, 300, 0}, {4, 0, 500, 1},
                                           {5, 0, 0, 0}};
    EXPECT_EQ(DealtFiles(shares, files), (std::vector<std::size_t>{4, 0, 3, 5}));
}

bool IsSeparator(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r';
}

// A large file is cut where the first process would cut it, by a search of the texts
// themselves: its parts cover it once, in order, each non-empty, each after the first
// beginning just after a separator, each read by a process of its own.
TEST(ShareFiles, ALargeFileIsCutAfterSeparatorsIntoPartsThatCoverItOnce) {
    std::string words;
    while (words.size() < 6000)
        words += "alpha beta\ngamma\tdelta\r\nepsilon ";
    const std::string solid(6000, 'x');
    struct Case {
        const char* what;
        std::vector<std::string> texts;
        std::vector<bool> divisible;
        int processes;
        std::int64_t leastDivided;
        std::vector<std::size_t> parts;  // of each file
    };
    const std::vector<Case> cases = {
        {"every process a part", {words}, {true}, 3, 100, {3}},
        {"beside a small file", {words, "x y"}, {true, true}, 5, 100, {5, 1}},
        {"one process", {words}, {true}, 1, 100, {1}},
        {"below the least divided", {words}, {true}, 3, 10000, {1}},
        {"not divisible", {words}, {false}, 3, 100, {1}},
        {"below the mean share", {words, words + words}, {true, true}, 2, 100, {1, 2}},
        {"no separator", {solid}, {true}, 3, 100, {1}},
        {"a separator before the first cut only", {"ab " + solid}, {true}, 4, 100, {1}},
        {"separators after the last cut only", {solid + " a b"}, {true}, 4, 100, {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<FileToShare> files;
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            files.push_back({static_cast<std::int64_t>(c.texts[i].size()), false, c.divisible[i]});
        std::vector<FileShare> shares = ShareFiles(files, c.processes, c.leastDivided);
        CutAtSeparators(shares, [&c](std::size_t file, std::int64_t from, std::int64_t limit) {
            for (std::int64_t at = from; at < limit; ++at)
                if (IsSeparator(c.texts[file][static_cast<std::size_t>(at)]))
                    return at;
            return std::int64_t{-1};
        });
        std::size_t at = 0;
        for (std::size_t file = 0; file < files.size(); ++file) {
            std::int64_t covered = 0;
            std::vector<int> readers;
            for (; at < shares.size() && shares[at].file == file; ++at) {
                const FileShare& part = shares[at];
                EXPECT_EQ(part.begin, covered);
                EXPECT_LT(part.begin, part.end);
                if (part.begin > 0) {
                    EXPECT_TRUE(
                        IsSeparator(c.texts[file][static_cast<std::size_t>(part.begin - 1)]));
                }
                EXPECT_TRUE(part.process >= 0 && part.process < c.processes);
                EXPECT_EQ(std::count(readers.begin(), readers.end(), part.process), 0);
                readers.push_back(part.process);
                covered = part.end;
            }
            EXPECT_EQ(covered, files[file].size);
            EXPECT_EQ(readers.size(), c.parts[file]) << "file " << file;
        }
        EXPECT_EQ(at, shares.size());
    }
}

}  // namespace
}  // namespace tarvolen
