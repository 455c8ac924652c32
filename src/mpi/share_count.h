#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/ingest/file_parts.h"
#include "core/ingest/ingest.h"
#include "core/ports/messages.h"
#include "core/store/part_segments.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "run/cli_options.h"
#include "run/file_reports.h"
#include "run/file_shares.h"

namespace tarvolen {

class ProgressPort;
struct Workspace;

// One run's files as the first process shares them out, in the order they are read.
struct CountJob {
    std::vector<std::string> files;
    std::vector<FileShare> shares;  // in the order of the files and of their bytes
    // The files dealt as processes come free (see DealtFiles): their shares' process
    // is only the plan's.
    std::vector<std::size_t> dealt;
    // The one of them dealt last and in parts (see FileDealer::DealInParts), or kNoFile.
    static constexpr std::size_t kNoFile = static_cast<std::size_t>(-1);
    std::size_t dealtInParts = kNoFile;
    // How the parts after the first of each file divided among processes decode.
    std::vector<PartStart> starts;
    bool scanned = false;
    std::vector<std::string> named;  // IngestState::named
    // The list the first process's run adds to (merged lists): the others count as
    // if their stores held it, so that their words take the same form.
    bool listHeld = false;
    CodePage listCodePage = CodePage::Windows1252;
    // The first process shows the job's progress line: the others tell it their bytes.
    bool watched = false;

    std::string Pack() const;
    static CountJob Unpack(std::string_view bytes);
    // Per file, whether it is one of the dealt.
    std::vector<bool> DealtMask() const;
};

// What a process counted of each file divided among processes (in the order of
// CountJob::DividedFiles): the words of its parts of the file, each with a range of 1,
// for the owner of each word to count the file once in its range; null where it read
// no part of the file.
using DividedCounts = std::vector<std::unique_ptr<WordStore>>;

// What one process's share of the reading gave besides its words.
struct ShareReport {
    IngestOutcome outcome = IngestOutcome::Completed;
    std::int64_t bytesRead = 0;
    std::int64_t qualifiedWords = 0;
    SegmentFigures segments;  // of the documents this share read
    // Under the measures, the segments of each part of a file read in parts, which the
    // first process joins in the order of the file.
    struct Part {
        std::uint64_t file = 0;
        std::int64_t begin = 0;
        PartSegments segments;
    };
    std::vector<Part> parts;
    std::vector<FileMessage> messages;  // warnings and errors, the summary left out
    std::vector<FileNote> notText;
    std::vector<FileNote> unreadable;
    // How the share ended: nothing amiss, interrupted, out of memory.
    enum class Ending : std::int32_t { Normal, Cancelled, OutOfMemory } ending = Ending::Normal;

    std::string Pack() const;
    static ShareReport Unpack(std::string_view bytes);
    // The reports of all processes as one, each list in the order of the files.
    static ShareReport Combine(const std::vector<ShareReport>& reports);
};

// The next batch of the job's dealt files (or parts of the one dealt in parts) for this
// process; empty once none is left.
using NextDealt = std::function<std::vector<FileShare>()>;

// Reads this process's files of the job into the workspace (its Add options applied)
// with the same ingestion run as the command line, through progress, its parts of
// divided files into divided, then the dealt files that nextDealt gives it until none
// is left. The parts of the file dealt in parts are read as one document, begun
// before the first; the store ends in that document, begun afterwards by a process
// that read none of it. Messages are kept in the report rather than shown.
ShareReport CountShare(Workspace& workspace, const CountJob& job, int rank, ProgressPort& progress,
                       const IngestHooks& model, DividedCounts& divided,
                       const NextDealt& nextDealt);

}  // namespace tarvolen
