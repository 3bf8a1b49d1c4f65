#include "cli/run_settings.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "app/commands.h"
#include "app/subset_panel.h"
#include "model/codes.h"
#include "model/subsets.h"
#include "platform/window.h"

namespace tessaline::cli {
namespace {

constexpr int MAX_SUBSET_SIZE = 10;   // entries of a composed subset
constexpr int MAX_TUPLES = 10;        // stored subsets the command line keeps
constexpr int SERIES_LENGTH_LIMIT = 32768;

int seriesTypeEntry(int type) {
    switch (type) {
        case SERIES_FIXED_WHOLE: return CMD_SERIES_FIXED_WHOLE;
        case SERIES_UNFIXED_WHOLE: return CMD_SERIES_UNFIXED_WHOLE;
        case SERIES_FIXED_CUTOFF: return CMD_SERIES_FIXED_CUTOFF;
        case SERIES_UNFIXED_CUTOFF: return CMD_SERIES_UNFIXED_CUTOFF;
        case SERIES_FIXED_TUPLES: return CMD_SERIES_FIXED_TUPLES;
        case SERIES_UNFIXED_TUPLES: return CMD_SERIES_UNFIXED_TUPLES;
        default: return 0;
    }
}

int taskEntry(const std::string& task) {
    if (task == "detection") return CMD_TASK_DETECTION;
    if (task == "recognition") return CMD_TASK_RECOGNITION;
    if (task == "joint") return CMD_TASK_JOINT;
    if (task == "processing") return CMD_TASK_SERIES_PROCESSING;
    return 0;
}

// The 1-based index of `value` among a selector's choices, or 0.
int32_t choiceIndex(const SelectorChoices& choices, int value) {
    for (int32_t i = 1; i <= choices[0]; ++i) {
        if (choices[i] == value) return i;
    }
    return 0;
}

std::string checkEtalons(const char* option, const std::vector<int>& numbers, int etalons) {
    for (int number : numbers) {
        if (number < 1 || number > etalons) {
            std::ostringstream text;
            text << option << ": etalon " << number << " is not in 1.." << etalons;
            return text.str();
        }
    }
    return {};
}

std::string checkSubset(const char* option, const std::vector<int>& subset, int etalons) {
    if (static_cast<int>(subset.size()) > MAX_SUBSET_SIZE) {
        std::ostringstream text;
        text << option << ": a subset holds at most " << MAX_SUBSET_SIZE << " etalons, not " << subset.size();
        return text.str();
    }
    return checkEtalons(option, subset, etalons);
}

std::string checkRange(const char* option, const std::optional<int>& value, int least, int most) {
    if (!value || (*value >= least && *value <= most)) return {};
    std::ostringstream text;
    text << option << " " << *value << " is not in " << least << ".." << most;
    return text.str();
}

// The gaps and length the run will use, and the pulse-count bounds that follow from them.
std::string checkGeometry(const RunSettings& settings, const AppState& state) {
    const int n = state.wEtalonLength;
    const int Tmin = settings.tmin.value_or(state.wTmin);
    const int Tmax = settings.tmax.value_or(state.wTmax);
    const int N = settings.length.value_or(static_cast<int>(state.dwRequestedSeriesLength));
    std::ostringstream text;
    if (Tmin < 1) {
        text << "--tmin " << Tmin << ": the least gap between pulse starts must be at least 1";
    } else if (Tmin > Tmax) {
        text << "--tmin " << Tmin << " is above --tmax " << Tmax;
    } else if (Tmax > UINT16_MAX) {
        text << "--tmax " << Tmax << " is above " << UINT16_MAX;
    } else if (n > Tmax) {
        text << "--tmax " << Tmax << " is below the etalon length " << n;
    } else if (N < n) {
        text << "--length " << N << " is below the etalon length " << n;
    } else if (N >= SERIES_LENGTH_LIMIT) {
        text << "--length " << N << " is not below " << SERIES_LENGTH_LIMIT;
    } else if (settings.pulses) {
        const int least = std::max(1, (N + n - 1) / Tmax);
        const int most = (N - n + Tmin) / Tmin;
        if (*settings.pulses < least || *settings.pulses > most) {
            text << "--pulses " << *settings.pulses << " is not in " << least << ".." << most
                 << " (the pulse counts a series of length " << N << " with gaps " << Tmin << ".." << Tmax
                 << " holds)";
        }
    }
    return text.str();
}

void composeSubset(SubsetPanel& panel, const std::vector<int>& subset) {
    deleteAllSubsetEntries(panel);
    for (int number : subset) offerEtalonToSubset(panel, number);
}

}  // namespace

bool parseNumberList(const std::string& text, std::vector<int>& numbers) {
    numbers.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        int value = 0;
        const char* first = text.data() + start;
        const char* last = text.data() + comma;
        const auto [end, error] = std::from_chars(first, last, value);
        if (first == last || error != std::errc() || end != last) return false;
        numbers.push_back(value);
        start = comma + 1;
    }
    return !numbers.empty();
}

bool parseTupleLists(const std::string& text, std::vector<std::vector<int>>& tuples) {
    tuples.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t semicolon = std::min(text.find(';', start), text.size());
        std::vector<int> tuple;
        if (!parseNumberList(text.substr(start, semicolon - start), tuple)) return false;
        tuples.push_back(std::move(tuple));
        start = semicolon + 1;
    }
    return !tuples.empty();
}

std::string checkRunSettings(const RunSettings& settings, const AppState& state) {
    const int etalons = state.wEtalonsQuantity;
    std::string error;
    auto fail = [&](std::string text) {
        if (error.empty()) error = std::move(text);
    };
    if (settings.seriesType && seriesTypeEntry(*settings.seriesType) == 0) {
        fail("--series-type " + std::to_string(*settings.seriesType) + " is not one of 1, 2, 4, 8, 36, 40");
    }
    if (settings.task && taskEntry(*settings.task) == 0) {
        fail("--task " + *settings.task + " is not one of detection, recognition, joint, processing");
    }
    if (settings.required) fail(checkEtalons("--required", *settings.required, etalons));
    fail(checkGeometry(settings, state));
    fail(checkRange("--noise", settings.noise, 0, INT16_MAX));
    fail(checkRange("--lost", settings.lost, 0, 100));
    fail(checkRange("--employment", settings.employment, 1, 5));
    fail(checkRange("--init-position", settings.initPosition, 1, UINT16_MAX));
    fail(checkRange("--proceeding", settings.proceeding, 1, 2));
    if (settings.subset) fail(checkSubset("--subset", *settings.subset, etalons));
    if (settings.tuples) {
        const int count = static_cast<int>(settings.tuples->size());
        if (count > MAX_TUPLES) fail("--tuples: at most " + std::to_string(MAX_TUPLES) + " tuples are kept");
        for (const std::vector<int>& tuple : *settings.tuples) fail(checkSubset("--tuples", tuple, etalons));
        fail(checkRange("--chosen", settings.chosen, 1, std::max(count, 1)));
    } else if (settings.chosen) {
        fail("--chosen goes with --tuples");
    }
    return error;
}

void applyRunSettings(Window& window, AppState& state, const RunSettings& settings) {
    if (settings.seriesType) dispatchCommand(window, state, seriesTypeEntry(*settings.seriesType));
    if (settings.task) dispatchCommand(window, state, taskEntry(*settings.task));
    if (settings.required) {
        std::fill(std::begin(state.wRequiredFlags), std::end(state.wRequiredFlags), uint16_t{0});
        for (int number : *settings.required) state.wRequiredFlags[number - 1] = 1;
        rebuildRequiredList(state);
        state.dwCurrentEtalon = settings.required->front();
    }
    if (settings.tmin) state.wTmin = static_cast<uint16_t>(*settings.tmin);
    if (settings.tmax) state.wTmax = static_cast<uint16_t>(*settings.tmax);
    if (settings.length) {
        if (const int32_t index = choiceIndex(state.SeriesLengthChoices, *settings.length)) {
            state.dwSeriesLengthIndex = index;
        }
        state.dwRequestedSeriesLength = static_cast<uint32_t>(*settings.length);
        recomputePulseBounds(state);
        state.wPulsesNumber = pulseBoundsMidpoint(state);
    }
    if (settings.pulses) state.wPulsesNumber = static_cast<uint16_t>(*settings.pulses);
    if (settings.noise) {
        if (const int32_t index = choiceIndex(state.NoiseLevelChoices, *settings.noise)) state.dwNoiseLevelIndex = index;
        state.wRequestedNoiseLevel = static_cast<int16_t>(*settings.noise);
    }
    if (settings.lost) {
        if (const int32_t index = choiceIndex(state.LostDataChoices, *settings.lost)) state.dwLostDataIndex = index;
        state.wRequestedLostDataLevel = static_cast<int16_t>(*settings.lost);
        state.wRequestedMakingEnergyLevel = state.wRequestedProcessingEnergyLevel =
            static_cast<uint16_t>(100 - *settings.lost);
    }
    if (settings.employment) state.wSubsetEmployment = static_cast<uint16_t>(*settings.employment);
    if (settings.initPosition) state.wSubsetInitPosition = static_cast<uint16_t>(*settings.initPosition);
    if (settings.proceeding) state.wSubsetProceeding = static_cast<uint16_t>(*settings.proceeding);
    if (!settings.subset && !settings.tuples) return;
    if (initSubsetPanel(window, state.subsetPanel, state.dwReservedSubsetCount) == 0) return;
    if (settings.subset) {
        composeSubset(state.subsetPanel, *settings.subset);
        storeSubsetInSeries(window, state.subsetPanel, TASK_DETECTION, state.wSubsetEmployment,
                            state.wSubsetInitPosition, state.lpSeriesHeader);
    }
    if (settings.tuples) {
        for (const std::vector<int>& tuple : *settings.tuples) {
            composeSubset(state.subsetPanel, tuple);
            acceptComposedSubset(state.subsetPanel);
        }
        const int count = static_cast<int>(settings.tuples->size());
        chooseStoredSubset(state.subsetPanel, settings.chosen.value_or(count) - 1);
        storeSubsetInSeries(window, state.subsetPanel, TASK_TUPLES_RECOGNITION, state.wSubsetEmployment,
                            state.wSubsetInitPosition, state.lpSeriesHeader);
    }
}

}  // namespace tessaline::cli
