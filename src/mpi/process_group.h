#pragma once

#include <mpi.h>

#include <string>
#include <vector>

namespace tarvolen {

// The tags of the messages processes send one another outside the collective steps.
enum MessageTag : int {
    kBytesTag = 1,        // the bytes a process has read, for the job's line
    kShareDoneTag = 2,    // the same, once its share is read
    kSortedTag = 3,       // a chunk of a sorted part of the list
    kDealRequestTag = 4,  // a process asks for files to read, or says it stopped
    kDealTag = 5,         // the files dealt to it
};

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
