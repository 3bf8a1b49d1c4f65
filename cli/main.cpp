// tessaline-cli: the scriptable, headless front end of the workbench.
#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/render_command.h"

namespace {

using tessaline::cli::RunSettings;

// Numbers and lists of the run settings, read into the settings record once parsed.
struct RunArguments {
    int seriesType = 0, tmin = 0, tmax = 0, length = 0, pulses = 0, noise = 0, lost = 0;
    int employment = 0, initPosition = 0, proceeding = 0, chosen = 0;
    std::string task, required, subset, tuples;
};

void addRunOptions(CLI::App& run, RunArguments& a) {
    run.add_option("--series-type", a.seriesType, "Series type: 1, 2, 4, 8, 36 or 40 (as its menu entry)");
    run.add_option("--task", a.task, "Task: detection, recognition, joint or processing (as its menu entry)");
    run.add_option("--required", a.required, "Required etalons, comma-separated (e.g. 1,5,9)");
    run.add_option("--tmin", a.tmin, "Least gap between pulse starts");
    run.add_option("--tmax", a.tmax, "Greatest gap between pulse starts");
    run.add_option("--length", a.length, "Series length (as a series-length selector choice)");
    run.add_option("--pulses", a.pulses, "Requested pulse count");
    run.add_option("--noise", a.noise, "Requested noise level");
    run.add_option("--lost", a.lost, "Requested lost-data level in percent");
    run.add_option("--employment", a.employment, "Subset employment mode 1..5");
    run.add_option("--init-position", a.initPosition, "Subset init position (1-based pulse place)");
    run.add_option("--proceeding", a.proceeding, "Subset proceeding mode 1 or 2");
    run.add_option("--subset", a.subset, "The subset composed on the subset panel, comma-separated");
    run.add_option("--tuples", a.tuples, "Subsets accepted into the panel's table: \"3,7,12;1,5,9\"");
    run.add_option("--chosen", a.chosen, "1-based chosen subset of --tuples (default: the last)");
}

template <class T>
std::optional<T> given(const CLI::App& app, const char* option, const T& value) {
    return app.count(option) > 0 ? std::optional<T>(value) : std::nullopt;
}

// The settings record from the parsed options; false (with the reason) for a malformed list.
bool readRunSettings(const CLI::App& run, const RunArguments& a, RunSettings& s, std::string& error) {
    s.seriesType = given(run, "--series-type", a.seriesType);
    s.task = given(run, "--task", a.task);
    s.tmin = given(run, "--tmin", a.tmin);
    s.tmax = given(run, "--tmax", a.tmax);
    s.length = given(run, "--length", a.length);
    s.pulses = given(run, "--pulses", a.pulses);
    s.noise = given(run, "--noise", a.noise);
    s.lost = given(run, "--lost", a.lost);
    s.employment = given(run, "--employment", a.employment);
    s.initPosition = given(run, "--init-position", a.initPosition);
    s.proceeding = given(run, "--proceeding", a.proceeding);
    s.chosen = given(run, "--chosen", a.chosen);
    std::vector<int> list;
    if (run.count("--required") > 0) {
        if (!tessaline::cli::parseNumberList(a.required, list)) error = "--required: expected etalon numbers like 1,5,9";
        s.required = list;
    }
    if (run.count("--subset") > 0) {
        if (!tessaline::cli::parseNumberList(a.subset, list)) error = "--subset: expected etalon numbers like 3,7,12";
        s.subset = list;
    }
    if (run.count("--tuples") > 0) {
        std::vector<std::vector<int>> tuples;
        if (!tessaline::cli::parseTupleLists(a.tuples, tuples)) error = "--tuples: expected lists like \"3,7,12;1,5,9\"";
        s.tuples = tuples;
    }
    return error.empty();
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
