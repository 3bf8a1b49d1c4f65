#include "cli/process_group.h"

#include <cstdlib>
#include <vector>

#ifdef TESSALINE_HAVE_MPI
#include <mpi.h>
#endif

#include "simulation/statistics.h"

namespace tessaline::cli {
namespace {

#ifdef TESSALINE_HAVE_MPI
// True when a launcher started this process as one of a group.
bool launchedAsGroup() {
    for (const char* variable : {"OMPI_COMM_WORLD_SIZE", "PMI_SIZE", "PMIX_RANK"}) {
        if (std::getenv(variable) != nullptr) return true;
    }
    return false;
}
#endif

}  // namespace

ProcessGroup::ProcessGroup([[maybe_unused]] int& argc, [[maybe_unused]] char**& argv) {
#ifdef TESSALINE_HAVE_MPI
    if (!launchedAsGroup()) return;
    MPI_Init(&argc, &argv);
    started_ = true;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
#endif
}

ProcessGroup::~ProcessGroup() {
#ifdef TESSALINE_HAVE_MPI
    if (started_) MPI_Finalize();
#endif
}

bool ProcessGroup::gather([[maybe_unused]] RestErrorHeader* record, bool completed) const {
#ifdef TESSALINE_HAVE_MPI
    if (!started_ || size_ == 1) return completed;
    int mine = completed ? 1 : 0, all = 0;
    MPI_Allreduce(&mine, &all, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    if (all == 0 || record == nullptr) return false;
    for (int32_t** matrix : {record->lpErrors, record->lpDetectionErrors, record->lpDetectionSpare,
                             record->lpRecognitionErrors, record->lpSpareErrors1, record->lpSpareErrors2}) {
        for (int k = 0; k < record->wNoiseLevels; ++k) {
            int32_t* row = matrix[k];
            const int count = record->wVariousPulses;
            if (first()) {
                MPI_Reduce(MPI_IN_PLACE, row, count, MPI_INT32_T, MPI_SUM, 0, MPI_COMM_WORLD);
            } else {
                MPI_Reduce(row, nullptr, count, MPI_INT32_T, MPI_SUM, 0, MPI_COMM_WORLD);
            }
        }
    }
    // The repeat sums as 64-bit words: each cell's are one process's, so adding them is exact.
    const int words = record->wReservedLevels * record->wReservedPulses * SPREAD_MEASURES *
                      static_cast<int>(sizeof(RepeatSums) / sizeof(uint64_t));
    if (first()) {
        MPI_Reduce(MPI_IN_PLACE, record->lpRepeatSums, words, MPI_UINT64_T, MPI_SUM, 0, MPI_COMM_WORLD);
    } else {
        MPI_Reduce(record->lpRepeatSums, nullptr, words, MPI_UINT64_T, MPI_SUM, 0, MPI_COMM_WORLD);
    }
    return true;
#else
    return completed;
#endif
}

}  // namespace tessaline::cli
