#include "core/concordance/concordance_run.h"

#include "core/concordance/concordance_reading.h"
#include "core/concordance/occurrence_finder.h"
#include "core/decode/text_decoder.h"
#include "core/ingest/cutter_setup.h"
#include "core/ingest/ingest.h"
#include "core/ingest/run_state.h"
#include "core/input/input_file.h"
#include "core/input/read_buffer.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"

namespace tarvolen {

namespace {

// What both readings share: the read buffer, the decoder and the measured size of what
// they read, for the progress bar; nothing when a reading cannot begin.
struct Reading {
    ReadBuffer buffer;
    TextDecoder decoder;
};

std::optional<std::int64_t> Begin(RunState& run, const std::vector<std::string>& paths,
                                  const IngestHooks& hooks, bool scanned, Reading& reading) {
    hooks.progress.SetBounds(0, 1000);
    run.BytesRead = 0;
    run.StreamBytesRead = 0;
    run.TotalBytes = 0;
    if (!reading.buffer.Valid()) {
        AbandonBeforeReading(hooks, kNoReadBufferText);
        return std::nullopt;
    }
    std::string failure;
    std::int64_t total = 0;
    if (!MeasureFiles(paths, total, failure, hooks.streams, scanned)) {
        AbandonBeforeReading(hooks, failure);
        return std::nullopt;
    }
    if (!reading.decoder.Valid()) {
        AbandonBeforeReading(hooks, kUnknownEncodingText);
        return std::nullopt;
    }
    run.TotalBytes = total;
    return total;
}

}  // namespace

std::optional<Concordance> FindConcordance(RunState& run, IngestState& state,
                                           const IngestHooks& hooks, const ConcordanceEntry& entry,
                                           bool neighbours) {
    Reading reading{ReadBuffer(hooks.bufferMemory), TextDecoder(run.RunEncoding, run.RunCodePage)};
    if (!Begin(run, state.InputFiles, hooks, state.scanned, reading))
        return std::nullopt;
    Concordance found;
    OccurrenceFinder finder(CutterSetupOf(run), entry, found,
                            neighbours ? kEveryNeighbour : NeighbourReach{});
    // The store counts documents as they begin; a concordance leaves it as it was.
    for (auto path = state.InputFiles.rbegin(); path != state.InputFiles.rend(); ++path) {
        hooks.progress.SetFileLine(*path);
        found.documents.push_back({*path, found.occurrences.size(), 0, 0});
        if (!IngestFile(run, state, hooks, {reading.buffer, reading.decoder, finder}, *path))
            found.documents.pop_back();
    }
    return found;
}

std::optional<std::size_t> ReadConcordance(RunState& run, IngestState& state,
                                           const IngestHooks& hooks, const ConcordanceEntry& entry,
                                           std::size_t width, const ConcordanceLineSink& sink) {
    Reading reading{ReadBuffer(hooks.bufferMemory), TextDecoder(run.RunEncoding, run.RunCodePage)};
    if (!Begin(run, state.InputFiles, hooks, state.scanned, reading))
        return std::nullopt;
    ConcordanceReading lines(CutterSetupOf(run), entry, width, sink);
    std::size_t made = 0;
    bool anyRead = false;
    for (auto path = state.InputFiles.rbegin(); path != state.InputFiles.rend(); ++path) {
        hooks.progress.SetFileLine(*path);
        lines.Start(*path);
        anyRead = IngestFile(run, state, hooks, {reading.buffer, reading.decoder, lines}, *path) ||
                  anyRead;
        made += lines.Lines();
    }
    if (!anyRead && made == 0 && !state.InputFiles.empty())
        return std::nullopt;
    return made;
}

bool ReadConcordanceLines(RunState& run, const Concordance& concordance, const IngestHooks& hooks,
                          std::size_t width, const ConcordanceLineSink& sink) {
    IngestState state;
    for (const ConcordanceDocument& document : concordance.documents)
        if (document.count > 0)
            state.InputFiles.push_back(document.path);
    Reading reading{ReadBuffer(hooks.bufferMemory), TextDecoder(run.RunEncoding, run.RunCodePage)};
    if (!Begin(run, state.InputFiles, hooks, false, reading))
        return false;
    ContextReader reader(run.RunCodePage, width, sink);
    for (const ConcordanceDocument& document : concordance.documents) {
        if (document.count == 0)
            continue;
        hooks.progress.SetFileLine(document.path);
        reader.Start(document,
                     std::span(concordance.occurrences).subspan(document.first, document.count));
        if (!IngestFile(run, state, hooks, {reading.buffer, reading.decoder, reader},
                        document.path))
            return false;
        // Shorter than the first time: its last lines cannot be made.
        if (!reader.Complete()) {
            hooks.messages.ShowMessage(kUnableToReadText, MessageIcon::Warning);
            return false;
        }
    }
    return true;
}

}  // namespace tarvolen
