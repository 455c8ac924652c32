#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvolen {

// The words a concordance line is sorted by, one per key (folded), "" where there is
// none: no word is empty, so a missing word sorts first.
using SortWords = std::array<std::string, 3>;

// A sorted concordance's lines on their way out: an external merge sort whose memory
// is bounded whatever the number of lines. The lines and their words come in document
// order, each in its own stream (the words of a line may be known before or after its
// text); they are gathered in a buffer of about runBytes, which is sorted and written
// as a run to an unnamed temporary file when full. WriteSorted merges the runs. Ties
// keep document order.
class SortedLines {
  public:
    explicit SortedLines(std::size_t runBytes);
    ~SortedLines();
    SortedLines(const SortedLines&) = delete;
    SortedLines& operator=(const SortedLines&) = delete;

    void AddLine(std::string_view line);
    void AddWords(const SortWords& words);

    // Every line in order, each handed to write until it says false. False when a
    // write failed or the temporary file did (see Failure).
    bool WriteSorted(const std::function<bool(std::string_view)>& write);
    // The temporary file that failed and why; empty while none did.
    const std::string& Failure() const { return failure_; }

  private:
    struct Entry {
        std::size_t line = 0;   // into arena_: the line's length and text
        std::size_t words = 0;  // into arena_: the words, each with its length before it
        // The first word's first 8 bytes, big-endian, zero-padded (a word holds no NUL):
        // unequal, they order the entries without a look into the arena.
        std::uint64_t key = 0;
    };

    void Put(std::size_t& at, std::string_view text);
    void SpillIfFull();
    // The first count entries, which are whole.
    void SortBuffer(std::size_t count);
    bool Spill(std::size_t count);
    std::string_view WordAt(std::size_t& at) const;

    std::size_t runBytes_;
    std::string arena_;
    std::vector<Entry> entries_;
    std::size_t lines_ = 0;  // how many entries have their line
    std::size_t words_ = 0;  // and how many their words
    int fd_ = -1;
    std::uint64_t end_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> runs_;  // [begin, end) in the file
    std::string failure_;
};

}  // namespace tarvolen
