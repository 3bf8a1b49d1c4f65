#pragma once
// `tessaline-cli simulate`: start-up and the settings as for `run`, then " Statistical Simulation"
// with its dialogs answered from the command line, then the result as text, JSON or CSV.
#include <atomic>
#include <optional>
#include <ostream>
#include <string>

#include "cli/image_painter.h"
#include "cli/run_settings.h"
#include "platform/console_window.h"
#include "simulation/driver.h"
#include "simulation/study.h"

namespace tessaline::cli {

class ProcessGroup;
class ProgressReport;

// The values typed into the " Location Parameters" dialog; an option not given keeps the value
// the dialog shows.
struct SimulationGrid {
    std::optional<int> pulsesFrom, pulsesTo, pulsesIncrement;
    std::optional<int> noiseFrom, noiseSteps, noiseIncrement;
    std::optional<int> repeats;
};

// What is chosen in the " Show Statistical Simulation" dialog that ends a run: which error
// (1 restored, 2 detection, 3 recognition), which form (1 componentwise, 2 summary view), the
// theoretical recognition curves ("bounds incl.") and a fixed upper bound of the graph.
struct StatisticsChoice {
    int handling = 1;
    int viewCase = 1;
    bool bounds = false;
    std::optional<std::string> upperBound;  // as typed: a positive decimal number
};

// The largest fixed upper bound a graph takes.
inline constexpr double UPPER_BOUND_LIMIT = 1000.0;

struct SimulateOptions {
    RunSettings settings;  // its length is typed into the series-parameters dialog
    SimulationGrid grid;
    StatisticsChoice display;
    std::string plotPath;                // empty: no picture
    std::string plotSize = "1600x1000";  // the picture's client area
    std::string figurePath;              // empty: no figure (.svg, .pdf or .png)
    int threads = 0;                     // 0: one per core
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

// What is wrong with the statistics choice for a run of the state's task, or "": recognition
// error and its bounds are offered for recognition only, and a fixed bound must be a positive
// number up to UPPER_BOUND_LIMIT.
std::string checkStatisticsChoice(const StatisticsChoice& choice, const AppState& state);

// What is wrong with a figure file's name given as option `option` (.svg, .pdf or .png), or "".
std::string checkFigurePath(std::string_view path, std::string_view option);

// Start-up, the settings and every check made before the run: EXIT_DONE when the run can start,
// else the status to end with (the reason said on `said`, naming `command`).
int prepareSimulation(ConsoleWindow& window, AppState& state, const SimulateOptions& options,
                      std::string_view command, std::ostream& said);

// Runs " Statistical Simulation" through the window's command with its dialogs answered from the
// options, this process doing the cells of `share` (as `render --view stats` does); the seconds it
// took. The state then holds the run's record and the
// statistics view chosen, or `dwDialogAccepted` 0 when a dialog refused what was typed.
double runAnsweredSimulation(ConsoleWindow& window, AppState& state, const SimulateOptions& options,
                             CellShare share, const std::atomic<bool>* cancel, ProgressReport& progress);

// The study the state describes once the simulation's dialogs have committed their values: the
// state's workbench and grid, and the graph, threads and picture the options choose.
StudyRequest studyRequestOf(const AppState& state, const SimulateOptions& options);

// " Statistical Simulation" with its dialogs answered from the options, its run made in the core
// (runStudy) with `request`'s share, cancel and progress, then " Show Statistical Simulation":
// the rest of `request` is filled from the committed state. False when a dialog refused what was
// typed (`dwDialogAccepted` 0) or the run did not complete.
bool runSimulationStudy(ConsoleWindow& window, AppState& state, const SimulateOptions& options,
                        StudyRequest& request, SimulationClock& clock);

// Runs the command; `group` is the process group of a distributed run (one process without it),
// `cancel` stops the run between repeats, `painter` draws the --plot picture (none: a picture is
// refused). Only process 0 writes the result.
int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err,
                       const ProcessGroup& group, const std::atomic<bool>* cancel, ImagePainter* painter);

}  // namespace tessaline::cli
