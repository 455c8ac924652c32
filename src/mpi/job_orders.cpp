#include "mpi/job_orders.h"

#include <mpi.h>

#include <array>

namespace tarvolen {

void SendOrder(Order order, const std::string& details) {
    std::array<std::int64_t, 2> head{static_cast<std::int64_t>(order),
                                     static_cast<std::int64_t>(details.size())};
    MPI_Bcast(head.data(), 2, MPI_INT64_T, 0, MPI_COMM_WORLD);
    if (!details.empty())
        MPI_Bcast(const_cast<char*>(details.data()), static_cast<int>(details.size()), MPI_BYTE, 0,
                  MPI_COMM_WORLD);
}

Ordered NextOrder() {
    std::array<std::int64_t, 2> head{};
    MPI_Bcast(head.data(), 2, MPI_INT64_T, 0, MPI_COMM_WORLD);
    Ordered next{static_cast<Order>(head[0]), std::string(static_cast<std::size_t>(head[1]), '\0')};
    if (!next.details.empty())
        MPI_Bcast(next.details.data(), static_cast<int>(next.details.size()), MPI_BYTE, 0,
                  MPI_COMM_WORLD);
    return next;
}

}  // namespace tarvolen
