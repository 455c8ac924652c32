#include "run/cli_concordance.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/concordance/concordance_run.h"
#include "core/concordance/concordance_sort.h"
#include "core/concordance/line_spool.h"
#include "core/concordance/occurrence_count.h"
#include "core/ingest/cutter_setup.h"
#include "core/input/input_file.h"
#include "core/output/my_exception.h"
#include "core/output/safe_output_file.h"
#include "core/output/word_list_writer.h"
#include "core/ports/progress.h"
#include "core/workspace.h"
#include "run/cli_collect.h"
#include "run/concordance_threads.h"
#include "run/interrupts.h"
#include "run/stream_writes.h"

namespace tarvolen {

IngestResult CliConcordance::Run(Workspace& workspace, IngestState& state,
                                 const IngestHooks& hooks) {
    const std::optional<ConcordanceEntry> entry =
        CutEntry(CutterSetupOf(workspace), *options_.concordance);
    if (!entry) {
        hooks.progress.Close();
        messages_.Error("the entry '" + *options_.concordance +
                        "' holds no word that these options count (at most " +
                        std::to_string(WordsInARow::kMost) + " words)");
        status_ = kExitUsage;
        return {IngestOutcome::Completed, {}};
    }
    // The lines are made on a second reading, which a stream cannot give.
    for (const std::string& path : state.InputFiles) {
        struct stat status {};
        if (path == kStandardInputPath || (::stat(path.c_str(), &status) == 0 &&
                                           !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))) {
            hooks.progress.Close();
            messages_.Error(
                path +
                ": a concordance reads its files twice, which a pipe or standard input cannot be");
            status_ = kExitUsage;
            return {IngestOutcome::Completed, {}};
        }
    }
    const std::optional<ConcordanceTally> tally = Write(workspace, state, hooks, *entry);
    if (!tally) {
        status_ = kExitFailure;
        return {};
    }
    hooks.progress.Close();
    messages_.ShowMessage(OccurrenceCountText(tally->occurrences, tally->documents),
                          MessageIcon::Information);
    IngestResult result;
    result.Outcome = IngestOutcome::Completed;
    return result;
}

std::optional<ConcordanceTally> CliConcordance::Write(Workspace& workspace, IngestState& state,
                                                      const IngestHooks& hooks,
                                                      const ConcordanceEntry& entry) {
    const bool toFile = options_.output && *options_.output != kStandardOutputName;
    SafeOutputFile file(nullptr, [] { return Interrupted(); });
    if (toFile && !file.Open(*options_.output, options_.append, 1 << 20)) {
        hooks.progress.Close();
        messages_.Error(std::string(kCannotCreateText) + " " + *options_.output);
        status_ = kExitFailure;
        return ConcordanceTally{};
    }
    std::FILE* stream = toFile ? file.stream() : stdout;
    bool written = true;
    const auto width = static_cast<std::size_t>(options_.context);
    std::optional<ConcordanceTally> tally;
    if (options_.sortKeys.empty()) {
        // In document order the lines are written as they are made.
        tally = WriteConcordance(
            workspace, state, hooks, entry, width, JobsOf(options_), LeastThreadPart(),
            [&](const std::string& text) { written = written && WriteAll(stream, text); });
    } else {
        tally = WriteSorted(workspace, state, hooks, entry, stream, written);
    }
    if (!tally)
        return std::nullopt;
    if (status_ != kExitOk)
        return tally;
    if (toFile ? !written || !file.Commit() : !written || !Flushed(stdout)) {
        hooks.progress.Close();
        messages_.Error(std::string(kOutputErrorText) + (toFile ? " " + *options_.output : ""));
        status_ = kExitFailure;
    }
    return tally;
}

// A sorted concordance finds the occurrences with their neighbours first, then reads
// the documents again for the lines, which wait in a spool until the last is made.
std::optional<ConcordanceTally> CliConcordance::WriteSorted(Workspace& workspace,
                                                            IngestState& state,
                                                            const IngestHooks& hooks,
                                                            const ConcordanceEntry& entry,
                                                            std::FILE* stream, bool& written) {
    const std::optional<Concordance> found = FindConcordance(workspace, state, hooks, entry, true);
    if (!found)
        return std::nullopt;
    LineSpool spool;
    const bool read = ReadConcordanceLines(
        workspace, *found, hooks, static_cast<std::size_t>(options_.context),
        [&](const ConcordanceLine& line) { spool.Add(spool.Document(*line.path), line); });
    const ConcordanceTally tally{found->occurrences.size(), found->DocumentsWithOccurrences()};
    if (!read) {
        status_ = kExitFailure;
        return tally;
    }
    written = spool.Valid();
    std::string text;
    for (const std::uint32_t i : SortedOccurrences(*found, options_.sortKeys)) {
        if (!written)
            break;
        const LineSpool::Line line = spool.At(i);
        text.clear();
        PutConcordanceLine(spool.Documents()[line.document], line.line, line.left, line.match,
                           line.right, text);
        written = WriteAll(stream, text);
    }
    return tally;
}

}  // namespace tarvolen
