#pragma once

#include "core/ingest/ingest.h"
#include "mpi/job_line.h"
#include "run/cli_options.h"

namespace tarvolen {

class OwnedList;
struct Workspace;

inline constexpr const char* kMpiName = "tarvolen-mpi";

// The first process's reading of a run's files (a CliProgram's ingest step, with
// IngestFiles's contract): shares the files out among all processes, which count
// them and exchange their words, each process keeping those it owns in list; then shows what the
// reading said and the summary of all of it, as IngestFiles would for the same files in one
// process. The job's progress line shows the bytes all processes read, then "exchanging".
IngestResult IngestOverProcesses(Workspace& workspace, IngestState& state, const IngestHooks& hooks,
                                 JobLine& line, OwnedList& list);

// Every other process: takes part in each reading and each list step the first one
// orders, until it ends the run. Returns the run's exit status, which the first hands to all
// (EndProcesses).
int ServeFirstProcess(const CliOptions& options);
void EndProcesses(int status);

}  // namespace tarvolen
