// tessaline-cli: the scriptable, headless front end of the workbench.
#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>

#include "cli/commands.h"
#include "cli/process_group.h"
#include "cli/render_command.h"
#include "cli/run_options.h"
#include "cli/simulate_command.h"

namespace {

using namespace tessaline::cli;

CLI::App* addSimulateCommand(CLI::App& app, SimulateOptions& options, RunArguments& arguments) {
    CLI::App* command = app.add_subcommand(
        "simulate", "Start up, apply the settings, then run \" Statistical Simulation\" with the dialogs answered");
    addRunOptions(*command, arguments);
    SimulationGrid& grid = options.grid;
    command->add_option("--pulses-from", grid.pulsesFrom, "Least pulse count of the grid");
    command->add_option("--pulses-to", grid.pulsesTo, "Greatest pulse count of the grid");
    command->add_option("--pulses-incr", grid.pulsesIncrement, "Pulse count step");
    command->add_option("--noise-from", grid.noiseFrom, "First noise level");
    command->add_option("--noise-steps", grid.noiseSteps, "Number of noise levels");
    command->add_option("--noise-incr", grid.noiseIncrement, "Noise level step");
    command->add_option("--repeats", grid.repeats, "Series per cell");
    command->add_option("--threads", options.threads, "Threads processing series side by side (default: one per core)")
        ->check(CLI::NonNegativeNumber);
    command->add_flag("--json", options.json, "The result as one JSON object");
    command->add_option("--csv", options.csvPath, "Also write one CSV row per cell to this file");
    return command;
}

int runSimulate(const CLI::App& command, SimulateOptions& options, const RunArguments& arguments, int& argc,
                char**& argv) {
    std::string error;
    if (!readRunSettings(command, arguments, options.settings, error)) {
        std::cerr << "tessaline-cli: simulate: " << error << "\n";
        return EXIT_REFUSED;
    }
    options.terminal = isatty(STDERR_FILENO) != 0;
    ProcessGroup group(argc, argv);
    static std::atomic<bool> cancel{false};
    cancelOnInterrupt(cancel);
    return runSimulateCommand(options, std::cout, std::cerr, group, &cancel);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tessaline::cli;
    CLI::App app{"Tessaline: detection and recognition of pulses in noisy series (headless front end)"};
    app.require_subcommand(1);

    AlphabetOptions alphabet;
    CLI::App* alphabetCommand = app.add_subcommand("alphabet", "Print the default alphabet of etalons");
    alphabetCommand->add_flag("--json", alphabet.json, "One JSON line instead of text");

    RunOptions run;
    RunArguments arguments;
    CLI::App* runCommand = app.add_subcommand(
        "run", "Start up, apply the settings (in a fixed order), then run \" Processing Next Data \" --steps times");
    runCommand->add_option("--steps", run.steps, "Processing steps after start-up (default 1)")
        ->check(CLI::NonNegativeNumber);
    runCommand->add_flag("--json", run.json, "One JSON line per step (step 0 = after start-up and settings)");
    addRunOptions(*runCommand, arguments);

    SimulateOptions simulate;
    RunArguments simulateArguments;
    CLI::App* simulateCommand = addSimulateCommand(app, simulate, simulateArguments);
    RenderOptions render;
    RunArguments renderArguments;
    CLI::App* renderCommand = app.add_subcommand(
        "render", "As run, then paint the client area in one view and save it as a PNG, BMP or PCX file");
    renderCommand->add_option("--view", render.view, "What the graph area shows: alphabet or result")->required();
    renderCommand->add_option("--steps", render.steps, "Processing steps after start-up (default 1)")
        ->check(CLI::NonNegativeNumber);
    renderCommand->add_option("--size", render.size, "Client area WIDTHxHEIGHT (default 1600x1000)");
    renderCommand->add_option("--out", render.out, "Image file: .png, .bmp or .pcx")->required();
    addRunOptions(*renderCommand, renderArguments);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return EXIT_REFUSED;
    }
    if (alphabetCommand->parsed()) return runAlphabetCommand(alphabet, std::cout, std::cerr);
    if (simulateCommand->parsed()) return runSimulate(*simulateCommand, simulate, simulateArguments, argc, argv);
    std::string error;
    if (renderCommand->parsed()) {
        if (!readRunSettings(*renderCommand, renderArguments, render.settings, error)) {
            std::cerr << "tessaline-cli: render: " << error << "\n";
            return EXIT_REFUSED;
        }
        return runRenderCommand(render, std::cerr);
    }
    if (!readRunSettings(*runCommand, arguments, run.settings, error)) {
        std::cerr << "tessaline-cli: run: " << error << "\n";
        return EXIT_REFUSED;
    }
    return runRunCommand(run, std::cout, std::cerr);
}
