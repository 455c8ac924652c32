#include "core/list/list_text.h"

#include <algorithm>

namespace tarvolen {

std::string ListWordUtf8(CodePage encoding, std::string_view word) {
    return CodePageToUtf8(encoding, word);
}

std::size_t ListWordLength(CodePage, std::string_view word) {
    return word.size();
}

bool BackwardsOrder(CodePage, std::string_view a, std::string_view b) {
    // A single byte is a whole letter, so the bytes read backwards are the letters
    // read backwards.
    return std::lexicographical_compare(
        a.rbegin(), a.rend(), b.rbegin(), b.rend(), [](char x, char y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
}

}  // namespace tarvolen
