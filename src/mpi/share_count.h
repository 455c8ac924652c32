#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/collect/ingest.h"
#include "core/util/code_page.h"
#include "core/util/messages.h"

namespace tarvolen {

class ProgressPort;
struct Workspace;

// One run's files as the first process shares them out, in the order they are read.
struct CountJob {
    std::vector<std::string> files;
    std::vector<int> reader;  // the process that reads each file
    bool scanned = false;
    // The list the first process's run adds to (merged lists): the others count as
    // if their stores held it, so that their words take the same form.
    bool listHeld = false;
    CodePage listCodePage = CodePage::Windows1252;
    // The first process shows the job's progress line: the others tell it their bytes.
    bool watched = false;

    std::string Pack() const;
    static CountJob Unpack(std::string_view bytes);
};

// A message the reading gave, tied to the file it was reading.
struct FileMessage {
    std::uint64_t file = 0;  // index in CountJob::files
    std::string text;
    MessageIcon icon = MessageIcon::Warning;
};

// A path of the summary's skipped lines, tied to its file.
struct FileNote {
    std::uint64_t file = 0;
    std::string text;
};

// What one process's share of the reading gave besides its words.
struct ShareReport {
    IngestOutcome outcome = IngestOutcome::Completed;
    std::int64_t bytesRead = 0;
    std::int64_t qualifiedWords = 0;
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

// The word a process that holds no list seeds its store with while it counts, so
// that the store is not empty when the list the job names is not (see CountJob): a
// control character, which no word holds.
inline constexpr const char* kSeedWord = "\x01";

// Reads this process's files of the job into the workspace (its Add options applied)
// with the same ingestion run as the command line, through progress. Messages are
// kept in the report rather than shown.
ShareReport CountShare(Workspace& workspace, const CountJob& job, int rank, ProgressPort& progress,
                       const IngestHooks& model);

}  // namespace tarvolen
