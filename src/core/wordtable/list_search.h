#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/upper_case.h"
#include "core/text/code_page.h"
#include "core/wordtable/list_order.h"
#include "core/wordtable/list_snapshot.h"

namespace tarvolen {

// The Word List window's search without a regular expression: the words that contain
// the typed text, or with "^" before it begin with it, or with "$" after it end with
// it. Letters match whatever their case, by the same case table the list is written
// in upper case with, so the search agrees with the list's own idea of a capital. A
// UTF-8 list holds its words in lower case already: the typed text is brought to
// lower case as they were, and the bytes compared as they stand.
class WordSearch {
  public:
    // typed: the text as characters; a character the list's encoding has no byte
    // for matches no word.
    WordSearch(CodePage encoding, std::u32string_view typed);

    // True when every word matches: nothing typed, or one anchor alone ("^$" would
    // ask for the empty word, which no list holds).
    bool MatchesEverything() const { return pattern_.empty() && !(atStart_ && atEnd_); }
    bool Matches(std::string_view word) const;

  private:
    bool SameAt(std::string_view word, std::size_t at) const;

    const UpperCaseTable& fold_;
    const bool utf8_;
    std::string pattern_;  // folded through fold_
    bool atStart_ = false;
    bool atEnd_ = false;
};

// The rows of order, in that order, whose words match.
template <typename Match>
std::vector<std::uint32_t> MatchingRows(const ListSnapshot& snapshot, const RowOrder& order,
                                        Match match) {
    std::vector<std::uint32_t> shown;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (match(snapshot.Word(order[i])))
            shown.push_back(order[i]);
    }
    shown.shrink_to_fit();
    return shown;
}

}  // namespace tarvolen
