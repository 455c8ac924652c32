#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/words/sought_word.h"
#include "core/words/tokenizer.h"
#include "core/words/two_byte_stretches.h"
#include "core/words/unicode_tables.h"
#include "core/words/word_cutter.h"

struct UBreakIterator;

namespace tarvolen {

// The longest run of the segmented scripts handed to the word break iterator at once.
inline constexpr std::size_t kSegmentLimit = 4096;

// The words of "Any language (Unicode)" in UTF-8 text. A word starts with a letter
// (or a digit under "Digits as letters") and goes on over letters and marks; a soft
// hyphen or a zero-width (non-)joiner between two word characters belongs to it, and
// so do apostrophes and hyphens when their rules are on. A run that holds a character
// of the scripts written without spaces is cut by ICU's word break iterator. Each word
// is brought to NFKC and then to its simple lower case; it is accepted at
// minWordLength to MaxWordLength characters and stored as UTF-8.
//
// Given the run's tokenizer context, long stretches of ASCII go to the alphabets'
// tokenizer with the English/Latin alphabet (the Unicode rule's ASCII letters, with
// every word rule off), which counts their words in the store itself, and long
// stretches of Russian go to TwoByteStretches.
//
// With a word sought (MakeSeekingCutter), the words of long stretches of ASCII are
// looked through by the tokenizer's first pass instead, and only the word's
// occurrences among them are handed on.
class UnicodeWordCutter final : public SeekingCutter {
  public:
    UnicodeWordCutter(const CutterSetup& setup, WordSink& sink,
                      const TokenizerContext* asciiStore = nullptr, std::string_view sought = {});
    ~UnicodeWordCutter() override;
    UnicodeWordCutter(const UnicodeWordCutter&) = delete;
    UnicodeWordCutter& operator=(const UnicodeWordCutter&) = delete;

    // The text must be well-formed UTF-8; a stray byte counts as a separator.
    void Cut(std::span<unsigned char> text) override;
    void EndText() override;
    bool InWord() const override { return !run_.empty(); }
    std::uint64_t Searched() const override {
        return run_.empty() ? base_ : runPlaces_.front().begin;
    }

  private:
    void Take(char32_t c);
    void TakeNormalized(char32_t c);
    // Cuts the ASCII from p on by the tokenizer where that is worth it; returns where
    // the character-by-character way goes on.
    unsigned char* CutAscii(unsigned char* p, unsigned char* end);
    // The same for the word sought: its occurrences in the stretch are handed on.
    unsigned char* SeekAscii(unsigned char* p, unsigned char* end);
    // Takes a whole word of ASCII letters and two-byte letters from p on, where one
    // ends there at an ASCII separator; returns p when the word needs the way
    // character by character, else where that way goes on.
    unsigned char* CutTwoByteWord(unsigned char* p, unsigned char* end);
    void EndRun();
    void Segment();
    // Folds a piece of a run, measures it and hands it on when accepted; the piece
    // is the run's characters from index from on, for its place.
    void Emit(const char32_t* characters, std::size_t count, std::size_t from);
    // A character joins the run; placed, with where it lies.
    void Push(char32_t c, std::uint64_t begin, std::uint64_t end) {
        run_.push_back(c);
        if (places_)
            runPlaces_.push_back({begin, end});
    }
    std::uint64_t OffsetOf(const unsigned char* p) const {
        return base_ + static_cast<std::uint64_t>(p - chunk_);
    }

    WordSink& sink_;
    const detail::UnicodeTables& tables_;
    bool digits_;
    bool apostrophes_;
    bool hyphens_;
    bool rows_;  // words in a row: the gaps between words go to the sink too
    bool places_;
    std::size_t minLength_;
    // Placed: where the chunk starts in the text, and where the character taken and
    // each character of the run lie (a character NFKC widens gives each piece its place).
    struct Span {
        std::uint64_t begin;
        std::uint64_t end;
    };
    const unsigned char* chunk_ = nullptr;
    std::uint64_t base_ = 0;
    Span taken_{};
    Span pendingPlace_{};
    std::vector<Span> runPlaces_;
    // The run as written, connectors included; too long a run of scripts with spaces
    // stops growing and is dropped at its end.
    std::u32string run_;
    char32_t pending_ = 0;  // a connector waiting for the word character that joins it
    bool segmented_ = false;
    bool tooLong_ = false;
    std::u32string folded_;
    std::u16string utf16_;     // the run, for the break iterator
    std::u16string unfolded_;  // a word on its way to ICU's NFKC
    std::u16string normalized_;
    char word_[4 * MaxWordLength + 1] = {};
    UBreakIterator* breaker_ = nullptr;  // opened at the first segmented run
    CharMap asciiMap_{};
    std::optional<TokenizerContext> asciiStore_;
    std::string asciiCarry_;  // always empty between calls: no stretch ends in a word
    SoughtWord sought_;
    std::vector<std::uint64_t> masks_;
    std::optional<TwoByteStretches> cyrillic_;
};

}  // namespace tarvolen
