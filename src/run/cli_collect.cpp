#include "run/cli_collect.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/input/dir_scan.h"
#include "core/input/input_file.h"
#include "core/input/skipped_files.h"
#include "core/listfile/lemma_list.h"
#include "core/listfile/list_merge.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/store/word_store.h"
#include "core/text/format_count.h"
#include "core/workspace.h"
#include "run/interrupts.h"
#include "run/thread_count.h"

namespace tarvolen {

std::int64_t LeastThreadPart() {
    const char* bytes = std::getenv("TARVOLEN_LEAST_THREAD_PART");
    return bytes != nullptr && *bytes != '\0' ? std::strtoll(bytes, nullptr, 10) : kLeastThreadPart;
}

// The files of the command line, then those of each scan, read by one ingestion run.
std::optional<int> CliCollect::Run() {
    if (!ScanDirectoriesValid())
        return kExitFailure;
    ApplyCliAddOptions(workspace_, options_);
    const std::unique_ptr<ProgressPort> line = ProgressLine();
    ProgressPort& progress = *line;

    IngestState state;
    state.InputFiles = options_.files;
    // A scan goes past what it cannot read; a file named here still stops the run.
    state.scanned = !options_.scanDirs.empty();
    state.named.insert(options_.files.begin(), options_.files.end());
    IngestOutcome outcome = IngestOutcome::Abandoned;
    CatchInterrupts();
    messages_.HoldNotices();
    try {
        if (state.scanned && !NamedFilesOpen(progress))
            return kExitFailure;
        ListScannedFiles(state, progress);
        IngestHooks hooks{progress, messages_, {}};
        hooks.streams = Streams::ReadToEnd;
        if (!LoadLemmas(workspace_, messages_)) {
            progress.Close();
            messages_.ReleaseNotices(false);
            return kExitFailure;
        }
        if (std::optional<int> refused = ReadListsFirst(hooks))
            return refused;
        if (!options_.lists.empty() && state.InputFiles.empty()) {
            messages_.ReleaseNotices(true);
            return std::nullopt;
        }
        messages_.SetSubject(&state.LastInputPath);
        outcome = IngestStepOf()(workspace_, state, hooks).Outcome;
        messages_.SetSubject(nullptr);
        ReportUnreadable(state.skipped);
    } catch (const UserCancel&) {
        messages_.ReleaseNotices(false);
        return InterruptedStatus();
    } catch (const std::bad_alloc&) {
        messages_.SetSubject(nullptr);
        messages_.ReleaseNotices(false);
        progress.Close();
        messages_.Error(kGrowthFailedText);
        return kExitFailure;
    }
    return EndOfReading(outcome);
}

// The scan dialog checks its directory before anything is read; so does this.
bool CliCollect::ScanDirectoriesValid() {
    for (const std::string& directory : options_.scanDirs) {
        messages_.SetSubject(&directory);
        const bool valid = ValidateDirScan(directory, options_.types, messages_);
        messages_.SetSubject(nullptr);
        if (!valid)
            return false;
    }
    return true;
}

std::unique_ptr<ProgressPort> CliCollect::ProgressLine() {
    Workspace& ws = workspace_;
    ProgressLineSetup setup;
    setup.visible =
        !options_.quiet && (program_.watched ? program_.watched() : ::isatty(STDERR_FILENO) == 1);
    setup.interrupted = InterruptFlag();
    setup.wordCount = [&ws] { return std::max(ws.Store.Count(), ws.ThreadWords); };
    setup.bytesRead = [&ws] { return ws.BytesRead; };
    return program_.progress(std::move(setup));
}

// The files named beside a scan are measured first, as a run without one would:
// one that cannot be opened ends the run before anything is read.
bool CliCollect::NamedFilesOpen(ProgressPort& progress) {
    std::int64_t total = 0;
    std::string failure;
    if (MeasureFiles(options_.files, total, failure, Streams::ReadToEnd))
        return true;
    progress.Close();
    messages_.ReleaseNotices(false);
    messages_.ShowMessage(failure, MessageIcon::Stop);
    return false;
}

void CliCollect::ListScannedFiles(IngestState& state, ProgressPort& progress) {
    const std::vector<std::string> types = ParseScanTypes(options_.types);
    for (const std::string& directory : options_.scanDirs)
        ScanDirectory(directory, types, state.InputFiles, progress, SystemDirectoryLister(),
                      &state.skipped.unreadable);
    progress.Close();
    // A run reads its list from the back; a command line is read as it is written, so
    // that "-" among the files is read where it stands and messages come in the order
    // of the arguments.
    std::reverse(state.InputFiles.begin(), state.InputFiles.end());
}

// The reference of --keywords before anything else, then the lists in the order given:
// a refused one ends the run unwritten. Nothing when the reading goes on.
std::optional<int> CliCollect::ReadListsFirst(const IngestHooks& hooks) {
    if (options_.keywords && !LoadReference(hooks.progress)) {
        messages_.ReleaseNotices(false);
        return Interrupted() ? InterruptedStatus() : kExitFailure;
    }
    if (options_.lists.empty())
        return std::nullopt;
    const bool merged = MergeLists(workspace_, options_.lists, hooks);
    if (!merged || Interrupted()) {
        messages_.ReleaseNotices(false);
        return merged ? InterruptedStatus() : kExitFailure;
    }
    return std::nullopt;
}

// Reads the reference list of --keywords as -m reads lists, under the run's language,
// word rules and decoding. False when it was refused, could not be read, holds no word
// or the reading was interrupted.
bool CliCollect::LoadReference(ProgressPort& progress) {
    IngestHooks hooks{progress, referenceMessages_, {}};
    hooks.streams = Streams::ReadToEnd;
    reference_ = ReadReferenceList(workspace_, *options_.keywords, hooks);
    if (reference_ == nullptr || Interrupted())
        return false;
    if (reference_->Store.Count() == 0) {
        messages_.Error(FormatText(kEmptyReferenceFormat, options_.keywords->c_str()));
        return false;
    }
    return true;
}

// How the files are read: the program's own way, else on one thread as the window
// reads them, or on -j threads.
IngestStep CliCollect::IngestStepOf() const {
    if (program_.ingest)
        return program_.ingest;
    const int jobs = JobsOf(options_);
    if (jobs == 1)
        return IngestFiles;
    return [jobs](Workspace& workspace, IngestState& state, const IngestHooks& hooks) {
        return IngestOverThreads(workspace, state, hooks, jobs, LeastThreadPart());
    };
}

// The summary lists what the scan could not read; under --quiet, which drops the
// summary, the list still goes to standard error, since it fails the run.
void CliCollect::ReportUnreadable(const SkippedFiles& skipped) {
    skippedUnreadable_ = !skipped.unreadable.empty();
    if (skippedUnreadable_ && options_.quiet) {
        const std::string text = DescribeSkipped({{}, skipped.unreadable});
        messages_.Note(text.substr(0, text.size() - 2));
    }
}

std::optional<int> CliCollect::EndOfReading(IngestOutcome outcome) {
    // A Ctrl-C seen between two files ends the reading normally; the person still
    // asked to stop, so nothing is reported or written. One that came after the last
    // file was read asked the same.
    const bool stopped = outcome == IngestOutcome::Stopped || Interrupted();
    messages_.ReleaseNotices(!stopped);
    if (stopped)
        return InterruptedStatus();
    // Abandoned before reading (a file that cannot be opened at all): its error has
    // been shown.
    if (outcome == IngestOutcome::Abandoned)
        return kExitFailure;
    return std::nullopt;
}

}  // namespace tarvolen
