// The whole-etalon scores of many etalons in one pass, in the widest lanes and the portable loop,
// against the score sum written out; and the best fit when whole etalons tie with cut ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "processing/fit.h"
#include "processing/whole_scores.h"
#include "processing/workspace.h"
#include "tests/support/case_random.h"

namespace tessaline {
namespace {

struct WholeCase {
    const char* name;
    int n;          // etalon length (odd lengths pair their last sample with zero)
    int P;          // positions (not a multiple of sixteen: a tail goes one at a time)
    int etalons;    // more than four: several chunks share a group of positions
    int amplitude;  // of etalons and series
    bool twins;     // every other etalon repeats the one before: ties keep the earlier one
};

const WholeCase WHOLE_CASES[] = {
    {"one etalon, even length", 20, 1181, 1, 128, false},   {"one etalon, odd length", 7, 100, 1, 900, false},
    {"twenty etalons", 20, 1181, 20, 128, false},           {"five twins, odd length", 13, 47, 10, 60, true},
    {"fewer positions than a group", 4, 9, 3, 2000, false}, {"a single sample", 1, 40, 6, 3000, true},
};

struct Scene {
    std::vector<std::vector<int16_t>> samples;
    std::vector<WholeEtalon> etalons;
    std::vector<int16_t> x;
};

Scene makeScene(const WholeCase& c) {
    Scene scene;
    cases::CaseRandom random(static_cast<uint64_t>(c.n * 31 + c.P));
    auto draw = [&] { return static_cast<int16_t>(random.between(-c.amplitude, c.amplitude)); };
    for (int i = 0; i < c.etalons; ++i) {
        if (c.twins && i % 2 == 1) {
            scene.samples.push_back(scene.samples.back());
        } else {
            scene.samples.emplace_back(static_cast<std::size_t>(c.n));
            for (int16_t& sample : scene.samples.back()) sample = draw();
        }
    }
    for (int i = 0; i < c.etalons; ++i) {
        int32_t energy = 0;
        for (int16_t e : scene.samples[i]) energy += e * e;
        scene.etalons.push_back({scene.samples[i].data(), energy, static_cast<int16_t>(i)});
    }
    scene.x.resize(static_cast<std::size_t>(c.P + c.n - 1));
    for (int16_t& sample : scene.x) sample = draw();
    return scene;
}

struct Fits {
    std::vector<int64_t> fit;
    std::vector<int16_t> etalon, first, last;
    explicit Fits(int P) : fit(P, -1), etalon(P, -1), first(P, -1), last(P, -1) {}
    FitOutput out() { return {fit.data(), etalon.data(), first.data(), last.data()}; }
};

class WholeScoresTest : public testing::TestWithParam<ScoreLanes> {
protected:
    void TearDown() override { useScoreLanes(ScoreLanes::Widest); }
};

TEST_P(WholeScoresTest, LeastScoreOfTheEarliestEtalonAtEveryPosition) {
    useScoreLanes(GetParam());
    for (const WholeCase& c : WHOLE_CASES) {
        SCOPED_TRACE(c.name);
        const Scene scene = makeScene(c);
        Fits fits(c.P);
        bestWholeScores(scene.etalons.data(), c.etalons, c.n, scene.x.data(), c.P, fits.out());
        for (int k = 0; k < c.P; ++k) {
            int64_t best = 0;
            int16_t slot = -1;
            for (int i = 0; i < c.etalons; ++i) {
                int64_t score = 0;
                for (int t = 0; t < c.n; ++t)
                    score += scene.samples[i][t] * (scene.samples[i][t] - 2 * scene.x[k + t]);
                if (slot < 0 || score < best) {
                    best = score;
                    slot = static_cast<int16_t>(i);
                }
            }
            ASSERT_EQ(fits.fit[k], best) << "position " << k;
            ASSERT_EQ(fits.etalon[k], slot) << "position " << k;
            ASSERT_EQ(fits.first[k], 0);
            ASSERT_EQ(fits.last[k], c.n - 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, WholeScoresTest, testing::Values(ScoreLanes::Widest, ScoreLanes::Portable));

// Below the full energy level only a silent etalon has no admissible segment, so it is scored in
// the whole pass before the cut etalons are folded in. A cut etalon listed earlier that ties with
// it must still win, as it does when the candidates are tried in list order.
TEST(BestFitTest, EarlierCutEtalonKeepsATieWithALaterSilentOne) {
    const std::vector<int16_t> two = {2}, silent = {0};
    PulseHeader alphabet[2] = {};
    alphabet[0].lpData = const_cast<int16_t*>(two.data());
    alphabet[0].wSize = 1;
    alphabet[1].lpData = const_cast<int16_t*>(silent.data());
    alphabet[1].wSize = 1;
    const std::vector<int16_t> x = {1, 1, 0, 1};  // score 4 - 4x: 0 ties with the silent etalon
    struct Order {
        std::vector<uint16_t> candidates;
        std::vector<int16_t> expected;  // slot per position
    };
    const Order orders[] = {{{1, 2}, {0, 0, 1, 0}}, {{2, 1}, {0, 0, 0, 0}}};
    for (const Order& order : orders) {
        const ProcessingInput input{alphabet, order.candidates, 1, 1, 50};
        CandidateTables candidates;
        PositionTables tables;
        ASSERT_TRUE(candidates.reserve(2, 1));
        const PreparedCandidates prepared = prepareCandidates(input, 1, candidates);
        ASSERT_TRUE(fitsNarrowRows(prepared, x.data(), 4));
        ASSERT_TRUE(tables.reserveFit(4, 4, 1, true, 1));
        computeBestFit(prepared, x.data(), 4, true, -1, tables);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(tables.fitEtalon[k], order.expected[k])
                << "candidates " << order.candidates[0] << " first, position " << k;
            EXPECT_EQ(tables.fit[k], 0);
        }
    }
}

}  // namespace
}  // namespace tessaline
