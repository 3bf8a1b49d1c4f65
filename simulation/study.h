#pragma once
// One statistical simulation as a single call, for the front ends that run it without the window's
// dialogs (the command line and the Python module): the workbench it starts from, the grid, the
// graph chosen, the threads, progress and cancel; the result as plain vectors. It does what the
// command " Statistical Simulation" does once its dialogs are answered: it sizes the statistics
// record for the grid, makes the series record fit the run's geometry, runs the driver and reads
// the shown errors, their spread and the statistics view the display choice selects.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/random.h"
#include "model/records.h"
#include "simulation/displayed.h"
#include "simulation/driver.h"

namespace tessaline {

class MessageSink;
struct RestErrorHeader;

// The grid as the " Location Parameters" dialog holds it: pulse counts from, to (inclusive) and
// their step; the first noise level, the number of levels and their step; repeats per cell.
struct StudyGrid {
    uint16_t pulsesFrom = 0;
    uint16_t pulsesTo = 0;
    uint16_t pulsesIncrement = 1;  // 0 is taken as 1
    uint16_t noiseFrom = 0;
    uint16_t noiseSteps = 29;
    uint16_t noiseIncrement = 5;
    uint16_t repeats = 100;

    // (to - from) / step + 1 pulse counts: from, from + step, ...
    uint16_t pulseSteps() const noexcept;
};

// The graph chosen in the " Show Statistical Simulation" dialog.
enum class StudyMeasure { Restored = 1, Detection = 2, Recognition = 3 };
struct StudyDisplay {
    StudyMeasure measure = StudyMeasure::Restored;
    bool aggregate = false;            // one curve over the pulse counts instead of one per count
    bool bounds = false;               // the theoretical recognition curves as well
    std::optional<double> upperBound;  // a fixed top of the error axis
};

// The statistics view code of a display choice: 0/1 restored, 2/3 detection, 4/5 recognition,
// 12/13 recognition with bounds (the odd codes aggregate).
int32_t studyViewCode(const StudyDisplay& display) noexcept;

// What the run starts from. The alphabet and the etalon list are read, never kept.
struct StudyWorkbench {
    std::span<const PulseHeader> alphabet;  // etalon number e at index e - 1
    std::span<const uint16_t> etalons;      // the etalon list, in its order
    uint16_t etalonLength = 20;             // n
    uint16_t seriesType = 8;
    uint16_t taskType = 1;  // the task in use (36 or 40 for the tuples tasks)
    uint16_t makingLevel = 75;
    uint16_t processingLevel = 75;
    uint16_t proceeding = 1;  // subset proceeding mode of the tuples runs
    int16_t amplitude = 128;
    uint16_t Tmin = 40;
    uint16_t Tmax = 181;
    uint32_t length = 1200;  // N
};

struct StudyRequest {
    StudyWorkbench workbench;
    StudyGrid grid;
    StudyDisplay display;
    int threads = 0;  // 0: one per core
    CellShare share;  // this process's cells of a distributed run
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(const SimulationProgress&)> progress;
};

// [noise-level row][pulse-count column]
template <typename Value>
using StudyMatrix = std::vector<std::vector<Value>>;

// The result: the grid, the record's sums, and the shown errors (with their spread, the reference
// quantities, normalisers and theoretical curves) as `displayedErrors` gives them.
struct StudyResult {
    std::vector<int> pulseCounts;  // J, one per column
    std::vector<int> noiseLevels;  // L, one per row
    uint32_t repeats = 0;
    uint16_t seriesType = 0;
    uint16_t taskType = 0;
    std::string seriesTypeName, taskName;  // empty for a code without a name
    uint16_t makingLevel = 0;
    uint16_t processingLevel = 0;
    StudyMatrix<int32_t> errors, detectionErrors, recognitionErrors;  // the record's matrices
    DisplayedErrors shown;
    int32_t viewCode = 0;  // the statistics view the display choice selects
    SimulationClock clock;
};

// Runs the simulation: `record` and `series` are the caller's records, reused or replaced as the
// workbench's make-or-reuse operations do (the series record keeps its subsets and ends holding
// the last series); `states` advance. 1 (with the run's start and end in `clock`); 0 after a
// failure (said on `messages`) or when the run was cancelled.
int runStudy(MessageSink& messages, const StudyRequest& request, SeriesHeader*& series,
             RestErrorHeader*& record, GeneratorStates& states, SimulationClock& clock);

// The result of a complete run from its records (of every process, once gathered).
StudyResult studyResult(const StudyRequest& request, const RestErrorHeader& record,
                        const SeriesHeader& series, const SimulationClock& clock);

}  // namespace tessaline
