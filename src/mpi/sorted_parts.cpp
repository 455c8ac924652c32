#include "mpi/sorted_parts.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "mpi/process_group.h"

namespace tarvolen {

namespace {

// A record as it travels: its numbers, then its word.
void Put(std::string& into, const ListEntry& entry) {
    const std::uint32_t head[3] = {static_cast<std::uint32_t>(entry.word.size()), entry.count,
                                   entry.range};
    into.append(reinterpret_cast<const char*>(head), sizeof head);
    into.append(entry.word);
}

void Get(const std::string& from, std::size_t& at, ListEntry& entry) {
    std::uint32_t head[3];
    std::memcpy(head, from.data() + at, sizeof head);
    at += sizeof head;
    entry = {std::string_view(from).substr(at, head[0]), head[1], head[2]};
    at += head[0];
}

struct KeywordHead {
    std::uint32_t length;
    std::uint32_t count;
    std::uint32_t refCount;
    std::uint32_t padding;  // named, so that every byte sent has a value
    Keyness keyness;
    std::uint64_t leadingBytes;
};

void Put(std::string& into, const KeywordRow& row) {
    const KeywordHead head{static_cast<std::uint32_t>(row.word.size()),
                           row.count,
                           row.refCount,
                           0,
                           row.keyness,
                           row.leadingBytes};
    into.append(reinterpret_cast<const char*>(&head), sizeof head);
    into.append(row.word);
}

void Get(const std::string& from, std::size_t& at, KeywordRow& row) {
    KeywordHead head;
    std::memcpy(&head, from.data() + at, sizeof head);
    at += sizeof head;
    row = {std::string_view(from).substr(at, head.length), head.count, head.refCount, head.keyness,
           head.leadingBytes};
    at += head.length;
}

}  // namespace

std::size_t SortedChunkBytes(int processes) {
    return std::clamp<std::size_t>(kMergeBufferBytes / static_cast<std::size_t>(processes),
                                   16u << 10, 1u << 20);
}

template <typename Record>
void SendSortedPart(const std::vector<Record>& records, MPI_Comm comm, std::size_t chunkBytes) {
    if (chunkBytes == 0)
        chunkBytes = SortedChunkBytes(ProcessesIn(comm));
    std::string chunk;
    const auto send = [&] {
        MPI_Send(chunk.data(), static_cast<int>(chunk.size()), MPI_BYTE, 0, kSortedTag, comm);
    };
    for (const Record& record : records) {
        Put(chunk, record);
        if (chunk.size() >= chunkBytes) {
            send();
            chunk.clear();
        }
    }
    if (!chunk.empty())
        send();
    // An empty chunk ends the part.
    chunk.clear();
    send();
}

// One process's part as the first reads it: from memory for its own, else chunk by
// chunk as they come.
template <typename Record>
class SortedParts<Record>::Stream {
  public:
    Stream(const std::vector<Record>* own, int source, MPI_Comm comm)
        : own_(own), source_(source), comm_(comm) {}

    bool Next(Record& record) {
        if (own_ != nullptr) {
            if (at_ == own_->size())
                return false;
            record = (*own_)[at_++];
            return true;
        }
        if (at_ == chunk_.size() && !ended_)
            Receive();
        if (ended_)
            return false;
        Get(chunk_, at_, record);
        return true;
    }

    void Drain() {
        while (own_ == nullptr && !ended_)
            Receive();
    }

  private:
    void Receive() {
        MPI_Status status;
        MPI_Probe(source_, kSortedTag, comm_, &status);
        int size = 0;
        MPI_Get_count(&status, MPI_BYTE, &size);
        chunk_.resize(static_cast<std::size_t>(size));
        MPI_Recv(chunk_.data(), size, MPI_BYTE, source_, kSortedTag, comm_, MPI_STATUS_IGNORE);
        at_ = 0;
        ended_ = size == 0;
    }

    const std::vector<Record>* own_;
    int source_;
    MPI_Comm comm_;
    std::string chunk_;
    std::size_t at_ = 0;
    bool ended_ = false;
};

template <typename Record>
SortedParts<Record>::SortedParts(const std::vector<Record>& own, Before before, MPI_Comm comm)
    : before_(std::move(before)) {
    streams_.emplace_back(&own, 0, comm);
    for (int source = 1; source < ProcessesIn(comm); ++source)
        streams_.emplace_back(nullptr, source, comm);
}

template <typename Record>
SortedParts<Record>::~SortedParts() {
    for (Stream& stream : streams_)
        stream.Drain();
}

template <typename Record>
void SortedParts<Record>::Merge(const std::function<void(const Record&)>& visit) {
    std::vector<Record> heads(streams_.size());
    std::vector<std::size_t> heap;
    for (std::size_t i = 0; i < streams_.size(); ++i)
        if (streams_[i].Next(heads[i]))
            heap.push_back(i);
    // The heap's top is the stream whose next record comes first.
    const auto later = [&](std::size_t a, std::size_t b) { return before_(heads[b], heads[a]); };
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        const std::size_t first = heap.back();
        visit(heads[first]);
        if (streams_[first].Next(heads[first]))
            std::push_heap(heap.begin(), heap.end(), later);
        else
            heap.pop_back();
    }
}

template void SendSortedPart(const std::vector<ListEntry>&, MPI_Comm, std::size_t);
template void SendSortedPart(const std::vector<KeywordRow>&, MPI_Comm, std::size_t);
template class SortedParts<ListEntry>;
template class SortedParts<KeywordRow>;

}  // namespace tarvolen
