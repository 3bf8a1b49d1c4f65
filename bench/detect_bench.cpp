// Detection on a long recording: 100,000 samples, two etalons of 100 samples, the count free, the
// gain-offset fit with a pulse's cost, gaps 150..1000; the plain reference programme (every fit summed
// afresh, every predecessor looked at) against the production run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "detect/detection.h"
#include "tests/support/case_random.h"
#include "tests/support/detect_reference.h"

namespace tessaline {
namespace {

constexpr int64_t SAMPLES = 100000, LENGTH = 100, TMIN = 150, TMAX = 1000, PENALTY = 200000;

// Gaussian bumps and a biphasic pulse every 700 samples in uniform noise.
const DetectSamples& recording() {
    static const DetectSamples samples = [] {
        DetectSamples s;
        cases::CaseRandom random(100000);
        s.series.resize(SAMPLES);
        for (int16_t& x : s.series) x = static_cast<int16_t>(random.between(-150, 150));
        s.etalons.assign(2, std::vector<int16_t>(LENGTH));
        for (int64_t t = 0; t < LENGTH; ++t) {
            const double bell = std::exp(-std::pow((static_cast<double>(t) - 50.0) / 10.0, 2.0));
            s.etalons[0][t] = static_cast<int16_t>(1000.0 * bell);
            s.etalons[1][t] = static_cast<int16_t>(800.0 * std::sin(static_cast<double>(t) / 8.0) * bell);
        }
        for (int64_t p = 200, k = 0; p + LENGTH < SAMPLES; p += 700, ++k) {
            for (int64_t t = 0; t < LENGTH; ++t)
                s.series[p + t] = static_cast<int16_t>(s.series[p + t] + s.etalons[k % 2][t]);
        }
        return s;
    }();
    return samples;
}

DetectRequest request() {
    DetectRequest r;
    r.tmin = TMIN;
    r.tmax = TMAX;
    r.fit = FitKind::GainOffset;
    r.penalty = PENALTY;
    return r;
}

void literalDetection(benchmark::State& state) {
    const DetectSamples& s = recording();
    const reference::Placement placement{SAMPLES, LENGTH, TMIN, TMAX};
    const DetectRequest r = request();
    for (auto _ : state) {
        std::vector<int64_t> row(SAMPLES - LENGTH + 1);
        for (int64_t k = 0; k < std::ssize(row); ++k) {
            row[k] = std::min(reference::gainFit(s.series, s.etalons[0], k, r.gainLeast, r.gainMost, true),
                              reference::gainFit(s.series, s.etalons[1], k, r.gainLeast, r.gainMost, true)) +
                     PENALTY;
        }
        benchmark::DoNotOptimize(reference::bestFreeChainTotal(placement, row, false));
    }
}

void runOnce(benchmark::State& state, const DetectRequest& r) {
    const DetectSamples& s = recording();
    for (auto _ : state) {
        DetectResult result;
        std::string failure;
        checkDetectCounts(r, s, KEYWORD_NAMES, result.least, result.most);
        benchmark::DoNotOptimize(runDetection(r, s, result, failure));
    }
}

void fastDetection(benchmark::State& state) { runOnce(state, request()); }

// The recipe for a recording: no greatest gap, the cost and the shape rule read off the series.
void automaticDetection(benchmark::State& state) {
    DetectRequest r = request();
    r.tmax.reset();
    r.penalty.reset();
    r.automaticPenalty = true;
    runOnce(state, r);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("detect_gain_offset_100k/literal", literalDetection)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark("detect_gain_offset_100k/fast", fastDetection)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("detect_gain_offset_100k/automatic", automaticDetection)
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
}  // namespace tessaline
