// Chain totals of an unknown-count run in 32-bit lanes: the block-wise minima give every position
// the total and predecessor that the plain search of its window gives (leftmost least total below
// the phase's start), in both lanes; the first phase sees the positions only a later pulse may
// take as unset; and the pass refuses gaps and fits it cannot carry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "processing/chain_totals.h"
#include "processing/position_sets.h"
#include "processing/whole_scores.h"
#include "tests/support/case_random.h"

namespace tessaline {
namespace {

constexpr int32_t UNSET = 99999999;
constexpr uint8_t FIRST_ONLY = IN_FIRST, BOTH = IN_FIRST | IN_LATER, LATER_ONLY = IN_LATER;

struct Chains {
    std::vector<int32_t> total;
    std::vector<int64_t> predecessor;
    int64_t end = -1, endTotal = 0;  // the chain's end below UNSET among the last pulse's positions
};

// The plain search: each phase in turn, every position of it scanning its whole window.
Chains searchedChains(const std::vector<uint8_t>& marks, const std::vector<int32_t>& fit, int64_t Tmin,
                      int64_t Tmax) {
    const auto P = static_cast<int64_t>(fit.size());
    Chains chains{std::vector<int32_t>(P, UNSET), std::vector<int64_t>(P, -1)};
    for (int64_t k = 0; k < P; ++k)
        if ((marks[k] & BOTH) == FIRST_ONLY) chains.total[k] = fit[k];
    for (const auto& [phase, start] : {std::pair<uint8_t, int32_t>{BOTH, 0}, {LATER_ONLY, UNSET}}) {
        for (int64_t k = 0; k < P; ++k) {
            if ((marks[k] & BOTH) != phase) continue;
            int32_t best = start;
            int64_t predecessor = -2;
            for (int64_t l = std::max<int64_t>(0, k - Tmax); l <= k - Tmin; ++l) {
                if (chains.total[l] < best) {
                    best = chains.total[l];
                    predecessor = l;
                }
            }
            chains.total[k] = best + fit[k];
            chains.predecessor[k] = predecessor;
        }
    }
    chains.endTotal = UNSET;
    for (int64_t k = 0; k < P; ++k) {
        if ((marks[k] & IN_LAST) != 0 && chains.total[k] < chains.endTotal) {
            chains.endTotal = chains.total[k];
            chains.end = k;
        }
    }
    return chains;
}

// The pass under test over the same marks and fits.
Chains passChains(const std::vector<uint8_t>& marks, const std::vector<int32_t>& fit, int64_t Tmin,
                  int64_t Tmax) {
    const auto P = static_cast<int64_t>(fit.size());
    std::vector<int32_t> rows(3 * static_cast<std::size_t>(P));
    Chains chains{std::vector<int32_t>(P), std::vector<int64_t>(P)};
    const NarrowChainPass pass{
        marks.data(), fit.data(), chains.total.data(), rows.data(), rows.data() + P, P, Tmin, Tmax, UNSET};
    startNarrowChains(pass);
    continueNarrowChains(pass, BOTH, 0);
    continueNarrowChains(pass, LATER_ONLY, UNSET);
    for (int64_t k = 0; k < P; ++k) chains.predecessor[k] = narrowPredecessor(pass, k);
    chains.end = narrowChainEnd(pass, UNSET, chains.endTotal);
    return chains;
}

std::string firstDifference(const Chains& got, const Chains& want) {
    if (got.end != want.end || got.endTotal != want.endTotal) {
        return "end " + std::to_string(got.end) + " total " + std::to_string(got.endTotal) +
               ", the scan gives " + std::to_string(want.end) + " and " + std::to_string(want.endTotal);
    }
    for (std::size_t k = 0; k < want.total.size(); ++k) {
        if (got.total[k] != want.total[k] || got.predecessor[k] != want.predecessor[k]) {
            return "position " + std::to_string(k) + ": total " + std::to_string(got.total[k]) +
                   " predecessor " + std::to_string(got.predecessor[k]) + ", the window search gives " +
                   std::to_string(want.total[k]) + " and " + std::to_string(want.predecessor[k]);
        }
    }
    return {};
}

struct PassCase {
    const char* name;
    std::vector<uint8_t> marks;
    std::vector<int32_t> fit;
    int64_t Tmin, Tmax;
    std::vector<int64_t> predecessors;  // what the chain follows back, position by position
};

const PassCase PASS_CASES[] = {
    // Position 4 sees 2 and 3 with the same total: the earlier one is its predecessor.
    {"ties keep the leftmost",
     {FIRST_ONLY, FIRST_ONLY, FIRST_ONLY, FIRST_ONLY, LATER_ONLY},
     {-1, -9, -5, -5, -1},
     1,
     2,
     {-1, -1, -1, -1, 2}},
    // Position 2 (both phases) ran first, when position 1 (a later pulse only) was still unset; the
    // later phase then took position 1 below 0, which position 2 must not take as its predecessor.
    {"the first phase sees later-only positions unset",
     {FIRST_ONLY, LATER_ONLY, BOTH},
     {-9, -7, -2},
     1,
     1,
     {-1, 0, -2}},
    // A window reaching before position 0, and one that ends before it.
    {"windows cut at the series start", {BOTH, BOTH, BOTH, BOTH}, {-4, -6, -1, -2}, 2, 5, {-2, -2, 0, 1}},
    // A total at or above the phase's start is no predecessor: the first phase starts at 0.
    {"no predecessor at or above the start", {FIRST_ONLY, BOTH, BOTH}, {5, -3, -2}, 1, 1, {-1, -2, 1}},
};

class ChainTotalsTest : public ::testing::TestWithParam<ScoreLanes> {
protected:
    void SetUp() override { useScoreLanes(GetParam()); }
    void TearDown() override { useScoreLanes(ScoreLanes::Widest); }
};

TEST_P(ChainTotalsTest, HandPickedWindowsGiveTheirPredecessors) {
    for (const PassCase& c : PASS_CASES) {
        SCOPED_TRACE(c.name);
        const Chains got = passChains(c.marks, c.fit, c.Tmin, c.Tmax);
        EXPECT_EQ(got.predecessor, c.predecessors);
        EXPECT_EQ(firstDifference(got, searchedChains(c.marks, c.fit, c.Tmin, c.Tmax)), "");
    }
}

// Random marks and fits drawn from a few values, so that ties are common; gaps from a single
// position to windows far wider than the run of positions they are taken for.
TEST_P(ChainTotalsTest, RandomRunsAgreeWithTheWindowSearch) {
    const int count = cases::randomCaseCount(400);
    for (int seed = 0; seed < count; ++seed) {
        cases::CaseRandom random(static_cast<uint64_t>(seed) + 1);
        const int64_t P = random.between(1, 400);
        const int64_t Tmin = random.oneIn(4) ? random.between(1, 3) : random.between(1, 60);
        const int64_t Tmax = Tmin + (random.oneIn(5) ? random.between(0, 2) : random.between(0, 200));
        const int64_t spread = random.oneIn(2) ? 3 : 1000000;
        std::vector<uint8_t> marks(P);
        std::vector<int32_t> fit(P);
        for (int64_t k = 0; k < P; ++k) {
            marks[k] = static_cast<uint8_t>(random.between(0, 7));  // first, later and last marks
            fit[k] = static_cast<int32_t>(random.between(-spread, spread / 2));
        }
        const std::string difference =
            firstDifference(passChains(marks, fit, Tmin, Tmax), searchedChains(marks, fit, Tmin, Tmax));
        ASSERT_EQ(difference, "") << "seed " << seed << ", " << P << " positions, gaps " << Tmin << ".."
                                  << Tmax;
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, ChainTotalsTest, ::testing::Values(ScoreLanes::Widest, ScoreLanes::Portable),
                         [](const auto& info) {
                             return info.param == ScoreLanes::Widest ? "Widest" : "Portable";
                         });

struct FitCase {
    const char* name;
    int64_t positions, Tmin, Tmax, largestFit;
    bool fits;
};

const FitCase FIT_CASES[] = {
    {"default series", 1181, 40, 181, 3000000, true},
    {"no gap: a window would reach the position itself", 1181, 0, 181, 10, false},
    {"no admissible gap", 1181, 50, 40, 10, false},
    {"no positions", 0, 40, 181, 10, false},
    {"fits that many pulses would carry past 32 bits", 1181, 1, 181, 1000000, false},
    {"the same fits with a few pulses", 1181, 100, 181, 1000000, true},
    {"a negative bound is no bound", 1181, 40, 181, -1, false},
};

TEST(ChainTotalsFitTest, ThePassTakesOnlyGapsAndFitsItCanCarry) {
    for (const FitCase& c : FIT_CASES) {
        EXPECT_EQ(narrowChainsFit(c.positions, c.Tmin, c.Tmax, c.largestFit, UNSET), c.fits) << c.name;
    }
}

}  // namespace
}  // namespace tessaline
