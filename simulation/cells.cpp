#include <algorithm>

#ifdef _OPENMP
#include <omp.h>
#endif

#include "model/codes.h"
#include "simulation/measures.h"
#include "simulation/simulation.h"

namespace tessaline {

// Every cell in order: pulse counts outer, noise levels inner. False when a series could not
// be made or the run was cancelled (the run stops).
bool Simulation::runCells() {
    const int cells = record_.wVariousPulses * record_.wNoiseLevels;
    SimulationProgress progress{0, cells, 0};
    for (int j = 0; j < record_.wVariousPulses; ++j) {
        for (int k = 0; k < record_.wNoiseLevels; ++k) {
            const bool owned = run_.share.owns(progress.cellsDone, cells);
            if (!(owned ? runCell(j, k) : replayCell(j, k))) return false;
            if (owned) progress.seriesProcessed += R_;
            ++progress.cellsDone;
            if (run_.progress) run_.progress(progress);
        }
    }
    return true;
}

// The cell's subset in use: none for detection and recognition, the first tuple for tuple
// recognition.
void Simulation::prepareCellSubset() {
    if (run_.taskType == TASK_DETECTION || run_.taskType == TASK_RECOGNITION) series_->wSubsetSize = 0;
    if (run_.taskType == TASK_TUPLES_RECOGNITION && tuples_.count() > 0) tuples_.putInUse(1, *series_);
}

bool Simulation::isLastCell(int j, int k) const {
    return j == record_.wVariousPulses - 1 && k == record_.wNoiseLevels - 1;
}

// A cell of another process: its series are made, so that the generator states move as they
// would have, and its noise is skipped by jumping; its matrices stay 0.
bool Simulation::replayCell(int j, int k) {
    const int C = record_.wPulseValues[j];
    schedule_.startCell(C, R_, tuples_.count());
    prepareCellSubset();
    for (int first = 0; first < R_; first += batch_) {
        const int count = std::min<int>(batch_, R_ - first);
        if (!prepareRepeats(C, first, count, isLastCell(j, k))) return false;
        for (int i = 0; i < count; ++i) {
            placeExtSeries(*prepared_[i].series, prepared_[i].pending, prepared_[i].placement);
        }
    }
    RepeatSums* sums = cellRepeatSums(record_, k, j);
    std::fill_n(sums, SPREAD_MEASURES, RepeatSums{0, 0, 0});
    storeCell(k, j, sums);
    return true;
}

bool Simulation::runCell(int j, int k) {
    const int C = record_.wPulseValues[j];
    const uint16_t sigma = static_cast<uint16_t>(record_.lpNoiseLevels[k]);
    const bool lastCell = isLastCell(j, k);
    schedule_.startCell(C, R_, tuples_.count());
    prepareCellSubset();
    RepeatSums* sums = cellRepeatSums(record_, k, j);
    std::fill_n(sums, SPREAD_MEASURES, RepeatSums{0, 0, 0});
    for (int first = 0; first < R_; first += batch_) {
        const int count = std::min<int>(batch_, R_ - first);
        if (!prepareRepeats(C, first, count, lastCell)) return false;
#ifdef _OPENMP
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads_)
#endif
        for (int i = 0; i < count; ++i) {
            if (cancelRequested() || failed_) continue;  // a long cell stops between its repeats too
            ChainsHeader* chains = chains_[threadNumber()].get();
            PreparedRepeat& repeat = prepared_[i];
            placeExtSeries(*repeat.series, repeat.pending, repeat.placement);
            int32_t noiseState = repeat.noiseState;
            addNoise(sigma, *repeat.series, noiseState);
            const ProcessingOutcome outcome = process(repeat, chains);
            if (outcome.failed()) {  // its message is shown; the run stops
                failed_ = true;
                continue;
            }
            repeat.measures[SPREAD_RESTORED] = restoredErrorEnergy(*repeat.series);
            repeat.measures[SPREAD_DETECTION] = scaledPositionDeviation(*repeat.series, *chains, C);
            repeat.measures[SPREAD_RECOGNITION] =
                repeatRecognitionErrors(run_.taskType, *repeat.series, outcome.recognised, repeat.expected);
        }
        if (cancelled_ || failed_) return false;
        // Added in repeat order on this thread: integer sums, the same for any number of threads.
        for (int i = 0; i < count; ++i) {
            for (int m = 0; m < SPREAD_MEASURES; ++m) addRepeatValue(sums[m], prepared_[i].measures[m]);
        }
    }
    storeCell(k, j, sums);
    return true;
}

void Simulation::storeCell(int k, int j, const RepeatSums* sums) {
    record_.lpErrors[k][j] = cellRestoredError(sums[SPREAD_RESTORED].sum, R_);
    record_.lpRecognitionErrors[k][j] = static_cast<int32_t>(sums[SPREAD_RECOGNITION].sum);
    record_.lpSpareErrors1[k][j] = record_.lpSpareErrors2[k][j] = 0;
    record_.lpDetectionErrors[k][j] = cellDetectionError(sums[SPREAD_DETECTION].sum);
    record_.lpDetectionSpare[k][j] = 0;
}

int Simulation::threadNumber() {
#ifdef _OPENMP
    return omp_get_thread_num();
#else
    return 0;
#endif
}

}  // namespace tessaline
