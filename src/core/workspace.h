#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/collect/char_map.h"
#include "core/collect/word_store.h"

namespace tarvolen {

class MessagePort;

// Options of the Add command; they live as long as the process and start so.
struct AddOptions {
    std::int32_t Language = kEnglishLatin;
    std::int32_t SkipShortWords = 0;
    std::int32_t OpenFilterIndex = 2;  // 1-based; 2 is "All Files (*.*)"
};

// Options of the Save command; all 0 at start, kept for the process.
struct OutputOptions {
    std::int32_t Delimiter = 0;         // 0 LF, 1 CRLF, 2 Space
    std::int32_t CaseMode = 0;          // 0 lower case, 1 UPPER CASE
    std::int32_t UnicodeOutput = 0;     // UTF-16 little-endian without BOM
    std::int32_t IncludeFrequency = 0;  // "word,count" records, most frequent first
    std::int32_t AppendOutput = 0;
};

// Everything that lives as long as the process: the word list and the settings and
// counters that several commands share. Exactly one exists, created by main() before
// any window and handed to whoever needs it; nothing else in the program is global.
struct Workspace {
    explicit Workspace(MessagePort& messages);
    Workspace(MessagePort& messages, const WordStore::Options& storeOptions);

    WordStore Store;

    // Tokenizer settings of the current Add run.
    CharMap Map{};
    std::int32_t MinWordLength = 4;
    std::int64_t QualifiedWords = 0;

    // True when the list holds words added and not saved since.
    bool ListUnsaved = false;

    AddOptions Add;
    OutputOptions Output;

    // Per-run figures of the last ingestion run.
    std::int64_t TotalBytes = 0;
    std::int64_t BytesRead = 0;
    // Tick of the last refresh of the running word count; never reset between runs.
    std::uint32_t LastWorkingTick = 0;
};

}  // namespace tarvolen
