#include "cli/commands.h"

#include "app/commands.h"
#include "app/startup.h"
#include "app/state.h"
#include "cli/state_json.h"
#include "cli/text_output.h"
#include "platform/headless.h"
#include "views/report.h"

namespace tessaline::cli {
namespace {

void printReport(std::ostream& out, const AppState& state) {
    const ProcessingReport report = buildProcessingReport(state.lpSeriesHeader, state.lpChainsHeader);
    for (const std::string& line : processingReportText(report)) out << line << "\n";
}

}  // namespace

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

int startUpWithSettings(HeadlessWindow& window, AppState& state, const RunSettings& settings,
                        std::string_view command, std::ostream& err) {
    window.setCommandHandler([&window, &state](int id) { dispatchCommand(window, state, id); });
    runStartUp(window, state);
    layOutWindow(state, Rect{0, 0, CLI_CLIENT_WIDTH, CLI_CLIENT_HEIGHT}, CLI_LINE_HEIGHT);
    if (state.dwAlphabetReady == 0 || state.lpSeriesHeader == nullptr) return EXIT_FAILED;
    const std::string refused = checkRunSettings(settings, state);
    if (!refused.empty()) {
        err << "tessaline-cli: " << command << ": " << refused << "\n";
        return EXIT_REFUSED;
    }
    applyRunSettings(window, state, settings);
    layOutWindow(state, Rect{0, 0, CLI_CLIENT_WIDTH, CLI_CLIENT_HEIGHT}, CLI_LINE_HEIGHT);
    return EXIT_DONE;
}

int runRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err) {
    HeadlessWindow window(&err);
    AppState state;
    const int status = startUpWithSettings(window, state, options.settings, "run", err);
    if (status != EXIT_DONE) return status;
    if (options.json) {
        out << runStepJson(0, state).dump() << "\n";
    } else if (options.steps == 0) {
        printStateSummary(out, state);
    }
    for (int step = 1; step <= options.steps; ++step) {
        window.sendCommand(CMD_PROCESSING_NEXT_DATA);
        if (options.json) {
            out << runStepJson(step, state).dump() << "\n";
        } else {
            if (step > 1) out << "\n";
            printReport(out, state);
        }
        out.flush();
    }
    return EXIT_DONE;
}

}  // namespace tessaline::cli
