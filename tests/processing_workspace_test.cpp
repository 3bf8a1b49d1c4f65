// The production processing algorithms when their working tables cannot be had (one table refused,
// or all memory from the first table on): each shows its message, returns PROCESSING_FAILED,
// writes nothing and leaves no block behind; and the working tables are reused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/tuples.h"
#include "processing/unknown.h"
#include "processing/workspace.h"
#include "tests/support/algorithms.h"
#include "tests/support/processing_cases.h"
#include "tests/support/tuple_cases.h"

namespace tessaline {
namespace {

using Run = cases::PulsesRun;

struct WorkspaceFailureCase {
    const char* name;
    Run run;
    const char* candidateTablesMessage;  // when the per-candidate tables are refused
    const char* positionTablesMessage;   // when the per-position tables are refused
};

const WorkspaceFailureCase CASES[] = {
    {"detectKnownPulses", detectKnownPulses, "Нет памяти для ppDw!", "Нет памяти для ppDw[m]!"},
    {"recognizeKnownPulses", recognizeKnownPulses, "Нет памяти для ppDw!", "Нет памяти для indexes!"},
    {"detectUnknownPulses", detectUnknownPulses, "Нет памяти для EtalonsPartialEnergy!",
     "Нет памяти для indexes!"},
    {"recognizeUnknownPulses", recognizeUnknownPulses, "Нет памяти для indexes!", "Нет памяти для tables!"},
};

// What a run may write: the found pulses and the result record's counts and best row.
struct Written {
    std::vector<int64_t> values;

    static Written of(const SeriesHeader& series, const ChainsHeader& chains) {
        Written w;
        w.values = {series.wFoundPulses,           chains.wPretenders, chains.wQuanPulses,
                    chains.wSeekingPulsesQuantity, chains.distance[0], chains.pulsesNumber[0]};
        for (int j = 0; j < series.wReservedPulses; ++j) {
            w.values.push_back(series.lpFoundPositions[j]);
            w.values.push_back(series.lpFoundEtalonNumbers[j]);
        }
        return w;
    }
    bool operator==(const Written&) const = default;
};

std::int64_t allocationsOfOneRun(const WorkspaceFailureCase& c, cases::ProcessingCase& scene,
                                 ChainsHeader* chains) {
    HeadlessWindow window;
    releaseProcessingWorkspace();
    const std::int64_t before = memory::allocationCalls();
    c.run(window, scene.input(), chains, *scene.series);
    return memory::allocationCalls() - before;
}

TEST(ProcessingFailures, EveryRefusedTableShowsItsMessageAndWritesNothing) {
    releaseProcessingWorkspace();
    const std::int64_t blocksAtStart = memory::outstandingBlocks();
    for (const WorkspaceFailureCase& c : CASES) {
        cases::ProcessingCase scene;
        ASSERT_TRUE(cases::makeDefaultCase(3, scene));
        HeadlessWindow window;
        ChainsHeader* chains = getChainsHeader(window, 10, scene.series->wMaxPulses, nullptr);
        ASSERT_NE(chains, nullptr);
        const std::int64_t allocations = allocationsOfOneRun(c, scene, chains);
        ASSERT_GT(allocations, 1) << c.name;
        bool sawCandidateMessage = false, sawPositionFailure = false;
        for (std::int64_t failing = 1; failing <= allocations; ++failing) {
            releaseProcessingWorkspace();
            HeadlessWindow local;
            const Written before = Written::of(*scene.series, *chains);
            int result = 0;
            {
                // The first table refused with all memory after it: the failure itself needs none.
                memory::FailureInjection guard(failing, failing == 1);
                result = c.run(local, scene.input(), chains, *scene.series);
            }
            const std::string shown = local.messages().empty() ? "" : local.messages()[0].text;
            SCOPED_TRACE(std::string(c.name) + " failing allocation " + std::to_string(failing));
            ASSERT_LE(local.messages().size(), 1u);
            if (shown == c.candidateTablesMessage) {
                EXPECT_FALSE(sawPositionFailure) << "candidate tables come first";
                sawCandidateMessage = true;
            } else {
                EXPECT_EQ(shown, c.positionTablesMessage);
                sawPositionFailure = true;
            }
            EXPECT_EQ(result, PROCESSING_FAILED);
            EXPECT_EQ(Written::of(*scene.series, *chains), before);
            EXPECT_TRUE(local.messages().empty() || local.messages()[0].caption.empty());
        }
        EXPECT_TRUE(sawCandidateMessage) << c.name;
        EXPECT_TRUE(sawPositionFailure) << c.name;
        freeChainsHeader(chains);
    }
    releaseProcessingWorkspace();
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
}

// A second run on a series no larger than the first allocates nothing.
TEST(ProcessingFailures, WorkingTablesAreReusedBetweenRuns) {
    cases::ProcessingCase scene;
    ASSERT_TRUE(cases::makeDefaultCase(5, scene));
    HeadlessWindow window;
    for (const WorkspaceFailureCase& c : CASES) {
        ChainsHeader* chains = getChainsHeader(window, 10, scene.series->wMaxPulses, nullptr);
        c.run(window, scene.input(), chains, *scene.series);
        const std::int64_t before = memory::allocationCalls();
        c.run(window, scene.input(), chains, *scene.series);
        // The unknown-count runs build their three position sets afresh.
        EXPECT_LE(memory::allocationCalls() - before, 6) << c.name;
        freeChainsHeader(chains);
    }
    EXPECT_TRUE(window.messages().empty());
}

TEST(ProcessingFailures, RecognitionWithoutResultRecordIsRefused) {
    cases::ProcessingCase scene;
    ASSERT_TRUE(cases::makeDefaultCase(2, scene));
    HeadlessWindow window;
    scene.series->wFoundPulses = 7;
    EXPECT_EQ(recognizeUnknownPulses(window, scene.input(), nullptr, *scene.series), PROCESSING_FAILED);
    ASSERT_EQ(window.messages().size(), 1u);
    EXPECT_EQ(window.messages()[0].text, "Не определен lpChainsHeader!");
    EXPECT_EQ(scene.series->wFoundPulses, 7);
}

// The tuples runs, each as a run over one case.
struct TuplesFailureCase {
    const char* name;
    cases::TupleCaseRun run;
    const char* candidateTablesMessage;
    const char* positionTablesMessage;
};

const TuplesFailureCase TUPLE_CASES[] = {
    {"detectKnownTuples", cases::detectOn<detectKnownTuples>, "Нет памяти для ppDw!",
     "Нет памяти для ppDw[m]!"},
    {"recognizeKnownTuples", cases::recognizeOn<recognizeKnownTuples>, "Нет памяти для ppDw!",
     "Нет памяти для ppDw[]!"},
    {"detectUnknownTuples", cases::detectOn<detectUnknownTuples>, "Нет памяти для EtalonsPartialEnergy!",
     "Нет памяти для G_on_layers!"},
    {"recognizeUnknownTuples", cases::recognizeOn<recognizeUnknownTuples>,
     "Нет памяти для EtalonsPartialEnergy!", "Нет памяти для G_on_layers!"},
};

// Every refused table of every tuples run: its message, PROCESSING_FAILED, nothing written, the
// flag untouched.
TEST(ProcessingFailures, EveryRefusedTuplesTableShowsItsMessageAndWritesNothing) {
    releaseProcessingWorkspace();
    const std::int64_t blocksAtStart = memory::outstandingBlocks();
    for (const TuplesFailureCase& c : TUPLE_CASES) {
        cases::TupleCase scene;
        ASSERT_TRUE(cases::makeDefaultTupleCase(4, scene));
        scene.withFlag = true;
        scene.flagAtStart = 1;
        HeadlessWindow window;
        ChainsHeader* chains = getChainsHeader(window, 10, scene.series().wMaxPulses, nullptr);
        releaseProcessingWorkspace();
        const std::int64_t before = memory::allocationCalls();
        c.run(window, scene, chains);
        const std::int64_t allocations = memory::allocationCalls() - before;
        bool sawCandidateMessage = false, sawPositionMessage = false;
        for (std::int64_t failing = 1; failing <= allocations; ++failing) {
            releaseProcessingWorkspace();
            HeadlessWindow local;
            SeriesHeader& series = scene.series();
            series.wFoundTuples = 77;
            series.wFoundSubset = 55;
            const Written written = Written::of(series, *chains);
            int result = -1;
            {
                // The first table refused with all memory after it: the failure itself needs none.
                memory::FailureInjection guard(failing, failing == 1);
                result = c.run(local, scene, chains);
            }
            SCOPED_TRACE(std::string(c.name) + " failing allocation " + std::to_string(failing));
            ASSERT_FALSE(local.messages().empty());
            const std::string shown = local.messages()[0].text;
            if (shown == c.candidateTablesMessage) {
                EXPECT_FALSE(sawPositionMessage) << "candidate tables come first";
                sawCandidateMessage = true;
            } else {
                EXPECT_EQ(shown, c.positionTablesMessage);
                sawPositionMessage = true;
            }
            EXPECT_EQ(result, PROCESSING_FAILED);
            EXPECT_EQ(local.messages().size(), 1u);
            EXPECT_EQ(Written::of(series, *chains), written);
            EXPECT_EQ(series.wFoundTuples, 77);
            EXPECT_EQ(series.wFoundSubset, 55);
            EXPECT_EQ(scene.flag, 1);
        }
        EXPECT_TRUE(sawCandidateMessage) << c.name;
        EXPECT_TRUE(sawPositionMessage) << c.name;
        freeChainsHeader(chains);
    }
    releaseProcessingWorkspace();
    EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
}

}  // namespace
}  // namespace tessaline
