#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/words/row_assembler.h"
#include "core/words/sought_word.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"

namespace tarvolen {

// Words in a row under the alphabets with every rule off: the tokenizer's words, found
// as it finds them (every letter folded and marked in one pass over the chunk), handed
// with what lies between them straight to the assembler. The rules' cutter finds the
// same words a byte at a time, at a cost the single words' list does not pay.
class PlainRowCutter final : public SeekingCutter {
  public:
    // With a word sought (folded, a single word, no words in a row), only its
    // occurrences are handed on: the words of another length are passed over 64 bytes
    // at a time, without a step for each.
    PlainRowCutter(const CutterSetup& setup, RowAssembler& rows, std::string_view sought = {});

    void Cut(std::span<unsigned char> text) override;
    void EndText() override {
        EndWord(base_);
        base_ = 0;
    }
    bool InWord() const override { return length_ > 0; }
    std::uint64_t Searched() const override { return base_ - length_; }

  private:
    void CutChunk(std::span<unsigned char> text);
    // The words from offset at of a folded and marked chunk that are the word sought.
    void Seek(const unsigned char* p, std::size_t n, std::size_t at);
    void Append(const unsigned char* letters, std::size_t count);
    // A whole word, at begin in the text: to the assembler when it is counted, else a
    // break in the row.
    void Hand(const char* word, std::size_t length, std::uint64_t begin);
    // The word that ran over the chunk's end ends before offset end; its letters are
    // one byte each, all of them counted in length_.
    void EndWord(std::uint64_t end);

    const CharMap& map_;
    RowAssembler& rows_;
    std::size_t minLength_;
    bool places_;
    bool single_;
    std::uint64_t base_ = 0;  // the offset of the chunk's first byte in the text
    std::array<GapKind, 256> gaps_;
    SoughtWord sought_;  // not usable: every word is handed on
    // A word that ran up to the end of the chunk; length_ counts all its letters, of
    // which the first MaxWordLength are kept: a longer word is not counted.
    char word_[MaxWordLength] = {};
    std::size_t length_ = 0;
    std::vector<std::uint64_t> masks_;
};

}  // namespace tarvolen
