#include "core/wordtable/list_text.h"

#include <algorithm>

#include "core/words/lemma_map.h"

namespace tarvolen {

std::string ListWordUtf8(CodePage encoding, std::string_view word) {
    return CodePageToUtf8(encoding, word);
}

namespace {

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The character that ends text before end, whose start end then moves to.
char32_t PreviousCharacter(std::string_view text, std::size_t& end) {
    std::size_t start = end - 1;
    while (start > 0 && IsContinuation(text[start]))
        --start;
    const auto lead = static_cast<unsigned char>(text[start]);
    const std::size_t length = end - start;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = start + 1; i < end; ++i)
        c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    end = start;
    return c;
}

}  // namespace

std::size_t ListWordLength(CodePage encoding, std::string_view word) {
    if (encoding != CodePage::Utf8)
        return word.size();
    return static_cast<std::size_t>(
        std::count_if(word.begin(), word.end(), [](char byte) { return !IsContinuation(byte); }));
}

bool BackwardsOrder(CodePage encoding, std::string_view a, std::string_view b) {
    if (encoding == CodePage::Utf8) {
        // Character by character from the ends: the bytes of one character read
        // backwards would put its lead byte last.
        std::size_t x = a.size();
        std::size_t y = b.size();
        while (x > 0 && y > 0) {
            const char32_t ca = PreviousCharacter(a, x);
            const char32_t cb = PreviousCharacter(b, y);
            if (ca != cb)
                return ca < cb;
        }
        return x == 0 && y > 0;
    }
    // A single byte is a whole letter, so the bytes read backwards are the letters
    // read backwards.
    return std::lexicographical_compare(
        a.rbegin(), a.rend(), b.rbegin(), b.rend(), [](char x, char y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
}

std::string ListFormsUtf8(CodePage encoding, const FormTally& forms, std::string_view head) {
    std::string text;
    // Plain digits: grouped ones would read as more forms between the commas.
    for (const auto& [form, count] : forms.FormsOf(std::string(head)))
        text +=
            (text.empty() ? "" : ", ") + ListWordUtf8(encoding, form) + ' ' + std::to_string(count);
    return text;
}

}  // namespace tarvolen
