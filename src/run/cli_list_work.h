#pragma once

#include <optional>
#include <string>

#include "run/cli_messages.h"
#include "run/cli_options.h"
#include "run/cli_run.h"
#include "run/list_steps.h"

namespace tarvolen {

class WordStore;
struct Workspace;

// What the command line does with its list once read, by the steps of the list
// wherever it is held: the filters, the keyword rows, then the list to standard output,
// the statistics and the list's file.
class CliListWork {
  public:
    CliListWork(const CliOptions& options, const CliProgram& program, CliMessages& messages,
                Workspace& workspace, ListSteps& list)
        : options_(options),
          program_(program),
          messages_(messages),
          workspace_(workspace),
          list_(list) {}

    // The run's exit status. reference: the list of --keywords, when asked for;
    // skippedUnreadable: a scan left something unread.
    int Run(const WordStore* reference, bool skippedUnreadable);

    // Whether the list goes to standard output ("-" as the output file).
    bool WritesToStandardOutput() const;

  private:
    void Filter();
    bool WriteToStandardOutput();
    bool PrintStatistics();
    bool PrintMeasures();
    std::optional<int> WriteToFile(const std::string& path);

    const CliOptions& options_;
    const CliProgram& program_;
    CliMessages& messages_;
    Workspace& workspace_;
    ListSteps& list_;
    bool listRefused_ = false;
};

}  // namespace tarvolen
