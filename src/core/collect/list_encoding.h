#pragma once

#include <string_view>

#include "core/collect/text_encoding.h"

namespace tarvolen {

// The encoding to read a word list in, told from its first bytes and its size.
//
// Tarvolen writes UTF-16 lists without a byte order mark, which the Automatic rule for
// documents cannot see. A list in a code page or in UTF-8 has no reason to hold a NUL
// byte, but one NUL (a stray byte, a damaged file) must not turn it into UTF-16: a list
// is UTF-16 by its mark (which Automatic follows), or when its NULs fall where UTF-16
// puts them. That is: an even size; no unit that is all NUL; more units with a NUL high
// byte than with a NUL low byte, which gives the byte order; and the bytes that shape a
// list (space, tab, CR, LF, the comma) standing as units of their own at least half
// the time, as they always do in UTF-16 text and only by chance in 8-bit text.
//
// start: the list's first bytes (a few kilobytes are plenty); size: the whole list's.
// A chosen encoding other than Automatic is kept as it is.
TextEncoding ListEncodingOf(std::string_view start, std::int64_t size, const TextEncoding& chosen);

}  // namespace tarvolen
