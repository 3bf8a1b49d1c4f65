#include "simulation/driver.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "model/codes.h"
#include "model/series.h"
#include "platform/alloc.h"
#include "platform/window.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/tuples.h"
#include "processing/unknown.h"
#include "simulation/measures.h"
#include "simulation/schedule.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

constexpr const char* DRIVER_CAPTION = " About statCutoffVandrel ";
constexpr const char* SUBSET_CAPTION = " About selectedSubset ";

int32_t now() { return static_cast<int32_t>(std::time(nullptr)); }

// The subset in use of the series record, kept to be given back after the run.
struct RememberedSubset {
    uint16_t size = 0;
    std::vector<uint16_t> entries;

    void take(const SeriesHeader& series) {
        size = series.wSubsetSize;
        const std::size_t stored = std::min<std::size_t>(size, series.wReservedPulses);
        entries.assign(series.lpSubset, series.lpSubset + stored);
    }
    void giveBack(SeriesHeader& series) const {
        series.wSubsetSize = size;
        std::copy(entries.begin(), entries.end(), series.lpSubset);
    }
};

// The tuples of a tuples run: the subset in use (S entries) and, for tuple recognition, the T
// stored subsets with their sizes, each cut to the greatest stored size W.
class TupleCopies {
public:
    ~TupleCopies() {
        memory::release(rows_);
        memory::release(block_);
    }
    // False after the failing allocation's message.
    bool take(Window& window, const SeriesHeader& series, bool recognition) {
        S_ = series.wSubsetSize;
        T_ = recognition ? series.wSubsets : 0;
        W_ = 0;
        for (int t = 0; t < T_ && series.selectedSubsetSize != nullptr; ++t) {
            W_ = std::max<int>(W_, series.selectedSubsetSize[t]);
        }
        if (recognition) {
            rows_ = memory::allocateArray<const int32_t*>(std::max(T_, 1));
            if (rows_ == nullptr) {
                window.showMessage("Ошибка selectedSubsetList!", SUBSET_CAPTION, MessageIcon::None);
                return false;
            }
        }
        const std::size_t count = static_cast<std::size_t>(S_) + (recognition ? static_cast<std::size_t>(T_) * (W_ + 1u) : 0u);
        block_ = memory::allocateZeroed<int32_t>(count);
        if (block_ == nullptr) {
            window.showMessage("Ошибка selectedSubset!", SUBSET_CAPTION, MessageIcon::None);
            return false;
        }
        const int stored = std::min<int>(S_, series.wReservedPulses);
        std::copy_n(series.lpSubset, stored, block_);
        for (int t = 0; t < T_; ++t) {
            sizes()[t] = std::min<int32_t>(series.selectedSubsetSize[t], W_);
            int32_t* row = block_ + S_ + T_ + static_cast<std::size_t>(W_) * t;
            std::copy_n(series.selectedSubsetList[t], std::min<int>(W_, series.wReservedSubsetSize), row);
            rows_[t] = row;
        }
        return true;
    }

    std::span<const int32_t> subset() const { return {block_, static_cast<std::size_t>(S_)}; }
    int32_t* sizes() const { return block_ + S_; }
    int count() const { return T_; }
    std::span<const int32_t> sizeList() const { return {sizes(), static_cast<std::size_t>(T_)}; }
    std::span<const int32_t* const> rowList() const { return {rows_, static_cast<std::size_t>(T_)}; }

    // Tuple t (1-based) becomes the series record's subset in use.
    void putInUse(int t, SeriesHeader& series) const {
        const int size = std::min<int>(sizes()[t - 1], series.wReservedPulses);
        for (int i = 0; i < size; ++i) series.lpSubset[i] = static_cast<uint16_t>(rows_[t - 1][i]);
        series.wSubsetSize = static_cast<uint16_t>(size);
    }

private:
    const int32_t** rows_ = nullptr;
    int32_t* block_ = nullptr;
    int S_ = 0, T_ = 0, W_ = 0;
};

// The index list and the working etalon list of a run, `capacity` (the most pulses) entries each.
class WorkingLists {
public:
    ~WorkingLists() { memory::release(index_); }
    bool allocate(int capacity) {
        capacity_ = capacity;
        index_ = memory::allocateArray<uint16_t>(2 * static_cast<std::size_t>(std::max(capacity, 1)));
        if (index_ == nullptr) return false;
        working_ = index_ + capacity;
        std::fill_n(index_, 2 * static_cast<std::size_t>(capacity), uint16_t{1});
        return true;
    }
    uint16_t* index() const { return index_; }
    uint16_t* working() const { return working_; }
    int capacity() const { return capacity_; }

private:
    uint16_t* index_ = nullptr;
    uint16_t* working_ = nullptr;
    int capacity_ = 0;
};

bool unknownCount(uint16_t seriesType) {
    return seriesType == SERIES_UNFIXED_WHOLE || seriesType == SERIES_UNFIXED_CUTOFF;
}

// One simulation: its settings, its lists and tuples, and the current cell's switching state.
class Simulation {
public:
    Simulation(Window& window, RestErrorHeader& record, const SimulationRun& run, SeriesHeader*& series,
               GeneratorStates& states)
        : window_(window), record_(record), run_(run), series_(series), states_(states),
          schedule_(run.taskType, run.etalons, nullptr, nullptr, 0), n_(static_cast<int>(run.etalons.size())),
          R_(static_cast<uint16_t>(record.repeats)) {}

    ~Simulation() { freeChainsHeader(chains_); }

    bool prepare() {
        chains_ = getChainsHeader(window_, 10, series_->wMaxPulses, nullptr);
        if (chains_ == nullptr) {
            window_.showMessage("Error getChainsHeader!", " About ChainsHeader ", MessageIcon::None);
            return false;
        }
        addToChainsHeader(window_, run_.seriesType, run_.taskType, run_.makingLevel, run_.processingLevel, chains_);
        addInitRestErrHeader(window_, run_.seriesType, run_.taskType, run_.makingLevel, run_.processingLevel,
                             &record_);
        if (!lists_.allocate(series_->wMaxPulses)) {
            window_.showMessage("Ошибка lpEtalonNumbersList!", DRIVER_CAPTION, MessageIcon::None);
            return false;
        }
        schedule_ = EtalonSchedule(run_.taskType, run_.etalons, lists_.index(), lists_.working(), lists_.capacity());
        if (!isTuplesSeriesType(run_.seriesType)) return true;
        if (series_->wSubsetSize == 0) {
            window_.showMessage("Error: selected Subset is absence!", SUBSET_CAPTION, MessageIcon::None);
            return false;
        }
        return tuples_.take(window_, *series_, run_.taskType == TASK_TUPLES_RECOGNITION);
    }

    // Every cell in order: pulse counts outer, noise levels inner. False when a series could not
    // be made (the run stops).
    bool runCells() {
        for (int j = 0; j < record_.wVariousPulses; ++j) {
            for (int k = 0; k < record_.wNoiseLevels; ++k) {
                if (!runCell(j, k)) return false;
            }
        }
        return true;
    }

private:
    // The candidate list the recognition and unknown-count runs get: the working list, n entries
    // at most and never past its end.
    std::span<const uint16_t> workingCandidates() const {
        return {lists_.working(), static_cast<std::size_t>(std::min(n_, lists_.capacity()))};
    }

    ProcessingInput pulsesInput(std::span<const uint16_t> candidates) const {
        return {run_.alphabet, candidates, series_->wTmin, series_->wTmax, run_.processingLevel};
    }

    TuplesInput tuplesInput() const {
        TuplesInput input;
        input.alphabet = run_.alphabet;
        input.proceeding = run_.proceeding;
        input.Tmin = series_->wTmin;
        input.Tmax = series_->wTmax;
        input.level = run_.processingLevel;
        return input;
    }

    // Processes the series by task and series type; returns the recognised etalon or tuple, or 0.
    int process() {
        SeriesHeader& series = *series_;
        const bool unknown = unknownCount(run_.seriesType);
        switch (run_.taskType) {
            case TASK_RECOGNITION:
                return unknown ? recognizeUnknownPulses(window_, pulsesInput(workingCandidates()), chains_, series)
                               : recognizeKnownPulses(window_, pulsesInput(workingCandidates()), chains_, series);
            case TASK_TUPLES_DETECTION:
                if (unknown || run_.seriesType == SERIES_UNFIXED_TUPLES) {
                    detectUnknownTuples(window_, tuplesInput(), tuples_.subset(), chains_, series);
                } else {
                    detectKnownTuples(window_, tuplesInput(), tuples_.subset(), chains_, series);
                }
                return 0;
            case TASK_TUPLES_RECOGNITION:
                if (unknown || run_.seriesType == SERIES_UNFIXED_TUPLES) {
                    return recognizeUnknownTuples(window_, tuplesInput(), tuples_.sizeList(), tuples_.rowList(),
                                                  chains_, series);
                }
                return recognizeKnownTuples(window_, tuplesInput(), tuples_.sizeList(), tuples_.rowList(), chains_,
                                            series);
            default:
                if (unknown) {
                    detectUnknownPulses(window_, pulsesInput(workingCandidates()), chains_, series);
                } else {
                    detectKnownPulses(window_, pulsesInput(run_.etalons), chains_, series);
                }
                return 0;
        }
    }

    bool makeSeries(int C) {
        SeriesRequest request;
        request.alphabet = run_.alphabet;
        const uint16_t first = run_.etalons.empty() ? 1 : run_.etalons[0];
        request.n = first >= 1 && first <= run_.alphabet.size() ? run_.alphabet[first - 1].wSize : 0;
        request.Tmin = series_->wTmin;
        request.Tmax = series_->wTmax;
        request.N = series_->dwSeriesSize;
        request.K = static_cast<uint16_t>(C);
        request.sequence = std::span<uint16_t>(lists_.working(), static_cast<std::size_t>(C));
        request.A = run_.amplitude;
        request.level = run_.makingLevel;
        series_ = getCutOffSeries(window_, request, series_, states_);
        if (series_ != nullptr) return true;
        window_.showMessage("Не могу создать ряд!", DRIVER_CAPTION, MessageIcon::None);
        return false;
    }

    // The cell's subset in use: none for detection and recognition, the first tuple for tuple
    // recognition.
    void prepareCellSubset() {
        if (run_.taskType == TASK_DETECTION || run_.taskType == TASK_RECOGNITION) series_->wSubsetSize = 0;
        if (run_.taskType == TASK_TUPLES_RECOGNITION && tuples_.count() > 0) tuples_.putInUse(1, *series_);
    }

    bool runCell(int j, int k) {
        const int C = record_.wPulseValues[j];
        const uint16_t sigma = static_cast<uint16_t>(record_.lpNoiseLevels[k]);
        schedule_.startCell(C, R_, tuples_.count());
        prepareCellSubset();
        int64_t errors = 0, deviations = 0;
        int32_t mismatches = 0;
        for (int r = 0; r < R_; ++r) {
            if (schedule_.beforeRepeat(r)) tuples_.putInUse(schedule_.tuple(), *series_);
            if (!makeSeries(C)) return false;
            addNoise(sigma, *series_, states_.dwNoiseSeed);
            const int recognised = process();
            errors += restoredErrorEnergy(*series_);
            deviations += scaledPositionDeviation(*series_, *chains_, C);
            if (run_.taskType == TASK_TUPLES_RECOGNITION && recognised != schedule_.tuple()) ++mismatches;
            // Recognition of single etalons counts the repeats whose recognised etalon is not the
            // placed one, so that its recognition error shows.
            if (run_.taskType == TASK_RECOGNITION && recognised != lists_.working()[0]) ++mismatches;
        }
        record_.lpErrors[k][j] = cellRestoredError(errors, R_);
        record_.lpRecognitionErrors[k][j] = mismatches;
        record_.lpSpareErrors1[k][j] = record_.lpSpareErrors2[k][j] = 0;
        record_.lpDetectionErrors[k][j] = cellDetectionError(deviations);
        record_.lpDetectionSpare[k][j] = 0;
        return true;
    }

    Window& window_;
    RestErrorHeader& record_;
    const SimulationRun& run_;
    SeriesHeader*& series_;
    GeneratorStates& states_;
    ChainsHeader* chains_ = nullptr;
    WorkingLists lists_;
    TupleCopies tuples_;
    EtalonSchedule schedule_;
    int n_;
    uint16_t R_;
};

// Grid values the run cannot work with, refused before anything is generated.
bool checkGrid(Window& window, const RestErrorHeader& record, const SimulationRun& run, const SeriesHeader& series) {
    for (int j = 0; j < record.wVariousPulses; ++j) {
        if (record.wPulseValues[j] < 1 || record.wPulseValues[j] > series.wMaxPulses) {
            window.showMessage("Неверно задан wPulseValues!", DRIVER_CAPTION, MessageIcon::Warning);
            return false;
        }
    }
    if (run.etalons.empty()) {
        window.showMessage("Неверно задан lpEtalonNumbersList!", DRIVER_CAPTION, MessageIcon::Warning);
        return false;
    }
    if (run.taskType == TASK_TUPLES_RECOGNITION && series.wSubsets == 0) {
        window.showMessage("Error: selected Subset is absence!", SUBSET_CAPTION, MessageIcon::Warning);
        return false;
    }
    return true;
}

}  // namespace

int statCutoffVandrel(Window& window, RestErrorHeader* record, const SimulationRun& run, SeriesHeader*& series,
                      GeneratorStates& states, SimulationClock& clock) {
    if (record == nullptr) {
        window.showMessage("Absence of RestoreErrorHeader!", "statCutoffVandrel", MessageIcon::None);
        return 0;
    }
    if (series == nullptr) {
        window.showMessage("Не определен lpSeriesHeader!", DRIVER_CAPTION, MessageIcon::None);
        return 0;
    }
    RememberedSubset remembered;
    remembered.take(*series);
    if (!checkGrid(window, *record, run, *series)) return 0;
    bool completed = false;
    {
        Simulation simulation(window, *record, run, series, states);
        if (!simulation.prepare()) return 0;
        clock.start = clock.end = now();
        completed = simulation.runCells();
    }
    clock.end = now();
    if (series != nullptr) remembered.giveBack(*series);
    if (!completed) return 0;
    record->ifComplete = 1;
    return 1;
}

}  // namespace tessaline
