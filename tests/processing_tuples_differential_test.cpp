// The production tuples algorithms against the plain reference versions, on thousands of random
// tuple series: every result field of the series record and of the result record, the
// diagnostics flag and every message shown must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <sstream>
#include <string>

#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/tuples.h"
#include "tests/literal/literal.h"
#include "tests/support/result_comparison.h"
#include "tests/support/tuple_cases.h"

namespace tessaline {
namespace {

using cases::compareChains;
using cases::compareMessages;
using cases::compareSeries;
using cases::Differences;

using Run = int (*)(MessageSink&, cases::TupleCase&, ChainsHeader*);

template <auto Detect>
int detect(MessageSink& window, cases::TupleCase& c, ChainsHeader* chains) {
    return Detect(window, c.input(), c.tuple, chains, c.series());
}

template <auto Recognize>
int recognize(MessageSink& window, cases::TupleCase& c, ChainsHeader* chains) {
    return Recognize(window, c.input(), c.sizes, c.rows, chains, c.series());
}

struct Algorithm {
    const char* name;
    Run production;
    Run reference;
};

const Algorithm ALGORITHMS[] = {
    {"detectKnownTuples", detect<tessaline::detectKnownTuples>, detect<literal::detectKnownTuples>},
    {"recognizeKnownTuples", recognize<tessaline::recognizeKnownTuples>, recognize<literal::recognizeKnownTuples>},
    {"detectUnknownTuples", detect<tessaline::detectUnknownTuples>, detect<literal::detectUnknownTuples>},
    {"recognizeUnknownTuples", recognize<tessaline::recognizeUnknownTuples>,
     recognize<literal::recognizeUnknownTuples>},
};

// Result fields as an earlier run would have left them, so that a field a run must write (or
// must leave alone) shows when it is not.
void leaveStaleResults(SeriesHeader& series) {
    series.wFoundSubset = 9;
    series.wFoundTuples = 1;
    series.lpTupleFirsts[0] = 4;
    series.lpTupleLasts[0] = 6;
}

using CaseMaker = bool (*)(uint64_t, cases::TupleCase&);

// Runs every algorithm on two copies of the case made from the same seed: the reference once with
// a result record, production with and then without one. What a run writes into the series
// record does not depend on the result record, so both production runs answer to the one
// reference run. Returns the first difference, naming the algorithm.
std::string differences(uint64_t seed, CaseMaker make, std::span<const Algorithm> algorithms, bool& made) {
    cases::TupleCase production, reference;
    made = make(seed, production);
    if (!made) return {};
    EXPECT_TRUE(make(seed, reference)) << production.describe();

    cases::CaseRandom random(seed ^ 0x5eedull);
    const uint16_t Mx = production.series().wMaxPulses;
    const auto rows = static_cast<uint16_t>(random.between(1, 10));
    // Usually room for the longest chain; now and then too little, so some chains are refused.
    const auto pulses = static_cast<uint16_t>(random.oneIn(6) ? random.between(0, Mx) : Mx);
    HeadlessWindow productionWindow, referenceWindow;
    ChainsHeader* productionChains = cases::makeStaleChains(productionWindow, rows, pulses);
    ChainsHeader* referenceChains = cases::makeStaleChains(referenceWindow, rows, pulses);

    std::string failure;
    for (const Algorithm& algorithm : algorithms) {
        leaveStaleResults(reference.series());
        const std::size_t referenceFrom = referenceWindow.messages().size();
        const std::int64_t blocks = memory::outstandingBlocks();
        const int referenceResult = algorithm.reference(referenceWindow, reference, referenceChains);
        const std::int64_t referenceLeft = memory::outstandingBlocks() - blocks;
        for (bool withChains : {true, false}) {
            leaveStaleResults(production.series());
            const std::size_t productionFrom = productionWindow.messages().size();
            const int productionResult =
                algorithm.production(productionWindow, production, withChains ? productionChains : nullptr);
            Differences d;
            d.compare("result", productionResult, referenceResult);
            d.compare("blocks left by the reference run", referenceLeft, std::int64_t{0});
            compareSeries(d, production.series(), reference.series());
            compareChains(d, *productionChains, *referenceChains);
            d.compare("diagnostics flag", production.flag, reference.flag);
            compareMessages(d, productionWindow, productionFrom, referenceWindow, referenceFrom);
            if (!d.text().empty()) {
                std::ostringstream out;
                out << algorithm.name << (withChains ? " with" : " without") << " result record: " << d.text()
                    << "\n  " << production.describe();
                failure = out.str();
                break;
            }
        }
        if (!failure.empty()) break;
    }
    freeChainsHeader(productionChains);
    freeChainsHeader(referenceChains);
    return failure;
}

void runCases(CaseMaker make, int count, std::span<const Algorithm> algorithms = ALGORITHMS) {
    int made = 0, failures = 0;
    for (int seed = 1; seed <= count && failures < 3; ++seed) {
        bool caseMade = false;
        const std::string failure = differences(static_cast<uint64_t>(seed), make, algorithms, caseMade);
        if (caseMade) ++made;
        if (!failure.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ": " << failure;
        }
    }
    // Most seeds must give a case, or the test would check little.
    EXPECT_GE(made, count / 2) << made << " of " << count << " seeds made a case";
}

TEST(ProcessingTuplesDifferentialTest, SmallCasesAgreeWithReference) {
    runCases(cases::makeSmallTupleCase, cases::randomCaseCount(2000));
}

// Default-sized cases, the known-count and the unknown-count runs apart so that they can run side
// by side.
TEST(ProcessingTuplesDifferentialTest, DefaultSizedKnownCountCasesAgreeWithReference) {
    runCases(cases::makeDefaultTupleCase, std::max(1, cases::randomCaseCount(2000) / 10),
             std::span<const Algorithm>(ALGORITHMS).first(2));
}

TEST(ProcessingTuplesDifferentialTest, DefaultSizedUnknownCountCasesAgreeWithReference) {
    runCases(cases::makeDefaultTupleCase, std::max(1, cases::randomCaseCount(2000) / 10),
             std::span<const Algorithm>(ALGORITHMS).subspan(2));
}

// Diagnostic texts past their limit are cut alike. Only the unknown-count runs show them.
TEST(ProcessingTuplesDifferentialTest, LongDiagnosticTextsAgreeWithReference) {
    runCases(cases::makeWideTupleCase, std::max(2, cases::randomCaseCount(2000) / 200),
             std::span<const Algorithm>(ALGORITHMS).subspan(2));
    cases::TupleCase wide;
    ASSERT_TRUE(cases::makeWideTupleCase(1, wide));
    HeadlessWindow window;
    tessaline::detectUnknownTuples(window, wide.input(), wide.tuple, nullptr, wide.series());
    ASSERT_FALSE(window.messages().empty());
    EXPECT_GT(window.messages()[0].text.size(), 5000u);
}

}  // namespace
}  // namespace tessaline
