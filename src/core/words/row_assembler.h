#pragma once

#include <cstddef>
#include <cstdint>

#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"
#include "core/words/word_gaps.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

// Words in a row: takes a cutter's words and what lies between them, and hands on
// every run of From to To consecutive words as one entry, its words as each is
// counted alone, joined by one space (0x20 in every code page and in UTF-8).
class RowAssembler final : public WordSink {
  public:
    RowAssembler(const WordsInARow& inARow, WordSink& entries)
        : inARow_(inARow), entries_(entries) {}

    // The word need not be NUL-terminated: it is copied into the row. Single words
    // (To = 1) are handed on as they came.
    void Take(const char* word, std::size_t bytes) override;
    void Gap(GapKind kind) override { gap_.Add(kind); }
    // A placed word's place; each entry handed on is placed from its first word's
    // beginning to its last word's end.
    void Place(std::uint64_t begin, std::uint64_t end) override {
        placed_ = true;
        place_ = {begin, end};
    }
    // The end of a text (a document, or a part of one read on its own) ends every row.
    void EndText();
    // The text read so far is a part of a larger one, cut where a word ends, and the
    // text after the cut is read on only for the rows the cut crosses: from here on
    // only the entries that begin before the cut are handed on (the reader of the next
    // part hands on those that begin after it), until Carrying() is false. EndText
    // ends it.
    void CarryPastCut() {
        carrying_ = true;
        carried_ = words_;
    }
    // Whether the text was cut (CarryPastCut since the last EndText).
    bool PastCut() const { return carrying_; }
    // Whether a row that began before the cut may still give an entry.
    bool Carrying() const { return carried_ > 0; }

  private:
    void EndRow();

    WordsInARow inARow_;
    WordSink& entries_;
    RowGap gap_;
    // The last words of the row, at most To of them, joined as their entry is: every
    // entry that ends with the newest word is a tail of it, NUL-terminated in place.
    // The row moves along a buffer of twice its most, back to the start when full.
    char row_[2 * (MaxEntryBytes + 1)] = {};
    std::size_t end_ = 0;
    std::size_t starts_[WordsInARow::kMost] = {};
    std::size_t words_ = 0;
    struct Span {
        std::uint64_t begin;
        std::uint64_t end;
    };
    bool placed_ = false;
    Span place_{};
    Span places_[WordsInARow::kMost] = {};  // of the words of starts_
    bool carrying_ = false;
    std::size_t carried_ = 0;  // the row's first words that lie before the cut
};

}  // namespace tarvolen
