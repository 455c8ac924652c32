#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/text/code_page.h"

namespace tarvolen {
class FormTally;
}

namespace tarvolen {

// Where the Word List window meets the encoding of the list's bytes: how a word reads
// on screen and in an exported table, how long it is, and in which order its letters
// come read backwards. Keyed on the list's encoding so that a new one is added here
// and nowhere else.

// The word as UTF-8 text.
std::string ListWordUtf8(CodePage encoding, std::string_view word);

// The number of characters of the word (for a single-byte code page, of bytes).
std::size_t ListWordLength(CodePage encoding, std::string_view word);

// True when a comes before b read from their last letters to their first, so that
// words with the same ending stand together; a word that ends another comes first.
bool BackwardsOrder(CodePage encoding, std::string_view a, std::string_view b);

// The forms met under a headword, as UTF-8: "is 50, was 30, be 12", most frequent
// first; empty when none was.
std::string ListFormsUtf8(CodePage encoding, const FormTally& forms, std::string_view head);

}  // namespace tarvolen
