#pragma once
// The simulations the benchmarks run, as a user gets them after start-up (series 1200, Tmin 40,
// Tmax 181, lost data 25 %): their grids and their task, series type and etalon list.
#include <cstdint>

#include "app/state.h"
#include "model/codes.h"
#include "platform/headless.h"
#include "simulation/driver.h"

namespace tessaline::bench {

struct Grid {
    uint16_t pulses, firstPulses, pulsesStep, levels, firstLevel, levelStep, repeats;
};

// Pulse counts 6..30, noise 0..140 in steps of 5, 100 repeats: 72,500 series.
inline constexpr Grid DEFAULT_GRID{25, 6, 1, 29, 0, 5, 100};

struct Scenario {
    uint16_t task;
    uint16_t seriesType;
    bool allEtalons;  // every etalon required, rather than the start-up list
};

inline constexpr Scenario DETECTION{TASK_DETECTION, SERIES_UNFIXED_CUTOFF, false};
inline constexpr Scenario JOINT_ALL{TASK_JOINT, SERIES_FIXED_CUTOFF, true};

// A started-up state with the scenario's etalon list, and the run of the scenario on it.
class ScenarioState {
public:
    explicit ScenarioState(Scenario scenario);

    SimulationRun run(int threads) const;
    // A statistics record of the grid, initialised as the simulation command leaves it.
    RestErrorHeader* gridRecord(Grid grid, RestErrorHeader* old);

    HeadlessWindow window;
    AppState state;

private:
    Scenario scenario_;
};

}  // namespace tessaline::bench
