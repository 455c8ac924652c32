#include "mpi/file_dealer.h"

#include <utility>

#include "mpi/process_group.h"

namespace tarvolen {

namespace {

// A request says whether its process wants more files or has stopped.
constexpr int kWantsMore = 1;
constexpr int kStopped = 0;

}  // namespace

FileDealer::FileDealer(const std::vector<std::size_t>& dealt, std::vector<std::int64_t> sizes,
                       MPI_Comm comm)
    : files_(dealt.begin(), dealt.end()), sizes_(std::move(sizes)), comm_(comm) {
    processes_ = ProcessesIn(comm);
    for (std::size_t file : dealt)
        bytesLeft_ += sizes_[file];
}

std::vector<std::size_t> FileDealer::NextBatch() {
    std::vector<std::size_t> batch;
    const std::int64_t least = bytesLeft_ / (2 * processes_);
    std::int64_t taken = 0;
    while (!files_.empty() && (batch.empty() || taken < least)) {
        batch.push_back(files_.front());
        taken += sizes_[files_.front()];
        files_.pop_front();
    }
    bytesLeft_ -= taken;
    return batch;
}

std::vector<std::size_t> FileDealer::Take() {
    Poll();
    return NextBatch();
}

void FileDealer::Answer(const MPI_Status& status) {
    int wants = kStopped;
    MPI_Recv(&wants, 1, MPI_INT, status.MPI_SOURCE, kDealRequestTag, comm_, MPI_STATUS_IGNORE);
    if (wants == kStopped) {
        ++finished_;
        return;
    }
    const std::vector<std::size_t> batch = NextBatch();
    const std::vector<std::uint64_t> files(batch.begin(), batch.end());
    MPI_Send(files.data(), static_cast<int>(files.size()), MPI_UINT64_T, status.MPI_SOURCE,
             kDealTag, comm_);
    if (files.empty())
        ++finished_;
}

void FileDealer::Poll() {
    for (int waiting = 1; waiting != 0;) {
        MPI_Status status;
        MPI_Iprobe(MPI_ANY_SOURCE, kDealRequestTag, comm_, &waiting, &status);
        if (waiting != 0)
            Answer(status);
    }
}

void FileDealer::ServeRest() {
    while (finished_ < processes_ - 1) {
        MPI_Status status;
        MPI_Probe(MPI_ANY_SOURCE, kDealRequestTag, comm_, &status);
        Answer(status);
    }
}

std::vector<std::size_t> FileRequests::Next() {
    if (toldNone_)
        return {};
    int wants = kWantsMore;
    MPI_Send(&wants, 1, MPI_INT, 0, kDealRequestTag, comm_);
    MPI_Status status;
    MPI_Probe(0, kDealTag, comm_, &status);
    int count = 0;
    MPI_Get_count(&status, MPI_UINT64_T, &count);
    std::vector<std::uint64_t> files(static_cast<std::size_t>(count));
    MPI_Recv(files.data(), count, MPI_UINT64_T, 0, kDealTag, comm_, MPI_STATUS_IGNORE);
    toldNone_ = files.empty();
    return {files.begin(), files.end()};
}

void FileRequests::Finish() {
    if (toldNone_)
        return;
    int wants = kStopped;
    MPI_Send(&wants, 1, MPI_INT, 0, kDealRequestTag, comm_);
    toldNone_ = true;
}

}  // namespace tarvolen
