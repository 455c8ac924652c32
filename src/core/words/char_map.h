#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/text/code_page.h"

namespace tarvolen {

// Alphabet indexes, in the order of the Add Options language list.
enum LanguageIndex : std::int32_t {
    kEnglishLatin = 0,
    kFrench = 1,
    kGerman = 2,
    kItalian = 3,
    kRussian = 4,
    kSpanish = 5,
    // "Any language (Unicode)": every script's letters, stored as UTF-8; its words
    // are cut by the Unicode rule (unicode_word_cutter.h), not by a CharMap.
    kUnicode = 6,
};
inline constexpr int kLanguageCount = 7;
// The languages with an alphabet of a single-byte code page: indexes 0..5.
inline constexpr int kAlphabetCount = 6;

// For each byte value: 0 when it is not a letter, else the lower-case letter it stands
// for (a lower-case letter maps to itself). Byte 0 is never a letter.
using CharMap = std::array<unsigned char, 256>;

// The lower-case letters and their capitals, position by position, in the single-byte
// code page of the language (Windows-1252 for the Latin alphabets, Windows-1251 for
// Russian). Any index outside 2..5 gives English/Latin, which is also the ASCII part
// of the Unicode rule.
struct Alphabet {
    std::string_view lower;
    std::string_view capitals;
};
Alphabet AlphabetOf(std::int32_t language);

// The code page the language's alphabet is written in; CodePage::Utf8 for kUnicode.
CodePage CodePageOf(std::int32_t language);

void BuildCharMap(std::int32_t language, CharMap& charMap);

}  // namespace tarvolen
