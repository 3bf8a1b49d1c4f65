#include "app/simulation_commands.h"

#include <algorithm>
#include <cassert>
#include <thread>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/layout.h"
#include "app/messages.h"
#include "app/state.h"
#include "model/codes.h"
#include "model/records.h"
#include "platform/window.h"
#include "simulation/driver.h"
#include "simulation/messages.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

// The grid as the location-parameters dialog would store it.
struct GridValues {
    uint16_t least, most, repeats, noiseSteps, noiseFrom, noiseIncrement;
};

GridValues gridOf(const DialogForm& form) {
    const auto field16 = [&](int id) { return static_cast<uint16_t>(numberOf(form, id)); };
    return {field16(EDIT_PULSES_FROM), field16(EDIT_PULSES_TO),  field16(EDIT_REPEATS),
            field16(EDIT_NOISE_STEPS), field16(EDIT_NOISE_FROM), field16(EDIT_NOISE_INCREMENT)};
}

// What is wrong with a grid for the series the run will make, or an empty text: pulse counts from
// the fewest to the most that fit, at least one noise level, the last one within the range the
// noise generator adds without wrapping, at least one repeat.
std::string gridRefusal(const AppState& state, const GridValues& grid) {
    const DialogStaging& staged = state.staging;
    const uint32_t least = leastPulseCount(staged.dwSeriesLength, state.alphabet.wEtalonLength, staged.wTmax);
    const uint32_t most = mostPulseCount(staged.dwSeriesLength, state.alphabet.wEtalonLength, staged.wTmin);
    const std::string bounds = app_text::pulseBoundsOutOfRange(grid.least, grid.most, least, most);
    if (grid.least < least || grid.least > grid.most) return settingRefusal("wMinPulses", bounds);
    if (grid.most > most) return settingRefusal("wMaxPulses", bounds);
    if (grid.repeats < 1) return settingRefusal("wRepeats", app_text::NO_REPEATS);
    if (grid.noiseSteps < 1) return settingRefusal("wNoiseSteps", app_text::NO_NOISE_STEPS);
    const int64_t top = int64_t{grid.noiseFrom} + int64_t{grid.noiseSteps - 1} * grid.noiseIncrement;
    if (top > NOISE_LEVEL_LIMIT) {
        return settingRefusal("wNoiseIncrement", app_text::lastNoiseLevelTooHigh(top, NOISE_LEVEL_LIMIT));
    }
    return {};
}

void commitSimulationParameters(AppState& state) {
    const DialogStaging& staged = state.staging;
    state.series.dwRequestedSeriesLength = state.series.dwSeriesLength = staged.dwSeriesLength;
    state.series.wTmin = staged.wTmin;
    state.series.wTmax = staged.wTmax;
    state.noise.wMakingEnergyLevel = staged.wMakingEnergyLevel;
    state.noise.wProcessingEnergyLevel = staged.wProcessingEnergyLevel;
    state.series.wMinPulses = staged.wLeastPulses;
    state.series.wMaxPulses = staged.wMostPulses;
    if (state.grid.wPulsesIncrement == 0) state.grid.wPulsesIncrement = 1;
    state.grid.wPulseSteps = static_cast<uint16_t>(
        (state.series.wMaxPulses - state.series.wMinPulses) / state.grid.wPulsesIncrement + 1);
}

int simulationThreads(const SimulationHooks& hooks) {
    if (hooks.threads > 0) return hooks.threads;
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 1024u));
}

SimulationRun simulationRunOf(const AppState& state) {
    SimulationRun run;
    run.alphabet = std::span<const PulseHeader>(
        state.alphabet.Alphabet, std::min<std::size_t>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY));
    run.etalons = std::span<const uint16_t>(
        state.selection.lpRequiredList,
        state.selection.lpRequiredList == nullptr ? 0 : state.selection.wRequiredQuantity);
    run.seriesType = state.task.wSeriesType;
    run.taskType = state.task.wTaskType;
    run.makingLevel = state.noise.wMakingEnergyLevel;
    run.processingLevel = state.noise.wProcessingEnergyLevel;
    run.proceeding = state.subsets.wSubsetProceeding;
    run.amplitude = static_cast<int16_t>(state.alphabet.wAmplitude);
    run.threads = simulationThreads(state.grid.simulationHooks);
    run.share = state.grid.simulationHooks.share;
    run.cancel = state.grid.simulationHooks.cancel;
    run.progress = state.grid.simulationHooks.progress;
    return run;
}

}  // namespace

void stagePulseBounds(AppState& state) {
    DialogStaging& staged = state.staging;
    const uint32_t least = leastPulseCount(staged.dwSeriesLength, state.alphabet.wEtalonLength, staged.wTmax);
    const uint32_t most = mostPulseCount(staged.dwSeriesLength, state.alphabet.wEtalonLength, staged.wTmin);
    staged.wLeastPulses = static_cast<uint16_t>(std::min<uint32_t>(least, UINT16_MAX));
    staged.wMostPulses = static_cast<uint16_t>(std::min<uint32_t>(most, UINT16_MAX));
}

int32_t statisticsViewOf(int32_t handlingCase, int32_t viewCase, int32_t boundsIncluded) noexcept {
    const int32_t summary = viewCase == 2 ? 1 : 0;
    if (handlingCase == 2) return 2 + summary;
    if (handlingCase == 3) return (boundsIncluded != 0 ? 12 : 4) + summary;
    return summary;
}

std::string simulationSummaryText(const AppState& state) {
    return app_text::simulationSummary(
        {static_cast<int>(state.series.dwSeriesLength), state.series.wTmin, state.series.wTmax,
         state.alphabet.wEtalonLength, state.staging.wLeastPulses, state.series.wMinPulses,
         state.staging.wMostPulses, state.series.wMaxPulses, state.grid.wPulseSteps,
         state.grid.wPulsesIncrement, state.grid.wNoiseFrom, state.grid.wNoiseSteps,
         state.grid.wNoiseIncrement, state.grid.wRepeats});
}

void seriesDialogCommand(Window& window, AppState& state) {
    if (state.selection.wRequiredQuantity == 0 && state.selection.lpRequiredList != nullptr &&
        state.selection.lpEtalonSequence != nullptr) {
        state.selection.wRequiredQuantity = 1;
        state.selection.lpRequiredList[0] = 1;
        state.selection.lpEtalonSequence[0] = 1;
        state.selection.dwCurrentEtalon = 1;
        state.selection.wRequiredFlags[0] = 1;
    }
    const auto flagged = [&](int32_t etalon) {
        return etalon >= 1 && etalon <= ALPHABET_CAPACITY && state.selection.wRequiredFlags[etalon - 1] != 0;
    };
    if (!flagged(state.selection.dwCurrentEtalon)) {
        for (int32_t etalon = 1; etalon <= ALPHABET_CAPACITY; ++etalon) {
            if (flagged(etalon)) {
                state.selection.dwCurrentEtalon = etalon;
                break;
            }
        }
    }
    runSeriesParametersDialog(window, state);
}

void simulationDialogsCommand(Window& window, AppState& state) {
    seriesDialogCommand(window, state);
    if (state.dwDialogAccepted == 0) return;
    [[maybe_unused]] const DialogStaging& staged = state.staging;
    // The pulse bounds divide by the gaps; the series-parameters dialog took no geometry without them.
    assert(
        seriesSettingsRefusal(state.alphabet.wEtalonLength, staged.wTmin, staged.wTmax, staged.dwSeriesLength)
            .empty());
    stagePulseBounds(state);
    if (state.grid.dwFirstSimulation != 0 && state.selection.lpEtalonSequence != nullptr) {
        const int places = std::min<int>(state.series.wMaxPulses, state.selection.wEtalonSequenceCapacity);
        std::fill_n(state.selection.lpEtalonSequence, places,
                    static_cast<uint16_t>(state.selection.dwDefaultEtalon));
        state.grid.dwFirstSimulation = 0;
    }
    const auto refused = [&](const DialogForm& form) { return gridRefusal(state, gridOf(form)); };
    if (!runLocationParametersDialog(window, state, refused)) return;
    commitSimulationParameters(state);
}

void statisticalSimulationCommand(Window& window, AppState& state) {
    state.noise.wLostDataLevel = state.noise.wRequestedLostDataLevel;
    state.noise.wMakingEnergyLevel = state.noise.wRequestedMakingEnergyLevel;
    state.noise.wProcessingEnergyLevel = state.noise.wRequestedProcessingEnergyLevel;
    simulationDialogsCommand(window, state);
    if (state.dwDialogAccepted == 0) return;
    window.showMessage(simulationSummaryText(state), app_text::SIMULATION_SUMMARY_CAPTION, MessageIcon::None);

    SeriesHeader* series = getCutOffSeriesHeader(
        window, state.alphabet.wEtalonsQuantity, state.alphabet.wEtalonLength, state.series.wTmin,
        state.series.wTmax, state.series.dwSeriesLength, state.lpSeriesHeader);
    if (series == nullptr) {
        state.lpSeriesHeader = nullptr;
        window.showMessage(simulation_text::NO_MEMORY_FOR_SERIES_RECORD,
                           simulation_text::SERIES_RECORD_CAPTION, MessageIcon::Warning);
        return;
    }
    state.lpSeriesHeader = series;
    state.lpRestErrorHeader = getRestErrHeader(window, state.grid.wPulseSteps, state.grid.wNoiseSteps,
                                               state.grid.wRepeats, state.lpRestErrorHeader);
    if (state.lpRestErrorHeader == nullptr) {
        window.showMessage(simulation_text::NO_RECORD, simulation_text::RECORD_CAPTION, MessageIcon::None);
        return;
    }
    if (initRestErrHeader(window, state.grid.wPulseSteps, state.series.wMinPulses,
                          state.grid.wPulsesIncrement, state.grid.wNoiseSteps, state.grid.wNoiseFrom,
                          state.grid.wNoiseIncrement, state.grid.wRepeats, state.lpRestErrorHeader) == 0) {
        window.showMessage(simulation_text::RECORD_NOT_INITIALISED, simulation_text::RECORD_CAPTION,
                           MessageIcon::None);
        return;
    }
    SimulationClock clock;
    const auto run = [&window, &state, &clock] {
        statCutoffVandrel(window, state.lpRestErrorHeader, simulationRunOf(state), state.lpSeriesHeader,
                          state.states, clock);
    };
    if (state.grid.simulationHooks.runner) {
        state.grid.simulationHooks.runner(run);
    } else {
        run();
    }
    state.grid.dwSimulationStart = clock.start;
    state.grid.dwSimulationEnd = clock.end;
    showStatisticalSimulationCommand(window, state);
}

bool showStatisticalSimulationCommand(Window& window, AppState& state) {
    if (state.lpRestErrorHeader == nullptr || state.lpRestErrorHeader->ifComplete == 0) return false;
    state.view.wResultKind = RESULT_STATISTICS;
    runStatisticsDisplayDialog(window, state, offersRecognitionError(state.task.wSelectedTask));
    state.statistics.dwStatisticsView = statisticsViewOf(
        state.statistics.dwHandlingCase, state.statistics.dwViewCase, state.statistics.dwBoundsIncluded);
    window.invalidate(graphInvalidationArea(state.painted.layout), true);
    window.invalidate(buttonInvalidationArea(state.painted.layout), true);
    state.redraw.dwRedrawButtons = 0;
    refreshFlaggedSelectors(window, state);
    state.view.dwViewMode = VIEW_RESULT;
    return true;
}

}  // namespace tessaline
