#pragma once

#include <cstdint>
#include <vector>

namespace tarvolen {

// What the segments of a run's documents came to: every full segment of
// SegmentTally::kLength consecutive counted entries, and the distinct entries of each,
// summed. Sums of whole numbers, so that the figures of threads and processes add up
// to the same ratio in any order.
struct SegmentFigures {
    std::uint64_t segments = 0;
    std::uint64_t distinct = 0;

    void Add(const SegmentFigures& other) {
        segments += other.segments;
        distinct += other.distinct;
    }
    bool operator==(const SegmentFigures&) const = default;
};

// Counts the distinct entries of each run of kLength entries as a store counts them,
// one document at a time: a segment never runs from one document into the next, and
// a document's last, partial segment is dropped.
//
// Each entry is stamped with the number of the segment it was last met in, in an array
// by the entry's index in its store: one load and one store per occurrence, where a
// set per segment would hash every word again. Indexes of several stores may share the
// array, as long as each document is counted into one store: a new document starts a
// new segment number, so an older stamp never matches.
class SegmentTally {
  public:
    static constexpr std::uint32_t kLength = 1000;

    // A new document: the segment under way is dropped.
    void BeginDocument() { NextSegment(); }
    // One occurrence of the entry with that index in its store.
    void Take(std::uint32_t entry) {
        if (entry >= stamps_.size())
            Grow(entry);
        distinct_ += stamps_[entry] != segment_;
        stamps_[entry] = segment_;
        if (++filled_ == kLength)
            Close();
    }
    const SegmentFigures& Figures() const { return figures_; }

  private:
    void Grow(std::uint32_t entry);
    void Close();
    void NextSegment();

    std::vector<std::uint32_t> stamps_;
    std::uint32_t segment_ = 1;  // stamps start at 0, which names no segment
    std::uint32_t filled_ = 0;
    std::uint32_t distinct_ = 0;
    SegmentFigures figures_;
};

}  // namespace tarvolen
