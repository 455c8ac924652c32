#pragma once

#include <functional>
#include <string>

namespace tarvolen {

// The MPI library a program was built with, as the person who starts it knows it.
struct MpiLibrary {
    std::string name;        // "Open MPI", "MPICH"; empty when neither
    std::string launcher;    // its own launcher, as Debian names it
    std::string srunPlugin;  // the plugin of srun --mpi that starts its processes
};

// The value of an environment variable, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

struct LaunchMismatch {
    bool found = false;
    // For the launcher's first process; empty on the others, which stop without a word,
    // so that a job of 64 processes does not print the same message 64 times.
    std::string message;
};

// A launcher that does not speak the library's language starts N processes that each
// make a job of one, read every file and write the whole list, and all succeed. What the
// launcher left in the environment tells: the variables of the launcher that started
// this very process come first (Open MPI's, then a PMI launcher's: MPICH's mpiexec or
// srun --mpi=pmi2, then PMIx's), and srun's own task count only when none of them is
// there and this process runs in a step of srun (not in a batch script or an
// allocation, where mpirun may start a single process, and not where MPICH's mpiexec
// started its helpers with srun). processes is the size of the job MPI made.
LaunchMismatch CheckLaunch(int processes, const EnvironmentLookup& environment,
                           const MpiLibrary& library);

}  // namespace tarvolen
