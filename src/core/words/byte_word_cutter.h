#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"

namespace tarvolen {

// The alphabets' words under word rules, or on their way into a UTF-8 list: one byte
// of the code page at a time. The words it finds with every rule off are exactly the
// tokenizer's.
class ByteWordCutter final : public WordCutter {
  public:
    ByteWordCutter(const CutterSetup& setup, WordSink& sink);

    void Cut(std::span<unsigned char> text) override;
    void EndText() override;
    bool InWord() const override { return length_ > 0; }

  private:
    enum Kind : unsigned char { kSeparator = 0, kWordByte = 1, kConnector = 2 };

    void Append(unsigned char byte);
    // The word ends before the byte at offset at of the text (its place, when placed).
    void End(std::uint64_t at);

    WordSink& sink_;
    CodePage codePage_;
    bool toUtf8_;
    bool rows_;  // words in a row: the gaps between words go to the sink too
    bool places_;
    std::uint64_t base_ = 0;  // the offset of the chunk's first byte in the text
    std::size_t minLength_;
    std::array<unsigned char, 256> kind_{};
    std::array<unsigned char, 256> stored_{};  // the folded byte a word keeps
    std::array<GapKind, 256> gaps_{};          // what a byte is between two words
    char word_[MaxWordLength + 1] = {};
    std::size_t length_ = 0;
    bool tooLong_ = false;
    unsigned char pending_ = 0;  // a connector that joins if a word byte follows
    std::string utf8_;
};

}  // namespace tarvolen
