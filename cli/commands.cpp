#include "cli/commands.h"

#include "app/commands.h"
#include "app/startup.h"
#include "app/state.h"
#include "cli/layout_json.h"
#include "cli/messages.h"
#include "cli/state_json.h"
#include "cli/text_output.h"
#include "model/codes.h"
#include "model/random.h"
#include "panels/subset_panel_state.h"
#include "platform/console_window.h"
#include "views/report.h"

namespace tessaline::cli {
namespace {

void printReport(std::ostream& out, const AppState& state) {
    const ProcessingReport report = buildProcessingReport(state.lpSeriesHeader, state.lpChainsHeader);
    for (const std::string& line : processingReportText(report)) out << line << "\n";
}

// What keeps `steps` processing steps from running on the started-up state, or an empty text.
std::string checkProcessingSteps(const AppState& state, int steps) {
    // On a tuples series, detection looks for one tuple; in the window the subset panel would open
    // to compose it, here it must be given.
    const bool tuplesDetection =
        isTuplesSeriesType(state.task.wSeriesType) && state.task.wSelectedTask == TASK_DETECTION;
    const bool composed = subsetPanelReady(state.subsetPanel) && state.subsetPanel.dwEntries > 0;
    if (tuplesDetection && steps > 0 && !composed)
        return "tuples detection needs a tuple: give it with --subset";
    return {};
}

}  // namespace

int runAlphabetCommand(const AlphabetOptions& options, std::ostream& out, std::ostream& err) {
    ConsoleWindow window(&err);
    AppState state;
    runStartUp(window, state);
    if (state.alphabet.dwAlphabetReady == 0) return EXIT_FAILED;
    if (options.json) {
        out << alphabetJson(state).dump() << "\n";
    } else {
        printAlphabet(out, state);
    }
    return EXIT_DONE;
}

int startUpWithSettings(ConsoleWindow& window, AppState& state, const RunSettings& settings,
                        std::string_view command, std::ostream& err, SeriesLength length, int steps) {
    window.setCommandHandler([&window, &state](int id) { dispatchCommand(window, state, id); });
    if (settings.seed) state.states = seededGeneratorStates(*settings.seed);
    runStartUp(window, state);
    layOutWindow(state, Rect{0, 0, CLI_CLIENT_WIDTH, CLI_CLIENT_HEIGHT}, CLI_LINE_HEIGHT);
    if (state.alphabet.dwAlphabetReady == 0 || state.lpSeriesHeader == nullptr) return EXIT_FAILED;
    const std::string refused = checkRunSettings(settings, state);
    if (!refused.empty()) {
        err << cli_text::commandLine(command, refused);
        return EXIT_REFUSED;
    }
    for (const std::string& warning : runSettingsWarnings(settings, state)) {
        err << cli_text::commandLine(command, warning);
    }
    RunSettings applied = settings;
    if (length == SeriesLength::Checked) applied.length.reset();
    applyRunSettings(window, state, applied);
    layOutWindow(state, Rect{0, 0, CLI_CLIENT_WIDTH, CLI_CLIENT_HEIGHT}, CLI_LINE_HEIGHT);
    if (const std::string cannot = checkProcessingSteps(state, steps); !cannot.empty()) {
        err << cli_text::commandLine(command, cannot);
        return EXIT_REFUSED;
    }
    return EXIT_DONE;
}

bool runProcessingStep(Window& window, const AppState& state) {
    const uint32_t completed = state.dwCompletedRuns;
    window.sendCommand(CMD_PROCESSING_NEXT_DATA);
    return state.dwCompletedRuns != completed;
}

std::string checkPointerOptions(const PointerScript& pointer, std::string_view size,
                                const ImagePainter* painter) {
    if (std::string bad = checkImageSize(size, "--size"); !bad.empty()) return bad;
    if (pointer.empty()) return "";
    if (painter == nullptr) return std::string(cli_text::DRAWS_NO_IMAGES_TO_AIM_AT);
    return checkPointerScript(pointer, *parseImageSize(size));
}

int runRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err, ImagePainter* painter) {
    if (const std::string refused = checkPointerOptions(options.pointer, options.size, painter);
        !refused.empty()) {
        err << cli_text::commandLine("run", refused);
        return EXIT_REFUSED;
    }
    if (!options.pointer.empty()) painter->start("run", err);
    ConsoleWindow window(&err);
    AppState state;
    const int status = startUpWithSettings(window, state, options.settings, "run", err, SeriesLength::Applied,
                                           options.steps);
    if (status != EXIT_DONE) return status;
    if (!options.pointer.empty())
        playPointerScript(window, state, *painter, *parseImageSize(options.size), options.pointer);
    if (options.json) {
        out << runStepJson(0, state).dump() << "\n";
    } else if (options.steps == 0) {
        printStateSummary(out, state);
    }
    for (int step = 1; step <= options.steps; ++step) {
        if (!runProcessingStep(window, state)) {
            err << cli_text::commandLine("run", cli_text::stepGaveNoResult(step));
            return EXIT_FAILED;
        }
        if (options.json) {
            out << runStepJson(step, state).dump() << "\n";
        } else {
            if (step > 1) out << "\n";
            printReport(out, state);
        }
        out.flush();
        if (!out) return EXIT_FAILED;  // the caller reports the stream's failure
    }
    return EXIT_DONE;
}

int runLayoutCommand(const LayoutOptions& options, std::ostream& out, std::ostream& err,
                     ImagePainter* painter) {
    if (painter == nullptr) {
        err << cli_text::commandLine("layout", cli_text::DRAWS_NO_IMAGES_TO_MEASURE);
        return EXIT_REFUSED;
    }
    if (const std::string refused = checkPointerOptions(options.pointer, options.size, painter);
        !refused.empty()) {
        err << cli_text::commandLine("layout", refused);
        return EXIT_REFUSED;
    }
    painter->start("layout", err);
    ConsoleWindow window(&err);
    AppState state;
    const int status = startUpWithSettings(window, state, options.settings, "layout", err);
    if (status != EXIT_DONE) return status;
    const ImageSize size = *parseImageSize(options.size);
    playPointerScript(window, state, *painter, size, options.pointer);
    const PaintedGeometry painted = paintAndKeep(window, state, *painter, size);
    const nlohmann::ordered_json json = layoutJson(state, painted, size);
    if (options.json) {
        out << json.dump() << "\n";
        return EXIT_DONE;
    }
    for (const auto& [name, value] : json.items()) out << name << " " << value.dump() << "\n";
    return EXIT_DONE;
}

}  // namespace tessaline::cli
