#pragma once

#include <cstddef>

#include "core/text/code_page.h"

namespace tarvolen {

// The stretch of the Basic Multilingual Plane that a code page holds in one piece,
// byte for character: U+00A0..U+00FF at 0xA0.. in Windows-1252, U+0410..U+044F (А..я)
// at 0xC0.. in Windows-1251. Nearly every letter of the text in that code page that
// UTF-8 writes in two bytes lies in it.
struct LinearRange {
    char16_t first;
    char16_t last;
    unsigned char firstByte;
};
LinearRange LinearRangeOf(CodePage codePage);

// Decodes UTF-8 from at in 16-byte blocks for as long as a block holds only ASCII and
// well-formed two-byte sequences of characters in range, writing one byte a character
// at out (which must not be ahead of at) and moving both on. Stops before the first
// block that holds anything else, or when fewer than 16 bytes are left; the caller
// decodes from there one sequence at a time and may try again after it.
//
// Hand-written with SSSE3 because Cyrillic text is two bytes a letter in UTF-8, and a
// loop that decides per byte costs more than reading and counting the words together.
// Without SSSE3 it decodes nothing and the caller does all the work.
void DecodeUtf8Blocks(const unsigned char*& at, const unsigned char* end, unsigned char*& out,
                      const LinearRange& range);

// How far from at the text holds only ASCII and well-formed two-byte sequences, in
// whole 16-byte blocks (a sequence may end one byte past a block). Checks what
// UTF-8 that stays as it is needs checked, without a decision per byte.
const unsigned char* SkipTwoByteUtf8Blocks(const unsigned char* at, const unsigned char* end);

}  // namespace tarvolen
