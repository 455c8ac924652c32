// The tests that take several processes, run under mpirun: every process takes part in
// each test, the first checks and reports.
#include <gtest/gtest.h>
#include <mpi.h>

#include "mpi/process_group.h"

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    testing::InitGoogleTest(&argc, argv);
    // The first process reports; the others only take part.
    if (tarvolen::RankIn() != 0)
        delete testing::UnitTest::GetInstance()->listeners().Release(
            testing::UnitTest::GetInstance()->listeners().default_result_printer());
    const int status = RUN_ALL_TESTS();
    MPI_Finalize();
    return status;
}
