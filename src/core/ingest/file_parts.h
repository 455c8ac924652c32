#pragma once

#include <cstdint>
#include <string>

#include "core/decode/text_decoder.h"

namespace tarvolen {

struct RunState;

// How the parts after the first of a large file decode, by its start and the run's
// reading: PartStart::None keeps the file whole, because a part read on its own could
// give other words than the whole file read at once (a web page's markup, an encoding
// whose bytes decode by those before them) or the file is no text.
PartStart StartOfParts(const RunState& run, const std::string& path, std::int64_t size);

// How far after a cut a separator is looked for: text without one for a megabyte is
// rare, and the search stays short whatever the file holds (a sparse file, a file of
// one long line).
inline constexpr std::int64_t kSeparatorReach = 1 << 20;

// Where a file may be cut between two parts read on their own: what ends a word, or
// under words in a row (rows) what also ends every run of words, a blank line.
// The first byte of the file at or after from and before limit that ends a word under
// every rule and encoding a file is divided under (an ASCII space, tab or line end);
// under rows the first byte of the second line end of a blank line of ASCII spaces,
// tabs and line ends there, which no run of words crosses. -1 when there is none
// within kSeparatorReach of from (the cut is dropped).
std::int64_t FindSeparator(const std::string& path, std::int64_t from, std::int64_t limit,
                           bool rows);

// Whether a count's parts are cut only at blank lines (FindSeparator's rows): under
// words in a row when the measures go by the order of the entries, which the rows a
// part's reader carries on past its cut (IngestFile) would change. Otherwise a
// count's file may be cut wherever a word ends.
bool CountCutsAtBlankLines(const RunState& run);

// What Automatic decided for a file whose start held no byte >= 0x80, once a part of
// it meets one: the decision of the first chunk of the whole file that holds one.
bool FirstHighChunkIsUtf8(const std::string& path);

}  // namespace tarvolen
