#pragma once
// The whole command line of tessaline-cli: its subcommands and options, their reading, and the
// command that runs. Pictures are painted with Qt, which the rest of the front end does without: the
// program hands a painter in, so that everything else runs (and is tested) without Qt.
#include <ostream>
#include <string>
#include <vector>

#include "cli/image_painter.h"
#include "cli/simulate_command.h"

namespace tessaline::cli {

// Parses argv and runs the command, writing results to `out` and messages to `err`; returns the
// exit status (0 done, 1 failed run or write, 2 refused input). Without a painter, `render` and
// `simulate --plot` are refused.
int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err, ImagePainter* painter);

// Reads the options of `simulate` (the words after the command's name, as on the command line) into
// `options`: EXIT_DONE, or EXIT_REFUSED with the refusal said on `err`.
int readSimulateCommandLine(std::vector<std::string> words, SimulateOptions& options, std::ostream& err);

}  // namespace tessaline::cli
