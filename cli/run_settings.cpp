#include "cli/run_settings.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "app/commands.h"
#include "app/settings_dialogs.h"
#include "cli/series_settings.h"
#include "model/codes.h"
#include "model/random.h"
#include "model/subsets.h"
#include "panels/subset_panel_state.h"
#include "platform/window.h"

namespace tessaline::cli {
namespace {

constexpr int MAX_SUBSET_SIZE = 10;  // entries of a composed subset
constexpr int MAX_TUPLES = 10;       // stored subsets the command line keeps
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

// The series the settings lead to: its gaps, its length, the pulse counts it admits and, for the
// series types with a fixed count, the count it is made with.
struct Geometry {
    int n = 0, Tmin = 0, Tmax = 0, N = 0;
    int seriesType = 0;

    int least() const { return std::max(1, (N + n - 1) / Tmax); }
    int most() const { return (N - n + Tmin) / Tmin; }
    // The count taken over when the series is made: the requested count while it lies within the
    // bounds (the least not raised to 1), else their middle.
    int count(const RunSettings& settings, const AppState& state) const {
        const int rawLeast = (N + n - 1) / Tmax;
        int requested = state.series.wPulsesNumber;
        if (settings.length) requested = (rawLeast + most()) / 2;
        if (settings.pulses) requested = *settings.pulses;
        return requested < rawLeast || requested > most() ? (rawLeast + most()) / 2 : requested;
    }
};

Geometry geometryOf(const RunSettings& settings, const AppState& state) {
    return {state.alphabet.wEtalonLength, settings.tmin.value_or(state.series.wTmin),
            settings.tmax.value_or(state.series.wTmax),
            settings.length.value_or(static_cast<int>(state.series.dwRequestedSeriesLength)),
            settings.seriesType.value_or(state.task.wSeriesType)};
}

std::string describeSeries(const Geometry& g) {
    return "a series of length " + std::to_string(g.N) + " with gaps " + std::to_string(g.Tmin) + ".." +
           std::to_string(g.Tmax);
}

// The gaps and length the run will use, and the pulse-count bounds that follow from them.
std::string checkGeometry(const RunSettings& settings, const AppState& state) {
    const Geometry g = geometryOf(settings, state);
    const int n = g.n, Tmin = g.Tmin, Tmax = g.Tmax, N = g.N;
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
    } else if (g.most() < g.least()) {
        text << "no series can be made: " << describeSeries(g) << " needs at least " << g.least()
             << " pulses of " << n << " samples and holds at most " << g.most();
    } else if (settings.pulses && (*settings.pulses < g.least() || *settings.pulses > g.most())) {
        text << "--pulses " << *settings.pulses << " is not in " << g.least() << ".." << g.most()
             << " (the pulse counts " << describeSeries(g) << " holds)";
    } else if (!isUnfixedSeriesType(static_cast<uint16_t>(g.seriesType)) &&
               g.count(settings, state) < g.least()) {
        text << "the pulse count would be " << g.count(settings, state) << " (the middle of the counts "
             << (N + n - 1) / Tmax << ".." << g.most() << " offered for " << describeSeries(g)
             << "), which no series holds: give --pulses in " << g.least() << ".." << g.most();
    }
    return text.str();
}

// Lost data exists only for the cut-off series types.
std::string checkLostData(const RunSettings& settings, const AppState& state) {
    const int type = settings.seriesType.value_or(state.task.wSeriesType);
    if (!settings.lost || isCutoffSeriesType(static_cast<uint16_t>(type))) return {};
    return "--lost applies to the cut-off series types 2 and 8, not to series type " + std::to_string(type);
}

std::string checkNoise(const RunSettings& settings) {
    if (!settings.noise || (*settings.noise >= 0 && *settings.noise <= NOISE_LEVEL_LIMIT)) return {};
    if (*settings.noise < 0) return "--noise " + std::to_string(*settings.noise) + " is below 0";
    return "--noise " + std::to_string(*settings.noise) + " is above " + std::to_string(NOISE_LEVEL_LIMIT) +
           ", the highest noise level the generator adds without overflowing";
}

// The drawing-settings dialog answered as the choice says, then confirmed.
void applyDrawingChoice(AppState& state, const DrawingChoice& choice) {
    DialogForm form = drawingSettingsForm(state);
    const std::pair<int, bool> boxes[] = {{CHECK_FRAME_GRAPH_FIELDS, choice.frame},
                                          {CHECK_SHADED_ORIGINAL_PULSES, choice.shaded},
                                          {CHECK_HIGHLIGHT_DETECTED_PULSES, choice.highlight},
                                          {CHECK_SPECIAL_GRAPH_SIZE, choice.special}};
    for (const auto& [id, checked] : boxes) form.find(id)->checked = checked;
    if (choice.tuples) {
        const std::pair<int, uint16_t> buttons[] = {
            {RADIO_TUPLES_DOTTED_FRAME, 1}, {RADIO_TUPLES_COLOURED_BACKGROUND, 2}, {RADIO_TUPLES_NONE, 0}};
        for (const auto& [id, value] : buttons) form.find(id)->checked = value == *choice.tuples;
    }
    acceptDrawingSettings(state, form);
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

bool parseDrawingChoice(const std::string& text, DrawingChoice& choice, std::string& error) {
    choice = {};
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string word = text.substr(start, comma - start);
        start = comma + 1;
        if (word == "frame") {
            choice.frame = true;
        } else if (word == "shaded") {
            choice.shaded = true;
        } else if (word == "highlight") {
            choice.highlight = true;
        } else if (word == "special") {
            choice.special = true;
        } else if (word == "tuples=dotted" || word == "tuples=background" || word == "tuples=none") {
            choice.tuples = word == "tuples=dotted" ? 1 : word == "tuples=background" ? 2 : 0;
        } else {
            error = "--drawing: unknown word \"" + word +
                    "\"; expected frame, shaded, highlight, special or tuples=dotted|background|none";
            return false;
        }
    }
    return true;
}

std::string checkRunSettings(const RunSettings& settings, const AppState& state) {
    const int etalons = state.alphabet.wEtalonsQuantity;
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
    fail(checkNoise(settings));
    fail(checkRange("--lost", settings.lost, 0, 100));
    fail(checkLostData(settings, state));
    fail(checkSeriesMaking(settings, state));
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

std::vector<std::string> runSettingsWarnings(const RunSettings& settings, const AppState& state) {
    const bool subset = settings.subset || settings.tuples;
    const int s = settings.initPosition.value_or(state.subsets.wSubsetInitPosition);
    if (!subset) return {};
    const Geometry g = geometryOf(settings, state);
    const bool unfixed = isUnfixedSeriesType(static_cast<uint16_t>(g.seriesType));
    const int pulses = unfixed ? g.least() : g.count(settings, state);
    if (s <= pulses) return {};
    std::string text = "--init-position " + std::to_string(s) + " is past the " + std::to_string(pulses);
    text += unfixed
                ? " pulses of the shortest series drawn: the subset is left out of series with fewer than " +
                      std::to_string(s) + " pulses"
                : " pulses of the series: the subset is not placed";
    return {text};
}

void applyRunSettings(Window& window, AppState& state, const RunSettings& settings) {
    if (settings.seriesType) dispatchCommand(window, state, seriesTypeEntry(*settings.seriesType));
    if (settings.task) dispatchCommand(window, state, taskEntry(*settings.task));
    if (settings.required && !settings.requiredCount) {
        std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
                  uint16_t{0});
        for (int number : *settings.required) state.selection.wRequiredFlags[number - 1] = 1;
        rebuildRequiredList(state);
        state.selection.dwCurrentEtalon = settings.required->front();
    }
    if (settings.tmin) state.series.wTmin = static_cast<uint16_t>(*settings.tmin);
    if (settings.tmax) state.series.wTmax = static_cast<uint16_t>(*settings.tmax);
    if (settings.length) {
        if (const int32_t index = choiceIndex(state.series.SeriesLengthChoices, *settings.length)) {
            state.series.dwSeriesLengthIndex = index;
        }
        state.series.dwRequestedSeriesLength = static_cast<uint32_t>(*settings.length);
        recomputePulseBounds(state);
        state.series.wPulsesNumber = pulseBoundsMidpoint(state);
    }
    if (settings.pulses) state.series.wPulsesNumber = static_cast<uint16_t>(*settings.pulses);
    if (settings.noise) {
        if (const int32_t index = choiceIndex(state.noise.NoiseLevelChoices, *settings.noise))
            state.noise.dwNoiseLevelIndex = index;
        state.noise.wRequestedNoiseLevel = static_cast<int16_t>(*settings.noise);
    }
    if (settings.lost) {
        if (const int32_t index = choiceIndex(state.noise.LostDataChoices, *settings.lost))
            state.noise.dwLostDataIndex = index;
        state.noise.wRequestedLostDataLevel = static_cast<int16_t>(*settings.lost);
        state.noise.wRequestedMakingEnergyLevel = state.noise.wRequestedProcessingEnergyLevel =
            static_cast<uint16_t>(100 - *settings.lost);
    }
    applySeriesMaking(window, state, settings);
    if (settings.employment) state.subsets.wSubsetEmployment = static_cast<uint16_t>(*settings.employment);
    if (settings.initPosition)
        state.subsets.wSubsetInitPosition = static_cast<uint16_t>(*settings.initPosition);
    if (settings.proceeding) state.subsets.wSubsetProceeding = static_cast<uint16_t>(*settings.proceeding);
    if (settings.drawing) applyDrawingChoice(state, *settings.drawing);
    if (!settings.subset && !settings.tuples) return;
    if (initSubsetPanel(window, state.subsetPanel, state.subsets.dwReservedSubsetCount) == 0) return;
    if (settings.subset) {
        composeSubset(state.subsetPanel, *settings.subset);
        storeSubsetInSeries(window, state.subsetPanel, TASK_DETECTION, state.subsets.wSubsetEmployment,
                            state.subsets.wSubsetInitPosition, state.lpSeriesHeader);
    }
    if (settings.tuples) {
        for (const std::vector<int>& tuple : *settings.tuples) {
            composeSubset(state.subsetPanel, tuple);
            acceptComposedSubset(state.subsetPanel);
        }
        const int count = static_cast<int>(settings.tuples->size());
        chooseStoredSubset(state.subsetPanel, settings.chosen.value_or(count) - 1);
        storeSubsetInSeries(window, state.subsetPanel, TASK_TUPLES_RECOGNITION,
                            state.subsets.wSubsetEmployment, state.subsets.wSubsetInitPosition,
                            state.lpSeriesHeader);
    }
}

}  // namespace tessaline::cli
