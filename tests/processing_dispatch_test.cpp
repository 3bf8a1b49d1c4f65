// Which algorithm a task runs on each series type: the one table the command chain and the
// simulation share; and what each algorithm's return value means to them.
#include <gtest/gtest.h>

#include "model/codes.h"
#include "platform/collecting_sink.h"
#include "processing/dispatch.h"

namespace tessaline {
namespace {

TEST(AlgorithmFor, TaskAndSeriesTypeChooseTheAlgorithmAndItsCount) {
    using A = Algorithm;
    const struct {
        uint16_t task, series;
        Algorithm expected;
    } cases[] = {
        {TASK_RECOGNITION, SERIES_UNFIXED_CUTOFF, A::RecognizeUnknownPulses},
        {TASK_RECOGNITION, SERIES_UNFIXED_TUPLES, A::RecognizeKnownPulses},
        {TASK_RECOGNITION, SERIES_FIXED_WHOLE, A::RecognizeKnownPulses},
        {TASK_TUPLES_DETECTION, SERIES_UNFIXED_WHOLE, A::DetectUnknownTuples},
        {TASK_TUPLES_DETECTION, SERIES_UNFIXED_TUPLES, A::DetectUnknownTuples},
        {TASK_TUPLES_DETECTION, SERIES_FIXED_TUPLES, A::DetectKnownTuples},
        {TASK_TUPLES_RECOGNITION, SERIES_UNFIXED_TUPLES, A::RecognizeUnknownTuples},
        {TASK_TUPLES_RECOGNITION, SERIES_FIXED_TUPLES, A::RecognizeKnownTuples},
        {TASK_DETECTION, SERIES_UNFIXED_CUTOFF, A::DetectUnknownPulses},
        {TASK_SERIES_PROCESSING, SERIES_UNFIXED_TUPLES, A::DetectKnownPulses},
        {TASK_JOINT, SERIES_FIXED_CUTOFF, A::DetectKnownPulses},
    };
    for (const auto& c : cases)
        EXPECT_EQ(algorithmFor(c.task, c.series), c.expected) << c.task << " " << c.series;
}

constexpr ProcessingStatus DONE = ProcessingStatus::Done, NONE = ProcessingStatus::NoneAccepted,
                           FAILED = ProcessingStatus::Failed;

TEST(DecodeOutcome, EachAlgorithmsReturnValueIsReadInItsOwnConvention) {
    using A = Algorithm;
    const struct {
        Algorithm algorithm;
        int raw;
        ProcessingStatus status;
        int recognised;
    } cases[] = {
        {A::DetectKnownPulses, 1, DONE, 0},
        {A::DetectKnownPulses, PROCESSING_FAILED, FAILED, 0},
        {A::DetectUnknownPulses, 1, DONE, 0},
        {A::DetectUnknownPulses, PROCESSING_FAILED, FAILED, 0},
        {A::DetectKnownTuples, 1, DONE, 0},
        {A::DetectKnownTuples, PROCESSING_FAILED, FAILED, 0},
        {A::DetectUnknownTuples, 1, DONE, 0},
        {A::DetectUnknownTuples, PROCESSING_FAILED, FAILED, 0},
        // Recognition with a known count: an etalon number, or -1 for none accepted.
        {A::RecognizeKnownPulses, 37, DONE, 37},
        {A::RecognizeKnownPulses, -1, NONE, 0},
        {A::RecognizeKnownPulses, PROCESSING_FAILED, FAILED, 0},
        // With an unknown count none accepted is 65535, and -1 is no value of it.
        {A::RecognizeUnknownPulses, 5, DONE, 5},
        {A::RecognizeUnknownPulses, 65535, NONE, 0},
        {A::RecognizeUnknownPulses, PROCESSING_FAILED, FAILED, 0},
        // The tuples recognitions: a 1-based tuple number, or 0.
        {A::RecognizeKnownTuples, 4, DONE, 4},
        {A::RecognizeKnownTuples, 0, NONE, 0},
        {A::RecognizeKnownTuples, PROCESSING_FAILED, FAILED, 0},
        {A::RecognizeUnknownTuples, 2, DONE, 2},
        {A::RecognizeUnknownTuples, 0, NONE, 0},
        {A::RecognizeUnknownTuples, PROCESSING_FAILED, FAILED, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "algorithm " << static_cast<int>(c.algorithm) << ", raw " << c.raw);
        const ProcessingOutcome outcome = decodeOutcome(c.algorithm, c.raw);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.recognised, c.recognised);
        EXPECT_EQ(outcome.raw, c.raw);
        EXPECT_EQ(outcome.failed(), c.status == FAILED);
    }
}

// Stand-ins that say which of them ran and return what the case asks.
int called = -1;
int answer = 0;
template <int N>
int pulsesStub(MessageSink&, const ProcessingInput&, ChainsHeader*, SeriesHeader&) {
    called = N;
    return answer;
}
template <int N>
int tupleStub(MessageSink&, const TuplesInput&, std::span<const int32_t>, ChainsHeader*, SeriesHeader&) {
    called = N;
    return answer;
}
template <int N>
int tuplesStub(MessageSink&, const TuplesInput&, std::span<const int32_t>, std::span<const int32_t* const>,
               ChainsHeader*, SeriesHeader&) {
    called = N;
    return answer;
}

TEST(RunProcessing, RunsTheChosenAlgorithmAndDecodesWhatItReturned) {
    const ProcessingAlgorithms stubs{pulsesStub<0>, pulsesStub<1>, pulsesStub<2>, pulsesStub<3>,
                                     tupleStub<4>,  tupleStub<6>,  tuplesStub<5>, tuplesStub<7>};
    using A = Algorithm;
    const struct {
        Algorithm algorithm;
        int slot;  // the member of ProcessingAlgorithms that must run
        int raw;
        ProcessingStatus status;
    } cases[] = {
        {A::DetectKnownPulses, 0, 1, DONE},
        {A::RecognizeKnownPulses, 1, -1, NONE},
        {A::DetectUnknownPulses, 2, 1, DONE},
        {A::RecognizeUnknownPulses, 3, 65535, NONE},
        {A::DetectKnownTuples, 4, PROCESSING_FAILED, FAILED},
        {A::RecognizeKnownTuples, 5, 0, NONE},
        {A::DetectUnknownTuples, 6, 1, DONE},
        {A::RecognizeUnknownTuples, 7, 3, DONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "algorithm " << static_cast<int>(c.algorithm));
        CollectingSink messages;
        SeriesHeader series{};
        called = -1;
        answer = c.raw;
        const ProcessingOutcome outcome = runProcessing(messages, stubs, c.algorithm, {}, nullptr, series);
        EXPECT_EQ(called, c.slot);
        EXPECT_EQ(outcome, decodeOutcome(c.algorithm, c.raw));
        EXPECT_EQ(outcome.status, c.status);
    }
}

}  // namespace
}  // namespace tessaline
