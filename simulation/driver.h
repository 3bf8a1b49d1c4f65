#pragma once
// The simulation driver: for every cell of the statistics record's grid (a pulse count by a noise
// level) it generates `repeats` series, adds noise, processes each with the algorithm the task and
// series type select, measures the result and stores the cell's accumulated errors.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

#include "model/random.h"
#include "model/records.h"
#include "model/series.h"
#include "processing/dispatch.h"

namespace tessaline {

class MessageSink;
struct RestErrorHeader;
struct ChainsHeader;

// How far a run has got, reported after every cell.
struct SimulationProgress {
    int cellsDone = 0;            // cells finished, of this process's share and the others' replayed
    int cells = 0;                // cells of the grid
    int64_t seriesProcessed = 0;  // series processed by this process so far
};

// The cells one process of a distributed run processes: cell c (pulse counts outer, noise levels
// inner, c counted from 0) belongs to process (cells - 1 - c) mod `processes`, so the cells are
// dealt out in turn and process 0 always has the last one, whose series the run ends with. Every
// process still makes every series (generation is cheap and keeps the generator states in
// order); the cells of other processes are left at 0 in its matrices, so adding the matrices of
// all processes gives the matrices of one process doing everything.
struct CellShare {
    int process = 0;
    int processes = 1;

    bool owns(int cell, int cells) const noexcept { return (cells - 1 - cell) % processes == process; }
};

// The most threads a run processes repeats on; a run never uses more threads than a cell has repeats.
inline constexpr int SIMULATION_THREAD_LIMIT = 1024;

struct SimulationRun {
    std::span<const PulseHeader> alphabet;  // etalon number e at index e - 1
    std::span<const uint16_t> etalons;      // the etalon list (the required etalons)
    uint16_t seriesType = 0;
    uint16_t taskType = 0;
    uint16_t makingLevel = 100;
    uint16_t processingLevel = 100;
    uint16_t proceeding = 1;                    // subset proceeding mode of the tuples runs
    int16_t amplitude = 128;                    // amplitude bound of the series made
    int threads = 1;                            // threads processing repeats side by side
    CellShare share;                            // this process's cells of a distributed run
    const std::atomic<bool>* cancel = nullptr;  // set from elsewhere to stop the run between repeats
    std::function<void(const SimulationProgress&)> progress;  // called after every cell
    const ProcessingAlgorithms* algorithms = nullptr;         // none: the production algorithms
};

// What the shell adds to a run that its dialogs do not ask for.
struct SimulationHooks {
    int threads = 0;  // 0: one per core
    CellShare share;
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(const SimulationProgress&)> progress;
    // Carries the run out: none runs it on the calling thread; a front end that must stay
    // responsive runs it elsewhere and returns once it has ended.
    std::function<void(const std::function<void()>& run)> runner;
};

// Calendar times (seconds) of the last run's start and end.
struct SimulationClock {
    int32_t start = 0;
    int32_t end = 0;
};

// What a repeat's series is made from: the run's alphabet, amplitude and making level, the length
// of the etalon listed first, the gaps and length of the series record `settings`, and one pulse a
// `sequence` entry.
SeriesRequest repeatSeriesRequest(const SimulationRun& run, const SeriesHeader& settings,
                                  std::span<uint16_t> sequence);

// Runs the whole simulation on the grid `record` holds. `series` is the series record: its gaps,
// length, most pulses and subsets configure the run, every repeat regenerates it in place, and
// it ends holding the last series with its result and its subset in use as before. Returns 1, or
// 0 after a failure (with its message; `ifComplete` stays 0) or when the run was cancelled (it says
// so; the subset in use is given back all the same). Series are made one after another
// from the generator states; with several threads they are processed side by side, and the result
// is the same whatever the number of threads.
int statCutoffVandrel(MessageSink& messages, RestErrorHeader* record, const SimulationRun& run,
                      SeriesHeader*& series, GeneratorStates& states, SimulationClock& clock);

}  // namespace tessaline
