#pragma once

#include <array>
#include <cstdint>

#include "core/text/code_page.h"

namespace tarvolen {

// What a character between two words is to words in a row (n-grams): two words are
// in a row when only white space and at most one line end part them.
enum class GapKind : std::uint8_t {
    Space,           // TAB and Unicode's space separators (Zs)
    CarriageReturn,  // a line end, or the first half of CR LF
    LineFeed,        // a line end, unless it follows a CR
    Punctuation,     // punctuation, symbols, digits: joined across on request
    Break,           // ends every row: other controls, U+2028, U+2029, a word not counted
};

// The kind of a character that is not part of a word. A letter is never asked about
// here: where a cutter meets one outside its alphabet it reports a Break itself.
GapKind GapKindOf(char32_t c);

// What each byte of a code page is between two words of an alphabet written in it,
// for the bytes that are no letter of the alphabet: a letter of another alphabet ends
// a row as a word not counted would.
std::array<GapKind, 256> CodePageGaps(CodePage codePage);

// Whether the text since the last word still lets the next one follow it in a row,
// fed one gap character at a time: a blank line (two line ends with only white space
// between them) or a Break parts the words, and so does punctuation unless the run
// joins across it. Chunk ends do not matter, as the state is kept between calls.
class RowGap {
  public:
    void Add(GapKind kind) {
        switch (kind) {
            case GapKind::Space:
                afterCr_ = false;
                break;
            case GapKind::CarriageReturn:
                ++lineEnds_;
                afterCr_ = true;
                break;
            case GapKind::LineFeed:
                lineEnds_ += afterCr_ ? 0 : 1;
                afterCr_ = false;
                break;
            case GapKind::Punctuation:
                punctuation_ = true;
                lineEnds_ = 0;  // a line of punctuation is no blank line
                afterCr_ = false;
                break;
            case GapKind::Break:
                broken_ = true;
                break;
        }
        broken_ = broken_ || lineEnds_ >= 2;
    }
    bool Joins(bool acrossPunctuation) const {
        return !broken_ && (acrossPunctuation || !punctuation_);
    }
    // A word was taken: the next gap starts.
    void Reset() { *this = RowGap{}; }

  private:
    std::uint8_t lineEnds_ = 0;
    bool afterCr_ = false;
    bool punctuation_ = false;
    bool broken_ = false;
};

}  // namespace tarvolen
