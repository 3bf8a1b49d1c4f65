#include "cli/simulate_command.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <set>
#include <sstream>

#include "app/dialogs.h"
#include "app/simulation_commands.h"
#include "app/state.h"
#include "cli/commands.h"
#include "cli/process_group.h"
#include "cli/progress.h"
#include "cli/simulation_json.h"
#include "draw/image_file.h"
#include "model/codes.h"
#include "model/random.h"
#include "platform/formatting.h"
#include "platform/headless.h"
#include "simulation/displayed.h"
#include "simulation/statistics.h"

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
    return true;
}

// Runs that cannot start from these settings whatever the grid.
std::string checkRunnable(const AppState& state) {
    if (state.wTaskType == TASK_TUPLES_RECOGNITION &&
        (state.lpSeriesHeader == nullptr || state.lpSeriesHeader->wSubsets == 0)) {
        return "tuples recognition needs stored tuples: give them with --tuples";
    }
    if (state.wTaskType == TASK_TUPLES_DETECTION &&
        (state.lpSeriesHeader == nullptr || state.lpSeriesHeader->wSubsetSize == 0)) {
        return "tuples detection needs a tuple: give it with --subset";
    }
    if (isTuplesSeriesType(state.wSeriesType) &&
        (state.lpSeriesHeader == nullptr || state.lpSeriesHeader->wSubsetSize == 0)) {
        return "series type " + std::to_string(state.wSeriesType) +
               " is made of tuples: give the tuple with --subset (or the candidate tuples with --tuples)";
    }
    if (state.wRequiredQuantity == 0 || state.lpRequiredList == nullptr) {
        return "the etalon list is empty: give etalons with --required";
    }
    return "";
}

void printText(std::ostream& out, const RestErrorHeader& record, const DisplayedErrors& shown,
               double seconds) {
    std::string text;
    appendf(text, "%s for series with %s\n", record.lpTaskName ? record.lpTaskName : "",
            record.lpSeriesTypeName ? record.lpSeriesTypeName : "");
    appendf(text, "pulse counts %d..%d (%d), noise levels %d..%d (%d), %u repeats: %.2f s\n",
            record.wPulseValues[0], record.wPulseValues[record.wVariousPulses - 1], record.wVariousPulses,
            record.lpNoiseLevels[0], record.lpNoiseLevels[record.wNoiseLevels - 1], record.wNoiseLevels,
            record.repeats, seconds);
    appendf(text, "E=%lld Rmin=%lld Rmax=%lld N_C=%lld N_h=%lld\n", static_cast<long long>(shown.reference.E),
            static_cast<long long>(shown.reference.Rmin), static_cast<long long>(shown.reference.Rmax),
            static_cast<long long>(shown.normalisers.restored),
            static_cast<long long>(shown.normalisers.detection));
    text += "noise  restored   detection  recognition  (aggregate over the pulse counts)\n";
    for (int k = 0; k < record.wNoiseLevels; ++k) {
        appendf(text, "%5d  %9.5f  %9.5f  %9.5f\n", record.lpNoiseLevels[k], shown.restoredAggregate[k],
                shown.detectionAggregate[k], shown.recognitionAggregate[k]);
    }
    out << text;
}

std::atomic<bool>* interruptFlag = nullptr;

extern "C" void onInterrupt(int) {
    if (interruptFlag != nullptr) interruptFlag->store(true);
    std::signal(SIGINT, SIG_DFL);
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
    const int N = length.value_or(static_cast<int>(state.dwSeriesLength));
    const int n = state.wEtalonLength, Tmin = state.wTmin, Tmax = state.wTmax;
    const int offeredLeast = (N + n - 1) / Tmax;
    const int least = std::max(1, offeredLeast), most = (N - n + Tmin) / Tmin;
    const int from = grid.pulsesFrom.value_or(offeredLeast), to = grid.pulsesTo.value_or(most);
    const int steps = grid.noiseSteps.value_or(state.wNoiseSteps),
              repeats = grid.repeats.value_or(state.wRepeats);
    const int64_t top = int64_t{grid.noiseFrom.value_or(state.wNoiseFrom)} +
                        int64_t{std::max(steps, 1) - 1} * grid.noiseIncrement.value_or(state.wNoiseIncrement);
    const std::string series = "a series of type " + std::to_string(state.wSeriesType) + " and length " +
                               std::to_string(N) + " with gaps " + std::to_string(Tmin) + ".." +
                               std::to_string(Tmax);
    std::ostringstream text;
    if (from < least) {
        text << "--pulses-from " << from << (grid.pulsesFrom ? "" : " (the dialog's least count)")
             << " is below " << least << ", the fewest pulses " << series << " holds";
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

void cancelOnInterrupt(std::atomic<bool>& flag) {
    interruptFlag = &flag;
    std::signal(SIGINT, onInterrupt);
}

namespace {

// Start-up, the settings and every check made before the run: EXIT_DONE when the run can start.
int prepareSimulation(HeadlessWindow& window, AppState& state, const SimulateOptions& options,
                      std::ostream& said) {
    if (const std::string badGrid = checkSimulationGrid(options.grid); !badGrid.empty()) {
        said << "tessaline-cli: simulate: " << badGrid << "\n";
        return EXIT_REFUSED;
    }
    if (!options.verbose) {
        window.setEchoFilter([](const ShownMessage& message) { return message.caption != SUMMARY_CAPTION; });
    }
    // The length is typed into the series-parameters dialog, so the settings only check it.
    const int status =
        startUpWithSettings(window, state, options.settings, "simulate", said, SeriesLength::Checked);
    if (status != EXIT_DONE) return status;
    std::string refused = checkRunnable(state);
    if (refused.empty()) refused = checkSimulationGrid(options.grid, state, options.settings.length);
    if (refused.empty()) return EXIT_DONE;
    said << "tessaline-cli: simulate: " << refused << "\n";
    return EXIT_REFUSED;
}

// The result on `out` as JSON or text, then the CSV rows into their file.
int writeResult(const SimulateOptions& options, const AppState& state, ReplacementFile& csv, double seconds,
                std::ostream& out, std::ostream& err) {
    const RestErrorHeader& record = *state.lpRestErrorHeader;
    const std::span<const uint16_t> etalons(state.lpRequiredList, state.wRequiredQuantity);
    const DisplayedErrors shown = displayedErrors(record, *state.lpSeriesHeader, etalons);
    if (options.json) {
        out << simulationJson(record, state.lpSeriesHeader, shown).dump() << "\n";
    } else {
        printText(out, record, shown, seconds);
    }
    if (options.csvPath.empty()) return EXIT_DONE;
    std::ostringstream rows;
    writeSimulationCsv(rows, record, shown);
    const std::string text = rows.str();
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (csv.write(bytes) && csv.commit()) return EXIT_DONE;
    err << "tessaline-cli: simulate: cannot write " << options.csvPath << ": " << std::strerror(csv.error())
        << "\n";
    return EXIT_FAILED;
}

}  // namespace

int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err,
                       const ProcessGroup& group, const std::atomic<bool>* cancel) {
    std::ostream silent(nullptr);  // only process 0 speaks
    std::ostream& said = group.first() ? err : silent;
    HeadlessWindow window(group.first() ? &err : nullptr);
    AppState state;
    if (const int status = prepareSimulation(window, state, options, said); status != EXIT_DONE)
        return status;
    // The CSV file is made before the run, so that a path that cannot be written costs no run.
    ReplacementFile csv;
    if (!options.csvPath.empty() && group.first() && !csv.open(options.csvPath)) {
        said << "tessaline-cli: simulate: cannot write " << options.csvPath << ": "
             << std::strerror(csv.error()) << "\n";
        return EXIT_FAILED;
    }
    // A dialog shown again has refused what the options typed, and the command line has nothing
    // else to type: it cancels.
    std::set<int> answered;
    window.setDialogAnswerer([&](DialogForm& form) {
        return answered.insert(form.resource).second && answerDialog(form, options);
    });

    ProgressReport progress(err, options.terminal);
    state.simulationHooks.threads = options.threads;
    state.simulationHooks.share = group.share();
    state.simulationHooks.cancel = cancel;
    if (group.first())
        state.simulationHooks.progress = [&](const SimulationProgress& p) { progress.update(p); };
    const auto start = std::chrono::steady_clock::now();
    window.sendCommand(CMD_STATISTICAL_SIMULATION);
    progress.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (state.dwDialogAccepted == 0) return EXIT_REFUSED;

    RestErrorHeader* record = state.lpRestErrorHeader;
    if (!group.gather(record, record != nullptr && record->ifComplete != 0)) {
        said << "tessaline-cli: simulate: the simulation did not complete\n";
        return EXIT_FAILED;
    }
    return group.first() ? writeResult(options, state, csv, seconds, out, err) : EXIT_DONE;
}

}  // namespace tessaline::cli
