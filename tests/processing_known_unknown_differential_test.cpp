// The production processing algorithms against the plain reference versions, on thousands of
// random cases: every result field of the series record and of the result record must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/random.h"
#include "model/series.h"
#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/fit.h"
#include "tests/support/algorithms.h"
#include "tests/support/differential.h"
#include "tests/support/processing_cases.h"
#include "tests/support/series_builder.h"

namespace tessaline {
namespace {

using cases::Differences;

using PulsesAlgorithm = cases::AlgorithmPair<cases::PulsesRun>;

const PulsesAlgorithm ALGORITHMS[] = {
    {"detectKnownPulses", cases::PRODUCTION.detectKnownPulses, cases::REFERENCE.detectKnownPulses},
    {"recognizeKnownPulses", cases::PRODUCTION.recognizeKnownPulses, cases::REFERENCE.recognizeKnownPulses},
    {"detectUnknownPulses", cases::PRODUCTION.detectUnknownPulses, cases::REFERENCE.detectUnknownPulses},
    {"recognizeUnknownPulses", cases::PRODUCTION.recognizeUnknownPulses,
     cases::REFERENCE.recognizeUnknownPulses},
};

using CaseMaker = bool (*)(uint64_t, cases::ProcessingCase&);

// Runs every algorithm, with and without a result record, on two copies of the case made from the
// same seed. Returns the first difference, naming the algorithm.
std::string differences(uint64_t seed, CaseMaker make, bool& made) {
    cases::ProcessingCase production, reference;
    made = make(seed, production);
    if (!made) return {};
    EXPECT_TRUE(make(seed, reference)) << production.describe();

    cases::ResultRecords records(seed, production.series->wMaxPulses);
    for (const PulsesAlgorithm& algorithm : ALGORITHMS) {
        for (bool withChains : {true, false}) {
            const int productionResult =
                algorithm.production(records.productionWindow, production.input(),
                                     withChains ? records.production : nullptr, *production.series);
            const std::int64_t blocks = memory::outstandingBlocks();
            const int referenceResult =
                algorithm.reference(records.referenceWindow, reference.input(),
                                    withChains ? records.reference : nullptr, *reference.series);
            Differences d;
            d.compare("result", productionResult, referenceResult);
            d.compare("blocks left by the reference run", memory::outstandingBlocks(), blocks);
            cases::compareSeries(d, *production.series, *reference.series);
            cases::compareChains(d, *records.production, *records.reference);
            cases::compareMessages(d, records.productionWindow, 0, records.referenceWindow, 0);
            if (!d.text().empty())
                return cases::runFailure(algorithm.name, withChains, d, production.describe());
        }
    }
    return {};
}

void runCases(CaseMaker make, int count) {
    cases::compareSeeds(count, [make](uint64_t seed, bool& made) { return differences(seed, make, made); });
}

// A default-sized case drowned in noise of a sigma in the thousands (samples wrap), and on odd
// seeds fitted with etalons of large amplitude: fit scores and chain totals leave the 32-bit range.
bool makeLoudCase(uint64_t seed, cases::ProcessingCase& out) {
    if (!cases::makeDefaultCase(seed, out)) return false;
    if (seed % 2 == 1) {
        for (std::vector<int16_t>& etalon : out.samples) {
            for (int16_t& sample : etalon)
                sample = static_cast<int16_t>(std::clamp(sample * 150, -32768, 32767));
        }
    }
    GeneratorStates states;
    states.dwNoiseSeed = static_cast<int32_t>(seed % 32768);
    const uint16_t sigma = seed % 2 == 0 ? 3000 : 20000;
    addNoise(sigma, *out.series, states.dwNoiseSeed);
    return true;
}

// Whole pulses in a corridor so narrow (series 600, Tmin 52, Tmax 53) that the position sets need
// far more intervals than the most pulses a series can hold.
bool makeNarrowCorridorCase(uint64_t seed, cases::ProcessingCase& out) {
    if (!cases::makeDefaultCase(seed, out)) return false;
    HeadlessWindow window;
    GeneratorStates states;
    states.wPlacementState = static_cast<uint16_t>(seed % 32768);
    std::vector<uint16_t> sequence(30, out.candidates.front());
    SeriesRequest request;
    request.alphabet = out.alphabet;
    request.n = 20;
    request.Tmin = out.Tmin = 52;
    request.Tmax = out.Tmax = 53;
    request.N = 600;
    request.sequence = sequence;
    request.A = 128;
    request.level = 100;
    out.level = 100;
    out.series = getUnfixedCutOffSeries(window, request, out.series, states);
    if (out.series == nullptr) return false;
    addNoise(static_cast<uint16_t>(seed % 60), *out.series, states.dwNoiseSeed);
    return true;
}

TEST(ProcessingDifferentialTest, SmallCasesAgreeWithReference) {
    runCases(cases::makeSmallCase, cases::randomCaseCount(2000));
}

TEST(ProcessingDifferentialTest, DefaultSizedCasesAgreeWithReference) {
    runCases(cases::makeDefaultCase, std::max(1, cases::randomCaseCount(2000) / 10));
}

TEST(ProcessingDifferentialTest, NoiseBeyondThirtyTwoBitScoresAgreesWithReference) {
    runCases(makeLoudCase, std::max(2, cases::randomCaseCount(2000) / 100));
    // The loud etalons really take the 64-bit fit rows.
    cases::ProcessingCase loud;
    ASSERT_TRUE(makeLoudCase(1, loud));
    CandidateTables tables;
    ASSERT_TRUE(tables.reserve(loud.candidates.size(), loud.series->wImpulseSize));
    const PreparedCandidates prepared = prepareCandidates(loud.input(), loud.series->wImpulseSize, tables);
    EXPECT_FALSE(fitsNarrowRows(prepared, loud.series->lpNoisyData, loud.series->dwSeriesSize));
}

// Every slot of the last set is evaluated, so recognition finds its pulses in the corridor.
TEST(ProcessingDifferentialTest, NarrowCorridorAgreesWithReferenceAndFindsPulses) {
    runCases(makeNarrowCorridorCase, std::max(2, cases::randomCaseCount(2000) / 100));
    cases::ProcessingCase corridor;
    ASSERT_TRUE(makeNarrowCorridorCase(7, corridor));
    HeadlessWindow window;
    ChainsHeader* chains = getChainsHeader(window, 10, corridor.series->wMaxPulses, nullptr);
    const int recognised = recognizeUnknownPulses(window, corridor.input(), chains, *corridor.series);
    EXPECT_NE(recognised, 65535);
    EXPECT_GE(corridor.series->wFoundPulses, corridor.series->wMinPulses);
    EXPECT_LE(corridor.series->wFoundPulses, corridor.series->wMaxPulses);
    freeChainsHeader(chains);
}

// Three whole pulses of a loud etalon side by side: every chain total lies below the 32-bit
// range. Detection must record the exact sum of the pulse fits, and recognition must rank the
// two candidates (both below that range) by their true totals, the better one first.
TEST(ProcessingDifferentialTest, TotalsBeyondThirtyTwoBitsAreRecordedWhole) {
    const std::vector<int16_t> loud = {30000, 30000}, quieter = {20000, 20000};
    constexpr int K = 3, GAP = 4;
    SeriesBuilder scene(K * GAP, {loud, quieter});
    for (int j = 0; j < K; ++j) scene.place(1, static_cast<uint16_t>(j * GAP));
    SeriesHeader& series = scene.series();
    series.wMinPulses = series.wMaxPulses = K;
    for (int j = 0; j < K; ++j) {
        series.lpMinPositions[j] = 0;
        series.lpMaxPositions[j] = K * GAP - 2;
    }
    auto chainFit = [&](const std::vector<int16_t>& e) {  // K pulses of e over the loud pulses
        int64_t fit = 0;
        for (std::size_t t = 0; t < e.size(); ++t) fit += int64_t{e[t]} * (e[t] - 2 * int64_t{loud[t]});
        return K * fit;
    };
    ASSERT_LT(chainFit(quieter), INT32_MIN);
    const std::vector<int64_t> detected = {chainFit(loud)}, recognised = {chainFit(loud), chainFit(quieter)};
    const std::vector<int64_t>* expected[] = {&detected, &recognised, &detected, &recognised};

    const std::vector<uint16_t> candidates = {2, 1};  // the worse candidate first
    const ProcessingInput input{{&scene.etalon(1), 2}, candidates, GAP, GAP, 100};
    HeadlessWindow window;
    ChainsHeader* chains = getChainsHeader(window, 4, K, nullptr);
    ASSERT_NE(chains, nullptr);
    for (std::size_t a = 0; a < std::size(ALGORITHMS); ++a) {
        for (bool reference : {false, true}) {
            SCOPED_TRACE(std::string(ALGORITHMS[a].name) + (reference ? " reference" : ""));
            series.wFoundPulses = 0;
            EXPECT_EQ((reference ? ALGORITHMS[a].reference : ALGORITHMS[a].production)(window, input, chains,
                                                                                       series),
                      1);
            EXPECT_EQ(std::vector<int64_t>(chains->distance, chains->distance + chains->wPretenders),
                      *expected[a]);
            ASSERT_EQ(series.wFoundPulses, K);
            for (int j = 0; j < K; ++j) {
                EXPECT_EQ(series.lpFoundPositions[j], j * GAP);
                EXPECT_EQ(series.lpFoundEtalonNumbers[j], 1);
                EXPECT_EQ(chains->pulsesList[0][j], 1);
            }
        }
    }
    EXPECT_TRUE(window.messages().empty());
    freeChainsHeader(chains);
}

}  // namespace
}  // namespace tessaline
