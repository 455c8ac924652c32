#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/ingest/ingest.h"
#include "core/output/word_list_writer.h"
#include "run/cli_options.h"
#include "run/list_steps.h"

namespace tarvolen {

class ProgressPort;
struct Workspace;

// What the run tells the line that shows its reading.
struct ProgressLineSetup {
    bool visible = false;  // a person watches it: not --quiet, and the program says so
    const volatile std::sig_atomic_t* interrupted = nullptr;  // set by Ctrl-C and the like
    std::function<std::int32_t()> wordCount;                  // distinct words so far
    std::function<std::int64_t()> bytesRead;                  // bytes of the run read so far
};
using ProgressLineMaker = std::function<std::unique_ptr<ProgressPort>(ProgressLineSetup)>;

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
    // Makes the line that shows the reading; each program draws its own. Required.
    ProgressLineMaker progress;
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
int RunCli(const CliParse& parsed, const CliProgram& program);

// The text with every "tarvolen-cli" put as the program's name.
std::string WithProgramName(std::string text, const char* name);

}  // namespace tarvolen
