#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/analysis/keyness.h"

namespace tarvolen {

class WordStore;

// The word list as the Word List window shows it: every stored word once, in
// FrequencyOrder, so that a row's index is its rank less one whatever order the
// window sorts by.
//
// A row is a reference to the store's word, its id there: 4 bytes, and nothing of the
// text is copied. The counts are not kept per row: in FrequencyOrder
// they never rise, so each distinct count is kept once with the first row that has
// it (a list of millions of words has a few thousand distinct counts), and a row's
// count is found by a binary search among them. A row's range is looked up in the
// store when it is asked for.
//
// Compared with a reference list, every row also keeps its count in the reference (4
// bytes), and the reference's words the list lacks may follow the list's rows, in
// WordOrder, with a count of 0 and no rank (4 bytes more each, an id in the
// reference).
//
// The ids name their words until either store next removes or clears words. The
// owner takes a new snapshot after every change of the list and reads none of the old
// one meanwhile.
class ListSnapshot {
  public:
    ListSnapshot() = default;
    explicit ListSnapshot(const WordStore& store) { Take(store); }

    // Replaces the rows with the store's words as they are now, compared with the
    // reference when there is one, its own words shown too when referenceOnly.
    void Take(const WordStore& store, const WordStore* reference = nullptr,
              bool referenceOnly = false);
    // Compares the rows taken with another reference (null: with none), leaving the
    // list's rows as they are.
    void Compare(const WordStore* reference, bool referenceOnly);
    void Clear();

    std::size_t size() const { return ids_.size() + referenceOnly_.size(); }
    bool empty() const { return size() == 0; }
    // Whether the row is one of the list's own words; the rest are the reference's only.
    bool InList(std::size_t row) const { return row < ids_.size(); }

    std::uint32_t Count(std::size_t row) const;
    // The row's word; its text ends in a NUL, as RemoveWord takes it.
    std::string_view Word(std::size_t row) const;
    const char* Text(std::size_t row) const { return Word(row).data(); }
    // The number of documents the word was counted in (0 for the reference's words).
    std::uint32_t Range(std::size_t row) const;
    // All occurrences of all words of the list: what the percentages are of.
    std::uint64_t TotalOccurrences() const { return total_; }
    // The documents the list's words were read from: what the range shares are of.
    std::uint64_t DocumentCount() const { return documents_; }

    bool Comparing() const { return comparing_; }
    std::uint32_t ReferenceCount(std::size_t row) const { return referenceCounts_[row]; }
    std::uint64_t ReferenceOccurrences() const { return referenceTotal_; }
    // G2 and Log Ratio of the row against the reference.
    Keyness KeynessAt(std::size_t row) const {
        return KeynessOf(Count(row), ReferenceCount(row), total_, referenceTotal_);
    }

    // Bytes held beyond the store, for the benchmark of memory per word.
    std::size_t BytesHeld() const {
        return (ids_.capacity() + referenceOnly_.capacity() + referenceCounts_.capacity()) *
                   sizeof(std::uint32_t) +
               runs_.capacity() * sizeof(Run);
    }

  private:
    struct Run {
        std::uint32_t firstRow;
        std::uint32_t count;
    };

    const WordStore* store_ = nullptr;
    const WordStore* reference_ = nullptr;
    std::vector<std::uint32_t> ids_;
    std::vector<Run> runs_;  // by firstRow, the counts falling
    std::vector<std::uint32_t> referenceOnly_;
    std::vector<std::uint32_t> referenceCounts_;  // per row, while comparing
    std::uint64_t total_ = 0;
    std::uint64_t documents_ = 0;
    std::uint64_t referenceTotal_ = 0;
    bool comparing_ = false;
};

// Percentage of all occurrences, and occurrences per million.
double ShareOf(std::uint32_t count, std::uint64_t total, double scale);

}  // namespace tarvolen
