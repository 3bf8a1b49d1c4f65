// Which algorithm a task runs on each series type: the one table the command chain and the
// simulation share.
#include <gtest/gtest.h>

#include "model/codes.h"
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

}  // namespace
}  // namespace tessaline
