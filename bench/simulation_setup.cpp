#include "bench/simulation_setup.h"

#include "app/startup.h"
#include "simulation/statistics.h"

namespace tessaline::bench {

ScenarioState::ScenarioState(Scenario scenario) : scenario_(scenario) {
    runStartUp(window, state);
    if (scenario.allEtalons) {
        for (int e = 0; e < 20; ++e) state.selection.lpRequiredList[e] = static_cast<uint16_t>(e + 1);
        state.selection.wRequiredQuantity = 20;
    }
}

SimulationRun ScenarioState::run(int threads) const {
    SimulationRun run;
    run.alphabet = std::span<const PulseHeader>(state.alphabet.Alphabet, 20);
    run.etalons =
        std::span<const uint16_t>(state.selection.lpRequiredList, state.selection.wRequiredQuantity);
    run.seriesType = scenario_.seriesType;
    run.taskType = scenario_.task;
    run.makingLevel = run.processingLevel = 75;
    run.threads = threads;
    return run;
}

RestErrorHeader* ScenarioState::gridRecord(Grid grid, RestErrorHeader* old) {
    RestErrorHeader* record = getRestErrHeader(window, grid.pulses, grid.levels, grid.repeats, old);
    initRestErrHeader(window, grid.pulses, grid.firstPulses, grid.pulsesStep, grid.levels, grid.firstLevel,
                      grid.levelStep, grid.repeats, record);
    return record;
}

}  // namespace tessaline::bench
