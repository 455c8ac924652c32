#include "core/wordtable/list_search.h"

#include <unicode/uchar.h>

namespace tarvolen {

WordSearch::WordSearch(CodePage encoding, std::u32string_view typed)
    : fold_(UpperCaseTableOf(encoding)), utf8_(encoding == CodePage::Utf8) {
    if (!typed.empty() && typed.front() == U'^') {
        atStart_ = true;
        typed.remove_prefix(1);
    }
    if (!typed.empty() && typed.back() == U'$') {
        atEnd_ = true;
        typed.remove_suffix(1);
    }
    if (utf8_) {
        for (const char32_t character : typed)
            AppendUtf8(pattern_, static_cast<char32_t>(u_tolower(static_cast<UChar32>(character))));
        return;
    }
    const FromUnicodeTable& bytes = FromUnicodeTableOf(encoding);
    for (const char32_t character : typed)
        pattern_ += static_cast<char>(fold_[UnicodeToCodePage(bytes, character)]);
}

bool WordSearch::SameAt(std::string_view word, std::size_t at) const {
    if (utf8_)
        return word.compare(at, pattern_.size(), pattern_) == 0;
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
