#pragma once

#include <cstddef>
#include <optional>

#include "core/concordance/concordance_entry.h"
#include "core/concordance/context_lines.h"
#include "core/concordance/occurrences.h"

namespace tarvolen {

struct IngestHooks;
struct IngestState;
struct RunState;

// The concordance's two readings of state.InputFiles (read last path first, as an Add
// reads them), each document as the run's Add options read it, counting nothing.
// Each reading begins a document in run.Store for each file, as an Add does: the
// window gives them a run state of their own. A Cancel throws UserCancel.
//
// The first finds the entry's occurrences, with their neighbours when a sort asks
// for them; nothing when the files could not be measured or read at all (the reason
// has been shown).
std::optional<Concordance> FindConcordance(RunState& run, IngestState& state,
                                           const IngestHooks& hooks, const ConcordanceEntry& entry,
                                           bool neighbours);

// The lines of the entry's occurrences in one reading, document by document, handed to
// sink as they are made (in document order): the way of a concordance that needs no
// sort. The number of lines, or nothing when the files could not be measured or read
// at all (the reason has been shown).
std::optional<std::size_t> ReadConcordance(RunState& run, IngestState& state,
                                           const IngestHooks& hooks, const ConcordanceEntry& entry,
                                           std::size_t width, const ConcordanceLineSink& sink);

// The second reads the documents that hold occurrences again and hands their lines to
// sink in document order. False when a document could not be read again.
bool ReadConcordanceLines(RunState& run, const Concordance& concordance, const IngestHooks& hooks,
                          std::size_t width, const ConcordanceLineSink& sink);

}  // namespace tarvolen
