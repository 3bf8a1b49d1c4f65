// Processing of a default series (1200 samples, Tmin 40, Tmax 181, lost data 25 %, noise 20) by the
// plain reference algorithms and by the production ones, case by case.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/scene.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/unknown.h"
#include "tests/literal/literal.h"

namespace tessaline {
namespace {

using Algorithm = int (*)(MessageSink&, const ProcessingInput&, ChainsHeader*, SeriesHeader&);

int recognizeUnknownAsInt(MessageSink& w, const ProcessingInput& in, ChainsHeader* c, SeriesHeader& s) {
    return recognizeUnknownPulses(w, in, c, s);
}
int recognizeUnknownLiteralAsInt(MessageSink& w, const ProcessingInput& in, ChainsHeader* c,
                                 SeriesHeader& s) {
    return literal::recognizeUnknownPulses(w, in, c, s);
}

void runCase(benchmark::State& state, Algorithm algorithm, bool unknownCount, int candidates) {
    bench::DefaultScene& scene = bench::DefaultScene::get();
    HeadlessWindow window;
    ChainsHeader* chains = getChainsHeader(window, 10, 30, nullptr);
    SeriesHeader& series = scene.series(bench::SeriesKind::Mixed, unknownCount);
    ProcessingInput input;
    input.alphabet = scene.alphabet();
    input.candidates = scene.allEtalons().first(static_cast<std::size_t>(candidates));
    input.Tmin = 40;
    input.Tmax = 181;
    input.level = 75;
    for (auto _ : state) benchmark::DoNotOptimize(algorithm(window, input, chains, series));
    freeChainsHeader(chains);
}

// Each case twice: "<case>/literal", the plain reference algorithm, then "<case>/fast".
void registerCase(const char* name, Algorithm literalAlgorithm, Algorithm fastAlgorithm, bool unknownCount,
                  int candidates) {
    const std::string base(name);
    benchmark::RegisterBenchmark((base + "/literal").c_str(), runCase, literalAlgorithm, unknownCount,
                                 candidates)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark((base + "/fast").c_str(), runCase, fastAlgorithm, unknownCount, candidates)
        ->Unit(benchmark::kMillisecond);
}

const bool registered = [] {
    registerCase("joint_known_20", literal::detectKnownPulses, detectKnownPulses, false, 20);
    registerCase("joint_unknown_20", literal::detectUnknownPulses, detectUnknownPulses, true, 20);
    registerCase("recognition_known_20", literal::recognizeKnownPulses, recognizeKnownPulses, false, 20);
    registerCase("recognition_unknown_20", recognizeUnknownLiteralAsInt, recognizeUnknownAsInt, true, 20);
    registerCase("detection_known_1", literal::detectKnownPulses, detectKnownPulses, false, 1);
    registerCase("detection_unknown_1", literal::detectUnknownPulses, detectUnknownPulses, true, 1);
    return true;
}();

}  // namespace
}  // namespace tessaline
