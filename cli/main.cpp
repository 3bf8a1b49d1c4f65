// tessaline-cli: the scriptable, headless front end of the workbench.
#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/run_options.h"

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

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return EXIT_REFUSED;
    }
    if (alphabetCommand->parsed()) return runAlphabetCommand(alphabet, std::cout, std::cerr);
    std::string error;
    if (!readRunSettings(*runCommand, arguments, run.settings, error)) {
        std::cerr << "tessaline-cli: run: " << error << "\n";
        return EXIT_REFUSED;
    }
    return runRunCommand(run, std::cout, std::cerr);
}
