#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvolen {

class WordStore;

// The word list as the Word List window shows it: every stored word once, in
// FrequencyOrder, so that a row's index is its rank less one whatever order the
// window sorts by.
//
// A row is a reference to the store's text, its offset in the arena: 4 bytes, and
// nothing of the text is copied. The counts are not kept per row: in FrequencyOrder
// they never rise, so each distinct count is kept once with the first row that has
// it (a list of millions of words has a few thousand distinct counts), and a row's
// count is found by a binary search among them.
//
// The offsets stay readable until the store next adds or clears words: a growth
// moves the texts, and Clear lets new ones overwrite them. The owner takes a new
// snapshot after every change of the list and reads none of the old one meanwhile.
class ListSnapshot {
  public:
    ListSnapshot() = default;
    explicit ListSnapshot(const WordStore& store) { Take(store); }

    // Replaces the rows with the store's words as they are now.
    void Take(const WordStore& store);
    void Clear();

    std::size_t size() const { return offsets_.size(); }
    bool empty() const { return offsets_.empty(); }
    std::uint32_t Count(std::size_t row) const;
    std::string_view Word(std::size_t row) const { return Text(row); }
    // The row's word as a NUL-terminated text, as RemoveWord takes it.
    const char* Text(std::size_t row) const { return arena_ + offsets_[row]; }
    // All occurrences of all words: what the percentages are of.
    std::uint64_t TotalOccurrences() const { return total_; }
    // Bytes held beyond the store, for the benchmark of memory per word.
    std::size_t BytesHeld() const {
        return offsets_.capacity() * sizeof(std::uint32_t) + runs_.capacity() * sizeof(Run);
    }

  private:
    struct Run {
        std::uint32_t firstRow;
        std::uint32_t count;
    };

    const char* arena_ = nullptr;
    std::vector<std::uint32_t> offsets_;
    std::vector<Run> runs_;  // by firstRow, the counts falling
    std::uint64_t total_ = 0;
};

// Percentage of all occurrences, and occurrences per million.
double ShareOf(std::uint32_t count, std::uint64_t total, double scale);

}  // namespace tarvolen
