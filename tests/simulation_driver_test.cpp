// The simulation driver: the etalon and tuple schedules of a cell, a whole run on a small grid,
// its determinism, and the failures it refuses before generating anything.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "app/state.h"
#include "model/codes.h"
#include "model/random.h"
#include "model/series.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/outcome.h"
#include "simulation/displayed.h"
#include "simulation/driver.h"
#include "simulation/schedule.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

// The working entries of the first `pulses` places before each of `repeats` repeats.
std::vector<std::vector<uint16_t>> scheduleOf(uint16_t task, std::vector<uint16_t> etalons, int pulses,
                                              uint16_t repeats) {
    std::vector<uint16_t> index(8), working(8);
    EtalonSchedule schedule(task, etalons, index.data(), working.data(), 8);
    schedule.startCell(pulses, repeats, 0);
    std::vector<std::vector<uint16_t>> seen;
    for (int r = 0; r < repeats; ++r) {
        schedule.beforeRepeat(r);
        seen.emplace_back(working.begin(), working.begin() + pulses);
    }
    return seen;
}

TEST(EtalonSchedule, RecognitionTakesTheEtalonsInTurn) {
    const auto seen = scheduleOf(TASK_RECOGNITION, {4, 9}, 3, 10);  // period (2 + 20) / 4 = 5
    for (int r = 0; r < 5; ++r) EXPECT_EQ(seen[r], (std::vector<uint16_t>{4, 4, 4})) << r;
    for (int r = 5; r < 10; ++r) EXPECT_EQ(seen[r], (std::vector<uint16_t>{9, 9, 9})) << r;
    // Fewer repeats than half the etalons: period 0, a switch before every repeat from the second.
    const auto fast = scheduleOf(TASK_RECOGNITION, {1, 2, 3, 4, 5, 6, 7}, 1, 3);
    EXPECT_EQ(fast[0][0], 2);
    EXPECT_EQ(fast[1][0], 3);
    EXPECT_EQ(fast[2][0], 4);
}

TEST(EtalonSchedule, JointDetectionCountsThroughEveryCombination) {
    const auto seen = scheduleOf(TASK_JOINT, {5, 6}, 2, 8);  // period (8 x 2) >> 2 = 4
    const std::vector<std::vector<uint16_t>> expected = {{5, 5}, {5, 5}, {6, 5}, {6, 5},
                                                         {5, 6}, {5, 6}, {6, 6}, {6, 6}};
    EXPECT_EQ(seen, expected);
}

TEST(EtalonSchedule, TupleRecognitionTakesTheTuplesInTurnAndStartsEachCellAtTheFirst) {
    std::vector<uint16_t> index(4), working(4);
    const std::vector<uint16_t> etalons{1};
    EtalonSchedule schedule(TASK_TUPLES_RECOGNITION, etalons, index.data(), working.data(), 4);
    for (int cell = 0; cell < 2; ++cell) {
        schedule.startCell(4, 9, 3);
        EXPECT_EQ(schedule.period(), 3);
        std::vector<int> tuples;
        for (int r = 0; r < 9; ++r) {
            schedule.beforeRepeat(r);
            tuples.push_back(schedule.tuple());
        }
        EXPECT_EQ(tuples, (std::vector<int>{1, 1, 1, 2, 2, 2, 3, 3, 3}));
    }
}

class DriverTest : public testing::Test {
protected:
    void SetUp() override {
        runStartUp(window, state);
        std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
                  uint16_t{0});
        state.selection.wRequiredFlags[0] = state.selection.wRequiredFlags[2] = 1;
        rebuildRequiredList(state);
    }
    void TearDown() override { freeRestErrHeader(record); }

    // A grid of pulse counts 6, 7 and noise levels 0, 20 with `repeats` series per cell.
    void makeGrid(uint32_t repeats) {
        record = getRestErrHeader(window, 2, 2, repeats, record);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(initRestErrHeader(window, 2, 6, 1, 2, 0, 20, repeats, record), 1);
    }
    SimulationRun run(uint16_t task, uint16_t seriesType) const {
        SimulationRun r;
        r.alphabet = std::span<const PulseHeader>(state.alphabet.Alphabet, 20);
        r.etalons =
            std::span<const uint16_t>(state.selection.lpRequiredList, state.selection.wRequiredQuantity);
        r.seriesType = seriesType;
        r.taskType = task;
        r.makingLevel = r.processingLevel = 75;
        return r;
    }
    std::vector<int32_t> errors() const {
        std::vector<int32_t> values;
        for (int k = 0; k < 2; ++k) {
            for (int j = 0; j < 2; ++j) {
                values.insert(values.end(), {record->lpErrors[k][j], record->lpDetectionErrors[k][j],
                                             record->lpRecognitionErrors[k][j]});
            }
        }
        return values;
    }

    // Every word of the used cells' repeat sums.
    std::vector<uint64_t> repeatSums() const {
        std::vector<uint64_t> words;
        for (int k = 0; k < record->wNoiseLevels; ++k) {
            for (int j = 0; j < record->wVariousPulses; ++j) {
                for (int m = 0; m < SPREAD_MEASURES; ++m) {
                    const RepeatSums& sums = cellRepeatSums(*record, k, j)[m];
                    words.insert(words.end(),
                                 {static_cast<uint64_t>(sums.sum), sums.squaresLow, sums.squaresHigh});
                }
            }
        }
        return words;
    }

    HeadlessWindow window;
    AppState state;
    RestErrorHeader* record = nullptr;
    SimulationClock clock;
};

TEST_F(DriverTest, RunFillsEveryCellAndGivesTheSubsetBack) {
    const int32_t subset[] = {3, 1};
    setSeriesSubset(subset, EMPLOY_COMPLETE, 1, state.lpSeriesHeader);
    makeGrid(4);
    ASSERT_EQ(statCutoffVandrel(window, record, run(TASK_JOINT, SERIES_FIXED_CUTOFF), state.lpSeriesHeader,
                                state.states, clock),
              1);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(record->ifComplete, 1);
    EXPECT_EQ(record->wTaskType, TASK_JOINT);
    EXPECT_GT(clock.start, 0);
    EXPECT_GE(clock.end, clock.start);
    // The last series is the last cell's: 7 pulses with noise 20, processed.
    ASSERT_NE(state.lpSeriesHeader, nullptr);
    EXPECT_EQ(state.lpSeriesHeader->wImpulseQuantity, 7);
    EXPECT_EQ(state.lpSeriesHeader->wNoiseLevel, 20);
    EXPECT_EQ(state.lpSeriesHeader->wFoundPulses, 7);
    EXPECT_EQ(state.lpSeriesHeader->wSubsetSize, 2);
    EXPECT_EQ(state.lpSeriesHeader->lpSubset[0], 3);
    // Noise costs restored error: the noisy cells are no better than the clean ones.
    EXPECT_GE(record->lpErrors[1][0] + record->lpErrors[1][1],
              record->lpErrors[0][0] + record->lpErrors[0][1]);
}

TEST_F(DriverTest, EqualGeneratorStatesGiveEqualMatrices) {
    makeGrid(3);
    const GeneratorStates start = state.states;
    ASSERT_EQ(statCutoffVandrel(window, record, run(TASK_RECOGNITION, SERIES_UNFIXED_CUTOFF),
                                state.lpSeriesHeader, state.states, clock),
              1);
    const std::vector<int32_t> first = errors();
    const GeneratorStates after = state.states;
    state.states = start;
    makeGrid(3);
    ASSERT_EQ(statCutoffVandrel(window, record, run(TASK_RECOGNITION, SERIES_UNFIXED_CUTOFF),
                                state.lpSeriesHeader, state.states, clock),
              1);
    EXPECT_EQ(errors(), first);
    EXPECT_EQ(state.states, after);
    // The noise stream advanced 12 steps per sample of each of the 12 series, and the last series
    // carries the noise drawn from where the eleven before it left the stream.
    const uint64_t seriesSteps = noiseStepsOf(state.lpSeriesHeader->dwSeriesSize);
    EXPECT_EQ(after.dwNoiseSeed, lcgJumpOf(12 * seriesSteps).apply(static_cast<uint32_t>(start.dwNoiseSeed)));
    int32_t noise = lcgJumpOf(11 * seriesSteps).apply(static_cast<uint32_t>(start.dwNoiseSeed));
    const SeriesHeader& last = *state.lpSeriesHeader;
    for (uint32_t t = 0; t < last.dwSeriesSize; ++t) {
        ASSERT_EQ(last.lpNoisyData[t], static_cast<int16_t>(last.lpPureData[t] + gaussNoise(noise, 0, 20)))
            << t;
    }
}

// Several threads process the repeats side by side; the matrices, the generator states and the
// series record the run leaves are those of one thread, for every task.
TEST_F(DriverTest, AnyNumberOfThreadsGivesTheSameRun) {
    const int32_t subset[] = {3, 1};
    setSeriesSubset(subset, EMPLOY_COMPLETE, 1, state.lpSeriesHeader);
    const int32_t sizes[] = {2, 1};
    const int32_t second[] = {1};
    const int32_t* rows[] = {subset, second};
    ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 10, 10, 1, EMPLOY_COMPLETE, 1,
                                                  state.lpSeriesHeader),
              1);
    const std::pair<uint16_t, uint16_t> runs[] = {{TASK_JOINT, SERIES_UNFIXED_CUTOFF},
                                                  {TASK_RECOGNITION, SERIES_FIXED_CUTOFF},
                                                  {TASK_TUPLES_RECOGNITION, SERIES_UNFIXED_TUPLES},
                                                  {TASK_TUPLES_DETECTION, SERIES_FIXED_TUPLES}};
    for (const auto& [task, seriesType] : runs) {
        const GeneratorStates start = state.states;
        std::vector<int32_t> matrices[2];
        std::vector<uint64_t> sums[2];
        std::vector<int16_t> noisy[2], found[2];
        GeneratorStates end[2];
        for (int threads : {1, 3}) {
            state.states = start;
            makeGrid(5);
            SimulationRun r = run(task, seriesType);
            r.threads = threads;
            ASSERT_EQ(statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock), 1);
            const int i = threads == 1 ? 0 : 1;
            matrices[i] = errors();
            sums[i] = repeatSums();
            const SeriesHeader& series = *state.lpSeriesHeader;
            noisy[i].assign(series.lpNoisyData, series.lpNoisyData + series.dwSeriesSize);
            found[i].assign(series.lpFoundPositions, series.lpFoundPositions + series.wFoundPulses);
            end[i] = state.states;
        }
        EXPECT_EQ(matrices[0], matrices[1]) << task;
        EXPECT_EQ(sums[0], sums[1]) << task;
        EXPECT_EQ(noisy[0], noisy[1]) << task;
        EXPECT_EQ(found[0], found[1]) << task;
        EXPECT_EQ(end[0], end[1]) << task;
    }
    EXPECT_TRUE(window.messages().empty());
}

// Recognition gives each repeat's series one etalon and recognises it among the etalons of that
// repeat's working list: without noise no repeat is misrecognised, however the repeats are batched.
TEST_F(DriverTest, RecognitionCountsNoMismatchWithoutNoise) {
    record = getRestErrHeader(window, 2, 1, 10, record);
    ASSERT_EQ(initRestErrHeader(window, 2, 6, 1, 1, 0, 0, 10, record), 1);
    for (int threads : {1, 2}) {
        SimulationRun r = run(TASK_RECOGNITION, SERIES_FIXED_WHOLE);
        r.makingLevel = r.processingLevel = 100;
        r.threads = threads;
        ASSERT_EQ(statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock), 1);
        EXPECT_EQ(record->lpRecognitionErrors[0][0], 0) << threads;
        EXPECT_EQ(record->lpRecognitionErrors[0][1], 0) << threads;
        // The last repeat carried the list's second etalon.
        EXPECT_EQ(state.lpSeriesHeader->lpEtalonNumbers[0], 3);
    }
}

// Joint detection and identification counts misrecognised pulses: none without noise, some under
// heavy noise, at most every pulse of every repeat; shown as the share of the cell's pulses.
TEST_F(DriverTest, JointDetectionCountsMisrecognisedPulses) {
    record = getRestErrHeader(window, 2, 2, 6, record);
    ASSERT_EQ(initRestErrHeader(window, 2, 6, 2, 2, 0, 150, 6, record), 1);
    for (int threads : {1, 3}) {
        SimulationRun r = run(TASK_JOINT, SERIES_FIXED_CUTOFF);
        r.threads = threads;
        ASSERT_EQ(statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock), 1);
        for (int j = 0; j < 2; ++j) {
            EXPECT_EQ(record->lpRecognitionErrors[0][j], 0) << threads;
            EXPECT_GT(record->lpRecognitionErrors[1][j], 0) << threads;
            EXPECT_LE(record->lpRecognitionErrors[1][j], 6 * record->wPulseValues[j]) << threads;
        }
    }
    const DisplayedErrors shown = displayedErrors(
        *record, *state.lpSeriesHeader, {state.selection.lpRequiredList, state.selection.wRequiredQuantity});
    const double first = record->lpRecognitionErrors[1][0] / 36.0,
                 second = record->lpRecognitionErrors[1][1] / 48.0;
    EXPECT_DOUBLE_EQ(shown.recognition[1][0], first);
    EXPECT_DOUBLE_EQ(shown.recognition[1][1], second);
    EXPECT_DOUBLE_EQ(shown.recognitionAggregate[1], (first + second) / 2);
}

TEST_F(DriverTest, TupleRecognitionPutsEveryTupleInUseAndCountsMismatches) {
    const int32_t first[] = {3, 1, 3};
    const int32_t second[] = {1, 1};
    const int32_t sizes[] = {3, 2};
    const int32_t* rows[] = {first, second};
    ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(window, sizes, rows, 10, 10, 1, EMPLOY_COMPLETE, 1,
                                                  state.lpSeriesHeader),
              1);
    makeGrid(4);
    ASSERT_EQ(statCutoffVandrel(window, record, run(TASK_TUPLES_RECOGNITION, SERIES_FIXED_TUPLES),
                                state.lpSeriesHeader, state.states, clock),
              1);
    EXPECT_TRUE(window.messages().empty());
    for (int k = 0; k < 2; ++k) {
        for (int j = 0; j < 2; ++j) EXPECT_LE(record->lpRecognitionErrors[k][j], 4);
    }
    EXPECT_EQ(record->lpRecognitionErrors[0][0], 0);  // without noise every tuple is recognised
    EXPECT_EQ(state.lpSeriesHeader->wSubsetSize, 3);  // the chosen subset in use again
}

TEST_F(DriverTest, FailuresAreRefusedBeforeAnySeriesIsMade) {
    EXPECT_EQ(statCutoffVandrel(window, nullptr, run(TASK_DETECTION, SERIES_FIXED_WHOLE),
                                state.lpSeriesHeader, state.states, clock),
              0);
    EXPECT_EQ(window.messages().back().text, "Absence of RestoreErrorHeader!");

    const GeneratorStates start = state.states;
    for (const int32_t pulses : {31, 5}) {  // above the most, below the fewest pulses of the series
        makeGrid(2);
        record->wPulseValues[1] = pulses;
        EXPECT_EQ(statCutoffVandrel(window, record, run(TASK_DETECTION, SERIES_FIXED_WHOLE),
                                    state.lpSeriesHeader, state.states, clock),
                  0);
        EXPECT_EQ(window.messages().back().text, "Неверно задан wPulseValues!");
        EXPECT_EQ(state.states, start);
    }

    makeGrid(2);
    state.lpSeriesHeader->wSubsetSize = 0;
    EXPECT_EQ(statCutoffVandrel(window, record, run(TASK_TUPLES_DETECTION, SERIES_FIXED_TUPLES),
                                state.lpSeriesHeader, state.states, clock),
              0);
    EXPECT_EQ(window.messages().back().text, "Error: selected Subset is absence!");
    EXPECT_EQ(window.messages().back().caption, " About selectedSubset ");
    EXPECT_EQ(record->ifComplete, 0);

    const char* texts[] = {"Error getChainsHeader!", "Ошибка lpEtalonNumbersList!"};
    const int allocations[] = {1, 5};  // the result record's first block; the working lists
    for (int i = 0; i < 2; ++i) {
        const std::int64_t blocks = memory::outstandingBlocks();
        {
            memory::FailureInjection guard(allocations[i]);
            EXPECT_EQ(statCutoffVandrel(window, record, run(TASK_DETECTION, SERIES_FIXED_WHOLE),
                                        state.lpSeriesHeader, state.states, clock),
                      0);
        }
        EXPECT_EQ(window.messages().back().text, texts[i]);
        EXPECT_EQ(memory::outstandingBlocks(), blocks);
        EXPECT_EQ(state.states, start);
    }
}

// Processes of a distributed run each fill their own cells; the matrices added up are those of
// one process doing everything, and process 0 ends with the same series and generator states.
TEST_F(DriverTest, SharedCellsAddUpToTheWholeRun) {
    const GeneratorStates start = state.states;
    makeGrid(3);
    ASSERT_EQ(statCutoffVandrel(window, record, run(TASK_JOINT, SERIES_UNFIXED_CUTOFF), state.lpSeriesHeader,
                                state.states, clock),
              1);
    const std::vector<int32_t> whole = errors();
    const std::vector<uint64_t> wholeSums = repeatSums();
    const GeneratorStates wholeEnd = state.states;
    const std::vector<int16_t> wholeNoisy(
        state.lpSeriesHeader->lpNoisyData,
        state.lpSeriesHeader->lpNoisyData + state.lpSeriesHeader->dwSeriesSize);
    for (int processes : {2, 3, 5}) {
        std::vector<int32_t> sum(whole.size(), 0);
        std::vector<uint64_t> sumOfSums(wholeSums.size(), 0);
        for (int process = processes - 1; process >= 0; --process) {
            state.states = start;
            makeGrid(3);
            SimulationRun r = run(TASK_JOINT, SERIES_UNFIXED_CUTOFF);
            r.share = {process, processes};
            ASSERT_EQ(statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock), 1);
            const std::vector<int32_t> part = errors();
            for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += part[i];
            const std::vector<uint64_t> partSums = repeatSums();
            for (std::size_t i = 0; i < sumOfSums.size(); ++i) sumOfSums[i] += partSums[i];
            EXPECT_EQ(state.states, wholeEnd) << processes << " " << process;
        }
        EXPECT_EQ(sum, whole) << processes;
        EXPECT_EQ(sumOfSums, wholeSums) << processes;
        const SeriesHeader& last = *state.lpSeriesHeader;  // process 0's
        EXPECT_EQ(std::vector<int16_t>(last.lpNoisyData, last.lpNoisyData + last.dwSeriesSize), wholeNoisy);
    }
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(DriverTest, ProgressIsReportedAfterEveryCell) {
    makeGrid(2);
    SimulationRun r = run(TASK_DETECTION, SERIES_UNFIXED_CUTOFF);
    r.share = {1, 2};
    std::vector<std::pair<int, int64_t>> reports;
    r.progress = [&](const SimulationProgress& p) {
        EXPECT_EQ(p.cells, 4);
        reports.emplace_back(p.cellsDone, p.seriesProcessed);
    };
    ASSERT_EQ(statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock), 1);
    // Process 1 of 2 owns cells 0 and 2 of 4 (process 0 has the last).
    EXPECT_EQ(reports, (std::vector<std::pair<int, int64_t>>{{1, 2}, {2, 2}, {3, 4}, {4, 4}}));
}

TEST_F(DriverTest, CancelStopsTheRunIncompleteAndGivesTheSubsetBack) {
    const int32_t subset[] = {3, 1};
    setSeriesSubset(subset, EMPLOY_COMPLETE, 1, state.lpSeriesHeader);
    makeGrid(4);
    std::atomic<bool> cancel{false};
    SimulationRun r = run(TASK_DETECTION, SERIES_UNFIXED_CUTOFF);
    r.cancel = &cancel;
    int cells = 0;
    r.progress = [&](const SimulationProgress&) {
        if (++cells == 2) cancel = true;
    };
    EXPECT_EQ(statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock), 0);
    EXPECT_EQ(cells, 2);
    EXPECT_EQ(record->ifComplete, 0);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Statistical simulation cancelled");
    EXPECT_EQ(state.lpSeriesHeader->wSubsetSize, 2);
    EXPECT_EQ(state.lpSeriesHeader->lpSubset[0], 3);
    EXPECT_EQ(state.lpSeriesHeader->lpSubset[1], 1);
}

// Stand-in detections: one that fails, one that starves the next series of memory.
int stubRuns = 0;
int failingDetection(MessageSink&, const ProcessingInput&, ChainsHeader*, SeriesHeader&) {
    ++stubRuns;
    return PROCESSING_FAILED;
}
int starvingDetection(MessageSink&, const ProcessingInput&, ChainsHeader*, SeriesHeader&) {
    ++stubRuns;
    memory::failAllocationAt(1, true);
    return 1;
}

// A repeat is measured only when its series was placed and processed: a failure stops the run
// incomplete instead of counting the previous series, or nothing, as a result.
TEST_F(DriverTest, ARepeatWithoutASeriesOrAResultStopsTheRunIncomplete) {
    const struct {
        ProcessingAlgorithms::Pulses detection;
        const char* lastMessage;
    } cases[] = {{failingDetection, nullptr}, {starvingDetection, "Не могу создать ряд!"}};
    for (const auto& c : cases) {
        makeGrid(1);
        ProcessingAlgorithms algorithms = productionAlgorithms();
        algorithms.detectKnown = c.detection;
        SimulationRun r = run(TASK_DETECTION, SERIES_FIXED_WHOLE);
        r.algorithms = &algorithms;
        stubRuns = 0;
        window.clearRecords();
        const int result = statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock);
        memory::failAllocationAt(0);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(record->ifComplete, 0);
        EXPECT_EQ(stubRuns, 1);
        if (c.lastMessage != nullptr) {
            ASSERT_GE(window.messages().size(), 2u);
            EXPECT_EQ(window.messages().end()[-2].text, "Нет памяти для PartialEnergy!");
            EXPECT_EQ(window.messages().back().text, c.lastMessage);
        }
    }
}

TEST_F(DriverTest, ImpossibleShareIsRefused) {
    makeGrid(1);
    SimulationRun r = run(TASK_DETECTION, SERIES_UNFIXED_CUTOFF);
    r.share = {2, 2};
    const GeneratorStates start = state.states;
    EXPECT_EQ(statCutoffVandrel(window, record, r, state.lpSeriesHeader, state.states, clock), 0);
    EXPECT_EQ(state.states, start);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Неверно задан CellShare!");
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// The driver places its repeats' pulses side by side from generator states it jumps ahead; the
// run must still end where making its series one after another ends: the same generator states and
// the same last series. Joint runs keep the subset in use, so the employments that draw are here.
TEST_F(DriverTest, TheRunEndsWhereItsSeriesMadeOneAfterAnotherEnd) {
    const struct {
        uint16_t task, seriesType, employment;
    } cases[] = {{TASK_DETECTION, SERIES_FIXED_CUTOFF, 0},
                 {TASK_RECOGNITION, SERIES_UNFIXED_CUTOFF, 0},
                 {TASK_JOINT, SERIES_FIXED_CUTOFF, EMPLOY_SINGLE_RANDOM},
                 {TASK_JOINT, SERIES_UNFIXED_CUTOFF, EMPLOY_MULTIPLE_RANDOM},
                 {TASK_JOINT, SERIES_FIXED_CUTOFF, EMPLOY_SHIFTED_COMPLETE}};
    const int32_t subset[] = {3, 1, 3};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "task " << c.task << ", employment " << c.employment);
        state.lpSeriesHeader->wSubsetSize = 0;
        if (c.employment != 0) setSeriesSubset(subset, c.employment, 2, state.lpSeriesHeader);
        const GeneratorStates start = state.states;

        // One after another: the cell's schedule, then each series made and noised in turn.
        SeriesHeader* made =
            getCutOffSeriesHeader(window, 20, 20, state.lpSeriesHeader->wTmin, state.lpSeriesHeader->wTmax,
                                  state.lpSeriesHeader->dwSeriesSize, nullptr);
        ASSERT_NE(made, nullptr);
        if (c.task == TASK_JOINT) setSeriesSubset(subset, c.employment, 2, made);
        const SimulationRun r = run(c.task, c.seriesType);
        const int capacity = state.lpSeriesHeader->wMaxPulses;
        std::vector<uint16_t> index(capacity), working(capacity);
        EtalonSchedule schedule(c.task, r.etalons, index.data(), working.data(), capacity);
        GeneratorStates states = start;
        for (const int C : {6, 7}) {
            for (const uint16_t sigma : {0, 20}) {
                schedule.startCell(C, 3, 0);
                for (int repeat = 0; repeat < 3; ++repeat) {
                    schedule.beforeRepeat(repeat);
                    SeriesRequest request{r.alphabet,
                                          20,
                                          made->wTmin,
                                          made->wTmax,
                                          made->dwSeriesSize,
                                          static_cast<uint16_t>(C),
                                          {working.data(), static_cast<std::size_t>(C)},
                                          r.amplitude,
                                          r.makingLevel};
                    ASSERT_EQ(makeExtSeries(window, request, *made, states), 1);
                    addNoise(sigma, *made, states.dwNoiseSeed);
                }
            }
        }

        makeGrid(3);
        ASSERT_EQ(statCutoffVandrel(window, record, run(c.task, c.seriesType), state.lpSeriesHeader,
                                    state.states, clock),
                  1);
        EXPECT_EQ(state.states, states);
        const SeriesHeader& last = *state.lpSeriesHeader;
        const uint32_t N = last.dwSeriesSize;
        EXPECT_EQ(std::vector<int16_t>(last.lpNoisyData, last.lpNoisyData + N),
                  std::vector<int16_t>(made->lpNoisyData, made->lpNoisyData + N));
        EXPECT_EQ(std::vector<uint16_t>(last.lpPositions, last.lpPositions + 7),
                  std::vector<uint16_t>(made->lpPositions, made->lpPositions + 7));
        EXPECT_EQ(std::vector<uint16_t>(last.lpEtalonNumbers, last.lpEtalonNumbers + 7),
                  std::vector<uint16_t>(made->lpEtalonNumbers, made->lpEtalonNumbers + 7));
        freeSeriesHeader(made);
    }
}

}  // namespace
}  // namespace tessaline
