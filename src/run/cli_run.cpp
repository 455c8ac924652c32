#include "run/cli_run.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "core/ingest/run_state.h"
#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/words/tokenizer.h"
#include "core/workspace.h"
#include "run/cli_collect.h"
#include "run/cli_concordance.h"
#include "run/cli_list_work.h"
#include "run/cli_messages.h"
#include "run/interrupts.h"
#include "run/stream_writes.h"
#include "version.h"

namespace tarvolen {

namespace {

void ReportOutOfMemory(const char* name) {
    std::fprintf(stderr, "%s: %s\n", name, kGrowthFailedText);
}

int UsageError(const std::string& reason, const char* name) {
    std::fprintf(stderr, "%s: %s\n%s\nTry '%s --help' for more information.\n", name,
                 reason.c_str(), WithProgramName(kCliUsageLine, name).c_str(), name);
    return kExitUsage;
}

// The run of a command line that asks for one: the Add step, then what is done with
// the list it read.
class CliRun {
  public:
    CliRun(const CliOptions& options, const CliProgram& program)
        : options_(options),
          program_(program),
          messages_(stderr, options.quiet, program.name),
          workspace_(messages_),
          ownList_(program.list == nullptr
                       ? StoreListSteps(JobsOf(options), options.collation.get(),
                                        WriterOptionsOf(options).ListCodePage)
                       : nullptr),
          list_(program.list != nullptr ? *program.list : *ownList_) {}

    int Execute() {
        if (options_.concordance)
            return Concordance();
        CliListWork listWork(options_, program_, messages_, workspace_, list_);
        if (listWork.WritesToStandardOutput() || options_.statistics || options_.measures)
            std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);

        CliCollect collect(options_, program_, messages_, workspace_);
        if (std::optional<int> stopped = collect.Run())
            return *stopped;
        // From here on the list is complete: a Ctrl-C ends the process as usual.
        DefaultInterrupts();
        // A file that could not be read, or words the store had no room for, leave the
        // list short: whatever was asked to hold it keeps what it held. What a scan
        // could not read is skipped and reported, and fails the run once the list of
        // everything else is written.
        if (messages_.errors() > 0)
            return kExitFailure;
        const RunState* reference = collect.reference();
        return listWork.Run(reference != nullptr ? &reference->Store : nullptr,
                            collect.skippedUnreadable());
    }

  private:
    // --concordance: the files are read for the entry's lines in the Add's place, and
    // no list is made.
    int Concordance() {
        if (program_.ingest) {
            messages_.Error("option '--concordance' is for tarvolen-cli");
            return kExitUsage;
        }
        CliConcordance concordance(options_, messages_);
        CliProgram program = program_;
        program.ingest = [&concordance](Workspace& workspace, IngestState& state,
                                        const IngestHooks& hooks) {
            return concordance.Run(workspace, state, hooks);
        };
        CliCollect collect(options_, program, messages_, workspace_);
        if (std::optional<int> stopped = collect.Run())
            return *stopped;
        if (concordance.status() != kExitOk)
            return concordance.status();
        return messages_.errors() > 0 || collect.skippedUnreadable() ? kExitFailure : kExitOk;
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
    workspace.Add.InARow = options.inARow;
    workspace.Add.LemmaFile = options.lemmas;
    workspace.Add.Encoding = options.encoding;
    workspace.Add.Documents = options.documents;
    workspace.MeasureSegments = options.measures;
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
