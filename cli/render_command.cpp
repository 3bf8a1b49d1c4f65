#include "cli/render_command.h"

#include "app/commands.h"
#include "app/state.h"
#include "app/window_paint.h"
#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "platform/console_window.h"
#include "simulation/statistics.h"
#include "simulation/study.h"
#include "views/stats_figure.h"

namespace tessaline::cli {
namespace {

// What is wrong with the options, or an empty text.
std::string checkRenderOptions(const RenderOptions& options) {
    if (options.view != "alphabet" && options.view != "result" && options.view != "stats" &&
        options.view != "subsets" && options.view != "params") {
        return "--view must be alphabet, result, stats, subsets or params, not \"" + options.view + "\"";
    }
    if (!options.figure.empty() && options.view != "stats") return "--figure goes with --view stats";
    if (options.out.empty() && options.figure.empty()) return "--out is required";
    if (!options.out.empty()) {
        if (std::string bad = checkImageOptions(options.size, options.out, "--size", "--out"); !bad.empty())
            return bad;
    }
    if (options.steps < 0) return "--steps must not be negative";
    if (!options.pointer.empty() && options.view == "stats")
        return "--clicks and --drag go with the other views";
    return checkPointerScript(options.pointer, *parseImageSize(options.size));
}

// The view asked for, as the window would show it after the steps.
int showView(Window& window, AppState& state, const std::string& view, std::ostream& err) {
    state.view.wResultKind = RESULT_PROCESSING;
    if (view == "params") {
        // " View series parameters..." makes the panel's record; when it cannot, it has said why.
        window.sendCommand(CMD_VIEW_SERIES_PARAMETERS);
        if (state.view.dwViewMode == VIEW_PARAMETERS && state.lpParamsHeader != nullptr) return EXIT_DONE;
        err << cli_text::commandLine("render", cli_text::NO_PARAMETERS_PANEL);
        return EXIT_FAILED;
    }
    state.view.dwViewMode = view == "alphabet"  ? VIEW_ALPHABET
                            : view == "subsets" ? VIEW_SUBSETS
                                                : VIEW_RESULT;
    prepareForPaint(window, state);
    return EXIT_DONE;
}

// The steps of `run`, then the view asked for.
int runSteps(ConsoleWindow& window, AppState& state, const RenderOptions& options, ImagePainter& painter,
             std::ostream& err) {
    const int status = startUpWithSettings(window, state, options.settings, "render", err,
                                           SeriesLength::Applied, options.steps);
    if (status != EXIT_DONE) return status;
    if (!options.pointer.empty())
        playPointerScript(window, state, painter, *parseImageSize(options.size), options.pointer);
    // A picture of a step that gave no result would show the previous series as if it were new.
    for (int step = 1; step <= options.steps; ++step) {
        if (!runProcessingStep(window, state)) {
            err << cli_text::commandLine("render", cli_text::stepGaveNoResult(step));
            return EXIT_FAILED;
        }
    }
    return showView(window, state, options.view, err);
}

// The simulation of `simulate`, ending in " Show Statistical Simulation" with the graph chosen.
int runSimulation(ConsoleWindow& window, AppState& state, const RenderOptions& options, ImagePainter& painter,
                  const std::atomic<bool>* cancel, std::ostream& err) {
    SimulateOptions simulate;
    simulate.settings = options.settings;
    simulate.grid = options.grid;
    simulate.threads = options.threads;
    simulate.display = options.display;
    simulate.figurePath = options.figure;
    if (const int status = prepareSimulation(window, state, simulate, "render", err); status != EXIT_DONE)
        return status;
    ProgressReport progress(err, options.terminal);
    runAnsweredSimulation(window, state, simulate, CellShare{}, cancel, progress);
    if (state.dwDialogAccepted == 0) return EXIT_REFUSED;
    if (state.lpRestErrorHeader == nullptr || state.lpRestErrorHeader->ifComplete == 0) {
        err << cli_text::commandLine("render", cli_text::SIMULATION_INCOMPLETE);
        return EXIT_FAILED;
    }
    if (options.figure.empty()) return EXIT_DONE;
    const StudyRequest request = studyRequestOf(state, simulate);
    const StudyResult result =
        studyResult(request, *state.lpRestErrorHeader, *state.lpSeriesHeader, SimulationClock{});
    return painter.saveFigure(statsFigure(result, request), options.figure, "render", err);
}

}  // namespace

int runRenderCommand(const RenderOptions& options, ImagePainter& painter, std::ostream& err,
                     const std::atomic<bool>* cancel) {
    const std::string refused = checkRenderOptions(options);
    if (!refused.empty()) {
        err << cli_text::commandLine("render", refused);
        return EXIT_REFUSED;
    }
    // The drawing platform starts before any work is done: one that cannot start ends the command here.
    painter.start("render", err);
    ConsoleWindow window(&err);
    AppState state;
    const int status = options.view == "stats" ? runSimulation(window, state, options, painter, cancel, err)
                                               : runSteps(window, state, options, painter, err);
    if (status != EXIT_DONE || options.out.empty()) return status;
    return painter.paintAndSave(window, state, *parseImageSize(options.size), options.out, "render", err);
}

}  // namespace tessaline::cli
