#pragma once

#include <functional>

#include "cli/cli_options.h"
#include "cli/list_steps.h"
#include "core/collect/ingest.h"
#include "core/output/word_list_writer.h"

namespace tarvolen {

struct Workspace;

// Reads the files of a run into the workspace, as IngestFiles does (its contract).
using IngestStep = std::function<IngestResult(Workspace&, IngestState&, const IngestHooks&)>;

// What sets one front end over the command line's run apart from another.
struct CliProgram {
    // Named in the messages, the usage and the help.
    const char* name = kCliName;
    // How the files are read; IngestFiles when empty.
    IngestStep ingest;
    // Whether a person watches the progress line (unless --quiet): standard error is
    // a terminal, when empty.
    std::function<bool()> watched;
    // Shown while a list is sorted and written to its file; optional.
    BusyIndicator* busy = nullptr;
    // What is done with the list once read; the workspace's store holds it whole
    // when null.
    ListSteps* list = nullptr;
};

// The Add options of the command line set in the workspace, as the run sets them
// before it reads anything.
void ApplyCliAddOptions(Workspace& workspace, const CliOptions& options);

// The whole run of the parsed command line: usage, help and version included.
// Returns the exit status.
int RunCli(const CliParse& parsed, const CliProgram& program = {});

// The text with every "tarvolen-cli" put as the program's name.
std::string WithProgramName(std::string text, const char* name);

}  // namespace tarvolen
