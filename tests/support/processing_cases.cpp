#include "tests/support/processing_cases.h"

#include <algorithm>
#include <sstream>

#include "model/alphabet.h"
#include "model/random.h"
#include "model/series.h"
#include "platform/headless.h"

namespace tessaline::cases {

namespace {

GeneratorStates drawStates(CaseRandom& random) {
    auto state = [&] { return static_cast<uint16_t>(random.between(0, 32767)); };
    GeneratorStates states;
    states.wSegmentStartState = state();
    states.wSegmentEndState = state();
    states.wPlacementState = state();
    states.wPulseCountState = state();
    states.dwNoiseSeed = state();
    return states;
}

// Points the alphabet records at the samples; an etalon with `withoutData` set has none.
void pointAlphabet(ProcessingCase& out, int withoutData) {
    out.alphabet.clear();
    for (std::size_t i = 0; i < out.samples.size(); ++i) {
        std::vector<int16_t>& samples = out.samples[i];
        const bool none = static_cast<int>(i) == withoutData;
        const auto size = static_cast<uint16_t>(samples.size());
        out.alphabet.push_back({size, size, static_cast<int16_t>(i + 1), none ? nullptr : samples.data()});
    }
}

std::vector<uint16_t> drawCandidates(CaseRandom& random, int k, bool withUnknown) {
    std::vector<uint16_t> candidates(static_cast<std::size_t>(random.between(1, 6)));
    for (uint16_t& number : candidates) {
        if (withUnknown && random.oneIn(12)) {
            number = random.oneIn(2) ? 0 : static_cast<uint16_t>(k + random.between(1, 3));
        } else {
            number = static_cast<uint16_t>(random.between(1, k));
        }
    }
    return candidates;
}

// Makes the series with the case's settings and adds the noise. False when the settings admit no
// series or the makers refused them.
bool makeSeries(ProcessingCase& out, CaseRandom& random, uint16_t n, uint16_t Tmin, uint16_t Tmax, uint32_t N,
                int16_t A) {
    const uint32_t m = leastPulseCount(N, n, Tmax);
    const uint32_t u = mostPulseCount(N, n, Tmin);
    if (u < m) return false;
    HeadlessWindow window;
    GeneratorStates states = drawStates(random);
    std::vector<uint16_t> sequence(u);
    for (uint16_t& number : sequence) number = static_cast<uint16_t>(random.between(1, out.alphabet.size()));
    SeriesRequest request;
    request.alphabet = out.alphabet;
    request.n = n;
    request.Tmin = Tmin;
    request.Tmax = Tmax;
    request.N = N;
    request.K = static_cast<uint16_t>(random.between(m, u));
    request.sequence = sequence;
    request.A = A;
    request.level = out.makingLevel;
    out.series = out.fixedCount ? getCutOffSeries(window, request, nullptr, states)
                                : getUnfixedCutOffSeries(window, request, nullptr, states);
    if (out.series == nullptr || !window.messages().empty() || out.series->wImpulseQuantity == 0)
        return false;
    addNoise(out.noise, *out.series, states.dwNoiseSeed);
    return true;
}

}  // namespace

std::string ProcessingCase::describe() const {
    std::ostringstream text;
    text << (defaultSized ? "default-sized" : "small") << " case, seed " << seed << ": k=" << alphabet.size();
    if (series != nullptr) {
        text << " n=" << series->wImpulseSize << " N=" << series->dwSeriesSize << " series gaps "
             << series->wTmin << ".." << series->wTmax << " K=" << series->wImpulseQuantity << " counts "
             << series->wMinPulses << ".." << series->wMaxPulses;
    }
    text << " gaps " << Tmin << ".." << Tmax << " level=" << level << " making=" << makingLevel
         << " noise=" << noise << (fixedCount ? " fixed" : " drawn") << " candidates";
    for (uint16_t number : candidates) text << ' ' << number;
    return text.str();
}

bool makeSmallCase(uint64_t seed, ProcessingCase& out) {
    CaseRandom random(seed);
    out.seed = seed;
    out.defaultSized = false;
    const int k = static_cast<int>(random.between(1, 8));
    const auto n = static_cast<uint16_t>(random.between(1, 8));
    const int style = static_cast<int>(random.between(0, 3));
    const auto A = static_cast<int16_t>(random.between(1, 300));
    out.samples.assign(static_cast<std::size_t>(k), {});
    for (int i = 0; i < k; ++i) {
        std::vector<int16_t>& samples = out.samples[static_cast<std::size_t>(i)];
        if (style == 2 && i > 0 && random.oneIn(2)) {  // a copy of an earlier etalon: equal fits
            samples = out.samples[static_cast<std::size_t>(random.between(0, i - 1))];
            continue;
        }
        samples.resize(n + (random.oneIn(4) ? static_cast<std::size_t>(random.between(1, 3)) : 0));
        const bool silent = style == 3 && random.oneIn(2);
        for (int16_t& sample : samples) {
            if (silent)
                sample = 0;
            else if (style == 1)
                sample = static_cast<int16_t>(random.between(-2, 2));
            else
                sample = static_cast<int16_t>(random.between(-A, A));
        }
    }
    int withoutData = -1;
    if (k >= 2 && random.oneIn(6)) {  // one etalon that cannot be tried: too short or no samples
        const int broken = static_cast<int>(random.between(0, k - 1));
        if (n >= 2 && random.oneIn(2))
            out.samples[static_cast<std::size_t>(broken)].resize(n - 1u);
        else
            withoutData = broken;
    }
    pointAlphabet(out, withoutData);

    const auto N = static_cast<uint32_t>(random.between(10, 200));
    const auto Tmax =
        static_cast<uint16_t>(random.between(n, std::max<int64_t>(n, std::min<int64_t>(N, 90))));
    const auto Tmin = static_cast<uint16_t>(random.oneIn(3) ? random.between(std::max(1, Tmax - 3), Tmax)
                                                            : random.between(1, Tmax));
    out.fixedCount = random.oneIn(2);
    out.makingLevel = static_cast<uint16_t>(random.oneIn(3) ? 100 : random.between(0, 100));
    if (random.oneIn(10))
        out.level = static_cast<uint16_t>(random.between(100, 200));
    else if (random.oneIn(3))
        out.level = out.makingLevel;
    else
        out.level = static_cast<uint16_t>(random.between(0, 100));
    out.noise = static_cast<uint16_t>(random.oneIn(5) ? 0 : random.between(0, 150));
    out.candidates = drawCandidates(random, k, true);
    out.Tmin = Tmin;
    out.Tmax = Tmax;
    if (random.oneIn(8)) {  // gaps off the series' own: empty windows and unreachable positions
        out.Tmin = static_cast<uint16_t>(std::max<int64_t>(1, Tmin + random.between(-3, 3)));
        out.Tmax = static_cast<uint16_t>(std::max<int64_t>(1, Tmax + random.between(-3, 3)));
    }
    return makeSeries(out, random, n, Tmin, Tmax, N, A);
}

bool makeDefaultCase(uint64_t seed, ProcessingCase& out) {
    constexpr int16_t A = 128;
    constexpr uint16_t n = 20;
    constexpr int k = 20;
    CaseRandom random(seed);
    out.seed = seed;
    out.defaultSized = true;
    HeadlessWindow window;
    std::vector<PulseHeader> made(k, PulseHeader{0, 0, 0, nullptr});
    uint16_t etalonState = RANDOM_ETALON_SEED;
    if (makeAlphabet(window, A, n, made, etalonState) == 0) return false;
    out.samples.clear();
    for (const PulseHeader& etalon : made) out.samples.emplace_back(etalon.lpData, etalon.lpData + n);
    releaseAlphabet(made);
    pointAlphabet(out, -1);

    static constexpr uint16_t LOST_DATA[] = {0, 25, 50};
    const uint16_t lost = LOST_DATA[random.between(0, 2)];
    out.makingLevel = out.level = static_cast<uint16_t>(100 - lost);
    out.noise = static_cast<uint16_t>(random.between(0, 150));
    out.fixedCount = random.oneIn(2);
    out.candidates = drawCandidates(random, k, false);
    out.Tmin = 40;
    out.Tmax = 181;
    return makeSeries(out, random, n, out.Tmin, out.Tmax, 1200, A);
}

}  // namespace tessaline::cases
