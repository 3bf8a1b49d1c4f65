#pragma once
// The one record of the workbench: every setting with its default, grouped by concern into
// sub-records (alphabet, series, noise, etalon selection, simulation grid, drawing, statistics...),
// what the last paint drew, and the current series and processing result. Requested settings are
// taken over into the in-use ones when the next series is made.
#include <cstdint>
#include <vector>

#include "app/command_ids.h"
#include "app/painted_geometry.h"
#include "model/random.h"
#include "model/records.h"
#include "panels/subset_panel_state.h"
#include "platform/window.h"
#include "simulation/driver.h"

namespace tessaline {

struct ChainsHeader;
struct RestErrorHeader;
struct ParamsHeader;

// What the graph area shows.
inline constexpr int32_t VIEW_ALPHABET = 5;
inline constexpr int32_t VIEW_RESULT = 6;
inline constexpr int32_t VIEW_SUBSETS = 9;
inline constexpr int32_t VIEW_PARAMETERS = 10;

// What the result view shows.
inline constexpr uint16_t RESULT_PROCESSING = 1;
inline constexpr uint16_t RESULT_STATISTICS = 2;

inline constexpr int SERIES_TYPE_ENTRIES[] = {CMD_SERIES_FIXED_WHOLE,  CMD_SERIES_UNFIXED_WHOLE,
                                              CMD_SERIES_FIXED_CUTOFF, CMD_SERIES_UNFIXED_CUTOFF,
                                              CMD_SERIES_FIXED_TUPLES, CMD_SERIES_UNFIXED_TUPLES};
inline constexpr int TASK_ENTRIES[] = {CMD_TASK_DETECTION, CMD_TASK_RECOGNITION, CMD_TASK_JOINT,
                                       CMD_TASK_SERIES_PROCESSING};

// Values offered by a selector: entry [0] is the count, entries [1..count] the values.
using SelectorChoices = int32_t[SELECTOR_ROWS + 1];

// Values a parameter dialog stages before its command commits them.
struct DialogStaging {
    uint32_t dwSeriesLength = 0;
    uint16_t wTmin = 0;
    uint16_t wTmax = 0;
    uint16_t wMakingEnergyLevel = 0;
    uint16_t wProcessingEnergyLevel = 0;
    uint16_t wNoiseLevel = 0;
    uint16_t wSavedPulses = 0;
    uint16_t wLeastPulses = 0;
    uint16_t wMostPulses = 0;
};

// The alphabet's settings and its pulses (each pulse owns its samples).
struct AlphabetSettings {
    AlphabetSettings() = default;
    AlphabetSettings(const AlphabetSettings&) = delete;
    AlphabetSettings& operator=(const AlphabetSettings&) = delete;

    uint16_t wEtalonsQuantity = 20;
    uint16_t wEtalonLength = 20;
    uint16_t wAmplitude = 128;
    PulseHeader Alphabet[ALPHABET_CAPACITY] = {};
    int32_t dwAlphabetReady = 1;
};

// The series to make: gaps, length (chosen and in use) and pulse count (bounds, chosen, in use).
struct SeriesSettings {
    uint16_t wTmin = 40;
    uint16_t wTmax = 181;
    SelectorChoices SeriesLengthChoices = {3, 200, 600, 1200};
    int32_t dwSeriesLengthIndex = 3;
    uint32_t dwRequestedSeriesLength = 1200;
    uint32_t dwSeriesLength = 1200;
    uint16_t wMinPulses = 6;
    uint16_t wMaxPulses = 30;
    uint16_t wPulsesNumber = 18;
    uint16_t wSeriesPulses = 18;
    uint16_t wDialogPulses = 40;
};

// Noise, lost data and the energy levels of making and processing: requested and in use.
struct NoiseSettings {
    SelectorChoices NoiseLevelChoices = {3, 20, 35, 50};
    int32_t dwNoiseLevelIndex = 1;
    int16_t wRequestedNoiseLevel = 20;
    int16_t wNoiseLevel = 20;
    SelectorChoices LostDataChoices = {3, 0, 25, 50};
    int32_t dwLostDataIndex = 2;
    int16_t wRequestedLostDataLevel = 25;
    int16_t wLostDataLevel = 25;
    uint16_t wRequestedMakingEnergyLevel = 75;
    uint16_t wMakingEnergyLevel = 75;
    uint16_t wRequestedProcessingEnergyLevel = 75;
    uint16_t wProcessingEnergyLevel = 75;
};

// The etalons a series is made of: the required ones (flags and their ascending list), the
// current one, and the sequence a tuples series repeats. The lists are owned arrays.
struct EtalonSelection {
    EtalonSelection() = default;
    EtalonSelection(const EtalonSelection&) = delete;
    EtalonSelection& operator=(const EtalonSelection&) = delete;

    uint16_t* lpRequiredList = nullptr;
    uint16_t wRequiredQuantity = 20;
    uint16_t wRequiredCapacity = 20;
    uint16_t wRequiredFlags[ALPHABET_CAPACITY] = {};
    int32_t dwDefaultEtalon = 1;
    int32_t dwCurrentEtalon = 1;
    int32_t dwPreviousEtalon = 0;
    uint16_t* lpEtalonSequence = nullptr;
    uint16_t wEtalonSequenceCapacity = 30;
    uint16_t* lpEditedSequence = nullptr;
    uint16_t wEditedSequenceCapacity = 30;
};

// The task chosen, the task the processing runs (its tuple form on a tuples series) and the
// series type.
struct TaskSettings {
    uint16_t wSelectedTask = 1;
    uint16_t wTaskType = 1;
    uint16_t wSeriesType = 8;
};

// What the graph area and the result view show.
struct ViewState {
    int32_t dwViewMode = VIEW_ALPHABET;
    uint16_t wResultKind = RESULT_PROCESSING;
    int32_t dwTypeMoreDetails = 0;
    int32_t dwDebugRepeat = 0;
};

// Window areas to refresh with the next result.
struct RedrawRequests {
    int32_t dwRedrawLength = 0;
    int32_t dwRedrawNoise = 0;
    int32_t dwRedrawLost = 0;
    int32_t dwRedrawButtons = 0;
};

// How graphs are drawn: frames, shading, highlights, size, and how tuples are marked.
struct DrawingOptions {
    int32_t dwFrameGraphFields = 1;
    int32_t dwShadedOriginalPulses = 1;
    int32_t dwHighlightDetectedPulses = 1;
    int32_t dwSpecialGraphSize = 0;
    uint16_t wTuplesHighlight = 2;
};

// How subsets of etalons are employed, started and proceeded, and the stored table's size.
struct SubsetOptions {
    uint16_t wSubsetEmployment = 4;
    uint16_t wSubsetInitPosition = 1;
    uint16_t wSubsetProceeding = 1;
    int32_t dwReservedSubsetCount = 10;
};

// The cells of a statistical simulation (pulse counts by noise levels, repeats per cell) and the
// run's bookkeeping.
struct SimulationGrid {
    uint16_t wPulsesIncrement = 1;
    uint16_t wPulseSteps = 0;
    uint16_t wNoiseFrom = 0;
    uint16_t wNoiseSteps = 29;
    uint16_t wNoiseIncrement = 5;
    uint16_t wRepeats = 100;
    int32_t dwFirstSimulation = 1;
    int32_t dwSimulationStart = 0;
    int32_t dwSimulationEnd = 0;
    // How the next simulation runs: threads (0: one per core), this process's share of the
    // cells, the flag that cancels it and the progress report. Not settings a dialog shows.
    SimulationHooks simulationHooks;
};

// How the statistics of a simulation are handled and shown, and the view code they give.
struct StatisticsDisplay {
    int32_t dwHandlingCase = 1;
    int32_t dwViewCase = 1;
    int32_t dwFixedUpperBound = 0;
    double dUpperBound = 0.25;
    int32_t dwBoundsIncluded = 1;
    int32_t dwStatisticsView = 2;
};

// What the state holds before the window was first laid out: nothing drawn, a 16-pixel line.
inline PaintedGeometry geometryBeforeFirstPaint() {
    PaintedGeometry painted;
    painted.lineHeight = 16;
    return painted;
}

struct AppState {
    AppState() = default;
    ~AppState();  // releases every owned array and record
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    AlphabetSettings alphabet;
    SeriesSettings series;
    NoiseSettings noise;
    EtalonSelection selection;
    TaskSettings task;
    ViewState view;
    RedrawRequests redraw;
    // What the last paint drew, for the mouse handling and the commands
    PaintedGeometry painted = geometryBeforeFirstPaint();
    DrawingOptions drawing;
    SubsetOptions subsets;
    SimulationGrid grid;
    StatisticsDisplay statistics;

    // Generator states (the noise state is dwNoiseSeed) and the C-library-style generator.
    GeneratorStates states;

    // The pictures of the drawn buttons (none: the buttons are drawn with their captions)
    std::vector<WindowImage> buttonPictures;

    // The pointer's shape a hover over one of the parameters panel's handles replaced
    CursorShape hSavedCursor = CursorShape::Arrow;

    // The subset selection panel
    SubsetPanel subsetPanel;

    // Current objects, and the capacities of the processing result
    SeriesHeader* lpSeriesHeader = nullptr;
    ChainsHeader* lpChainsHeader = nullptr;
    RestErrorHeader* lpRestErrorHeader = nullptr;
    ParamsHeader* lpParamsHeader = nullptr;
    uint16_t wChainsCapacity = 10;
    uint16_t wChainPulsesCapacity = 30;

    // Dialog staging
    DialogStaging staging;
    int32_t dwDialogAccepted = 0;

    // Processing runs that went through to a result: a run that stopped on the way (no series
    // could be made, the processing failed) leaves it as it was, so callers can tell the two apart.
    uint32_t dwCompletedRuns = 0;
};

// Releases every array and record the state owns and clears the pointers.
void releaseAppState(AppState& state) noexcept;

// Lays the window out for its client area and line height (the view paints and clicks use it).
void layOutWindow(AppState& state, const Rect& client, int32_t lineHeight) noexcept;

// Least and most pulses for the requested series length and the current gaps.
void recomputePulseBounds(AppState& state) noexcept;
// (wMinPulses + wMaxPulses) / 2.
uint16_t pulseBoundsMidpoint(const AppState& state) noexcept;
// A count outside the bounds becomes their midpoint.
uint16_t clampPulseCount(const AppState& state, uint16_t count) noexcept;

// wTaskType from wSelectedTask, in its tuple form on a tuples series.
void applyEffectiveTask(AppState& state) noexcept;

// Selector choices (index 1-based; an index outside the choices is ignored).
void chooseSeriesLength(AppState& state, int32_t index) noexcept;
void chooseNoiseLevel(AppState& state, int32_t index) noexcept;
void chooseLostData(AppState& state, int32_t index) noexcept;

// Copies the requested settings into the in-use ones before a series is made.
void takeOverRequestedSettings(AppState& state) noexcept;

// Rebuilds lpRequiredList (ascending etalon numbers) from wRequiredFlags.
void rebuildRequiredList(AppState& state) noexcept;

}  // namespace tessaline
