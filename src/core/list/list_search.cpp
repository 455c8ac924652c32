#include "core/list/list_search.h"

namespace tarvolen {

WordSearch::WordSearch(CodePage encoding, std::u32string_view typed)
    : fold_(UpperCaseTableOf(encoding)) {
    if (!typed.empty() && typed.front() == U'^') {
        atStart_ = true;
        typed.remove_prefix(1);
    }
    if (!typed.empty() && typed.back() == U'$') {
        atEnd_ = true;
        typed.remove_suffix(1);
    }
    const FromUnicodeTable& bytes = FromUnicodeTableOf(encoding);
    for (const char32_t character : typed)
        pattern_ += static_cast<char>(fold_[UnicodeToCodePage(bytes, character)]);
}

bool WordSearch::SameAt(std::string_view word, std::size_t at) const {
    for (std::size_t i = 0; i < pattern_.size(); ++i) {
        if (fold_[static_cast<unsigned char>(word[at + i])] !=
            static_cast<unsigned char>(pattern_[i]))
            return false;
    }
    return true;
}

bool WordSearch::Matches(std::string_view word) const {
    if (word.size() < pattern_.size())
        return false;
    const std::size_t last = word.size() - pattern_.size();
    if (atStart_ && atEnd_)
        return last == 0 && SameAt(word, 0);
    if (atStart_)
        return SameAt(word, 0);
    if (atEnd_)
        return SameAt(word, last);
    for (std::size_t at = 0; at <= last; ++at) {
        if (SameAt(word, at))
            return true;
    }
    return false;
}

}  // namespace tarvolen
