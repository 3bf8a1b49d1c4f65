#pragma once
// The processes of a distributed simulation. Started under mpirun (when the command line was
// built with MPI), every process runs the same command with its share of the cells and process 0
// gathers the matrices; otherwise there is one process doing everything.
#include "simulation/driver.h"

namespace tessaline {
struct RestErrorHeader;
}

namespace tessaline::cli {

class ProcessGroup {
public:
    ProcessGroup(int& argc, char**& argv);
    ~ProcessGroup();
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;

    CellShare share() const { return {rank_, size_}; }
    bool first() const { return rank_ == 0; }

    // Adds the six matrices and the repeat sums of every process into process 0's record (each
    // cell was filled by exactly one process, the others left it 0) and tells every process whether
    // all completed.
    bool gather(RestErrorHeader* record, bool completed) const;

private:
    int rank_ = 0;
    int size_ = 1;
    bool started_ = false;
};

}  // namespace tessaline::cli
