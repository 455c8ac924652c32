#pragma once

#include <array>
#include <cstddef>
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

namespace gap_state {

// A gap so far in one byte: line ends seen (0, 1, 2 or more), after a CR, after
// punctuation, broken.
inline constexpr std::uint8_t kLineEnds = 3, kAfterCr = 4, kPunctuation = 8, kBroken = 16;

constexpr std::uint8_t Step(std::uint8_t state, GapKind kind) {
    unsigned lineEnds = state & kLineEnds;
    bool afterCr = (state & kAfterCr) != 0;
    bool punctuation = (state & kPunctuation) != 0;
    bool broken = (state & kBroken) != 0;
    switch (kind) {
        case GapKind::Space:
            afterCr = false;
            break;
        case GapKind::CarriageReturn:
            ++lineEnds;
            afterCr = true;
            break;
        case GapKind::LineFeed:
            lineEnds += afterCr ? 0 : 1;
            afterCr = false;
            break;
        case GapKind::Punctuation:
            punctuation = true;
            lineEnds = 0;  // a line of punctuation is no blank line
            afterCr = false;
            break;
        case GapKind::Break:
            broken = true;
            break;
    }
    broken = broken || lineEnds >= 2;
    return static_cast<std::uint8_t>((lineEnds < 2 ? lineEnds : 2) | (afterCr ? kAfterCr : 0) |
                                     (punctuation ? kPunctuation : 0) | (broken ? kBroken : 0));
}

// Every state's next one for every kind: gaps are many characters, and a branch on each
// one's kind was mispredicted often enough to show in words in a row.
struct Steps {
    std::uint8_t next[32][5];
    constexpr Steps() : next() {
        for (unsigned state = 0; state < 32; ++state)
            for (unsigned kind = 0; kind < 5; ++kind)
                next[state][kind] =
                    Step(static_cast<std::uint8_t>(state), static_cast<GapKind>(kind));
    }
};
inline constexpr Steps kSteps{};

}  // namespace gap_state

// Whether the text since the last word still lets the next one follow it in a row,
// fed one gap character at a time: a blank line (two line ends with only white space
// between them) or a Break parts the words, and so does punctuation unless the run
// joins across it. Chunk ends do not matter, as the state is kept between calls.
class RowGap {
  public:
    void Add(GapKind kind) {
        state_ = gap_state::kSteps.next[state_][static_cast<std::size_t>(kind)];
    }
    bool Joins(bool acrossPunctuation) const {
        return (state_ & gap_state::kBroken) == 0 &&
               (acrossPunctuation || (state_ & gap_state::kPunctuation) == 0);
    }
    // A word was taken: the next gap starts.
    void Reset() { state_ = 0; }

  private:
    std::uint8_t state_ = 0;
};

}  // namespace tarvolen
