#include "run/cli_concordance.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/concordance/concordance_run.h"
#include "core/concordance/concordance_sort.h"
#include "core/concordance/occurrence_count.h"
#include "core/ingest/cutter_setup.h"
#include "core/input/input_file.h"
#include "core/output/my_exception.h"
#include "core/output/safe_output_file.h"
#include "core/output/word_list_writer.h"
#include "core/ports/progress.h"
#include "core/workspace.h"
#include "run/interrupts.h"
#include "run/stream_writes.h"

namespace tarvolen {

namespace {

void PutLine(const ConcordanceLine& line, std::string& text) {
    text.clear();
    text += *line.path;
    text += '\t';
    text += std::to_string(line.line);
    text += '\t';
    text += line.left;
    text += '\t';
    text += line.match;
    text += '\t';
    text += line.right;
    text += '\n';
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
    const std::optional<Concordance> found =
        FindConcordance(workspace, state, hooks, *entry, !options_.sortKeys.empty());
    if (!found) {
        status_ = kExitFailure;
        return {};
    }
    if (!Write(workspace, *found, hooks))
        status_ = kExitFailure;
    hooks.progress.Close();
    messages_.ShowMessage(
        OccurrenceCountText(found->occurrences.size(), found->DocumentsWithOccurrences()),
        MessageIcon::Information);
    IngestResult result;
    result.Outcome = IngestOutcome::Completed;
    return result;
}

bool CliConcordance::Write(Workspace& workspace, const Concordance& found,
                           const IngestHooks& hooks) {
    const bool toFile = options_.output && *options_.output != kStandardOutputName;
    SafeOutputFile file(nullptr, [] { return Interrupted(); });
    if (toFile && !file.Open(*options_.output, options_.append, 1 << 20)) {
        messages_.Error(std::string(kCannotCreateText) + " " + *options_.output);
        return false;
    }
    std::FILE* stream = toFile ? file.stream() : stdout;
    bool written = true;
    bool read = false;
    if (options_.sortKeys.empty()) {
        // In document order the lines are written as they are made.
        std::string text;
        read = ReadConcordanceLines(workspace, found, hooks,
                                    static_cast<std::size_t>(options_.context),
                                    [&](const ConcordanceLine& line) {
                                        PutLine(line, text);
                                        written = written && WriteAll(stream, text);
                                    });
    } else {
        // A sorted concordance keeps its lines until the last is made.
        std::vector<std::string> lines(found.occurrences.size());
        read = ReadConcordanceLines(
            workspace, found, hooks, static_cast<std::size_t>(options_.context),
            [&](const ConcordanceLine& line) { PutLine(line, lines[line.index]); });
        for (const std::uint32_t i : SortedOccurrences(found, options_.sortKeys))
            written = written && WriteAll(stream, lines[i]);
    }
    if (!read)
        return false;
    if (toFile ? !written || !file.Commit() : !written || !Flushed(stdout)) {
        messages_.Error(std::string(kOutputErrorText) + (toFile ? " " + *options_.output : ""));
        return false;
    }
    return true;
}

}  // namespace tarvolen
