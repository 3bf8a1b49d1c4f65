#pragma once
// `tessaline-cli detect`: the workbench's processing run on a series and etalons read from files.
// The series and etalons are read (cli/sample_readers.h), the detection run (detect/detection.h),
// and the found pulses with the best chains written as text, JSON or CSV. The options are read in
// detect_options.h, the result written in detect_output.h.
#include <ostream>
#include <string>

#include "cli/detect_options.h"
#include "cli/image_painter.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tessaline::cli {

// Reads, checks, processes and writes the result on `out`, then paints the --plot picture with
// `painter` (none: --plot is refused); the exit status (a refusal is one line on `err`).
int runDetectCommand(const CLI::App& command, const DetectArguments& arguments, std::ostream& out,
                     std::ostream& err, ImagePainter* painter);

}  // namespace tessaline::cli
