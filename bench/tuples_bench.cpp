// Tuples processing of a default tuple series (1200 samples, Tmin 40, Tmax 181, noise 20, whole
// pulses following the tuple 3, 7, 12) by the plain reference algorithms and the production ones.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/scene.h"
#include "processing/chains.h"
#include "processing/tuples.h"
#include "tests/literal/literal.h"

namespace tessaline {
namespace {

// Three candidate tuples of three etalons; the series follows the first.
const int32_t TUPLE_A[] = {3, 7, 12};
const int32_t TUPLE_B[] = {1, 5, 9};
const int32_t TUPLE_C[] = {12, 3, 7};
const int32_t SIZES[] = {3, 3, 3};
const int32_t* const ROWS[] = {TUPLE_A, TUPLE_B, TUPLE_C};

using Detect = int (*)(MessageSink&, const TuplesInput&, std::span<const int32_t>, ChainsHeader*,
                       SeriesHeader&);
using Recognize = int (*)(MessageSink&, const TuplesInput&, std::span<const int32_t>,
                          std::span<const int32_t* const>, ChainsHeader*, SeriesHeader&);

TuplesInput defaultInput(uint16_t proceeding) {
    TuplesInput input;
    input.alphabet = bench::DefaultScene::get().alphabet();
    input.proceeding = proceeding;
    input.Tmin = 40;
    input.Tmax = 181;
    input.level = 100;
    return input;
}

void runDetection(benchmark::State& state, Detect detect, bool unknownCount, uint16_t proceeding) {
    HeadlessWindow window;
    ChainsHeader* chains = getChainsHeader(window, 10, 30, nullptr);
    SeriesHeader& series = bench::DefaultScene::get().series(bench::SeriesKind::Tuples, unknownCount);
    const TuplesInput input = defaultInput(proceeding);
    for (auto _ : state)
        benchmark::DoNotOptimize(detect(window, input, std::span<const int32_t>(TUPLE_A), chains, series));
    freeChainsHeader(chains);
}

void runRecognition(benchmark::State& state, Recognize recognize, bool unknownCount, uint16_t proceeding) {
    HeadlessWindow window;
    ChainsHeader* chains = getChainsHeader(window, 10, 30, nullptr);
    SeriesHeader& series = bench::DefaultScene::get().series(bench::SeriesKind::Tuples, unknownCount);
    const TuplesInput input = defaultInput(proceeding);
    for (auto _ : state)
        benchmark::DoNotOptimize(recognize(window, input, std::span<const int32_t>(SIZES),
                                           std::span<const int32_t* const>(ROWS), chains, series));
    freeChainsHeader(chains);
}

template <class Function, class Runner>
void registerPair(const std::string& name, Runner runner, Function literalFunction, Function fastFunction,
                  bool unknownCount, uint16_t proceeding) {
    benchmark::RegisterBenchmark((name + "/literal").c_str(), runner, literalFunction, unknownCount,
                                 proceeding)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark((name + "/fast").c_str(), runner, fastFunction, unknownCount, proceeding)
        ->Unit(benchmark::kMillisecond);
}

const bool registered = [] {
    for (uint16_t proceeding : {1, 2}) {
        const std::string mode = "_mode" + std::to_string(proceeding);
        registerPair<Detect>("tuples_detection_known" + mode, runDetection, literal::detectKnownTuples,
                             detectKnownTuples, false, proceeding);
        registerPair<Recognize>("tuples_recognition_known" + mode, runRecognition,
                                literal::recognizeKnownTuples, recognizeKnownTuples, false, proceeding);
    }
    // The unknown-count runs start every chain at the tuple's first element whatever the mode.
    registerPair<Detect>("tuples_detection_unknown", runDetection, literal::detectUnknownTuples,
                         detectUnknownTuples, true, 1);
    registerPair<Recognize>("tuples_recognition_unknown", runRecognition, literal::recognizeUnknownTuples,
                            recognizeUnknownTuples, true, 1);
    return true;
}();

}  // namespace
}  // namespace tessaline
