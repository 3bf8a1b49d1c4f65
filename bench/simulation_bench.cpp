// Statistical simulations as a user runs them after start-up (series 1200, Tmin 40, Tmax 181, lost
// data 25 %): the whole default grid (pulse counts 6..30, noise 0..140 in steps of 5, 100 repeats:
// 72,500 series) with the production algorithms, and a sample of its cells run once with the
// plain reference algorithms and once with the production ones, which gives the speed-up of the
// whole run without spending hours on the reference loop.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/simulation_setup.h"
#include "simulation/statistics.h"
#include "tests/literal/literal.h"

namespace tessaline {
namespace {

const ProcessingAlgorithms& literalAlgorithms() {
    static const ProcessingAlgorithms algorithms{
        literal::detectKnownPulses,
        literal::recognizeKnownPulses,
        literal::detectUnknownPulses,
        [](MessageSink& window, const ProcessingInput& input, ChainsHeader* chains, SeriesHeader& series)
            -> int { return literal::recognizeUnknownPulses(window, input, chains, series); },
        literal::detectKnownTuples,
        literal::detectUnknownTuples,
        literal::recognizeKnownTuples,
        literal::recognizeUnknownTuples};
    return algorithms;
}

using bench::DEFAULT_GRID;
using bench::DETECTION;
using bench::Grid;
using bench::JOINT_ALL;
using bench::Scenario;

// Three pulse counts across the range (6, 18, 30) at a middle noise level.
constexpr Grid SAMPLE_GRID{3, 6, 12, 1, 70, 5, 10};

void simulate(benchmark::State& bench, Scenario scenario, Grid grid, int threads, bool literalRun) {
    bench::ScenarioState scene(scenario);
    SimulationRun run = scene.run(threads);
    run.algorithms = literalRun ? &literalAlgorithms() : nullptr;
    const GeneratorStates start = scene.state.states;
    RestErrorHeader* record = nullptr;
    for (auto _ : bench) {
        scene.state.states = start;
        record = scene.gridRecord(grid, record);
        SimulationClock clock;
        benchmark::DoNotOptimize(statCutoffVandrel(scene.window, record, run, scene.state.lpSeriesHeader,
                                                   scene.state.states, clock));
    }
    bench.counters["series"] = static_cast<double>(grid.pulses) * grid.levels * grid.repeats;
    freeRestErrHeader(record);
}

void registerSimulation(const std::string& name, Scenario scenario, Grid grid, int threads, bool literalRun) {
    benchmark::RegisterBenchmark(name.c_str(), simulate, scenario, grid, threads, literalRun)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime();
}

const bool registered = [] {
    // "<case>/literal" against "<case>/fast": the sample cells, one thread each.
    registerSimulation("sim_detection_sample_cells/literal", DETECTION, SAMPLE_GRID, 1, true);
    registerSimulation("sim_detection_sample_cells/fast", DETECTION, SAMPLE_GRID, 1, false);
    registerSimulation("sim_joint_all20_sample_cells/literal", JOINT_ALL, SAMPLE_GRID, 1, true);
    registerSimulation("sim_joint_all20_sample_cells/fast", JOINT_ALL, SAMPLE_GRID, 1, false);
    // The whole default grid with the production algorithms.
    registerSimulation("sim_detection_default_grid_threads:1", DETECTION, DEFAULT_GRID, 1, false);
    registerSimulation("sim_detection_default_grid_threads:2", DETECTION, DEFAULT_GRID, 2, false);
    registerSimulation("sim_joint_all20_default_grid_threads:1", JOINT_ALL, DEFAULT_GRID, 1, false);
    registerSimulation("sim_joint_all20_default_grid_threads:2", JOINT_ALL, DEFAULT_GRID, 2, false);
    return true;
}();

}  // namespace
}  // namespace tessaline
