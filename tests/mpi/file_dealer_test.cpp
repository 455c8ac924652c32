// Run under mpirun (see on_processes_main.cpp).
#include "mpi/file_dealer.h"

#include <gtest/gtest.h>
#include <mpi.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "mpi/process_group.h"

namespace tarvolen {
namespace {

// Every byte of the dealt files is read exactly once, however the requests and the
// first process's own batches interleave: the files whole, and in half the rounds one
// of them in parts, after every whole file, cut just after a separator (every 7th
// byte here). The deal ends once every other process was told that none is left or
// said that it stopped (here the last process, in some rounds, after its first batch).
TEST(FileDealer, DealsEveryByteOnceAndEndsWhenEveryProcessIsDone) {
    const int rank = RankIn();
    const int last = ProcessesIn() - 1;
    const SeparatorSearch everySeventh = [](std::size_t, std::int64_t from, std::int64_t limit) {
        const std::int64_t separator = (from + 6) / 7 * 7;
        return separator < limit ? separator : -1;
    };
    for (unsigned seed = 0; seed < 20; ++seed) {
        // One deal's requests must not reach the deal before it, as the program's
        // collective steps between two jobs see to.
        MPI_Barrier(MPI_COMM_WORLD);
        // The same files on every process.
        std::mt19937 random(seed);
        std::vector<std::int64_t> sizes(random() % 40);
        for (std::int64_t& size : sizes)
            size = random() % 4 == 0 ? 0 : random() % 100'000;
        std::vector<std::size_t> dealt(sizes.size());
        std::iota(dealt.begin(), dealt.end(), 0);
        std::shuffle(dealt.begin(), dealt.end(), random);
        const bool lastStops = seed % 3 == 0 && last > 0;
        const bool inParts = seed % 2 == 0 && !dealt.empty();

        std::vector<FileShare> read;
        if (rank == 0) {
            FileDealer dealer(dealt, sizes, MPI_COMM_WORLD);
            if (inParts)
                dealer.DealInParts(dealt[0], 1000, everySeventh);
            for (auto batch = dealer.Take(); !batch.empty(); batch = dealer.Take())
                read.insert(read.end(), batch.begin(), batch.end());
            dealer.ServeRest();
        } else {
            FileRequests requests(MPI_COMM_WORLD);
            for (auto batch = requests.Next(); !batch.empty(); batch = requests.Next()) {
                read.insert(read.end(), batch.begin(), batch.end());
                if (lastStops && rank == last)
                    break;
            }
            requests.Finish();
            EXPECT_TRUE(requests.Next().empty());
        }
        std::string mine;
        bool partsBegun = false;
        for (const FileShare& share : read) {
            EXPECT_EQ(share.process, rank);
            // Once a process has a part, it has nothing else.
            const bool part = inParts && share.file == dealt[0];
            EXPECT_TRUE(part || !partsBegun) << "seed " << seed;
            partsBegun = partsBegun || part;
            mine += std::to_string(share.file) + " " + std::to_string(share.begin) + " " +
                    std::to_string(share.end) + "\n";
        }
        const std::vector<std::string> all = GatherBytes(mine);
        if (rank != 0)
            continue;
        std::vector<std::vector<std::pair<std::int64_t, std::int64_t>>> byFile(sizes.size());
        for (const std::string& part : all) {
            std::istringstream lines(part);
            std::size_t file = 0;
            std::int64_t begin = 0, end = 0;
            while (lines >> file >> begin >> end)
                byFile.at(file).emplace_back(begin, end);
        }
        for (std::size_t file = 0; file < sizes.size(); ++file) {
            auto& pieces = byFile[file];
            std::sort(pieces.begin(), pieces.end());
            // Every process goes on to the next seed whatever fails here.
            if (pieces.empty()) {
                ADD_FAILURE() << "file " << file << " never dealt, seed " << seed;
                continue;
            }
            EXPECT_EQ(pieces.front().first, 0);
            EXPECT_EQ(pieces.back().second, sizes[file]);
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                if (i > 0) {
                    EXPECT_EQ(pieces[i].first, pieces[i - 1].second);
                }
                // A cut lies just after a separator, and no part but the last is short.
                if (i + 1 < pieces.size()) {
                    EXPECT_EQ(pieces[i].second % 7, 1);
                    EXPECT_GE(pieces[i].second - pieces[i].first, 1000);
                }
            }
            if (!(inParts && file == dealt[0])) {
                EXPECT_EQ(pieces.size(), 1u) << "file " << file << " seed " << seed;
            }
        }
    }
}

// Alone, the first process takes batches of half the bytes left, in the deal's order,
// down to single files; an empty file still comes once.
TEST(FileDealer, BatchesHalveAsTheFilesRunOut) {
    if (RankIn() != 0)
        return;
    std::vector<std::int64_t> sizes(16, 100);
    sizes.push_back(0);
    // Largest first, as DealtFiles orders them: the empty file last.
    std::vector<std::size_t> dealt(16);
    std::iota(dealt.rbegin(), dealt.rend(), 0);
    dealt.push_back(16);
    FileDealer dealer(dealt, sizes, MPI_COMM_SELF);
    std::vector<std::vector<std::size_t>> batches;
    for (auto batch = dealer.Take(); !batch.empty(); batch = dealer.Take()) {
        batches.emplace_back();
        for (const FileShare& share : batch)
            batches.back().push_back(share.file);
    }
    const std::vector<std::vector<std::size_t>> expected = {
        {15, 14, 13, 12, 11, 10, 9, 8}, {7, 6, 5, 4}, {3, 2}, {1}, {0}, {16}};
    EXPECT_EQ(batches, expected);
    dealer.ServeRest();
}

// The file dealt in parts comes after every whole file, in parts of half the bytes
// left and at least the least part, each cut just after the separator the search
// gives, the rest going with the part before it when less than a part more is left.
TEST(FileDealer, DealsThePartsLastHalvingDownToTheLeastPart) {
    if (RankIn() != 0)
        return;
    const std::vector<std::int64_t> sizes = {1000, 100, 0};
    const std::vector<std::size_t> dealt = {0, 1, 2};
    std::vector<std::int64_t> searchedFrom;
    FileDealer dealer(dealt, sizes, MPI_COMM_SELF);
    dealer.DealInParts(0, 100, [&searchedFrom](std::size_t, std::int64_t from, std::int64_t) {
        searchedFrom.push_back(from);
        return from < 900 ? from + 1 : -1;
    });
    std::vector<std::tuple<std::size_t, std::int64_t, std::int64_t>> dealtShares;
    for (auto batch = dealer.Take(); !batch.empty(); batch = dealer.Take())
        for (const FileShare& share : batch)
            dealtShares.emplace_back(share.file, share.begin, share.end);
    // 1,100 bytes left: at least 550 in the first batch, both small files; then parts
    // of half of what is left: 500, 249, 124, and at least 100, which the last 124
    // are less than a part more than.
    const std::vector<std::tuple<std::size_t, std::int64_t, std::int64_t>> expected = {
        {1, 0, 100}, {2, 0, 0}, {0, 0, 501}, {0, 501, 751}, {0, 751, 876}, {0, 876, 1000}};
    EXPECT_EQ(dealtShares, expected);
    EXPECT_EQ(searchedFrom, (std::vector<std::int64_t>{499, 749, 874}));
    dealer.ServeRest();

    // A run that stops deals no more parts either.
    FileDealer stopping(dealt, sizes, MPI_COMM_SELF);
    stopping.DealInParts(0, 100, [](std::size_t, std::int64_t from, std::int64_t) { return from; });
    EXPECT_EQ(stopping.Take().size(), 2u);
    stopping.Stop();
    EXPECT_TRUE(stopping.Take().empty());
    stopping.ServeRest();
}

}  // namespace
}  // namespace tarvolen
