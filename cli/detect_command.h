#pragma once
// `tessaline-cli detect`: the workbench's processing run on a series and etalons read from files.
// The series and etalons are read (cli/sample_readers.h), the gaps and the pulse count checked to
// admit a chain, the algorithm of the task chosen as the workbench chooses it, and the found
// pulses with the best chains written as text, JSON or CSV.
#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "cli/image_painter.h"

namespace tessaline::cli {

// The options as the parser fills them.
struct DetectArguments {
    std::string series, etalons, tmin, tmax, count, countRange, task = "joint", tuples, energy, chains, scale;
    std::string plot, plotSize = "1600x600";
    bool json = false, csv = false;
};

// The most samples a series takes: positions in the results are 16-bit.
inline constexpr std::size_t DETECT_SERIES_LIMIT = 32767;
// The most etalons read, and the default and greatest number of best chains reported.
inline constexpr std::size_t DETECT_ETALON_LIMIT = 1000;
inline constexpr int DETECT_DEFAULT_CHAINS = 10;
inline constexpr int DETECT_CHAINS_LIMIT = 1000;

void addDetectOptions(CLI::App& command, DetectArguments& arguments);

// Reads, checks, processes and writes the result on `out`, then paints the --plot picture with
// `painter` (none: --plot is refused); the exit status (a refusal is one line on `err`).
int runDetectCommand(const CLI::App& command, const DetectArguments& arguments, std::ostream& out,
                     std::ostream& err, ImagePainter* painter);

}  // namespace tessaline::cli
