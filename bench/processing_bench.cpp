// Processing of a default series (1200 samples, Tmin 40, Tmax 181, lost data 25 %, noise 20) by the
// plain reference algorithms and by the production ones, case by case.
#include <benchmark/benchmark.h>

#include <numeric>
#include <string>
#include <vector>

#include "model/alphabet.h"
#include "model/random.h"
#include "model/series.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/unknown.h"
#include "tests/literal/literal.h"

namespace tessaline {
namespace {

// The default alphabet and one default series of each kind, made once.
class DefaultScene {
public:
    static DefaultScene& get() {
        static DefaultScene scene;
        return scene;
    }
    ~DefaultScene() {
        freeSeriesHeader(known_);
        freeSeriesHeader(unknown_);
        releaseAlphabet(alphabet_);
    }

    SeriesHeader& series(bool unknownCount) { return unknownCount ? *unknown_ : *known_; }
    ProcessingInput input(int candidates) const {
        ProcessingInput in;
        in.alphabet = std::span<const PulseHeader>(alphabet_, 20);
        in.candidates = std::span<const uint16_t>(all_.data(), static_cast<std::size_t>(candidates));
        in.Tmin = 40;
        in.Tmax = 181;
        in.level = 75;
        return in;
    }

private:
    DefaultScene() {
        uint16_t randomEtalon = RANDOM_ETALON_SEED;
        makeAlphabet(window_, 128, 20, alphabet_, randomEtalon);
        all_.resize(20);
        std::iota(all_.begin(), all_.end(), uint16_t{1});
        known_ = makeSeries(false);
        unknown_ = makeSeries(true);
    }

    SeriesHeader* makeSeries(bool unknownCount) {
        std::vector<uint16_t> sequence(30);
        for (std::size_t i = 0; i < sequence.size(); ++i) sequence[i] = static_cast<uint16_t>(1 + (i * 7) % 20);
        SeriesRequest request;
        request.alphabet = alphabet_;
        request.n = 20;
        request.Tmin = 40;
        request.Tmax = 181;
        request.N = 1200;
        request.K = 18;
        request.sequence = sequence;
        request.A = 128;
        request.level = 75;
        SeriesHeader* made = unknownCount ? getUnfixedCutOffSeries(window_, request, nullptr, states_)
                                          : getCutOffSeries(window_, request, nullptr, states_);
        addNoise(20, *made, states_.dwNoiseSeed);
        return made;
    }

    HeadlessWindow window_;
    PulseHeader alphabet_[20] = {};
    std::vector<uint16_t> all_;
    GeneratorStates states_;
    SeriesHeader* known_ = nullptr;
    SeriesHeader* unknown_ = nullptr;
};

using Algorithm = int (*)(Window&, const ProcessingInput&, ChainsHeader*, SeriesHeader&);

int recognizeUnknownAsInt(Window& w, const ProcessingInput& in, ChainsHeader* c, SeriesHeader& s) {
    return recognizeUnknownPulses(w, in, c, s);
}
int recognizeUnknownLiteralAsInt(Window& w, const ProcessingInput& in, ChainsHeader* c, SeriesHeader& s) {
    return literal::recognizeUnknownPulses(w, in, c, s);
}

void runCase(benchmark::State& state, Algorithm algorithm, bool unknownCount, int candidates) {
    DefaultScene& scene = DefaultScene::get();
    HeadlessWindow window;
    ChainsHeader* chains = getChainsHeader(window, 10, 30, nullptr);
    SeriesHeader& series = scene.series(unknownCount);
    const ProcessingInput input = scene.input(candidates);
    for (auto _ : state) benchmark::DoNotOptimize(algorithm(window, input, chains, series));
    freeChainsHeader(chains);
}

// Each case twice: "<case>/literal", the plain reference algorithm, then "<case>/fast".
void registerCase(const char* name, Algorithm literalAlgorithm, Algorithm fastAlgorithm, bool unknownCount,
                  int candidates) {
    const std::string base(name);
    benchmark::RegisterBenchmark((base + "/literal").c_str(), runCase, literalAlgorithm, unknownCount, candidates)
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
