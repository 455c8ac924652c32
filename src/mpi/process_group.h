#pragma once

#include <mpi.h>

#include <string>
#include <vector>

namespace tarvolen {

// This process's number in the group, and how many the group has.
inline int RankIn(MPI_Comm comm = MPI_COMM_WORLD) {
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    return rank;
}

inline int ProcessesIn(MPI_Comm comm = MPI_COMM_WORLD) {
    int processes = 1;
    MPI_Comm_size(comm, &processes);
    return processes;
}

// Every process's bytes, on the first process in the order of the processes (empty on
// the others). Collective.
std::vector<std::string> GatherBytes(const std::string& mine, MPI_Comm comm = MPI_COMM_WORLD);

}  // namespace tarvolen
