// Every detection and recognition algorithm with all memory refused: the one failure result,
// the algorithm's message, and no block left behind.
#include <gtest/gtest.h>

#include <string>

#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/outcome.h"
#include "processing/tuples.h"
#include "processing/unknown.h"
#include "processing/workspace.h"
#include "tests/support/algorithms.h"
#include "tests/support/tuple_cases.h"

namespace tessaline {
namespace {

using cases::TupleCase;

struct RefusedRun {
    const char* name;
    cases::TupleCaseRun run;
    const char* message;  // the first table every run reserves
};

const RefusedRun RUNS[] = {
    {"detectKnownPulses", cases::pulsesOn<detectKnownPulses>, "Нет памяти для ppDw!"},
    {"recognizeKnownPulses", cases::pulsesOn<recognizeKnownPulses>, "Нет памяти для ppDw!"},
    {"detectUnknownPulses", cases::pulsesOn<detectUnknownPulses>, "Нет памяти для EtalonsPartialEnergy!"},
    {"recognizeUnknownPulses", cases::pulsesOn<recognizeUnknownPulses>, "Нет памяти для indexes!"},
    {"detectKnownTuples", cases::detectOn<detectKnownTuples>, "Нет памяти для ppDw!"},
    {"recognizeKnownTuples", cases::recognizeOn<recognizeKnownTuples>, "Нет памяти для ppDw!"},
    {"detectUnknownTuples", cases::detectOn<detectUnknownTuples>, "Нет памяти для EtalonsPartialEnergy!"},
    {"recognizeUnknownTuples", cases::recognizeOn<recognizeUnknownTuples>, "Нет памяти для EtalonsPartialEnergy!"},
};

TEST(ProcessingOutcome, EveryAlgorithmRefusedAllMemorySaysFailed) {
    TupleCase scene;
    ASSERT_TRUE(cases::makeDefaultTupleCase(4, scene));
    HeadlessWindow window;
    ChainsHeader* chains = getChainsHeader(window, 10, scene.series().wMaxPulses, nullptr);
    ASSERT_NE(chains, nullptr);
    for (const RefusedRun& c : RUNS) {
        SCOPED_TRACE(c.name);
        releaseProcessingWorkspace();
        const std::int64_t blocks = memory::outstandingBlocks();
        window.clearRecords();
        int result = 0;
        {
            memory::FailureInjection refuse(1, true);
            result = c.run(window, scene, chains);
        }
        EXPECT_EQ(result, PROCESSING_FAILED);
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0].text, c.message);
        EXPECT_EQ(memory::outstandingBlocks(), blocks);
    }
    freeChainsHeader(chains);
}

}  // namespace
}  // namespace tessaline
