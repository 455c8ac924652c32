#include "mpi/word_exchange.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "core/store/store_exchange.h"
#include "core/store/word_store.h"
#include "mpi/process_group.h"

namespace tarvolen {

namespace {

// A record's length has this bit set when the sender counted the word in the document
// every process's count ends in (see KeepOwnedWords): no word is that long.
constexpr std::uint32_t kInSharedDocument = 1u << 31;

void PutRecord(std::string& into, std::string_view word, std::uint32_t count, std::uint32_t range,
               bool inSharedDocument = false) {
    const std::uint32_t head[3] = {
        static_cast<std::uint32_t>(word.size()) | (inSharedDocument ? kInSharedDocument : 0), count,
        range};
    into.append(reinterpret_cast<const char*>(head), sizeof head);
    into.append(word);
}

// Adds every record of the bytes to the store.
void MergeRecords(const char* bytes, std::size_t size, WordStore& store, std::string& scratch) {
    for (std::size_t at = 0; at < size;) {
        std::uint32_t head[3];
        std::memcpy(head, bytes + at, sizeof head);
        at += sizeof head;
        const std::uint32_t length = head[0] & ~kInSharedDocument;
        // The store wants the word's NUL after it.
        scratch.assign(bytes + at, length);
        at += length;
        if ((head[0] & kInSharedDocument) != 0)
            store.AddOccurrences(scratch.c_str(), scratch.size(), head[1], head[2],
                                 WordStore::Found::InDocument);
        else
            store.AddOccurrences(scratch.c_str(), scratch.size(), head[1], head[2]);
    }
}

// A store's records packed for the owners of their words, round by round, in the
// order the entries lie in memory. One that hands off keeps the words its own process
// owns and takes the others out as it packs them; what the store is sent meanwhile is
// merged into it, which the sweep allows for (a word met again after it started over
// is one this process owns).
class RecordPacker {
  public:
    // Every record of store; a null store has none. oneDocument: every record was
    // counted in the document every process's store is reading.
    explicit RecordPacker(const WordStore* store, bool oneDocument = false)
        : store_(store), oneDocument_(oneDocument) {
        if (store != nullptr)
            sweep_ = StoreExchange::BeginSweep(*store);
    }
    // The records of the words that processes other than rank own.
    RecordPacker(WordStore& store, int rank) : RecordPacker(&store) {
        handingOff_ = &store;
        kept_ = rank;
    }

    // The records of one round (about share bytes) into outgoing by owner; false once
    // there are no more.
    bool PackRound(std::vector<std::string>& outgoing, std::size_t share) {
        const int processes = static_cast<int>(outgoing.size());
        std::string_view word;
        std::uint32_t count = 0, range = 0;
        bool inDocument = false;
        for (std::size_t packed = 0; packed < share;) {
            if (store_ == nullptr ||
                !StoreExchange::NextInSweep(*store_, sweep_, word, count, range, inDocument))
                return false;
            const int owner = OwnerOf(word, processes);
            if (owner == kept_)
                continue;
            // Only a counted store's document is the one its count ended in.
            PutRecord(outgoing[static_cast<std::size_t>(owner)], word, count, range,
                      oneDocument_ || (inDocument && handingOff_ != nullptr));
            packed += kRecordHeadBytes + word.size();
            // The stored text ends in its NUL, as RemoveWord wants.
            if (handingOff_ != nullptr)
                handingOff_->RemoveWord(word.data());
        }
        return true;
    }

  private:
    const WordStore* store_;
    bool oneDocument_;
    WordStore* handingOff_ = nullptr;
    int kept_ = -1;  // no process
    StoreExchange::Sweep sweep_;
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
    const std::uint32_t mixed = HashWord(word.data(), word.size()) * 0x9E3779B1u;
    return static_cast<int>(
        (static_cast<std::uint64_t>(mixed) * static_cast<unsigned>(processes)) >> 32);
}

namespace {

// Rounds of MPI_Alltoallv until every process has packed its last record, each
// merging what it receives into into.
void Exchange(RecordPacker& source, WordStore& into, MPI_Comm comm) {
    const int processes = ProcessesIn(comm);
    const std::size_t share = std::max<std::size_t>(kRoundBytes / processes, 64 << 10);
    std::vector<std::string> outgoing(static_cast<std::size_t>(processes));
    std::string sending, receiving, scratch;
    std::vector<int> sendCounts(outgoing.size()), receiveCounts(outgoing.size());
    bool done = false;
    do {
        done = !source.PackRound(outgoing, share);
        sending.clear();
        for (std::size_t to = 0; to < outgoing.size(); ++to) {
            sendCounts[to] = static_cast<int>(outgoing[to].size());
            sending += outgoing[to];
            outgoing[to].clear();
        }
        MPI_Alltoall(sendCounts.data(), 1, MPI_INT, receiveCounts.data(), 1, MPI_INT, comm);
        const std::vector<int> sendAt = Displacements(sendCounts);
        const std::vector<int> receiveAt = Displacements(receiveCounts);
        receiving.resize(static_cast<std::size_t>(receiveAt.back() + receiveCounts.back()));
        MPI_Alltoallv(sending.data(), sendCounts.data(), sendAt.data(), MPI_BYTE, receiving.data(),
                      receiveCounts.data(), receiveAt.data(), MPI_BYTE, comm);
        MergeRecords(receiving.data(), receiving.size(), into, scratch);
    } while (!AllDone(done, comm));
}

}  // namespace

void ExchangeByOwner(const WordStore* counted, WordStore& owned, MPI_Comm comm) {
    RecordPacker all(counted);
    Exchange(all, owned, comm);
}

void KeepOwnedWords(WordStore& store, MPI_Comm comm) {
    RecordPacker others(store, RankIn(comm));
    Exchange(others, store, comm);
}

void ExchangeDocumentWords(const WordStore* counted, WordStore& owned, MPI_Comm comm) {
    // The owner of a word gets it from each process that read it, and its range counts
    // the document once however many parts held it.
    owned.BeginDocument();
    RecordPacker parts(counted, true);
    Exchange(parts, owned, comm);
}

}  // namespace tarvolen
