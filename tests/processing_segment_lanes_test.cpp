// The best fit of cut etalons in lane groups and in sample pairs against every segment tried one
// by one: series lengths that leave partial groups, spans and blocks, narrow and wide accumulators,
// joint and single candidates, silent etalons scored whole before the cut ones. The series is
// exactly as long as it says, so a read past it shows under ASan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "processing/fit.h"
#include "processing/workspace.h"
#include "tests/support/case_random.h"

namespace tessaline {
namespace {

struct LanesCase {
    const char* name;
    int n;          // samples used of every etalon
    int L;          // series length
    int etalons;    // candidates, in list order
    int amplitude;  // of etalons and series samples
    int level;      // energy level in percent
    bool wide;      // fit in 64-bit rows even when 32 bits would do
    int silent;     // this candidate's samples are all zero (no admissible segment); -1 none
};

const LanesCase LANES_CASES[] = {
    {"fewer positions than a lane group", 20, 24, 2, 120, 75, false, -1},
    {"exactly one lane group", 12, 19, 1, 300, 60, false, -1},
    {"one group and one position", 20, 28, 2, 120, 75, false, -1},
    {"partial last block", 20, 1300, 3, 128, 75, false, -1},
    {"a block and one group", 7, 270, 2, 90, 80, false, -1},
    {"many starts, low level", 9, 203, 4, 50, 10, false, -1},
    {"an odd stretch between starts and ends", 15, 161, 5, 70, 90, false, -1},
    {"a single sample etalon", 1, 37, 3, 400, 50, false, -1},
    {"two sample etalons", 2, 41, 3, 400, 40, false, -1},
    {"small amplitude ties", 6, 77, 6, 1, 50, false, -1},
    {"silent etalon between cut ones", 20, 333, 4, 2, 75, false, 1},
    {"silent etalon first", 11, 150, 3, 1, 60, false, 0},
    {"longest paired etalon", 64, 300, 2, 60, 75, false, -1},
    {"longer than the pairs hold", 65, 300, 2, 60, 75, false, -1},
    {"wide rows by choice", 20, 300, 3, 128, 75, true, -1},
    {"wide rows by size", 16, 150, 2, 20000, 75, false, -1},
};

// The best fit at one position written out: every candidate in order, its whole etalon first,
// then every admissible segment in ascending start and end, each kept only when strictly better.
struct ExpectedFit {
    int64_t score;
    int slot;
    int first;
    int last;
};

ExpectedFit bruteFit(const std::vector<std::vector<int16_t>>& etalons, int n, int level, const int16_t* x) {
    ExpectedFit best{0, -1, 0, 0};
    for (int slot = 0; slot < static_cast<int>(etalons.size()); ++slot) {
        const std::vector<int16_t>& e = etalons[slot];
        int64_t energy = 0;
        for (int t = 0; t < n; ++t) energy += int64_t{e[t]} * e[t];
        const int64_t threshold = int64_t{level} * energy / 100;
        auto score = [&](int from, int to) {
            int64_t sum = 0;
            for (int t = from; t <= to; ++t) sum += int64_t{e[t]} * (e[t] - 2 * int64_t{x[t]});
            return sum;
        };
        ExpectedFit own{score(0, n - 1), slot, 0, n - 1};
        bool cut = false;
        ExpectedFit segment{0, slot, 0, 0};
        for (int m = 0; m < n; ++m) {
            int64_t held = 0;
            for (int i = m; i < n; ++i) {
                held += int64_t{e[i]} * e[i];
                if (held <= threshold) continue;
                const int64_t s = score(m, i);
                if (!cut || s < segment.score) segment = {s, slot, m, i};
                cut = true;
            }
        }
        if (cut && segment.score < own.score) own = segment;
        if (best.slot < 0 || own.score < best.score) best = own;
    }
    return best;
}

class SegmentLanesTest : public testing::TestWithParam<LanesCase> {
protected:
    void TearDown() override { useScoreLanes(ScoreLanes::Widest); }
};

TEST_P(SegmentLanesTest, EverySegmentTriedInTurnGivesTheSameFit) {
    const LanesCase& c = GetParam();
    cases::CaseRandom random(static_cast<uint64_t>(c.n * 131 + c.L * 7 + c.etalons));
    auto draw = [&] { return static_cast<int16_t>(random.between(-c.amplitude, c.amplitude)); };
    std::vector<std::vector<int16_t>> samples(static_cast<std::size_t>(c.etalons));
    std::vector<PulseHeader> alphabet(samples.size());
    std::vector<uint16_t> numbers;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i].resize(static_cast<std::size_t>(c.n));
        for (int16_t& sample : samples[i]) sample = draw();
        if (i == 1) samples[i][0] = 0;  // a silent first sample: no segment may start there alone
        if (static_cast<int>(i) == c.silent) std::fill(samples[i].begin(), samples[i].end(), int16_t{0});
        alphabet[i].lpData = samples[i].data();
        alphabet[i].wSize = static_cast<uint16_t>(c.n);
        numbers.push_back(static_cast<uint16_t>(i + 1));
    }
    std::vector<int16_t> x(static_cast<std::size_t>(c.L));
    for (int16_t& sample : x) sample = draw();
    const ProcessingInput input{alphabet, numbers, 1, 1, static_cast<uint16_t>(c.level)};
    CandidateTables candidates;
    PositionTables tables;
    ASSERT_TRUE(candidates.reserve(numbers.size(), c.n));
    const PreparedCandidates prepared = prepareCandidates(input, c.n, candidates);
    const bool narrow = !c.wide && fitsNarrowRows(prepared, x.data(), c.L);
    const int P = c.L - c.n + 1;
    ASSERT_TRUE(tables.reserveFit(c.L, P, c.n, narrow, 1));
    for (int run = 0; run < 2 * (c.etalons + 1); ++run) {
        const int only = run / 2 - 1;
        useScoreLanes(run % 2 == 0 ? ScoreLanes::Widest : ScoreLanes::Portable);
        SCOPED_TRACE(run % 2 == 0 ? "widest lanes" : "portable lanes");
        std::fill_n(tables.fit.data(), P, int64_t{-1});
        computeBestFit(prepared, x.data(), c.L, narrow, only, tables);
        std::vector<std::vector<int16_t>> tried;
        if (only < 0) tried = samples;
        if (only >= 0) tried = {samples[only]};
        for (int k = 0; k < P; ++k) {
            const ExpectedFit expected = bruteFit(tried, c.n, c.level, x.data() + k);
            const int slot = only < 0 ? expected.slot : only;
            ASSERT_EQ(tables.fit[k], expected.score) << "candidate " << only << ", position " << k;
            ASSERT_EQ(tables.fitEtalon[k], slot) << "candidate " << only << ", position " << k;
            ASSERT_EQ(tables.fitFirst[k], expected.first) << "candidate " << only << ", position " << k;
            ASSERT_EQ(tables.fitLast[k], expected.last) << "candidate " << only << ", position " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fits, SegmentLanesTest, testing::ValuesIn(LANES_CASES),
                         [](const testing::TestParamInfo<LanesCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ' || ch == ',') ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace tessaline
