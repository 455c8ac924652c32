#pragma once

#include <mpi.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/analysis/keyness.h"
#include "core/output/word_list_writer.h"

namespace tarvolen {

// The records of a list part on their way to the first process go in chunks of this
// size (plus one record) at most: the first process holds one chunk of each process,
// 64 MiB in all however long the list and however many processes, in chunks of 16 KiB
// to 1 MiB.
inline constexpr std::size_t kMergeBufferBytes = 64u << 20;
std::size_t SortedChunkBytes(int processes);

// Every other process: its part of a list, sorted (records of the kind the first
// merges: ListEntry or KeywordRow), streamed to the first process in chunks.
// Returns once the first has taken all of it. chunkBytes 0: SortedChunkBytes.
template <typename Record>
void SendSortedPart(const std::vector<Record>& records, MPI_Comm comm, std::size_t chunkBytes = 0);

// The first process: its own sorted part and those the others stream in, merged in
// the order before gives (the parts hold no record in common). Whatever Merge did
// not take by the end of the object's life, it receives and drops, so that no
// process is left waiting.
template <typename Record>
class SortedParts {
  public:
    using Before = std::function<bool(const Record&, const Record&)>;

    SortedParts(const std::vector<Record>& own, Before before, MPI_Comm comm);
    ~SortedParts();
    SortedParts(const SortedParts&) = delete;
    SortedParts& operator=(const SortedParts&) = delete;

    // Hands every record of every part to visit, in order. A record's word is valid
    // during the call only. If visit throws, the rest stays for the destructor.
    void Merge(const std::function<void(const Record&)>& visit);

  private:
    class Stream;
    Before before_;
    std::vector<Stream> streams_;
};

}  // namespace tarvolen
