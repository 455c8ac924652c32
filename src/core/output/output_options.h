#pragma once

#include <cstdint>
#include <string>

#include "core/words/char_map.h"

namespace tarvolen {

class Collation;

// What follows each word in a written list, in the order of the Save dialog's buttons.
enum class Delimiter : std::int32_t {
    LF = 0,
    CRLF = 1,
    Space = 2,
};

// Options of the Save command; all 0 at start, kept for the process.
struct OutputOptions {
    tarvolen::Delimiter Delimiter = tarvolen::Delimiter::LF;
    std::int32_t CaseMode = 0;          // 0 lower case, 1 UPPER CASE
    std::int32_t UnicodeOutput = 0;     // UTF-16 little-endian without BOM
    std::int32_t IncludeFrequency = 0;  // "word,count" records, most frequent first
    std::int32_t AppendOutput = 0;
    std::int32_t Utf8Output = 0;    // UTF-8 without BOM; never with UnicodeOutput
    std::int32_t IncludeRange = 0;  // "word,count,range"; only with IncludeFrequency
    // The language whose alphabetical order the list is sorted in (a locale ICU has a
    // collation for); empty: byte order.
    std::string Collate{};
};

// The output options as a writer sees them: those that the save flow copies, plus
// the code page the list's words are in, which UPPER CASE and the conversion to
// UTF-16 or UTF-8 follow.
struct WriterOptions {
    tarvolen::Delimiter Delimiter = tarvolen::Delimiter::LF;  // a value out of range: LF
    std::int32_t CaseMode = 0;       // 1 UPPER CASE, anything else as stored
    std::int32_t UnicodeOutput = 0;  // non-zero: UTF-16LE without byte order mark
    std::int32_t AppendOutput = 0;   // non-zero: "ab", else "wb"
    CodePage ListCodePage = CodePage::Windows1252;
    std::int32_t Utf8Output = 0;  // non-zero (and UnicodeOutput 0): UTF-8 without mark
    // The language's alphabetical order the list is sorted in; null: byte order.
    const Collation* Collate = nullptr;
};

// The writer's options for a save with these output options of a list of words in
// this code page; whether counts are written decides the writer, not its options.
inline WriterOptions WriterOptionsFor(const OutputOptions& output, CodePage listCodePage) {
    WriterOptions writer;
    writer.Delimiter = output.Delimiter;
    writer.CaseMode = output.CaseMode;
    writer.UnicodeOutput = output.UnicodeOutput;
    writer.AppendOutput = output.AppendOutput;
    writer.ListCodePage = listCodePage;
    writer.Utf8Output = output.UnicodeOutput == 0 ? output.Utf8Output : 0;
    return writer;
}

}  // namespace tarvolen
