#pragma once

#include <mpi.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/ports/progress.h"
#include "run/file_shares.h"

namespace tarvolen {

// The first process's deal of the files DealtFiles chose: batches of them, for itself
// as it asks and for the others as their requests come, each at least half a
// process's share of the bytes left (as guided scheduling has it) and at least one
// file: few requests while many files are left, fine batches at the end, when the
// processes' finishing together is decided. A file dealt whole is the share of its
// bytes from 0 to its size.
class FileDealer {
  public:
    // sizes: the size of each file of the job.
    FileDealer(const std::vector<std::size_t>& dealt, std::vector<std::int64_t> sizes,
               MPI_Comm comm);

    // Deals file, one of the dealt, last and in parts rather than whole: one part a
    // batch, as large as a batch would be and at least leastPart bytes, cut just after
    // a separator. The processes then finish within a part of each other rather than
    // a file.
    void DealInParts(std::size_t file, std::int64_t leastPart, SeparatorSearch separator);

    // The first process's next batch; empty once none is left.
    std::vector<FileShare> Take();
    // Answers the requests that have come.
    void Poll();
    // Deals nothing more: the run is stopping.
    void Stop() {
        files_.clear();
        parts_.reset();
    }
    // Answers requests until every other process has been told that none is left, or
    // said that it stopped.
    void ServeRest();

  private:
    std::vector<FileShare> NextBatch(int process);
    FileShare NextPart(std::int64_t bytes, int process);
    void Answer(const MPI_Status& status);

    // The file dealt in parts, and where its next part begins.
    struct Parts {
        std::size_t file = 0;
        std::int64_t next = 0;
        std::int64_t least = 0;
        SeparatorSearch separator;
        bool dealt = false;  // the last part too
    };

    std::deque<std::size_t> files_;
    std::optional<Parts> parts_;
    std::vector<std::int64_t> sizes_;
    std::int64_t bytesLeft_ = 0;
    MPI_Comm comm_;
    int processes_ = 1;
    int finished_ = 0;  // other processes told that none is left, or stopped
};

// What another process asks the first for.
class FileRequests {
  public:
    explicit FileRequests(MPI_Comm comm) : comm_(comm) {}
    // The next batch of dealt files for this process; empty once none is left.
    std::vector<FileShare> Next();
    // Tells the first process that this one asks for no more, unless it was told there
    // are none left: a share that stopped early. Every other process ends its share so.
    void Finish();

  private:
    MPI_Comm comm_;
    bool toldNone_ = false;
};

// The first process's progress port while it reads: forwards to the one it shows, and
// at each step answers the requests for files, so that no process waits for more than
// a chunk of the first's reading.
class DealingProgress : public ProgressPort {
  public:
    DealingProgress(ProgressPort& shown, FileDealer& dealer) : shown_(shown), dealer_(dealer) {}

    void SetBounds(int lower, int upper) override { shown_.SetBounds(lower, upper); }
    int SetPosition(int position) override {
        dealer_.Poll();
        return shown_.SetPosition(position);
    }
    bool CancelRequested() override {
        dealer_.Poll();
        return shown_.CancelRequested();
    }
    void SetFileLine(const std::string& text) override { shown_.SetFileLine(text); }
    void SetDetailLine(const std::string& text) override { shown_.SetDetailLine(text); }
    void Close() override { shown_.Close(); }

  private:
    ProgressPort& shown_;
    FileDealer& dealer_;
};

}  // namespace tarvolen
