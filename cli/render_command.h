#pragma once
// tessaline-cli render: start-up, the run settings and processing steps as `run` does them (or, for
// the statistics view, the simulation as `simulate` runs it), then the client area painted in one
// view and saved as a PNG, BMP or PCX file (by the file's extension; BMP and PCX through the
// workbench's own image writers).
#include <ostream>
#include <string>

#include "cli/image_painter.h"
#include "cli/pointer.h"
#include "cli/run_settings.h"
#include "cli/simulate_command.h"

namespace tessaline::cli {

struct RenderOptions {
    RunSettings settings;
    int steps = 1;
    std::string view;                // "alphabet", "result" or "stats"
    std::string size = "1600x1000";  // client area, WIDTHxHEIGHT
    std::string out;                 // the image file; may be left out when a figure is asked for
    std::string figure;              // the statistics view only: its figure file (.svg, .pdf, .png)
    // The statistics view only: the simulation's grid and threads, and the graph chosen.
    SimulationGrid grid;
    int threads = 0;
    StatisticsChoice display;
    bool terminal = false;  // the error stream is a terminal: the simulation's progress as a bar
    PointerScript pointer;  // played after the settings, before the steps
};

// Exit status as for `run`: 0 written, 1 the workbench could not start, the run gave no result or
// the file could not be written (the reason is on `err`), 2 refused options. The painter's
// platform is started before anything else runs; when it cannot start, the process ends there
// with one line on `err` and status 1. A file that cannot be written leaves an older file of the
// name unchanged. `cancel` stops the statistics view's simulation between repeats.
int runRenderCommand(const RenderOptions& options, ImagePainter& painter, std::ostream& err,
                     const std::atomic<bool>* cancel = nullptr);

}  // namespace tessaline::cli
