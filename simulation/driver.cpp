#include "simulation/driver.h"

#include <algorithm>
#include <ctime>
#include <mutex>
#include <vector>

#ifdef _OPENMP
#include <omp.h>
#endif

#include "model/codes.h"
#include "model/series.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "processing/outcome.h"
#include "simulation/measures.h"
#include "simulation/run_lists.h"
#include "simulation/schedule.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

constexpr const char* DRIVER_CAPTION = " About statCutoffVandrel ";
constexpr uint16_t CHAINS_KEPT = 10;  // the best chains the result record of a repeat keeps

int32_t now() { return static_cast<int32_t>(std::time(nullptr)); }

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

// One simulation: its settings, its lists and tuples, the current cell's schedule, and the series
// records and result records of the repeats processed side by side.
class Simulation {
public:
    Simulation(MessageSink& messages, RestErrorHeader& record, const SimulationRun& run,
               SeriesHeader*& series, GeneratorStates& states)
        : messages_(messages),
          shared_(messages),
          record_(record),
          run_(run),
          series_(series),
          states_(states),
          schedule_(run.taskType, run.etalons, nullptr, nullptr, 0),
          n_(static_cast<int>(run.etalons.size())),
          R_(static_cast<uint16_t>(record.repeats)),
          threads_(threadsFor(run.threads, R_)),
          batch_(batchFor(R_, threads_, series->dwSeriesSize)),
          noiseJump_(lcgJumpOf(noiseStepsOf(series->dwSeriesSize))),
          algorithms_(run.algorithms != nullptr ? *run.algorithms : productionAlgorithms()),
          algorithm_(algorithmFor(run.taskType, run.seriesType)) {}

    ~Simulation() {
        placePending();
        for (ChainsHeader* chains : chains_) freeChainsHeader(chains);
        for (SeriesHeader* slot : slots_) freeSeriesHeader(slot);
        memory::release(snapshots_);
    }
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    bool prepare() {
        chains_.assign(threads_, nullptr);
        for (ChainsHeader*& chains : chains_) {
            chains = getChainsHeader(messages_, CHAINS_KEPT, series_->wMaxPulses, nullptr);
            if (chains == nullptr) {
                messages_.showMessage("Error getChainsHeader!", " About ChainsHeader ", MessageIcon::None);
                return false;
            }
            addToChainsHeader(messages_, run_.seriesType, run_.taskType, run_.makingLevel,
                              run_.processingLevel, chains);
        }
        addInitRestErrHeader(messages_, run_.seriesType, run_.taskType, run_.makingLevel,
                             run_.processingLevel, &record_);
        if (!lists_.allocate(series_->wMaxPulses) || !allocateBatch()) {
            messages_.showMessage("Ошибка lpEtalonNumbersList!", DRIVER_CAPTION, MessageIcon::None);
            return false;
        }
        schedule_ =
            EtalonSchedule(run_.taskType, run_.etalons, lists_.index(), lists_.working(), lists_.capacity());
        if (!isTuplesSeriesType(run_.seriesType)) return true;
        if (series_->wSubsetSize == 0) {
            messages_.showMessage("Error: selected Subset is absence!", SUBSET_CAPTION, MessageIcon::None);
            return false;
        }
        return tuples_.take(messages_, *series_, run_.taskType == TASK_TUPLES_RECOGNITION);
    }

    // Every cell in order: pulse counts outer, noise levels inner. False when a series could not
    // be made or the run was cancelled (the run stops).
    bool runCells() {
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

    bool cancelled() const { return cancelled_; }

private:
    // The repeats processed between two waits of the threads for each other: a whole cell where
    // it fits, since every wait costs the slowest repeat's lag (and far more on a loaded machine,
    // where a thread waits for one that is not running), within a bound on the series held.
    static constexpr int BATCH_PER_THREAD = 64;
    static constexpr std::size_t BATCH_SAMPLES = std::size_t{1} << 21;

    // No more threads than a cell has repeats (the others would only wait), nor than the limit.
    static int threadsFor(int wanted, int repeats) {
        return std::clamp(std::min(wanted, SIMULATION_THREAD_LIMIT), 1, std::max(repeats, 1));
    }

    static int batchFor(int repeats, int threads, uint32_t samples) {
        const auto held =
            static_cast<int>(std::min<std::size_t>(BATCH_SAMPLES / std::max(samples, 1u), INT32_MAX));
        return std::min({std::max(repeats, 1), BATCH_PER_THREAD * threads, std::max(held, threads)});
    }

    // The series records of a batch (the last repeat of the run uses the series record itself, so
    // that it ends holding it) and the working-list snapshots of its repeats.
    bool allocateBatch() {
        slots_.assign(batch_, nullptr);
        prepared_.assign(batch_, PreparedRepeat{});
        snapshots_ =
            memory::allocateArray<uint16_t>(static_cast<std::size_t>(batch_) * lists_.capacity() + 1);
        return snapshots_ != nullptr;
    }

    // The working list, n entries at most and never past its end.
    int candidateCount() const { return std::min(n_, lists_.capacity()); }

    ProcessingInput pulsesInput(const SeriesHeader& series, std::span<const uint16_t> candidates) const {
        return {run_.alphabet, candidates, series.wTmin, series.wTmax, run_.processingLevel};
    }

    TuplesInput tuplesInput(const SeriesHeader& series) const {
        TuplesInput input;
        input.alphabet = run_.alphabet;
        input.proceeding = run_.proceeding;
        input.Tmin = series.wTmin;
        input.Tmax = series.wTmax;
        input.level = run_.processingLevel;
        return input;
    }

    // Processes one repeat's series with the run's algorithm; returns its outcome.
    ProcessingOutcome process(const PreparedRepeat& repeat, ChainsHeader* chains) {
        SeriesHeader& series = *repeat.series;
        const std::span<const uint16_t> working(repeat.candidates,
                                                static_cast<std::size_t>(candidateCount()));
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
    bool beginSeries(SeriesHeader*& target, int C, PendingSeries& pending) {
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
        if (target != nullptr)
            target = beginCutOffSeries(messages_, request, target, states_, pending, begun);
        if (target != nullptr && begun != 0) return true;
        messages_.showMessage("Не могу создать ряд!", DRIVER_CAPTION, MessageIcon::None);
        return false;
    }

    // A repeat's own record carries what the series record holds besides its samples: the subset
    // in use and the header values the series maker reports when it refuses a request.
    static void carrySeriesSettings(const SeriesHeader& from, SeriesHeader& to) {
        const int size = std::min<int>(from.wSubsetSize, to.wReservedPulses);
        std::copy_n(from.lpSubset, size, to.lpSubset);
        to.wSubsetSize = static_cast<uint16_t>(size);
        to.wSubsetEmployment = from.wSubsetEmployment;
        to.wSubsetInitPosition = from.wSubsetInitPosition;
        to.wImpulseSize = from.wImpulseSize;
    }

    // The cell's subset in use: none for detection and recognition, the first tuple for tuple
    // recognition.
    void prepareCellSubset() {
        if (run_.taskType == TASK_DETECTION || run_.taskType == TASK_RECOGNITION) series_->wSubsetSize = 0;
        if (run_.taskType == TASK_TUPLES_RECOGNITION && tuples_.count() > 0) tuples_.putInUse(1, *series_);
    }

    // The repeats are begun one after another in their order: the etalon schedule, the subset
    // employment and the checks of a series depend on the repeats before it. What is left of
    // generation, placing the pulses, draws a fixed number of times from the placement and segment
    // states, and the noise of a series a fixed number of times from the noise state, so each
    // repeat's starting states are known at once, the shared states jump past it, and the pulses,
    // noise, processing and measures of the repeats run side by side.
    bool prepareRepeats(int C, int first, int count, bool lastCell) {
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
            repeat.expected =
                run_.taskType == TASK_TUPLES_RECOGNITION ? schedule_.tuple() : lists_.working()[0];
        }
        return true;
    }

    // Series begun and never placed (a run that stopped on the way) are placed all the same, so
    // that every record holds the whole series its generator states stand for.
    void placePending() {
        for (PreparedRepeat& repeat : prepared_) {
            if (repeat.pending.energy != nullptr)
                placeExtSeries(*repeat.series, repeat.pending, repeat.placement);
        }
    }

    // Read between repeats by every processing thread.
    bool cancelRequested() {
        if (run_.cancel != nullptr && run_.cancel->load(std::memory_order_relaxed)) cancelled_ = true;
        return cancelled_;
    }

    bool isLastCell(int j, int k) const {
        return j == record_.wVariousPulses - 1 && k == record_.wNoiseLevels - 1;
    }

    // A cell of another process: its series are made, so that the generator states move as they
    // would have, and its noise is skipped by jumping; its matrices stay 0.
    bool replayCell(int j, int k) {
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

    bool runCell(int j, int k) {
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
                ChainsHeader* chains = chains_[threadNumber()];
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
                repeat.measures[SPREAD_RECOGNITION] = repeatRecognitionErrors(
                    run_.taskType, *repeat.series, outcome.recognised, repeat.expected);
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

    void storeCell(int k, int j, const RepeatSums* sums) {
        record_.lpErrors[k][j] = cellRestoredError(sums[SPREAD_RESTORED].sum, R_);
        record_.lpRecognitionErrors[k][j] = static_cast<int32_t>(sums[SPREAD_RECOGNITION].sum);
        record_.lpSpareErrors1[k][j] = record_.lpSpareErrors2[k][j] = 0;
        record_.lpDetectionErrors[k][j] = cellDetectionError(sums[SPREAD_DETECTION].sum);
        record_.lpDetectionSpare[k][j] = 0;
    }

    static int threadNumber() {
#ifdef _OPENMP
        return omp_get_thread_num();
#else
        return 0;
#endif
    }

    MessageSink& messages_;
    SharedMessages shared_;
    RestErrorHeader& record_;
    const SimulationRun& run_;
    SeriesHeader*& series_;
    GeneratorStates& states_;
    std::vector<ChainsHeader*> chains_;
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

// Grid values the run cannot work with, refused before anything is generated.
bool checkGrid(MessageSink& messages, const RestErrorHeader& record, const SimulationRun& run,
               const SeriesHeader& series) {
    const int least = std::max<int>(series.wMinPulses, 1);  // fewer pulses than that do not fit
    for (int j = 0; j < record.wVariousPulses; ++j) {
        if (record.wPulseValues[j] < least || record.wPulseValues[j] > series.wMaxPulses) {
            messages.showMessage("Неверно задан wPulseValues!", DRIVER_CAPTION, MessageIcon::Warning);
            return false;
        }
    }
    if (run.etalons.empty()) {
        messages.showMessage("Неверно задан lpEtalonNumbersList!", DRIVER_CAPTION, MessageIcon::Warning);
        return false;
    }
    if (run.taskType == TASK_TUPLES_RECOGNITION && series.wSubsets == 0) {
        messages.showMessage("Error: selected Subset is absence!", SUBSET_CAPTION, MessageIcon::Warning);
        return false;
    }
    return true;
}

}  // namespace

SeriesRequest repeatSeriesRequest(const SimulationRun& run, const SeriesHeader& settings,
                                  std::span<uint16_t> sequence) {
    SeriesRequest request;
    request.alphabet = run.alphabet;
    const uint16_t first = run.etalons.empty() ? 1 : run.etalons[0];
    request.n = first >= 1 && first <= run.alphabet.size() ? run.alphabet[first - 1].wSize : 0;
    request.Tmin = settings.wTmin;
    request.Tmax = settings.wTmax;
    request.N = settings.dwSeriesSize;
    request.K = static_cast<uint16_t>(sequence.size());
    request.sequence = sequence;
    request.A = run.amplitude;
    request.level = run.makingLevel;
    return request;
}

int statCutoffVandrel(MessageSink& messages, RestErrorHeader* record, const SimulationRun& run,
                      SeriesHeader*& series, GeneratorStates& states, SimulationClock& clock) {
    if (record == nullptr) {
        messages.showMessage("Absence of RestoreErrorHeader!", "statCutoffVandrel", MessageIcon::None);
        return 0;
    }
    if (series == nullptr) {
        messages.showMessage("Не определен lpSeriesHeader!", DRIVER_CAPTION, MessageIcon::None);
        return 0;
    }
    RememberedSubset remembered;
    remembered.take(*series);
    if (!checkGrid(messages, *record, run, *series)) return 0;
    if (run.share.processes < 1 || run.share.process < 0 || run.share.process >= run.share.processes) {
        messages.showMessage("Неверно задан CellShare!", DRIVER_CAPTION, MessageIcon::Warning);
        return 0;
    }
    bool completed = false;
    bool cancelled = false;
    {
        Simulation simulation(messages, *record, run, series, states);
        if (!simulation.prepare()) return 0;
        clock.start = clock.end = now();
        completed = simulation.runCells();
        cancelled = simulation.cancelled();
    }
    clock.end = now();
    if (series != nullptr) remembered.giveBack(*series);
    if (cancelled)
        messages.showMessage("Statistical simulation cancelled", DRIVER_CAPTION, MessageIcon::Information);
    if (!completed) return 0;
    record->ifComplete = 1;
    return 1;
}

}  // namespace tessaline
