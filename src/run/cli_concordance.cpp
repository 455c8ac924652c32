#include "run/cli_concordance.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/concordance/concordance_run.h"
#include "core/concordance/concordance_sort.h"
#include "core/concordance/occurrence_count.h"
#include "core/concordance/sorted_lines.h"
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

namespace {

// How many bytes of lines are sorted in memory before they go to a run on disk.
constexpr std::size_t kSortRunBytes = 8 << 20;

std::size_t SortRunBytes() {
    const char* bytes = std::getenv("TARVOLEN_SORT_RUN_BYTES");
    return bytes != nullptr && *bytes != '\0' ? std::strtoull(bytes, nullptr, 10) : kSortRunBytes;
}

}  // namespace

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

// A sorted concordance is read as the unsorted one is, its lines going to an external
// sort with their words instead of to the output.
std::optional<ConcordanceTally> CliConcordance::WriteSorted(Workspace& workspace,
                                                            IngestState& state,
                                                            const IngestHooks& hooks,
                                                            const ConcordanceEntry& entry,
                                                            std::FILE* stream, bool& written) {
    SortedLines sorted(SortRunBytes());
    const ConcordanceSortWords sort{options_.sortKeys,
                                    [&](const SortWords& words) { sorted.AddWords(words); }};
    const std::optional<ConcordanceTally> tally = WriteConcordance(
        workspace, state, hooks, entry, static_cast<std::size_t>(options_.context),
        JobsOf(options_), LeastThreadPart(), [&](const std::string& line) { sorted.AddLine(line); },
        &sort);
    if (!tally)
        return std::nullopt;
    written = sorted.WriteSorted([&](std::string_view line) {
        return std::fwrite(line.data(), line.size(), 1, stream) == 1;
    });
    if (!sorted.Failure().empty()) {
        hooks.progress.Close();
        messages_.Error("cannot keep the lines being sorted in the folder for temporary files " +
                        sorted.Failure());
        status_ = kExitFailure;
    }
    return tally;
}

}  // namespace tarvolen
