#pragma once

#include <cstdint>

#include "core/ingest/ingest.h"

namespace tarvolen {

struct RunState;

// The threads a count uses unless told otherwise: every processor this process may run
// on (its affinity, which taskset, cgroups and batch systems narrow), at least 1.
int DefaultJobs();

// Below this a file is read whole by one thread; above it, cut at separators into
// parts that several threads read (tests cut smaller files).
inline constexpr std::int64_t kLeastThreadPart = 2 << 20;

// One ingestion run over state.InputFiles, as IngestFiles reads them (its contract:
// the same words, counts and ranges, the same messages in the same order, the same
// summary), with up to `threads` threads. The files are dealt to the threads as they
// come free, the largest first; a large file that can be read in parts is cut at
// separators, its parts still one document of the ranges; streams are read one after
// another by one thread, in the order given. Each thread counts into a store of its
// own, and the stores are merged into run.Store once all are done. Messages are kept
// until then and told in the order of the files.
//
// A Cancel (hooks.progress, polled by the calling thread) stops every thread and
// throws UserCancel; memory running out in any thread throws std::bad_alloc, as the
// run on one thread does. The list is as before the run in both cases.
IngestResult IngestOverThreads(RunState& run, IngestState& state, const IngestHooks& hooks,
                               int threads, std::int64_t leastPart = kLeastThreadPart);

}  // namespace tarvolen
