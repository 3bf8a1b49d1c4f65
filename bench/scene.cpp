#include "bench/scene.h"

#include <numeric>

#include "model/alphabet.h"
#include "model/series.h"
#include "model/subsets.h"

namespace tessaline::bench {

DefaultScene& DefaultScene::get() {
    static DefaultScene scene;
    return scene;
}

DefaultScene::DefaultScene() {
    uint16_t randomEtalon = RANDOM_ETALON_SEED;
    makeAlphabet(window_, 128, 20, alphabet_, randomEtalon);
    all_.resize(20);
    std::iota(all_.begin(), all_.end(), uint16_t{1});
    for (SeriesKind kind : {SeriesKind::Mixed, SeriesKind::Tuples}) {
        for (bool unknownCount : {false, true}) {
            series_[static_cast<int>(kind)][unknownCount] = makeSeries(kind, unknownCount);
        }
    }
}

DefaultScene::~DefaultScene() {
    for (auto& kind : series_) {
        for (SeriesHeader* series : kind) freeSeriesHeader(series);
    }
    releaseAlphabet(alphabet_);
}

SeriesHeader& DefaultScene::series(SeriesKind kind, bool unknownCount) {
    return *series_[static_cast<int>(kind)][unknownCount];
}

SeriesHeader* DefaultScene::makeSeries(SeriesKind kind, bool unknownCount) {
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
    request.level = kind == SeriesKind::Mixed ? 75 : 100;
    SeriesHeader* made = nullptr;
    if (kind == SeriesKind::Tuples) {
        made = getCutOffSeriesHeader(window_, 20, 20, 40, 181, 1200, nullptr);
        const int32_t tuple[] = {3, 7, 12};
        setSeriesSubset(tuple, EMPLOY_COMPLETE, 1, made);
    }
    made = unknownCount ? getUnfixedCutOffSeries(window_, request, made, states_)
                        : getCutOffSeries(window_, request, made, states_);
    addNoise(20, *made, states_.dwNoiseSeed);
    return made;
}

}  // namespace tessaline::bench
