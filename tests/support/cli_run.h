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

// The words of a command line split at blanks; '' stands for an empty word.
inline std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> result;
    std::istringstream in(line);
    for (std::string word; in >> word;) result.push_back(word == "''" ? "" : word);
    return result;
}

// The options of the smallest simulation grid, for runs that only need one to start.
inline const std::string QUICK_GRID = " --repeats 1 --noise-steps 1 --pulses-to 7 --threads 1";

}  // namespace tessaline
