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
// A row is a reference to the store's text (its offset in the arena) and the count,
// 8 bytes; nothing of the text is copied. The offsets stay readable until the store
// next adds or clears words: a growth moves the texts, and Clear lets new ones
// overwrite them. The owner takes a new snapshot after every change of the list and
// reads none of the old one meanwhile.
class ListSnapshot {
  public:
    struct Row {
        std::uint32_t offset;  // of the NUL-terminated text in the store's arena
        std::uint32_t count;
    };

    ListSnapshot() = default;
    explicit ListSnapshot(const WordStore& store) { Take(store); }

    // Replaces the rows with the store's words as they are now.
    void Take(const WordStore& store);
    void Clear();

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    std::uint32_t Count(std::size_t row) const { return rows_[row].count; }
    std::string_view Word(std::size_t row) const { return arena_ + rows_[row].offset; }
    // The row's word as a NUL-terminated text, as RemoveWord takes it.
    const char* Text(std::size_t row) const { return arena_ + rows_[row].offset; }
    // All occurrences of all words: what the percentages are of.
    std::uint64_t TotalOccurrences() const { return total_; }
    // Bytes held beyond the store, for the benchmark of memory per word.
    std::size_t BytesHeld() const { return rows_.capacity() * sizeof(Row); }

  private:
    const char* arena_ = nullptr;
    std::vector<Row> rows_;
    std::uint64_t total_ = 0;
};

// Percentage of all occurrences, and occurrences per million.
double ShareOf(std::uint32_t count, std::uint64_t total, double scale);

}  // namespace tarvolen
