#include "mpi/word_exchange.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "core/collect/word_store.h"
#include "mpi/process_group.h"

namespace tarvolen {

namespace {

void PutRecord(std::string& into, std::string_view word, std::uint32_t count, std::uint32_t range) {
    const std::uint32_t head[3] = {static_cast<std::uint32_t>(word.size()), count, range};
    into.append(reinterpret_cast<const char*>(head), sizeof head);
    into.append(word);
}

// Adds every record of the bytes to the store.
void MergeRecords(const char* bytes, std::size_t size, WordStore& store, std::string& scratch) {
    for (std::size_t at = 0; at < size;) {
        std::uint32_t head[3];
        std::memcpy(head, bytes + at, sizeof head);
        at += sizeof head;
        // The store wants the word's NUL after it.
        scratch.assign(bytes + at, head[0]);
        at += head[0];
        store.AddOccurrences(scratch.c_str(), scratch.size(), head[1], head[2]);
    }
}

// The entries of a store, one after another, with the seed taken out.
class RecordWalk {
  public:
    // A null store has no entries.
    RecordWalk(const WordStore* store, const Seed& seed)
        : store_(store),
          seed_(seed),
          at_(store != nullptr ? store->GetStartPosition() : WordStore::EndPosition()) {}

    // False at the end.
    bool Next(std::string_view& word, std::uint32_t& count, std::uint32_t& range) {
        while (at_ != WordStore::EndPosition()) {
            store_->GetNextRecord(at_, word, count, range);
            if (!seed_.word.empty() && word == seed_.word) {
                count -= seed_.count;
                range -= seed_.range;
            }
            if (count != 0)
                return true;
        }
        return false;
    }

  private:
    const WordStore* store_;
    const Seed seed_;
    WordStore::Position at_;
};

bool AllDone(bool done, MPI_Comm comm) {
    int mine = done ? 1 : 0;
    int all = 0;
    MPI_Allreduce(&mine, &all, 1, MPI_INT, MPI_LAND, comm);
    return all != 0;
}

std::vector<int> Displacements(const std::vector<int>& counts) {
    std::vector<int> displacements(counts.size(), 0);
    std::exclusive_scan(counts.begin(), counts.end(), displacements.begin(), 0);
    return displacements;
}

}  // namespace

int OwnerOf(std::string_view word, int processes) {
    const std::uint32_t mixed = WordStore::Hash(word.data(), word.size()) * 0x9E3779B1u;
    return static_cast<int>(
        (static_cast<std::uint64_t>(mixed) * static_cast<unsigned>(processes)) >> 32);
}

namespace {

std::uint64_t Exchange(const WordStore* counted, const Seed& seed, WordStore& owned,
                       MPI_Comm comm) {
    const int processes = ProcessesIn(comm);
    const std::size_t share = std::max<std::size_t>(kRoundBytes / processes, 64 << 10);
    RecordWalk walk(counted, seed);
    std::vector<std::string> outgoing(static_cast<std::size_t>(processes));
    std::string sending, receiving, scratch;
    std::vector<int> sendCounts(outgoing.size()), receiveCounts(outgoing.size());
    std::uint64_t sent = 0;
    bool done = false;
    do {
        std::size_t packed = 0;
        std::string_view word;
        std::uint32_t count = 0, range = 0;
        while (packed < share && !(done = !walk.Next(word, count, range))) {
            PutRecord(outgoing[static_cast<std::size_t>(OwnerOf(word, processes))], word, count,
                      range);
            packed += kRecordHeadBytes + word.size();
        }
        sending.clear();
        for (std::size_t to = 0; to < outgoing.size(); ++to) {
            sendCounts[to] = static_cast<int>(outgoing[to].size());
            sending += outgoing[to];
            outgoing[to].clear();
        }
        sent += sending.size();
        MPI_Alltoall(sendCounts.data(), 1, MPI_INT, receiveCounts.data(), 1, MPI_INT, comm);
        const std::vector<int> sendAt = Displacements(sendCounts);
        const std::vector<int> receiveAt = Displacements(receiveCounts);
        receiving.resize(static_cast<std::size_t>(receiveAt.back() + receiveCounts.back()));
        MPI_Alltoallv(sending.data(), sendCounts.data(), sendAt.data(), MPI_BYTE, receiving.data(),
                      receiveCounts.data(), receiveAt.data(), MPI_BYTE, comm);
        MergeRecords(receiving.data(), receiving.size(), owned, scratch);
    } while (!AllDone(done, comm));
    return sent;
}

}  // namespace

std::uint64_t ExchangeByOwner(const WordStore* counted, const Seed& seed, WordStore& owned,
                              MPI_Comm comm) {
    return Exchange(counted, seed, owned, comm);
}

void ExchangeDocumentWords(const WordStore* counted, WordStore& owned, MessagePort& messages,
                           const WordStore::Options& options, MPI_Comm comm) {
    // The owner of a word gets it from each process that read it: their counts add
    // here, and the document adds one to its range however many parts held it.
    WordStore document(messages, options);
    Exchange(counted, Seed{}, document, comm);
    RecordWalk walk(&document, Seed{});
    std::string scratch;
    std::string_view word;
    std::uint32_t count = 0, range = 0;
    while (walk.Next(word, count, range)) {
        scratch.assign(word);
        owned.AddOccurrences(scratch.c_str(), scratch.size(), count, 1);
    }
}

}  // namespace tarvolen
