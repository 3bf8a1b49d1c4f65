// Scoring found pulses against a ground truth: hand-counted matchings (ties, tolerance edges, a
// found pulse between two true ones, empty sides, the offset, shapes), the most pairs against an
// exhaustive search, and the refusals of positions beyond the range.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "detect/evaluation.h"

namespace tessaline {
namespace {

using Pairs = std::vector<std::pair<int64_t, int64_t>>;

constexpr EvaluationNames SCORING_NAMES{"truth", "found", "tolerance", "offset"};

struct MatchCase {
    const char* name;
    std::vector<int64_t> truth, found;
    int64_t tolerance, offset;
    Pairs pairs;  // (true index, found index), by true position
};

TEST(EvaluationTest, MatchesAsCountedByHand) {
    const MatchCase cases[] = {
        {"exact", {10, 20, 30}, {10, 20, 30}, 0, 0, {{0, 0}, {1, 1}, {2, 2}}},
        {"at the tolerance's edge", {100, 200}, {103, 197}, 3, 0, {{0, 0}, {1, 1}}},
        {"one past the edge", {100, 200}, {104, 196}, 3, 0, {}},
        {"one found between two truths pairs the first", {100, 110}, {105}, 5, 0, {{0, 0}}},
        {"the later found keeps the later truth", {100, 110}, {105, 111}, 5, 0, {{0, 0}, {1, 1}}},
        {"the nearest pair first would lose a pair", {0, 7}, {4, 11}, 4, 0, {{0, 0}, {1, 1}}},
        {"two found on one truth: the earlier in the file", {50}, {50, 50}, 0, 0, {{0, 0}}},
        {"two truths on one position", {50, 50}, {49, 51}, 1, 0, {{0, 0}, {1, 1}}},
        {"unsorted files keep their indices",
         {300, 100, 200},
         {201, 99, 302},
         2,
         0,
         {{1, 1}, {2, 0}, {0, 2}}},
        {"no truth", {}, {1, 2}, 5, 0, {}},
        {"nothing found", {1, 2}, {}, 5, 0, {}},
        {"both empty", {}, {}, 0, 0, {}},
        {"offset to the fiducial point", {136, 536}, {100, 500, 900}, 0, 36, {{0, 0}, {1, 1}}},
        {"negative offset", {0, 100}, {5, 105}, 1, -5, {{0, 0}, {1, 1}}},
        {"at the range's ends",
         {-EVALUATION_POSITION_LIMIT, EVALUATION_POSITION_LIMIT},
         {-EVALUATION_POSITION_LIMIT, EVALUATION_POSITION_LIMIT},
         EVALUATION_POSITION_LIMIT,
         0,
         {{0, 0}, {1, 1}}},
        {"the range's ends 2^63 apart",
         {-EVALUATION_POSITION_LIMIT},
         {EVALUATION_POSITION_LIMIT},
         EVALUATION_POSITION_LIMIT,
         0,
         {}},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        const EvaluationRequest request{{c.truth, {}}, {c.found, {}}, c.tolerance, c.offset};
        ASSERT_EQ(checkEvaluationRequest(request, SCORING_NAMES), "");
        const Evaluation e = evaluateDetections(request);
        EXPECT_EQ(e.pairs, c.pairs);
        const auto pairs = static_cast<int64_t>(c.pairs.size());
        EXPECT_EQ(e.truePositives, pairs);
        EXPECT_EQ(e.falsePositives, static_cast<int64_t>(c.found.size()) - pairs);
        EXPECT_EQ(e.falseNegatives, static_cast<int64_t>(c.truth.size()) - pairs);
        EXPECT_FALSE(e.agreement);
        EXPECT_FALSE(e.confusion);
    }
}

TEST(EvaluationTest, RatesAreOneWhereNothingDivides) {
    const struct {
        std::vector<int64_t> truth, found;
        double sensitivity, predictivity, f1;
    } cases[] = {{{}, {}, 1.0, 1.0, 1.0},
                 {{}, {7}, 1.0, 0.0, 0.0},
                 {{7}, {}, 0.0, 1.0, 0.0},
                 {{10, 20, 30, 40}, {10, 20, 30, 99, 98}, 0.75, 0.6, 6.0 / 9.0}};
    for (const auto& c : cases) {
        const Evaluation e = evaluateDetections({{c.truth, {}}, {c.found, {}}, 0, 0});
        EXPECT_DOUBLE_EQ(e.sensitivity, c.sensitivity);
        EXPECT_DOUBLE_EQ(e.positivePredictivity, c.predictivity);
        EXPECT_DOUBLE_EQ(e.f1, c.f1);
    }
}

TEST(EvaluationTest, ShapesGiveTheConfusionTableAndAgreement) {
    // True shapes 1, 3, 3, 1 (and a missed 5); found etalons 1, 2, 3, 1 and an extra 7.
    const std::vector<int64_t> truth{100, 200, 300, 400, 500}, trueShapes{1, 3, 3, 1, 5};
    const std::vector<int64_t> found{101, 199, 300, 402, 900}, etalons{1, 2, 3, 1, 7};
    const Evaluation e = evaluateDetections({{truth, trueShapes}, {found, etalons}, 2, 0});
    ASSERT_TRUE(e.confusion);
    EXPECT_EQ(e.confusion->shapes, (std::vector<int64_t>{1, 3, 5}));
    EXPECT_EQ(e.confusion->etalons, (std::vector<int64_t>{1, 2, 3, 7}));
    const std::vector<std::vector<int64_t>> counts{{2, 0, 0, 0}, {0, 1, 1, 0}, {0, 0, 0, 0}};
    EXPECT_EQ(e.confusion->counts, counts);
    ASSERT_TRUE(e.agreement);
    EXPECT_DOUBLE_EQ(*e.agreement, 0.75);

    // Shapes on one side only: no table, no agreement; shapes on both but no pair: a table of zeros.
    EXPECT_FALSE(evaluateDetections({{truth, trueShapes}, {found, {}}, 2, 0}).confusion);
    const Evaluation apart = evaluateDetections({{truth, trueShapes}, {found, etalons}, 0, 1000});
    EXPECT_FALSE(apart.agreement);
    ASSERT_TRUE(apart.confusion);
    EXPECT_EQ(apart.confusion->counts, (std::vector<std::vector<int64_t>>(3, std::vector<int64_t>(4, 0))));
}

// The most pairs any one-to-one matching within the tolerance has, by trying them all.
int64_t mostPairs(const std::vector<int64_t>& truth, const std::vector<int64_t>& found, int64_t tolerance) {
    std::vector<bool> used(found.size(), false);
    const std::function<int64_t(std::size_t)> best = [&](std::size_t t) -> int64_t {
        if (t == truth.size()) return 0;
        int64_t most = best(t + 1);
        for (std::size_t f = 0; f < found.size(); ++f) {
            if (used[f] || std::max(truth[t], found[f]) - std::min(truth[t], found[f]) > tolerance) continue;
            used[f] = true;
            most = std::max(most, 1 + best(t + 1));
            used[f] = false;
        }
        return most;
    };
    return best(0);
}

TEST(EvaluationTest, TheWalkFindsTheMostPairs) {
    std::mt19937_64 random(20261208);
    for (int round = 0; round < 400; ++round) {
        std::uniform_int_distribution<int64_t> count(0, 7), position(0, 40), tolerance(0, 6);
        std::vector<int64_t> truth(static_cast<std::size_t>(count(random)));
        std::vector<int64_t> found(static_cast<std::size_t>(count(random)));
        for (int64_t& p : truth) p = position(random);
        for (int64_t& p : found) p = position(random);
        const int64_t t = tolerance(random);
        const Evaluation e = evaluateDetections({{truth, {}}, {found, {}}, t, 0});
        ASSERT_EQ(e.truePositives, mostPairs(truth, found, t)) << "round " << round;
        for (const auto& [ti, fi] : e.pairs) {
            EXPECT_LE(std::abs(truth[static_cast<std::size_t>(ti)] - found[static_cast<std::size_t>(fi)]), t);
        }
    }
}

TEST(EvaluationTest, RefusesWhatLeavesTheRange) {
    const int64_t limit = EVALUATION_POSITION_LIMIT;
    const std::vector<int64_t> inside{limit}, outside{limit + 1}, below{-limit - 1}, one{1}, zero{0},
        two{1, 2};
    const struct {
        EvaluationRequest request;
        const char* refusal;
    } cases[] = {
        {{{outside, {}}, {one, {}}, 0, 0},
         "truth: pulse 0: position 4611686018427387905 is outside -2^62..2^62"},
        {{{one, {}}, {below, {}}, 0, 0},
         "found: pulse 0: position -4611686018427387905 is outside -2^62..2^62"},
        {{{one, {}}, {inside, {}}, 0, 1},
         "found: pulse 0: position 4611686018427387904 with offset 1 is outside -2^62..2^62"},
        {{{one, {}}, {one, {}}, -1, 0}, "tolerance -1 is outside 0..2^62"},
        {{{one, {}}, {one, {}}, limit + 1, 0}, "tolerance 4611686018427387905 is outside 0..2^62"},
        {{{one, {}}, {one, {}}, 0, -limit - 1}, "offset -4611686018427387905 is outside -2^62..2^62"},
        {{{one, zero}, {one, one}, 0, 0}, "truth: pulse 0: shape 0 is below 1"},
        {{{two, one}, {one, {}}, 0, 0}, "truth: 1 shapes for 2 positions"},
    };
    for (const auto& c : cases) EXPECT_EQ(checkEvaluationRequest(c.request, SCORING_NAMES), c.refusal);

    // A confusion table of more than 2^20 cells is refused before it is made.
    std::vector<int64_t> positions(1025), shapes(1025);
    for (std::size_t i = 0; i < shapes.size(); ++i) shapes[i] = static_cast<int64_t>(i) + 1;
    EXPECT_NE(checkEvaluationRequest({{positions, shapes}, {positions, shapes}, 0, 0}, SCORING_NAMES), "");
    shapes.pop_back();
    positions.pop_back();
    EXPECT_EQ(checkEvaluationRequest({{positions, shapes}, {positions, shapes}, 0, 0}, SCORING_NAMES), "");
}

}  // namespace
}  // namespace tessaline
