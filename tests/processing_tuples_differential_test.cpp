// The production tuples algorithms against the plain reference versions, on thousands of random
// tuple series: every result field of the series record and of the result record, the
// diagnostics flag and every message shown must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/tuples.h"
#include "tests/support/algorithms.h"
#include "tests/support/differential.h"
#include "tests/support/tuple_cases.h"

namespace tessaline {
namespace {

using cases::Differences;

using TupleAlgorithm = cases::AlgorithmPair<cases::TupleCaseRun>;

const TupleAlgorithm TUPLE_ALGORITHMS[] = {
    {"detectKnownTuples", cases::detectOn<detectKnownTuples>, cases::detectOn<literal::detectKnownTuples>},
    {"recognizeKnownTuples", cases::recognizeOn<recognizeKnownTuples>,
     cases::recognizeOn<literal::recognizeKnownTuples>},
    {"detectUnknownTuples", cases::detectOn<detectUnknownTuples>,
     cases::detectOn<literal::detectUnknownTuples>},
    {"recognizeUnknownTuples", cases::recognizeOn<recognizeUnknownTuples>,
     cases::recognizeOn<literal::recognizeUnknownTuples>},
};

// Result fields as an earlier run would have left them, so that a field a run must write (or
// must leave alone) shows when it is not.
void leaveStaleResults(SeriesHeader& series) {
    series.wFoundSubset = 9;
    series.wFoundTuples = 1;
    series.lpTupleFirsts[0] = 4;
    series.lpTupleLasts[0] = 6;
}

using TupleCaseMaker = bool (*)(uint64_t, cases::TupleCase&);

// Runs every algorithm on two copies of the case made from the same seed: the reference once with
// a result record, production with and then without one. What a run writes into the series
// record does not depend on the result record, so both production runs answer to the one
// reference run. Returns the first difference, naming the algorithm.
std::string tupleDifferences(uint64_t seed, TupleCaseMaker make, std::span<const TupleAlgorithm> algorithms,
                             bool& made) {
    cases::TupleCase production, reference;
    made = make(seed, production);
    if (!made) return {};
    EXPECT_TRUE(make(seed, reference)) << production.describe();

    cases::ResultRecords records(seed, production.series().wMaxPulses);
    for (const TupleAlgorithm& algorithm : algorithms) {
        leaveStaleResults(reference.series());
        const std::size_t referenceFrom = records.referenceWindow.messages().size();
        const std::int64_t blocks = memory::outstandingBlocks();
        const int referenceResult =
            algorithm.reference(records.referenceWindow, reference, records.reference);
        const std::int64_t referenceLeft = memory::outstandingBlocks() - blocks;
        for (bool withChains : {true, false}) {
            leaveStaleResults(production.series());
            const std::size_t productionFrom = records.productionWindow.messages().size();
            const int productionResult = algorithm.production(records.productionWindow, production,
                                                              withChains ? records.production : nullptr);
            Differences d;
            d.compare("result", productionResult, referenceResult);
            d.compare("blocks left by the reference run", referenceLeft, std::int64_t{0});
            cases::compareSeries(d, production.series(), reference.series());
            cases::compareChains(d, *records.production, *records.reference);
            d.compare("diagnostics flag", production.flag, reference.flag);
            cases::compareMessages(d, records.productionWindow, productionFrom, records.referenceWindow,
                                   referenceFrom);
            if (!d.text().empty())
                return cases::runFailure(algorithm.name, withChains, d, production.describe());
        }
    }
    return {};
}

void runTupleCases(TupleCaseMaker make, int count,
                   std::span<const TupleAlgorithm> algorithms = TUPLE_ALGORITHMS) {
    cases::compareSeeds(count, [make, algorithms](uint64_t seed, bool& made) {
        return tupleDifferences(seed, make, algorithms, made);
    });
}

TEST(ProcessingTuplesDifferentialTest, SmallCasesAgreeWithReference) {
    runTupleCases(cases::makeSmallTupleCase, cases::randomCaseCount(2000));
}

// Default-sized cases, the known-count and the unknown-count runs apart so that they can run side
// by side.
TEST(ProcessingTuplesDifferentialTest, DefaultSizedKnownCountCasesAgreeWithReference) {
    runTupleCases(cases::makeDefaultTupleCase, std::max(1, cases::randomCaseCount(2000) / 10),
                  std::span<const TupleAlgorithm>(TUPLE_ALGORITHMS).first(2));
}

TEST(ProcessingTuplesDifferentialTest, DefaultSizedUnknownCountCasesAgreeWithReference) {
    runTupleCases(cases::makeDefaultTupleCase, std::max(1, cases::randomCaseCount(2000) / 10),
                  std::span<const TupleAlgorithm>(TUPLE_ALGORITHMS).subspan(2));
}

// Diagnostic texts past their limit are cut alike. Only the unknown-count runs show them.
TEST(ProcessingTuplesDifferentialTest, LongDiagnosticTextsAgreeWithReference) {
    runTupleCases(cases::makeWideTupleCase, std::max(2, cases::randomCaseCount(2000) / 200),
                  std::span<const TupleAlgorithm>(TUPLE_ALGORITHMS).subspan(2));
    cases::TupleCase wide;
    ASSERT_TRUE(cases::makeWideTupleCase(1, wide));
    HeadlessWindow window;
    tessaline::detectUnknownTuples(window, wide.input(), wide.tuple, nullptr, wide.series());
    ASSERT_FALSE(window.messages().empty());
    EXPECT_GT(window.messages()[0].text.size(), 5000u);
}

}  // namespace
}  // namespace tessaline
