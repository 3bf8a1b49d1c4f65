#pragma once
// `tessaline-cli simulate`: start-up and the settings as for `run`, then " Statistical Simulation"
// with its dialogs answered from the command line, then the result as text, JSON or CSV.
#include <atomic>
#include <optional>
#include <ostream>
#include <string>

#include "cli/run_settings.h"

namespace tessaline::cli {

class ProcessGroup;

// The values typed into the " Location Parameters" dialog; an option not given keeps the value
// the dialog shows.
struct SimulationGrid {
    std::optional<int> pulsesFrom, pulsesTo, pulsesIncrement;
    std::optional<int> noiseFrom, noiseSteps, noiseIncrement;
    std::optional<int> repeats;
};

struct SimulateOptions {
    RunSettings settings;  // its length is typed into the series-parameters dialog
    SimulationGrid grid;
    int threads = 0;  // 0: one per core
    bool json = false;
    std::string csvPath;    // empty: no CSV
    bool terminal = false;  // the error stream is a terminal: progress as a bar
    bool verbose = false;   // also echo the summary the simulation shows before it starts
};

// What is wrong with the grid options (each must fit the dialog's 16-bit fields), or "".
std::string checkSimulationGrid(const SimulationGrid& grid);
// The same, then the grid as the dialogs will hold it (options not given keep what the dialogs
// show) against the series the run makes from `state` and the series length typed in: pulse
// counts the series holds, at least one noise level and one repeat, the last noise level within
// what the generator adds without overflowing.
std::string checkSimulationGrid(const SimulationGrid& grid, const AppState& state, std::optional<int> length);

// Runs the command; `group` is the process group of a distributed run (one process without it),
// `cancel` stops the run between repeats. Only process 0 writes the result.
int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err,
                       const ProcessGroup& group, const std::atomic<bool>* cancel);

// Sets `flag` on the first interrupt (Ctrl-C), so a simulation stops cleanly; a second interrupt
// ends the program at once.
void cancelOnInterrupt(std::atomic<bool>& flag);

}  // namespace tessaline::cli
