#pragma once
// The simulation driver: for every cell of the statistics record's grid (a pulse count by a noise
// level) it generates `repeats` series, adds noise, processes each with the algorithm the task and
// series type select, measures the result and stores the cell's accumulated errors.
#include <cstdint>
#include <span>

#include "model/random.h"
#include "model/records.h"

namespace tessaline {

class Window;
struct RestErrorHeader;

struct SimulationRun {
    std::span<const PulseHeader> alphabet;  // etalon number e at index e - 1
    std::span<const uint16_t> etalons;      // the etalon list (the required etalons)
    uint16_t seriesType = 0;
    uint16_t taskType = 0;
    uint16_t makingLevel = 100;
    uint16_t processingLevel = 100;
    uint16_t proceeding = 1;                // subset proceeding mode of the tuples runs
    int16_t amplitude = 128;                // amplitude bound of the series made
    int threads = 1;                        // threads processing repeats side by side
};

// Calendar times (seconds) of the last run's start and end.
struct SimulationClock {
    int32_t start = 0;
    int32_t end = 0;
};

// Runs the whole simulation on the grid `record` holds. `series` is the series record: its gaps,
// length, most pulses and subsets configure the run, every repeat regenerates it in place, and
// it ends holding the last series with its result and its subset in use as before. Returns 1, or
// 0 after a failure (with its message; `ifComplete` stays 0). Series are made one after another
// from the generator states; with several threads they are processed side by side, and the result
// is the same whatever the number of threads.
int statCutoffVandrel(Window& window, RestErrorHeader* record, const SimulationRun& run, SeriesHeader*& series,
                      GeneratorStates& states, SimulationClock& clock);

}  // namespace tessaline
