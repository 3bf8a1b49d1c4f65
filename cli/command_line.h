#pragma once
// The whole command line of tessaline-cli: its subcommands and options, their reading, and the
// command that runs. `render` paints with Qt, which the rest of the front end does without: the
// program hands it in as a function, so that everything else runs (and is tested) without Qt.
#include <functional>
#include <ostream>
#include <string>

#include "cli/run_settings.h"

namespace tessaline::cli {

// What `render` was asked for, its settings read and checked for spelling.
struct RenderRequest {
    RunSettings settings;
    int steps = 1;
    std::string view;
    std::string size = "1600x1000";
    std::string out;
};

using RenderRunner = std::function<int(const RenderRequest&, std::ostream& err)>;

// Parses argv and runs the command, writing results to `out` and messages to `err`; returns the
// exit status (0 done, 1 failed run or write, 2 refused input). Without a render runner, `render`
// is refused.
int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err, const RenderRunner& render);

}  // namespace tessaline::cli
