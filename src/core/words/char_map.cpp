#include "core/words/char_map.h"

namespace tarvolen {

namespace {

// Single-byte code pages: Windows-1252 for the Latin alphabets, Windows-1251 for
// Russian. Letters and capitals pair up position by position.
constexpr std::string_view kLatinLower = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kLatinCapitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// German sharp s has no capital in its code page, so it stands in both strings.
constexpr std::string_view kGermanLower = "abcdefghijklmnopqrstuvwxyz\xE4\xF6\xFC\xDF";
constexpr std::string_view kGermanCapitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC4\xD6\xDC\xDF";

constexpr std::string_view kItalianLower = "abcdefghilmnopqrstuvz";
constexpr std::string_view kItalianCapitals = "ABCDEFGHILMNOPQRSTUVZ";

// Yo sits outside the contiguous block in its code page, right after ie.
constexpr std::string_view kRussianLower =
    "\xE0\xE1\xE2\xE3\xE4\xE5\xB8\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
    "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF";
constexpr std::string_view kRussianCapitals =
    "\xC0\xC1\xC2\xC3\xC4\xC5\xA8\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
    "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF";

constexpr std::string_view kSpanishLower = "abcdefghijklmnopqrstuvwxyz\xF1";
constexpr std::string_view kSpanishCapitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xD1";

static_assert(kGermanLower.size() == 30 && kGermanCapitals.size() == 30);
static_assert(kItalianLower.size() == 21 && kItalianCapitals.size() == 21);
static_assert(kRussianLower.size() == 33 && kRussianCapitals.size() == 33);
static_assert(kSpanishLower.size() == 27 && kSpanishCapitals.size() == 27);

}  // namespace

Alphabet AlphabetOf(std::int32_t language) {
    switch (language) {
        case kGerman:
            return {kGermanLower, kGermanCapitals};
        case kItalian:
            return {kItalianLower, kItalianCapitals};
        case kRussian:
            return {kRussianLower, kRussianCapitals};
        case kSpanish:
            return {kSpanishLower, kSpanishCapitals};
        default:
            // French has no alphabet of its own; an empty selection lands here too.
            return {kLatinLower, kLatinCapitals};
    }
}

CodePage CodePageOf(std::int32_t language) {
    if (language == kUnicode)
        return CodePage::Utf8;
    return language == kRussian ? CodePage::Windows1251 : CodePage::Windows1252;
}

void BuildCharMap(std::int32_t language, CharMap& charMap) {
    const Alphabet alphabet = AlphabetOf(language);
    charMap.fill(0);
    for (std::size_t i = 0; i < alphabet.lower.size(); ++i) {
        const auto lower = static_cast<unsigned char>(alphabet.lower[i]);
        charMap[lower] = lower;
        charMap[static_cast<unsigned char>(alphabet.capitals[i])] = lower;
    }
}

}  // namespace tarvolen
