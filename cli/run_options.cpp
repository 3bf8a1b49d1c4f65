#include "cli/run_options.h"

#include <optional>
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
    run.add_option("--noise", a.noise, "Requested noise level");
    run.add_option("--lost", a.lost, "Requested lost-data level in percent");
    run.add_option("--employment", a.employment, "Subset employment mode 1..5");
    run.add_option("--init-position", a.initPosition, "Subset init position (1-based pulse place)");
    run.add_option("--proceeding", a.proceeding, "Subset proceeding mode 1 or 2");
    run.add_option("--subset", a.subset, "The subset composed on the subset panel, comma-separated");
    run.add_option("--tuples", a.tuples, "Subsets accepted into the panel's table: \"3,7,12;1,5,9\"");
    run.add_option("--chosen", a.chosen, "1-based chosen subset of --tuples (default: the last)");
}

namespace {

template <class T>
std::optional<T> given(const CLI::App& app, const char* option, const T& value) {
    return app.count(option) > 0 ? std::optional<T>(value) : std::nullopt;
}

}  // namespace

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
    return error.empty();
}

}  // namespace tessaline::cli
