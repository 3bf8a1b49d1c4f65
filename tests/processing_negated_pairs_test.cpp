// Etalons fitted with their negation from the same sums: candidate lists in which some etalons are
// followed by their negated samples must give, in sample pairs, the fit the wide rows give (they
// fit every candidate on its own). The lists put negated pairs first, last, after silent etalons
// scored whole (so that the negated one folds into fits of later slots), next to each other in a
// row, and in tie-prone small amplitudes; the marks themselves are checked on hand-made lists.
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

struct NegatedListCase {
    const char* name;
    int n;
    int amplitude;        // etalon samples in [-a, a]
    int seriesAmplitude;  // series samples in [-a, a]
    int levelLeast, levelMost;
    const char* layout;  // per candidate: 'e' a new etalon, 'n' the one before negated, 's' silent
    int sets;
};

const NegatedListCase NEGATED_LIST_CASES[] = {
    {"default shapes", 20, 128, 400, 75, 75, "enenenenenee", 6},
    {"negated pair first and last", 12, 90, 200, 30, 90, "eneeen", 10},
    {"after silent etalons", 16, 70, 150, 40, 85, "senesen", 10},
    {"negations in a row", 9, 60, 120, 10, 95, "ennne", 10},
    {"two samples", 2, 9000, 300, 10, 90, "enen", 10},
    {"small amplitude ties", 6, 1, 1, 20, 80, "enesn", 10},
};

// The best fit of every position into `tables`, in narrow or wide rows.
void fitNegatedList(const PreparedCandidates& prepared, const std::vector<int16_t>& x, bool narrow,
                    PositionTables& tables) {
    const auto L = static_cast<uint32_t>(x.size());
    ASSERT_TRUE(tables.reserveFit(L, L - prepared.n + 1, prepared.n, narrow, 1));
    computeBestFit(prepared, x.data(), L, narrow, -1, tables);
}

// Etalons laid out as the case says, each 'n' the negation of the candidate before it.
std::vector<std::vector<int16_t>> negatedLayout(const NegatedListCase& c, cases::CaseRandom& random) {
    std::vector<std::vector<int16_t>> samples;
    for (const char* kind = c.layout; *kind != '\0'; ++kind) {
        std::vector<int16_t> e(static_cast<std::size_t>(c.n), 0);
        if (*kind == 'e') {
            for (int16_t& s : e) s = static_cast<int16_t>(random.between(-c.amplitude, c.amplitude));
        } else if (*kind == 'n') {
            for (std::size_t t = 0; t < e.size(); ++t) e[t] = static_cast<int16_t>(-samples.back()[t]);
        }
        samples.push_back(e);
    }
    return samples;
}

class NegatedPairsTest : public testing::TestWithParam<NegatedListCase> {};

TEST_P(NegatedPairsTest, PairsGiveTheFitOfEveryCandidateOnItsOwn) {
    const NegatedListCase& c = GetParam();
    cases::CaseRandom random(static_cast<uint64_t>(c.n * 104729 + c.amplitude * 17 + c.levelMost));
    for (int set = 0; set < c.sets; ++set) {
        std::vector<std::vector<int16_t>> samples = negatedLayout(c, random);
        std::vector<PulseHeader> alphabet(samples.size());
        std::vector<uint16_t> numbers;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            alphabet[i].lpData = samples[i].data();
            alphabet[i].wSize = static_cast<uint16_t>(c.n);
            numbers.push_back(static_cast<uint16_t>(i + 1));
        }
        std::vector<int16_t> x(static_cast<std::size_t>(c.n + random.between(0, 700)));
        for (int16_t& s : x) s = static_cast<int16_t>(random.between(-c.seriesAmplitude, c.seriesAmplitude));
        // A pulse of a negated etalon now and then, so that it wins somewhere.
        for (std::size_t k = 0; k + c.n <= x.size(); k += 97) {
            const std::vector<int16_t>& e = samples[k % samples.size()];
            for (int t = 0; t < c.n; ++t) x[k + t] = static_cast<int16_t>(x[k + t] / 4 + e[t]);
        }
        const auto level = static_cast<uint16_t>(random.between(c.levelLeast, c.levelMost));
        const ProcessingInput input{alphabet, numbers, 1, 1, level};
        CandidateTables candidates;
        ASSERT_TRUE(candidates.reserve(numbers.size(), c.n));
        const PreparedCandidates prepared = prepareCandidates(input, c.n, candidates);
        const auto L = static_cast<uint32_t>(x.size());
        ASSERT_TRUE(fitsNarrowRows(prepared, x.data(), L)) << "set " << set << ": must stay on narrow rows";
        PositionTables wide, pairs;
        fitNegatedList(prepared, x, false, wide);
        fitNegatedList(prepared, x, true, pairs);
        for (uint32_t k = 0; k + c.n <= L; ++k) {
            const std::string at = "set " + std::to_string(set) + ", level " + std::to_string(level) +
                                   ", position " + std::to_string(k);
            ASSERT_EQ(pairs.fit[k], wide.fit[k]) << at;
            ASSERT_EQ(pairs.fitEtalon[k], wide.fitEtalon[k]) << at;
            ASSERT_EQ(pairs.fitFirst[k], wide.fitFirst[k]) << at;
            ASSERT_EQ(pairs.fitLast[k], wide.fitLast[k]) << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, NegatedPairsTest, testing::ValuesIn(NEGATED_LIST_CASES),
                         [](const testing::TestParamInfo<NegatedListCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ') ch = '_';
                             return name;
                         });

// Which candidates are marked as their predecessor negated: only an exact negation of the usable
// candidate just before (an unusable one in between is not a candidate), never -32768 against
// itself.
TEST(NegatedPairsTest, MarksOnlyExactNegationsOfThePreviousCandidate) {
    std::vector<std::vector<int16_t>> samples = {
        {5, -7, 9}, {-5, 7, -9},    {5, -7, 9},       {5, -7, 8}, {-5, 7, -8, 1}, {0, 0, 0},
        {0, 0, 0},  {-32768, 1, 2}, {-32768, -1, -2}, {4, 2, 1},  {3, 3},         {-4, -2, -1},
    };
    // Etalon 11 has two samples: it is skipped, so etalon 12 follows etalon 10 as a candidate.
    const std::vector<uint8_t> expected = {0, 1, 1, 0, 1, 0, 1, 0, 0, 0, 1};
    std::vector<PulseHeader> alphabet(samples.size());
    std::vector<uint16_t> numbers;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        alphabet[i].lpData = samples[i].data();
        alphabet[i].wSize = static_cast<uint16_t>(samples[i].size());
        numbers.push_back(static_cast<uint16_t>(i + 1));
    }
    const ProcessingInput input{alphabet, numbers, 1, 1, 50};
    CandidateTables candidates;
    ASSERT_TRUE(candidates.reserve(numbers.size(), 3));
    const PreparedCandidates prepared = prepareCandidates(input, 3, candidates);
    ASSERT_EQ(prepared.count, static_cast<int>(expected.size()));
    for (int slot = 0; slot < prepared.count; ++slot)
        EXPECT_EQ(prepared.negatesPrevious(slot), expected[static_cast<std::size_t>(slot)] != 0)
            << "slot " << slot;
}

}  // namespace
}  // namespace tessaline
