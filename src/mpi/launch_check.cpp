#include "mpi/launch_check.h"

#include <array>
#include <optional>
#include <utility>

#include "core/analysis/word_filter.h"
#include "mpi/mpi_run.h"

namespace tarvolen {
namespace {

// A launcher's word for how many processes it started, and which of them this one is.
struct Claim {
    const char* size;
    const char* rank;
    const char* launcher;
};

// Set by the launcher that started this very process, the nearest first.
constexpr std::array kLauncherClaims = {
    Claim{"OMPI_COMM_WORLD_SIZE", "OMPI_COMM_WORLD_RANK", "Open MPI's mpirun"},
    Claim{"PMI_SIZE", "PMI_RANK", "MPICH's mpiexec or srun --mpi=pmi2"},
    Claim{"PMIX_SIZE", "PMIX_RANK", "a PMIx launcher"},
    Claim{"MPI_LOCALNRANKS", "MPI_LOCALRANKID", "MPICH's mpiexec"},
};
// Inherited by everything a job runs, and in a batch script or an allocation rather the
// size of the job than of a launch.
constexpr std::array kSrunClaims = {
    Claim{"SLURM_NTASKS", "SLURM_PROCID", "srun"},
    Claim{"SLURM_NPROCS", "SLURM_PROCID", "srun"},
};

std::optional<int> NumberIn(const EnvironmentLookup& environment, const char* name) {
    const char* text = environment(name);
    if (text == nullptr)
        return std::nullopt;
    return ParseInteger(text);
}

// The first claim of the list whose size the environment holds.
template <std::size_t N>
std::optional<std::pair<Claim, int>> FirstClaim(const std::array<Claim, N>& claims,
                                                const EnvironmentLookup& environment) {
    for (const Claim& claim : claims)
        if (const std::optional<int> size = NumberIn(environment, claim.size))
            return std::pair{claim, *size};
    return std::nullopt;
}

std::string Explanation(const Claim& claim, int size, const char* plugin,
                        const MpiLibrary& library) {
    const std::string program = kMpiName;
    const std::string launcher = claim.launcher;
    const std::string count = std::to_string(size);
    std::string text = program + ": " + launcher + " started " + count + " processes (" +
                       claim.size + "=" + count +
                       "), but each of them is a job of its own, which would read every file and "
                       "write the whole list.\n";
    const std::string built = library.name.empty()
                                  ? "the MPI library this " + program + " was built with"
                                  : library.name + ", which this " + program + " was built with";
    // srun names its plugin to the tasks, unless that is none.
    const std::string srunPlugin =
        plugin != nullptr ? "--mpi=" + std::string(plugin) : "--mpi=none (Slurm's default)";
    text += (launcher == "srun" ? "srun's MPI plugin " + srunPlugin : "That launcher") +
            " does not connect the processes of " + built + ".\n";
    const std::string plugins = "(srun --mpi=list shows the plugins)";
    if (library.name.empty())
        return text +
               "Start it with that library's own launcher, or with srun --mpi=pmix or --mpi=pmi2, "
               "whichever it speaks " +
               plugins + ".\n";
    return text + "Start it with " + library.launcher +
           ", which needs no process count inside sbatch or salloc, or with srun --mpi=" +
           library.srunPlugin + " " + plugins + ".\n";
}

}  // namespace

LaunchMismatch CheckLaunch(int processes, const EnvironmentLookup& environment,
                           const MpiLibrary& library) {
    if (processes != 1)
        return {};
    auto claim = FirstClaim(kLauncherClaims, environment);
    const bool inStep =
        environment("SLURM_STEP_ID") != nullptr || environment("SLURM_STEPID") != nullptr;
    if (!claim && inStep)
        claim = FirstClaim(kSrunClaims, environment);
    if (!claim || claim->second <= 1)
        return {};
    const std::optional<int> rank = NumberIn(environment, claim->first.rank);
    LaunchMismatch mismatch{true, {}};
    if (!rank || *rank == 0)
        mismatch.message =
            Explanation(claim->first, claim->second, environment("SLURM_MPI_TYPE"), library);
    return mismatch;
}

}  // namespace tarvolen
