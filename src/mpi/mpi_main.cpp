// tarvolen-mpi: tarvolen-cli's run over the processes of an MPI job, which share the
// reading of the files and every step on the list, each process holding the words it
// owns; the first process merges their sorted parts and writes exactly what
// tarvolen-cli would.
#include <mpi.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli_messages.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "core/output/word_list_writer.h"
#include "mpi/job_line.h"
#include "mpi/mpi_run.h"
#include "mpi/owned_list.h"
#include "mpi/process_group.h"
#include "mpi/shared_list.h"

namespace tarvolen {
namespace {

// The writers sort the list before they write its first record.
class SortingLine : public BusyIndicator {
  public:
    explicit SortingLine(JobLine& line) : line_(line) {}
    void BeginBusy() override { line_.Show("sorting", true); }
    void Writing() override { line_.Show("writing", true); }
    void EndBusy() override { line_.Clear(); }

  private:
    JobLine& line_;
};

}  // namespace
}  // namespace tarvolen

int main(int argc, char** argv) {
    using namespace tarvolen;
    MPI_Init(&argc, &argv);
    const int rank = RankIn();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CliParse parsed = ParseCliOptions(args);
    int status = kExitFailure;
    try {
        if (rank == 0) {
            JobLine line(!parsed.options.quiet && JobLine::Watched());
            SortingLine sorting(line);
            CliMessages messages(stderr, parsed.options.quiet, kMpiName);
            OwnedList owned(messages, MPI_COMM_WORLD);
            SharedList list(owned);
            CliProgram program;
            program.name = kMpiName;
            program.ingest = [&line, &owned](Workspace& workspace, IngestState& state,
                                             const IngestHooks& hooks) {
                return IngestOverProcesses(workspace, state, hooks, line, owned);
            };
            program.watched = JobLine::Watched;
            program.busy = &sorting;
            program.list = &list;
            status = RunCli(parsed, program);
            EndProcesses(status);
        } else {
            status = ServeFirstProcess(parsed.options);
        }
    } catch (const std::exception& error) {
        // A fault of the program itself: the others wait for this process in vain.
        std::fprintf(stderr, "%s: %s\n", kMpiName, error.what());
        MPI_Abort(MPI_COMM_WORLD, kExitFailure);
    }
    MPI_Finalize();
    return status;
}
