#pragma once
// The command-line front end's commands, each run on a fresh, started-up state.
#include <ostream>

namespace tessaline::cli {

struct AlphabetOptions {
    bool json = false;
};

struct RunOptions {
    int steps = 1;
    bool json = false;
};

// Exit statuses: 0 done, 1 the workbench reported a failure, 2 refused input.
inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_REFUSED = 2;

int runAlphabetCommand(const AlphabetOptions& options, std::ostream& out, std::ostream& err);
int runRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tessaline::cli
