#pragma once

namespace tarvolen {

// The simple upper-case mapping of a character (ICU's u_toupper): UPPER CASE of a
// UTF-8 list, and the letters of its statistics.
char32_t UpperCaseLetter(char32_t c);

}  // namespace tarvolen
