#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvolen {

// The single-byte code pages that words are stored in: every alphabet's letters are
// bytes of one of them. The store and the tokenizer never look further than the
// bytes; these tables are where a byte meets the character it stands for, on the way
// in (decoding documents) and on the way out (UTF-8 and UTF-16 lists, the screen).
enum class CodePage : std::uint8_t {
    Windows1252,  // the Latin alphabets
    Windows1251,  // Russian
    // Not a code page: words of "Any language (Unicode)" are stored as UTF-8, and a
    // list of them is a UTF-8 list. The byte tables below do not apply to it (they
    // give those of Windows-1252); CodePageToUtf8 passes its text through.
    Utf8,
};

// "Windows-1252", "Windows-1251" or "UTF-8".
const char* CodePageName(CodePage codePage);

// The character a byte stands for; U+FFFD for the few bytes the code page leaves
// undefined.
char32_t CodePageToUnicode(CodePage codePage, unsigned char byte);

// The characters of all 256 bytes, for writers that widen word after word.
using ToUnicodeTable = std::array<char16_t, 256>;
const ToUnicodeTable& ToUnicodeTableOf(CodePage codePage);

// For every character of the Basic Multilingual Plane, its byte in the code page.
// Where the code page has no such character: a space for Unicode's other spaces, and
// kNoByte (SUB) for any other, a letter of another alphabet or a symbol. Both
// separate words; kNoByte also ends words in a row, as such a character does, where
// white space would join them. U+0000 maps to 0.
inline constexpr unsigned char kNoByte = 0x1A;
using FromUnicodeTable = std::array<unsigned char, 0x10000>;
const FromUnicodeTable& FromUnicodeTableOf(CodePage codePage);

// The byte for any code point: kNoByte outside the Basic Multilingual Plane.
inline unsigned char UnicodeToCodePage(const FromUnicodeTable& table, char32_t character) {
    return character < 0x10000 ? table[character] : kNoByte;
}

// Text of the code page as UTF-8, for the screen and for UTF-8 lists: the one way a
// stored word becomes readable text, whatever the list's encoding.
std::string CodePageToUtf8(CodePage codePage, std::string_view bytes);
// Appends the UTF-8 form of one character (at most 3 bytes for the BMP, 4 beyond).
void AppendUtf8(std::string& to, char32_t character);

}  // namespace tarvolen
