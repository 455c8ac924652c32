#pragma once

#include <cstdio>
#include <optional>

#include "core/concordance/concordance_entry.h"
#include "core/ingest/ingest.h"
#include "run/cli_messages.h"
#include "run/cli_options.h"
#include "run/concordance_threads.h"

namespace tarvolen {

struct Workspace;

// The reading step of --concordance, in the place of the Add's: finds the entry's
// occurrences in the files, reads them again for their lines and writes the lines to
// -o (through the safe save) or to standard output. The count is told as the Add's
// summary is. Its exit status, once the step has run, is status().
class CliConcordance {
  public:
    CliConcordance(const CliOptions& options, CliMessages& messages)
        : options_(options), messages_(messages) {}

    IngestResult Run(Workspace& workspace, IngestState& state, const IngestHooks& hooks);
    int status() const { return status_; }

  private:
    std::optional<ConcordanceTally> Write(Workspace& workspace, IngestState& state,
                                          const IngestHooks& hooks, const ConcordanceEntry& entry);
    std::optional<ConcordanceTally> WriteSorted(Workspace& workspace, IngestState& state,
                                                const IngestHooks& hooks,
                                                const ConcordanceEntry& entry, std::FILE* stream,
                                                bool& written);

    const CliOptions& options_;
    CliMessages& messages_;
    int status_ = kExitOk;
};

}  // namespace tarvolen
