#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/input/input_file.h"
#include "core/input/read_buffer.h"

namespace tarvolen {

class ListTextReader;
class MessagePort;
struct IngestHooks;
struct RunState;

inline constexpr const char* kListRefusedFormat =
    "The word list %s was not merged: %s.\r\n\r\nNothing of it was added.";

// Merges word lists (every format the writers write) into the store, in the order
// given, as an Add run does with documents: the run's alphabet, short-word option and
// decoding, the progress window, the summary (total qualified words counts the
// occurrences the records carry). Each file is read twice: first every record is
// checked, and a file with a refused record adds nothing and says why; only then are
// its words counted, so no file is ever merged in part. Where hooks.streams reads
// them, a list may be a stream ("-", a pipe or FIFO by its path), read once to its end
// and kept for the second reading. A Cancel is honoured between
// files and while a file is checked. Returns false when a list was refused or could
// not be read.
bool MergeLists(RunState& run, const std::vector<std::string>& paths, const IngestHooks& hooks);

// Hands visit every word that the records of the list yield, as RemoveListedWords
// removes them: the text ends in a NUL. Returns false when the list was refused or
// could not be read (the reason was shown); words may have been visited by then.
bool ForEachListedWord(RunState& run, const std::string& path, MessagePort& messages,
                       const std::function<void(const char*, std::size_t)>& visit,
                       ReadBufferMemory& bufferMemory = SystemReadBufferMemory(),
                       Streams streams = Streams::Ignored);

// Reads a list file once through reader, decoded as saved lists are (UTF-8 with or
// without its mark, UTF-16 with its mark, else the code page) into the run's code page.
// Returns false when reader refused it or it could not be read; the reason was then
// shown in refusedFormat (the path, then why).
bool ReadListText(RunState& run, const std::string& path, MessagePort& messages,
                  ListTextReader& reader, const char* refusedFormat,
                  ReadBufferMemory& bufferMemory = SystemReadBufferMemory());

// Removes from the store every word that the records of the list yield (their counts
// play no part), and every entry of words in a row that holds a word the list names
// alone: a stop word takes its n-grams with it. Returns the number of words removed, or -1 when the
// list was refused or could not be read (then nothing was removed, and the reason was shown). Where
// streams are read, a list may be one, as with MergeLists and hooks.streams.
std::int32_t RemoveListedWords(RunState& run, const std::string& path, MessagePort& messages,
                               ReadBufferMemory& bufferMemory = SystemReadBufferMemory(),
                               Streams streams = Streams::Ignored);

}  // namespace tarvolen
