#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/output/word_list_writer.h"

namespace tarvolen {

// UPPER CASE can make two words of a list one: "ısık" and "isik" are both ISIK, "οδος"
// and "οδοσ" both ΟΔΟΣ. A list never holds two equal records.

// The word as UPPER CASE writes it, in the list's own encoding.
std::string UpperForm(std::string_view word, const RecordFormat& format);

// Whether the format's case can make two of the list's words one: UPPER CASE of a
// UTF-8 list, or of a code page where two small letters share a capital.
bool UpperCaseMayJoin(const RecordFormat& format);

// For each word, the index of the first word (itself when none) with the same
// UPPER CASE form.
std::vector<std::size_t> FirstOfSameUpper(const std::vector<std::string_view>& words,
                                          const RecordFormat& format);

// The entries of a list of that kind in its order, as they are written under the
// format's case: words that UPPER CASE makes one are written once, at the place of the
// first, with their counts added. The range of two words made one cannot be known
// from theirs: for a list of ranges that would join two words this throws
// CMyException with UpperCaseClashText, before anything is written.
std::vector<ListEntry> EntriesInCase(std::vector<ListEntry> entries, ListKind kind,
                                     const RecordFormat& format);

// 'UPPER CASE would write "isik" and "ısık" both as "ISIK", and what their record
// gives of the two together (what) cannot be known: the list was not written'.
std::string UpperCaseClashText(std::string_view first, std::string_view second,
                               const RecordFormat& format, const char* what);

// Throws CMyException(UpperCaseClashText) when UPPER CASE would make two of the words
// one, in a list whose records cannot be joined (keyword rows: "their keyness").
void RefuseUpperCaseJoin(const std::vector<std::string_view>& words, const RecordFormat& format,
                         const char* what);

}  // namespace tarvolen
