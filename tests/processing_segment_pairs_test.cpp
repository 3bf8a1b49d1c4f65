// The fit in sample pairs against the fit in 64-bit lane groups, on many random etalon sets: every
// candidate list is fitted three ways (narrow rows in the widest lanes, narrow rows in the portable
// lanes, wide rows) and the four best-fit arrays must agree at every position. The wide rows share
// no code with the pairs, so a fault in either shows as a difference. The shapes reach the edges of
// the pairs: two-sample etalons with samples near 2^14 (the largest narrow rows allow), levels at
// which segment starts and ends overlap or leave an odd stretch between them, the longest etalon
// the pairs take, silent etalons scored whole before the cut ones, and tie-prone small amplitudes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "processing/fit.h"
#include "processing/segment_pairs.h"
#include "processing/workspace.h"
#include "tests/support/case_random.h"

namespace tessaline {
namespace {

struct PairsCase {
    const char* name;
    int nLeast, nMost;    // etalon length, drawn per set
    int etalonAmplitude;  // etalon samples in [-a, a]
    int seriesAmplitude;  // series samples in [-a, a]
    int levelLeast, levelMost;
    int etalons;     // candidates per set
    bool silentOne;  // one candidate of every set is all zeros
    int sets;
};

const PairsCase PAIRS_CASES[] = {
    {"default shapes", 20, 20, 120, 300, 75, 75, 20, false, 6},
    {"two samples near the narrow limit", 2, 2, 16000, 380, 10, 90, 3, false, 12},
    {"overlapping starts and ends", 3, 30, 80, 80, 1, 20, 4, false, 12},
    {"high levels, long pair stretches", 9, 40, 60, 200, 85, 99, 4, false, 12},
    {"longest paired etalon", MOST_PAIRED_SAMPLES, MOST_PAIRED_SAMPLES, 40, 90, 50, 90, 3, false, 4},
    {"silent etalon among cut ones", 5, 24, 50, 50, 40, 80, 5, true, 12},
    {"small amplitude ties", 4, 12, 1, 1, 30, 70, 6, true, 12},
};

struct FitArrays {
    std::vector<int64_t> fit;
    std::vector<int16_t> etalon, first, last;
};

FitArrays fitOnce(const PreparedCandidates& prepared, const std::vector<int16_t>& x, bool narrow,
                  ScoreLanes lanes, int only) {
    const auto L = static_cast<uint32_t>(x.size());
    const auto P = static_cast<std::size_t>(L - prepared.n + 1);
    PositionTables tables;
    EXPECT_TRUE(tables.reserveFit(L, P, prepared.n, narrow, 1));
    useScoreLanes(lanes);
    computeBestFit(prepared, x.data(), L, narrow, only, tables);
    useScoreLanes(ScoreLanes::Widest);
    FitArrays out;
    out.fit.assign(tables.fit.data(), tables.fit.data() + P);
    out.etalon.assign(tables.fitEtalon.data(), tables.fitEtalon.data() + P);
    out.first.assign(tables.fitFirst.data(), tables.fitFirst.data() + P);
    out.last.assign(tables.fitLast.data(), tables.fitLast.data() + P);
    return out;
}

void expectSameFit(const FitArrays& expected, const FitArrays& got, const std::string& what) {
    for (std::size_t k = 0; k < expected.fit.size(); ++k) {
        ASSERT_EQ(got.fit[k], expected.fit[k]) << what << ", position " << k;
        ASSERT_EQ(got.etalon[k], expected.etalon[k]) << what << ", position " << k;
        ASSERT_EQ(got.first[k], expected.first[k]) << what << ", position " << k;
        ASSERT_EQ(got.last[k], expected.last[k]) << what << ", position " << k;
    }
}

class SegmentPairsTest : public testing::TestWithParam<PairsCase> {};

TEST_P(SegmentPairsTest, PairsLanesAndWideRowsGiveOneFit) {
    const PairsCase& c = GetParam();
    cases::CaseRandom random(static_cast<uint64_t>(c.nMost * 7919 + c.etalonAmplitude * 31 + c.levelLeast));
    for (int set = 0; set < c.sets; ++set) {
        const int n = static_cast<int>(random.between(c.nLeast, c.nMost));
        const int L = n + static_cast<int>(random.between(0, 600));
        std::vector<std::vector<int16_t>> samples(static_cast<std::size_t>(c.etalons),
                                                  std::vector<int16_t>(static_cast<std::size_t>(n)));
        std::vector<PulseHeader> alphabet(samples.size());
        std::vector<uint16_t> numbers;
        const int silent = c.silentOne ? static_cast<int>(random.between(0, c.etalons - 1)) : -1;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            for (int16_t& s : samples[i])
                s = static_cast<int16_t>(random.between(-c.etalonAmplitude, c.etalonAmplitude));
            if (static_cast<int>(i) == silent) samples[i].assign(samples[i].size(), 0);
            alphabet[i].lpData = samples[i].data();
            alphabet[i].wSize = static_cast<uint16_t>(n);
            numbers.push_back(static_cast<uint16_t>(i + 1));
        }
        std::vector<int16_t> x(static_cast<std::size_t>(L));
        for (int16_t& s : x) s = static_cast<int16_t>(random.between(-c.seriesAmplitude, c.seriesAmplitude));
        const auto level = static_cast<uint16_t>(random.between(c.levelLeast, c.levelMost));
        const ProcessingInput input{alphabet, numbers, 1, 1, level};
        CandidateTables candidates;
        ASSERT_TRUE(candidates.reserve(numbers.size(), n));
        const PreparedCandidates prepared = prepareCandidates(input, n, candidates);
        ASSERT_TRUE(fitsNarrowRows(prepared, x.data(), static_cast<uint32_t>(L)))
            << "set " << set << ": the case must stay on narrow rows";
        for (int only = -1; only < prepared.count; ++only) {
            const std::string what = "set " + std::to_string(set) + ", n " + std::to_string(n) + ", level " +
                                     std::to_string(level) + ", candidate " + std::to_string(only);
            const FitArrays wide = fitOnce(prepared, x, false, ScoreLanes::Widest, only);
            expectSameFit(wide, fitOnce(prepared, x, true, ScoreLanes::Widest, only), what + ", pairs");
            expectSameFit(wide, fitOnce(prepared, x, true, ScoreLanes::Portable, only), what + ", lanes");
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, SegmentPairsTest, testing::ValuesIn(PAIRS_CASES),
                         [](const testing::TestParamInfo<PairsCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ' || ch == ',' || ch == '^') ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace tessaline
