// The layered dynamic programming of a known count: the 32-bit window pass in the widest lanes
// gives the costs of the 64-bit pass, whatever the window width and how the layer ranges overlap;
// and the costs stay in 64 bits when they could leave 32.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "processing/layers.h"
#include "processing/whole_scores.h"
#include "processing/workspace.h"
#include "tests/support/case_random.h"

namespace tessaline {
namespace {

struct LayerCase {
    const char* name;
    int64_t Tmin, Tmax;  // window width Tmax - Tmin + 1
    std::vector<LayerRange> ranges;
    int64_t fitSpread;      // fits drawn from [-spread, spread]
    int64_t noPredecessor;  // charge when no predecessor is in reach
};

const LayerCase LAYER_CASES[] = {
    {"default gaps, wide layers",
     40,
     181,
     {{0, 161}, {40, 342}, {80, 523}, {120, 700}, {160, 1000}},
     2000000,
     999999},
    {"window of one", 3, 3, {{0, 20}, {3, 23}, {6, 26}}, 1000, 999999},
    // Fits of three values: equal costs everywhere, the way back must keep the first of them.
    {"ties everywhere", 4, 37, {{0, 90}, {4, 130}, {8, 170}, {12, 210}}, 1, 999999},
    {"previous layer starting inside the first window, ending inside the last",
     10,
     50,
     {{0, 300}, {30, 200}, {60, 250}},
     700,
     999999},
    {"window wider than the layers", 1, 60, {{0, 9}, {5, 17}, {11, 30}}, 5000, 999999},
    {"disjoint layers: nothing in reach", 2, 4, {{0, 30}, {100, 140}, {141, 160}}, 500, 999999},
    {"empty layer between", 5, 19, {{0, 40}, {50, 40}, {30, 90}}, 500, 999999},
    {"windows of a few lanes and a tail",
     7,
     29,
     {{0, 100}, {7, 131}, {14, 162}, {21, 193}},
     30000000,
     999999},
};

struct Costs {
    std::vector<int64_t> cells;
    int64_t total = 0, end = -1;
    std::vector<int16_t> positions;
};

Costs runLayers(const LayerCase& c, const std::vector<int64_t>& fit, ScoreLanes lanes, bool bounded) {
    useScoreLanes(lanes);
    PositionTables tables;
    const auto K = static_cast<int64_t>(c.ranges.size());
    const auto L = static_cast<std::size_t>(fit.size());
    EXPECT_TRUE(
        tables.reserveLayers(K, static_cast<std::size_t>(layerCells(c.ranges)), L,
                             windowReach(static_cast<uint16_t>(c.Tmin), static_cast<uint16_t>(c.Tmax))));
    LayerRun run(c.ranges, c.Tmin, c.Tmax, tables);
    if (bounded) run.boundFits(c.fitSpread, c.noPredecessor);
    run.computeLayers(c.noPredecessor, [&](int) { return fit.data(); });
    Costs costs;
    for (int j = 0; j < K; ++j) {
        for (int64_t k = c.ranges[j].lo; k <= c.ranges[j].hi; ++k) costs.cells.push_back(run.cost(j, k));
    }
    costs.end = run.endPosition(INT64_MAX, costs.total);
    costs.positions.resize(static_cast<std::size_t>(K));
    if (costs.end >= 0 && !run.backTrack(costs.end, costs.positions.data())) costs.positions.clear();
    useScoreLanes(ScoreLanes::Widest);
    return costs;
}

// The 32-bit layers, in either lanes, against the 64-bit ones.
TEST(LayerRunTest, NarrowWindowsGiveTheWideCosts) {
    for (const LayerCase& c : LAYER_CASES) {
        SCOPED_TRACE(c.name);
        cases::CaseRandom random(static_cast<uint64_t>(c.Tmax * 977 + c.Tmin));
        std::vector<int64_t> fit(1200);
        for (int64_t& value : fit) value = random.between(-c.fitSpread, c.fitSpread);
        const Costs wide = runLayers(c, fit, ScoreLanes::Portable, false);
        for (ScoreLanes lanes : {ScoreLanes::Widest, ScoreLanes::Portable}) {
            SCOPED_TRACE(lanes == ScoreLanes::Widest ? "widest lanes" : "portable lanes");
            const Costs narrow = runLayers(c, fit, lanes, true);
            EXPECT_EQ(narrow.cells, wide.cells);
            EXPECT_EQ(narrow.total, wide.total);
            EXPECT_EQ(narrow.end, wide.end);
            EXPECT_EQ(narrow.positions, wide.positions);
        }
    }
}

// Costs near the 32-bit limit (the recognition charge) may take the narrow pass; costs beyond it
// (many layers of large fits) keep the 64-bit one. Either way they equal those of an unbounded run.
TEST(LayerRunTest, CostsNearOrBeyondThirtyTwoBitsAreExact) {
    struct Bound {
        const char* name;
        int64_t fit, noPredecessor;
        std::vector<LayerRange> ranges;
        bool beyond;  // some cost leaves 32 bits
    };
    const Bound bounds[] = {
        {"large fits", 600000000, 999999, {{0, 5}, {1, 8}, {2, 11}, {3, 14}, {4, 17}}, true},
        {"recognition charge, the second layer out of reach",
         1000,
         999999999,
         {{0, 5}, {10, 12}, {11, 15}, {12, 18}},
         false},
    };
    for (const Bound& bound : bounds) {
        SCOPED_TRACE(bound.name);
        const LayerCase c{"", 1, 3, bound.ranges, bound.fit, bound.noPredecessor};
        std::vector<int64_t> fit(20, bound.fit);
        fit[3] = -bound.fit;
        const Costs unbounded = runLayers(c, fit, ScoreLanes::Portable, false);
        const Costs bounded = runLayers(c, fit, ScoreLanes::Widest, true);
        EXPECT_EQ(bounded.cells, unbounded.cells);
        EXPECT_EQ(*std::max_element(unbounded.cells.begin(), unbounded.cells.end()) > int64_t{INT32_MAX},
                  bound.beyond);
    }
}

}  // namespace
}  // namespace tessaline
