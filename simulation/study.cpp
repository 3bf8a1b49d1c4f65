#include "simulation/study.h"

#include <algorithm>
#include <thread>

#include "platform/message_sink.h"
#include "simulation/messages.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

int threadsFor(int wanted) {
    if (wanted > 0) return wanted;
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 1024u));
}

SimulationRun simulationRunOf(const StudyRequest& request) {
    const StudyWorkbench& bench = request.workbench;
    SimulationRun run;
    run.alphabet = bench.alphabet;
    run.etalons = bench.etalons;
    run.seriesType = bench.seriesType;
    run.taskType = bench.taskType;
    run.makingLevel = bench.makingLevel;
    run.processingLevel = bench.processingLevel;
    run.proceeding = bench.proceeding;
    run.amplitude = bench.amplitude;
    run.threads = threadsFor(request.threads);
    run.share = request.share;
    run.cancel = request.cancel;
    run.progress = request.progress;
    return run;
}

// The series record for the run's geometry and the statistics record for its grid; false after
// the failure's message.
bool prepareRecords(MessageSink& messages, const StudyRequest& request, SeriesHeader*& series,
                    RestErrorHeader*& record) {
    const StudyWorkbench& bench = request.workbench;
    const StudyGrid& grid = request.grid;
    SeriesHeader* sized =
        getCutOffSeriesHeader(messages, static_cast<uint16_t>(bench.alphabet.size()), bench.etalonLength,
                              bench.Tmin, bench.Tmax, bench.length, series);
    series = sized;
    if (sized == nullptr) {
        messages.showMessage(simulation_text::NO_MEMORY_FOR_SERIES_RECORD,
                             simulation_text::SERIES_RECORD_CAPTION, MessageIcon::Warning);
        return false;
    }
    const uint16_t pulses = grid.pulseSteps();
    record = getRestErrHeader(messages, pulses, grid.noiseSteps, grid.repeats, record);
    if (record == nullptr) {
        messages.showMessage(simulation_text::NO_RECORD, simulation_text::RECORD_CAPTION, MessageIcon::None);
        return false;
    }
    const uint16_t step = std::max<uint16_t>(grid.pulsesIncrement, 1);
    if (initRestErrHeader(messages, pulses, grid.pulsesFrom, step, grid.noiseSteps, grid.noiseFrom,
                          grid.noiseIncrement, grid.repeats, record) == 0) {
        messages.showMessage(simulation_text::RECORD_NOT_INITIALISED, simulation_text::RECORD_CAPTION,
                             MessageIcon::None);
        return false;
    }
    return true;
}

StudyMatrix<int32_t> matrixOf(int32_t* const* rows, const RestErrorHeader& record) {
    StudyMatrix<int32_t> matrix;
    for (int k = 0; k < record.wNoiseLevels; ++k)
        matrix.emplace_back(rows[k], rows[k] + record.wVariousPulses);
    return matrix;
}

}  // namespace

StudyResult studyResult(const StudyRequest& request, const RestErrorHeader& record,
                        const SeriesHeader& series, const SimulationClock& clock) {
    StudyResult result;
    result.clock = clock;
    result.pulseCounts.assign(record.wPulseValues, record.wPulseValues + record.wVariousPulses);
    result.noiseLevels.assign(record.lpNoiseLevels, record.lpNoiseLevels + record.wNoiseLevels);
    result.repeats = record.repeats;
    result.seriesType = record.wSeriesType;
    result.taskType = record.wTaskType;
    result.seriesTypeName = record.lpSeriesTypeName != nullptr ? record.lpSeriesTypeName : "";
    result.taskName = record.lpTaskName != nullptr ? record.lpTaskName : "";
    result.makingLevel = record.wMakingEnergyLevel;
    result.processingLevel = static_cast<uint16_t>(record.wProcessingEnergyLevel);
    result.errors = matrixOf(record.lpErrors, record);
    result.detectionErrors = matrixOf(record.lpDetectionErrors, record);
    result.recognitionErrors = matrixOf(record.lpRecognitionErrors, record);
    result.shown = displayedErrors(record, series, request.workbench.etalons);
    result.viewCode = studyViewCode(request.display);
    return result;
}

uint16_t StudyGrid::pulseSteps() const noexcept {
    const int step = std::max<int>(pulsesIncrement, 1);
    return static_cast<uint16_t>((pulsesTo - pulsesFrom) / step + 1);
}

int32_t studyViewCode(const StudyDisplay& display) noexcept {
    const int32_t aggregate = display.aggregate ? 1 : 0;
    switch (display.measure) {
        case StudyMeasure::Detection: return 2 + aggregate;
        case StudyMeasure::Recognition: return (display.bounds ? 12 : 4) + aggregate;
        default: return aggregate;
    }
}

int runStudy(MessageSink& messages, const StudyRequest& request, SeriesHeader*& series,
             RestErrorHeader*& record, GeneratorStates& states, SimulationClock& clock) {
    if (!prepareRecords(messages, request, series, record)) return 0;
    return statCutoffVandrel(messages, record, simulationRunOf(request), series, states, clock) != 0 &&
                   series != nullptr
               ? 1
               : 0;
}

}  // namespace tessaline
