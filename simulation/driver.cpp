#include "simulation/driver.h"

#include <algorithm>
#include <ctime>

#include "model/codes.h"
#include "model/series.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "processing/chains.h"
#include "simulation/messages.h"
#include "simulation/run_lists.h"
#include "simulation/simulation.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

constexpr uint16_t CHAINS_KEPT = 10;  // the best chains the result record of a repeat keeps

int32_t now() { return static_cast<int32_t>(std::time(nullptr)); }

}  // namespace

Simulation::Simulation(MessageSink& messages, RestErrorHeader& record, const SimulationRun& run,
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

Simulation::~Simulation() {
    placePending();
    for (SeriesHeader* slot : slots_) freeSeriesHeader(slot);
    memory::release(snapshots_);
}

bool Simulation::prepare() {
    chains_.resize(threads_);
    for (OwnedChainsHeader& chains : chains_) {
        chains.reset(getChainsHeader(messages_, CHAINS_KEPT, series_->wMaxPulses, nullptr));
        if (chains == nullptr) {
            messages_.showMessage(simulation_text::NO_CHAINS_RECORD, simulation_text::CHAINS_CAPTION,
                                  MessageIcon::None);
            return false;
        }
        addToChainsHeader(messages_, run_.seriesType, run_.taskType, run_.makingLevel, run_.processingLevel,
                          chains.get());
    }
    addInitRestErrHeader(messages_, run_.seriesType, run_.taskType, run_.makingLevel, run_.processingLevel,
                         &record_);
    if (!lists_.allocate(series_->wMaxPulses) || !allocateBatch()) {
        messages_.showMessage(simulation_text::NO_ETALON_LISTS, simulation_text::DRIVER_CAPTION,
                              MessageIcon::None);
        return false;
    }
    schedule_ =
        EtalonSchedule(run_.taskType, run_.etalons, lists_.index(), lists_.working(), lists_.capacity());
    if (!isTuplesSeriesType(run_.seriesType)) return true;
    if (series_->wSubsetSize == 0) {
        messages_.showMessage(simulation_text::NO_SUBSET, simulation_text::SUBSET_CAPTION, MessageIcon::None);
        return false;
    }
    return tuples_.take(messages_, *series_, run_.taskType == TASK_TUPLES_RECOGNITION);
}

// No more threads than a cell has repeats (the others would only wait), nor than the limit.
int Simulation::threadsFor(int wanted, int repeats) {
    return std::clamp(std::min(wanted, SIMULATION_THREAD_LIMIT), 1, std::max(repeats, 1));
}

int Simulation::batchFor(int repeats, int threads, uint32_t samples) {
    const auto held =
        static_cast<int>(std::min<std::size_t>(BATCH_SAMPLES / std::max(samples, 1u), INT32_MAX));
    return std::min({std::max(repeats, 1), BATCH_PER_THREAD * threads, std::max(held, threads)});
}

// The series records of a batch (the last repeat of the run uses the series record itself, so
// that it ends holding it) and the working-list snapshots of its repeats.
bool Simulation::allocateBatch() {
    slots_.assign(batch_, nullptr);
    prepared_.assign(batch_, PreparedRepeat{});
    snapshots_ = memory::allocateArray<uint16_t>(static_cast<std::size_t>(batch_) * lists_.capacity() + 1);
    return snapshots_ != nullptr;
}

namespace {

// Grid values the run cannot work with, refused before anything is generated.
bool checkGrid(MessageSink& messages, const RestErrorHeader& record, const SimulationRun& run,
               const SeriesHeader& series) {
    const int least = std::max<int>(series.wMinPulses, 1);  // fewer pulses than that do not fit
    for (int j = 0; j < record.wVariousPulses; ++j) {
        if (record.wPulseValues[j] < least || record.wPulseValues[j] > series.wMaxPulses) {
            messages.showMessage(simulation_text::WRONG_PULSE_VALUES, simulation_text::DRIVER_CAPTION,
                                 MessageIcon::Warning);
            return false;
        }
    }
    if (run.etalons.empty()) {
        messages.showMessage(simulation_text::WRONG_ETALON_LIST, simulation_text::DRIVER_CAPTION,
                             MessageIcon::Warning);
        return false;
    }
    if (run.taskType == TASK_TUPLES_RECOGNITION && series.wSubsets == 0) {
        messages.showMessage(simulation_text::NO_SUBSET, simulation_text::SUBSET_CAPTION,
                             MessageIcon::Warning);
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
        messages.showMessage(simulation_text::NO_STATISTICS_RECORD, simulation_text::DRIVER_RECORD_CAPTION,
                             MessageIcon::None);
        return 0;
    }
    if (series == nullptr) {
        messages.showMessage(simulation_text::NO_SERIES_RECORD, simulation_text::DRIVER_CAPTION,
                             MessageIcon::None);
        return 0;
    }
    RememberedSubset remembered;
    remembered.take(*series);
    if (!checkGrid(messages, *record, run, *series)) return 0;
    if (run.share.processes < 1 || run.share.process < 0 || run.share.process >= run.share.processes) {
        messages.showMessage(simulation_text::WRONG_CELL_SHARE, simulation_text::DRIVER_CAPTION,
                             MessageIcon::Warning);
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
        messages.showMessage(simulation_text::CANCELLED, simulation_text::DRIVER_CAPTION,
                             MessageIcon::Information);
    if (!completed) return 0;
    record->ifComplete = 1;
    return 1;
}

}  // namespace tessaline
