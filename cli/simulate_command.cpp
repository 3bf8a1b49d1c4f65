#include "cli/simulate_command.h"

#include <charconv>
#include <chrono>
#include <cstring>
#include <set>
#include <sstream>

#include "app/dialogs.h"
#include "app/simulation_commands.h"
#include "app/state.h"
#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/process_group.h"
#include "cli/progress.h"
#include "cli/simulation_json.h"
#include "imaging/image_file.h"
#include "model/codes.h"
#include "model/random.h"
#include "platform/console_window.h"
#include "platform/formatting.h"
#include "simulation/displayed.h"
#include "simulation/statistics.h"
#include "views/stats_figure.h"

namespace tessaline::cli {
namespace {

constexpr int FIELD_LIMIT = 65535;                                    // the dialog's fields are 16-bit
constexpr std::string_view SUMMARY_CAPTION = "getPulseEstAsRepeats";  // the summary shown before a run

struct GridOption {
    const char* name;
    const std::optional<int>* value;
    int edit;
};

std::vector<GridOption> gridOptions(const SimulationGrid& grid) {
    return {{"--pulses-from", &grid.pulsesFrom, EDIT_PULSES_FROM},
            {"--pulses-to", &grid.pulsesTo, EDIT_PULSES_TO},
            {"--pulses-incr", &grid.pulsesIncrement, EDIT_PULSES_INCREMENT},
            {"--noise-from", &grid.noiseFrom, EDIT_NOISE_FROM},
            {"--noise-steps", &grid.noiseSteps, EDIT_NOISE_STEPS},
            {"--noise-incr", &grid.noiseIncrement, EDIT_NOISE_INCREMENT},
            {"--repeats", &grid.repeats, EDIT_REPEATS}};
}

void setEdit(DialogForm& form, int id, int value) {
    if (DialogControl* edit = form.find(id)) edit->text = std::to_string(value);
}

// Clicks radio button `id`: it is checked, the others of its group are not.
void chooseRadio(DialogForm& form, int id) {
    const DialogControl* chosen = form.find(id);
    if (chosen == nullptr) return;
    const int group = chosen->group;
    for (DialogControl& control : form.controls) {
        if (control.kind == ControlKind::RadioButton && control.group == group)
            control.checked = control.id == id;
    }
}

void setCheck(DialogForm& form, int id, bool checked) {
    if (DialogControl* box = form.find(id)) box->checked = checked;
}

void answerStatisticsDisplay(DialogForm& form, const StatisticsChoice& choice) {
    static constexpr int HANDLING_RADIOS[] = {RADIO_RESTORING_ERROR, RADIO_DETECTION_ERROR,
                                              RADIO_RECOGNITION_ERROR};
    chooseRadio(form, HANDLING_RADIOS[choice.handling - 1]);
    chooseRadio(form, choice.viewCase == 2 ? RADIO_SUMMARY_VIEW : RADIO_COMPONENTWISE);
    setCheck(form, CHECK_BOUNDS_INCLUDED, choice.bounds);
    setCheck(form, CHECK_FIXED_UPPER_BOUND, choice.upperBound.has_value());
    if (DialogControl* edit = form.find(EDIT_UPPER_BOUND); edit != nullptr && choice.upperBound)
        edit->text = *choice.upperBound;
}

// Answers the dialogs as a user typing the options would: the series length into the series
// parameters, the grid into the location parameters, everything else confirmed as shown.
bool answerDialog(DialogForm& form, const SimulateOptions& options) {
    if (form.resource == DIALOG_SERIES_PARAMETERS && options.settings.length) {
        setEdit(form, EDIT_SERIES_LENGTH, *options.settings.length);
    }
    if (form.resource == DIALOG_LOCATION_PARAMETERS) {
        for (const GridOption& option : gridOptions(options.grid)) {
            if (*option.value) setEdit(form, option.edit, **option.value);
        }
    }
    if (form.resource == DIALOG_STATISTICS_DISPLAY || form.resource == DIALOG_RECOGNITION_STATISTICS_DISPLAY)
        answerStatisticsDisplay(form, options.display);
    return true;
}

// A fixed upper bound as typed: a positive decimal number up to the limit, or none.
std::optional<double> upperBoundOf(const std::string& text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (!(value > 0.0) || value > UPPER_BOUND_LIMIT) return std::nullopt;
    return value;
}

// Runs that cannot start from these settings whatever the grid.
std::string checkRunnable(const AppState& state) {
    if (state.task.wTaskType == TASK_TUPLES_RECOGNITION &&
        (state.lpSeriesHeader == nullptr || state.lpSeriesHeader->wSubsets == 0)) {
        return "tuples recognition needs stored tuples: give them with --tuples";
    }
    if (state.task.wTaskType == TASK_TUPLES_DETECTION &&
        (state.lpSeriesHeader == nullptr || state.lpSeriesHeader->wSubsetSize == 0)) {
        return "tuples detection needs a tuple: give it with --subset";
    }
    if (isTuplesSeriesType(state.task.wSeriesType) &&
        (state.lpSeriesHeader == nullptr || state.lpSeriesHeader->wSubsetSize == 0)) {
        return "series type " + std::to_string(state.task.wSeriesType) +
               " is made of tuples: give the tuple with --subset (or the candidate tuples with --tuples)";
    }
    if (state.selection.wRequiredQuantity == 0 || state.selection.lpRequiredList == nullptr) {
        return "the etalon list is empty: give etalons with --required";
    }
    return "";
}

void printText(std::ostream& out, const StudyResult& result, double seconds) {
    const DisplayedErrors& shown = result.shown;
    std::string text;
    appendf(text, "%s for series with %s\n", result.taskName.c_str(), result.seriesTypeName.c_str());
    appendf(text, "pulse counts %d..%d (%d), noise levels %d..%d (%d), %u repeats: %.2f s\n",
            result.pulseCounts.front(), result.pulseCounts.back(),
            static_cast<int>(result.pulseCounts.size()), result.noiseLevels.front(),
            result.noiseLevels.back(), static_cast<int>(result.noiseLevels.size()), result.repeats, seconds);
    appendf(text, "E=%lld Rmin=%lld Rmax=%lld N_C=%lld N_h=%lld\n", static_cast<long long>(shown.reference.E),
            static_cast<long long>(shown.reference.Rmin), static_cast<long long>(shown.reference.Rmax),
            static_cast<long long>(shown.normalisers.restored),
            static_cast<long long>(shown.normalisers.detection));
    text += "noise  restored   detection  recognition  (aggregate over the pulse counts)\n";
    for (std::size_t k = 0; k < result.noiseLevels.size(); ++k) {
        appendf(text, "%5d  %9.5f  %9.5f  %9.5f\n", result.noiseLevels[k], shown.restoredAggregate[k],
                shown.detectionAggregate[k], shown.recognitionAggregate[k]);
    }
    out << text;
}

// The result with the seed it was run with (null without one) as its last key.
nlohmann::ordered_json seededJson(nlohmann::ordered_json json, const RunSettings& settings) {
    json["seed"] = settings.seed ? nlohmann::ordered_json(*settings.seed) : nlohmann::ordered_json(nullptr);
    return json;
}

}  // namespace

std::string checkSimulationGrid(const SimulationGrid& grid) {
    for (const GridOption& option : gridOptions(grid)) {
        if (*option.value && (**option.value < 0 || **option.value > FIELD_LIMIT)) {
            return std::string(option.name) + " " + std::to_string(**option.value) + " is not in 0.." +
                   std::to_string(FIELD_LIMIT);
        }
    }
    return "";
}

std::string checkSimulationGrid(const SimulationGrid& grid, const AppState& state,
                                std::optional<int> length) {
    if (std::string spelling = checkSimulationGrid(grid); !spelling.empty()) return spelling;
    // The series the run makes, and the grid as the dialogs will hold it.
    const int N = length.value_or(static_cast<int>(state.series.dwSeriesLength));
    const int n = state.alphabet.wEtalonLength, Tmin = state.series.wTmin, Tmax = state.series.wTmax;
    // The dialog offers from the fewest pulses the series holds, at least 1, to the most.
    const int least = std::max(1, (N + n - 1) / Tmax), most = (N - n + Tmin) / Tmin;
    const int from = grid.pulsesFrom.value_or(least), to = grid.pulsesTo.value_or(most);
    const int steps = grid.noiseSteps.value_or(state.grid.wNoiseSteps),
              repeats = grid.repeats.value_or(state.grid.wRepeats);
    const int64_t top =
        int64_t{grid.noiseFrom.value_or(state.grid.wNoiseFrom)} +
        int64_t{std::max(steps, 1) - 1} * grid.noiseIncrement.value_or(state.grid.wNoiseIncrement);
    const std::string series = "a series of type " + std::to_string(state.task.wSeriesType) + " and length " +
                               std::to_string(N) + " with gaps " + std::to_string(Tmin) + ".." +
                               std::to_string(Tmax);
    std::ostringstream text;
    if (from < least) {
        text << "--pulses-from " << from << " is below " << least << ", the fewest pulses " << series
             << " holds";
    } else if (to > most) {
        text << "--pulses-to " << to << " is above " << most << ", the most pulses " << series << " holds";
    } else if (from > to) {
        text << "--pulses-from " << from << " is above --pulses-to " << to;
    } else if (steps < 1) {
        text << "--noise-steps " << steps << ": a simulation needs at least one noise level";
    } else if (repeats < 1) {
        text << "--repeats " << repeats << ": a simulation needs at least one repeat";
    } else if (top > NOISE_LEVEL_LIMIT) {
        text << "the last noise level " << top << " is above " << NOISE_LEVEL_LIMIT
             << ", the highest noise level the generator adds without overflowing";
    }
    return text.str();
}

std::string checkStatisticsChoice(const StatisticsChoice& choice, const AppState& state) {
    if (choice.handling == 3 && !offersRecognitionError(state.task.wSelectedTask))
        return "--handling 3 (recognition error) is offered for --task recognition and joint only";
    if (choice.bounds && choice.handling != 3) return "--bounds goes with --handling 3 (recognition error)";
    if (choice.upperBound && !upperBoundOf(*choice.upperBound)) {
        return "--upper-bound must be a decimal number above 0 and up to " +
               formatted("%g", UPPER_BOUND_LIMIT) + ", not \"" + *choice.upperBound + "\"";
    }
    return "";
}

std::string checkFigurePath(std::string_view path, std::string_view option) {
    if (figureFormatOf(path)) return "";
    return std::string(option) + " must name a .svg, .pdf or .png file, not \"" + std::string(path) + "\"";
}

int prepareSimulation(ConsoleWindow& window, AppState& state, const SimulateOptions& options,
                      std::string_view command, std::ostream& said) {
    std::string badOption = checkSimulationGrid(options.grid);
    if (badOption.empty() && !options.plotPath.empty())
        badOption = checkImageOptions(options.plotSize, options.plotPath, "--size", "--plot");
    if (badOption.empty() && !options.figurePath.empty())
        badOption = checkFigurePath(options.figurePath, "--figure");
    if (!badOption.empty()) {
        said << cli_text::commandLine(command, badOption);
        return EXIT_REFUSED;
    }
    if (!options.verbose) {
        window.setEchoFilter([](const ShownMessage& message) { return message.caption != SUMMARY_CAPTION; });
    }
    // The length is typed into the series-parameters dialog, so the settings only check it.
    const int status =
        startUpWithSettings(window, state, options.settings, command, said, SeriesLength::Checked);
    if (status != EXIT_DONE) return status;
    std::string refused = checkRunnable(state);
    if (refused.empty()) refused = checkSimulationGrid(options.grid, state, options.settings.length);
    if (refused.empty()) refused = checkStatisticsChoice(options.display, state);
    if (refused.empty()) return EXIT_DONE;
    said << cli_text::commandLine(command, refused);
    return EXIT_REFUSED;
}

namespace {

// Answers the simulation's dialogs as a user typing the options would; a dialog shown again has
// refused what the options typed, and the command line has nothing else to type: it cancels.
class AnsweredDialogs {
public:
    AnsweredDialogs(ConsoleWindow& window, const SimulateOptions& options) : window_(window) {
        window.setDialogAnswerer([this, &options](DialogForm& form) {
            return answered_.insert(form.resource).second && answerDialog(form, options);
        });
    }
    ~AnsweredDialogs() { window_.setDialogAnswerer({}); }
    AnsweredDialogs(const AnsweredDialogs&) = delete;
    AnsweredDialogs& operator=(const AnsweredDialogs&) = delete;

private:
    ConsoleWindow& window_;
    std::set<int> answered_;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

StudyDisplay studyDisplayOf(const StatisticsChoice& choice) {
    StudyDisplay display;
    display.measure = static_cast<StudyMeasure>(choice.handling);
    display.aggregate = choice.viewCase == 2;
    display.bounds = choice.bounds;
    if (choice.upperBound) display.upperBound = upperBoundOf(*choice.upperBound);
    return display;
}

}  // namespace

double runAnsweredSimulation(ConsoleWindow& window, AppState& state, const SimulateOptions& options,
                             CellShare share, const std::atomic<bool>* cancel, ProgressReport& progress) {
    const AnsweredDialogs answering(window, options);
    state.grid.simulationHooks.threads = options.threads;
    state.grid.simulationHooks.share = share;
    state.grid.simulationHooks.cancel = cancel;
    state.grid.simulationHooks.progress = [&progress](const SimulationProgress& p) { progress.update(p); };
    const auto start = std::chrono::steady_clock::now();
    window.sendCommand(CMD_STATISTICAL_SIMULATION);
    progress.finish();
    return secondsSince(start);
}

StudyRequest studyRequestOf(const AppState& state, const SimulateOptions& options) {
    StudyRequest request;
    StudyWorkbench& bench = request.workbench;
    bench.alphabet = std::span<const PulseHeader>(
        state.alphabet.Alphabet, std::min<std::size_t>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY));
    bench.etalons = std::span<const uint16_t>(
        state.selection.lpRequiredList,
        state.selection.lpRequiredList == nullptr ? 0 : state.selection.wRequiredQuantity);
    bench.etalonLength = state.alphabet.wEtalonLength;
    bench.seriesType = state.task.wSeriesType;
    bench.taskType = state.task.wTaskType;
    bench.makingLevel = state.noise.wMakingEnergyLevel;
    bench.processingLevel = state.noise.wProcessingEnergyLevel;
    bench.proceeding = state.subsets.wSubsetProceeding;
    bench.amplitude = static_cast<int16_t>(state.alphabet.wAmplitude);
    bench.Tmin = state.series.wTmin;
    bench.Tmax = state.series.wTmax;
    bench.length = state.series.dwSeriesLength;
    request.grid = {state.series.wMinPulses, state.series.wMaxPulses, state.grid.wPulsesIncrement,
                    state.grid.wNoiseFrom,   state.grid.wNoiseSteps,  state.grid.wNoiseIncrement,
                    state.grid.wRepeats};
    request.display = studyDisplayOf(options.display);
    request.threads = options.threads;
    return request;
}

bool runSimulationStudy(ConsoleWindow& window, AppState& state, const SimulateOptions& options,
                        StudyRequest& request, SimulationClock& clock) {
    const AnsweredDialogs answering(window, options);
    // " Statistical Simulation": the requested levels in use, the dialogs, the summary, the run,
    // then " Show Statistical Simulation" with its dialog.
    state.noise.wLostDataLevel = state.noise.wRequestedLostDataLevel;
    state.noise.wMakingEnergyLevel = state.noise.wRequestedMakingEnergyLevel;
    state.noise.wProcessingEnergyLevel = state.noise.wRequestedProcessingEnergyLevel;
    simulationDialogsCommand(window, state);
    if (state.dwDialogAccepted == 0) return false;
    window.showMessage(simulationSummaryText(state), SUMMARY_CAPTION, MessageIcon::None);
    const StudyRequest chosen = studyRequestOf(state, options);
    request.workbench = chosen.workbench;
    request.grid = chosen.grid;
    request.display = chosen.display;
    request.threads = chosen.threads;
    const int done =
        runStudy(window, request, state.lpSeriesHeader, state.lpRestErrorHeader, state.states, clock);
    state.grid.dwSimulationStart = clock.start;
    state.grid.dwSimulationEnd = clock.end;
    showStatisticalSimulationCommand(window, state);
    return done != 0;
}

namespace {

// The result on `out` as JSON or text, then the CSV rows into their file.
int writeResult(const SimulateOptions& options, const StudyResult& result, const SeriesHeader* series,
                ReplacementFile& csv, double seconds, std::ostream& out, std::ostream& err) {
    if (options.json) {
        out << seededJson(simulationJson(result, series), options.settings).dump() << "\n";
    } else {
        printText(out, result, seconds);
    }
    if (options.csvPath.empty()) return EXIT_DONE;
    std::ostringstream rows;
    rows.exceptions(std::ios::badbit);  // memory that runs out is not a CSV cut short
    writeSimulationCsv(rows, result);
    const std::string text = rows.str();
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (csv.write(bytes) && csv.commit()) return EXIT_DONE;
    err << cli_text::commandLine("simulate",
                                 cli_text::cannotWrite(options.csvPath, std::strerror(csv.error())));
    return EXIT_FAILED;
}

}  // namespace

int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err,
                       const ProcessGroup& group, const std::atomic<bool>* cancel, ImagePainter* painter) {
    std::ostream silent(nullptr);  // only process 0 speaks
    std::ostream& said = group.first() ? err : silent;
    if ((!options.plotPath.empty() || !options.figurePath.empty()) && painter == nullptr) {
        said << cli_text::commandLine(
            "simulate", cli_text::optionDrawsNoImages(options.plotPath.empty() ? "--figure" : "--plot"));
        return EXIT_REFUSED;
    }
    ConsoleWindow window(group.first() ? &err : nullptr);
    AppState state;
    if (const int status = prepareSimulation(window, state, options, "simulate", said); status != EXIT_DONE)
        return status;
    // The drawing platform and the CSV file are readied before the run, so that neither costs a run.
    const bool plots = !options.plotPath.empty() && group.first();
    const bool figures = !options.figurePath.empty() && group.first();
    if (plots || figures) painter->start("simulate", err);
    ReplacementFile csv;
    if (!options.csvPath.empty() && group.first() && !csv.open(options.csvPath)) {
        said << cli_text::commandLine("simulate",
                                      cli_text::cannotWrite(options.csvPath, std::strerror(csv.error())));
        return EXIT_FAILED;
    }
    ProgressReport progress(said, options.terminal);
    StudyRequest request;
    request.share = group.share();
    request.cancel = cancel;
    request.progress = [&progress](const SimulationProgress& p) { progress.update(p); };
    SimulationClock clock;
    const auto start = std::chrono::steady_clock::now();
    const bool completed = runSimulationStudy(window, state, options, request, clock);
    progress.finish();
    const double seconds = secondsSince(start);
    if (state.dwDialogAccepted == 0) return EXIT_REFUSED;

    RestErrorHeader* record = state.lpRestErrorHeader;
    if (!group.gather(record, completed)) {
        said << cli_text::commandLine("simulate", cli_text::SIMULATION_INCOMPLETE);
        return EXIT_FAILED;
    }
    if (!group.first()) return EXIT_DONE;
    const StudyResult result = studyResult(request, *record, *state.lpSeriesHeader, clock);
    const int written = writeResult(options, result, state.lpSeriesHeader, csv, seconds, out, err);
    if (written != EXIT_DONE) return written;
    if (plots) {
        const int painted = painter->paintAndSave(window, state, *parseImageSize(options.plotSize),
                                                  options.plotPath, "simulate", err);
        if (painted != EXIT_DONE) return painted;
    }
    if (!figures) return EXIT_DONE;
    return painter->saveFigure(statsFigure(result, request), options.figurePath, "simulate", err);
}

}  // namespace tessaline::cli
