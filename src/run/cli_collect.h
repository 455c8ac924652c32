#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "core/ingest/ingest.h"
#include "core/listfile/reference_list.h"
#include "run/cli_messages.h"
#include "run/cli_options.h"
#include "run/cli_run.h"

namespace tarvolen {

class ProgressPort;
struct RunState;
struct SkippedFiles;
struct Workspace;

// The size at or below which a file is read whole by one thread: kLeastThreadPart
// unless the environment says otherwise (tests cut small files).
std::int64_t LeastThreadPart();

// The Add command's run on the command line: the reference of --keywords, the lists
// of -m, then the files named and those of each scan, read by one ingestion run into
// the workspace. While it reads, the ending signals ask the reading to stop
// (CatchInterrupts); once the list is complete, the caller restores their default.
class CliCollect {
  public:
    CliCollect(const CliOptions& options, const CliProgram& program, CliMessages& messages,
               Workspace& workspace)
        : options_(options), program_(program), messages_(messages), workspace_(workspace) {}

    // Nothing when the list is read, else the exit status the run ends with here.
    std::optional<int> Run();

    // The reference list of --keywords, once read; null without one.
    const RunState* reference() const { return reference_.get(); }
    // Whether a scan left files or folders unread, which fails the run once the list of
    // everything else is written.
    bool skippedUnreadable() const { return skippedUnreadable_; }

  private:
    bool ScanDirectoriesValid();
    std::unique_ptr<ProgressPort> ProgressLine();
    bool NamedFilesOpen(ProgressPort& progress);
    void ListScannedFiles(IngestState& state, ProgressPort& progress);
    std::optional<int> ReadListsFirst(const IngestHooks& hooks);
    bool LoadReference(ProgressPort& progress);
    IngestStep IngestStepOf() const;
    void ReportUnreadable(const SkippedFiles& skipped);
    std::optional<int> EndOfReading(IngestOutcome outcome);

    const CliOptions& options_;
    const CliProgram& program_;
    CliMessages& messages_;
    Workspace& workspace_;
    bool skippedUnreadable_ = false;
    // The reference's own messages, which its store tells as long as it lives.
    ErrorsOnlyMessages referenceMessages_{messages_};
    std::unique_ptr<RunState> reference_;
};

}  // namespace tarvolen
