#include "run/cli_run.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/analysis/statistics_report.h"
#include "core/analysis/word_filter.h"
#include "core/ingest/store_reports.h"
#include "core/input/dir_scan.h"
#include "core/input/input_file.h"
#include "core/input/skipped_files.h"
#include "core/listfile/list_merge.h"
#include "core/listfile/reference_list.h"
#include "core/output/my_exception.h"
#include "core/output/word_list_writer.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "core/text/format_count.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "core/workspace.h"
#include "run/cli_messages.h"
#include "run/thread_count.h"
#include "version.h"

namespace tarvolen {

namespace {

// A signal handler can reach nothing else: this flag is the one piece of state that
// lives outside the Workspace. It holds the signal that asked the run to end, and the
// progress port reports it as a Cancel.
volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int signal) {
    gInterrupted = signal;
}

// The signals that ask a run to end: Ctrl-C, a terminal that went away, a kill or a
// timeout.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The first of them asks the reading or writing to stop cleanly; the handler then
// falls back to the default, so a second one ends the process at once. Without
// SA_RESTART a read or open that waits (an idle pipe, a FIFO without its reader)
// returns at the signal instead of waiting on.
void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : kEndingSignals)
        sigaction(signal, &action, nullptr);
}

void DefaultInterrupts() {
    for (int signal : kEndingSignals)
        std::signal(signal, SIG_DFL);
}

// As a shell reports a process that a signal ended: 128 + the signal.
int InterruptedStatus() {
    return gInterrupted != 0 ? 128 + gInterrupted : kExitInterrupted;
}

// The size at or below which a file is read whole by one thread: kLeastThreadPart
// unless the environment says otherwise (tests cut small files).
std::int64_t LeastThreadPart() {
    const char* bytes = std::getenv("TARVOLEN_LEAST_THREAD_PART");
    return bytes != nullptr && *bytes != '\0' ? std::strtoll(bytes, nullptr, 10) : kLeastThreadPart;
}

void ReportOutOfMemory(const char* name) {
    std::fprintf(stderr, "%s: %s\n", name, kGrowthFailedText);
}

int UsageError(const std::string& reason, const char* name) {
    std::fprintf(stderr, "%s: %s\n%s\nTry '%s --help' for more information.\n", name,
                 reason.c_str(), WithProgramName(kCliUsageLine, name).c_str(), name);
    return kExitUsage;
}

bool WriteAll(std::FILE* stream, const std::string& bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, stream) == 1;
}

bool Flushed(std::FILE* stream) {
    return std::fflush(stream) == 0 && !std::ferror(stream);
}

// The list the options ask for (the keyword rows, once compared, whatever it is).
ListKind ListKindOf(const CliOptions& options) {
    return options.range       ? ListKind::Range
           : options.frequency ? ListKind::Frequency
                               : ListKind::Words;
}

class CliRun {
  public:
    CliRun(const CliOptions& options, const CliProgram& program)
        : options_(options),
          program_(program),
          messages_(stderr, options.quiet, program.name),
          workspace_(messages_),
          ownList_(program.list == nullptr ? StoreListSteps() : nullptr),
          list_(program.list != nullptr ? *program.list : *ownList_) {}

    int Execute() {
        if (WritesToStandardOutput() || options_.statistics)
            std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);

        // The scan dialog checks its directory before anything is read; so does this.
        for (const std::string& directory : options_.scanDirs) {
            messages_.SetSubject(&directory);
            const bool valid = ValidateDirScan(directory, options_.types, messages_);
            messages_.SetSubject(nullptr);
            if (!valid)
                return kExitFailure;
        }

        if (std::optional<int> stopped = Collect())
            return *stopped;
        // From here on the list is complete: a Ctrl-C ends the process as usual.
        DefaultInterrupts();
        // A file that could not be read, or words the store had no room for, leave the
        // list short: whatever was asked to hold it keeps what it held. What a scan
        // could not read is skipped and reported, and fails the run once the list of
        // everything else is written.
        if (messages_.errors() > 0)
            return kExitFailure;

        Filter();
        // A stop list that cannot be used leaves the list other than asked: unwritten.
        if (listRefused_)
            return kExitFailure;
        if (options_.keywords) {
            if (list_.Count(workspace_) == 0) {
                messages_.Error(kEmptyProjectText);
                return kExitFailure;
            }
            list_.CompareWith(workspace_, reference_->Store, options_.minKeyness);
        }
        if (WritesToStandardOutput() && !WriteToStandardOutput())
            return kExitFailure;
        if (options_.statistics && !PrintStatistics())
            return kExitFailure;
        if (options_.output && !WritesToStandardOutput()) {
            if (std::optional<int> failed = WriteToFile(*options_.output))
                return *failed;
        }
        return skippedUnreadable_ ? kExitFailure : kExitOk;
    }

  private:
    // Reads the reference list of --keywords as -m reads lists, under the run's
    // language, word rules and decoding. False when it was refused, could not be
    // read, holds no word or the reading was interrupted.
    bool LoadReference(ProgressPort& progress) {
        IngestHooks hooks{progress, referenceMessages_, {}};
        hooks.streams = Streams::ReadToEnd;
        reference_ = ReadReferenceList(workspace_, *options_.keywords, hooks);
        if (reference_ == nullptr || gInterrupted != 0)
            return false;
        if (reference_->Store.Count() == 0) {
            messages_.Error(FormatText(kEmptyReferenceFormat, options_.keywords->c_str()));
            return false;
        }
        return true;
    }

    bool listRefused_ = false;
    bool skippedUnreadable_ = false;
    ErrorsOnlyMessages referenceMessages_{messages_};
    std::unique_ptr<RunState> reference_;

    bool WritesToStandardOutput() const {
        return options_.output && *options_.output == kStandardOutputName;
    }

    // The Add command's run: the files of the command line, then those of each scan,
    // read by one ingestion run. Returns an exit status when the run must end here.
    std::optional<int> Collect() {
        Workspace& ws = workspace_;
        ApplyCliAddOptions(ws, options_);

        ProgressLineSetup setup;
        setup.visible = !options_.quiet &&
                        (program_.watched ? program_.watched() : ::isatty(STDERR_FILENO) == 1);
        setup.interrupted = &gInterrupted;
        setup.wordCount = [&ws] { return std::max(ws.Store.Count(), ws.ThreadWords); };
        setup.bytesRead = [&ws] { return ws.BytesRead; };
        const std::unique_ptr<ProgressPort> line = program_.progress(std::move(setup));
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
            const std::vector<std::string> types = ParseScanTypes(options_.types);
            for (const std::string& directory : options_.scanDirs)
                ScanDirectory(directory, types, state.InputFiles, progress, SystemDirectoryLister(),
                              &state.skipped.unreadable);
            progress.Close();
            // A run reads its list from the back; a command line is read as it is
            // written, so that "-" among the files is read where it stands and
            // messages come in the order of the arguments.
            std::reverse(state.InputFiles.begin(), state.InputFiles.end());

            IngestHooks hooks{progress, messages_, {}};
            hooks.streams = Streams::ReadToEnd;
            // The reference of --keywords before anything else: a refused one ends
            // the run unwritten.
            if (options_.keywords && !LoadReference(progress)) {
                messages_.ReleaseNotices(false);
                return gInterrupted != 0 ? InterruptedStatus() : kExitFailure;
            }
            // Lists first, in the order given; a refused one ends the run unwritten.
            if (!options_.lists.empty()) {
                const bool merged = MergeLists(ws, options_.lists, hooks);
                if (!merged || gInterrupted != 0) {
                    messages_.ReleaseNotices(false);
                    return merged ? InterruptedStatus() : kExitFailure;
                }
                if (state.InputFiles.empty()) {
                    messages_.ReleaseNotices(true);
                    return std::nullopt;
                }
            }
            messages_.SetSubject(&state.LastInputPath);
            outcome = IngestStepOf()(ws, state, hooks).Outcome;
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
        // A Ctrl-C seen between two files ends the reading normally; the person still
        // asked to stop, so nothing is reported or written. One that came after the
        // last file was read asked the same.
        const bool stopped = outcome == IngestOutcome::Stopped || gInterrupted != 0;
        messages_.ReleaseNotices(!stopped);
        if (stopped)
            return InterruptedStatus();
        // Abandoned before reading (a file that cannot be opened at all): its error
        // has been shown.
        if (outcome == IngestOutcome::Abandoned)
            return kExitFailure;
        return std::nullopt;
    }

    // How the files are read: the program's own way, else on one thread as the window
    // reads them, or on -j threads.
    IngestStep IngestStepOf() const {
        if (program_.ingest)
            return program_.ingest;
        const int jobs = options_.jobs > 0 ? options_.jobs : DefaultJobs();
        if (jobs == 1)
            return IngestFiles;
        return [jobs](Workspace& workspace, IngestState& state, const IngestHooks& hooks) {
            return IngestOverThreads(workspace, state, hooks, jobs, LeastThreadPart());
        };
    }

    // The files named beside a scan are measured first, as a run without one would:
    // one that cannot be opened ends the run before anything is read.
    bool NamedFilesOpen(ProgressPort& progress) {
        std::int64_t total = 0;
        std::string failure;
        if (MeasureFiles(options_.files, total, failure, Streams::ReadToEnd))
            return true;
        progress.Close();
        messages_.ReleaseNotices(false);
        messages_.ShowMessage(failure, MessageIcon::Stop);
        return false;
    }

    // The summary lists what the scan could not read; under --quiet, which drops the
    // summary, the list still goes to standard error, since it fails the run.
    void ReportUnreadable(const SkippedFiles& skipped) {
        skippedUnreadable_ = !skipped.unreadable.empty();
        if (skippedUnreadable_ && options_.quiet) {
            const std::string text = DescribeSkipped({{}, skipped.unreadable});
            messages_.Note(text.substr(0, text.size() - 2));
        }
    }

    void Filter() {
        for (const CliFilter& filter : options_.filters) {
            if (list_.Count(workspace_) == 0) {
                messages_.ShowMessage(kNothingToFilterText, MessageIcon::Information);
                continue;
            }
            const std::int32_t removed = list_.Filter(workspace_, filter, messages_);
            if (removed < 0) {
                listRefused_ = true;
                continue;
            }
            messages_.ShowMessage(FormatText(kWordsRemovedFormat, removed),
                                  MessageIcon::Information);
        }
    }

    bool WriteToStandardOutput() {
        const RecordFormat format(WriterOptionsOf(options_));
        try {
            list_.WriteRecords(workspace_, ListKindOf(options_), stdout, format);
        } catch (const CMyException& error) {
            messages_.Error(error.GetMessage());
            return false;
        }
        if (!Flushed(stdout)) {
            messages_.Error(kOutputErrorText);
            return false;
        }
        return true;
    }

    bool PrintStatistics() {
        std::optional<std::string> report = list_.Statistics(workspace_);
        if (!report) {
            messages_.Note(kNothingToAnalyseText);
            return true;
        }
        // The report is read on a terminal, which shows UTF-8, whatever the list is
        // written in.
        if (!WriteAll(stdout, CodePageToUtf8(workspace_.ListCodePage, *report)) ||
            !Flushed(stdout)) {
            messages_.Error(kOutputErrorText);
            return false;
        }
        return true;
    }

    // Nothing when the list was written, else the exit status.
    std::optional<int> WriteToFile(const std::string& path) {
        WriterHooks hooks{messages_, SystemTicks(), nullptr, {}};
        // Every kind of list is sorted and written in one call.
        struct Busy {
            BusyIndicator* busy;
            explicit Busy(BusyIndicator* b) : busy(b) {
                if (busy != nullptr)
                    busy->BeginBusy();
            }
            ~Busy() {
                if (busy != nullptr)
                    busy->EndBusy();
            }
        } busy(program_.busy);
        // A Ctrl-C while the file is written stops the writer, which leaves the file
        // as it was; ending the process there would leave it half written.
        hooks.stopRequested = [] { return gInterrupted != 0; };
        hooks.sorted = [busy = program_.busy] {
            if (busy != nullptr)
                busy->Writing();
        };
        const WriterOptions writerOptions = WriterOptionsOf(options_);
        messages_.SetSubject(&path);
        WriteOutcome outcome = WriteOutcome::CannotCreate;
        CatchInterrupts();
        try {
            outcome = list_.WriteList(workspace_, ListKindOf(options_), writerOptions, path, hooks);
        } catch (const CMyException& error) {
            DefaultInterrupts();
            messages_.SetSubject(nullptr);
            // A write into a FIFO that a signal cut short is the stop that was asked.
            if (gInterrupted != 0)
                return InterruptedStatus();
            // A refusal says why on its own; a failed write names its file.
            messages_.Error(error.GetMessage() == kOutputErrorText ? error.GetMessage() + " " + path
                                                                   : error.GetMessage());
            return kExitFailure;
        }
        DefaultInterrupts();
        messages_.SetSubject(nullptr);
        if (outcome == WriteOutcome::Stopped)
            return InterruptedStatus();
        if (outcome != WriteOutcome::Written)
            return kExitFailure;
        return std::nullopt;
    }

    const CliOptions& options_;
    const CliProgram& program_;
    CliMessages messages_;
    Workspace workspace_;
    std::unique_ptr<ListSteps> ownList_;
    ListSteps& list_;
};

}  // namespace

void ApplyCliAddOptions(Workspace& workspace, const CliOptions& options) {
    workspace.Add.Language = options.language;
    workspace.Add.SkipShortWords = options.skipShort ? 1 : 0;
    workspace.Add.Rules = options.rules;
    workspace.Add.Encoding = options.encoding;
    workspace.Add.Documents = options.documents;
    ApplyAddOptions(workspace);
    workspace.MinWordLength = MinWordLengthOf(options.skipShort);
}

std::string WithProgramName(std::string text, const char* name) {
    const std::string_view from = kCliName;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + std::strlen(name)))
        text.replace(at, from.size(), name);
    return text;
}

int RunCli(const CliParse& parsed, const CliProgram& program) {
    switch (parsed.action) {
        case CliAction::UsageError:
            return UsageError(parsed.error, program.name);
        case CliAction::Help: {
            const std::string help = WithProgramName(CliHelpText(), program.name);
            return WriteAll(stdout, help) && Flushed(stdout) ? kExitOk : kExitFailure;
        }
        case CliAction::Version:
            std::printf("%s %s\n", program.name, TARVOLEN_VERSION);
            return Flushed(stdout) ? kExitOk : kExitFailure;
        case CliAction::Run:
            break;
    }
    // Memory that runs out anywhere else than in the store (its start-up tables, the
    // sort for the write) ends the run here: every file written so far has been undone
    // on the way out, and a list bound for standard output is sorted before its first
    // byte is written.
    try {
        return CliRun(parsed.options, program).Execute();
    } catch (const WordStore::Unavailable&) {
        std::fprintf(stderr, "%s: %s\n", program.name, kNoArenaText);
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory(program.name);
        return kExitFailure;
    }
}

}  // namespace tarvolen
