#pragma once
// Progress of a long simulation on the error stream: a bar redrawn in place on a terminal (cells
// done, series per second, time left), otherwise a plain line at every tenth of the cells.
#include <chrono>
#include <ostream>

#include "simulation/driver.h"

namespace tessaline::cli {

class ProgressReport {
public:
    ProgressReport(std::ostream& out, bool terminal);
    void update(const SimulationProgress& progress);
    // Ends the bar's line on a terminal.
    void finish();

private:
    std::string describe(const SimulationProgress& progress) const;

    std::ostream& out_;
    bool terminal_;
    int lastTenth_ = -1;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace tessaline::cli
