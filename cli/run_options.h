#pragma once
// The SETTINGS options shared by the commands that start up and apply settings (run, simulate,
// render): registered on a subcommand, then read into the settings record once parsed.
#include <CLI/CLI.hpp>
#include <string>

#include "cli/run_settings.h"

namespace tessaline::cli {

// Numbers and lists of the run settings as the parser fills them.
struct RunArguments {
    int seriesType = 0, tmin = 0, tmax = 0, length = 0, pulses = 0, noise = 0, lost = 0;
    int employment = 0, initPosition = 0, proceeding = 0, chosen = 0;
    std::string task, required, subset, tuples;
};

void addRunOptions(CLI::App& command, RunArguments& arguments);

// The settings record from the parsed options; false (with the reason) for a malformed list.
bool readRunSettings(const CLI::App& command, const RunArguments& arguments, RunSettings& settings,
                     std::string& error);

}  // namespace tessaline::cli
