#include <algorithm>

#include "model/codes.h"
#include "model/series.h"
#include "simulation/messages.h"
#include "simulation/simulation.h"

namespace tessaline {

ProcessingInput Simulation::pulsesInput(const SeriesHeader& series,
                                        std::span<const uint16_t> candidates) const {
    return {run_.alphabet, candidates, series.wTmin, series.wTmax, run_.processingLevel};
}

TuplesInput Simulation::tuplesInput(const SeriesHeader& series) const {
    TuplesInput input;
    input.alphabet = run_.alphabet;
    input.proceeding = run_.proceeding;
    input.Tmin = series.wTmin;
    input.Tmax = series.wTmax;
    input.level = run_.processingLevel;
    return input;
}

// Processes one repeat's series with the run's algorithm; returns its outcome.
ProcessingOutcome Simulation::process(const PreparedRepeat& repeat, ChainsHeader* chains) {
    SeriesHeader& series = *repeat.series;
    const std::span<const uint16_t> working(repeat.candidates, static_cast<std::size_t>(candidateCount()));
    ProcessingRequest request;
    // Detection with a known count tries every listed etalon; the other runs the working list.
    const bool everyEtalon = algorithm_ == Algorithm::DetectKnownPulses;
    request.pulses = pulsesInput(series, everyEtalon ? run_.etalons : working);
    request.tuples = tuplesInput(series);
    request.tuple = tuples_.subset();
    request.sizes = tuples_.sizeList();
    request.rows = tuples_.rowList();
    return runProcessing(shared_, algorithms_, algorithm_, request, chains, series);
}

// Begins the series of one repeat in `target`, with the subset in use of the series record.
bool Simulation::beginSeries(SeriesHeader*& target, int C, PendingSeries& pending) {
    const SeriesRequest request = repeatSeriesRequest(
        run_, *series_, std::span<uint16_t>(lists_.working(), static_cast<std::size_t>(C)));
    if (target != series_) {
        target = getCutOffSeriesHeader(messages_, static_cast<uint16_t>(run_.alphabet.size()), request.n,
                                       request.Tmin, request.Tmax, request.N, target);
        if (target != nullptr) carrySeriesSettings(*series_, *target);
    }
    // A repeat is processed only when its series was placed: a record that kept the previous
    // series (or none) would be measured as a result that never happened.
    int begun = 0;
    if (target != nullptr) target = beginCutOffSeries(messages_, request, target, states_, pending, begun);
    if (target != nullptr && begun != 0) return true;
    messages_.showMessage(simulation_text::NO_SERIES_MADE, simulation_text::DRIVER_CAPTION,
                          MessageIcon::None);
    return false;
}

// A repeat's own record carries what the series record holds besides its samples: the subset
// in use and the header values the series maker reports when it refuses a request.
void Simulation::carrySeriesSettings(const SeriesHeader& from, SeriesHeader& to) {
    const int size = std::min<int>(from.wSubsetSize, to.wReservedPulses);
    std::copy_n(from.lpSubset, size, to.lpSubset);
    to.wSubsetSize = static_cast<uint16_t>(size);
    to.wSubsetEmployment = from.wSubsetEmployment;
    to.wSubsetInitPosition = from.wSubsetInitPosition;
    to.wImpulseSize = from.wImpulseSize;
}

// The repeats are begun one after another in their order: the etalon schedule, the subset
// employment and the checks of a series depend on the repeats before it. What is left of
// generation, placing the pulses, draws a fixed number of times from the placement and segment
// states, and the noise of a series a fixed number of times from the noise state, so each
// repeat's starting states are known at once, the shared states jump past it, and the pulses,
// noise, processing and measures of the repeats run side by side.
bool Simulation::prepareRepeats(int C, int first, int count, bool lastCell) {
    for (int i = 0; i < count; ++i) {
        if (cancelRequested()) return false;
        const int r = first + i;
        if (schedule_.beforeRepeat(r)) tuples_.putInUse(schedule_.tuple(), *series_);
        const bool lastRepeat = lastCell && r == R_ - 1;
        PreparedRepeat& repeat = prepared_[i];
        SeriesHeader*& target = lastRepeat ? series_ : slots_[i];
        if (!beginSeries(target, C, repeat.pending)) return false;
        repeat.series = target;
        repeat.placement = states_;
        skipPlacementDraws(static_cast<uint16_t>(C), states_);
        repeat.noiseState = states_.dwNoiseSeed;
        states_.dwNoiseSeed = noiseJump_.apply(static_cast<uint32_t>(states_.dwNoiseSeed));
        uint16_t* snapshot = snapshots_ + static_cast<std::size_t>(i) * lists_.capacity();
        std::copy_n(lists_.working(), lists_.capacity(), snapshot);
        repeat.candidates = snapshot;
        repeat.expected = run_.taskType == TASK_TUPLES_RECOGNITION ? schedule_.tuple() : lists_.working()[0];
    }
    return true;
}

// Series begun and never placed (a run that stopped on the way) are placed all the same, so
// that every record holds the whole series its generator states stand for.
void Simulation::placePending() {
    for (PreparedRepeat& repeat : prepared_) {
        if (repeat.pending.energy != nullptr)
            placeExtSeries(*repeat.series, repeat.pending, repeat.placement);
    }
}

// Read between repeats by every processing thread.
bool Simulation::cancelRequested() {
    if (run_.cancel != nullptr && run_.cancel->load(std::memory_order_relaxed)) cancelled_ = true;
    return cancelled_;
}

}  // namespace tessaline
