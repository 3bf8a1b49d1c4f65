#include "cli/commands.h"

#include "app/startup.h"
#include "app/state.h"
#include "cli/state_json.h"
#include "cli/text_output.h"
#include "platform/headless.h"

namespace tessaline::cli {

int runAlphabetCommand(const AlphabetOptions& options, std::ostream& out, std::ostream& err) {
    HeadlessWindow window(&err);
    AppState state;
    runStartUp(window, state);
    if (state.dwAlphabetReady == 0) return EXIT_FAILED;
    if (options.json) {
        out << alphabetJson(state).dump() << "\n";
    } else {
        printAlphabet(out, state);
    }
    return EXIT_DONE;
}

int runRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err) {
    if (options.steps != 0) {
        err << "tessaline-cli: run: this build makes the start-up series only; use --steps 0\n";
        return EXIT_REFUSED;
    }
    HeadlessWindow window(&err);
    AppState state;
    runStartUp(window, state);
    if (options.json) {
        out << runStepJson(0, state).dump() << "\n";
    } else {
        printStateSummary(out, state);
    }
    return window.messages().empty() ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace tessaline::cli
