#pragma once
// One statistical simulation under way: its settings, its lists and tuples, the current cell's
// schedule, and the series records and result records of the repeats processed side by side.
// driver.cpp makes it ready, repeats.cpp begins and processes the repeats of a batch, and cells.cpp
// runs the cells of the grid one after another, a batch of repeats at a time.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "model/series.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "processing/outcome.h"
#include "simulation/driver.h"
#include "simulation/measures.h"
#include "simulation/run_lists.h"
#include "simulation/schedule.h"
#include "simulation/statistics.h"

namespace tessaline {

// One repeat made ready for processing: its series and what processing and measuring it need
// from the moment it was made.
struct PreparedRepeat {
    SeriesHeader* series = nullptr;
    PendingSeries pending;                   // its series, begun and not yet placed
    GeneratorStates placement;               // the placement and segment states its pulses start from
    const uint16_t* candidates = nullptr;    // the working list as it was for this repeat
    int expected = 0;                        // the placed etalon (recognition) or tuple number
    int32_t noiseState = 0;                  // the noise state its noise starts from
    int64_t measures[SPREAD_MEASURES] = {};  // what it measured, by SpreadMeasure
};

// One simulation under way (what it holds is listed at the top of this file).
class Simulation {
public:
    Simulation(MessageSink& messages, RestErrorHeader& record, const SimulationRun& run,
               SeriesHeader*& series, GeneratorStates& states);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // The result records, the lists and the batch's records; false after the message of what failed.
    bool prepare();
    // Every cell in order: pulse counts outer, noise levels inner. False when a series could not
    // be made or the run was cancelled (the run stops).
    bool runCells();
    bool cancelled() const { return cancelled_; }

private:
    // The repeats processed between two waits of the threads for each other: a whole cell where
    // it fits, since every wait costs the slowest repeat's lag (and far more on a loaded machine,
    // where a thread waits for one that is not running), within a bound on the series held.
    static constexpr int BATCH_PER_THREAD = 64;
    static constexpr std::size_t BATCH_SAMPLES = std::size_t{1} << 21;

    static int threadsFor(int wanted, int repeats);
    static int batchFor(int repeats, int threads, uint32_t samples);
    bool allocateBatch();

    // The repeats (repeats.cpp).
    // The working list, n entries at most and never past its end.
    int candidateCount() const { return std::min(n_, lists_.capacity()); }
    ProcessingInput pulsesInput(const SeriesHeader& series, std::span<const uint16_t> candidates) const;
    TuplesInput tuplesInput(const SeriesHeader& series) const;
    ProcessingOutcome process(const PreparedRepeat& repeat, ChainsHeader* chains);
    bool beginSeries(SeriesHeader*& target, int C, PendingSeries& pending);
    static void carrySeriesSettings(const SeriesHeader& from, SeriesHeader& to);
    bool prepareRepeats(int C, int first, int count, bool lastCell);
    void placePending();
    bool cancelRequested();

    // The cells (cells.cpp).
    void prepareCellSubset();
    bool isLastCell(int j, int k) const;
    bool replayCell(int j, int k);
    bool runCell(int j, int k);
    void storeCell(int k, int j, const RepeatSums* sums);
    static int threadNumber();

    MessageSink& messages_;
    SharedMessages shared_;
    RestErrorHeader& record_;
    const SimulationRun& run_;
    SeriesHeader*& series_;
    GeneratorStates& states_;
    std::vector<OwnedChainsHeader> chains_;
    std::vector<SeriesHeader*> slots_;
    std::vector<PreparedRepeat> prepared_;
    uint16_t* snapshots_ = nullptr;
    WorkingLists lists_;
    TupleCopies tuples_;
    EtalonSchedule schedule_;
    int n_;
    uint16_t R_;
    int threads_;
    int batch_;
    LcgJump noiseJump_;  // the noise steps of one series
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> failed_{false};  // a repeat's processing failed
    const ProcessingAlgorithms& algorithms_;
    Algorithm algorithm_;
};

}  // namespace tessaline
