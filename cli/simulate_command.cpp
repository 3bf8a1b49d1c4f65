#include "cli/simulate_command.h"

#include <chrono>
#include <csignal>
#include <fstream>

#include "app/dialogs.h"
#include "app/simulation_commands.h"
#include "app/state.h"
#include "cli/commands.h"
#include "cli/process_group.h"
#include "cli/progress.h"
#include "cli/simulation_json.h"
#include "model/codes.h"
#include "platform/formatting.h"
#include "platform/headless.h"
#include "simulation/displayed.h"
#include "simulation/statistics.h"

namespace tessaline::cli {
namespace {

constexpr int FIELD_LIMIT = 65535;  // the dialog's fields are 16-bit

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
    if (state.wRequiredQuantity == 0 || state.lpRequiredList == nullptr) {
        return "the etalon list is empty: give etalons with --required";
    }
    return "";
}

void printText(std::ostream& out, const RestErrorHeader& record, const DisplayedErrors& shown, double seconds) {
    std::string text;
    appendf(text, "%s for series with %s\n", record.lpTaskName ? record.lpTaskName : "",
            record.lpSeriesTypeName ? record.lpSeriesTypeName : "");
    appendf(text, "pulse counts %d..%d (%d), noise levels %d..%d (%d), %u repeats: %.2f s\n", record.wPulseValues[0],
            record.wPulseValues[record.wVariousPulses - 1], record.wVariousPulses, record.lpNoiseLevels[0],
            record.lpNoiseLevels[record.wNoiseLevels - 1], record.wNoiseLevels, record.repeats, seconds);
    appendf(text, "E=%lld Rmin=%lld Rmax=%lld N_C=%lld N_h=%lld\n", static_cast<long long>(shown.reference.E),
            static_cast<long long>(shown.reference.Rmin), static_cast<long long>(shown.reference.Rmax),
            static_cast<long long>(shown.normalisers.restored), static_cast<long long>(shown.normalisers.detection));
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
            return std::string(option.name) + ": expected a whole number 0.." + std::to_string(FIELD_LIMIT);
        }
    }
    return "";
}

void cancelOnInterrupt(std::atomic<bool>& flag) {
    interruptFlag = &flag;
    std::signal(SIGINT, onInterrupt);
}

int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err, const ProcessGroup& group,
                       const std::atomic<bool>* cancel) {
    std::ostream silent(nullptr);  // only process 0 speaks
    std::ostream& said = group.first() ? err : silent;
    const std::string badGrid = checkSimulationGrid(options.grid);
    if (!badGrid.empty()) {
        said << "tessaline-cli: simulate: " << badGrid << "\n";
        return EXIT_REFUSED;
    }
    HeadlessWindow window(group.first() ? &err : nullptr);
    AppState state;
    RunSettings settings = options.settings;
    settings.length.reset();  // typed into the series-parameters dialog instead
    const int status = startUpWithSettings(window, state, settings, "simulate", said);
    if (status != EXIT_DONE) return status;
    const std::string refused = checkRunnable(state);
    if (!refused.empty()) {
        said << "tessaline-cli: simulate: " << refused << "\n";
        return EXIT_REFUSED;
    }
    window.setDialogAnswerer([&](DialogForm& form) { return answerDialog(form, options); });

    ProgressReport progress(err, options.terminal);
    state.simulationHooks.threads = options.threads;
    state.simulationHooks.share = group.share();
    state.simulationHooks.cancel = cancel;
    if (group.first()) state.simulationHooks.progress = [&](const SimulationProgress& p) { progress.update(p); };
    const auto start = std::chrono::steady_clock::now();
    window.sendCommand(CMD_STATISTICAL_SIMULATION);
    progress.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (state.dwDialogAccepted == 0) return EXIT_REFUSED;

    RestErrorHeader* record = state.lpRestErrorHeader;
    const bool completed = group.gather(record, record != nullptr && record->ifComplete != 0);
    if (!completed) {
        said << "tessaline-cli: simulate: the simulation did not complete\n";
        return EXIT_FAILED;
    }
    if (!group.first()) return EXIT_DONE;
    const std::span<const uint16_t> etalons(state.lpRequiredList, state.wRequiredQuantity);
    const DisplayedErrors shown = displayedErrors(*record, *state.lpSeriesHeader, etalons);
    if (!options.csvPath.empty()) {
        std::ofstream csv(options.csvPath);
        writeSimulationCsv(csv, *record, shown);
        if (!csv) {
            err << "tessaline-cli: simulate: cannot write " << options.csvPath << "\n";
            return EXIT_FAILED;
        }
    }
    if (options.json) {
        out << simulationJson(*record, state.lpSeriesHeader, shown).dump() << "\n";
    } else {
        printText(out, *record, shown, seconds);
    }
    return EXIT_DONE;
}

}  // namespace tessaline::cli
