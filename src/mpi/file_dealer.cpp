#include "mpi/file_dealer.h"

#include <algorithm>
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

void FileDealer::DealInParts(std::size_t file, std::int64_t leastPart, SeparatorSearch separator) {
    std::erase(files_, file);
    parts_ = Parts{file, 0, std::max<std::int64_t>(leastPart, 1), std::move(separator)};
}

std::vector<FileShare> FileDealer::NextBatch(int process) {
    std::vector<FileShare> batch;
    const std::int64_t least = bytesLeft_ / (2 * processes_);
    std::int64_t taken = 0;
    while (!files_.empty() && (batch.empty() || taken < least)) {
        const std::size_t file = files_.front();
        files_.pop_front();
        batch.push_back({file, 0, sizes_[file], process});
        taken += sizes_[file];
    }
    if (batch.empty() && parts_ && !parts_->dealt) {
        batch.push_back(NextPart(std::max(least, parts_->least), process));
        taken = batch.back().end - batch.back().begin;
    }
    bytesLeft_ -= taken;
    return batch;
}

FileShare FileDealer::NextPart(std::int64_t bytes, int process) {
    Parts& parts = *parts_;
    const std::int64_t size = sizes_[parts.file];
    std::int64_t cut = size;
    // A rest of less than a part more goes with this one.
    if (size - parts.next > bytes + parts.least) {
        const std::int64_t separator = parts.separator(parts.file, parts.next + bytes - 1, size);
        if (separator >= 0)
            cut = separator + 1;
    }
    const FileShare part{parts.file, parts.next, cut, process};
    parts.next = cut;
    parts.dealt = cut == size;
    return part;
}

std::vector<FileShare> FileDealer::Take() {
    Poll();
    return NextBatch(0);
}

void FileDealer::Answer(const MPI_Status& status) {
    int wants = kStopped;
    MPI_Recv(&wants, 1, MPI_INT, status.MPI_SOURCE, kDealRequestTag, comm_, MPI_STATUS_IGNORE);
    if (wants == kStopped) {
        ++finished_;
        return;
    }
    std::vector<std::int64_t> shares;
    for (const FileShare& share : NextBatch(status.MPI_SOURCE))
        shares.insert(shares.end(),
                      {static_cast<std::int64_t>(share.file), share.begin, share.end});
    MPI_Send(shares.data(), static_cast<int>(shares.size()), MPI_INT64_T, status.MPI_SOURCE,
             kDealTag, comm_);
    if (shares.empty())
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

std::vector<FileShare> FileRequests::Next() {
    if (toldNone_)
        return {};
    int wants = kWantsMore;
    MPI_Send(&wants, 1, MPI_INT, 0, kDealRequestTag, comm_);
    MPI_Status status;
    MPI_Probe(0, kDealTag, comm_, &status);
    int count = 0;
    MPI_Get_count(&status, MPI_INT64_T, &count);
    std::vector<std::int64_t> shares(static_cast<std::size_t>(count));
    MPI_Recv(shares.data(), count, MPI_INT64_T, 0, kDealTag, comm_, MPI_STATUS_IGNORE);
    toldNone_ = shares.empty();
    std::vector<FileShare> batch;
    const int rank = RankIn(comm_);
    for (std::size_t at = 0; at + 2 < shares.size(); at += 3)
        batch.push_back(
            {static_cast<std::size_t>(shares[at]), shares[at + 1], shares[at + 2], rank});
    return batch;
}

void FileRequests::Finish() {
    if (toldNone_)
        return;
    int wants = kStopped;
    MPI_Send(&wants, 1, MPI_INT, 0, kDealRequestTag, comm_);
    toldNone_ = true;
}

}  // namespace tarvolen
