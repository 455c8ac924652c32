#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/text/code_page.h"

namespace tarvolen {

// For each byte value, its upper-case partner in the single-byte code page of an
// alphabet (Windows-1251 for Russian, Windows-1252 for the Latin alphabets); a byte
// without a partner maps to itself. Words are never decoded, so this table is the
// whole of our case conversion: no locale of the system is consulted.
using UpperCaseTable = std::array<unsigned char, 256>;

// The table of the code page that the language's alphabet is written in; any index
// that is not Russian gives Windows-1252.
const UpperCaseTable& UpperCaseTableOf(std::int32_t language);
const UpperCaseTable& UpperCaseTableOf(CodePage codePage);

// Upper-cases bytes in place through the table.
void UpperCaseBytes(char* bytes, std::size_t length, const UpperCaseTable& table);

}  // namespace tarvolen
