#pragma once

#include <cstdint>

namespace tarvolen {

// The entries an Add run counts: runs of From to To consecutive counted words (an
// n-gram of N words for each N in the range). From = To = 1 is the list of single
// words, counted as it always was.
struct WordsInARow {
    static constexpr std::int32_t kMost = 8;

    std::int32_t From = 1;
    std::int32_t To = 1;
    // Words in a row may also have punctuation, symbols and digits between them; a
    // blank line, a word that is not counted and a document's end still part them.
    bool AcrossPunctuation = false;

    bool Single() const { return From == 1 && To == 1; }
    bool operator==(const WordsInARow&) const = default;
};

}  // namespace tarvolen
