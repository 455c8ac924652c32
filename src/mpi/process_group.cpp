#include "mpi/process_group.h"

namespace tarvolen {

std::vector<std::string> GatherBytes(const std::string& mine, MPI_Comm comm) {
    const int size = static_cast<int>(mine.size());
    std::vector<int> sizes(static_cast<std::size_t>(ProcessesIn(comm))), at(sizes.size());
    MPI_Gather(&size, 1, MPI_INT, sizes.data(), 1, MPI_INT, 0, comm);
    int total = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        at[i] = total;
        total += sizes[i];
    }
    const bool first = RankIn(comm) == 0;
    std::string all(first ? static_cast<std::size_t>(total) : 0, '\0');
    MPI_Gatherv(mine.data(), size, MPI_BYTE, all.data(), sizes.data(), at.data(), MPI_BYTE, 0,
                comm);
    std::vector<std::string> parts;
    if (first)
        for (std::size_t i = 0; i < sizes.size(); ++i)
            parts.push_back(
                all.substr(static_cast<std::size_t>(at[i]), static_cast<std::size_t>(sizes[i])));
    return parts;
}

}  // namespace tarvolen
