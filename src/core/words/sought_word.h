#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tarvolen {

// One word looked for among the letters of a text that the tokenizer's first pass has
// folded and marked (FoldAndMarkLetters): the words of another length are passed over
// 64 bytes at a time, from the marks alone, without a step for each word. For a
// concordance of one word, which needs no other.
class SoughtWord {
  public:
    // Usable for a word (folded) of at most 63 letters: a run of letters is told from
    // the marks of the next 63 bytes at most.
    explicit SoughtWord(std::string_view word) {
        if (word.size() < 64)
            word_ = word;
    }
    bool Usable() const { return !word_.empty(); }
    std::size_t size() const { return word_.size(); }
    std::string_view text() const { return word_; }

    // Calls found(start) for each run of letters of text[0..n) that is the word, begins
    // at or after at (where no word is under way) and ends before n: a run up to n may
    // go on past it.
    template <typename Found>
    void Find(const unsigned char* text, std::size_t n, std::size_t at, const std::uint64_t* masks,
              Found found) const {
        const std::size_t length = word_.size();
        const std::size_t blocks = (n + 63) / 64;
        for (std::size_t k = at / 64; k < blocks; ++k) {
            const std::uint64_t letters = masks[k];
            if (letters == 0)
                continue;
            const std::uint64_t before = k == 0 ? 0 : masks[k - 1] >> 63;
            std::uint64_t starts = letters & ~(letters << 1 | before);
            if (k == at / 64)
                starts &= ~std::uint64_t{0} << (at % 64);
            // The runs of exactly the word's length: letters from the start on, and none
            // right after them (the next block's marks tell for a run that goes on).
            const std::uint64_t next = masks[k + 1];
            const auto from = [&](std::size_t j) { return letters >> j | next << (64 - j); };
            std::uint64_t words = starts & ~from(length);
            for (std::size_t j = 1; j < length && words != 0; ++j)
                words &= from(j);
            for (; words != 0; words &= words - 1) {
                const std::size_t start =
                    64 * k + static_cast<std::size_t>(std::countr_zero(words));
                if (start + length >= n)
                    return;
                if (std::memcmp(text + start, word_.data(), length) == 0)
                    found(start);
            }
        }
    }

  private:
    std::string word_;
};

}  // namespace tarvolen
