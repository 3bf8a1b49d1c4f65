// Where the time of a simulation goes, per series on one thread: making the series, its noise, the
// pulse fit, the dynamic programme (the rest of the processing run: position sets, layers, chain
// and result) and the measures. Every cell of the grid is sampled at every tenth repeat, each
// repeat made, noised, processed and measured the way the simulation driver does it; the fit is
// then timed once more on its own on the same noisy series, and the programme is what the
// processing run took beyond it. The shares come out as counters: CPU microseconds per series of
// each stage, and its percentage of the whole.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>

#include "bench/scene.h"
#include "bench/simulation_setup.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "processing/fit.h"
#include "processing/workspace.h"
#include "simulation/measures.h"
#include "simulation/schedule.h"

namespace tessaline {
namespace {

using Clock = std::chrono::steady_clock;

// Generation in its two parts: what the simulation does one repeat after another (the schedule,
// checks, subset and the jumps of the generator states) and the placing of the pulses, which runs
// side by side with the other repeats.
enum Stage { GENERATION_SERIAL, GENERATION_PLACING, NOISE, FIT, PROGRAMME, MEASURES, STAGES };
constexpr const char* STAGE_NAMES[STAGES] = {"serial", "placing", "noise", "fit", "programme", "measures"};

// Repeats sampled per cell: every SAMPLE_STRIDE-th of the grid's repeats.
constexpr int SAMPLE_STRIDE = 10;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One scenario's series, repeat record and result record, stepped through the sampled repeats.
class StageRun {
public:
    StageRun(bench::Scenario scenario, bench::Grid grid)
        : scene_(scenario),
          run_(scene_.run(1)),
          grid_(grid),
          index_(MOST_PULSES, 1),
          working_(MOST_PULSES, 1),
          schedule_(run_.taskType, run_.etalons, index_.data(), working_.data(), MOST_PULSES) {
        const SeriesHeader& settings = *scene_.state.lpSeriesHeader;
        n_ = run_.alphabet[run_.etalons[0] - 1].wSize;
        series_ = getCutOffSeriesHeader(scene_.window, 20, n_, settings.wTmin, settings.wTmax,
                                        settings.dwSeriesSize, nullptr);
        chains_ = getChainsHeader(scene_.window, 10, settings.wMaxPulses, nullptr);
        addToChainsHeader(scene_.window, run_.seriesType, run_.taskType, run_.makingLevel,
                          run_.processingLevel, chains_);
    }
    ~StageRun() {
        freeSeriesHeader(series_);
        freeChainsHeader(chains_);
    }
    StageRun(const StageRun&) = delete;
    StageRun& operator=(const StageRun&) = delete;

    // Every cell, pulse counts outer; returns the series measured.
    int runGrid() {
        int measured = 0;
        for (int j = 0; j < grid_.pulses; ++j) {
            const int C = grid_.firstPulses + j * grid_.pulsesStep;
            for (int k = 0; k < grid_.levels; ++k) {
                const auto sigma = static_cast<uint16_t>(grid_.firstLevel + k * grid_.levelStep);
                schedule_.startCell(C, grid_.repeats, 0);
                for (int r = 0; r < grid_.repeats; ++r) {
                    if (r % SAMPLE_STRIDE != 0) {
                        schedule_.beforeRepeat(r);
                        continue;
                    }
                    runRepeat(r, C, sigma);
                    ++measured;
                }
            }
        }
        return measured;
    }

    double seconds[STAGES] = {};

private:
    static constexpr int MOST_PULSES = 64;

    void runRepeat(int r, int C, uint16_t sigma) {
        Clock::time_point start = Clock::now();
        schedule_.beforeRepeat(r);
        PendingSeries pending;
        beginSeries(C, pending);
        GeneratorStates& states = scene_.state.states;
        GeneratorStates placement = states;
        skipPlacementDraws(static_cast<uint16_t>(C), states);
        seconds[GENERATION_SERIAL] += secondsSince(start);

        start = Clock::now();
        placeExtSeries(*series_, pending, placement);
        seconds[GENERATION_PLACING] += secondsSince(start);

        start = Clock::now();
        addNoise(sigma, *series_, scene_.state.states.dwNoiseSeed);
        seconds[NOISE] += secondsSince(start);

        const ProcessingRequest request = processingRequest();
        start = Clock::now();
        const ProcessingOutcome outcome =
            runProcessing(scene_.window, productionAlgorithms(), algorithm(), request, chains_, *series_);
        const double processing = secondsSince(start);

        start = Clock::now();
        fitAlone(request.pulses);
        const double fit = secondsSince(start);
        seconds[FIT] += fit;
        seconds[PROGRAMME] += std::max(0.0, processing - fit);

        start = Clock::now();
        int64_t measured = restoredErrorEnergy(*series_);
        measured += scaledPositionDeviation(*series_, *chains_, C);
        measured += repeatRecognitionErrors(run_.taskType, *series_, outcome.recognised, working_[0]);
        benchmark::DoNotOptimize(measured);
        seconds[MEASURES] += secondsSince(start);
    }

    void beginSeries(int C, PendingSeries& pending) {
        const SeriesRequest request = repeatSeriesRequest(
            run_, *series_, std::span<uint16_t>(working_.data(), static_cast<std::size_t>(C)));
        int begun = 0;
        series_ = beginCutOffSeries(scene_.window, request, series_, scene_.state.states, pending, begun);
    }

    Algorithm algorithm() const { return algorithmFor(run_.taskType, run_.seriesType); }

    ProcessingRequest processingRequest() const {
        ProcessingRequest request;
        const bool everyEtalon = algorithm() == Algorithm::DetectKnownPulses;
        const std::span<const uint16_t> working(working_.data(), run_.etalons.size());
        request.pulses = {run_.alphabet, everyEtalon ? run_.etalons : working, series_->wTmin, series_->wTmax,
                          run_.processingLevel};
        return request;
    }

    // The best fit over the run's candidates, into the tables the processing run left reserved.
    void fitAlone(const ProcessingInput& input) {
        ProcessingWorkspace& workspace = processingWorkspace();
        if (!workspace.candidates.reserve(input.candidates.size(), n_)) return;
        const PreparedCandidates prepared = prepareCandidates(input, n_, workspace.candidates);
        const bool narrow = fitsNarrowRows(prepared, series_->lpNoisyData, series_->dwSeriesSize);
        computeBestFit(prepared, series_->lpNoisyData, series_->dwSeriesSize, narrow, -1,
                       workspace.positions);
        benchmark::ClobberMemory();
    }

    bench::ScenarioState scene_;
    SimulationRun run_;
    bench::Grid grid_;
    std::vector<uint16_t> index_, working_;
    EtalonSchedule schedule_;
    uint16_t n_ = 0;
    SeriesHeader* series_ = nullptr;
    ChainsHeader* chains_ = nullptr;
};

// CPU seconds of the calling thread.
double threadSeconds() {
    std::timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// On a machine that other work keeps busy the stages' clock times grow with the waits for a core;
// they are scaled to the CPU time the thread took, which leaves the shares as they are. That CPU
// time also holds the second fit of every series, timed on its own (the fit stage): it is taken
// out of the series time, since the processing run already holds its own fit.
void stages(benchmark::State& bench, bench::Scenario scenario) {
    double seconds[STAGES] = {};
    int measured = 0;
    double cpu = 0;
    for (auto _ : bench) {
        StageRun run(scenario, bench::DEFAULT_GRID);
        const double start = threadSeconds();
        measured = run.runGrid();
        cpu = threadSeconds() - start;
        std::copy_n(run.seconds, STAGES, seconds);
    }
    double whole = 0;
    for (double stage : seconds) whole += stage;
    const double timed = whole + seconds[FIT];  // the stages and the fit timed again on its own
    const double toCpu = timed > 0 ? cpu / timed : 0;
    for (int stage = 0; stage < STAGES; ++stage) {
        const std::string name = STAGE_NAMES[stage];
        bench.counters[name + "_us"] = 1e6 * seconds[stage] * toCpu / measured;
        bench.counters[name + "_%"] = 100 * seconds[stage] / whole;
    }
    bench.counters["series_us"] = 1e6 * whole * toCpu / measured;
}

// The noise of a default series: "/literal" draws its variates one sample after another, "/fast"
// is addNoise.
void noiseOneByOne(uint16_t sigma, SeriesHeader& series, int32_t& state) {
    for (uint32_t i = 0; i < series.dwSeriesSize; ++i) {
        series.lpNoisyData[i] = static_cast<int16_t>(series.lpPureData[i] + gaussNoise(state, 0, sigma));
    }
}

void noise(benchmark::State& bench, bool literal) {
    SeriesHeader& series = bench::DefaultScene::get().series(bench::SeriesKind::Mixed, false);
    int32_t state = NOISE_SEED;
    for (auto _ : bench) {
        if (literal) {
            noiseOneByOne(70, series, state);
        } else {
            addNoise(70, series, state);
        }
        benchmark::ClobberMemory();
    }
}

const bool registered = [] {
    benchmark::RegisterBenchmark("noise_series_1200/literal", noise, true)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("noise_series_1200/fast", noise, false)->Unit(benchmark::kMicrosecond);
    for (const auto& [name, scenario] : {std::pair{"stages_detection_default_grid", bench::DETECTION},
                                         std::pair{"stages_joint_all20_default_grid", bench::JOINT_ALL}}) {
        benchmark::RegisterBenchmark(name, stages, scenario)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
    }
    return true;
}();

}  // namespace
}  // namespace tessaline
