#pragma once

#include "core/output/output_options.h"

namespace tarvolen {

class WordStore;

// A list of words in a row saved with spaces between its entries could not be read
// back: each entry would fall apart into its words.
inline constexpr const char* kRowsNeedLineEndsText =
    "This list holds words in a row, which a Space delimiter would run together: the "
    "saved list could not be read back. Choose LF or CRLF.";

// Whether the delimiter cannot part the store's entries: Space, and an entry of words
// in a row (words joined by a space) among them.
bool DelimiterRunsRowsTogether(Delimiter delimiter, const WordStore& store);

}  // namespace tarvolen
