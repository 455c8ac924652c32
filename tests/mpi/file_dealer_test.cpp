// Run under mpirun (see on_processes_main.cpp).
#include "mpi/file_dealer.h"

#include <gtest/gtest.h>
#include <mpi.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "mpi/process_group.h"

namespace tarvolen {
namespace {

// Every dealt file is read exactly once, however the requests and the first process's
// own batches interleave, and the deal ends once every other process was told that
// none is left or said that it stopped (here the last process, in some rounds, after
// its first batch).
TEST(FileDealer, DealsEveryFileOnceAndEndsWhenEveryProcessIsDone) {
    const int rank = RankIn();
    const int last = ProcessesIn() - 1;
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

        std::vector<std::size_t> read;
        if (rank == 0) {
            FileDealer dealer(dealt, sizes, MPI_COMM_WORLD);
            for (auto batch = dealer.Take(); !batch.empty(); batch = dealer.Take()) {
                read.insert(read.end(), batch.begin(), batch.end());
            }
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
        for (std::size_t file : read)
            mine += std::to_string(file) + " ";
        const std::vector<std::string> all = GatherBytes(mine);
        if (rank != 0)
            continue;
        std::vector<std::size_t> union_;
        for (const std::string& part : all)
            for (std::size_t at = 0; at < part.size();) {
                const std::size_t end = part.find(' ', at);
                union_.push_back(std::stoul(part.substr(at, end - at)));
                at = end + 1;
            }
        std::sort(union_.begin(), union_.end());
        std::vector<std::size_t> expected(sizes.size());
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(union_, expected) << "seed " << seed;
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
    for (auto batch = dealer.Take(); !batch.empty(); batch = dealer.Take())
        batches.push_back(batch);
    const std::vector<std::vector<std::size_t>> expected = {
        {15, 14, 13, 12, 11, 10, 9, 8}, {7, 6, 5, 4}, {3, 2}, {1}, {0}, {16}};
    EXPECT_EQ(batches, expected);
    dealer.ServeRest();
}

}  // namespace
}  // namespace tarvolen
