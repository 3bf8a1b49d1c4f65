#include "cli/run_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <climits>
#include <vector>

namespace tessaline::cli {

void addRunOptions(CLI::App& run, RunArguments& a) {
    run.add_option("--series-type", a.seriesType, "Series type: 1, 2, 4, 8, 36 or 40 (as its menu entry)");
    run.add_option("--task", a.task, "Task: detection, recognition, joint or processing (as its menu entry)");
    run.add_option("--required", a.required, "Required etalons, comma-separated (e.g. 1,5,9)");
    run.add_option("--tmin", a.tmin, "Least gap between pulse starts");
    run.add_option("--tmax", a.tmax, "Greatest gap between pulse starts");
    run.add_option("--length", a.length, "Series length (as a series-length selector choice)");
    run.add_option("--pulses", a.pulses, "Requested pulse count");
    run.add_option("--noise", a.noise, "Requested noise level (0..10922)");
    run.add_option("--lost", a.lost, "Requested lost-data level in percent (cut-off series types 2 and 8)");
    run.add_option("--employment", a.employment, "Subset employment mode 1..5");
    run.add_option("--init-position", a.initPosition, "Subset init position (1-based pulse place)");
    run.add_option("--proceeding", a.proceeding, "Subset proceeding mode 1 or 2");
    run.add_option("--subset", a.subset, "The subset composed on the subset panel, comma-separated");
    run.add_option("--tuples", a.tuples, "Subsets accepted into the panel's table: \"3,7,12;1,5,9\"");
    run.add_option("--chosen", a.chosen, "1-based chosen subset of --tuples (default: the last)");
    run.add_option(
        "--required-count", a.requiredCount,
        "With --required: the list is typed into the required-etalons dialog of \" New pulses... \" "
        "with this count (it must match the list)");
    run.add_flag(
        "--create-series", a.createSeries,
        "Run \" Create series... \": the series parameters as shown, the series structure from "
        "--pulses, --sequence and --noise; the series follows the sequence (types 1, 4 become 16, 32)");
    run.add_option("--sequence", a.sequence,
                   "With --create-series: the etalon of each pulse, comma-separated, one per pulse");
    run.add_option("--seed", a.seed,
                   "Start the generator states from this whole number 0..2^64-1 (the README gives the rule; "
                   "default: the fixed states)");
    run.add_option(
        "--drawing", a.drawing,
        "Drawing settings, comma-separated: frame, shaded, highlight, special (those listed are set, "
        "the others cleared) and tuples=dotted|background|none (default: as it is)");
}

std::optional<int> parseDecimal(std::string_view text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;  // from_chars takes a minus sign only
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (first == last || error != std::errc() || end != last) return std::nullopt;
    return value;
}

std::optional<uint64_t> parseSeed(std::string_view text) {
    const char* first = text.data();
    const char* last = first + text.size();
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (first == last || *first == '-' || error != std::errc() || end != last) return std::nullopt;
    return value;
}

bool readNumberOption(const CLI::App& command, const char* name, const std::string& text, int least, int most,
                      std::optional<int>& value, std::string& error) {
    if (command.count(name) == 0) return true;
    const std::optional<int> number = parseDecimal(text);
    if (!number) {
        error = std::string(name) + ": expected a whole decimal number, not \"" + text + "\"";
        return false;
    }
    if (*number < least || *number > most) {
        error = std::string(name) + " " + text + " is not in " + std::to_string(least) + ".." +
                std::to_string(most);
        return false;
    }
    value = number;
    return true;
}

bool readNumberOptions(const CLI::App& command, std::initializer_list<NumberOption> options,
                       std::string& error) {
    for (const NumberOption& option : options) {
        if (!readNumberOption(command, option.name, option.text, INT_MIN, INT_MAX, option.value, error))
            return false;
    }
    return true;
}

bool readRunSettings(const CLI::App& run, const RunArguments& a, RunSettings& s, std::string& error) {
    // The ranges are checked against the state the settings go to; here only the spelling.
    if (!readNumberOptions(run,
                           {{"--series-type", a.seriesType, s.seriesType},
                            {"--tmin", a.tmin, s.tmin},
                            {"--tmax", a.tmax, s.tmax},
                            {"--length", a.length, s.length},
                            {"--pulses", a.pulses, s.pulses},
                            {"--noise", a.noise, s.noise},
                            {"--lost", a.lost, s.lost},
                            {"--employment", a.employment, s.employment},
                            {"--init-position", a.initPosition, s.initPosition},
                            {"--proceeding", a.proceeding, s.proceeding},
                            {"--chosen", a.chosen, s.chosen},
                            {"--required-count", a.requiredCount, s.requiredCount}},
                           error)) {
        return false;
    }
    if (run.count("--task") > 0) s.task = a.task;
    std::vector<int> list;
    if (run.count("--required") > 0) {
        if (!parseNumberList(a.required, list)) error = "--required: expected etalon numbers like 1,5,9";
        s.required = list;
    }
    if (run.count("--subset") > 0) {
        if (!parseNumberList(a.subset, list)) error = "--subset: expected etalon numbers like 3,7,12";
        s.subset = list;
    }
    if (run.count("--tuples") > 0) {
        std::vector<std::vector<int>> tuples;
        if (!parseTupleLists(a.tuples, tuples)) error = "--tuples: expected lists like \"3,7,12;1,5,9\"";
        s.tuples = tuples;
    }
    s.createSeries = a.createSeries;
    if (run.count("--sequence") > 0) {
        if (!parseNumberList(a.sequence, list)) error = "--sequence: expected etalon numbers like 3,1,4";
        s.sequence = list;
    }
    if (run.count("--seed") > 0) {
        s.seed = parseSeed(a.seed);
        if (!s.seed) {
            error = "--seed: expected a whole decimal number 0..18446744073709551615, not \"" + a.seed + "\"";
            return false;
        }
    }
    if (run.count("--drawing") > 0) {
        DrawingChoice drawing;
        if (!parseDrawingChoice(a.drawing, drawing, error)) return false;
        s.drawing = drawing;
    }
    return error.empty();
}

}  // namespace tessaline::cli
