#pragma once
// tessaline-cli's command line run in-process, its exit status and both output streams kept.
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace tessaline {

struct CliOutcome {
    int status = 0;
    std::string out, err;
};

// Runs "tessaline-cli ARGS..." with `painter` for the pictures (none: pictures are refused).
inline CliOutcome runCommandLineOf(std::vector<std::string> args, cli::ImagePainter* painter = nullptr) {
    args.insert(args.begin(), "tessaline-cli");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::ostringstream out, err;
    const int status = cli::runCommandLine(static_cast<int>(args.size()), argv.data(), out, err, painter);
    return {status, out.str(), err.str()};
}

}  // namespace tessaline
