// tarvolen-mpi: tarvolen-cli's run over the processes of an MPI job, which share the
// reading of the files and every step on the list, each process holding the words it
// owns; the first process merges their sorted parts and writes exactly what
// tarvolen-cli would.
#include <mpi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/terminal_progress.h"
#include "core/output/word_list_writer.h"
#include "mpi/job_line.h"
#include "mpi/launch_check.h"
#include "mpi/mpi_run.h"
#include "mpi/owned_list.h"
#include "mpi/process_group.h"
#include "mpi/shared_list.h"
#include "run/cli_messages.h"
#include "run/cli_options.h"
#include "run/cli_run.h"

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

// All processes on one machine talk through shared memory, yet Open MPI's default
// start first probes its network layers, which costs about 0.2 s on every run (as
// much as a few hundred megabytes of reading gains from a second core). Its launcher
// says how many of the job's processes share this machine: when that is all of them
// and nobody chose a messaging layer, the plain one is taken. Other launchers and
// libraries set none of these variables, and a job over several machines keeps the
// default.
void PreferSharedMemoryOnOneMachine() {
    const char* here = std::getenv("OMPI_COMM_WORLD_LOCAL_SIZE");
    const char* all = std::getenv("OMPI_COMM_WORLD_SIZE");
    if (here != nullptr && all != nullptr && std::strcmp(here, all) == 0)
        ::setenv("OMPI_MCA_pml", "ob1", 0);
}

// What mpi.h says of the library this program is compiled against.
MpiLibrary ThisMpiLibrary() {
#if defined(OPEN_MPI)
    return {"Open MPI", "Open MPI's mpirun (mpirun.openmpi on Debian)", "pmix"};
#elif defined(MPICH)
    return {"MPICH", "MPICH's mpiexec (mpiexec.mpich on Debian)", "pmi2"};
#else
    return {};
#endif
}

// Stops a job whose launcher started more processes than MPI joined into it, before
// anything is read: each of them would do the whole job.
bool LauncherMismatched() {
    const LaunchMismatch mismatch = CheckLaunch(
        ProcessesIn(), [](const char* name) { return std::getenv(name); }, ThisMpiLibrary());
    std::fputs(mismatch.message.c_str(), stderr);
    return mismatch.found;
}

}  // namespace
}  // namespace tarvolen

int main(int argc, char** argv) {
    using namespace tarvolen;
    PreferSharedMemoryOnOneMachine();
    MPI_Init(&argc, &argv);
    if (LauncherMismatched()) {
        MPI_Finalize();
        return kExitFailure;
    }
    const int rank = RankIn();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CliParse parsed = ParseCliOptions(args);
    int status = kExitFailure;
    try {
        if (rank == 0) {
            JobLine line(!parsed.options.quiet && JobLine::Watched());
            SortingLine sorting(line);
            CliMessages messages(stderr, parsed.options.quiet, kMpiName);
            const WriterOptions order = WriterOptionsOf(parsed.options);
            OwnedList owned(messages, MPI_COMM_WORLD, order.Collate, order.ListCodePage);
            SharedList list(owned);
            CliProgram program;
            program.name = kMpiName;
            program.ingest = [&line, &owned](Workspace& workspace, IngestState& state,
                                             const IngestHooks& hooks) {
                return IngestOverProcesses(workspace, state, hooks, line, owned);
            };
            program.watched = JobLine::Watched;
            program.progress = MakeTerminalProgress;
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
