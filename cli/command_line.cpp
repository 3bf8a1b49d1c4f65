#include "cli/command_line.h"

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <climits>

#include "cli/commands.h"
#include "cli/detect_command.h"
#include "cli/evaluate_command.h"
#include "cli/messages.h"
#include "cli/process_group.h"
#include "cli/render_command.h"
#include "cli/run_options.h"
#include "cli/simulate_command.h"
#include "cli/termination.h"
#include "simulation/driver.h"

namespace tessaline::cli {
namespace {

// The grid and run options of a simulation as the parser fills them, and the graph chosen.
struct SimulateArguments {
    std::string pulsesFrom, pulsesTo, pulsesIncrement, noiseFrom, noiseSteps, noiseIncrement, repeats;
    std::string threads;
    std::string handling, viewCase, upperBound;
    bool bounds = false;
};

// The scripted pointer as the parser fills it.
struct PointerArguments {
    std::string clicks, drags;
};

// Options of every command, kept alive for the parser that fills them.
struct Arguments {
    AlphabetOptions alphabet;
    RunOptions run;
    RunArguments runSettings, simulateSettings, renderSettings, layoutSettings;
    std::string runSteps, renderSteps;
    SimulateOptions simulate;
    SimulateArguments grid, renderGrid;
    RenderOptions render;
    LayoutOptions layout;
    PointerArguments runPointer, renderPointer, layoutPointer;
    DetectArguments detect;
    EvaluateArguments evaluate;
};

void addPointerOptions(CLI::App& command, PointerArguments& a) {
    command.add_option("--clicks", a.clicks,
                       "Clicks \"x,y;x,y;...\" (an item \"x1,y1>x2,y2\" drags) on the client area after the "
                       "settings, each aimed at the picture as last painted");
    command.add_option("--drag", a.drags, "Drags \"x1,y1>x2,y2;...\", played after --clicks");
}

bool readPointerOptions(const CLI::App& command, const PointerArguments& a, PointerScript& script,
                        std::string& error) {
    if (command.count("--clicks") > 0 && !parsePointerScript(a.clicks, "--clicks", false, script, error))
        return false;
    return command.count("--drag") == 0 || parsePointerScript(a.drags, "--drag", true, script, error);
}

void addGridOptions(CLI::App& command, SimulateArguments& a) {
    command.add_option("--pulses-from", a.pulsesFrom, "Least pulse count of the grid");
    command.add_option("--pulses-to", a.pulsesTo, "Greatest pulse count of the grid");
    command.add_option("--pulses-incr", a.pulsesIncrement, "Pulse count step");
    command.add_option("--noise-from", a.noiseFrom, "First noise level");
    command.add_option("--noise-steps", a.noiseSteps, "Number of noise levels");
    command.add_option("--noise-incr", a.noiseIncrement, "Noise level step");
    command.add_option("--repeats", a.repeats, "Series per cell");
    command.add_option("--threads", a.threads,
                       "Threads processing series side by side, 1..1024 (default: one per core)");
    command.add_option(
        "--handling", a.handling,
        "The graph's error: 1 restored, 2 detection, 3 recognition (--task recognition or joint); "
        "default 1");
    command.add_option("--view-case", a.viewCase,
                       "1 one curve per pulse count (default), 2 one aggregate curve");
    command.add_flag("--bounds", a.bounds, "With --handling 3: also the two theoretical recognition curves");
    command.add_option("--upper-bound", a.upperBound,
                       "A fixed upper bound of the graph's axis (a decimal number above 0), instead of the "
                       "automatic one");
}

void addSimulateOptions(CLI::App& command, SimulateArguments& a, SimulateOptions& options) {
    addGridOptions(command, a);
    command.add_flag("--json", options.json, "The result as one JSON object");
    command.add_option("--csv", options.csvPath, "Also write one CSV row per cell to this file");
    command.add_flag("--verbose", options.verbose,
                     "Also show the summary the simulation shows before it starts");
    command.add_option("--plot", options.plotPath,
                       "Also paint the statistics graph of the run into this .png, .bmp or .pcx file");
    command.add_option("--size", options.plotSize,
                       "Client area WIDTHxHEIGHT of the --plot picture (default 1600x1000)");
    command.add_option("--figure", options.figurePath,
                       "Also draw the chosen graph as a figure for a paper (error bars, legend, axis titles) "
                       "into this .svg, .pdf or .png file");
}

// The grid, the threads and the graph chosen; false (with the reason) for a malformed one.
bool readGridOptions(const CLI::App& command, const SimulateArguments& a, SimulationGrid& grid, int& threads,
                     StatisticsChoice& display, std::string& error) {
    // The grid's bounds depend on the series; checkSimulationGrid tells them with the state.
    if (!readNumberOptions(command,
                           {{"--pulses-from", a.pulsesFrom, grid.pulsesFrom},
                            {"--pulses-to", a.pulsesTo, grid.pulsesTo},
                            {"--pulses-incr", a.pulsesIncrement, grid.pulsesIncrement},
                            {"--noise-from", a.noiseFrom, grid.noiseFrom},
                            {"--noise-steps", a.noiseSteps, grid.noiseSteps},
                            {"--noise-incr", a.noiseIncrement, grid.noiseIncrement},
                            {"--repeats", a.repeats, grid.repeats}},
                           error)) {
        return false;
    }
    std::optional<int> count, handling, viewCase;
    if (!readNumberOption(command, "--threads", a.threads, 1, SIMULATION_THREAD_LIMIT, count, error) ||
        !readNumberOption(command, "--handling", a.handling, 1, 3, handling, error) ||
        !readNumberOption(command, "--view-case", a.viewCase, 1, 2, viewCase, error)) {
        return false;
    }
    threads = count.value_or(0);
    display.handling = handling.value_or(1);
    display.viewCase = viewCase.value_or(1);
    display.bounds = a.bounds;
    if (command.count("--upper-bound") > 0) display.upperBound = a.upperBound;
    return true;
}

bool readSteps(const CLI::App& command, const std::string& text, int& steps, std::string& error) {
    std::optional<int> value;
    if (!readNumberOption(command, "--steps", text, 0, INT_MAX, value, error)) return false;
    steps = value.value_or(1);
    return true;
}

void addStepsOption(CLI::App& command, std::string& steps) {
    command.add_option("--steps", steps, "Processing steps after start-up (default 1)");
}

int refuse(std::ostream& err, const char* command, const std::string& error) {
    err << cli_text::commandLine(command, error);
    return EXIT_REFUSED;
}

// The settings, grid and graph of a parsed `simulate`; false (with the reason) for a malformed one.
bool readSimulateOptions(const CLI::App& command, const RunArguments& settings, const SimulateArguments& grid,
                         SimulateOptions& options, std::string& error) {
    return readRunSettings(command, settings, options.settings, error) &&
           readGridOptions(command, grid, options.grid, options.threads, options.display, error);
}

int runSimulate(const CLI::App& command, Arguments& a, int& argc, char**& argv, std::ostream& out,
                std::ostream& err, ImagePainter* painter) {
    std::string error;
    if (!readSimulateOptions(command, a.simulateSettings, a.grid, a.simulate, error))
        return refuse(err, "simulate", error);
    a.simulate.terminal = isatty(STDERR_FILENO) != 0;
    ProcessGroup group(argc, argv);
    std::atomic<bool> cancel{false};
    const StopCleanly stopping(&cancel);  // the CSV is beside its target for the whole run
    return runSimulateCommand(a.simulate, out, err, group, &cancel, painter);
}

int runRender(const CLI::App& command, Arguments& a, std::ostream& err, ImagePainter* painter) {
    std::string error;
    if (!readRunSettings(command, a.renderSettings, a.render.settings, error) ||
        !readSteps(command, a.renderSteps, a.render.steps, error) ||
        !readGridOptions(command, a.renderGrid, a.render.grid, a.render.threads, a.render.display, error) ||
        !readPointerOptions(command, a.renderPointer, a.render.pointer, error)) {
        return refuse(err, "render", error);
    }
    if (painter == nullptr) return refuse(err, "render", std::string(cli_text::DRAWS_NO_IMAGES));
    a.render.terminal = isatty(STDERR_FILENO) != 0;
    std::atomic<bool> cancel{false};
    const StopCleanly stopping(&cancel);
    return runRenderCommand(a.render, *painter, err, &cancel);
}

int runRun(const CLI::App& command, Arguments& a, std::ostream& out, std::ostream& err,
           ImagePainter* painter) {
    std::string error;
    if (!readRunSettings(command, a.runSettings, a.run.settings, error) ||
        !readSteps(command, a.runSteps, a.run.steps, error) ||
        !readPointerOptions(command, a.runPointer, a.run.pointer, error)) {
        return refuse(err, "run", error);
    }
    return runRunCommand(a.run, out, err, painter);
}

int runLayout(const CLI::App& command, Arguments& a, std::ostream& out, std::ostream& err,
              ImagePainter* painter) {
    std::string error;
    if (!readRunSettings(command, a.layoutSettings, a.layout.settings, error) ||
        !readPointerOptions(command, a.layoutPointer, a.layout.pointer, error)) {
        return refuse(err, "layout", error);
    }
    return runLayoutCommand(a.layout, out, err, painter);
}

CLI::App* addRenderCommand(CLI::App& app, Arguments& a) {
    CLI::App* command = app.add_subcommand(
        "render", "As run, then paint the client area in one view and save it as a PNG, BMP or PCX file");
    command
        ->add_option(
            "--view", a.render.view,
            "What the graph area shows: alphabet, result, subsets (the subset selection panel), params "
            "(the series parameters panel), or stats (the graph of a simulation run as simulate runs "
            "it, with its grid and graph options)")
        ->required();
    addStepsOption(*command, a.renderSteps);
    command->add_option("--size", a.render.size, "Client area WIDTHxHEIGHT (default 1600x1000)");
    command->add_option("--out", a.render.out, "Image file: .png, .bmp or .pcx (required but with --figure)");
    command->add_option(
        "--figure", a.render.figure,
        "With --view stats: the graph as a figure for a paper, into this .svg, .pdf or .png file");
    addRunOptions(*command, a.renderSettings);
    addGridOptions(*command, a.renderGrid);
    addPointerOptions(*command, a.renderPointer);
    return command;
}

CLI::App* addLayoutCommand(CLI::App& app, Arguments& a) {
    CLI::App* command = app.add_subcommand(
        "layout",
        "Start up, apply the settings and the pointer, then print the rectangles a click can aim at");
    addRunOptions(*command, a.layoutSettings);
    addPointerOptions(*command, a.layoutPointer);
    command->add_option("--size", a.layout.size, "Client area WIDTHxHEIGHT (default 1600x1000)");
    command->add_flag("--json", a.layout.json, "One JSON object instead of one line per name");
    return command;
}

}  // namespace

int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err, ImagePainter* painter) {
    CLI::App app{"Tessaline: detection and recognition of pulses in noisy series (headless front end)"};
    app.set_version_flag("--version", std::string("tessaline-cli ") + TESSALINE_VERSION);
    app.require_subcommand(1);
    Arguments a;

    CLI::App* alphabet = app.add_subcommand("alphabet", "Print the default alphabet of etalons");
    alphabet->add_flag("--json", a.alphabet.json, "One JSON line instead of text");

    CLI::App* run = app.add_subcommand(
        "run",
        "Start up, apply the settings (in a fixed order), then run \" Processing Next Data \" --steps times");
    addStepsOption(*run, a.runSteps);
    run->add_flag("--json", a.run.json,
                  "One JSON line per step (step 0 = after start-up, the settings and the pointer)");
    addRunOptions(*run, a.runSettings);
    addPointerOptions(*run, a.runPointer);
    run->add_option("--size", a.run.size, "Client area WIDTHxHEIGHT the pointer aims at (default 1600x1000)");

    CLI::App* simulate = app.add_subcommand(
        "simulate",
        "Start up, apply the settings, then run \" Statistical Simulation\" with the dialogs answered");
    addRunOptions(*simulate, a.simulateSettings);
    addSimulateOptions(*simulate, a.grid, a.simulate);

    CLI::App* renderCommand = addRenderCommand(app, a);
    CLI::App* layoutCommand = addLayoutCommand(app, a);

    CLI::App* detect = app.add_subcommand(
        "detect",
        "Detect pulses in a series read from a file, with etalons read from a file. Positions are 0-based "
        "sample numbers of each pulse's etalon start; a score is how much the pulse lowers the sum of "
        "squares, negated, plus its cost, in squared sample units (the series' units after --scale), as are "
        "the cost and the distance; the noise is in sample units");
    addDetectOptions(*detect, a.detect);

    CLI::App* evaluate =
        app.add_subcommand("evaluate", "Score found pulses (detect --json) against a ground truth (CSV)");
    addEvaluateOptions(*evaluate, a.evaluate);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help, out, err);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version, out, err);
    } catch (const CLI::ParseError& error) {
        app.exit(error, out, err);
        return EXIT_REFUSED;
    }
    if (alphabet->parsed()) return runAlphabetCommand(a.alphabet, out, err);
    if (simulate->parsed()) return runSimulate(*simulate, a, argc, argv, out, err, painter);
    if (renderCommand->parsed()) return runRender(*renderCommand, a, err, painter);
    if (layoutCommand->parsed()) return runLayout(*layoutCommand, a, out, err, painter);
    if (detect->parsed()) return runDetectCommand(*detect, a.detect, out, err, painter);
    if (evaluate->parsed()) return runEvaluateCommand(*evaluate, a.evaluate, out, err);
    return runRun(*run, a, out, err, painter);
}

int readSimulateCommandLine(std::vector<std::string> words, SimulateOptions& options, std::ostream& err) {
    CLI::App command{"simulate"};
    RunArguments settings;
    SimulateArguments grid;
    addRunOptions(command, settings);
    addSimulateOptions(command, grid, options);
    std::reverse(words.begin(), words.end());  // the parser takes the words last first
    try {
        command.parse(words);
    } catch (const CLI::ParseError& error) {
        return refuse(err, "simulate", error.what());
    }
    std::string error;
    if (!readSimulateOptions(command, settings, grid, options, error)) return refuse(err, "simulate", error);
    return EXIT_DONE;
}

}  // namespace tessaline::cli
