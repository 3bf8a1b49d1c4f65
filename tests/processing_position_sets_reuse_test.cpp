// Unknown-count runs keep the position sets' marks between repeats of the same series shape and
// gaps. Runs one after another on one thread, each changing one of them, must each find what the
// reference run finds with sets built afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/workspace.h"
#include "tests/support/algorithms.h"
#include "tests/support/differential.h"
#include "tests/support/processing_cases.h"

namespace tessaline {
namespace {

// One run of the sequence: the shape and gaps as changes from the case's own.
struct Step {
    const char* name;
    int shorter;   // samples left off the end of the series
    int narrower;  // samples left off the pulses
    int Tmin;      // added to the least gap
    int Tmax;      // taken from the greatest gap
    int Mn;        // added to the least pulse count
    int Mx;        // taken from the greatest pulse count
};

const Step STEPS[] = {
    {"the case as made", 0, 0, 0, 0, 0, 0},         {"the same again", 0, 0, 0, 0, 0, 0},
    {"a shorter series", 97, 0, 0, 0, 0, 0},        {"shorter pulses", 97, 3, 0, 0, 0, 0},
    {"a larger least gap", 97, 3, 9, 0, 0, 0},      {"a smaller greatest gap", 97, 3, 9, 11, 0, 0},
    {"more pulses at least", 97, 3, 9, 11, 1, 0},   {"fewer pulses at most", 97, 3, 9, 11, 1, 1},
    {"back to the case as made", 0, 0, 0, 0, 0, 0},
};

std::string runStep(uint64_t seed, const Step& step, cases::PulsesRun production,
                    cases::PulsesRun reference) {
    cases::ProcessingCase made[2];
    for (cases::ProcessingCase& c : made) {
        if (!cases::makeDefaultCase(seed, c)) return "no case for seed " + std::to_string(seed);
        SeriesHeader& series = *c.series;
        series.dwSeriesSize -= static_cast<uint32_t>(step.shorter);
        series.wImpulseSize = static_cast<uint16_t>(series.wImpulseSize - step.narrower);
        c.Tmin = static_cast<uint16_t>(c.Tmin + step.Tmin);
        c.Tmax = static_cast<uint16_t>(std::max<int>(c.Tmin, c.Tmax - step.Tmax));
        series.wMinPulses = static_cast<uint16_t>(series.wMinPulses + step.Mn);
        series.wMaxPulses =
            static_cast<uint16_t>(std::max<int>(series.wMinPulses, series.wMaxPulses - step.Mx));
    }
    cases::ResultRecords records(seed, made[0].series->wMaxPulses);
    production(records.productionWindow, made[0].input(), records.production, *made[0].series);
    reference(records.referenceWindow, made[1].input(), records.reference, *made[1].series);
    cases::Differences d;
    cases::compareSeries(d, *made[0].series, *made[1].series);
    cases::compareChains(d, *records.production, *records.reference);
    return d.text();
}

struct ReusedAlgorithm {
    const char* name;
    cases::PulsesRun production;
    cases::PulsesRun reference;
};

TEST(PositionSetsReuseTest, EveryChangeOfShapeOrGapsIsSeen) {
    const ReusedAlgorithm algorithms[] = {
        {"detectUnknownPulses", cases::PRODUCTION.detectUnknownPulses, cases::REFERENCE.detectUnknownPulses},
        {"recognizeUnknownPulses", cases::PRODUCTION.recognizeUnknownPulses,
         cases::REFERENCE.recognizeUnknownPulses},
    };
    for (const ReusedAlgorithm& algorithm : algorithms) {
        releaseProcessingWorkspace();
        for (uint64_t seed : {3u, 8u}) {
            for (const Step& step : STEPS) {
                EXPECT_EQ(runStep(seed, step, algorithm.production, algorithm.reference), "")
                    << algorithm.name << ", seed " << seed << ": " << step.name;
            }
        }
    }
}

}  // namespace
}  // namespace tessaline
