#pragma once

#include <cstdint>
#include <string>

namespace tarvolen {

// What a character is to the Unicode rule.
enum class CharClass : std::uint8_t {
    Other = 0,   // a separator
    Letter,      // General Category L
    Mark,        // Mn, Mc, Me: continues a word, separates elsewhere
    Digit,       // Nd: a letter under "Digits as letters"
    Apostrophe,  // U+0027, U+2019
    Hyphen,      // U+002D, U+2010, U+2011
    Joiner,      // U+00AD, U+200C, U+200D: inside a word only
};

// Per character, for the Basic Multilingual Plane from tables built once with ICU,
// beyond it by asking ICU.
struct CharFacts {
    CharClass charClass;
    bool segmented;  // Han, Hiragana, Katakana, Thai, Lao, Khmer, Myanmar
    // The character may change under NFKC or reorder with its neighbours (its quick
    // check is not "yes", or its combining class is not 0); a word without one is
    // already in NFKC.
    bool unstable;
    // A letter or mark whose NFKC holds a character that is neither (U+FDFA's holds
    // spaces): it is read as that form, so that a word is cut there. None lies beyond
    // the Basic Multilingual Plane in today's data.
    bool spaced;
};

CharFacts FactsOf(char32_t c);

// NFKC by ICU, into out, sized by ICU's own answer; false when ICU fails.
bool NormalizeNfkc(const std::u16string& in, std::u16string& out);

// The simple lower-case mapping (u_tolower).
char32_t LowerOf(char32_t c);

namespace detail {
struct UnicodeTables {
    std::uint8_t facts[0x10000];
    char16_t lower[0x10000];
    // For U+0080..U+07FF, the characters written in two bytes of UTF-8: the simple
    // lower case of a letter that is already in NFKC and needs no word breaking, else
    // 0. The scripts written with spaces there (Latin with accents, Greek, Cyrillic,
    // Armenian, Hebrew, Arabic) are most of what is not ASCII.
    char16_t twoByteLower[0x800];
};
const UnicodeTables& Tables();
inline constexpr std::uint8_t kClassBits = 0x07;
inline constexpr std::uint8_t kSegmentedBit = 0x08;
inline constexpr std::uint8_t kUnstableBit = 0x10;
inline constexpr std::uint8_t kSpacedBit = 0x20;
CharFacts FactsBeyondBmp(char32_t c);
char32_t LowerBeyondBmp(char32_t c);
}  // namespace detail

inline CharFacts FactsOf(char32_t c) {
    if (c >= 0x10000)
        return detail::FactsBeyondBmp(c);
    const std::uint8_t f = detail::Tables().facts[c];
    return {static_cast<CharClass>(f & detail::kClassBits), (f & detail::kSegmentedBit) != 0,
            (f & detail::kUnstableBit) != 0, (f & detail::kSpacedBit) != 0};
}

inline char32_t LowerOf(char32_t c) {
    return c < 0x10000 ? detail::Tables().lower[c] : detail::LowerBeyondBmp(c);
}

}  // namespace tarvolen
