#include "mpi/launch_check.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tarvolen {
namespace {

using Environment = std::map<std::string, std::string>;

LaunchMismatch Check(int processes, const Environment& variables, const MpiLibrary& library) {
    return CheckLaunch(
        processes,
        [&variables](const char* name) {
            const auto found = variables.find(name);
            return found == variables.end() ? nullptr : found->second.c_str();
        },
        library);
}

const MpiLibrary kMpich{"MPICH", "MPICH's mpiexec", "pmi2"};
const MpiLibrary kOpenMpi{"Open MPI", "Open MPI's mpirun", "pmix"};

// The environments as the launchers of Debian's Open MPI 4.1, MPICH 4.0 and Slurm 22.05
// leave them.
TEST(CheckLaunch, AJobOfOneIsStoppedOnlyWhereTheLauncherStartedMore) {
    struct Case {
        const char* name;
        int processes;
        Environment environment;
        bool found;
        bool speaks;
    };
    const std::vector<Case> cases = {
        {"run by hand", 1, {}, false, false},
        {"a job that MPI joined",
         3,
         {{"OMPI_COMM_WORLD_SIZE", "3"}, {"OMPI_COMM_WORLD_RANK", "0"}},
         false,
         false},
        {"mpirun -np 1 in a batch script of four tasks",
         1,
         {{"OMPI_COMM_WORLD_SIZE", "1"}, {"SLURM_NTASKS", "4"}, {"SLURM_NPROCS", "4"}},
         false,
         false},
        {"by hand in a batch script or salloc",
         1,
         {{"SLURM_NTASKS", "4"}, {"SLURM_PROCID", "0"}},
         false,
         false},
        {"mpiexec -n 1 inside salloc, its helper started by srun",
         1,
         {{"PMI_SIZE", "1"},
          {"MPI_LOCALNRANKS", "1"},
          {"SLURM_NTASKS", "2"},
          {"SLURM_STEP_ID", "0"}},
         false,
         false},
        {"srun -n 1", 1, {{"SLURM_NTASKS", "1"}, {"SLURM_STEP_ID", "0"}}, false, false},
        {"Open MPI's mpirun, first process",
         1,
         {{"OMPI_COMM_WORLD_SIZE", "2"}, {"OMPI_COMM_WORLD_RANK", "0"}},
         true,
         true},
        {"Open MPI's mpirun, second process",
         1,
         {{"OMPI_COMM_WORLD_SIZE", "2"}, {"OMPI_COMM_WORLD_RANK", "1"}},
         true,
         false},
        {"MPICH's mpiexec, third process",
         1,
         {{"PMI_SIZE", "3"}, {"PMI_RANK", "2"}, {"MPI_LOCALNRANKS", "3"}},
         true,
         false},
        {"PMIx's size", 1, {{"PMIX_SIZE", "4"}, {"PMIX_RANK", "0"}}, true, true},
        {"MPICH's local count alone", 1, {{"MPI_LOCALNRANKS", "2"}}, true, true},
        {"srun --mpi=none",
         1,
         {{"SLURM_NTASKS", "2"},
          {"SLURM_NPROCS", "2"},
          {"SLURM_STEP_ID", "0"},
          {"SLURM_PROCID", "0"}},
         true,
         true},
        {"srun --mpi=pmix, second task",
         1,
         {{"PMIX_RANK", "1"}, {"SLURM_NTASKS", "2"}, {"SLURM_STEPID", "0"}, {"SLURM_PROCID", "1"}},
         true,
         false},
        {"an older srun's count", 1, {{"SLURM_NPROCS", "3"}, {"SLURM_STEPID", "0"}}, true, true},
        {"a count that is no number", 1, {{"OMPI_COMM_WORLD_SIZE", "two"}}, false, false},
    };
    for (const Case& c : cases) {
        const LaunchMismatch mismatch = Check(c.processes, c.environment, kMpich);
        EXPECT_EQ(mismatch.found, c.found) << c.name;
        EXPECT_EQ(!mismatch.message.empty(), c.speaks) << c.name;
    }
}

// The message says what started how many, why each process is alone and how to start
// the program instead, for the library it was built with.
TEST(CheckLaunch, TheMessageNamesTheCauseAndTheFix) {
    const std::string underMpirun =
        Check(1, {{"OMPI_COMM_WORLD_SIZE", "2"}, {"OMPI_COMM_WORLD_RANK", "0"}}, kMpich).message;
    EXPECT_EQ(underMpirun,
              "tarvolen-mpi: Open MPI's mpirun started 2 processes (OMPI_COMM_WORLD_SIZE=2), but "
              "each of them is a job of its own, which would read every file and write the whole "
              "list.\n"
              "That launcher does not connect the processes of MPICH, which this tarvolen-mpi "
              "was built with.\n"
              "Start it with MPICH's mpiexec, which needs no process count inside sbatch or "
              "salloc, or with srun --mpi=pmi2 (srun --mpi=list shows the plugins).\n");
    const Environment underSrun = {{"SLURM_NTASKS", "64"}, {"SLURM_STEP_ID", "0"}};
    const std::string srunOpenMpi = Check(1, underSrun, kOpenMpi).message;
    EXPECT_NE(srunOpenMpi.find("srun started 64 processes (SLURM_NTASKS=64)"), std::string::npos);
    EXPECT_NE(
        srunOpenMpi.find("srun's MPI plugin --mpi=none (Slurm's default) does not connect "
                         "the processes of Open MPI, which this tarvolen-mpi was built with."),
        std::string::npos);
    const std::string srunPmix =
        Check(1, {{"SLURM_NTASKS", "2"}, {"SLURM_STEP_ID", "0"}, {"SLURM_MPI_TYPE", "pmix"}},
              kMpich)
            .message;
    EXPECT_NE(srunPmix.find("srun's MPI plugin --mpi=pmix does not connect the processes of MPICH"),
              std::string::npos);
    EXPECT_NE(srunOpenMpi.find("Start it with Open MPI's mpirun, which needs no process count "
                               "inside sbatch or salloc, or with srun --mpi=pmix"),
              std::string::npos);
    const std::string unknown = Check(1, underSrun, MpiLibrary{}).message;
    EXPECT_NE(unknown.find("the MPI library this tarvolen-mpi was built with"), std::string::npos);
    EXPECT_NE(unknown.find("Start it with that library's own launcher"), std::string::npos);
}

}  // namespace
}  // namespace tarvolen
