#include "core/ingest/file_parts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "core/decode/binary_sniff.h"
#include "core/ingest/run_state.h"
#include "core/input/input_file.h"
#include "core/input/read_buffer.h"
#include "core/markup/markup_reader.h"
#include "core/words/word_gaps.h"

namespace tarvolen {

PartStart StartOfParts(const RunState& run, const std::string& path, std::int64_t size) {
    if (ReadsAsMarkup(run.Add.Documents.markup, path))
        return PartStart::None;
    std::vector<unsigned char> head(
        kDecodeFrontRoom + static_cast<std::size_t>(std::min<std::int64_t>(size, kChunkSize)) + 1);
    unsigned char* bytes = head.data() + kDecodeFrontRoom;
    const std::size_t wanted = head.size() - kDecodeFrontRoom - 1;
    const FileHandle file(path);
    if (!file.IsOpen() ||
        ::pread(file.Descriptor(), bytes, wanted, 0) != static_cast<ssize_t>(wanted))
        return PartStart::None;
    if (!run.Add.Documents.everyFileAsText && LooksBinary(bytes, wanted, run.RunEncoding))
        return PartStart::None;
    TextDecoder decoder(run.RunEncoding, run.RunCodePage);
    decoder.StartFile();
    decoder.Decode(bytes, wanted, static_cast<std::int64_t>(wanted) >= size);
    return decoder.Continuation();
}

namespace {

// A byte of a file as what it is between two words when a blank line is looked for:
// anything but a blank or a line end stops a blank line, as a word would.
GapKind BlankLineKindOf(unsigned char byte) {
    switch (byte) {
        case ' ':
        case '\t':
            return GapKind::Space;
        case '\r':
            return GapKind::CarriageReturn;
        case '\n':
            return GapKind::LineFeed;
        default:
            return GapKind::Punctuation;
    }
}

}  // namespace

std::int64_t FindSeparator(const std::string& path, std::int64_t from, std::int64_t limit,
                           bool rows) {
    const FileHandle file(path);
    if (!file.IsOpen())
        return -1;
    std::array<unsigned char, 64 << 10> window;
    std::int64_t found = -1;
    // The blank line may begin before from: only a cut is lost by that, never made.
    RowGap blankLine;
    const auto separates = [&blankLine, rows](unsigned char byte) {
        if (!rows)
            return std::ranges::find(kPartSeparators, byte) != kPartSeparators.end();
        blankLine.Add(BlankLineKindOf(byte));
        return !blankLine.Joins(true);
    };
    limit = std::min(limit, from + kSeparatorReach);
    for (std::int64_t at = from; found < 0 && at < limit;) {
        const auto wanted = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(window.size()), limit - at));
        const ssize_t n = ::pread(file.Descriptor(), window.data(), wanted, at);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n && found < 0; ++i)
            if (separates(window[static_cast<std::size_t>(i)]))
                found = at + i;
        at += n;
    }
    return found;
}

bool CountCutsAtBlankLines(const RunState& run) {
    return !run.Add.InARow.Single() && run.MeasureSegments;
}

bool FirstHighChunkIsUtf8(const std::string& path) {
    const FileHandle file(path);
    struct stat facts {};
    if (!file.IsOpen() || ::fstat(file.Descriptor(), &facts) != 0)
        return false;
    std::vector<unsigned char> chunk(kChunkSize);
    std::optional<bool> utf8;
    for (std::int64_t at = 0; !utf8 && at < facts.st_size; at += kChunkSize) {
        const ssize_t n = ::pread(file.Descriptor(), chunk.data(), chunk.size(), at);
        if (n <= 0)
            break;
        utf8 = DecidesUtf8(chunk.data(), static_cast<std::size_t>(n), at + n >= facts.st_size);
    }
    return utf8.value_or(false);
}

}  // namespace tarvolen
